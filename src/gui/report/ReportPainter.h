#pragma once

struct ReportDocument;
class QPagedPaintDevice;
class QPrinter;

// Draws a laid-out report as it stands: the bands' backgrounds and frames,
// and each text clipped to its box. One page of the device per page of the
// report; a report without pages draws nothing.
namespace ReportPainter {

// A4 in landscape on the whole sheet (the layout keeps its own margins),
// one copy, one-sided, all pages, the first paper tray.
void setUpPrinter(QPrinter& printer);
void paint(QPagedPaintDevice& device, const ReportDocument& document);

} // namespace ReportPainter
