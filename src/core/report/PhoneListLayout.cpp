#include "core/report/PhoneListLayout.h"

namespace {

constexpr qreal TextTop = 1.1;
constexpr qreal TextHeight = 4.5;
constexpr qreal TitleTextHeight = 8.7;
constexpr int Left = Qt::AlignLeft | Qt::AlignVCenter;

struct Column
{
    const char* caption;
    qreal left, width;
};
// The captions are Danish in every language.
constexpr Column Captions[] = {{"Fornavn", 2.1, 59.0},    {"Adresse1", 63.5, 53.2},
                               {"Adresse2", 119.3, 51.6}, {"Postnr/Bynavn", 173.8, 47.1},
                               {"Telefon", 223.8, 25.4},  {"Mobil", 250.3, 25.4}};
// Left offset and width of each detail field, in the order of Fields.
constexpr std::pair<qreal, qreal> FieldBoxes[] = {{2.1, 59.0},  {63.5, 53.2},  {119.3, 51.6},
                                                  {173.8, 9.5}, {184.9, 36.0}, {223.3, 25.4},
                                                  {249.8, 25.4}};
constexpr qreal FooterLeft = 252.9, FooterWidth = 20.1;

} // namespace

const std::array<const char*, 7> PhoneListLayout::Fields = {
    "Navn", "Adresse1", "Adresse2", "Postnr", "Bynavn", "Telefon", "Mobil"};

ReportFont ReportFont::of(ReportStyle style)
{
    if (style == ReportStyle::Title)
        return {QStringLiteral("Arial"), 20.0, true, QColor(0, 0, 128)};
    return {QStringLiteral("Arial"), 10.0, false, QColor(Qt::black)};
}

PhoneListLayout::PhoneListLayout(const QString& title) : m_title(title) {}

ReportBand PhoneListLayout::band(BandKind kind, qreal height)
{
    ReportBand b{kind, QRectF(Margin, m_y, BandWidth, height), QColor(), false, {}};
    m_y += height;
    return b;
}

static ReportText textIn(const ReportBand& band, qreal left, qreal width, QString text,
                         int alignment = Left, qreal height = TextHeight)
{
    const QRectF box(band.rect.left() + left, band.rect.top() + TextTop, width, height);
    return {box, std::move(text), alignment, ReportStyle::Plain};
}

void PhoneListLayout::startPage()
{
    m_document.pages.push_back({int(m_document.pages.size()) + 1, {}});
    m_page = &m_document.pages.back();
    m_y = Margin;
    if (m_page->number == 1) {
        ReportBand title = band(BandKind::Title, TitleHeight);
        // An empty title prints nothing, and the band keeps its place.
        if (!m_title.isEmpty()) {
            ReportText t = textIn(title, 0, BandWidth, m_title, Qt::AlignHCenter | Qt::AlignVCenter,
                                  TitleTextHeight);
            t.style = ReportStyle::Title;
            title.texts.push_back(std::move(t));
        }
        m_page->bands.push_back(std::move(title));
    }
    ReportBand header = band(BandKind::ColumnHeader, HeaderHeight);
    header.background = QColor(192, 192, 192);
    header.frame = true;
    for (const Column& c : Captions)
        header.texts.push_back(textIn(header, c.left, c.width, QLatin1String(c.caption)));
    m_page->bands.push_back(std::move(header));
}

void PhoneListLayout::endPage()
{
    m_y = m_document.paper.height() - Margin - FooterHeight;
    ReportBand footer = band(BandKind::PageFooter, FooterHeight);
    footer.texts.push_back(textIn(footer, FooterLeft, FooterWidth,
                                  QStringLiteral("Side ") + QString::number(m_page->number),
                                  Qt::AlignRight | Qt::AlignVCenter));
    m_page->bands.push_back(std::move(footer));
    m_page = nullptr;
}

void PhoneListLayout::addRecord(const QString* values)
{
    const qreal footerTop = m_document.paper.height() - Margin - FooterHeight;
    if (m_page && m_y + DetailHeight > footerTop)
        endPage();
    if (!m_page)
        startPage();
    ReportBand detail = band(BandKind::Detail, DetailHeight);
    detail.background = QColor(Qt::white);
    detail.texts.reserve(Fields.size());
    for (size_t i = 0; i < Fields.size(); ++i) {
        const auto [left, width] = FieldBoxes[i];
        detail.texts.push_back(textIn(detail, left, width, m_plain.firstLine(values[i], width)));
    }
    m_page->bands.push_back(std::move(detail));
}

ReportDocument PhoneListLayout::finish()
{
    if (m_page)
        endPage();
    return std::move(m_document);
}
