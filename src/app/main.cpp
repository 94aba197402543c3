#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "core/util/Dialogs.h"
#include "gui/controls/QtDialogs.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"

#include <QApplication>

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
    QtDialogs dialogs;
    Dialogs::install(&dialogs);

    TPhoneForm form;
    TDM dm(&app, QStringLiteral("Data"));
    TNogleForm keywords(&dm, form.QLanguageSource1());
    form.SetDataModule(&dm);
    form.SetKeywordWindow(&keywords);
    form.ShowMain();
    const int result = QApplication::exec();
    Dialogs::install(nullptr);
    return result;
}
