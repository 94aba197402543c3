#pragma once

#include "core/util/Exception.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QRgb>

class QImage;

// A stored shape that cannot be read: the stream does not hold what it says.
class EFormShapeError : public Exception
{
public:
    using Exception::Exception;
};

// The stored outline of a window: the visible area as a list of rectangles,
// kept as one block of region data and written into a stream, little-endian:
//
//   offset  size    field
//   0       4       N, the byte count of the region data that follows
//   4       32      header: its own size (32), type (1, rectangles), the
//                   rectangle count C, the rectangles' byte size (C * 16),
//                   the bounding rectangle (left, top, right, bottom)
//   36      C * 16  the rectangles, each left, top, right, bottom, with
//                   right and bottom exclusive, in the window's coordinates
//
// N = 32 + C * 16. A window without a shape is stored as no bytes at all.
namespace FormShape {

constexpr int HeaderSize = 32;
constexpr int RectangleSize = 16;
constexpr int RectanglesType = 1;

// The region data of a stream (N bytes, header and rectangles); empty for an
// empty stream. Every count is checked against the bytes really there before
// anything is allocated: a stream that says more than it holds, holds more
// than it says, has another header or a rectangle count that does not match
// its size throws EFormShapeError.
QByteArray read(const QByteArray& stream);
// The stream of a block of region data: N and the data; no bytes for no data.
QByteArray write(const QByteArray& regionData);

// Region data of rectangles (QRect's inclusive corners become exclusive ones).
QByteArray regionData(const QList<QRect>& rectangles);
// The rectangles of region data read by read(); empty ones are left out.
QList<QRect> rectangles(const QByteArray& regionData);
// The bounding rectangle of region data read by read().
QRect bounds(const QByteArray& regionData);

// The outline of a picture drawn on a background colour: the background is
// every pixel within the tolerance of that colour (in each of red, green and
// blue) that can be reached from the picture's edges; the rest is visible,
// holes of the background's colour inside the outline included. Rows with
// the same runs are joined into bands, top to bottom and left to right, as a
// region lists its rectangles.
QList<QRect> outline(const QImage& picture, QRgb background, int tolerance);

} // namespace FormShape
