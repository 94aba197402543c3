#pragma once

#include <QObject>

#include <functional>

// (Sender, LanguageIndex, var AllowChange): told before the active language changes.
using TQLangChangingEvent =
    std::function<void(QObject* sender, int languageIndex, bool& allowChange)>;
// (Sender): told after the active language has changed.
using TNotifyEvent = std::function<void(QObject* sender)>;
