#include "TestSupport.h"
#include "VCardTestFiles.h"
#include "core/vcard/BirthdayCalendar.h"
#include "core/vcard/VCardReader.h"
#include "core/vcard/VCardWriter.h"

#include <QFile>
#include <QStringDecoder>
#include <QTest>

namespace {

using F = ContactField;

QByteArray corpus(const QString& name)
{
    return fileBytes(corpusFile(name));
}

QByteArray pictureBytes(const char* name)
{
    return fileBytes(testPicture(name));
}

ContactField fieldNamed(const QString& name)
{
    for (int i = 0; i < ContactFieldCount; ++i)
        if (fieldName(ContactField(i)) == name)
            return ContactField(i);
    qFatal("no field %s", qPrintable(name));
}

// Every field a test fills, each with a text that tries the escapes.
ContactRecord fullContact()
{
    ContactRecord c;
    for (int i = 0; i < ContactFieldCount; ++i)
        c.values[size_t(i)] = fieldName(ContactField(i)) + QStringLiteral(" æøå, ; \\ é");
    c[F::Navn] = QStringLiteral("Åse Marie Ærø-Jensen");
    c[F::Notater] = QStringLiteral("Første linje\nAnden linje; med semikolon, komma og \\");
    c[F::ArbNotat] = QString(200, u'ø') + QStringLiteral("\n\nlang note");
    c[F::Fodselsdag] = QStringLiteral("09-01-1970");
    c[F::Reminder] = QStringLiteral("7");
    c[F::FKort] = QStringLiteral("Ja");
    c[F::JKort] = QStringLiteral("Nej");
    c[F::Nogleord] = QStringLiteral("Venner, gamle");
    c.picture = pictureBytes("valid.jpg");
    FamilyRecord spouse;
    spouse[FamilyField::FamNavn] = QStringLiteral("Bo Ærø-Jensen");
    spouse[FamilyField::FamTelefon] = QStringLiteral("12 34 56 78");
    spouse[FamilyField::Fodselsdag] = QStringLiteral("29-02-1968");
    spouse[FamilyField::Relation] = QStringLiteral("Ægtefælle");
    spouse[FamilyField::Notater] = QStringLiteral("Kan lide; kaffe,\nog kage");
    FamilyRecord child;
    child[FamilyField::FamNavn] = QStringLiteral("Lille Ida");
    child[FamilyField::Fodselsdag] = QStringLiteral("15-03-0004");
    child[FamilyField::Relation] = QStringLiteral("datter");
    c.family = {spouse, child};
    return c;
}

ContactRecord readOne(const QByteArray& data)
{
    const auto entries = VCardReader::read(data);
    if (entries.size() != 1 || !entries[0].error.isEmpty())
        qFatal("expected one readable contact: %s",
               entries.empty() ? "none" : qPrintable(entries[0].error));
    return entries[0].contact;
}

// Content lines of an iCalendar or vCard text, unfolded, with the check
// that every physical line is CRLF-ended, at most 75 octets and whole UTF-8.
QStringList unfoldedLines(const QByteArray& data)
{
    QStringList lines;
    for (QByteArray physical : data.split('\n')) {
        if (physical.isEmpty())
            continue;
        if (!physical.endsWith('\r'))
            qFatal("line without CR: %s", physical.constData());
        physical.chop(1);
        if (physical.size() > 75)
            qFatal("line longer than 75 octets: %s", physical.constData());
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(physical);
        if (utf8.hasError())
            qFatal("line folded inside a character: %s", physical.constData());
        if (text.startsWith(u' ') && !lines.isEmpty())
            lines.last() += text.sliced(1);
        else
            lines << text;
    }
    return lines;
}

QString calendarText(const QString& escaped)
{
    QString out;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == u'\\' && i + 1 < escaped.size()) {
            ++i;
            out += escaped[i] == u'n' ? QChar(u'\n') : escaped[i];
        } else {
            out += escaped[i];
        }
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(ContactRecord)

class TestVCardFormat : public QObject
{
    Q_OBJECT

private slots:
    // --- the corpus -------------------------------------------------------------

    void corpusContacts_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QStringList>("expected"); // field=value

        QTest::newRow("2.1 quoted-printable Windows-1252")
            << "v21-quoted-printable-windows1252.vcf" << 0
            << QStringList{
                   "Navn=Søren Østergård",
                   "ArbFirma=Bøgh & Co., Salg",
                   "Stilling=Sælger",
                   "ArbTfl=86 12 34 56",
                   "Telefon=86 65 43 21",
                   "Mobil=20 30 40 50",
                   "ArbFax=86 12 34 99",
                   "ArbAdresse=Fabriksvej 3, Bygning 2",
                   "ArbBy=Århus C",
                   "ArbPostnr=8000",
                   "Adresse1=Vestergårdsvej 12",
                   "Adresse2=",
                   "Postnr=8240",
                   "Bynavn=Risskov",
                   "Land=Danmark",
                   "ArbHjemmeside=http://www.boegh.dk",
                   "EMail=soeren@boegh.dk",
                   "Notater=Mødt på messen i 2004.\nSpørg efter ham i receptionen, pris € 50.",
                   "Fodselsdag=14-03-1965"};
        QTest::newRow("2.1 second contact of the file")
            << "v21-quoted-printable-windows1252.vcf" << 1
            << QStringList{"Navn=Birthe Kjær", "Telefon=98 12 12 12", "EMail=birthe@example.dk"};
        QTest::newRow("2.1 quoted-printable UTF-8 from a phone")
            << "v21-phone-utf8.vcf" << 0
            << QStringList{"Navn=Maja Æblegaard", "Mobil=+4522334455", "Telefon=+4586112233",
                           "EMail=maja@example.dk",
                           "Notater=Køb gave til hendes fødselsdag, hun elsker blåbær."};
        QTest::newRow("2.1 preferred mobile and work phone")
            << "v21-phone-utf8.vcf" << 1
            << QStringList{"Navn=Ole Berg", "Mobil=+4540506070", "ArbTfl=+4570101010",
                           "Fodselsdag=30-07-1982"};
        QTest::newRow("3.0 grouped properties with labels")
            << "v30-grouped-labels.vcf" << 0
            << QStringList{"Navn=Karen Marie Lund",
                           "ArbFirma=Lund Tegnestue",
                           "Stilling=Arkitekt",
                           "ArbMail=karen@lundtegnestue.dk",
                           "Mobil=+45 31 32 33 34",
                           "Telefon=+45 98 76 54 32",
                           "Adresse1=Strandvejen 100",
                           "Adresse2=Lejlighed 3",
                           "Bynavn=Hellerup",
                           "Postnr=2900",
                           "Land=Danmark",
                           "ArbHjemmeside=https://www.lundtegnestue.dk",
                           "ArbTfl=+45 33 44 55 66",
                           "ArbAdresse=Bredgade 20",
                           "ArbBy=København K",
                           "ArbPostnr=1260",
                           "Fodselsdag=23-11-1971",
                           "Nogleord=Arbejde",
                           "Notater=Tegnede vores carport, 2019.\nRing efter kl. "
                           "9.\nCATEGORIES: Håndværkere"};
        QTest::newRow("3.0 several phones and e-mail addresses")
            << "v30-several-types.vcf" << 0
            << QStringList{"Navn=Jens Hansen",
                           "Telefon=11111111",
                           "AltTelefon=22222222",
                           "Mobil=33333333",
                           "ArbTfl=55555555",
                           "Fax=66666666",
                           "ArbFax=77777777",
                           "EMail=jens@hjem.dk",
                           "ArbMail=jens@firma.dk",
                           "Notater=TEL (cell): 44444444\nTEL (pager): 88888888\nEMAIL: "
                           "jens.hansen@post.dk"};
        QTest::newRow("3.0 the preferred phone first")
            << "v30-several-types.vcf" << 1
            << QStringList{"Navn=Lise Holm", "Telefon=20202020", "AltTelefon=10101010"};
        QTest::newRow("4.0 birthday without a year, phone as URI")
            << "v40-related.vcf" << 0
            << QStringList{"Navn=Mette Dahl",         "Fodselsdag=15-03-0004",
                           "Telefon=+45-86-11-22-33", "Mobil=+45 21 22 23 24",
                           "EMail=mette@example.dk",  "Notater=ANNIVERSARY: 20050611"};
    }
    void corpusContacts()
    {
        QFETCH(QString, file);
        QFETCH(int, entry);
        QFETCH(QStringList, expected);
        const auto entries = VCardReader::read(corpus(file));
        QVERIFY(entry < int(entries.size()));
        const VCardEntry& e = entries[size_t(entry)];
        QCOMPARE(e.error, QString());
        for (const QString& pair : expected) {
            const qsizetype eq = pair.indexOf(u'=');
            const QString name = pair.first(eq);
            QCOMPARE(name + u'=' + e.contact[fieldNamed(name)], pair);
        }
    }

    void corpusPicturesAreTheJpegBytes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("2.1 base64 block") << "v21-phone-utf8.vcf";
        QTest::newRow("4.0 data URI") << "v40-related.vcf";
    }
    void corpusPicturesAreTheJpegBytes()
    {
        QFETCH(QString, file);
        const auto entries = VCardReader::read(corpus(file));
        QCOMPARE(entries[0].contact.picture, pictureBytes("gray.jpg"));
    }

    void relatedEntriesBecomeFamilyMembers()
    {
        const ContactRecord c = readOne(corpus("v40-related.vcf"));
        QCOMPARE(int(c.family.size()), 2); // the urn:uuid reference is no name
        QCOMPARE(c.family[0][FamilyField::FamNavn], QStringLiteral("Peter Dahl"));
        QCOMPARE(c.family[0][FamilyField::Relation], QStringLiteral("Ægtefælle"));
        QCOMPARE(c.family[1][FamilyField::FamNavn], QStringLiteral("Sofie Dahl"));
        QCOMPARE(c.family[1][FamilyField::Relation], QStringLiteral("Barn"));
    }

    void nameFromStructuredNameOrCompany_data()
    {
        QTest::addColumn<QByteArray>("properties");
        QTest::addColumn<QString>("name");
        QTest::newRow("N only") << QByteArray("N:Jensen;Anna;Marie;Dr.;\r\n")
                                << "Dr. Anna Marie Jensen";
        QTest::newRow("ORG only") << QByteArray("ORG:Bageriet A/S\r\n") << "Bageriet A/S";
        QTest::newRow("FN wins") << QByteArray("N:Jensen;Anna\r\nFN:Anna J.\r\n") << "Anna J.";
    }
    void nameFromStructuredNameOrCompany()
    {
        QFETCH(QByteArray, properties);
        QFETCH(QString, name);
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n" + properties + "END:VCARD\r\n";
        QCOMPARE(readOne(card)[F::Navn], name);
    }

    void valuesNotInTheFileStayNull()
    {
        // The import leaves the record rules' defaults where the file is silent.
        const ContactRecord c = readOne("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nEND:VCARD\r\n");
        QVERIFY(c[F::Land].isNull());
        QVERIFY(c[F::FKort].isNull());
        const ContactRecord foreign =
            readOne("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nADR:;;Vej 1;By;;1234;\r\nEND:VCARD\r\n");
        QVERIFY(foreign[F::Land].isNull());
    }

    // --- round trips --------------------------------------------------------------

    void roundTripGivesBackEveryField_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<ContactRecord>("contact");
        const auto both = [](const char* name, const ContactRecord& c) {
            QTest::addRow("4.0 %s", name) << int(VCardVersion::V40) << c;
            QTest::addRow("3.0 %s", name) << int(VCardVersion::V30) << c;
        };
        both("every field", fullContact());
        ContactRecord bare;
        bare[F::Navn] = QStringLiteral("Kun Navn");
        bare[F::Land] = QStringLiteral("");
        bare[F::FKort] = QStringLiteral("");
        bare[F::JKort] = QStringLiteral("Ja");
        both("empty country and card mark", bare);
        ContactRecord leap = bare;
        leap[F::Fodselsdag] = QStringLiteral("29-02-2000");
        leap[F::Telefon] = QStringLiteral("1");
        leap[F::AltTelefon] = QStringLiteral("2"); // a second plain phone without a first
        leap[F::Telefon] = QString();
        both("leap day and a lone other phone", leap);
        ContactRecord noYear = bare;
        noYear[F::Fodselsdag] = QStringLiteral("31-12-0004");
        noYear[F::Reminder] = QStringLiteral("-1");
        both("no year and a negative reminder", noYear);
    }
    void roundTripGivesBackEveryField()
    {
        QFETCH(int, version);
        QFETCH(ContactRecord, contact);
        QByteArray file;
        VCardWriter::append(file, contact, VCardVersion(version));
        VCardWriter::append(file, contact, VCardVersion(version));
        unfoldedLines(file); // folded as the format asks
        const auto entries = VCardReader::read(file);
        QCOMPARE(int(entries.size()), 2);
        for (const VCardEntry& e : entries) {
            QCOMPARE(e.error, QString());
            for (int i = 0; i < ContactFieldCount; ++i)
                QCOMPARE(fieldName(ContactField(i)) + u'=' + e.contact.values[size_t(i)],
                         fieldName(ContactField(i)) + u'=' + contact.values[size_t(i)]);
            QCOMPARE(int(e.contact.family.size()), int(contact.family.size()));
            for (size_t m = 0; m < contact.family.size(); ++m)
                QCOMPARE(e.contact.family[m].values, contact.family[m].values);
            QCOMPARE(e.contact.picture, contact.picture);
        }
    }

    void writerUsesTheVersionsOwnForms()
    {
        ContactRecord c = fullContact();
        c[F::Fodselsdag] = QStringLiteral("15-03-0004");
        QByteArray v4, v3;
        VCardWriter::append(v4, c, VCardVersion::V40);
        VCardWriter::append(v3, c, VCardVersion::V30);
        const QStringList l4 = unfoldedLines(v4), l3 = unfoldedLines(v3);
        QVERIFY(l4.contains(QStringLiteral("VERSION:4.0")));
        QVERIFY(l4.contains(QStringLiteral("BDAY:--0315")));
        QVERIFY(l3.contains(QStringLiteral("VERSION:3.0")));
        QVERIFY(l3.contains(QStringLiteral("BDAY:--03-15")));
        QVERIFY(l4.filter(QStringLiteral("PHOTO:data:image/jpeg;base64,")).size() == 1);
        QVERIFY(l3.filter(QStringLiteral("PHOTO;ENCODING=b;TYPE=JPEG:")).size() == 1);
        QVERIFY(l4.contains(QStringLiteral("CATEGORIES:Venner\\, gamle")));
        QVERIFY(!l4.filter(QStringLiteral("FAM1.RELATED;VALUE=text;TYPE=spouse:")).isEmpty());
        QVERIFY(!l4.filter(QStringLiteral("FAM2.RELATED;VALUE=text;TYPE=child:")).isEmpty());
    }

    // --- broken files -------------------------------------------------------------

    void brokenFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("wholeFile"); // else: the one contact is unreadable
        QTest::addColumn<QString>("message");

        const QByteArray head = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\n";
        const QByteArray tail = "END:VCARD\r\n";
        QByteArray truncated = corpus(QStringLiteral("v40-related.vcf"));
        truncated.truncate(truncated.indexOf("PHOTO") + 40);
        QTest::newRow("truncated in a picture") << truncated << true
                                                << "Filen slutter i linje 12, før kontakten fra "
                                                   "linje 1 er afsluttet med END:VCARD.";
        QTest::newRow("no END") << head << true
                                << "Filen slutter i linje 3, før kontakten fra linje 1 er "
                                   "afsluttet med END:VCARD.";
        QTest::newRow("nested card never closed")
            << QByteArray(head + "AGENT:\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n") << true
            << "Filen slutter i linje 7, før kontakten fra linje 1 er afsluttet med END:VCARD.";
        QTest::newRow("10 MB line")
            << QByteArray(head + "NOTE:" + QByteArray(10 << 20, 'x') + "\r\n" + tail) << true
            << "Linje 4 er længere end 8 MB og kan ikke læses.";
        QByteArray folded = head + "NOTE:";
        for (int i = 0; i < 110; ++i)
            folded += QByteArray(100000, 'y') + "\r\n ";
        QTest::newRow("10 MB of folded lines") << QByteArray(folded + "\r\n" + tail) << true
                                               << "Linje 4 er længere end 8 MB og kan ikke læses.";
        QTest::newRow("not a vCard") << QByteArray("Hello\r\n") << true
                                     << "Linje 1 står uden for en kontakt (mellem END:VCARD og "
                                        "BEGIN:VCARD).";
        QTest::newRow("empty file") << QByteArray() << true
                                    << "Filen indeholder ingen vCard-kontakter (BEGIN:VCARD "
                                       "mangler).";
        QTest::newRow("bad base64") << QByteArray(head + "PHOTO;ENCODING=b:/9j/4AA!!QSk\r\n" + tail)
                                    << false << "Linje 4: ugyldig base64-kodning.";
        QTest::newRow("bad base64 in a data URI")
            << QByteArray(head + "PHOTO:data:image/jpeg;base64,/9j/*\r\n" + tail) << false
            << "Linje 4: ugyldig base64-kodning.";
        QTest::newRow("unknown charset")
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=KOI8-R:\xf0\xf2\r\n" + tail)
            << false << "Linje 3: ukendt tegnsæt \"KOI8-R\".";
        QTest::newRow("declared UTF-8 that is not")
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8:S\xf8ren\r\n" + tail)
            << false << "Linje 3: teksten er ikke gyldig UTF-8.";
        QTest::newRow("bad quoted-printable")
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:A=ZZ\r\n" +
                          tail)
            << false << "Linje 3: ugyldig quoted-printable-kodning.";
        QTest::newRow("bad date") << QByteArray(head + "BDAY:1970-02-30\r\n" + tail) << false
                                  << "Linje 4: \"1970-02-30\" er ikke en gyldig dato.";
        QTest::newRow("no colon") << QByteArray(head + "TEL;TYPE=HOME 1234\r\n" + tail) << false
                                  << "Linje 4: linjen mangler kolon mellem navn og værdi.";
        QTest::newRow("no name") << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nTEL:1\r\n" + tail)
                                 << false << "Kontakten fra linje 1 har intet navn.";
        QTest::newRow("unknown version")
            << QByteArray("BEGIN:VCARD\r\nVERSION:5.0\r\nFN:A\r\n" + tail) << false
            << "Linje 2: vCard-version 5.0 kendes ikke.";
    }
    void brokenFiles()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, wholeFile);
        QFETCH(QString, message);
        if (wholeFile) {
            try {
                VCardReader::read(data);
                QFAIL("the file was read");
            } catch (const EVCardError& e) {
                QCOMPARE(e.message(), message);
            }
            return;
        }
        // The broken contact is named, and the good one after it still reads.
        const QByteArray good = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bo\r\nEND:VCARD\r\n";
        const auto entries = VCardReader::read(data + good);
        QCOMPARE(int(entries.size()), 2);
        QCOMPARE(entries[0].error, message);
        QCOMPARE(entries[1].error, QString());
        QCOMPARE(entries[1].contact[F::Navn], QStringLiteral("Bo"));
    }

    void lineEndingsAndByteOrderMarks_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray card = "BEGIN:VCARD\nVERSION:3.0\nFN:Søren\n  Ø\nEND:VCARD\n";
        QTest::newRow("LF only") << card;
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF" + card);
        const QString text = QString::fromUtf8(card);
        QByteArray utf16("\xFF\xFE");
        utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        QTest::newRow("UTF-16 little endian") << utf16;
    }
    void lineEndingsAndByteOrderMarks()
    {
        QFETCH(QByteArray, data);
        QCOMPARE(readOne(data)[F::Navn], QStringLiteral("Søren Ø"));
    }

    void progressCanStopTheReading()
    {
        QByteArray many;
        for (int i = 0; i < 300; ++i)
            many +=
                "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:N" + QByteArray::number(i) + "\r\nEND:VCARD\r\n";
        int calls = 0;
        QVERIFY_THROWS_EXCEPTION(EAbort, VCardReader::read(many, [&](qint64 done, qint64 total) {
                                     [&] { QVERIFY(done <= total); }();
                                     return ++calls < 2;
                                 }));
        QCOMPARE(calls, 2);
    }

    // --- calendar -------------------------------------------------------------------

    void calendarParsesBack()
    {
        const QDateTime stamp(QDate(2026, 1, 2), QTime(10, 11, 12), Qt::UTC);
        const std::vector<CalendarBirthday> birthdays = {
            {QStringLiteral("contact/1"),
             QStringLiteral("Fødselsdag: Anna; \"A\", \\ og mere ") + QString(60, u'æ'),
             QDate(1970, 1, 9), 7},
            {QStringLiteral("contact/2"), QStringLiteral("Fødselsdag: Bo"), QDate(1968, 2, 29), 0},
            {QStringLiteral("family/2/Ida"), QStringLiteral("Fødselsdag: Ida (datter, Bo)"),
             QDate(Birthday::NoYear, 3, 15), 1},
            {QStringLiteral("contact/3"), QStringLiteral("no birthday"), QDate(), 0}};
        const QStringList lines = unfoldedLines(BirthdayCalendar::write(birthdays, stamp));
        QCOMPARE(lines.first(), QStringLiteral("BEGIN:VCALENDAR"));
        QCOMPARE(lines.last(), QStringLiteral("END:VCALENDAR"));
        QVERIFY(lines.contains(QStringLiteral("VERSION:2.0")));
        QVERIFY(lines.filter(QStringLiteral("PRODID:")).size() == 1);

        struct Event
        {
            QHash<QString, QString> p;
            QStringList alarm;
        };
        std::vector<Event> events;
        int depth = 0;
        bool inAlarm = false;
        for (const QString& l : lines) {
            if (l == u"BEGIN:VEVENT") {
                events.emplace_back();
                ++depth;
            } else if (l == u"END:VEVENT") {
                --depth;
            } else if (l == u"BEGIN:VALARM") {
                inAlarm = true;
            } else if (l == u"END:VALARM") {
                inAlarm = false;
            } else if (depth == 1 && inAlarm) {
                events.back().alarm << l;
            } else if (depth == 1) {
                const qsizetype colon = l.indexOf(u':');
                events.back().p.insert(l.first(colon), l.sliced(colon + 1));
            }
        }
        QCOMPARE(depth, 0);
        QCOMPARE(int(events.size()), 3); // the one without a birthday has no event

        const Event& anna = events[0];
        QCOMPARE(calendarText(anna.p.value("SUMMARY")), birthdays[0].summary);
        QCOMPARE(anna.p.value("DTSTART;VALUE=DATE"), QStringLiteral("19700109"));
        QCOMPARE(anna.p.value("DTEND;VALUE=DATE"), QStringLiteral("19700110"));
        QCOMPARE(anna.p.value("RRULE"), QStringLiteral("FREQ=YEARLY"));
        QCOMPARE(anna.p.value("DTSTAMP"), QStringLiteral("20260102T101112Z"));
        QVERIFY(anna.alarm.contains(QStringLiteral("ACTION:DISPLAY")));
        QVERIFY(anna.alarm.contains(QStringLiteral("TRIGGER:-P6DT15H"))); // 09:00, 7 days ahead

        const Event& bo = events[1];
        QCOMPARE(bo.p.value("DTSTART;VALUE=DATE"), QStringLiteral("19680229"));
        QCOMPARE(bo.p.value("RRULE"), QStringLiteral("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1"));
        QVERIFY(bo.alarm.contains(QStringLiteral("TRIGGER:PT9H")));

        const Event& ida = events[2];
        QCOMPARE(ida.p.value("DTSTART;VALUE=DATE"), QStringLiteral("20000315"));
        QVERIFY(ida.alarm.contains(QStringLiteral("TRIGGER:-PT15H")));

        // Stable and distinct identifiers.
        QSet<QString> uids;
        for (const Event& e : events)
            uids.insert(e.p.value("UID"));
        QCOMPARE(uids.size(), 3);
        QCOMPARE(anna.p.value("UID"), BirthdayCalendar::uid(QStringLiteral("contact/1")));
        QVERIFY(!QUuid::fromString(anna.p.value("UID")).isNull());
    }

    void reminderTriggers_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<QByteArray>("trigger");
        QTest::newRow("on the day") << 0 << QByteArray("PT9H");
        QTest::newRow("the day before") << 1 << QByteArray("-PT15H");
        QTest::newRow("two weeks") << 14 << QByteArray("-P13DT15H");
        QTest::newRow("a day after") << -1 << QByteArray("P1DT9H");
    }
    void reminderTriggers()
    {
        QFETCH(int, days);
        QFETCH(QByteArray, trigger);
        QCOMPARE(BirthdayCalendar::trigger(days), trigger);
    }
};

QTEST_GUILESS_MAIN(TestVCardFormat)
#include "test_vcardformat.moc"
