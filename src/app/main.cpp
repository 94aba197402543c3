#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "core/util/DataLocation.h"
#include "core/util/Dialogs.h"
#include "gui/controls/QtDialogs.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"

#include <QApplication>
#include <QIcon>

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
    QApplication::setApplicationName(QStringLiteral("Kalvindo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kalvindo"));
    // Ties the windows to the desktop entry, and so to its icon in a dock.
    QGuiApplication::setDesktopFileName(QStringLiteral(KALVINDO_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kalvindo")));
    QtDialogs dialogs;
    Dialogs::install(&dialogs);

    try {
        DataLocation::setUp();
    } catch (const std::exception& e) {
        ErrorBox::show(e);
    }
    TPhoneForm form;
    TDM dm(&app, DataLocation::dataFolder());
    TNogleForm keywords(&dm, form.QLanguageSource1());
    form.SetDataModule(&dm);
    form.SetKeywordWindow(&keywords);
    form.ShowMain();
    const int result = QApplication::exec();
    Dialogs::install(nullptr);
    return result;
}
