#pragma once

#include "core/report/ReportDocument.h"
#include "core/report/TextFit.h"

#include <array>

// The page layout of the phone list and the card lists: A4 in landscape,
// margins of 10 mm, a title band on the first page, a column header band on
// every page, one detail band per contact and the page number at the foot
// of every page. Bands do not grow: a value wider than its box shows its
// first line, cut off at the box.
//
// Records are added one at a time in print order; no page is made when none is.
class PhoneListLayout
{
public:
    // The fields of a detail band, in the order addRecord takes them.
    static const std::array<const char*, 7> Fields;

    explicit PhoneListLayout(const QString& title);

    // The values of one contact, in the order of Fields.
    void addRecord(const QString* values);
    ReportDocument finish();

    static constexpr qreal Margin = 10.0;
    static constexpr qreal BandWidth = 277.0;
    static constexpr qreal TitleHeight = 13.5;
    static constexpr qreal HeaderHeight = 7.1;
    static constexpr qreal DetailHeight = 6.35;
    static constexpr qreal FooterHeight = 6.35;

private:
    void startPage();
    void endPage();
    ReportBand band(BandKind kind, qreal height);

    QString m_title;
    ReportDocument m_document;
    ReportPage* m_page = nullptr;
    qreal m_y = 0; // where the next band goes on the page
    TextFit m_plain{ReportStyle::Plain};
};
