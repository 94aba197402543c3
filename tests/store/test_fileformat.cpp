// The table files as other programs meet them: the system's sqlite3 counts,
// sorts, checks, dumps and writes them; rows it writes take their place in
// the program; keys of another collation version are made again; and files
// of the program's earlier format are upgraded, or left as they were when
// the upgrade fails.
#include "StoreTestHelpers.h"
#include "TestSupport.h"

#include "core/store/DanishOrder.h"
#include "core/store/FormatUpgrade.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cstring>
#include <sys/stat.h>

namespace {

const QStringList DanishOrderOfNames = {"Adam", "anders", "Bo",       "Zealand",
                                        "Ærø",  "Øster",  "Aabenraa", "Århus"};
const QStringList ShuffledNames = {"Århus",    "Bo",      "Øster", "anders",
                                   "Aabenraa", "Zealand", "Adam",  "Ærø"};

// The table files with fields kept in Danish order, as the program's earlier
// version wrote them: name indexes ordered by a collation it registered.
const char* const EarlierFormat[][2] = {
    {"Telefon.DB",
     R"(CREATE TABLE "Telefon" ("Navn" TEXT NOT NULL DEFAULT '', "Telefon" TEXT NOT NULL DEFAULT '', "Adresse1" TEXT, "Adresse2" TEXT, "Postnr" TEXT, "Bynavn" TEXT, "Land" TEXT, "Mobil" TEXT, "AltTelefon" TEXT, "Fax" TEXT, "EMail" TEXT, "Hjemmeside" TEXT, "Notater" CLOB, "Fodselsdag" DATE, "Dg" TEXT, "Md" TEXT, "Reminder" INTEGER, "FKort" TEXT, "JKort" TEXT, "Nogleord" TEXT, "Regnr" INTEGER, "Billede" TEXT, "FKortDato" TEXT, "Lokal" TEXT, "ArbFirma" TEXT, "Stilling" TEXT, "ArbAdresse" TEXT, "ArbPostnr" TEXT, "ArbBy" TEXT, "ArbTfl" TEXT, "ArbLokal" TEXT, "ArbAltNr" TEXT, "ArbFax" TEXT, "ArbMail" TEXT, "ArbHjemmeside" TEXT, "ArbNotat" CLOB, PRIMARY KEY ("Navn", "Telefon"));
CREATE INDEX "Telefon_Order" ON "Telefon" ("Navn" COLLATE DANISH, "Telefon" COLLATE DANISH);
CREATE INDEX "Telefon_IndexTelefon" ON "Telefon" ("Telefon" COLLATE BINARY, "Navn" COLLATE DANISH);
CREATE INDEX "Telefon_IndexFodsel" ON "Telefon" ("Md" COLLATE BINARY, "Dg" COLLATE BINARY, "Navn" COLLATE DANISH, "Telefon" COLLATE DANISH);
INSERT INTO Telefon (Navn, Telefon, Adresse1) VALUES ('Århus', '1', 'Vej 1'), ('Bo', '2', 'Vej 2'), ('Øster', '3', NULL), ('anders', '4', NULL), ('Aabenraa', '5', NULL), ('Zealand', '6', NULL), ('Adam', '7', NULL), ('Ærø', '8', NULL);)"},
    {"Familie.db",
     R"(CREATE TABLE "Familie" ("Navn" TEXT NOT NULL DEFAULT '', "Telefon" TEXT NOT NULL DEFAULT '', "FamNavn" TEXT NOT NULL DEFAULT '', "FamTelefon" TEXT, "Fodselsdag" DATE, "Relation" TEXT, "Notater" CLOB, "Dg" TEXT, "Md" TEXT, PRIMARY KEY ("Navn", "Telefon", "FamNavn"));
CREATE INDEX "Familie_Order" ON "Familie" ("Navn" COLLATE DANISH, "Telefon" COLLATE DANISH, "FamNavn" COLLATE DANISH);
CREATE INDEX "Familie_IndexFodsel" ON "Familie" ("Md" COLLATE BINARY, "Dg" COLLATE BINARY, "FamNavn" COLLATE DANISH, "Navn" COLLATE DANISH);
INSERT INTO Familie (Navn, Telefon, FamNavn) VALUES ('Bo', '2', 'Åse'), ('Bo', '2', 'Ib');)"},
    {"Postnr.DB",
     R"(CREATE TABLE "Postnr" ("Postnr" TEXT NOT NULL DEFAULT '', "Bynavn" TEXT, PRIMARY KEY ("Postnr"));
CREATE INDEX "Postnr_Order" ON "Postnr" ("Postnr" COLLATE BINARY);
CREATE INDEX "Postnr_IndexBy" ON "Postnr" ("Bynavn" COLLATE DANISH_NOCASE, "Postnr" COLLATE BINARY);
INSERT INTO Postnr VALUES ('8000', 'Aarhus C'), ('5000', 'Odense C'), ('9990', 'Skagen');)"},
    {"Nogleord.DB",
     R"(CREATE TABLE "Nogleord" ("Nogleord" TEXT NOT NULL DEFAULT '', PRIMARY KEY ("Nogleord"));
CREATE INDEX "Nogleord_Order" ON "Nogleord" ("Nogleord" COLLATE DANISH);
INSERT INTO Nogleord VALUES ('Øl'), ('Golf'), ('Ærter');)"}};

int binaryCollation(void*, int lenA, const void* a, int lenB, const void* b)
{
    const int r = std::memcmp(a, b, size_t(std::min(lenA, lenB)));
    return r != 0 ? r : lenA - lenB;
}

// Replaces the folder's keyed table files by files of the earlier format.
void writeEarlierFormat(const TempDataFolder& folder)
{
    for (const auto& [file, sql] : EarlierFormat) {
        const QString path = folder.file(QString::fromLatin1(file));
        QFile::remove(path);
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        // The order inside the old indexes does not matter here, only that
        // the collations they name exist while they are written.
        sqlite3_create_collation(db, "DANISH", SQLITE_UTF8, nullptr, binaryCollation);
        sqlite3_create_collation(db, "DANISH_NOCASE", SQLITE_UTF8, nullptr, binaryCollation);
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QCOMPARE(rc, SQLITE_OK);
        ::chmod(QFile::encodeName(path).constData(), S_IRUSR | S_IWUSR);
    }
}

QStringList keyedFiles()
{
    return {"Telefon.DB", "Familie.db", "Postnr.DB", "Nogleord.DB"};
}

// The system's sqlite3 on a file; its standard output, one row a line.
QString runSqlite3(const QString& file, const QStringList& commands, const QByteArray& input = {})
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), QStringList{QStringLiteral("-batch"), file} + commands);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000))
        return QStringLiteral("<sqlite3 did not finish>");
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

QString lines(const QStringList& rows)
{
    return rows.join(u'\n');
}

} // namespace

class TestFileFormat : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;

    static void requireSqlite3()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            QSKIP("the system's sqlite3 is not installed");
    }

    // A folder as the program leaves it after some use.
    void writeWithTheProgram()
    {
        auto telefon = openTable(m_folder->data(), "Telefon.DB");
        for (int i = 0; i < ShuffledNames.size(); ++i)
            addContact(*telefon, ShuffledNames[i], QString::number(i));
        auto familie = openTable(m_folder->data(), "Familie.db");
        addContact(*familie, "Bo", "1", {"FamNavn", "Åse"});
        addContact(*familie, "Bo", "1", {"FamNavn", "Ib"});
        auto nogleord = openTable(m_folder->data(), "Nogleord.DB");
        for (const char* word : {"Øl", "Golf", "Ærter"}) {
            nogleord->Insert();
            nogleord->FieldByName("Nogleord").SetAsString(QString::fromUtf8(word));
            nogleord->Post();
        }
    }

    QStringList namesInTheProgram(const QString& folder)
    {
        return column(*openTable(folder, "Telefon.DB"), "Navn");
    }

private slots:
    void init() { m_folder = std::make_unique<TempDataFolder>(); }

    void sortKeysOrderAsTheCollator_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("Z before Æ") << "Zealand"
                                    << "Ærø";
        QTest::newRow("Æ before Ø") << "Ærø"
                                    << "Øster";
        QTest::newRow("Ø before Å") << "Øster"
                                    << "Århus";
        QTest::newRow("aa as Å") << "Aabenraa"
                                 << "Århus";
        QTest::newRow("aa after z") << "Zink"
                                    << "Aage";
        QTest::newRow("case last") << "Adam"
                                   << "adam";
        QTest::newRow("case does not split") << "adam"
                                             << "Anders";
        QTest::newRow("spaces count") << "Bo Ib"
                                      << "Boas";
        QTest::newRow("digits one by one") << "Bo 10"
                                           << "Bo 9";
        QTest::newRow("empty first") << ""
                                     << "A";
        QTest::newRow("accents") << "Eric"
                                 << "Éric";
    }

    void sortKeysOrderAsTheCollator()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QCollator collator(QLocale(QLocale::Danish, QLocale::Denmark));
        collator.setCaseSensitivity(Qt::CaseSensitive);
        QVERIFY(collator.compare(a, b) < 0);
        QVERIFY(DanishOrder::compare(a, b) < 0);
        QVERIFY(DanishOrder::sortKey(a) < DanishOrder::sortKey(b));
        // Without case, texts that differ in case alone share their key.
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        const int ignoring = collator.compare(a, b);
        const QByteArray ka = DanishOrder::sortKey(a, true), kb = DanishOrder::sortKey(b, true);
        QCOMPARE(ka < kb, ignoring < 0);
        QCOMPARE(ka == kb, ignoring == 0);
        QCOMPARE(DanishOrder::sortKey(a.toUpper(), true), ka);
    }

    void systemSqlite3UsesTheFiles_data()
    {
        QTest::addColumn<bool>("used");
        QTest::newRow("delivered folder") << false;
        QTest::newRow("folder the program wrote") << true;
    }

    void systemSqlite3UsesTheFiles()
    {
        requireSqlite3();
        QFETCH(bool, used);
        if (used)
            writeWithTheProgram();
        const auto file = [&](const char* name) { return m_folder->file(QLatin1String(name)); };
        QCOMPARE(runSqlite3(file("Telefon.DB"), {"select count(*) from Telefon"}),
                 used ? QStringLiteral("8") : QStringLiteral("0"));
        QCOMPARE(runSqlite3(file("Postnr.DB"), {"select count(*) from Postnr"}),
                 QStringLiteral("1121"));
        for (const QString& name : QDir(m_folder->data()).entryList(QDir::Files))
            QCOMPARE(runSqlite3(m_folder->file(name), {"PRAGMA integrity_check"}),
                     QStringLiteral("ok"));
        if (used) {
            QCOMPARE(
                runSqlite3(file("Telefon.DB"), {"select Navn from Telefon order by Navn_Sort"}),
                lines(DanishOrderOfNames));
            QCOMPARE(runSqlite3(file("Nogleord.DB"),
                                {"select Nogleord from Nogleord order by Nogleord_Sort"}),
                     QStringLiteral("Golf\nÆrter\nØl"));
        }
        QCOMPARE(runSqlite3(file("Postnr.DB"),
                            {"select Bynavn from Postnr where Postnr in ('9600', '8000', '5000', "
                             "'2000', '6200', '9440') order by Bynavn_Sort"}),
                 QStringLiteral("Frederiksberg\nOdense C\nAabenraa\nAabybro\nAarhus C\nAars"));
    }

    void dumpReloadedIntoFreshFilesOpensInTheProgram()
    {
        requireSqlite3();
        writeWithTheProgram();
        const QString copy = m_folder->root() + QStringLiteral("/Reloaded");
        QVERIFY(QDir().mkpath(copy));
        for (const QString& name : QDir(m_folder->data()).entryList(QDir::Files)) {
            const QString dump = runSqlite3(m_folder->file(name), {".dump"});
            QVERIFY2(dump.startsWith(QLatin1String("PRAGMA foreign_keys=OFF")), qPrintable(dump));
            QCOMPARE(runSqlite3(copy + u'/' + name, {}, dump.toUtf8()), QString());
            QFile::setPermissions(copy + u'/' + name, QFile::ReadOwner | QFile::WriteOwner);
        }
        QCOMPARE(namesInTheProgram(copy), DanishOrderOfNames);
        auto post = openTable(copy, "Postnr.DB");
        post->SetIndexName("IndexBy");
        QVERIFY(post->FindKey("odense c"));
        QCOMPARE(post->FieldByName("Postnr").AsString(), QStringLiteral("5000"));
        auto familie = openTable(copy, "Familie.db");
        QCOMPARE(column(*familie, "FamNavn"), QStringList({"Ib", "Åse"}));
    }

    // Rows another program inserts or changes take their place when the
    // program opens the table, and only those rows get new keys.
    void rowsWrittenByAnotherProgramTakeTheirPlace_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("insert") << "INSERT INTO Telefon (Navn, Telefon) VALUES ('Åse', '9'), "
                                   "('Aase', '10'), ('bent', '11')"
                                << QStringList{"Adam",    "anders", "bent",  "Bo",
                                               "Zealand", "Ærø",    "Øster", "Aabenraa",
                                               "Århus",   "Åse",    "Aase"};
        QTest::newRow("update") << "UPDATE Telefon SET Navn = 'Øjvind' WHERE Navn = 'Adam'"
                                << QStringList{"anders", "Bo",    "Zealand",  "Ærø",
                                               "Øjvind", "Øster", "Aabenraa", "Århus"};
        QTest::newRow("insert with every column")
            << "INSERT INTO Telefon VALUES ('Ca', '0', " + QString("NULL, ").repeated(37) + "NULL)"
            << QStringList{"Adam", "anders", "Bo",       "Ca",   "Zealand",
                           "Ærø",  "Øster",  "Aabenraa", "Århus"};
    }

    void rowsWrittenByAnotherProgramTakeTheirPlace()
    {
        requireSqlite3();
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        writeWithTheProgram();
        const QString telefon = m_folder->file("Telefon.DB");
        // A key spoilt behind the program's back without touching its name:
        // nothing tells that it needs making again, so it is left alone.
        QCOMPARE(runSqlite3(telefon, {"UPDATE Telefon SET Adresse1 = 'Vej', Telefon_Sort = x'' "
                                      "WHERE Navn = 'Zealand'"}),
                 QString());
        QCOMPARE(runSqlite3(telefon, {sql}), QString());
        QCOMPARE(namesInTheProgram(m_folder->data()), names);
        QCOMPARE(runSqlite3(telefon, {"SELECT count(*) FROM Telefon WHERE Navn_SortSource IS NOT "
                                      "Navn OR Telefon_SortSource IS NOT Telefon"}),
                 QStringLiteral("0"));
        QCOMPARE(
            runSqlite3(telefon, {"SELECT hex(Telefon_Sort) FROM Telefon WHERE Navn = 'Zealand'"}),
            QString());
        QCOMPARE(runSqlite3(telefon, {"PRAGMA integrity_check"}), QStringLiteral("ok"));
    }

    // Keys made by another version of the collation, and indexes another
    // program dropped, are made again at open.
    void outdatedFilesAreRebuilt_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("another collation version")
            << "UPDATE SortKeys SET CollatorVersion = '1.0', IcuVersion = '60.2'";
        QTest::newRow("another locale") << "UPDATE SortKeys SET Locale = 'sv_SE'";
        QTest::newRow("no version") << "DROP TABLE SortKeys";
        QTest::newRow("index dropped") << "DROP INDEX Telefon_Order";
        QTest::newRow("pending index dropped") << "DROP INDEX Telefon_SortPending";
        QTest::newRow("index made another way")
            << "DROP INDEX Telefon_Order; CREATE INDEX Telefon_Order ON Telefon (Navn)";
    }

    void outdatedFilesAreRebuilt()
    {
        QFETCH(QString, sql);
        writeWithTheProgram();
        RawConnection raw(m_folder->file("Telefon.DB"));
        // Every key as another order would have made it, the names untouched.
        QCOMPARE(raw.exec("UPDATE Telefon SET Navn_Sort = CAST(Navn AS BLOB), Telefon_Sort = x''"),
                 SQLITE_OK);
        QCOMPARE(raw.exec(sql), SQLITE_OK);
        QCOMPARE(namesInTheProgram(m_folder->data()), DanishOrderOfNames);
        QCOMPARE(raw.query("SELECT Locale || ' ' || IcuVersion || ' ' || CollatorVersion FROM "
                           "SortKeys"),
                 QStringList{QStringLiteral("%1 %2 %3")
                                 .arg(DanishOrder::version().locale, DanishOrder::version().icu,
                                      DanishOrder::version().collator)});
        QCOMPARE(raw.query("SELECT count(*) FROM sqlite_master WHERE name IN ('Telefon_Order', "
                           "'Telefon_IndexTelefon', 'Telefon_IndexFodsel', 'Telefon_SortPending', "
                           "'Telefon_Reminders')"),
                 QStringList{"5"});
        QCOMPARE(raw.query("SELECT Navn FROM Telefon ORDER BY Navn_Sort"), DanishOrderOfNames);
    }

    // Keys made by this very library are current without a collator being
    // asked; any other library, locale or a missing version is not.
    void storedOrderVersions_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("icu");
        QTest::addColumn<QString>("collator");
        QTest::addColumn<bool>("current");
        const DanishOrder::Version here = DanishOrder::version();
        QTest::newRow("made here") << here.locale << here.icu << here.collator << true;
        QTest::newRow("another library") << here.locale << "60.2" << here.collator << false;
        QTest::newRow("another locale") << "sv_SE" << here.icu << here.collator << false;
        QTest::newRow("no collation version") << here.locale << here.icu << "" << false;
    }

    void storedOrderVersions()
    {
        QFETCH(QString, locale);
        QFETCH(QString, icu);
        QFETCH(QString, collator);
        QFETCH(bool, current);
        QCOMPARE(DanishOrder::isCurrent({locale, icu, collator}), current);
    }

    // A file of an earlier release, without the reminders' index, gets it at
    // open, also when the folder already reads another table (as the main
    // window has its configuration open first); its keys stay as they are.
    void aMissingReminderIndexIsMadeAtOpen()
    {
        writeWithTheProgram();
        {
            RawConnection raw(m_folder->file("Telefon.DB"));
            QCOMPARE(raw.exec("DROP INDEX Telefon_Reminders; UPDATE Telefon SET Navn_Sort = "
                              "x'00' WHERE Navn = 'Bo'"),
                     SQLITE_OK);
        }
        auto keywords = openTable(m_folder->data(), "Nogleord.DB");
        QVERIFY(!keywords->Eof()); // a statement of the folder's connection is reading
        auto telefon = openTable(m_folder->data(), "Telefon.DB");
        QVERIFY(telefon->Active());
        RawConnection raw(m_folder->file("Telefon.DB"));
        QCOMPARE(raw.query("SELECT count(*) FROM sqlite_master WHERE name = 'Telefon_Reminders'"),
                 QStringList{"1"});
        QCOMPARE(raw.query("SELECT hex(Navn_Sort) FROM Telefon WHERE Navn = 'Bo'"),
                 QStringList{"00"});
    }

    // The birthday reminders at start-up read the marked contacts from their
    // own index, not the whole file.
    void remindersReadTheirIndexOnly()
    {
        writeWithTheProgram();
        RawConnection raw(m_folder->file("Telefon.DB"));
        sqlite3_stmt* plan = nullptr;
        QCOMPARE(sqlite3_prepare_v2(raw.handle(),
                                    "EXPLAIN QUERY PLAN SELECT Reminder, Fodselsdag, Navn, Telefon "
                                    "FROM Telefon WHERE FKort = 'Ja'",
                                    -1, &plan, nullptr),
                 SQLITE_OK);
        QString details;
        while (sqlite3_step(plan) == SQLITE_ROW)
            details +=
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(plan, 3)));
        sqlite3_finalize(plan);
        QVERIFY2(details.contains(QStringLiteral("COVERING INDEX Telefon_Reminders")),
                 qPrintable(details));
    }

    void earlierFormatIsUpgraded()
    {
        writeEarlierFormat(*m_folder);
        QCOMPARE(namesInTheProgram(m_folder->data()), DanishOrderOfNames);
        // Opening one table upgraded the whole folder.
        for (const QString& name : keyedFiles()) {
            RawConnection raw(m_folder->file(name));
            QCOMPARE(raw.query("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%DANISH%'"),
                     QStringList{"0"});
            QCOMPARE(raw.query("SELECT count(*) FROM SortKeys"), QStringList{"1"});
            QCOMPARE(raw.query("PRAGMA integrity_check"), QStringList{"ok"});
            QVERIFY(!QFileInfo::exists(FormatUpgrade::copyOf(m_folder->file(name))));
        }
        auto telefon = openTable(m_folder->data(), "Telefon.DB");
        QVERIFY(telefon->Locate("Navn", "Bo"));
        QCOMPARE(telefon->FieldByName("Adresse1").AsString(), QStringLiteral("Vej 2"));
        QCOMPARE(column(*openTable(m_folder->data(), "Familie.db"), "FamNavn"),
                 QStringList({"Ib", "Åse"}));
        QCOMPARE(column(*openTable(m_folder->data(), "Nogleord.DB"), "Nogleord"),
                 QStringList({"Golf", "Ærter", "Øl"}));
        auto post = openTable(m_folder->data(), "Postnr.DB");
        post->SetIndexName("IndexBy");
        QVERIFY(post->FindKey("SKAGEN"));
        QCOMPARE(post->FieldByName("Postnr").AsString(), QStringLiteral("9990"));
        // Upgraded files take the program's posts and keep their order.
        addContact(*telefon, "Åvang", "9");
        QCOMPARE(column(*telefon, "Navn").last(), QStringLiteral("Åvang"));
        QCOMPARE(RawConnection(m_folder->file("Telefon.DB")).query("PRAGMA integrity_check"),
                 QStringList{"ok"});
    }

    void failedUpgradeLeavesTheOriginals()
    {
        writeEarlierFormat(*m_folder);
        std::vector<FormatUpgrade::File> files;
        QMap<QString, QByteArray> before;
        for (const QString& name : keyedFiles()) {
            const QString path = QFileInfo(m_folder->file(name)).canonicalFilePath();
            files.push_back({path, Schema::forFile(name)});
            before[name] = fileContents(path);
        }
        {
            // Another program reads the last file: its commit cannot finish,
            // after the other files were already written.
            RawConnection reader(m_folder->file("Nogleord.DB"));
            QCOMPARE(reader.exec("BEGIN; SELECT count(*) FROM sqlite_master"), SQLITE_OK);
            try {
                FormatUpgrade::upgradeFiles(files);
                QFAIL("the upgrade went through");
            } catch (const EDatabaseError& e) {
                QVERIFY2(e.message().contains("cannot be brought up to date"),
                         qPrintable(e.message()));
            }
            reader.exec("ROLLBACK");
        }
        for (const QString& name : keyedFiles()) {
            QCOMPARE(fileContents(m_folder->file(name)), before[name]);
            QCOMPARE(fileContents(FormatUpgrade::copyOf(m_folder->file(name))), before[name]);
        }
        // No journal is left behind: the next opening has nothing to resolve.
        QCOMPARE(QDir(m_folder->data()).entryList(QDir::Files).size(), 6 + keyedFiles().size());
        // Once nothing is in the way, opening upgrades the file and drops its copy.
        QCOMPARE(namesInTheProgram(m_folder->data()), DanishOrderOfNames);
        QVERIFY(!QFileInfo::exists(FormatUpgrade::copyOf(m_folder->file("Telefon.DB"))));
        QCOMPARE(RawConnection(m_folder->file("Telefon.DB"))
                     .query("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%DANISH%'"),
                 QStringList{"0"});
    }

    void fileSwitchedToWriteAheadLoggingIsSwitchedBack()
    {
        RawConnection(m_folder->file("Familie.db")).query("PRAGMA journal_mode=WAL");
        auto telefon = openTable(m_folder->data(), "Telefon.DB");
        auto familie = openTable(m_folder->data(), "Familie.db");
        addContact(*familie, "Bo", "1", {"FamNavn", "Ib"});
        // A commit to several files is atomic with rollback journals only.
        QCOMPARE(RawConnection(m_folder->file("Familie.db")).query("PRAGMA journal_mode"),
                 QStringList{"delete"});
    }
};

QTEST_GUILESS_MAIN(TestFileFormat)
#include "test_fileformat.moc"
