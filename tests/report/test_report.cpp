#include "TestSupport.h"
#include "core/report/PhoneListLayout.h"
#include "core/report/TextFit.h"
#include "gui/report/ReportPainter.h"

#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Record = std::array<QString, 7>;

Record contact(int i)
{
    const QString n = QString::number(i).rightJustified(2, u'0');
    return {QStringLiteral("Kontakt %1").arg(n), QStringLiteral("Vej %1").arg(n),
            QStringLiteral("Etage %1").arg(n),   QStringLiteral("2100"),
            QStringLiteral("København Ø"),       QStringLiteral("3030%1").arg(n),
            QStringLiteral("4040%1").arg(n)};
}

ReportDocument layOut(const QString& title, const std::vector<Record>& records)
{
    PhoneListLayout layout(title);
    for (const Record& r : records)
        layout.addRecord(r.data());
    return layout.finish();
}

std::vector<Record> contacts(int count)
{
    std::vector<Record> records;
    for (int i = 1; i <= count; ++i)
        records.push_back(contact(i));
    return records;
}

QList<BandKind> kinds(const ReportPage& page)
{
    QList<BandKind> result;
    for (const ReportBand& b : page.bands)
        result << b.kind;
    return result;
}

const ReportBand& bandOf(const ReportPage& page, BandKind kind)
{
    for (const ReportBand& b : page.bands)
        if (b.kind == kind)
            return b;
    static const ReportBand none{};
    return none;
}

QStringList texts(const ReportBand& band)
{
    QStringList result;
    for (const ReportText& t : band.texts)
        result << t.text;
    return result;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void fortyContactsTakeTwoPages()
    {
        const ReportDocument doc = layOut(QStringLiteral("Telefonliste"), contacts(40));
        QCOMPARE(doc.paper, QSizeF(297, 210));
        QCOMPARE(int(doc.pages.size()), 2);
        const ReportPage& one = doc.pages[0];
        const ReportPage& two = doc.pages[1];
        QList<BandKind> first{BandKind::Title, BandKind::ColumnHeader};
        for (int i = 0; i < 25; ++i)
            first << BandKind::Detail;
        first << BandKind::PageFooter;
        QCOMPARE(kinds(one), first);
        QList<BandKind> second{BandKind::ColumnHeader};
        for (int i = 0; i < 15; ++i)
            second << BandKind::Detail;
        second << BandKind::PageFooter;
        QCOMPARE(kinds(two), second);
        const QStringList captions{"Fornavn",       "Adresse1", "Adresse2",
                                   "Postnr/Bynavn", "Telefon",  "Mobil"};
        QCOMPARE(texts(bandOf(one, BandKind::ColumnHeader)), captions);
        QCOMPARE(texts(bandOf(two, BandKind::ColumnHeader)), captions);
        QCOMPARE(texts(bandOf(one, BandKind::Title)), QStringList{"Telefonliste"});
        QCOMPARE(texts(bandOf(one, BandKind::PageFooter)), QStringList{"Side 1"});
        QCOMPARE(texts(bandOf(two, BandKind::PageFooter)), QStringList{"Side 2"});
        // The second page goes on where the first stopped.
        QCOMPARE(two.bands[1].texts.front().text, QStringLiteral("Kontakt 26"));
    }

    void bandsLieWhereTheLayoutPutsThem()
    {
        const ReportDocument doc = layOut(QStringLiteral("Telefonliste"), contacts(30));
        const ReportPage& one = doc.pages[0];
        const ReportBand& title = one.bands[0];
        QCOMPARE(title.rect, QRectF(10, 10, 277, 13.5));
        QCOMPARE(title.texts.front().box, QRectF(10, 11.1, 277, 8.7));
        QCOMPARE(title.texts.front().style, ReportStyle::Title);
        QVERIFY(title.texts.front().alignment & Qt::AlignHCenter);
        const ReportBand& header = one.bands[1];
        QCOMPARE(header.rect, QRectF(10, 23.5, 277, 7.1));
        QCOMPARE(header.background, QColor(192, 192, 192));
        QVERIFY(header.frame);
        const ReportBand& detail = one.bands[2];
        QCOMPARE(detail.rect, QRectF(10, 30.6, 277, 6.35));
        const QList<QPair<qreal, qreal>> boxes{{2.1, 59.0},  {63.5, 53.2},  {119.3, 51.6},
                                               {173.8, 9.5}, {184.9, 36.0}, {223.3, 25.4},
                                               {249.8, 25.4}};
        QCOMPARE(int(detail.texts.size()), boxes.size());
        for (int i = 0; i < boxes.size(); ++i) {
            const QRectF box = detail.texts[size_t(i)].box;
            QCOMPARE(box, QRectF(10 + boxes[i].first, 30.6 + 1.1, boxes[i].second, 4.5));
            QVERIFY(detail.texts[size_t(i)].alignment & Qt::AlignLeft);
        }
        QCOMPARE(texts(detail), (QStringList{"Kontakt 01", "Vej 01", "Etage 01", "2100",
                                             "København Ø", "303001", "404001"}));
        const ReportBand& footer = one.bands.back();
        QCOMPARE(footer.rect, QRectF(10, 193.65, 277, 6.35));
        QCOMPARE(footer.texts.front().box, QRectF(10 + 252.9, 193.65 + 1.1, 20.1, 4.5));
        QVERIFY(footer.texts.front().alignment & Qt::AlignRight);
        for (const ReportPage& page : doc.pages) {
            const ReportBand* previous = nullptr;
            for (const ReportBand& band : page.bands) {
                QVERIFY(band.rect.bottom() <= 200.0 + 1e-9);
                if (previous)
                    QVERIFY(band.rect.top() >= previous->rect.bottom() - 1e-9);
                previous = &band;
            }
        }
    }

    void emptyTitleKeepsItsBandAndPrintsNothing()
    {
        const ReportDocument doc = layOut(QString(), contacts(1));
        QCOMPARE(doc.pages[0].bands[0].kind, BandKind::Title);
        QVERIFY(doc.pages[0].bands[0].texts.empty());
    }

    void noRecordNoPage() { QVERIFY(layOut(QStringLiteral("Telefonliste"), {}).pages.empty()); }

    void valueWiderThanItsBoxShowsItsFirstLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("cut");
        QTest::newRow("fits") << "Anna Hansen" << false;
        QTest::newRow("long name")
            << "Anne-Marie Christiansen Østergaard Bundgaard Frederiksen Hjortshøj" << true;
        QTest::newRow("a line break") << "Anna\nHansen" << true;
    }
    void valueWiderThanItsBoxShowsItsFirstLine()
    {
        QFETCH(QString, name);
        QFETCH(bool, cut);
        Record r = contact(1);
        r[0] = name;
        const ReportDocument doc = layOut(QString(), {r});
        const ReportBand& detail = doc.pages[0].bands[2];
        QCOMPARE(detail.rect.height(), 6.35);
        const QString shown = detail.texts.front().text;
        TextFit fit(ReportStyle::Plain);
        QVERIFY2(fit.widthMm(shown) <= 59.0, qPrintable(shown));
        if (!cut) {
            QCOMPARE(shown, name);
            return;
        }
        // Whole words from the start, and not one more that would fit.
        QVERIFY(name.startsWith(shown));
        QVERIFY(shown.size() < name.size());
        QVERIFY(!name.at(shown.size()).isLetter());
        const QString withNextWord = name.left(name.indexOf(u' ', shown.size() + 1));
        QVERIFY(fit.widthMm(withNextWord) > 59.0 || name.contains(u'\n'));
    }

    // Drawn through the printer's PDF engine and read back as text.
    void printedPdfReadsAsLaidOut()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
        {
            QPrinter printer(QPrinter::HighResolution);
            ReportPainter::setUpPrinter(printer);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            std::vector<Record> records = contacts(40);
            records[0][0] = QStringLiteral("Anne-Marie Christiansen Østergaard Bundgaard Hjort");
            ReportPainter::paint(printer, layOut(QStringLiteral("Telefonliste"), records));
        }
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        QCOMPARE(pages[0].count(QStringLiteral("Telefonliste")), 1);
        QCOMPARE(pages[1].count(QStringLiteral("Telefonliste")), 0);
        for (const QString& page : pages) {
            QCOMPARE(page.count(QStringLiteral("Fornavn")), 1);
            QVERIFY(page.contains(QStringLiteral("Postnr/Bynavn")));
        }
        QVERIFY(pages[0].contains(QStringLiteral("Side 1")));
        QVERIFY(pages[1].contains(QStringLiteral("Side 2")));
        QVERIFY(pages[0].contains(QStringLiteral("Kontakt 25")));
        QVERIFY(pages[1].contains(QStringLiteral("Kontakt 26")));
        QVERIFY(pages[1].contains(QStringLiteral("København Ø")));
        QVERIFY(pages[0].contains(QStringLiteral("Anne-Marie")));
        QVERIFY(!text.contains(QStringLiteral("Hjort")));

        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(30000));
        const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(
            infoText.contains(QStringLiteral("landscape")) ||
                infoText.contains(QRegularExpression(QStringLiteral("841.89 x 595.27|842 x 595"))),
            qPrintable(infoText));
    }
};

QTEST_MAIN(TestReport)
#include "test_report.moc"
