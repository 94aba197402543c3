#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "bookgen/BookGenerator.h"
#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "core/store/Connection.h"
#include "gui/controls/DBNavigator.h"
#include "gui/windows/PhoneForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QWindow>
#include <QTest>
#include <cstring>
#include <sqlite3.h>

namespace {

struct ConfigValues
{
    qint64 sprog;
    QString datapost;
    qint64 height, width;
};

ConfigValues readConfig(const QString& dataFolder)
{
    TDM dm(nullptr, dataFolder);
    dm.ConfigTable->Open();
    auto f = [&](const char* n) -> TField& {
        return dm.ConfigTable->FieldByName(QLatin1String(n));
    };
    return {f("Sprog").AsInteger(), f("Datapost").AsString(), f("H_Main").AsInteger(),
            f("W_Main").AsInteger()};
}

void writeConfig(const QString& dataFolder, qint64 sprog, const QString& datapost, qint64 h,
                 qint64 w)
{
    TDM dm(nullptr, dataFolder);
    TTable& c = *dm.ConfigTable;
    c.Open();
    c.Edit();
    c.FieldByName(QStringLiteral("Sprog")).SetAsInteger(sprog);
    c.FieldByName(QStringLiteral("Datapost")).SetAsString(datapost);
    c.FieldByName(QStringLiteral("H_Main")).SetAsInteger(h);
    c.FieldByName(QStringLiteral("W_Main")).SetAsInteger(w);
    c.Post();
}

void addContacts(const QString& dataFolder, const QList<QPair<QString, QString>>& contacts)
{
    TDM dm(nullptr, dataFolder);
    dm.RegTable->Open();
    TTable& t = *dm.TelefonTable;
    t.Open();
    for (const auto& [name, phone] : contacts)
        addContact(t, name, phone);
}

// One run of the program on a data folder: the window is created, shown and closed.
struct Run
{
    TPhoneForm form;
    TDM dm;
    explicit Run(const QString& dataFolder) : dm(nullptr, dataFolder)
    {
        form.SetDataModule(&dm);
        form.ShowMain();
    }
    ~Run() { form.close(); }
    QString currentPhone()
    {
        return dm.TelefonTable->FieldByName(QStringLiteral("Telefon")).AsString();
    }
};

// The rows the contact and family tables hand out in an order, whatever
// statement reads them: what grows with the book when it is stepped through.
// (The birthday reminder reads the contacts marked for a card, in no order.)
int g_tableRows = 0;
int countTableRows(unsigned type, void*, void* statement, void*)
{
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    if (type == SQLITE_TRACE_ROW && sql && std::strstr(sql, "ORDER BY") &&
        (std::strstr(sql, "\"Telefon\"") || std::strstr(sql, "\"Familie\"")))
        ++g_tableRows;
    return 0;
}

QSize screenSize()
{
    return QGuiApplication::primaryScreen()->availableGeometry().size();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_dialogs = std::make_unique<RecordingDialogs>();
    }
    void cleanup()
    {
        m_dialogs.reset();
        m_folder.reset();
    }

    void deliveredFolderStartsInDanishAtTheDesignedSize()
    {
        Run run(m_folder->data());
        QCOMPARE(run.form.OuterSize(), QSize(1024, 600).boundedTo(screenSize()));
        QCOMPARE(run.form.windowTitle(), QStringLiteral("Kalvindo"));
        QCOMPARE(run.form.Sproget()->text(), QStringLiteral("Dansk"));
        QVERIFY(run.form.LanguageItem(-1)->isChecked());
        for (int i = 0; i <= 3; ++i)
            QVERIFY(!run.form.LanguageItem(i)->isChecked());
        QCOMPARE(run.form.PageControl1()->currentIndex(), 0);
        QVERIFY(run.form.HelpItem()->toolTip().endsWith(QLatin1String("/Help/Index.html")));
        for (TTable* t : run.dm.ContactTables())
            QVERIFY2(t->Active(), qPrintable(t->objectName()));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void mainWindowCanBeMinimisedButNotMaximised()
    {
        Run run(m_folder->data());
        // What the window manager is told the window allows.
        const Qt::WindowFlags flags = run.form.windowHandle()->flags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        run.form.showMinimized();
        QVERIFY(run.form.isMinimized());
    }

    void sizeLanguageAndContactRoundTrip()
    {
        addContacts(m_folder->data(), {{"Anna", "111"}, {"Bo", "222"}, {"Carl", "333"}});
        const QSize size = QSize(900, 500).boundedTo(screenSize() - QSize(10, 10));
        {
            Run run(m_folder->data());
            run.form.SetOuterSize(size);
            QVERIFY(run.dm.TelefonTable->Locate(QStringLiteral("Navn"), QStringLiteral("Bo")));
        }
        const ConfigValues saved = readConfig(m_folder->data());
        QCOMPARE(saved.datapost, QStringLiteral("222"));
        QCOMPARE(saved.sprog, -1);
        QCOMPARE(QSize(int(saved.width), int(saved.height)), size);

        Run again(m_folder->data());
        QCOMPARE(again.form.OuterSize(), size);
        QCOMPARE(again.currentPhone(), QStringLiteral("222"));
    }

    // A large book opens on what the window shows: the first page, the
    // counts and the stored contact are read, not every contact on the way
    // to it, even when it is the last one in the order.
    void largeBookStartsWithoutReadingEveryContact()
    {
        constexpr int Contacts = 2000;
        BookGen::Options book;
        book.contacts = Contacts;
        BookGen::fill(m_folder->data(), book);
        QString lastName, lastPhone;
        {
            TDM dm(nullptr, m_folder->data());
            dm.TelefonTable->Open();
            dm.TelefonTable->Last();
            lastName = dm.TelefonTable->FieldByName(QStringLiteral("Navn")).AsString();
            lastPhone = dm.TelefonTable->FieldByName(QStringLiteral("Telefon")).AsString();
        }
        writeConfig(m_folder->data(), -1, lastPhone, 600, 1024);

        // A cursor of the test's own holds the folder's connection open, so
        // that its statements can be traced from the first one the window runs.
        TTable watch;
        watch.SetDatabaseName(m_folder->data());
        watch.SetTableName(QStringLiteral("Postnr.DB"));
        watch.Open();
        sqlite3* db = watch.FileConnection()->handle();
        g_tableRows = 0;
        sqlite3_trace_v2(db, SQLITE_TRACE_ROW, countTableRows, nullptr);
        const auto untrace = qScopeGuard([db] { sqlite3_trace_v2(db, 0, nullptr, nullptr); });
        Run run(m_folder->data());
        QTest::qWait(50); // what the window does once it is shown
        sqlite3_trace_v2(db, 0, nullptr, nullptr);
        // The views read their rows in blocks of 32: a few blocks, not the book.
        QVERIFY2(g_tableRows < Contacts / 8, qPrintable(QString::number(g_tableRows)));

        QCOMPARE(run.dm.TelefonTable->FieldByName(QStringLiteral("Navn")).AsString(), lastName);
        QCOMPARE(run.dm.CountText(), QStringLiteral("Viste registreringer: %1").arg(Contacts));
        // The last contact: the navigator goes back, not on.
        const auto buttons = run.form.findChild<TDBNavigator*>()->findChildren<QToolButton*>();
        QVERIFY(buttons.at(1)->isEnabled());
        QVERIFY(!buttons.at(2)->isEnabled());
        // Where it stands is known when asked for, and the moves go on from there.
        QCOMPARE(run.dm.TelefonTable->CurrentIndex(), Contacts - 1);
        run.dm.TelefonTable->Prior();
        QCOMPARE(run.dm.TelefonTable->CurrentIndex(), Contacts - 2);
    }

    void storedContactThatIsGoneLeavesTheFirstCurrent()
    {
        addContacts(m_folder->data(), {{"Bo", "222"}, {"Anna", "111"}});
        writeConfig(m_folder->data(), -1, QStringLiteral("999"), 600, 1024);
        Run run(m_folder->data());
        QCOMPARE(run.currentPhone(), QStringLiteral("111"));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void twoContactsWithTheStoredPhoneTakeTheFirstByName()
    {
        addContacts(m_folder->data(), {{"Bo", "555"}, {"Anna", "555"}, {"Carl", "111"}});
        writeConfig(m_folder->data(), -1, QStringLiteral("555"), 600, 1024);
        Run run(m_folder->data());
        QCOMPARE(run.dm.TelefonTable->FieldByName(QStringLiteral("Navn")).AsString(),
                 QStringLiteral("Anna"));
    }

    void emptyContactTableWritesEmptyDatapost()
    {
        writeConfig(m_folder->data(), -1, QStringLiteral("222"), 600, 1024);
        {
            Run run(m_folder->data());
        }
        QCOMPARE(readConfig(m_folder->data()).datapost, QString());
    }

    void storedLanguageIsShown()
    {
        writeConfig(m_folder->data(), 3, QString(), 600, 1024);
        Run run(m_folder->data());
        QCOMPARE(run.form.LanguageIndex(), 3);
        QCOMPARE(run.form.Sproget()->text(), QStringLiteral("Deutsch"));
        QCOMPARE(run.form.windowTitle(), QStringLiteral("Kalvindo"));
        for (int i = -1; i <= 3; ++i)
            QCOMPARE(run.form.LanguageItem(i)->isChecked(), i == 3);
    }

    void unusableStoredSizeGivesTheDesignedSize_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("width");
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("negative") << -5 << 800;
        QTest::newRow("larger than the screen") << 600 << 99999;
    }
    void unusableStoredSizeGivesTheDesignedSize()
    {
        QFETCH(int, height);
        QFETCH(int, width);
        writeConfig(m_folder->data(), -1, QString(), height, width);
        Run run(m_folder->data());
        QCOMPARE(run.form.OuterSize(), QSize(1024, 600).boundedTo(screenSize()));
    }

    void storedLanguageOutOfRangeStillOpensTheTables()
    {
        addContacts(m_folder->data(), {{"Anna", "111"}});
        writeConfig(m_folder->data(), 7, QString(), 600, 1024);
        {
            Run run(m_folder->data());
            QCOMPARE(run.form.LanguageIndex(), -1);
            QCOMPARE(run.form.Sproget()->text(), QStringLiteral("Dansk"));
            for (TTable* t : run.dm.ContactTables())
                QVERIFY(t->Active());
        }
        QCOMPARE(readConfig(m_folder->data()).sprog, -1);
    }

    void missingTableIsReportedByNameAndTheRestOpens()
    {
        const QString keywords = m_folder->file(QStringLiteral("Nogleord.DB"));
        QVERIFY(QFile::remove(keywords));
        Run run(m_folder->data());
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].kind, MessageKind::Error);
        QVERIFY(m_dialogs->messages[0].text.contains(QLatin1String("Nogleord.DB")));
        QVERIFY(m_dialogs->messages[0].text.endsWith(u'.'));
        QVERIFY(!run.dm.NogleTable->Active());
        QVERIFY(run.dm.TelefonTable->Active());
        QVERIFY(!QFile::exists(keywords));
    }

    // Started outside its folder: one box that says where the data was looked
    // for and how to start the program, in the language that is active.
    void missingDataFolderGivesOneBox_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("words");
        QTest::newRow("Dansk") << -1 << "programmappe";
        QTest::newRow("English") << 0 << "program folder";
        QTest::newRow("Norsk") << 1 << "programmappen";
        QTest::newRow("Svensk") << 2 << "programmapp";
        QTest::newRow("Deutsch") << 3 << "Programmordner";
    }
    void missingDataFolderGivesOneBox()
    {
        QFETCH(int, language);
        QFETCH(QString, words);
        QVERIFY(QDir(m_folder->data()).removeRecursively());
        {
            TPhoneForm form;
            TDM dm(nullptr, m_folder->data());
            form.SetDataModule(&dm);
            form.QLanguageSource1()->SetActiveLanguage(language);
            form.ShowMain();
            QCOMPARE(m_dialogs->messages.size(), 1);
            const RecordingDialogs::Message& box = m_dialogs->messages[0];
            QCOMPARE(box.kind, MessageKind::Error);
            QVERIFY2(box.text.contains(QDir::toNativeSeparators(m_folder->data())),
                     qPrintable(box.text));
            QVERIFY2(box.text.contains(words), qPrintable(box.text));
            QVERIFY(box.text.contains(QLatin1String("kalvindo.sh")));
            QVERIFY(form.isVisible());
            QCOMPARE(form.OuterSize(), QSize(1024, 600).boundedTo(screenSize()));
            for (TTable* t : dm.ContactTables())
                QVERIFY(!t->Active());
            QVERIFY(!dm.ConfigTable->Active());
            form.close();
        }
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(!QDir(m_folder->data()).exists());
    }

    void closingSavesTheContactBeingEdited()
    {
        addContacts(m_folder->data(), {{"Anna", "111"}});
        {
            Run run(m_folder->data());
            TTable& t = *run.dm.TelefonTable;
            t.Edit();
            t.FieldByName(QStringLiteral("Adresse1")).SetAsString(QStringLiteral("Vestergade 12"));
        }
        TDM dm(nullptr, m_folder->data());
        dm.TelefonTable->Open();
        QCOMPARE(dm.TelefonTable->FieldByName(QStringLiteral("Adresse1")).AsString(),
                 QStringLiteral("Vestergade 12"));
    }

    void closingWithARecordThatCannotBeSavedKeepsTheWindowOpen()
    {
        addContacts(m_folder->data(), {{"Anna", "111"}});
        Run run(m_folder->data());
        run.dm.SetHost(nullptr);
        TTable& t = *run.dm.TelefonTable;
        t.Insert();
        t.FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anna"));
        t.FieldByName(QStringLiteral("Telefon")).SetAsString(QStringLiteral("111"));
        QVERIFY(!run.form.close());
        QVERIFY(run.form.isVisible());
        QCOMPARE(t.State(), DataSetState::Insert);
        QCOMPARE(m_dialogs->texts(), QStringList{TDM::DuplicateMessage});
        t.Cancel();
    }

    void corruptConfigurationIsReportedAndNothingIsWritten()
    {
        const QString config = m_folder->file(QStringLiteral("Config.DB"));
        QFile f(config);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("this is no table file");
        f.close();
        {
            Run run(m_folder->data());
            QVERIFY(m_dialogs->texts().join(u'\n').contains(QLatin1String("Config.DB")));
            QVERIFY(run.dm.TelefonTable->Active());
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("this is no table file"));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
