#include "TestSupport.h"
#include "core/util/Exception.h"
#include "core/util/JpegLoader.h"

#include <QFile>
#include <QTest>

namespace {

QByteArray fixture(const char* name)
{
    QFile f(testPicture(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return f.readAll();
}

// The start-of-frame segment holds the height and width of the picture.
QByteArray withSize(QByteArray jpeg, quint16 width, quint16 height)
{
    for (int i = 0; i + 9 < jpeg.size(); ++i) {
        const auto marker = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    qFatal("no frame header");
}

} // namespace

class TestJpeg : public QObject
{
    Q_OBJECT
private slots:
    void decodesPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("baseline colour") << "valid.jpg" << QSize(240, 285);
        QTest::newRow("grey") << "gray.jpg" << QSize(64, 48);
        QTest::newRow("cmyk") << "cmyk.jpg" << QSize(64, 48);
        QTest::newRow("progressive") << "progressive.jpg" << QSize(64, 48);
    }
    void decodesPictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage image = JpegLoader::decode(fixture(name.toLatin1().constData()));
        QCOMPARE(image.size(), size);
    }

    void cmykIsTurnedIntoRgb()
    {
        const QImage image = JpegLoader::decode(fixture("cmyk.jpg"));
        const QColor c = image.pixelColor(10, 10);
        QVERIFY2(c.red() > 200 && c.green() < 60 && c.blue() < 60, qPrintable(c.name()));
    }

    void refusesBrokenData_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = fixture("valid.jpg");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a jpeg") << QByteArray("GIF89a this is not a picture at all");
        QTest::newRow("truncated in the header") << good.left(100);
        QTest::newRow("truncated in the picture") << good.left(good.size() / 2);
        QByteArray scrambled = good;
        for (int i = good.size() / 3; i < good.size() - 2; i += 7)
            scrambled[i] = char(scrambled[i] ^ 0x5A);
        QTest::newRow("corrupt picture data") << scrambled;
        QTest::newRow("too many pixels") << withSize(good, 60000, 60000);
    }
    void refusesBrokenData()
    {
        QFETCH(QByteArray, data);
        QVERIFY_THROWS_EXCEPTION(Exception, JpegLoader::decode(data));
    }

    void loadNamesTheFile()
    {
        try {
            JpegLoader::load(QStringLiteral("/nonexistent/17.jpg"));
            QFAIL("loading a missing file succeeded");
        } catch (const Exception& e) {
            QVERIFY(e.message().contains(QLatin1String("17.jpg")));
        }
    }
};

QTEST_GUILESS_MAIN(TestJpeg)
#include "test_jpeg.moc"
