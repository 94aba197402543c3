#include "TestSupport.h"
#include "bookgen/BookGenerator.h"
#include "core/data/DM.h"
#include "core/util/JpegLoader.h"

#include <QDir>
#include <QTest>
#include <sqlite3.h>

namespace {

// Every record of a table as one line of its stored texts, in the table's order.
QStringList rowsOf(TTable& table)
{
    std::vector<int> fields;
    for (int f = 0; f < table.FieldCount(); ++f)
        fields.push_back(f);
    QStringList rows;
    table.TextsInOrder(fields, [&](const QString* row) {
        rows << QStringList(row, row + fields.size()).join(u'|');
    });
    return rows;
}

QString integrityOf(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* check = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
    QString result;
    while (sqlite3_step(check) == SQLITE_ROW)
        result += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
    sqlite3_finalize(check);
    sqlite3_close(db);
    return result;
}

QString text(TTable& t, const char* field)
{
    return t.FieldByName(QLatin1String(field)).AsString();
}

} // namespace

class TestBookGen : public QObject
{
    Q_OBJECT

    static constexpr int Contacts = 300;

private slots:
    void generatedBookOpensWithItsCountsRight()
    {
        TempDataFolder folder;
        BookGen::Options options;
        options.contacts = Contacts;
        options.pictureFolder = folder.root() + QStringLiteral("/Billeder");
        const BookGen::Summary made = BookGen::fill(folder.data(), options);
        QCOMPARE(made.contacts, Contacts);

        TDM dm(nullptr, folder.data());
        for (TTable* t :
             {dm.PostTable, dm.RegTable, dm.TelefonTable, dm.FamAllTable, dm.NogleTable})
            t->Open();
        TTable& contacts = *dm.TelefonTable;
        QCOMPARE(contacts.RecordCount(), Contacts);
        QCOMPARE(dm.FamAllTable->RecordCount(), made.familyMembers);
        QCOMPARE(dm.NogleTable->RecordCount(), made.keywords);
        // Every contact drew its number; the next one follows the last.
        QCOMPARE(dm.RegTable->RecordCount(), Contacts);
        QCOMPARE(dm.DrawRecordNumber(), Contacts + 1);

        QSet<QString> postal, keywords, keys, regnrs, months;
        for (dm.PostTable->First(); !dm.PostTable->Eof(); dm.PostTable->Next())
            postal.insert(text(*dm.PostTable, "Postnr") + u'|' + text(*dm.PostTable, "Bynavn"));
        for (dm.NogleTable->First(); !dm.NogleTable->Eof(); dm.NogleTable->Next())
            keywords.insert(text(*dm.NogleTable, "Nogleord"));
        for (contacts.First(); !contacts.Eof(); contacts.Next()) {
            keys.insert(text(contacts, "Navn") + u'|' + text(contacts, "Telefon"));
            regnrs.insert(text(contacts, "Regnr"));
            QVERIFY2(postal.contains(text(contacts, "Postnr") + u'|' + text(contacts, "Bynavn")),
                     qPrintable(text(contacts, "Postnr")));
            const QString keyword = text(contacts, "Nogleord");
            QVERIFY(keyword.isEmpty() || keywords.contains(keyword));
            // The rules derived the day and month from the birthday.
            const QString birthday = text(contacts, "Fodselsdag");
            QCOMPARE(text(contacts, "Md"), birthday.mid(3, 2));
            if (!birthday.isEmpty())
                months.insert(birthday.mid(3, 2));
        }
        QCOMPARE(regnrs.size(), Contacts);
        // The contact to show at the next start is one of them.
        dm.ConfigTable->Open();
        QVERIFY(contacts.Locate(QStringLiteral("Telefon"), text(*dm.ConfigTable, "Datapost")));
        QCOMPARE(months.size(), 12);

        QMap<QString, int> familySizes;
        TTable& family = *dm.FamAllTable;
        for (family.First(); !family.Eof(); family.Next()) {
            const QString owner = text(family, "Navn") + u'|' + text(family, "Telefon");
            QVERIFY2(keys.contains(owner), qPrintable(owner));
            QCOMPARE(text(family, "Dg"), text(family, "Fodselsdag").left(2));
            ++familySizes[owner];
        }
        for (int members : familySizes)
            QVERIFY(members >= 1 && members <= 4);
        QVERIFY(familySizes.size() < Contacts); // some have none

        // The pictures belong to contacts and are pictures the program shows.
        const QStringList pictures = QDir(options.pictureFolder).entryList(QDir::Files);
        QCOMPARE(pictures.size(), made.pictures);
        QVERIFY(made.pictures > 0);
        for (const QString& name : pictures) {
            QVERIFY2(regnrs.contains(QFileInfo(name).baseName()), qPrintable(name));
            QVERIFY(!JpegLoader::load(QDir(options.pictureFolder).filePath(name)).isNull());
        }

        for (const QString& file : QDir(folder.data()).entryList(QDir::Files))
            QCOMPARE(integrityOf(folder.file(file)), QStringLiteral("ok"));
    }

    void sameSeedMakesTheSameBook()
    {
        QStringList books[3];
        const quint32 seeds[3] = {7, 7, 8};
        for (int i = 0; i < 3; ++i) {
            TempDataFolder folder;
            BookGen::Options options;
            options.contacts = 50;
            options.seed = seeds[i];
            BookGen::fill(folder.data(), options);
            TDM dm(nullptr, folder.data());
            dm.TelefonTable->Open();
            dm.FamAllTable->Open();
            books[i] = rowsOf(*dm.TelefonTable) + rowsOf(*dm.FamAllTable);
        }
        QCOMPARE(books[0], books[1]);
        QVERIFY(books[0] != books[2]);
    }

    void bookIsRefusedWhereAFolderIs()
    {
        TempDataFolder folder;
        QVERIFY_THROWS_EXCEPTION(
            Exception, BookGen::make(folder.data(), postalCodesCsv(), BookGen::Options{}));
    }
};

QTEST_GUILESS_MAIN(TestBookGen)
#include "test_bookgen.moc"
