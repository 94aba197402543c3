// The links of a data source are called directly: what one throws reaches
// the caller of the move, edit or post, the others are still told, and the
// notices come after them.
#include "RecordingDialogs.h"
#include "StoreTestHelpers.h"
#include "TestSupport.h"

#include "core/data/DM.h"
#include "core/store/DataLink.h"
#include "core/store/DataSource.h"

#include <QSignalSpy>
#include <QTest>

namespace {

class EBadValue : public Exception
{
public:
    EBadValue() : Exception(QStringLiteral("'31-02-2001' is not a valid date")) {}
};

// Keeps what it was told; throws where asked to.
class RecordingLink : public TDataLink
{
public:
    QStringList told;
    bool throwOnUpdate = false;
    bool throwOnMove = false;
    std::function<void()> onUpdate;

protected:
    void DataChange(TField* field) override
    {
        told << (field ? QStringLiteral("field ") + field->FieldName() : QStringLiteral("moved"));
        if (!field && throwOnMove)
            throw EBadValue();
    }
    void StateChange() override { told << QStringLiteral("state"); }
    void UpdateRecord() override
    {
        told << QStringLiteral("update");
        if (onUpdate)
            onUpdate();
        if (throwOnUpdate)
            throw EBadValue();
    }
    void ViewChange() override { told << QStringLiteral("view"); }
    void SourceDestroyed() override { told << QStringLiteral("source gone"); }
};

} // namespace

class TestDataLinks : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<TTable> m_table;
    std::unique_ptr<TDataSource> m_source;

    TTable& contacts() { return *m_table; }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_table = openTable(m_folder->data(), QStringLiteral("Telefon.DB"));
        addContact(*m_table, QStringLiteral("Anna"), QStringLiteral("1"));
        addContact(*m_table, QStringLiteral("Bo"), QStringLiteral("2"));
        m_table->First();
        m_source = std::make_unique<TDataSource>();
        m_source->SetDataSet(m_table.get());
    }
    void cleanup()
    {
        m_source.reset();
        m_table.reset();
        m_folder.reset();
    }

    void aValueRefusedWhileWritingBackStopsThePost()
    {
        RecordingLink refusing;
        RecordingLink other;
        refusing.LinkTo(m_source.get());
        other.LinkTo(m_source.get());
        refusing.throwOnUpdate = true;
        contacts().Edit();
        contacts().FieldByName(QStringLiteral("Adresse1")).SetAsString(QStringLiteral("Torvet 1"));
        QVERIFY_THROWS_EXCEPTION(EBadValue, contacts().Post());
        QCOMPARE(contacts().State(), DataSetState::Edit);
        QVERIFY(other.told.contains(QStringLiteral("update")));
        QCOMPARE(column(*openTable(m_folder->data(), QStringLiteral("Telefon.DB")), "Adresse1"),
                 QStringList({"", ""}));
        refusing.throwOnUpdate = false;
        contacts().Post();
        QCOMPARE(contacts().State(), DataSetState::Browse);
    }

    void aFailingLinkLeavesNoOtherStale()
    {
        RecordingLink failing;
        RecordingLink other;
        failing.LinkTo(m_source.get());
        other.LinkTo(m_source.get());
        failing.throwOnMove = true;
        int events = 0;
        m_source->OnDataChange = [&](TDataSource&, TField*) { ++events; };
        QSignalSpy notices(m_source.get(), &TDataSource::dataChange);
        QVERIFY_THROWS_EXCEPTION(EBadValue, contacts().Next());
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(), QStringLiteral("Bo"));
        QCOMPARE(other.told.last(), QStringLiteral("moved"));
        QCOMPARE(events, 1);
        QCOMPARE(notices.size(), 1);
    }

    void linksAreToldInTheOrderTheyLinked()
    {
        QStringList order;
        RecordingLink first, second;
        first.onUpdate = [&] { order << QStringLiteral("first"); };
        second.onUpdate = [&] { order << QStringLiteral("second"); };
        second.LinkTo(m_source.get());
        first.LinkTo(m_source.get());
        contacts().Edit();
        contacts().FieldByName(QStringLiteral("Adresse1")).SetAsString(QStringLiteral("x"));
        contacts().Post();
        QCOMPARE(order, QStringList({"second", "first"}));
    }

    void aLinkLeavingDuringANoticeIsNotCalled()
    {
        auto leaving = std::make_unique<RecordingLink>();
        RecordingLink first;
        first.LinkTo(m_source.get());
        leaving->LinkTo(m_source.get());
        first.onUpdate = [&] { leaving.reset(); };
        contacts().Edit();
        contacts().FieldByName(QStringLiteral("Adresse1")).SetAsString(QStringLiteral("x"));
        contacts().Post(); // the destroyed link is not called (the sanitizer would tell)
        QVERIFY(!leaving);
        QCOMPARE(m_source->Links(), std::vector<TDataLink*>{&first});
    }

    void aSourceGoingTellsItsLinks()
    {
        RecordingLink link;
        link.LinkTo(m_source.get());
        m_source.reset();
        QCOMPARE(link.LinkedSource(), nullptr);
        QCOMPARE(link.told.last(), QStringLiteral("source gone"));
        contacts().Next(); // nothing left to tell
    }

    // A filter, its flag and an order changed as one are told once, after the
    // last of them, also when one of them is refused; the viewChanged notice
    // comes once too.
    void changesAsOneAreToldOnce_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("refused");
        QTest::newRow("a birthday period") << QStringLiteral("Md = '04'") << false;
        QTest::newRow("a filter text refused") << QStringLiteral("Md = '04") << true;
    }
    void changesAsOneAreToldOnce()
    {
        QFETCH(QString, filter);
        QFETCH(bool, refused);
        contacts().SetFilter(QStringLiteral("Navn = 'Bo'"));
        contacts().SetFiltered(true);
        RecordingLink link;
        link.LinkTo(m_source.get());
        QSignalSpy notices(&contacts(), &TTable::viewChanged);
        const auto change = [&] {
            contacts().ChangeAsOne([&] {
                contacts().SetIndexName(QStringLiteral("IndexFodsel"));
                contacts().SetFilter(filter);
                contacts().SetFiltered(true);
            });
        };
        if (refused)
            QVERIFY_THROWS_EXCEPTION(EDatabaseError, change());
        else
            change();
        QCOMPARE(link.told, (QStringList{QStringLiteral("view"), QStringLiteral("moved")}));
        QCOMPARE(notices.count(), 1);
        QVERIFY(!contacts().ControlsDisabled());
        QCOMPARE(contacts().IndexName(), QStringLiteral("IndexFodsel"));
    }

    void aDetailThatCannotBeSavedReachesTheMastersMove()
    {
        TDM dm(nullptr, m_folder->data());
        for (TTable* t : dm.ContactTables())
            t->Open();
        dm.TelefonTable->First();
        TTable& family = *dm.FamilieTable;
        addContact(family, QStringLiteral("Anna"), QStringLiteral("1"),
                   {QStringLiteral("FamNavn"), QStringLiteral("Ole")});
        addContact(family, QStringLiteral("Anna"), QStringLiteral("1"),
                   {QStringLiteral("FamNavn"), QStringLiteral("Mia")});
        family.Edit();
        family.FieldByName(QStringLiteral("FamNavn")).SetAsString(QStringLiteral("Ole"));
        // The duplicate warning ends the post silently; the move reports it.
        RecordingDialogs dialogs;
        QVERIFY_THROWS_EXCEPTION(EAbort, dm.TelefonTable->Next());
        QCOMPARE(dialogs.texts(), QStringList{TDM::DuplicateMessage});
        QCOMPARE(family.State(), DataSetState::Edit);
        QCOMPARE(family.FieldByName(QStringLiteral("FamNavn")).AsString(), QStringLiteral("Ole"));
    }

    void aCursorOnTheSameFileThatFailsReachesTheWriter()
    {
        TDM dm(nullptr, m_folder->data());
        for (TTable* t : dm.ContactTables())
            t->Open();
        dm.TelefonTable->First();
        RecordingLink failing;
        failing.LinkTo(dm.FamAllSource);
        failing.throwOnMove = true;
        QVERIFY_THROWS_EXCEPTION(
            EBadValue, addContact(*dm.FamilieTable, QStringLiteral("Anna"), QStringLiteral("1"),
                                  {QStringLiteral("FamNavn"), QStringLiteral("Ole")}));
        // The post itself went through before the other cursor was told.
        QCOMPARE(dm.FamilieTable->State(), DataSetState::Browse);
        QCOMPARE(dm.FamAllTable->RecordCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDataLinks)
#include "test_datalinks.moc"
