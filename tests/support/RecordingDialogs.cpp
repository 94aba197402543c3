#include "RecordingDialogs.h"

#include <QObject>

RecordingDialogs::RecordingDialogs()
{
    Dialogs::install(this);
}

RecordingDialogs::~RecordingDialogs()
{
    Dialogs::install(nullptr);
}

MessageButton RecordingDialogs::message(MessageKind kind, const QString& text,
                                        MessageButtons buttons)
{
    messages.append({kind, text, buttons});
    if (!answers.isEmpty())
        return answers.takeFirst();
    for (MessageButton b : {Ok, Yes, Cancel, No})
        if (buttons & b)
            return b;
    return Ok;
}

QString RecordingDialogs::openFileName(const QString& filter)
{
    filters.append(filter);
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString RecordingDialogs::saveFileName(const QString& filter, const QString&, QString* chosenFilter)
{
    saveFilters.append(filter);
    if (saveNames.isEmpty())
        return QString();
    const QStringList answer = saveNames.takeFirst().split(u'|');
    if (chosenFilter)
        *chosenFilter = answer.size() > 1 ? answer[1] : filter.split(QStringLiteral(";;")).first();
    return answer[0];
}

bool RecordingDialogs::openUrl(const QString& target)
{
    openedUrls.append(target);
    return true;
}

bool RecordingDialogs::hasHandler(const QString& scheme)
{
    handlerQueries.append(scheme);
    return handlersPresent;
}

bool RecordingDialogs::startProgram(const QString& program, const QStringList& arguments)
{
    startedPrograms.append((QStringList{program} + arguments).join(u' '));
    return startable.contains(program);
}

int RecordingDialogs::runModal(QObject* window, const std::function<int()>&)
{
    modalWindows.append(window ? window->objectName() : QString());
    return onModal ? onModal(window) : 0;
}

QStringList RecordingDialogs::texts() const
{
    QStringList result;
    for (const auto& m : messages)
        result << m.text;
    return result;
}
