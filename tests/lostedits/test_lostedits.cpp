#include "FaultyDisk.h"
#include "MainWindowFixture.h"

#include "core/backup/DataBackup.h"
#include "core/data/DM.h"
#include "core/store/Field.h"
#include "gui/controls/DBGrid.h"
#include "gui/controls/DBNavigator.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/pages/family/FamilyPage.h"
#include "gui/pages/overview/OverviewPage.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"
#include "ui_DetailsPage.h"
#include "ui_FamilyPage.h"
#include "ui_NogleForm.h"
#include "ui_OverviewPage.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {

enum class Record
{
    EditedContact,
    NewContact,
    EditedMember,
    NewMember
};

enum class Interruption
{
    Close,
    Page,
    Language,
    Sort
};

// The first column of what a query finds in a table file, read by a plain
// connection of its own: what is on disk, whatever the program holds.
QStringList stored(const QString& file, const char* sql)
{
    sqlite3* db = nullptr;
    QStringList rows;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK)
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    else
        rows << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Record)
Q_DECLARE_METATYPE(Interruption)

class LostEditsTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<MainWindowFixture> m_app;

    TPhoneForm& form() { return m_app->form(); }
    Ui::DetailsPage& details() { return form().DetailsPage()->Form(); }
    Ui::FamilyPage& family() { return form().FamilyPage()->Form(); }
    QString file(const char* name) const { return m_app->folder().file(QLatin1String(name)); }

    void addMember(const QString& name)
    {
        TTable& members = m_app->members();
        members.Insert();
        members.FieldByName(QStringLiteral("FamNavn")).SetAsString(name);
        members.Post();
    }

    // Types into a control that has the focus and stays in it: the text is
    // in the control, not yet in the record.
    static void typeInto(QWidget* control, const QString& text)
    {
        control->setFocus();
        typeText(control, text);
    }

    // Starts the edit as the user does, leaving the last text typed in its box.
    void begin(Record record)
    {
        switch (record) {
        case Record::EditedContact:
            m_app->showPage("TabSheet1");
            typeInto(details().DBEdit8, QStringLiteral("Vestergade 1"));
            break;
        case Record::NewContact:
            m_app->showPage("TabSheet1");
            QTest::mouseClick(details().PhoneNav->button(TDBNavigator::Insert), Qt::LeftButton);
            typeInto(details().DBEdit2, QStringLiteral("Bo"));
            typeInto(details().DBEdit16, QStringLiteral("222"));
            break;
        case Record::EditedMember:
            m_app->showPage("TabSheet2");
            typeInto(family().DBEdit24, QStringLiteral("Bror"));
            break;
        case Record::NewMember:
            m_app->showPage("TabSheet2");
            QTest::mouseClick(family().Button1, Qt::LeftButton);
            typeInto(family().SpouseEdit, QStringLiteral("Lise"));
            break;
        }
    }

    // Whether the edit begun is on disk.
    bool isStored(Record record)
    {
        const QString contacts = file("Telefon.DB");
        const QString members = file("Familie.db");
        switch (record) {
        case Record::EditedContact:
            return stored(contacts, "SELECT Adresse1 FROM Telefon WHERE Navn = 'Anna'") ==
                   QStringList{"Vestergade 1"};
        case Record::NewContact:
            return stored(contacts, "SELECT Telefon FROM Telefon WHERE Navn = 'Bo'") ==
                   QStringList{"222"};
        case Record::EditedMember:
            return stored(members, "SELECT Relation FROM Familie WHERE FamNavn = 'Per'") ==
                   QStringList{"Bror"};
        case Record::NewMember:
            return stored(members, "SELECT Navn FROM Familie WHERE FamNavn = 'Lise'") ==
                   QStringList{"Anna"};
        }
        return false;
    }

    void interrupt(Interruption interruption)
    {
        switch (interruption) {
        case Interruption::Close:
            break;
        case Interruption::Page:
            m_app->showPage("TabSheet3");
            break;
        case Interruption::Language:
            form().EnglishClick();
            break;
        case Interruption::Sort:
            m_app->showPage("TabSheet4");
            QTest::mouseClick(form().OverviewPage()->Form().RadioButton2, Qt::LeftButton, {},
                              QPoint(8, 8));
            break;
        }
        QApplication::processEvents();
    }

    // Types a keyword into the keyword window's grid, leaving it in the cell.
    void typeKeyword(const QString& word)
    {
        TNogleForm& window = m_app->keywordWindow();
        window.show(); // open, as the user has it
        TDBGrid* grid = window.Form().DBGrid1;
        QTest::mouseClick(window.Form().DBNavigator1->button(TDBNavigator::Insert), Qt::LeftButton);
        if (word.isEmpty())
            return;
        grid->setFocus();
        QTest::keyClick(grid, word[0].toLatin1());
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, word.mid(1));
    }

    // Closes the main window while the keyword window is open over it, as the
    // desktop does when the session ends.
    bool closeWithKeywordTyped(const QString& word)
    {
        bool closed = false;
        m_app->keywordWindow();
        m_app->dialogs().onModal = [&](QObject*) {
            typeKeyword(word);
            closed = form().close();
            return 0;
        };
        form().Nogleord1Click();
        return closed;
    }

private slots:
    void init()
    {
        m_app = std::make_unique<MainWindowFixture>();
        addContact(m_app->contacts(), QStringLiteral("Anna"), QStringLiteral("111"));
        addMember(QStringLiteral("Per"));
    }
    void cleanup() { m_app.reset(); }

    void nothingTypedIsLost_data()
    {
        QTest::addColumn<Record>("record");
        QTest::addColumn<Interruption>("interruption");
        const std::pair<const char*, Record> records[] = {{"edited contact", Record::EditedContact},
                                                          {"new contact", Record::NewContact},
                                                          {"edited member", Record::EditedMember},
                                                          {"new member", Record::NewMember}};
        const std::pair<const char*, Interruption> interruptions[] = {
            {"close", Interruption::Close},
            {"page", Interruption::Page},
            {"language", Interruption::Language},
            {"sort", Interruption::Sort}};
        for (const auto& [recordName, record] : records)
            for (const auto& [how, interruption] : interruptions)
                QTest::addRow("%s, %s", recordName, how) << record << interruption;
    }

    void nothingTypedIsLost()
    {
        QFETCH(Record, record);
        QFETCH(Interruption, interruption);
        begin(record);
        interrupt(interruption);
        QVERIFY(form().close());
        QCOMPARE(m_app->dialogs().texts(), QStringList());
        QVERIFY(isStored(record));
    }

    void aKeywordTypedIsSavedWhenTheMainWindowCloses()
    {
        QVERIFY(closeWithKeywordTyped(QStringLiteral("Nabo")));
        QCOMPARE(m_app->dialogs().texts(), QStringList());
        QCOMPARE(stored(file("Nogleord.DB"), "SELECT Nogleord FROM Nogleord"), QStringList{"Nabo"});
    }

    // Tilføj and nothing typed: the window closes without a word and the
    // files stay as they were.
    void anUntouchedNewRecordIsDropped_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("contact") << "contact";
        QTest::newRow("family member") << "family member";
        QTest::newRow("keyword") << "keyword";
    }

    void anUntouchedNewRecordIsDropped()
    {
        QFETCH(QString, what);
        const QStringList names = {"Telefon.DB", "Familie.db", "Nogleord.DB"};
        QList<QByteArray> before;
        for (const QString& name : names)
            before << readBytes(m_app->folder().file(name));
        if (what == u"keyword") {
            QVERIFY(closeWithKeywordTyped(QString()));
        } else {
            if (what == u"contact") {
                m_app->showPage("TabSheet1");
                QTest::mouseClick(details().PhoneNav->button(TDBNavigator::Insert), Qt::LeftButton);
            } else {
                m_app->showPage("TabSheet2");
                QTest::mouseClick(family().Button1, Qt::LeftButton);
            }
            QVERIFY(form().close());
        }
        QCOMPARE(m_app->dialogs().texts(), QStringList());
        for (int i = 0; i < names.size(); ++i)
            QVERIFY2(readBytes(m_app->folder().file(names[i])) == before[i], qPrintable(names[i]));
    }

    // A record that cannot be saved keeps the window open, with what was
    // typed, and says why; once the cause is gone the window closes with it saved.
    void aFailedSaveKeepsTheWindowOpen_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("duplicate") << "duplicate";
        QTest::newRow("full disk") << "full disk";
        QTest::newRow("I/O error") << "I/O error";
    }

    void aFailedSaveKeepsTheWindowOpen()
    {
        QFETCH(QString, cause);
        FaultyDisk disk;
        m_app.reset();
        init();
        m_app->showPage("TabSheet1");
        QTest::mouseClick(details().PhoneNav->button(TDBNavigator::Insert), Qt::LeftButton);
        typeInto(details().DBEdit2, QStringLiteral("Anna"));
        typeInto(details().DBEdit16,
                 cause == u"duplicate" ? QStringLiteral("111") : QStringLiteral("222"));
        if (cause != u"duplicate")
            disk.failAfter(0, cause == u"full disk" ? FaultyDisk::Failure::Full
                                                    : FaultyDisk::Failure::IoError);
        QVERIFY(!form().close());
        disk.heal();
        QVERIFY(form().isVisible());
        QCOMPARE(m_app->dialogs().messages.size(), 1);
        const QString told = m_app->dialogs().messages[0].text;
        if (cause == u"duplicate")
            QCOMPARE(told, TDM::DuplicateMessage);
        else
            QVERIFY2(told.contains(QLatin1String("Telefon.DB")) ||
                         told.contains(m_app->folder().data()),
                     qPrintable(told));
        QCOMPARE(m_app->contacts().State(), DataSetState::Insert);
        QCOMPARE(details().DBEdit2->text(), QStringLiteral("Anna"));
        QCOMPARE(details().DBEdit16->text(),
                 cause == u"duplicate" ? QStringLiteral("111") : QStringLiteral("222"));

        if (cause == u"duplicate") {
            details().DBEdit16->clear();
            typeInto(details().DBEdit16, QStringLiteral("222"));
        }
        QVERIFY(form().close());
        QCOMPARE(stored(file("Telefon.DB"),
                        "SELECT Telefon FROM Telefon WHERE Navn = 'Anna' ORDER BY Telefon"),
                 (QStringList{"111", "222"}));
    }

    // Nothing is being typed, and the configuration cannot be written at
    // close: the window closes all the same, and says what was not saved.
    void aConfigurationThatCannotBeSavedAtCloseIsTold()
    {
        FaultyDisk disk;
        m_app.reset();
        init();
        const QByteArray before = readBytes(file("Config.DB"));
        disk.failAfter(0, FaultyDisk::Failure::IoError);
        QVERIFY(form().close());
        disk.heal();
        QCOMPARE(m_app->dialogs().messages.size(), 1);
        QVERIFY2(m_app->dialogs().messages[0].text.contains(QLatin1String("Config.DB")),
                 qPrintable(m_app->dialogs().messages[0].text));
        m_app->dm().ConfigTable->RecordCount(); // the program reads on, the write undone
        QCOMPARE(readBytes(file("Config.DB")), before);
    }

    // A restore puts other files in place of the open ones: what is typed
    // after it goes into them, also for the family members, whose own
    // cursor of the record rules held the file replaced.
    void familyMembersAddedAfterARestoreAreSaved()
    {
        TDM& dm = m_app->dm();
        dm.TelefonTable->Edit();
        dm.TelefonTable->FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anne"));
        dm.TelefonTable->Post();
        DataBackup backups(m_app->folder().data(),
                           m_app->folder().root() + QStringLiteral("/Billeder"));
        const QDateTime now = QDateTime::currentDateTime();
        const QString taken = backups.Take(now);
        addMember(QStringLiteral("Lise"));
        backups.Restore(
            taken, now.addSecs(2), [&] { dm.CloseTables(); },
            [&] {
                dm.ConfigTable->Open();
                for (TTable* t : dm.ContactTables())
                    t->Open();
            });
        QCOMPARE(m_app->members().RecordCount(), 1);
        addMember(QStringLiteral("Ida"));
        QCOMPARE(stored(file("Familie.db"), "SELECT FamNavn FROM Familie ORDER BY FamNavn"),
                 (QStringList{"Ida", "Per"}));
    }

    // A table file the user made read-only opens, and the first save says
    // that it cannot be written.
    void aReadOnlyTableFileIsToldAtTheFirstWrite()
    {
        m_app.reset();
        m_app = std::make_unique<MainWindowFixture>([](const TempDataFolder& folder) {
            QVERIFY(
                ::chmod(QFile::encodeName(folder.file(QStringLiteral("Telefon.DB"))).constData(),
                        0400) == 0);
        });
        QCOMPARE(m_app->dialogs().texts(), QStringList());
        QVERIFY(m_app->contacts().Active());
        m_app->showPage("TabSheet1");
        QTest::mouseClick(details().PhoneNav->button(TDBNavigator::Insert), Qt::LeftButton);
        typeInto(details().DBEdit2, QStringLiteral("Bo"));
        QVERIFY(!form().close());
        QCOMPARE(m_app->dialogs().messages.size(), 1);
        QVERIFY2(m_app->dialogs().messages[0].text.contains(QLatin1String("Telefon.DB")),
                 qPrintable(m_app->dialogs().messages[0].text));
        QCOMPARE(m_app->contacts().State(), DataSetState::Insert);
        QCOMPARE(details().DBEdit2->text(), QStringLiteral("Bo"));
    }
};

QTEST_MAIN(LostEditsTest)
#include "test_lostedits.moc"
