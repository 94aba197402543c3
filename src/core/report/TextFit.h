#pragma once

#include "core/report/ReportDocument.h"

#include <QFont>
#include <QHash>

// Finds what of a value shows in a one-line box of a report: the first
// line when the value is broken at word boundaries to the box's width.
//
// Widths are measured in hundredths of a millimetre with the font sized to
// match, whatever the screen. Most values fit at once; those are told by the
// sum of their characters' widths, kept per character, and only a value
// near or over the width is laid out.
class TextFit
{
public:
    explicit TextFit(ReportStyle style);
    TextFit(const TextFit&) = delete;
    TextFit& operator=(const TextFit&) = delete;

    QString firstLine(const QString& text, qreal widthMm);
    // The width of a text on one line.
    qreal widthMm(const QString& text) const;

private:
    bool surelyFits(const QString& text, qreal widthMm);

    QFont m_font;
    QHash<char16_t, qreal> m_advances; // hundredths of a millimetre
};
