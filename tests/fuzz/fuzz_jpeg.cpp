// The JPEG loading wrapper on any bytes: a picture either decodes to an
// image of the size its header gave or is refused with Exception; libjpeg
// never exits, crashes or reads outside the data.
#include "FuzzCheck.h"

#include "core/util/Exception.h"
#include "core/util/JpegLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size, so that AddressSanitizer sees a
    // read past its end.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage image = JpegLoader::decode(bytes);
        FUZZ_CHECK(!image.isNull());
        FUZZ_CHECK(qint64(image.width()) * image.height() <= JpegLoader::MaxPixels);
    } catch (const Exception&) {
    }
    return 0;
}
