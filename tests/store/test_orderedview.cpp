// The ordered view on its own: the order of each index under a condition,
// places and counts, lazy stepping, the version that tells caches to go, and
// reads that follow changes once the view is told of them.
#include "StoreTestHelpers.h"
#include "TestSupport.h"

#include "core/store/Connection.h"
#include "core/store/OrderedView.h"

#include <QTest>

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
};

QTEST_GUILESS_MAIN(TestOrderedView)
#include "test_orderedview.moc"
