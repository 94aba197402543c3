#pragma once

#include "core/util/Dialogs.h"

#include <QHash>

// The program's dialogs: Qt's message boxes and file dialog, and the
// desktop's URL opening and program start, the program's modal windows.
class QtDialogs final : public Dialogs
{
public:
    MessageButton message(MessageKind kind, const QString& text, MessageButtons buttons) override;
    QString openFileName(const QString& filter) override;
    QString saveFileName(const QString& filter, const QString& suggestedName,
                         QString* chosenFilter) override;
    bool openUrl(const QString& target) override;
    // Asks the desktop once per kind of link and keeps the answer for the run.
    bool hasHandler(const QString& scheme) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    int runModal(QObject* window, const std::function<int()>& exec) override;

private:
    QHash<QString, bool> m_handlers;
};
