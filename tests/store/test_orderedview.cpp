// The ordered view on its own: the order of each index under a condition,
// places and counts, lazy stepping, the version that tells caches to go, and
// reads that follow changes once the view is told of them.
#include "StoreTestHelpers.h"
#include "TestSupport.h"

#include "core/store/Connection.h"
#include "core/store/OrderedView.h"
#include "core/store/Transaction.h"

#include <QTest>

#include <cstring>

namespace {

struct Contact
{
    const char* navn;
    const char* telefon;
    const char* fkort;
    const char* md;
};

const Contact Contacts[] = {{"Århus", "40", "Ja", "03"}, {"bo", "20", "Nej", "01"},
                            {"Ærø", "10", "Ja", "12"},   {"Aabenraa", "50", "Nej", "03"},
                            {"Adam", "30", "Ja", "07"},  {"Zealand", "60", "Nej", "01"},
                            {"Øster", "70", "Ja", "02"}, {"anders", "80", "Nej", "11"}};

// The work SQLite does for the statements of one connection from the moment
// the watch is made: how often a count is asked, and, for the statements
// that are no count, the rows they give, the sorts and full-scan steps and
// the steps of their programs.
class StatementWatch
{
public:
    explicit StatementWatch(sqlite3* db) : m_db(db)
    {
        for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
            for (int counter : Counters)
                sqlite3_stmt_status(s, counter, 1);
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, traced, this);
    }
    ~StatementWatch() { sqlite3_trace_v2(m_db, 0, nullptr, nullptr); }
    StatementWatch(const StatementWatch&) = delete;
    StatementWatch& operator=(const StatementWatch&) = delete;

    int counts = 0;
    int rows = 0;
    // Summed over the statements that are no count.
    int total(int counter) const
    {
        int sum = 0;
        for (sqlite3_stmt* s = sqlite3_next_stmt(m_db, nullptr); s; s = sqlite3_next_stmt(m_db, s))
            if (!isCount(s))
                sum += sqlite3_stmt_status(s, counter, 0);
        return sum;
    }

private:
    static constexpr int Counters[] = {SQLITE_STMTSTATUS_SORT, SQLITE_STMTSTATUS_FULLSCAN_STEP,
                                       SQLITE_STMTSTATUS_VM_STEP};
    static bool isCount(sqlite3_stmt* s) { return std::strstr(sqlite3_sql(s), "count(*)"); }
    static int traced(unsigned type, void* self, void* statement, void*)
    {
        auto& watch = *static_cast<StatementWatch*>(self);
        const bool count = isCount(static_cast<sqlite3_stmt*>(statement));
        if (type == SQLITE_TRACE_STMT && count)
            ++watch.counts;
        if (type == SQLITE_TRACE_ROW && !count)
            ++watch.rows;
        return 0;
    }
    sqlite3* m_db;
};

// What a birthday search in a book of 400 contacts costs SQLite, with some
// of them in the period searched: the search, its count, the first and
// last of it told, and a grid's page of its records read.
struct SearchCost
{
    int counts, rows, sorts, scanSteps, steps;
};

SearchCost birthdaySearch(int inPeriod)
{
    TempDataFolder folder;
    auto table = openTable(folder.data(), QStringLiteral("Telefon.DB"));
    {
        Transaction transaction(*table);
        for (int i = 0; i < 400; ++i) {
            const QString day = QStringLiteral("%1").arg(i % 15 + 1, 2, 10, QLatin1Char('0'));
            addContact(*table, QStringLiteral("Kontakt %1").arg(i), QString::number(i),
                       {QStringLiteral("Dg"), day, QStringLiteral("Md"),
                        i < inPeriod ? QStringLiteral("04") : QStringLiteral("05")});
        }
        transaction.Commit();
    }
    const auto search = [&](const char* month) {
        table->ChangeAsOne([&] {
            table->SetFilter(QStringLiteral("Dg >= '01' and Dg <= '15' and Md = '%1'")
                                 .arg(QLatin1String(month)));
            table->SetFiltered(true);
            table->SetIndexName(QStringLiteral("IndexFodsel"));
        });
    };
    // The first search from the name order finds the record it keeps
    // current in that order; the next ones are in birthday order already.
    search("05");
    StatementWatch watch(table->FileConnection()->handle());
    search("04");
    if (table->RecordCount() != inPeriod || !table->IsFirst() || table->IsLast())
        return {};
    for (int row = 0; row < 24; ++row)
        for (int field = 0; field < 10; ++field)
            table->ValueAt(row, field);
    return {watch.counts, watch.rows, watch.total(SQLITE_STMTSTATUS_SORT),
            watch.total(SQLITE_STMTSTATUS_FULLSCAN_STEP), watch.total(SQLITE_STMTSTATUS_VM_STEP)};
}

} // namespace

class TestOrderedView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;
    std::shared_ptr<Connection> m_connection;
    QString m_condition; // SQL of the view's condition, empty for all
    QVariantList m_params;
    std::unique_ptr<OrderedView> m_view;

    OrderedView& view(const QString& index = QString())
    {
        m_view = std::make_unique<OrderedView>([this](QVariantList& params) {
            params += m_params;
            return m_condition.isEmpty() ? QStringLiteral("1") : m_condition;
        });
        m_view->open(*m_connection, Schema::telefon());
        m_view->setOrder(Schema::telefon().index(index)->fields);
        return *m_view;
    }

    QStringList names(OrderedView& v)
    {
        QStringList result;
        const int navn = Schema::telefon().fieldIndex(QStringLiteral("Navn"));
        for (int i = 0; v.ensureRow(i); ++i)
            result << v.valueAt(i, navn).toString();
        return result;
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        auto table = openTable(m_folder->data(), QStringLiteral("Telefon.DB"));
        for (const Contact& c : Contacts)
            addContact(*table, QString::fromUtf8(c.navn), QString::fromLatin1(c.telefon),
                       {"FKort", c.fkort, "Md", c.md});
        m_connection = Connection::open(m_folder->file(QStringLiteral("Telefon.DB")));
        m_condition.clear();
        m_params.clear();
    }
    void cleanup()
    {
        m_view.reset();
        m_connection.reset();
    }

    void orderUnderCondition_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("param");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name order, Danish letters last")
            << ""
            << ""
            << ""
            << QStringList{"Adam", "anders", "bo", "Zealand", "Ærø", "Øster", "Aabenraa", "Århus"};
        QTest::newRow("phone order")
            << "IndexTelefon"
            << ""
            << ""
            << QStringList{"Ærø", "bo", "Adam", "Århus", "Aabenraa", "Zealand", "Øster", "anders"};
        QTest::newRow("birthday order, names within a month")
            << "IndexFodsel"
            << ""
            << ""
            << QStringList{"bo", "Zealand", "Øster", "Aabenraa", "Århus", "Adam", "anders", "Ærø"};
        QTest::newRow("condition with a parameter")
            << ""
            << "FKort = ?"
            << "Ja" << QStringList{"Adam", "Ærø", "Øster", "Århus"};
        QTest::newRow("nothing passes") << "IndexTelefon"
                                        << "FKort = ?"
                                        << "Måske" << QStringList();
    }

    void orderUnderCondition()
    {
        QFETCH(QString, index);
        QFETCH(QString, condition);
        QFETCH(QString, param);
        QFETCH(QStringList, names);
        m_condition = condition;
        if (!param.isEmpty())
            m_params << param;
        OrderedView& v = view(index);
        QCOMPARE(this->names(v), names);
        QCOMPARE(v.count(), qint64(names.size()));
        QCOMPARE(v.lastIndex(), int(names.size()) - 1);
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(v.findIndex(v.rowidAt(i)), i);
            QVERIFY(v.passes(v.rowidAt(i)));
        }
    }

    void firstMatchFollowsTheOrder()
    {
        OrderedView& v = view();
        const qint64 rowid = v.firstMatch(QStringLiteral("Md = ?"), {QStringLiteral("03")});
        QCOMPARE(v.findIndex(rowid), 6); // Aabenraa, before Århus in name order
        view(QStringLiteral("IndexTelefon"));
        QVERIFY(m_view->ensureRow(3));
        QCOMPARE(m_view->firstMatch(QStringLiteral("Md = ?"), {QStringLiteral("03")}),
                 m_view->rowidAt(3)); // Århus (40) before Aabenraa (50)
        QCOMPARE(m_view->firstMatch(QStringLiteral("Md = ?"), {QStringLiteral("13")}), -1);
    }

    void stepsOnlyAsFarAsAsked()
    {
        OrderedView& v = view();
        QVERIFY(v.ensureRow(2));
        // The scan sits on the last record it stepped to, with its order fields.
        QVERIFY(v.scanSitsOn(2));
        QVERIFY(!v.scanSitsOn(1));
        QCOMPARE(v.scanFields().size(), size_t(2));
        QCOMPARE(v.scanValue(0).toString(), QStringLiteral("bo"));
        QCOMPARE(v.scanValue(1).toString(), QStringLiteral("20"));
        // A record read at an earlier place does not move the scan.
        QCOMPARE(v.readRow(v.rowidAt(0))[0].toString(), QStringLiteral("Adam"));
        QVERIFY(v.scanSitsOn(2));
        QVERIFY(!v.ensureRow(8));
        QVERIFY(!v.scanSitsOn(7)); // stepped past the end
    }

    void versionTellsCachesToGo()
    {
        OrderedView& v = view();
        v.ensureRow(0);
        const quint64 opened = v.version();
        v.ensureRow(5);
        v.valueAt(3, 0);
        v.count();
        QCOMPARE(v.version(), opened); // reading changes nothing
        v.invalidate();
        QVERIFY(v.version() > opened);
        const quint64 invalidated = v.version();
        v.rebuild();
        QVERIFY(v.version() > invalidated);
        const quint64 rebuilt = v.version();
        v.close();
        QVERIFY(v.version() > rebuilt); // also across closing and opening again
        v.open(*m_connection, Schema::telefon());
        QVERIFY(v.version() > rebuilt);
    }

    void readsFollowChangesOnceTold()
    {
        OrderedView& v = view();
        QCOMPARE(v.count(), qint64(8));
        QCOMPARE(v.valueAt(0, 0).toString(), QStringLiteral("Adam"));
        v.lastIndex(); // a scan stepped to its end holds no lock on the file
        RawConnection raw(m_folder->file(QStringLiteral("Telefon.DB")));
        QCOMPARE(raw.exec("UPDATE Telefon SET Adresse1 = 'Vej 1' WHERE Navn = 'Adam'"), SQLITE_OK);
        m_condition = QStringLiteral("Navn <> ?");
        m_params << QStringLiteral("bo");
        // Until it is told, the view keeps what it read.
        QCOMPARE(v.count(), qint64(8));
        v.invalidate();
        QCOMPARE(v.count(), qint64(7));
        QCOMPARE(names(v).indexOf(QStringLiteral("bo")), -1);
        const int adresse = Schema::telefon().fieldIndex(QStringLiteral("Adresse1"));
        QCOMPARE(v.valueAt(0, adresse).toString(), QStringLiteral("Vej 1"));
        // A count known before a write is kept, changed by what the writer knows.
        v.invalidateKeepingCount(1);
        QCOMPARE(v.count(), qint64(8));
        QCOMPARE(v.lastIndex(), 6); // stepping to the end counts again
        QCOMPARE(v.count(), qint64(7));
    }

    void goneRecordReadsAsNulls()
    {
        OrderedView& v = view();
        v.lastIndex();
        const qint64 adam = v.rowidAt(0);
        RawConnection raw(m_folder->file(QStringLiteral("Telefon.DB")));
        QCOMPARE(raw.exec("DELETE FROM Telefon WHERE Navn = 'Adam'"), SQLITE_OK);
        QVERIFY(!v.passes(adam));
        QVERIFY(v.readRow(adam)[0].isNull());
        QCOMPARE(v.findIndex(adam), 0); // still where it was read, until told
        v.invalidate();
        QCOMPARE(v.findIndex(adam), -1);
    }

    // Rows are read a block at a time for the grids; what they give must be
    // the records as they are after every kind of change the view is told of.
    void blockReadsFollowChanges_data()
    {
        QTest::addColumn<QString>("change");
        for (const char* change : {"insert", "delete", "condition", "order"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }

    void blockReadsFollowChanges()
    {
        QFETCH(QString, change);
        auto table = openTable(m_folder->data(), QStringLiteral("Telefon.DB"));
        for (int i = 0; i < 80; ++i)
            addContact(*table, QStringLiteral("Navn %1").arg(i, 2, 10, QLatin1Char('0')),
                       QString::number(100 + i), {"FKort", i % 3 == 0 ? "Ja" : "Nej"});
        OrderedView& v = view();
        QCOMPARE(names(v), column(*table, "Navn")); // every block read once
        if (change == QLatin1String("insert")) {
            addContact(*table, QStringLiteral("Navn 40a"), QStringLiteral("999"));
        } else if (change == QLatin1String("delete")) {
            table->First();
            table->MoveBy(40);
            table->Delete();
        } else if (change == QLatin1String("condition")) {
            m_condition = QStringLiteral("FKort = ?");
            m_params << QStringLiteral("Ja");
            table->SetFilter(QStringLiteral("FKort = 'Ja'"));
            table->SetFiltered(true);
        } else {
            v.setOrder(Schema::telefon().index(QStringLiteral("IndexTelefon"))->fields);
            table->SetIndexName(QStringLiteral("IndexTelefon"));
        }
        v.invalidate();
        QCOMPARE(names(v), column(*table, "Navn"));
        QCOMPARE(v.count(), qint64(column(*table, "Navn").size()));
    }

    void neighboursWithoutThePlace_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("fkort");
        QTest::newRow("name order") << ""
                                    << "";
        QTest::newRow("phone order") << "IndexTelefon"
                                     << "";
        QTest::newRow("birthday order, with a condition") << "IndexFodsel"
                                                          << "Ja";
    }

    void neighboursWithoutThePlace()
    {
        QFETCH(QString, index);
        QFETCH(QString, fkort);
        if (!fkort.isEmpty()) {
            m_condition = QStringLiteral("FKort = ?");
            m_params << fkort;
        }
        OrderedView& v = view(index);
        const int last = v.lastIndex();
        QVERIFY(last > 0);
        for (int i = 0; i <= last; ++i) {
            QCOMPARE(v.hasNeighbour(v.rowidAt(i), false), i > 0);
            QCOMPARE(v.hasNeighbour(v.rowidAt(i), true), i < last);
        }
    }

    // A search reads what a grid's page shows and counts once; the order's
    // index finds the records and gives their order, so that nothing but
    // the count grows with the records the search finds.
    void aSearchReadsItsFirstPageAndItsCountOnly()
    {
        const SearchCost few = birthdaySearch(40);
        const SearchCost many = birthdaySearch(360);
        for (const SearchCost& cost : {few, many}) {
            QCOMPARE(cost.counts, 1);
            QCOMPARE(cost.sorts, 0);
            QCOMPARE(cost.scanSteps, 0);
            QVERIFY2(cost.rows > 0 && cost.rows <= 2 * 32, qPrintable(QString::number(cost.rows)));
        }
        QCOMPARE(many.rows, few.rows);
        QVERIFY2(many.steps < few.steps * 3 / 2,
                 qPrintable(QStringLiteral("%1 against %2").arg(many.steps).arg(few.steps)));
    }

    // Queries are prepared once per text and kept; many texts in a row
    // drop the kept ones while the view's scan is still stepping.
    void manyConditionsEachCountRight()
    {
        OrderedView& v = view();
        for (int round = 0; round < 2; ++round)
            for (int from = 0; from <= 90; from += 3) {
                m_condition = QStringLiteral("Telefon >= '%1'").arg(from);
                v.invalidate();
                v.ensureRow(0); // the scan stands on its first record while counting
                int expected = 0;
                for (const Contact& c : Contacts)
                    expected += QString::fromLatin1(c.telefon) >= QString::number(from) ? 1 : 0;
                QCOMPARE(v.count(), qint64(expected));
                QCOMPARE(names(v).size(), expected);
            }
    }
};

QTEST_GUILESS_MAIN(TestOrderedView)
#include "test_orderedview.moc"
