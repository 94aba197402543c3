#include "core/util/Dialogs.h"

#include "core/util/Exception.h"

namespace {

// Until the program installs its dialogs, messages go nowhere and every
// question is answered with its first button.
class SilentDialogs final : public Dialogs
{
public:
    MessageButton message(MessageKind, const QString&, MessageButtons buttons) override
    {
        for (MessageButton b : {Ok, Yes, Cancel, No})
            if (buttons & b)
                return b;
        return Ok;
    }
    QString openFileName(const QString&) override { return QString(); }
    QString saveFileName(const QString&, const QString&, QString*) override { return QString(); }
    bool openUrl(const QString&) override { return false; }
    bool hasHandler(const QString&) override { return false; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    int runModal(QObject*, const std::function<int()>&) override { return 0; }
};

Dialogs*& current()
{
    static SilentDialogs silent;
    static Dialogs* active = &silent;
    return active;
}

} // namespace

Dialogs& Dialogs::instance()
{
    return *current();
}

void Dialogs::install(Dialogs* dialogs)
{
    static SilentDialogs silent;
    current() = dialogs ? dialogs : &silent;
}

namespace ErrorBox {

QString text(const QString& message)
{
    const QString trimmed = message.trimmed();
    if (trimmed.endsWith(u'.') || trimmed.endsWith(u'!') || trimmed.endsWith(u'?'))
        return message;
    return message + u'.';
}

void show(const QString& message)
{
    Dialogs::instance().message(MessageKind::Error, text(message), Ok);
}

void show(const std::exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        show(own->message());
    else
        show(QString::fromLocal8Bit(error.what()));
}

} // namespace ErrorBox
