#include "core/report/TextFit.h"

#include <QFontMetricsF>
#include <QTextLayout>

namespace {

constexpr qreal UnitsPerMm = 100.0;
constexpr qreal MmPerPoint = 25.4 / 72.0;
// Kerning and shaping change a text's width by far less than this.
constexpr qreal SureShare = 0.9;

} // namespace

TextFit::TextFit(ReportStyle style)
{
    const ReportFont f = ReportFont::of(style);
    m_font = QFont(f.family);
    m_font.setBold(f.bold);
    m_font.setPixelSize(qRound(f.pointSize * MmPerPoint * UnitsPerMm));
    // Printed text is laid out without the screen's hinting.
    m_font.setHintingPreference(QFont::PreferNoHinting);
    m_table.fill(-1);
}

qreal TextFit::advance(char16_t c)
{
    if (c < TableSize) {
        qreal& known = m_table[c];
        if (known < 0)
            known = QFontMetricsF(m_font).horizontalAdvance(QChar(c));
        return known;
    }
    auto it = m_advances.constFind(c);
    if (it == m_advances.constEnd())
        it = m_advances.insert(c, QFontMetricsF(m_font).horizontalAdvance(QChar(c)));
    return *it;
}

qreal TextFit::widthMm(const QString& text) const
{
    return QFontMetricsF(m_font).horizontalAdvance(text) / UnitsPerMm;
}

bool TextFit::surelyFits(const QString& text, qreal widthMm)
{
    const qreal limit = widthMm * UnitsPerMm * SureShare;
    qreal sum = 0;
    for (const QChar c : text) {
        // Characters outside the basic plane, and line breaks, go the long way.
        if (c.isSurrogate() || c == u'\n' || c == u'\r')
            return false;
        sum += advance(c.unicode());
        if (sum > limit)
            return false;
    }
    return true;
}

QString TextFit::firstLine(const QString& text, qreal widthMm)
{
    if (surelyFits(text, widthMm))
        return text;
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\r', u'\n')
        .replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(lines, m_font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return QString();
    }
    line.setLineWidth(widthMm * UnitsPerMm);
    layout.endLayout();
    QString first = lines.mid(line.textStart(), line.textLength());
    while (!first.isEmpty() && (first.back().isSpace() || first.back() == QChar::LineSeparator))
        first.chop(1);
    return first;
}
