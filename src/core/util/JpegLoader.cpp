#include "core/util/JpegLoader.h"

#include "core/util/Exception.h"

#include <QFile>
#include <QFileInfo>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void leave(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->escape, 1);
}

// libjpeg reports damaged data as warnings (level -1) and goes on with a
// half picture; here a warning is as fatal as an error.
void onMessage(j_common_ptr info, int level)
{
    if (level < 0)
        leave(info);
}

struct ScanLimit
{
    jpeg_progress_mgr base;
    int limit;
};

void countScans(j_common_ptr info)
{
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(info);
    auto* progress = reinterpret_cast<ScanLimit*>(info->progress);
    if (cinfo->is_decompressor && cinfo->global_state >= 0 &&
        cinfo->input_scan_number > progress->limit) {
        auto* err = reinterpret_cast<ErrorManager*>(info->err);
        std::snprintf(err->message, sizeof err->message, "too many progressive scans");
        std::longjmp(err->escape, 1);
    }
}

// Everything touched after setjmp lives here, outside the function that
// calls setjmp, so no local is left indeterminate by the longjmp.
struct Decoder
{
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    ScanLimit progress{};
    QImage image;
    QString failure;
    bool cmyk = false;
};

bool run(Decoder& d, const QByteArray& data)
{
    d.cinfo.err = jpeg_std_error(&d.err.base);
    d.err.base.error_exit = leave;
    d.err.base.emit_message = onMessage;
    if (setjmp(d.err.escape)) {
        d.failure = QString::fromLocal8Bit(d.err.message);
        jpeg_destroy_decompress(&d.cinfo);
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    d.progress.base.progress_monitor = countScans;
    d.progress.limit = JpegLoader::MaxScans;
    d.cinfo.progress = &d.progress.base;
    jpeg_mem_src(&d.cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    if (qint64(d.cinfo.image_width) * qint64(d.cinfo.image_height) > JpegLoader::MaxPixels) {
        std::snprintf(d.err.message, sizeof d.err.message, "the picture is too large (%ux%u)",
                      d.cinfo.image_width, d.cinfo.image_height);
        std::longjmp(d.err.escape, 1);
    }
    d.cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = d.cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.cinfo);
    const int width = int(d.cinfo.output_width);
    const int height = int(d.cinfo.output_height);
    d.image = QImage(width, height, d.cmyk ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    if (d.image.isNull()) {
        std::snprintf(d.err.message, sizeof d.err.message, "not enough memory for the picture");
        std::longjmp(d.err.escape, 1);
    }
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW row = d.image.scanLine(int(d.cinfo.output_scanline));
        jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d.cinfo);
    jpeg_destroy_decompress(&d.cinfo);
    return true;
}

void cmykToRgb(QImage& image)
{
    // Four bytes C, M, Y, K per pixel as libjpeg wrote them; pictures from
    // common tools store them inverted.
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<uchar*>(image.scanLine(y));
        auto* out = reinterpret_cast<QRgb*>(p);
        for (int x = 0; x < image.width(); ++x) {
            const int c = p[4 * x], m = p[4 * x + 1], yy = p[4 * x + 2], k = p[4 * x + 3];
            out[x] = qRgb(c * k / 255, m * k / 255, yy * k / 255);
        }
    }
    image = image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

namespace JpegLoader {

QImage decode(const QByteArray& data)
{
    if (data.isEmpty())
        throw Exception(QStringLiteral("The picture is empty"));
    Decoder d;
    if (!run(d, data))
        throw Exception(QStringLiteral("The picture cannot be read: %1").arg(d.failure));
    if (d.cmyk)
        cmykToRgb(d.image);
    return d.image;
}

QImage load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open picture %1: %2").arg(path, file.errorString()));
    if (file.size() > 256LL * 1024 * 1024)
        throw Exception(QStringLiteral("The picture %1 is too large").arg(path));
    const QByteArray data = file.readAll();
    try {
        return decode(data);
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("%1 (%2)").arg(e.message(), QFileInfo(path).fileName()));
    }
}

} // namespace JpegLoader
