// The window shape stream reader on any bytes: a stream either reads or is
// refused with EFormShapeError, a stream that reads writes back to the same
// bytes, and its rectangles and bounds can be worked out.
#include "FuzzCheck.h"

#include "core/shape/FormShape.h"

#include <QRegion>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray stream(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray region;
    try {
        region = FormShape::read(stream);
    } catch (const EFormShapeError&) {
        return 0;
    }
    FUZZ_CHECK(FormShape::write(region) == stream);
    const QList<QRect> rectangles = FormShape::rectangles(region);
    for (const QRect& r : rectangles)
        FUZZ_CHECK(r.isValid());
    FormShape::bounds(region);
    // What a window does with them.
    QRegion mask;
    mask.setRects(rectangles.constData(), int(rectangles.size()));
    return 0;
}
