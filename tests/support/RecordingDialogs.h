#pragma once

#include "core/util/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Answers the program's dialogs without showing a window and remembers what
// was asked. Installed for its lifetime; the previous silent dialogs come back after.
class RecordingDialogs : public Dialogs
{
public:
    struct Message
    {
        MessageKind kind;
        QString text;
        MessageButtons buttons;
    };

    RecordingDialogs();
    ~RecordingDialogs() override;
    RecordingDialogs(const RecordingDialogs&) = delete;
    RecordingDialogs& operator=(const RecordingDialogs&) = delete;

    // Answers given in turn; when none is left, the first offered button of
    // Ok, Yes, Cancel, No answers.
    QList<MessageButton> answers;
    QList<Message> messages;
    QStringList fileNames; // answers of openFileName, in turn; empty when none left
    QStringList filters;
    // Answers of saveFileName in turn, as "path" or "path|filter" to choose
    // a filter; empty when none is left.
    QStringList saveNames;
    QStringList saveFilters; // the filters each save dialog offered
    QStringList openedUrls;
    bool handlersPresent = true;
    QStringList handlerQueries; // the schemes hasHandler was asked about, in turn
    // The programs startProgram was asked to start, each with its arguments
    // after a space; those named in startable start.
    QStringList startedPrograms;
    QStringList startable;
    // The object names of the windows shown modally, in turn. A window is not
    // run: onModal, when set, stands in for the user while it is "open" (the
    // window is there to be looked at and driven) and gives its result.
    QStringList modalWindows;
    std::function<int(QObject* window)> onModal;

    MessageButton message(MessageKind kind, const QString& text, MessageButtons buttons) override;
    QString openFileName(const QString& filter) override;
    QString saveFileName(const QString& filter, const QString& suggestedName,
                         QString* chosenFilter) override;
    bool openUrl(const QString& target) override;
    bool hasHandler(const QString& scheme) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    int runModal(QObject* window, const std::function<int()>& exec) override;

    QStringList texts() const;
};
