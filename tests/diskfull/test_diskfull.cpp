#include "FaultyDisk.h"
#include "RecordingDialogs.h"
#include "StoreTestHelpers.h"

#include "core/data/DM.h"
#include "core/store/DatabaseError.h"
#include "core/store/Field.h"

#include <QDir>
#include <QTest>

#include <functional>

namespace {

enum class Operation
{
    NewContact,
    EditedContact,
    RenamedContact,
    DeletedContact,
    NewMember,
    NewKeyword,
    Configuration
};

const QStringList Files = {QStringLiteral("Telefon.DB"), QStringLiteral("Familie.db"),
                           QStringLiteral("Nogleord.DB"), QStringLiteral("Regnr.DB"),
                           QStringLiteral("Config.DB")};

// Every row of every table file, and whether each file checks out whole.
QStringList snapshot(const QString& folder)
{
    QStringList all;
    for (const QString& name : Files) {
        RawConnection raw(QDir(folder).filePath(name));
        all << name + QStringLiteral(": ") +
                   raw.query(QStringLiteral("PRAGMA integrity_check")).join(u',');
        const QString table = name.section(u'.', 0, 0);
        QStringList columns;
        for (const QString& c :
             raw.query(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table)))
            columns << QStringLiteral("quote(\"%1\")").arg(c);
        all << raw.query(QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY rowid")
                             .arg(columns.join(QStringLiteral("||','||")), table));
    }
    return all;
}

QString text(TTable& table, const char* field)
{
    return table.FieldByName(QLatin1String(field)).AsString();
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(FaultyDisk::Failure)

class DiskFullTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<FaultyDisk> m_disk;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TDM> m_dm;

    void addMember(const QString& name)
    {
        TTable& members = *m_dm->FamilieTable;
        members.Insert();
        members.FieldByName(QStringLiteral("FamNavn")).SetAsString(name);
        members.Post();
    }

    struct Step
    {
        std::function<void()> finish; // the post or the delete
        TTable* table;
        QString typed; // the field typed into, if any
    };

    // Starts the operation as the user does.
    Step begin(Operation operation)
    {
        TTable& contacts = *m_dm->TelefonTable;
        const auto post = [](TTable& table, const char* typed) {
            return Step{[&table] { table.Post(); }, &table, QLatin1String(typed)};
        };
        switch (operation) {
        case Operation::NewContact:
            contacts.Insert();
            contacts.FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Bo"));
            contacts.FieldByName(QStringLiteral("Telefon")).SetAsString(QStringLiteral("222"));
            return post(contacts, "Telefon");
        case Operation::EditedContact:
            contacts.Edit();
            contacts.FieldByName(QStringLiteral("Adresse1"))
                .SetAsString(QStringLiteral("Vestergade 1"));
            return post(contacts, "Adresse1");
        case Operation::RenamedContact:
            contacts.Edit();
            contacts.FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anne"));
            return post(contacts, "Navn");
        case Operation::DeletedContact:
            return {[&contacts] { contacts.Delete(); }, &contacts, QString()};
        case Operation::NewMember:
            m_dm->FamilieTable->Insert();
            m_dm->FamilieTable->FieldByName(QStringLiteral("FamNavn"))
                .SetAsString(QStringLiteral("Carl"));
            return post(*m_dm->FamilieTable, "FamNavn");
        case Operation::NewKeyword:
            m_dm->NogleTable->Insert();
            m_dm->NogleTable->FieldByName(QStringLiteral("Nogleord"))
                .SetAsString(QStringLiteral("Nabo"));
            return post(*m_dm->NogleTable, "Nogleord");
        case Operation::Configuration:
            m_dm->ConfigTable->Edit();
            m_dm->ConfigTable->FieldByName(QStringLiteral("Sprog")).SetAsInteger(3);
            return post(*m_dm->ConfigTable, "Sprog");
        }
        return {};
    }

    // What the finished operation leaves in the files, read anew.
    bool isDone(Operation operation)
    {
        TDM dm(nullptr, m_folder->data());
        TTable& contacts = *dm.TelefonTable;
        contacts.Open();
        const auto has = [&](const char* navn) {
            return contacts.Locate(QStringLiteral("Navn"), QString::fromLatin1(navn));
        };
        const auto members = [&](const char* navn) {
            auto rows = openTable(m_folder->data(), QStringLiteral("Familie.DB"));
            rows->SetFilter(QStringLiteral("Navn = '%1'").arg(QLatin1String(navn)));
            rows->SetFiltered(true);
            return rows->RecordCount();
        };
        switch (operation) {
        case Operation::NewContact:
            return has("Bo");
        case Operation::EditedContact:
            return has("Anna") && text(contacts, "Adresse1") == u"Vestergade 1";
        case Operation::RenamedContact:
            return has("Anne") && !has("Anna") && members("Anne") == 2 && members("Anna") == 0;
        case Operation::DeletedContact:
            return !has("Anna") && members("Anna") == 0;
        case Operation::NewMember:
            return members("Anna") == 3;
        case Operation::NewKeyword:
            dm.NogleTable->Open();
            return dm.NogleTable->Locate(QStringLiteral("Nogleord"), QStringLiteral("Nabo"));
        case Operation::Configuration:
            dm.ConfigTable->Open();
            return dm.ConfigTable->FieldByName(QStringLiteral("Sprog")).AsInteger() == 3;
        }
        return false;
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_disk = std::make_unique<FaultyDisk>();
        m_dialogs = std::make_unique<RecordingDialogs>();
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        for (TTable* t : m_dm->ContactTables())
            t->Open();
        m_dm->ConfigTable->Open();
        ::addContact(*m_dm->TelefonTable, QStringLiteral("Anna"), QStringLiteral("111"));
        addMember(QStringLiteral("Lise"));
        addMember(QStringLiteral("Per"));
        m_dm->NogleTable->Insert();
        m_dm->NogleTable->FieldByName(QStringLiteral("Nogleord"))
            .SetAsString(QStringLiteral("Ven"));
        m_dm->NogleTable->Post();
        QVERIFY(m_dm->TelefonTable->Locate(QStringLiteral("Navn"), QStringLiteral("Anna")));
    }

    void cleanup()
    {
        m_dm.reset();
        m_dialogs.reset();
        m_disk.reset();
        m_folder.reset();
    }

    // However little of it reaches the disk, a write that fails says so,
    // keeps what was typed, leaves the files as they were, and succeeds
    // once there is room again.
    void aWriteThatFailsIsToldAndLosesNothing_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<FaultyDisk::Failure>("failure");
        QTest::addColumn<qint64>("budget");
        const std::pair<const char*, Operation> operations[] = {
            {"new contact", Operation::NewContact},
            {"edited contact", Operation::EditedContact},
            {"renamed contact", Operation::RenamedContact},
            {"deleted contact", Operation::DeletedContact},
            {"new family member", Operation::NewMember},
            {"new keyword", Operation::NewKeyword},
            {"configuration", Operation::Configuration}};
        for (const auto& [name, operation] : operations)
            for (qint64 budget : {0, 600, 5000, 9000})
                for (const auto failure : {FaultyDisk::Failure::Full, FaultyDisk::Failure::IoError})
                    QTest::addRow("%s, %s after %lld bytes", name,
                                  failure == FaultyDisk::Failure::Full ? "full" : "I/O error",
                                  budget)
                        << operation << failure << budget;
    }

    void aWriteThatFailsIsToldAndLosesNothing()
    {
        QFETCH(Operation, operation);
        QFETCH(FaultyDisk::Failure, failure);
        QFETCH(qint64, budget);
        const Step step = begin(operation);
        const QStringList before = snapshot(m_folder->data());
        TTable* table = step.table;
        const DataSetState state = table->State();
        const QString typed =
            step.typed.isEmpty() ? QString() : table->FieldByName(step.typed).AsString();

        m_disk->failAfter(budget, failure);
        QString error;
        try {
            step.finish();
        } catch (const EAbort&) {
            QFAIL("a failed write passed silently");
        } catch (const EDatabaseError& e) {
            error = e.message();
        }
        const bool refused = m_disk->refused();
        m_disk->heal();
        if (error.isEmpty()) {
            // Enough room for it: then it must really be there.
            QVERIFY2(!refused, "a refused write was reported as saved");
            QVERIFY(isDone(operation));
            return;
        }
        QVERIFY2(error.contains(m_folder->data()) || error.contains(QLatin1String(".DB")) ||
                     error.contains(QLatin1String(".db")),
                 qPrintable(error));
        QVERIFY2(error.contains(QLatin1String("disk")) || error.contains(QLatin1String("saved")),
                 qPrintable(error));
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(table->State(), state);
        if (!typed.isEmpty())
            QCOMPARE(table->FieldByName(step.typed).AsString(), typed);
        // A broken disk may keep what SQLite needs to undo the write until
        // the program reads again; then the files are as they were.
        for (TTable* t : m_dm->ContactTables() + QList<TTable*>{m_dm->ConfigTable})
            t->RecordCount();
        QCOMPARE(snapshot(m_folder->data()), before);
        QVERIFY(!isDone(operation));

        // The program goes on: the same write, with room again.
        step.finish();
        QCOMPARE(table->State(), DataSetState::Browse);
        QVERIFY(isDone(operation));
    }
};

QTEST_GUILESS_MAIN(DiskFullTest)
#include "test_diskfull.moc"
