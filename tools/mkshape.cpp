// Makes the stored outline of a picture drawn on a background colour, as the
// splash window keeps it (resources/pictures/Velmora.shape):
//
//     kalvindo-mkshape Velmora.jpg ffffff 48 Velmora.shape
//
// background colour as six hexadecimal digits, tolerance 0..255.
#include "core/shape/FormShape.h"
#include "core/util/JpegLoader.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: kalvindo-mkshape picture.jpg rrggbb tolerance out.shape\n");
        return 2;
    }
    try {
        const QImage picture = JpegLoader::load(args[1]);
        const QRgb background = 0xff000000u | args[2].toUInt(nullptr, 16);
        const QList<QRect> rects = FormShape::outline(picture, background, args[3].toInt());
        QFile out(args[4]);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(FormShape::write(FormShape::regionData(rects))) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(args[4]));
            return 1;
        }
        std::printf("%lld rectangles\n", qlonglong(rects.size()));
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
