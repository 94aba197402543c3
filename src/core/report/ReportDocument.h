#pragma once

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

// A laid-out report as plain data: pages of bands, each band a rectangle
// with its background and frame and the text boxes printed in it. Every
// length is in millimetres from the top left corner of the paper. The
// layout decides everything, the painter draws it as it stands.

// The fonts of the report.
enum class ReportStyle
{
    Plain, // Arial 10 point
    Title, // Arial 20 point bold, navy
};

struct ReportFont
{
    QString family;
    qreal pointSize;
    bool bold;
    QColor color;

    static ReportFont of(ReportStyle style);
};

struct ReportText
{
    QRectF box;
    // What shows: the value's first line, cut off at the box when even that
    // is wider.
    QString text;
    int alignment; // Qt::AlignmentFlag
    ReportStyle style = ReportStyle::Plain;
};

enum class BandKind
{
    Title,
    ColumnHeader,
    Detail,
    PageFooter,
};

struct ReportBand
{
    BandKind kind;
    QRectF rect;
    QColor background; // invalid: none
    bool frame = false;
    std::vector<ReportText> texts;
};

struct ReportPage
{
    int number; // from 1
    std::vector<ReportBand> bands;
};

struct ReportDocument
{
    QSizeF paper{297.0, 210.0}; // A4 in landscape
    std::vector<ReportPage> pages;
};
