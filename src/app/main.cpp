#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "core/util/DataLocation.h"
#include "core/util/Dialogs.h"
#include "gui/controls/QtDialogs.h"
#include "gui/windows/JustOne.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"
#include "gui/windows/Velmora.h"

#include <QApplication>
#include <QIcon>
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
    // Ties the windows to the desktop entry, and so to its icon in a dock.
    QGuiApplication::setDesktopFileName(QStringLiteral(KALVINDO_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kalvindo")));
    QtDialogs dialogs;
    Dialogs::install(&dialogs);
    const auto uninstall = qScopeGuard([] { Dialogs::install(nullptr); });

    // Released by itself when it loses activation; whatever is left of it
    // goes with the program.
    QPointer<TVelmora> splash = new TVelmora;
    const auto noSplash = qScopeGuard([&splash] { delete splash.data(); });
    splash->ShowAtOnce();
    // The single-instance guard of the main window meets other copies under
    // this title. (No display name: the window system would add it to every
    // window's caption, and the message boxes take the name without it.)
    QApplication::setApplicationName(QStringLiteral("Kalvindo"));

    TPhoneForm form;
    // Another copy runs and has been asked to the front: this one ends
    // before its data folder is prepared, any table opened or anything
    // written.
    if (form.JustOne1()->EndRequested())
        return 0;
    try {
        DataLocation::setUp();
    } catch (const std::exception& e) {
        ErrorBox::show(e);
    }
    TDM dm(&app, DataLocation::dataFolder());
    TNogleForm keywords(&dm, form.QLanguageSource1());
    form.SetDataModule(&dm);
    form.SetKeywordWindow(&keywords);
    form.ShowMain();
    return QApplication::exec();
}
