#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Decodes JPEG pictures with libjpeg. Pictures come from the disk and may be
// broken or hostile: every libjpeg error and every corrupt-data warning ends
// the decoding with an exception instead of a crash, an exit or half a
// picture; pictures above a pixel limit are refused before decoding and the
// number of progressive scans is limited.
namespace JpegLoader {

constexpr qint64 MaxPixels = 64LL * 1024 * 1024;
constexpr int MaxScans = 200;

// Throws Exception with a message that says what went wrong.
QImage decode(const QByteArray& data);
QImage load(const QString& path);

} // namespace JpegLoader
