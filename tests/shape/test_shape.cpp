#include "RecordingDialogs.h"
#include "core/shape/FormShape.h"
#include "core/util/JpegLoader.h"
#include "gui/windows/FormShaper.h"
#include "gui/windows/Velmora.h"
#include "ui_Velmora.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QtEndian>
#include <QTest>

namespace {

QByteArray int32s(std::initializer_list<qint64> values)
{
    QByteArray bytes;
    for (qint64 v : values) {
        char b[4];
        qToLittleEndian(qint32(v), b);
        bytes.append(b, 4);
    }
    return bytes;
}

// A stream as a shaper writes it: N, the header, the rectangles.
QByteArray stream(const QList<QRect>& rects)
{
    return FormShape::write(FormShape::regionData(rects));
}

const QList<QRect> TwoRects = {QRect(10, 0, 20, 5), QRect(0, 5, 40, 10)};

QByteArray storedShape()
{
    QFile file(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/pictures/Velmora.shape"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestShape : public QObject
{
    Q_OBJECT

private slots:
    void aShapeIsWrittenAsItIsRead()
    {
        const QByteArray bytes = stream(TwoRects);
        QCOMPARE(bytes.size(), 4 + 32 + 2 * 16);
        QCOMPARE(bytes.left(36), int32s({64, 32, 1, 2, 32, 0, 0, 40, 15}));
        QCOMPARE(bytes.mid(36), int32s({10, 0, 30, 5, 0, 5, 40, 15}));
        const QByteArray data = FormShape::read(bytes);
        QCOMPARE(FormShape::rectangles(data), TwoRects);
        QCOMPARE(FormShape::bounds(data), QRect(0, 0, 40, 15));
        QCOMPARE(FormShape::write(data), bytes);
        QVERIFY(FormShape::read(QByteArray()).isEmpty());
        QVERIFY(FormShape::write(QByteArray()).isEmpty());
    }

    // Every count is checked against what is there before anything is
    // allocated; a stream that says more than it holds is refused whole.
    void malformedStreamsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        const QByteArray good = stream(TwoRects);
        const QString count = QStringLiteral("byte count");
        const QString head = QStringLiteral("header");
        const QString rects = QStringLiteral("rectangle count");
        QTest::newRow("three bytes") << good.left(3) << QStringLiteral("too short");
        QTest::newRow("count beyond the stream") << good.left(good.size() - 1) << count;
        QTest::newRow("count short of the stream") << good + QByteArray(1, '\0') << count;
        QTest::newRow("negative count") << int32s({-36}) + good.mid(4) << count;
        QTest::newRow("count far beyond the stream") << int32s({0x7fffffff}) + good.mid(4) << count;
        QTest::newRow("no header") << int32s({0}) << head;
        QTest::newRow("half a header") << int32s({16, 32, 1, 0, 0}) << head;
        QTest::newRow("header of another size")
            << int32s({68}) + int32s({40}) + good.mid(8) + QByteArray(4, '\0') << head;
        QTest::newRow("not rectangles") << int32s({64, 32, 2}) + good.mid(12) << head;
        QTest::newRow("more rectangles than there are")
            << int32s({64, 32, 1, 3, 48}) + good.mid(20) << rects;
        QTest::newRow("size not sixteen bytes a rectangle")
            << int32s({64, 32, 1, 2, 33}) + good.mid(20) << rects;
        QTest::newRow("a huge count with a matching size")
            << int32s({64, 32, 1, 0x10000000, 0}) + good.mid(20) << rects;
        QTest::newRow("a count whose size wraps")
            << int32s({64, 32, 1, 0x10000002, 32}) + good.mid(20) << rects;
    }
    void malformedStreamsAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        try {
            FormShape::read(bytes);
            QFAIL("read");
        } catch (const EFormShapeError& e) {
            QVERIFY2(e.message().contains(why), qPrintable(e.message()));
        }
        // A shaper that had a shape, applied, is left with none.
        QWidget window;
        TFormShaper shaper(&window);
        shaper.SetShape(stream(TwoRects));
        shaper.SetActive(true);
        QVERIFY_THROWS_EXCEPTION(EFormShapeError, shaper.SetShape(bytes));
        QCOMPARE(shaper.DataSize(), 0);
        QVERIFY(shaper.Shape().isEmpty());
        QVERIFY(!shaper.Active());
        QVERIFY(window.mask().isEmpty());
    }

    void theStoredShapeComesBackByteForByte()
    {
        const QByteArray stored = storedShape();
        QVERIFY(stored.size() > 36);
        TVelmora splash;
        QCOMPARE(splash.FormShaper1()->Shape(), stored);
        QCOMPARE(splash.FormShaper1()->DataSize(), stored.size() - 4);
        TFormShaper copy(nullptr);
        copy.SetShape(splash.FormShaper1()->Shape());
        QCOMPARE(copy.Shape(), stored);
    }

    // The outline belongs to the banner: made again from the picture, it is
    // the stored one.
    void theStoredShapeIsTheBannersOutline()
    {
        const QImage banner =
            JpegLoader::load(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/pictures/Velmora.jpg"));
        QCOMPARE(banner.size(), QSize(578, 85));
        const QList<QRect> outline =
            FormShape::outline(banner, TVelmora::BannerBackground, TVelmora::BannerTolerance);
        QCOMPARE(stream(outline), storedShape());
        // The banner's corners are cut away, its middle is there.
        QRegion region;
        for (const QRect& r : outline)
            region += r;
        QVERIFY(!region.contains(QPoint(0, 0)) && !region.contains(QPoint(577, 84)));
        QVERIFY(region.contains(QPoint(289, 44)));
    }

    void anOutlineKeepsTheHolesOfItsPicture()
    {
        QImage picture(10, 6, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (int y = 1; y < 5; ++y)
            for (int x = 2; x < 8; ++x)
                picture.setPixel(x, y, qRgb(0, 0, 128));
        picture.setPixel(4, 2, qRgb(255, 255, 255)); // white inside: not background
        QCOMPARE(FormShape::outline(picture, qRgb(255, 255, 255), 10),
                 (QList<QRect>{QRect(2, 1, 6, 4)}));
    }

    void activeAppliesTheShapeOnce()
    {
        QWidget window;
        TFormShaper shaper(&window);
        shaper.SetActive(true);
        QVERIFY(!shaper.Active()); // nothing to apply
        shaper.SetShape(stream(TwoRects));
        QVERIFY(!shaper.Active());
        QVERIFY(window.mask().isEmpty());
        shaper.SetActive(true);
        QVERIFY(shaper.Active());
        QRegion expected;
        for (const QRect& r : TwoRects)
            expected += r;
        QCOMPARE(window.mask(), expected);
        window.clearMask();
        shaper.SetActive(true); // already applied: changes nothing
        QVERIFY(window.mask().isEmpty());
        shaper.SetActive(false);
        QVERIFY(!shaper.Active());
    }

    void anEmptyStreamRemovesTheShape()
    {
        QWidget window;
        TFormShaper shaper(&window);
        QVERIFY(shaper.Shape().isEmpty());
        shaper.SetShape(stream(TwoRects));
        shaper.SetActive(true);
        shaper.SetShape(TFormShaper(nullptr).Shape());
        QVERIFY(window.mask().isEmpty());
        QVERIFY(!shaper.Active());
        QCOMPARE(shaper.DataSize(), 0);
        QVERIFY(shaper.Region().isEmpty());
    }

    void anotherControlIsShapedOnlyWhenActiveAgain()
    {
        QWidget owner, other;
        TFormShaper shaper(&owner);
        shaper.SetShape(stream(TwoRects));
        shaper.SetActive(true);
        shaper.SetControlToShape(&other);
        QVERIFY(owner.mask().isEmpty());
        QVERIFY(other.mask().isEmpty());
        QVERIFY(!shaper.Active());
        shaper.SetActive(true);
        QVERIFY(!other.mask().isEmpty());
        QVERIFY(owner.mask().isEmpty());
    }

    void aDestroyedControlIsForgotten()
    {
        QWidget owner;
        TFormShaper shaper(&owner);
        shaper.SetShape(stream(TwoRects));
        auto* other = new QWidget;
        shaper.SetControlToShape(other);
        shaper.SetActive(true);
        delete other;
        QVERIFY(!shaper.ControlToShape());
        QVERIFY(!shaper.Active());
        shaper.SetActive(true); // the owner again
        QVERIFY(!owner.mask().isEmpty());
        // Without a window to shape nothing happens.
        TFormShaper alone(nullptr);
        alone.SetShape(stream(TwoRects));
        alone.SetActive(true);
        QVERIFY(!alone.Active());
    }

    void theSplashShowsTheShapedBanner()
    {
        TVelmora splash;
        QCOMPARE(splash.size(), QSize(580, 80));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash.windowTitle(), QStringLiteral("Velmora"));
        QLabel* image = splash.Form().Image1;
        QCOMPARE(image->geometry(), QRect(0, 0, 578, 85));
        QCOMPARE(image->toolTip(), QStringLiteral("Højreklik for at lukke"));
        QVERIFY(splash.FormShaper1()->Active());
        QCOMPARE(splash.mask(), splash.FormShaper1()->Region());
        QCOMPARE(splash.mask().boundingRect(), QRect(QPoint(11, 13), QPoint(562, 74)));
        QCOMPARE(splash.PopupMenu1()->actions(), QList<QAction*>{splash.Luk1()});
        QCOMPARE(splash.Luk1()->text(), QStringLiteral("Luk"));
        splash.show();
        splash.Luk1()->trigger();
        QVERIFY(splash.isHidden());
    }

    // The splash goes as soon as another window of the program is the active
    // one, whether or not the splash was the active one before.
    void theSplashIsReleasedOnDeactivation_data()
    {
        QTest::addColumn<bool>("activeFirst");
        QTest::newRow("splash active first") << true;
        QTest::newRow("splash never active") << false;
    }
    void theSplashIsReleasedOnDeactivation()
    {
        QFETCH(bool, activeFirst);
        QPointer<TVelmora> splash = new TVelmora;
        splash->ShowAtOnce();
        if (activeFirst) {
            QVERIFY(QTest::qWaitForWindowActive(splash.data()));
        }
        QVERIFY(splash);
        QWidget main;
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTRY_VERIFY(!splash);
    }
};

QTEST_MAIN(TestShape)
#include "test_shape.moc"
