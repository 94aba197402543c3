#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "VCardTestFiles.h"
#include "core/data/DM.h"
#include "core/store/Table.h"
#include "core/vcard/ContactExchange.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

using F = ContactField;
using Kind = ImportItem::Kind;

// One data folder with its data module, rules bound without a window, and
// a picture folder beside it.
struct Book
{
    TempDataFolder folder;
    TDM dm{nullptr, folder.data()};
    QString pictures = folder.root() + QStringLiteral("/Billeder");
    ContactExchange exchange{dm, pictures};

    Book()
    {
        QDir().mkpath(pictures);
        dm.SetHost(nullptr);
        for (TTable* t : dm.ContactTables())
            t->Open();
    }
    TTable& contacts() { return *dm.TelefonTable; }
    QString file(const QString& name) const { return folder.root() + u'/' + name; }
    QString picture(qint64 regnr) const
    {
        return pictures + u'/' + QString::number(regnr) + QStringLiteral(".jpg");
    }
    QStringList pictureFiles() const { return QDir(pictures).entryList(QDir::Files); }

    // Moves the contact table onto the contact of that name.
    void go(const QString& navn)
    {
        if (!contacts().Locate(QStringLiteral("Navn"), navn))
            qFatal("no contact %s", qPrintable(navn));
    }
    QString field(const char* name)
    {
        return contacts().FieldByName(QLatin1String(name)).AsString();
    }
    // The family rows of the current contact as "FamNavn/FamTelefon/Relation/Dg/Md".
    QStringList family()
    {
        QStringList rows;
        TTable& t = *dm.FamilieTable;
        for (t.First(); !t.Eof(); t.Next()) {
            QStringList row;
            for (const char* f : {"FamNavn", "FamTelefon", "Relation", "Dg", "Md"})
                row << t.FieldByName(QLatin1String(f)).AsString();
            rows << row.join(u'/');
        }
        return rows;
    }
    int count(TTable* t) { return t->RecordCount(); }

    ImportResult importFile(const QString& path, DuplicateChoice choice = DuplicateChoice::Skip)
    {
        return exchange.import(exchange.previewImport(path), choice);
    }
};

QByteArray card(const QByteArray& properties)
{
    return "BEGIN:VCARD\r\nVERSION:4.0\r\n" + properties + "END:VCARD\r\n";
}

void write(const QString& path, const QByteArray& data)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
}

QByteArray manyContacts(int n)
{
    const QByteArray photo = fileBytes(testPicture("gray.jpg")).toBase64();
    QByteArray data;
    for (int i = 0; i < n; ++i)
        data += card("FN:Kontakt " + QByteArray::number(i) + "\r\nTEL:" + QByteArray::number(i) +
                     "\r\nCATEGORIES:Ny" + QByteArray::number(i % 3) +
                     "\r\nFAM1.RELATED;VALUE=text:Barn " + QByteArray::number(i) +
                     "\r\nPHOTO:data:image/jpeg;base64," + photo + "\r\n");
    return data;
}

} // namespace

class TestContactExchange : public QObject
{
    Q_OBJECT
    std::unique_ptr<RecordingDialogs> m_dialogs;

private slots:
    void init() { m_dialogs = std::make_unique<RecordingDialogs>(); }
    void cleanup() { m_dialogs.reset(); }

    void importPostsThroughTheRecordRules()
    {
        Book book;
        const ImportPreview preview =
            book.exchange.previewImport(corpusFile("v21-quoted-printable-windows1252.vcf"));
        QCOMPARE(preview.count(Kind::New), 2);
        const ImportResult result = book.exchange.import(preview, DuplicateChoice::Skip);
        QCOMPARE(result.added, 2);
        book.importFile(corpusFile("v40-related.vcf"));
        book.importFile(corpusFile("v30-grouped-labels.vcf"));

        QCOMPARE(book.count(book.dm.TelefonTable), 4);
        QCOMPARE(book.count(book.dm.RegTable), 4); // one number each, from the counter
        book.go(QStringLiteral("Søren Østergård"));
        QCOMPARE(book.field("Regnr"), QStringLiteral("1"));
        QCOMPARE(book.field("Dg"), QStringLiteral("14"));
        QCOMPARE(book.field("Md"), QStringLiteral("03"));
        QCOMPARE(book.field("FKort"), QStringLiteral("Nej"));
        QCOMPARE(book.field("Land"), QStringLiteral("Danmark"));
        book.go(QStringLiteral("Birthe Kjær"));
        QCOMPARE(book.field("Regnr"), QStringLiteral("2"));
        QCOMPARE(book.field("Land"), QStringLiteral("Danmark")); // the rules' default
        QCOMPARE(book.field("Dg"), QString());

        book.go(QStringLiteral("Mette Dahl"));
        QCOMPARE(book.field("Regnr"), QStringLiteral("3"));
        QCOMPARE(book.field("Fodselsdag"), QStringLiteral("15-03-0004"));
        QCOMPARE(book.field("Dg"), QStringLiteral("15"));
        QCOMPARE(book.field("Md"), QStringLiteral("03"));
        QCOMPARE(book.family(), (QStringList{"Peter Dahl//Ægtefælle//", "Sofie Dahl//Barn//"}));
        QCOMPARE(fileBytes(book.picture(3)), fileBytes(testPicture("gray.jpg")));

        // The keyword arrives in the keyword list too.
        QVERIFY(book.dm.NogleTable->Locate(QStringLiteral("Nogleord"), QStringLiteral("Arbejde")));
        QCOMPARE(book.count(book.dm.NogleTable), 1);
    }

    void duplicatesAreSkippedOrMerged_data()
    {
        QTest::addColumn<int>("choice");
        QTest::newRow("skip") << int(DuplicateChoice::Skip);
        QTest::newRow("merge") << int(DuplicateChoice::Merge);
    }
    void duplicatesAreSkippedOrMerged()
    {
        QFETCH(int, choice);
        Book book;
        addContact(book.contacts(), QStringLiteral("Mette Dahl"), QStringLiteral("+45-86-11-22-33"),
                   {QStringLiteral("Notater"), QStringLiteral("Gammel note"),
                    QStringLiteral("Mobil"), QStringLiteral("11")});
        book.dm.FamilieTable->Insert();
        book.dm.FamilieTable->FieldByName(QStringLiteral("FamNavn")).SetAsString("Peter Dahl");
        book.dm.FamilieTable->FieldByName(QStringLiteral("FamTelefon")).SetAsString("999");
        book.dm.FamilieTable->Post();

        const ImportPreview preview = book.exchange.previewImport(corpusFile("v40-related.vcf"));
        QCOMPARE(preview.count(Kind::Duplicate), 1);
        QVERIFY(!preview.items[0].inFile);
        const ImportResult result = book.exchange.import(preview, DuplicateChoice(choice));

        QCOMPARE(book.count(book.dm.TelefonTable), 1);
        QCOMPARE(book.count(book.dm.RegTable), 1); // no number drawn for a merge
        book.go(QStringLiteral("Mette Dahl"));
        QCOMPARE(book.field("Mobil"), QStringLiteral("11")); // what was there stays
        if (choice == int(DuplicateChoice::Skip)) {
            QCOMPARE(result.skipped, 1);
            QCOMPARE(book.field("EMail"), QString());
            QCOMPARE(book.family(), QStringList{"Peter Dahl/999///"});
            QVERIFY(book.pictureFiles().isEmpty());
            return;
        }
        QCOMPARE(result.merged, 1);
        QCOMPARE(book.field("EMail"), QStringLiteral("mette@example.dk"));
        QCOMPARE(book.field("Notater"), QStringLiteral("Gammel note\nANNIVERSARY: 20050611"));
        QCOMPARE(book.field("Md"), QStringLiteral("03"));
        QCOMPARE(book.family(), (QStringList{"Peter Dahl/999///", "Sofie Dahl//Barn//"}));
        QCOMPARE(book.pictureFiles(), QStringList{"1.jpg"});
    }

    void duplicatesWithinTheFile_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("mail");
        QTest::addColumn<QString>("mobile");
        QTest::newRow("skip") << int(DuplicateChoice::Skip) << "a@example.dk"
                              << "";
        QTest::newRow("merge") << int(DuplicateChoice::Merge) << "a@example.dk"
                               << "22";
    }
    void duplicatesWithinTheFile()
    {
        QFETCH(int, choice);
        QFETCH(QString, mail);
        QFETCH(QString, mobile);
        Book book;
        write(book.file("twice.vcf"), card("FN:Anna\r\nTEL:1\r\nEMAIL:a@example.dk\r\n") +
                                          card("FN:Anna\r\nTEL:1\r\nTEL;TYPE=cell:22\r\n"));
        const ImportPreview preview = book.exchange.previewImport(book.file("twice.vcf"));
        QCOMPARE(preview.count(Kind::New), 1);
        QCOMPARE(preview.count(Kind::Duplicate), 1);
        QVERIFY(preview.items[1].inFile);
        book.exchange.import(preview, DuplicateChoice(choice));
        QCOMPARE(book.count(book.dm.TelefonTable), 1);
        book.go(QStringLiteral("Anna"));
        QCOMPARE(book.field("EMail"), mail);
        QCOMPARE(book.field("Mobil"), mobile);
    }

    void unreadableContactsAreListedAndLeftOut()
    {
        Book book;
        write(
            book.file("mixed.vcf"),
            card("FN:God\r\n") + card("FN:Dårlig\r\nPHOTO;ENCODING=b:%%%\r\n") +
                card("FN:Også god\r\nFAM1.RELATED;VALUE=text:X\r\nFAM2.RELATED;VALUE=text:X\r\n"));
        const ImportPreview preview = book.exchange.previewImport(book.file("mixed.vcf"));
        QCOMPARE(preview.count(Kind::New), 2);
        QCOMPARE(preview.count(Kind::Unreadable), 1);
        QCOMPARE(preview.items[1].line, 5);
        QCOMPARE(preview.items[1].reason, QStringLiteral("Linje 8: ugyldig base64-kodning."));
        book.exchange.import(preview, DuplicateChoice::Skip);
        QCOMPARE(book.count(book.dm.TelefonTable), 2);
        book.go(QStringLiteral("Også god"));
        QCOMPARE(book.family(), QStringList{"X////"}); // a repeated member name is taken once
    }

    void unusablePicturesAreLeftOutWithANote()
    {
        Book book;
        const QByteArray bad = fileBytes(testPicture("not-a-picture.jpg")).toBase64();
        write(book.file("bad.vcf"),
              card("FN:Anna\r\nPHOTO:data:image/jpeg;base64," + bad + "\r\n"));
        const ImportPreview preview = book.exchange.previewImport(book.file("bad.vcf"));
        QCOMPARE(preview.items[0].kind, Kind::New);
        QCOMPARE(preview.items[0].notes.size(), 1);
        QVERIFY(preview.items[0].notes[0].startsWith(
            QStringLiteral("Billedet er udeladt, fordi det ikke er et brugbart JPEG-billede")));
        book.exchange.import(preview, DuplicateChoice::Skip);
        QCOMPARE(book.count(book.dm.TelefonTable), 1);
        QVERIFY(book.pictureFiles().isEmpty());
    }

    void cancelledOrFailedImportPostsNothing_data()
    {
        QTest::addColumn<int>("stopAt");
        QTest::addColumn<bool>("fail"); // a failure instead of a cancel
        QTest::newRow("cancel at once") << 0 << false;
        QTest::newRow("cancel near the end") << 5 << false;
        QTest::newRow("failure in the middle") << 3 << true;
    }
    void cancelledOrFailedImportPostsNothing()
    {
        QFETCH(int, stopAt);
        QFETCH(bool, fail);
        Book book;
        addContact(book.contacts(), QStringLiteral("Der før"), QStringLiteral("0"));
        write(book.file("many.vcf"), manyContacts(200));
        const ImportPreview preview = book.exchange.previewImport(book.file("many.vcf"));
        int calls = 0;
        const auto stop = [&](qint64, qint64) {
            if (calls++ < stopAt)
                return true;
            if (fail)
                throw Exception(QStringLiteral("disk on fire"));
            return false;
        };
        try {
            book.exchange.import(preview, DuplicateChoice::Skip, stop);
            QFAIL("the import went through");
        } catch (const EAbort&) {
            QVERIFY(!fail);
        } catch (const Exception& e) {
            QCOMPARE(e.message(), QStringLiteral("disk on fire"));
        }
        QCOMPARE(book.count(book.dm.TelefonTable), 1);
        QCOMPARE(book.count(book.dm.RegTable), 1);
        QCOMPARE(book.count(book.dm.FamAllTable), 0);
        QCOMPARE(book.count(book.dm.NogleTable), 0);
        QVERIFY(book.pictureFiles().isEmpty());

        // The files and cursors go on working: the same import then succeeds.
        const ImportResult result = book.exchange.import(preview, DuplicateChoice::Skip);
        QCOMPARE(result.added, 200);
        QCOMPARE(book.count(book.dm.TelefonTable), 201);
        QCOMPARE(book.count(book.dm.FamAllTable), 200);
        QCOMPARE(book.count(book.dm.NogleTable), 3);
        QCOMPARE(int(book.pictureFiles().size()), 200);
    }

    void brokenFilePostsNothing()
    {
        Book book;
        QByteArray data = fileBytes(corpusFile("v40-related.vcf"));
        data.chop(20);
        write(book.file("cut.vcf"), data);
        QVERIFY_THROWS_EXCEPTION(EVCardError, book.exchange.previewImport(book.file("cut.vcf")));
        QVERIFY_THROWS_EXCEPTION(Exception, book.exchange.previewImport(book.file("missing.vcf")));
        QCOMPARE(book.count(book.dm.TelefonTable), 0);
    }

    void theWindowsCursorHearsOnceAndSeesAll()
    {
        Book book;
        addContact(book.contacts(), QStringLiteral("Anna"), QStringLiteral("1"),
                   {QStringLiteral("Nogleord"), QStringLiteral("Golf")});
        book.contacts().SetFilter(QStringLiteral("Nogleord = 'Golf'"));
        book.contacts().SetFiltered(true);
        int changes = 0;
        connect(book.dm.TelefonSource, &TDataSource::dataChange, this, [&] { ++changes; });
        write(book.file("many.vcf"), manyContacts(50));
        book.importFile(book.file("many.vcf"));
        QVERIFY2(changes <= 2, qPrintable(QString::number(changes)));
        book.contacts().SetFiltered(false);
        QCOMPARE(book.count(book.dm.TelefonTable), 51);
    }

    void exportFollowsTheShownContactsInTheirOrder()
    {
        Book book;
        addContact(book.contacts(), QStringLiteral("Anna"), QStringLiteral("30"),
                   {QStringLiteral("Nogleord"), QStringLiteral("X")});
        addContact(book.contacts(), QStringLiteral("Bo"), QStringLiteral("10"),
                   {QStringLiteral("Nogleord"), QStringLiteral("Y")});
        addContact(book.contacts(), QStringLiteral("Carl"), QStringLiteral("20"),
                   {QStringLiteral("Nogleord"), QStringLiteral("X")});
        book.contacts().SetFilter(QStringLiteral("Nogleord = 'X'"));
        book.contacts().SetFiltered(true);
        book.contacts().SetIndexName(QStringLiteral("IndexTelefon"));
        const ExportResult result =
            book.exchange.exportVCards(book.file("out.vcf"), VCardVersion::V40);
        QCOMPARE(result.contacts, 2);
        const auto entries = VCardReader::read(fileBytes(book.file("out.vcf")));
        QCOMPARE(int(entries.size()), 2);
        QCOMPARE(entries[0].contact[F::Navn], QStringLiteral("Carl"));
        QCOMPARE(entries[1].contact[F::Navn], QStringLiteral("Anna"));
    }

    void exportAndImportGiveBackEveryField_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("4.0") << int(VCardVersion::V40);
        QTest::newRow("3.0") << int(VCardVersion::V30);
    }
    void exportAndImportGiveBackEveryField()
    {
        QFETCH(int, version);
        Book from;
        QStringList every;
        for (int i = int(F::Telefon) + 1; i < ContactFieldCount; ++i) {
            const QString name = fieldName(ContactField(i));
            QString value = name + QStringLiteral(" æ, ;\\ ") + QString::number(i);
            if (ContactField(i) == F::Fodselsdag)
                value = QStringLiteral("29-02-1972");
            else if (ContactField(i) == F::Reminder)
                value = QStringLiteral("3");
            else if (ContactField(i) == F::FKort || ContactField(i) == F::JKort)
                value = QStringLiteral("Ja");
            else if (ContactField(i) == F::Notater)
                value = QStringLiteral("Linje 1\nLinje 2");
            every << name << value;
        }
        addContact(from.contacts(), QStringLiteral("Anna Ærø"), QStringLiteral("12"), every);
        addContact(from.contacts(), QStringLiteral("Bo"), QString(),
                   {QStringLiteral("Land"), QString()});
        from.go(QStringLiteral("Anna Ærø"));
        TTable& family = *from.dm.FamilieTable;
        for (const char* member : {"Ida", "Ole"}) {
            family.Insert();
            family.FieldByName(QStringLiteral("FamNavn")).SetAsString(QLatin1String(member));
            family.FieldByName(QStringLiteral("FamTelefon")).SetAsString(QStringLiteral("77"));
            family.FieldByName(QStringLiteral("Fodselsdag"))
                .SetAsString(QStringLiteral("01-02-2003"));
            family.FieldByName(QStringLiteral("Relation")).SetAsString(QStringLiteral("datter"));
            family.FieldByName(QStringLiteral("Notater")).SetAsString(QStringLiteral("a;b,c"));
            family.Post();
        }
        QFile::copy(testPicture("valid.jpg"), from.picture(1));
        from.exchange.exportVCards(from.file("all.vcf"), VCardVersion(version));

        Book to;
        const ImportResult result = to.importFile(from.file("all.vcf"));
        QCOMPARE(result.added, 2);
        for (const QString& navn : {QStringLiteral("Anna Ærø"), QStringLiteral("Bo")}) {
            from.go(navn);
            to.go(navn);
            for (int i = 0; i < from.contacts().FieldCount(); ++i) {
                const QString name = from.contacts().Fields(i).FieldName();
                QCOMPARE(name + u'=' + to.contacts().Fields(i).AsString(),
                         name + u'=' + from.contacts().Fields(i).AsString());
            }
            QCOMPARE(to.family(), from.family());
        }
        QCOMPARE(fileBytes(to.picture(1)), fileBytes(testPicture("valid.jpg")));
        QCOMPARE(to.pictureFiles(), QStringList{"1.jpg"});
    }

    void cancelledExportLeavesTheOldFile()
    {
        Book book;
        for (int i = 0; i < 100; ++i)
            addContact(book.contacts(), QStringLiteral("K%1").arg(i), QString::number(i));
        write(book.file("old.vcf"), "old");
        QVERIFY_THROWS_EXCEPTION(
            EAbort, book.exchange.exportVCards(book.file("old.vcf"), VCardVersion::V40,
                                               [](qint64 done, qint64) { return done < 64; }));
        QCOMPARE(fileBytes(book.file("old.vcf")), QByteArray("old"));
    }

    void calendarHasEveryBirthdayWithItsContactsReminder()
    {
        Book book;
        addContact(book.contacts(), QStringLiteral("Anna"), QStringLiteral("1"),
                   {QStringLiteral("Fodselsdag"), QStringLiteral("09-01-1970"),
                    QStringLiteral("Reminder"), QStringLiteral("3"), QStringLiteral("Nogleord"),
                    QStringLiteral("X")});
        book.dm.FamilieTable->Insert();
        book.dm.FamilieTable->FieldByName(QStringLiteral("FamNavn")).SetAsString("Ida");
        book.dm.FamilieTable->FieldByName(QStringLiteral("Relation")).SetAsString("datter");
        book.dm.FamilieTable->FieldByName(QStringLiteral("Fodselsdag")).SetAsString("29-02-2004");
        book.dm.FamilieTable->Post();
        addContact(book.contacts(), QStringLiteral("Bo"), QStringLiteral("2"),
                   {QStringLiteral("Fodselsdag"), QStringLiteral("01-05-1980")});
        addContact(book.contacts(), QStringLiteral("Carl"), QStringLiteral("3"));
        // The calendar takes everyone, whatever the windows show.
        book.contacts().SetFilter(QStringLiteral("Nogleord = 'X'"));
        book.contacts().SetFiltered(true);

        QCOMPARE(book.exchange.exportCalendar(book.file("b.ics")), 3);
        const QByteArray ics = fileBytes(book.file("b.ics"));
        QCOMPARE(ics.count("BEGIN:VEVENT"), 3);
        QVERIFY(ics.contains("SUMMARY:Fødselsdag: Ida (datter\\, Anna)\r\n"));
        QVERIFY(ics.contains("DTSTART;VALUE=DATE:20040229\r\nDTEND;VALUE=DATE:20040301\r\n"
                             "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1\r\n"));
        QCOMPARE(ics.count("TRIGGER:-P2DT15H"), 2); // Anna's three days, for her and Ida
        QCOMPARE(ics.count("TRIGGER:PT9H"), 1);     // Bo without a reminder: on the day
    }
};

QTEST_GUILESS_MAIN(TestContactExchange)
#include "test_contactexchange.moc"
