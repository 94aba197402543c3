#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "core/util/Dialogs.h"
#include "gui/controls/QtDialogs.h"
#include "gui/windows/JustOne.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"
#include "gui/windows/Velmora.h"

#include <QApplication>
#include <QPointer>
#include <QScopeGuard>

namespace {

// An exception that escapes an event handler is shown in the error box and
// the program goes on in the state it had.
class KalvindoApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ErrorBox::show(e);
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    KalvindoApplication app(argc, argv);
    QtDialogs dialogs;
    Dialogs::install(&dialogs);
    const auto uninstall = qScopeGuard([] { Dialogs::install(nullptr); });

    // Released by itself when it loses activation; whatever is left of it
    // goes with the program.
    QPointer<TVelmora> splash = new TVelmora;
    const auto noSplash = qScopeGuard([&splash] { delete splash.data(); });
    splash->ShowAtOnce();
    // The single-instance guard of the main window meets other copies under
    // this title. (Not as the display name, which the window system would
    // add to every window's caption.)
    QApplication::setApplicationName(QStringLiteral("Kalvindo"));

    TPhoneForm form;
    // Another copy runs and has been asked to the front: this one ends
    // before any table is opened or anything written.
    if (form.JustOne1()->EndRequested())
        return 0;
    TDM dm(&app, QStringLiteral("Data"));
    TNogleForm keywords(&dm, form.QLanguageSource1());
    form.SetDataModule(&dm);
    form.SetKeywordWindow(&keywords);
    form.ShowMain();
    return QApplication::exec();
}
