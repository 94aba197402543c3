#pragma once

#include "core/vcard/VCardReader.h"

#include <QProgressDialog>

// A progress window for a long exchange that the user can cancel. It shows
// itself only when the work takes a moment, and blocks the window beneath.
class ExchangeProgress
{
public:
    ExchangeProgress(QWidget* parent, const QString& label);
    ExchangeProgress(const ExchangeProgress&) = delete;
    ExchangeProgress& operator=(const ExchangeProgress&) = delete;

    // Answers false once the user pressed Cancel.
    ProgressCallback Callback();
    QProgressDialog& Dialog() { return m_dialog; }

    static QString CancelText();

private:
    QProgressDialog m_dialog;
};
