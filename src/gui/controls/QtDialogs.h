#pragma once

#include "core/util/Dialogs.h"

// The program's dialogs: Qt's message boxes and file dialog, and the
// desktop's URL opening.
class QtDialogs final : public Dialogs
{
public:
    MessageButton message(MessageKind kind, const QString& text, MessageButtons buttons) override;
    QString openFileName(const QString& filter) override;
    QString saveFileName(const QString& filter, const QString& suggestedName,
                         QString* chosenFilter) override;
    bool openUrl(const QString& target) override;
    bool hasHandler(const QString& scheme) override;
};
