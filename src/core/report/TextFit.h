#pragma once

#include "core/report/ReportDocument.h"

#include <QFont>
#include <QHash>

#include <array>

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

    qreal advance(char16_t c);

    QFont m_font;
    // Hundredths of a millimetre; the Latin letters of Danish names and
    // addresses in a table, each read once, the rest in a hash.
    static constexpr char16_t TableSize = 0x180;
    std::array<qreal, TableSize> m_table;
    QHash<char16_t, qreal> m_advances;
};
