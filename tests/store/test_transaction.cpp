// Transactions over the table files of a data folder: posts to several
// tables committed together or not at all, nested scopes, cursors after a
// rollback, the rules that write within a post or a delete, and a crash in
// the middle of a commit to two files.
#include "StoreTestHelpers.h"
#include "TestSupport.h"

#include "core/store/Connection.h"
#include "core/store/Transaction.h"
#include "core/vcard/BulkTransaction.h"

#include <QTest>

#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The tables an import or a cascade writes to, as bare cursors.
struct Tables
{
    std::unique_ptr<TTable> telefon, familie, nogleord;
    explicit Tables(const QString& folder)
        : telefon(openTable(folder, QStringLiteral("Telefon.DB"))),
          familie(openTable(folder, QStringLiteral("Familie.db"))),
          nogleord(openTable(folder, QStringLiteral("Nogleord.DB")))
    {
    }
    void addKeyword(const QString& word)
    {
        nogleord->Insert();
        nogleord->FieldByName(QStringLiteral("Nogleord")).SetAsString(word);
        nogleord->Post();
    }
};

// What another program sees in the files.
QString stored(const TempDataFolder& folder)
{
    const auto all = [&](const char* file, const char* sql) {
        return RawConnection(folder.file(QString::fromLatin1(file)))
            .query(QString::fromLatin1(sql))
            .join(u',');
    };
    return all("Telefon.DB", "SELECT Navn FROM Telefon ORDER BY Navn_Sort") + u'|' +
           all("Familie.db", "SELECT FamNavn FROM Familie ORDER BY FamNavn_Sort") + u'|' +
           all("Nogleord.DB", "SELECT Nogleord FROM Nogleord ORDER BY Nogleord_Sort");
}

// A crash at the moment a commit to several files deletes its super-journal,
// the point at which it counts as committed: just before or just after.
sqlite3_vfs* g_realVfs = nullptr;
sqlite3_vfs g_crashingVfs;
bool g_crashAfterDelete = false;

int crashingDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    const bool super = std::strstr(name, "-mj") != nullptr;
    if (super && !g_crashAfterDelete)
        ::_exit(0);
    const int rc = g_realVfs->xDelete(g_realVfs, name, syncDir);
    if (super)
        ::_exit(0);
    return rc;
}

// The one value of a pragma read on a connection.
struct RawQuery
{
    sqlite3_stmt* statement = nullptr;
    RawQuery(sqlite3* db, const QByteArray& sql)
    {
        sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr);
    }
    ~RawQuery() { sqlite3_finalize(statement); }
    qint64 value()
    {
        return sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    }
};

} // namespace

class TestTransaction : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;

private slots:
    void init() { m_folder = std::make_unique<TempDataFolder>(); }

    void postsToSeveralTablesCommitTogether()
    {
        Tables t(m_folder->data());
        Transaction transaction(*t.telefon);
        addContact(*t.telefon, "Anna", "1");
        addContact(*t.familie, "Anna", "1", {"FamNavn", "Ole"});
        t.addKeyword("Golf");
        // The cursors see their writes at once; another program sees none yet.
        QCOMPARE(t.telefon->RecordCount(), 1);
        QCOMPARE(stored(*m_folder), QStringLiteral("||"));
        transaction.Commit();
        QVERIFY(!transaction.Active());
        QCOMPARE(stored(*m_folder), QStringLiteral("Anna|Ole|Golf"));
    }

    void failureInTheMiddleLeavesNothing_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("exception of the caller") << "throw";
        QTest::newRow("a post refused by the engine") << "key violation";
        QTest::newRow("within a committed inner scope") << "inner";
    }

    void failureInTheMiddleLeavesNothing()
    {
        QFETCH(QString, failure);
        Tables t(m_folder->data());
        addContact(*t.telefon, "Bo", "2");
        const quint64 version = t.telefon->ViewVersion();
        try {
            Transaction transaction(*t.telefon);
            addContact(*t.telefon, "Anna", "1");
            addContact(*t.familie, "Anna", "1", {"FamNavn", "Ole"});
            if (failure == u"inner") {
                Transaction inner(*t.familie);
                t.addKeyword("Golf");
                inner.Commit();
                throw Exception(QStringLiteral("import cancelled"));
            }
            if (failure == u"throw")
                throw Exception(QStringLiteral("import cancelled"));
            addContact(*t.telefon, "Bo", "2"); // a duplicate
            transaction.Commit();
            QFAIL("the transaction committed");
        } catch (const Exception&) {
            if (t.telefon->IsEditing())
                t.telefon->Cancel(); // the refused record
        }
        QCOMPARE(stored(*m_folder), QStringLiteral("Bo||"));
        // Every cursor reads again: none shows a record that is gone.
        QCOMPARE(t.telefon->RecordCount(), 1);
        QCOMPARE(t.telefon->FieldByName("Navn").AsString(), QStringLiteral("Bo"));
        QVERIFY(t.telefon->ViewVersion() > version);
        QVERIFY(t.familie->IsEmpty());
        QCOMPARE(t.familie->FieldByName("FamNavn").AsString(), QString());
        QVERIFY(t.nogleord->IsEmpty());
        // And writing goes on as before, every post on disk when it returns.
        t.addKeyword("Golf");
        QCOMPARE(stored(*m_folder), QStringLiteral("Bo||Golf"));
    }

    void innerScopeRollsBackAlone()
    {
        Tables t(m_folder->data());
        Transaction outer(*t.telefon);
        addContact(*t.telefon, "Anna", "1");
        {
            Transaction inner(*t.telefon);
            t.addKeyword("Golf");
        }
        QVERIFY(t.nogleord->IsEmpty());
        QCOMPARE(t.telefon->RecordCount(), 1);
        outer.Commit();
        QCOMPARE(stored(*m_folder), QStringLiteral("Anna||"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, outer.Commit());
    }

    // Many posts as one unit keep the journals of their savepoints in memory,
    // with room in the cache for the pages they write; the connection has
    // its own settings again once the unit is over, committed or not.
    void bulkWorkKeepsItsJournalsInMemory_data()
    {
        QTest::addColumn<bool>("commit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("committed") << true << QStringLiteral("Anna||");
        QTest::newRow("rolled back") << false << QStringLiteral("||");
    }
    void bulkWorkKeepsItsJournalsInMemory()
    {
        QFETCH(bool, commit);
        QFETCH(QString, expected);
        Tables tables(m_folder->data());
        const Connection& file = *tables.telefon->FileConnection();
        const auto settings = [&] {
            RawQuery store(file.handle(), "PRAGMA temp_store");
            RawQuery cache(file.handle(),
                           "PRAGMA " + Schema::quoted(file.schema()).toUtf8() + ".cache_size");
            return std::pair(store.value(), cache.value());
        };
        const auto before = settings();
        {
            BulkTransaction bulk(m_folder->data(), {QStringLiteral("Telefon.DB")});
            const auto during = settings();
            QCOMPARE(during.first, qint64(2)); // memory
            QVERIFY(during.second < -100000);
            addContact(*tables.telefon, QStringLiteral("Anna"), QStringLiteral("1"));
            if (commit) {
                bulk.commit();
                QCOMPARE(settings(), before);
            }
        }
        QCOMPARE(settings(), before);
        QCOMPARE(stored(*m_folder), expected);
    }

    void closedTableHasNoTransaction()
    {
        TTable table;
        table.SetDatabaseName(m_folder->data());
        table.SetTableName(QStringLiteral("Telefon.DB"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, Transaction{table});
    }

    // A contact renamed or deleted with its family members: the rule writes
    // within the post or the delete, and a failing rule leaves both as they were.
    void rulesWriteWithinThePostAndTheDelete_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("ruleFails");
        QTest::addColumn<QString>("stored");
        QTest::newRow("rename") << "rename" << false << "Anne|Ole:Anne|";
        QTest::newRow("rename, rule fails") << "rename" << true << "Anna|Ole:Anna|";
        QTest::newRow("delete") << "delete" << false << "||";
        QTest::newRow("delete, rule fails") << "delete" << true << "Anna|Ole:Anna|";
    }

    void rulesWriteWithinThePostAndTheDelete()
    {
        QFETCH(QString, operation);
        QFETCH(bool, ruleFails);
        QFETCH(QString, stored);
        Tables t(m_folder->data());
        addContact(*t.telefon, "Anna", "1");
        addContact(*t.familie, "Anna", "1", {"FamNavn", "Ole"});
        QString before;
        const auto followContact = [&](TTable& contact, const std::vector<QVariant>& record) {
            before = record.at(0).toString();
            t.familie->First();
            if (operation == u"rename") {
                t.familie->Edit();
                t.familie->FieldByName("Navn").SetAsString(contact.FieldByName("Navn").AsString());
                t.familie->Post();
            } else {
                t.familie->Delete();
            }
            if (ruleFails)
                throw EDatabaseError(QStringLiteral("the family members cannot follow"));
        };
        t.telefon->WithinPost = followContact;
        t.telefon->WithinDelete = followContact;
        bool failed = false;
        try {
            if (operation == u"rename") {
                t.telefon->Edit();
                t.telefon->FieldByName("Navn").SetAsString("Anne");
                t.telefon->Post();
            } else {
                t.telefon->Delete();
            }
        } catch (const EDatabaseError&) {
            failed = true;
        }
        QCOMPARE(failed, ruleFails);
        QCOMPARE(before, QStringLiteral("Anna")); // the record as it was stored
        const QString familie = RawConnection(m_folder->file("Familie.db"))
                                    .query("SELECT FamNavn || ':' || Navn FROM Familie")
                                    .join(u',');
        const QString telefon = RawConnection(m_folder->file("Telefon.DB"))
                                    .query("SELECT Navn FROM Telefon")
                                    .join(u',');
        QCOMPARE(telefon + u'|' + familie + u'|', stored);
        if (ruleFails && operation == u"rename") {
            // Refused like any post: still in edit, with what the user typed.
            QCOMPARE(t.telefon->State(), DataSetState::Edit);
            QCOMPARE(t.telefon->FieldByName("Navn").AsString(), QStringLiteral("Anne"));
            t.telefon->Cancel();
        }
        QCOMPARE(t.telefon->FieldByName("Navn").AsString(), stored.section(u'|', 0, 0));
    }

    void crashDuringACommitToTwoFilesIsAllOrNothing_data()
    {
        QTest::addColumn<bool>("afterCommitPoint");
        QTest::addColumn<QString>("stored");
        QTest::newRow("before the commit point") << false << "Bo||";
        QTest::newRow("after the commit point") << true << "Anna,Bo|Ole|";
    }

    void crashDuringACommitToTwoFilesIsAllOrNothing()
    {
        QFETCH(bool, afterCommitPoint);
        QFETCH(QString, stored);
        {
            auto telefon = openTable(m_folder->data(), "Telefon.DB");
            addContact(*telefon, "Bo", "2");
        }
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            g_realVfs = sqlite3_vfs_find(nullptr);
            g_crashingVfs = *g_realVfs;
            g_crashingVfs.zName = "crashing";
            g_crashingVfs.xDelete = crashingDelete;
            g_crashAfterDelete = afterCommitPoint;
            sqlite3_vfs_register(&g_crashingVfs, 1);
            try {
                Tables t(m_folder->data());
                Transaction transaction(*t.telefon);
                addContact(*t.telefon, "Anna", "1");
                addContact(*t.familie, "Anna", "1", {"FamNavn", "Ole"});
                transaction.Commit();
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(3); // committed without a super-journal: not atomic
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        // The journals the crash left are resolved by whoever reads next.
        QCOMPARE(::stored(*m_folder), stored);
        Tables t(m_folder->data());
        QCOMPARE(t.telefon->RecordCount(), afterCommitPoint ? 2 : 1);
        QCOMPARE(t.familie->RecordCount(), afterCommitPoint ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestTransaction)
#include "test_transaction.moc"
