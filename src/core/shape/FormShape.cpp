#include "core/shape/FormShape.h"

#include <QImage>
#include <QtEndian>

#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

namespace {

qint32 int32At(const QByteArray& data, qsizetype offset)
{
    return qFromLittleEndian<qint32>(data.constData() + offset);
}

void appendInt32(QByteArray& data, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

[[noreturn]] void refuse(const char* why)
{
    throw EFormShapeError(QStringLiteral("Invalid window shape: ") + QLatin1String(why));
}

// One stored rectangle (exclusive right and bottom). A stream may hold any
// numbers: a rectangle whose corners or size an int cannot hold is none a
// window could have, and is left out.
std::optional<QRect> rectangleAt(const QByteArray& data, qsizetype at)
{
    const qint64 left = int32At(data, at), top = int32At(data, at + 4);
    const qint64 right = int32At(data, at + 8), bottom = int32At(data, at + 12);
    constexpr qint64 most = std::numeric_limits<int>::max();
    if (std::abs(right - left) > most || std::abs(bottom - top) > most || right - 1 < -most - 1 ||
        bottom - 1 < -most - 1)
        return std::nullopt;
    return QRect(QPoint(int(left), int(top)), QPoint(int(right - 1), int(bottom - 1)));
}

struct Run
{
    int left, right; // right exclusive
    bool operator==(const Run&) const = default;
};

// The background is what can be reached from the picture's edges over
// pixels of the background colour; everything else, the colour's pixels
// enclosed by the picture included, is visible.
std::vector<bool> backgroundOf(const QImage& image, QRgb background, int tolerance)
{
    const int width = image.width(), height = image.height();
    auto like = [&](int x, int y) {
        const QRgb p = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
        return std::abs(qRed(p) - qRed(background)) <= tolerance &&
               std::abs(qGreen(p) - qGreen(background)) <= tolerance &&
               std::abs(qBlue(p) - qBlue(background)) <= tolerance;
    };
    std::vector<bool> reached(std::size_t(width) * height, false);
    std::vector<QPoint> pending;
    auto reach = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        const std::size_t at = std::size_t(y) * width + x;
        if (!reached[at] && like(x, y)) {
            reached[at] = true;
            pending.push_back(QPoint(x, y));
        }
    };
    for (int x = 0; x < width; ++x) {
        reach(x, 0);
        reach(x, height - 1);
    }
    for (int y = 0; y < height; ++y) {
        reach(0, y);
        reach(width - 1, y);
    }
    while (!pending.empty()) {
        const QPoint p = pending.back();
        pending.pop_back();
        reach(p.x() - 1, p.y());
        reach(p.x() + 1, p.y());
        reach(p.x(), p.y() - 1);
        reach(p.x(), p.y() + 1);
    }
    return reached;
}

QList<Run> runsOfRow(const std::vector<bool>& background, int width, int y)
{
    QList<Run> runs;
    const std::size_t row = std::size_t(y) * width;
    for (int x = 0; x < width;) {
        if (background[row + x]) {
            ++x;
            continue;
        }
        const int left = x;
        while (x < width && !background[row + x])
            ++x;
        runs.append({left, x});
    }
    return runs;
}

} // namespace

namespace FormShape {

QByteArray read(const QByteArray& stream)
{
    if (stream.isEmpty())
        return QByteArray();
    if (stream.size() < 4)
        refuse("the stream is too short to hold its byte count");
    const qint64 count = int32At(stream, 0);
    if (count != stream.size() - 4)
        refuse("the byte count does not match the stream");
    const QByteArray data = stream.mid(4);
    if (data.size() < HeaderSize || int32At(data, 0) != HeaderSize ||
        int32At(data, 4) != RectanglesType)
        refuse("the header is not a rectangle region header");
    const qint64 rectangles = quint32(int32At(data, 8));
    const qint64 bytes = quint32(int32At(data, 12));
    if (bytes != rectangles * RectangleSize || HeaderSize + bytes != data.size())
        refuse("the rectangle count does not match its size");
    return data;
}

QByteArray write(const QByteArray& regionData)
{
    if (regionData.isEmpty())
        return QByteArray();
    QByteArray stream;
    stream.reserve(4 + regionData.size());
    appendInt32(stream, qint32(regionData.size()));
    stream.append(regionData);
    return stream;
}

QByteArray regionData(const QList<QRect>& rectangles)
{
    QRect bounding;
    for (const QRect& r : rectangles)
        bounding |= r;
    QByteArray data;
    data.reserve(HeaderSize + rectangles.size() * RectangleSize);
    auto appendRect = [&data](const QRect& r) {
        for (int v : {r.left(), r.top(), r.right() + 1, r.bottom() + 1})
            appendInt32(data, v);
    };
    for (int v : {HeaderSize, RectanglesType, int(rectangles.size()),
                  int(rectangles.size() * RectangleSize)})
        appendInt32(data, v);
    appendRect(bounding.isNull() ? QRect(0, 0, 0, 0) : bounding);
    for (const QRect& r : rectangles)
        appendRect(r);
    return data;
}

QList<QRect> rectangles(const QByteArray& regionData)
{
    QList<QRect> result;
    if (regionData.size() < HeaderSize)
        return result;
    const qsizetype count = (regionData.size() - HeaderSize) / RectangleSize;
    result.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype at = HeaderSize + i * RectangleSize;
        const std::optional<QRect> r = rectangleAt(regionData, at);
        if (r && !r->isEmpty())
            result.append(*r);
    }
    return result;
}

QRect bounds(const QByteArray& regionData)
{
    if (regionData.size() < HeaderSize)
        return QRect();
    return rectangleAt(regionData, 16).value_or(QRect());
}

QList<QRect> outline(const QImage& picture, QRgb background, int tolerance)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const std::vector<bool> outside = backgroundOf(image, background, tolerance);
    QList<QRect> bands;
    QList<Run> previous;
    int bandTop = 0;
    auto closeBand = [&](int bottom) {
        for (const Run& r : previous)
            bands.append(QRect(r.left, bandTop, r.right - r.left, bottom - bandTop));
    };
    for (int y = 0; y < image.height(); ++y) {
        QList<Run> runs = runsOfRow(outside, image.width(), y);
        if (runs == previous)
            continue;
        closeBand(y);
        previous = std::move(runs);
        bandTop = y;
    }
    closeBand(image.height());
    return bands;
}

} // namespace FormShape
