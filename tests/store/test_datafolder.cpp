// The delivered data folder and the table files on disk: what it holds,
// name order, file name matching, permissions, and broken or blocked files.
#include "StoreTestHelpers.h"
#include "TestSupport.h"

#include "core/store/DataFolder.h"
#include "core/store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestDataFolder : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;

    static QString mode(const QString& path)
    {
        struct stat st
        {
        };
        ::stat(QFile::encodeName(path).constData(), &st);
        return QString::number(st.st_mode & 0777, 8);
    }

private slots:
    void init() { m_folder = std::make_unique<TempDataFolder>(); }

    // Each file holds its table, the sort keys beside the fields kept in a
    // Danish order (a key and its source: two columns each) with the
    // collation's version in "SortKeys", and the indexes.
    void deliveredTables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("fields");
        QTest::addColumn<int>("sortedFields");
        QTest::addColumn<QString>("primaryKey");
        QTest::addColumn<QStringList>("indexes");
        QTest::addColumn<int>("rows");
        QTest::newRow("Telefon") << "Telefon.DB"
                                 << "Telefon" << 36 << 2 << "Navn,Telefon"
                                 << QStringList{"Telefon_IndexFodsel", "Telefon_IndexTelefon",
                                                "Telefon_Order", "Telefon_Reminders",
                                                "Telefon_SortPending"}
                                 << 0;
        QTest::newRow("Familie") << "Familie.db"
                                 << "Familie" << 9 << 3 << "Navn,Telefon,FamNavn"
                                 << QStringList{"Familie_IndexFodsel", "Familie_Order",
                                                "Familie_SortPending"}
                                 << 0;
        QTest::newRow("Postnr") << "Postnr.DB"
                                << "Postnr" << 2 << 1 << "Postnr"
                                << QStringList{"Postnr_IndexBy", "Postnr_Order",
                                               "Postnr_SortPending"}
                                << 1121;
        QTest::newRow("Nogleord") << "Nogleord.DB"
                                  << "Nogleord" << 1 << 1 << "Nogleord"
                                  << QStringList{"Nogleord_Order", "Nogleord_SortPending"} << 0;
        QTest::newRow("Regnr") << "Regnr.DB"
                               << "Regnr" << 1 << 0 << "Regnr" << QStringList{"Regnr_Order"} << 0;
        QTest::newRow("Config") << "Config.DB"
                                << "Config" << 4 << 0 << "" << QStringList() << 1;
    }

    void deliveredTables()
    {
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(int, fields);
        QFETCH(int, sortedFields);
        QFETCH(QString, primaryKey);
        QFETCH(QStringList, indexes);
        QFETCH(int, rows);
        QVERIFY(QFileInfo(m_folder->file(file)).isFile());
        RawConnection raw(m_folder->file(file));
        QStringList tables{table};
        if (sortedFields > 0)
            tables << "SortKeys";
        tables.sort();
        QCOMPARE(raw.query("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
                 tables);
        QCOMPARE(
            raw.query(QStringLiteral("SELECT count(*) FROM pragma_table_info('%1')").arg(table)),
            QStringList{QString::number(fields + 2 * sortedFields)});
        QCOMPARE(raw.query(QStringLiteral("SELECT group_concat(name) FROM (SELECT name FROM "
                                          "pragma_table_info('%1') WHERE pk > 0 ORDER BY pk)")
                               .arg(table)),
                 QStringList{primaryKey});
        QStringList found = raw.query("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                      "name NOT LIKE 'sqlite_autoindex%' ORDER BY name");
        QCOMPARE(found, indexes);
        QCOMPARE(raw.query(QStringLiteral("SELECT count(*) FROM %1").arg(table)),
                 QStringList{QString::number(rows)});
        if (sortedFields > 0)
            QCOMPARE(raw.query("SELECT Locale FROM SortKeys"), QStringList{"da_DK"});
        // The record store opens it, with every field reachable by name.
        auto t = openTable(m_folder->data(), file);
        QCOMPARE(t->FieldCount(), fields);
        QCOMPARE(t->RecordCount(), rows);
    }

    void deliveredRecords()
    {
        auto config = openTable(m_folder->data(), "Config.DB");
        QCOMPARE(config->FieldByName("Sprog").AsInteger(), -1);
        QCOMPARE(config->FieldByName("Datapost").AsString(), QString());
        QCOMPARE(config->FieldByName("H_Main").AsInteger(), 600);
        QCOMPARE(config->FieldByName("W_Main").AsInteger(), 1024);
        auto post = openTable(m_folder->data(), "Postnr.DB");
        QVERIFY(post->FindKey("8000"));
        QCOMPARE(post->FieldByName("Bynavn").AsString(), QStringLiteral("Aarhus C"));
        post->Last();
        QCOMPARE(post->FieldByName("Postnr").AsString(), QStringLiteral("9990"));
    }

    void permissions()
    {
        QCOMPARE(mode(m_folder->data()), QStringLiteral("700"));
        for (const auto* table : Schema::all())
            QCOMPARE(mode(m_folder->file(table->fileName)), QStringLiteral("600"));
        // An existing folder is never rebuilt.
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 DataFolder::createDelivered(m_folder->data(), postalCodesCsv()));
        QCOMPARE(RawConnection(m_folder->file("Config.DB")).query("SELECT count(*) FROM Config"),
                 QStringList{"1"});
    }

    void danishNameOrder()
    {
        auto t = openTable(m_folder->data(), "Telefon.DB");
        const QStringList expected = {"Adam", "anders", "Bo",       "Zealand",
                                      "Ærø",  "Øster",  "Aabenraa", "Århus"};
        const QStringList shuffled = {"Århus",    "Bo",      "Øster", "anders",
                                      "Aabenraa", "Zealand", "Adam",  "Ærø"};
        for (const QString& name : shuffled)
            addContact(*t, name, "1");
        QCOMPARE(column(*t, "Navn"), expected);
        t->Close();
        t->Open(); // the order comes from the stored index as well
        QCOMPARE(column(*t, "Navn"), expected);
        // Equal letters in another case are still two different keys.
        addContact(*t, "ADAM", "1");
        QCOMPARE(t->RecordCount(), 9);
    }

    void fileNamesIgnoreCase()
    {
        auto lower = openTable(m_folder->data(), "Familie.db");
        auto upper = openTable(m_folder->data(), "Familie.DB");
        addContact(*lower, "Anna", "1", {"FamNavn", "Ole"});
        QCOMPARE(upper->RecordCount(), 1);
        QCOMPARE(DataFolder::resolve(m_folder->data(), "FAMILIE.DB"), m_folder->file("Familie.db"));

        QVERIFY(QFile::rename(m_folder->file("Telefon.DB"), m_folder->file("TELEFON.db")));
        auto telefon = openTable(m_folder->data(), "Telefon.DB");
        addContact(*telefon, "Anna", "1");
        QVERIFY(!QFileInfo::exists(m_folder->file("Telefon.DB")));
        QCOMPARE(RawConnection(m_folder->file("TELEFON.db")).query("SELECT Navn FROM Telefon"),
                 QStringList{"Anna"});
    }

    void brokenTableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("corrupt") << "corrupt";
        QTest::newRow("empty") << "empty";
        QTest::newRow("locked") << "locked";
        QTest::newRow("other table") << "other table";
    }

    void brokenTableFile()
    {
        QFETCH(QString, kind);
        const QString path = m_folder->file("Telefon.DB");
        std::unique_ptr<RawConnection> holder;
        if (kind == u"missing") {
            QVERIFY(QFile::remove(path));
        } else if (kind == u"corrupt" || kind == u"empty") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            if (kind == u"corrupt")
                f.write(
                    QByteArray("this is no table file at all, just some garbage bytes\x01\x02\xff")
                        .repeated(200));
        } else if (kind == u"locked") {
            holder = std::make_unique<RawConnection>(path);
            QCOMPARE(holder->exec("BEGIN EXCLUSIVE"), SQLITE_OK);
        } else if (kind == u"other table") {
            RawConnection raw(path);
            QCOMPARE(raw.exec("DROP TABLE Telefon; CREATE TABLE Telefon (Navn TEXT)"), SQLITE_OK);
        }
        const bool existed = QFileInfo::exists(path);
        const QByteArray before = existed ? fileContents(path) : QByteArray();
        const QStringList filesBefore = QDir(m_folder->data()).entryList(QDir::Files);

        TTable t(nullptr, "TelefonTable");
        t.SetDatabaseName(m_folder->data());
        t.SetTableName("Telefon.DB");
        try {
            t.Open();
            QFAIL("the table opened");
        } catch (const EDatabaseError& e) {
            QVERIFY2(e.message().contains("Telefon.DB"), qPrintable(e.message()));
        }
        QVERIFY(!t.Active());
        QCOMPARE(QFileInfo::exists(path), existed);
        if (existed)
            QCOMPARE(fileContents(path), before);
        QCOMPARE(QDir(m_folder->data()).entryList(QDir::Files), filesBefore);

        // Once the cause is gone the same table object opens.
        if (kind == u"locked") {
            holder->exec("ROLLBACK");
            t.Open();
            QVERIFY(t.Active());
        }
    }

    void readOnlyFolderRefusesThePost()
    {
        auto t = openTable(m_folder->data(), "Telefon.DB");
        addContact(*t, "Anna", "1");
        const QString data = m_folder->data();
        // Root writes through the permission bits, so there the journal the
        // post needs is blocked by a folder in its place instead.
        const bool root = ::geteuid() == 0;
        const QString journal = m_folder->file("Telefon.DB-journal");
        if (root)
            QVERIFY(QDir().mkdir(journal));
        QVERIFY(::chmod(QFile::encodeName(data).constData(), 0500) == 0);

        t->Edit();
        t->FieldByName("Adresse1").SetAsString("Vejen 2");
        bool thrown = false;
        try {
            t->Post();
        } catch (const EDatabaseError& e) {
            thrown = true;
            QVERIFY2(e.message().contains("Telefon.DB"), qPrintable(e.message()));
        }
        ::chmod(QFile::encodeName(data).constData(), 0700);
        if (root)
            QDir().rmdir(journal);
        QVERIFY(thrown);
        QCOMPARE(t->State(), DataSetState::Edit);
        QCOMPARE(t->FieldByName("Adresse1").AsString(), QStringLiteral("Vejen 2"));
        QCOMPARE(RawConnection(m_folder->file("Telefon.DB"))
                     .query("SELECT ifnull(Adresse1, '') FROM Telefon"),
                 QStringList{""});
        t->Post(); // writable again: the same edit goes through
        QCOMPARE(RawConnection(m_folder->file("Telefon.DB")).query("SELECT Adresse1 FROM Telefon"),
                 QStringList{"Vejen 2"});
    }

    void missingDataFolder()
    {
        TTable t;
        t.SetDatabaseName(m_folder->root() + "/Nowhere");
        t.SetTableName("Telefon.DB");
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, t.Open());
        QVERIFY(!QFileInfo::exists(m_folder->root() + "/Nowhere"));
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_datafolder.moc"
