#include "gui/report/ReportPainter.h"

#include "core/report/ReportDocument.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

namespace ReportPainter {

namespace {

// Millimetres on the paper to the device's pixels.
class Scale
{
public:
    explicit Scale(const QPaintDevice& device)
        : m_x(device.logicalDpiX() / 25.4), m_y(device.logicalDpiY() / 25.4)
    {
    }
    QRectF operator()(const QRectF& mm) const
    {
        return QRectF(mm.left() * m_x, mm.top() * m_y, mm.width() * m_x, mm.height() * m_y);
    }
    qreal line() const { return 0.2 * m_x; } // a thin frame

private:
    qreal m_x, m_y;
};

QFont fontOf(const ReportFont& f)
{
    QFont font(f.family);
    font.setPointSizeF(f.pointSize);
    font.setBold(f.bold);
    return font;
}

void paintBand(QPainter& painter, const Scale& scale, const ReportBand& band)
{
    const QRectF rect = scale(band.rect);
    if (band.background.isValid())
        painter.fillRect(rect, band.background);
    if (band.frame) {
        painter.setPen(QPen(Qt::black, scale.line()));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect);
    }
    for (const ReportText& text : band.texts) {
        const ReportFont font = ReportFont::of(text.style);
        const QRectF box = scale(text.box);
        painter.save();
        painter.setClipRect(box);
        painter.setFont(fontOf(font));
        painter.setPen(font.color);
        painter.drawText(box, text.alignment | Qt::TextSingleLine, text.text);
        painter.restore();
    }
}

} // namespace

void setUpPrinter(QPrinter& printer)
{
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    printer.setFullPage(true);
    printer.setCopyCount(1);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPaperSource(QPrinter::Upper);
}

void paint(QPagedPaintDevice& device, const ReportDocument& document)
{
    if (document.pages.empty())
        return;
    QPainter painter(&device);
    const Scale scale(device);
    bool first = true;
    for (const ReportPage& page : document.pages) {
        if (!first)
            device.newPage();
        first = false;
        for (const ReportBand& band : page.bands)
            paintBand(painter, scale, band);
    }
}

} // namespace ReportPainter
