#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/birthday/BirthdayReminder.h"
#include "core/data/DM.h"
#include "gui/windows/PhoneForm.h"

#include <QTest>
#include <sqlite3.h>

using namespace BirthdayReminder;

namespace {

// One contact as the tests write it: name, phone, marked for a birthday
// card, reminder days ("" for none), birthday ("" for none).
struct Person
{
    QString navn, telefon, fkort, reminder, fodselsdag;
};
using People = QList<Person>;

const QDate Today(2026, 4, 10);

void addPeople(TDM& dm, const People& people)
{
    for (const Person& p : people)
        addContact(*dm.TelefonTable, p.navn, p.telefon,
                   {QStringLiteral("FKort"), p.fkort, QStringLiteral("Reminder"), p.reminder,
                    QStringLiteral("Fodselsdag"), p.fodselsdag});
}

// Writes a birthday text the program would never store, as another tool might.
void writeRawBirthday(const QString& file, const QString& navn, const QString& text)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "UPDATE Telefon SET Fodselsdag = ?1 WHERE Navn = ?2", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, text.toUtf8().constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, navn.toUtf8().constData(), -1, SQLITE_TRANSIENT);
    QCOMPARE(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

QString todayDa(const QString& navn, const QString& telefon)
{
    return navn +
           QStringLiteral(" har fødselsdag i dag \n\r\n\rHuskede du at sende "
                          "fødselsdagskort?\n\r\n\rEllers må du nok hellere ringe ") +
           navn + QStringLiteral(" op på nummer ") + telefon;
}
QString todayEn(const QString& navn, const QString& telefon)
{
    return navn +
           QStringLiteral(" is celebrating birthday today \n\r\n\rDid you remimber to send "
                          "a greeting card?\n\r\n\rIf not, maybe you should call ") +
           navn + QStringLiteral(" on number ") + telefon;
}
QString comingDa(const QString& navn, const QString& fodselsdag)
{
    return navn + QStringLiteral(" har fødselsdag ") + fodselsdag +
           QStringLiteral("\n\r\n\rHusk at sende fødselsdagskort!");
}
QString comingEn(const QString& navn, const QString& fodselsdag)
{
    return navn + QStringLiteral(" is celebrating birthday ") + fodselsdag +
           QStringLiteral("\n\r\n\rDo remember to send a greeting card!");
}

} // namespace

class TestReminder : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TDM> m_dm;

    void openTables()
    {
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        m_dm->RegTable->Open();
        m_dm->TelefonTable->Open();
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_dialogs = std::make_unique<RecordingDialogs>();
        openTables();
    }
    void cleanup()
    {
        m_dm.reset();
        m_dialogs.reset();
        m_folder.reset();
    }

    void birthdayDayAgainstTheTargetDay_data()
    {
        QTest::addColumn<QDate>("birthday");
        QTest::addColumn<qint64>("days");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("expected");
        const int none = int(Occasion::None), on = int(Occasion::Today),
                  coming = int(Occasion::Coming);
        QTest::newRow("today, no days") << QDate(2026, 4, 10) << qint64(0) << Today << on;
        QTest::newRow("7 days ahead") << QDate(2026, 4, 17) << qint64(7) << Today << coming;
        QTest::newRow("7 days ahead, born long ago")
            << QDate(1950, 4, 17) << qint64(7) << Today << coming;
        QTest::newRow("born today long ago") << QDate(1970, 4, 10) << qint64(0) << Today << on;
        QTest::newRow("6 days ahead is not 7") << QDate(1950, 4, 16) << qint64(7) << Today << none;
        QTest::newRow("same day, other month") << QDate(1950, 5, 17) << qint64(7) << Today << none;
        QTest::newRow("yesterday with -1") << QDate(2026, 4, 9) << qint64(-1) << Today << coming;
        QTest::newRow("into the next year")
            << QDate(1980, 1, 3) << qint64(7) << QDate(2026, 12, 27) << coming;
        QTest::newRow("29 February on 28 February of a common year")
            << QDate(1988, 2, 29) << qint64(0) << QDate(2027, 2, 28) << on;
        QTest::newRow("29 February, 3 days ahead of 28 February")
            << QDate(1988, 2, 29) << qint64(3) << QDate(2027, 2, 25) << coming;
        QTest::newRow("29 February waits in a leap year")
            << QDate(1988, 2, 29) << qint64(0) << QDate(2028, 2, 28) << none;
        QTest::newRow("29 February in a leap year")
            << QDate(1988, 2, 29) << qint64(0) << QDate(2028, 2, 29) << on;
        QTest::newRow("28 February is not 29")
            << QDate(1988, 2, 28) << qint64(0) << QDate(2028, 2, 29) << none;
        QTest::newRow("no birthday") << QDate() << qint64(0) << Today << none;
        QTest::newRow("days beyond any calendar")
            << QDate(2026, 4, 10) << std::numeric_limits<qint64>::max() << Today << none;
        QTest::newRow("days before any calendar")
            << QDate(2026, 4, 10) << std::numeric_limits<qint64>::min() << Today << none;
    }
    void birthdayDayAgainstTheTargetDay()
    {
        QFETCH(QDate, birthday);
        QFETCH(qint64, days);
        QFETCH(QDate, today);
        QFETCH(int, expected);
        QCOMPARE(int(occasion(birthday, days, today)), expected);
    }

    void dueRemindersInTableOrder_data()
    {
        QTest::addColumn<People>("people");
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("expected");
        const QString ja = QStringLiteral("Ja"), nej = QStringLiteral("Nej");
        QTest::newRow("no contact marked")
            << People{{"Anna", "111", nej, "0", "10-04-2026"}} << -1 << QStringList();
        QTest::newRow("marked, empty reminder, on the day")
            << People{{"Anna", "111", ja, "", "10-04-2026"}} << -1
            << QStringList{todayDa("Anna", "111")};
        QTest::newRow("marked, reminder 0, born long ago")
            << People{{"Anna", "111", ja, "0", "10-04-1961"}} << -1
            << QStringList{todayDa("Anna", "111")};
        QTest::newRow("7 days ahead shows the birthday as stored")
            << People{{"Bo", "222", ja, "7", "17-04-1970"}} << -1
            << QStringList{comingDa("Bo", "17-04-1970")};
        QTest::newRow("-1 and yesterday") << People{{"Bo", "222", ja, "-1", "09-04-2001"}} << -1
                                          << QStringList{comingDa("Bo", "09-04-2001")};
        QTest::newRow("not marked")
            << People{{"Anna", "111", nej, "0", "10-04-2026"}} << -1 << QStringList();
        QTest::newRow("marked without a birthday, the next still reminded")
            << People{{"Anna", "111", ja, "0", ""}, {"Bo", "222", ja, "0", "10-04-1990"}} << -1
            << QStringList{todayDa("Bo", "222")};
        QTest::newRow("three in name order")
            << People{{"Carl", "333", ja, "0", "10-04-1990"},
                      {"Anna", "111", ja, "7", "17-04-1980"},
                      {"Dorte", "444", nej, "0", "10-04-1990"},
                      {"Bo", "222", ja, "3", "13-04-1970"}}
            << -1
            << QStringList{comingDa("Anna", "17-04-1980"), comingDa("Bo", "13-04-1970"),
                           todayDa("Carl", "333")};
        const People both{{"Anna", "111", ja, "0", "10-04-1990"},
                          {"Bo", "222", ja, "2", "12-04-1990"}};
        QTest::newRow("English") << both << 0
                                 << QStringList{todayEn("Anna", "111"),
                                                comingEn("Bo", "12-04-1990")};
        QTest::newRow("Norsk shows Danish")
            << both << 1 << QStringList{todayDa("Anna", "111"), comingDa("Bo", "12-04-1990")};
        QTest::newRow("Svensk shows Danish")
            << both << 2 << QStringList{todayDa("Anna", "111"), comingDa("Bo", "12-04-1990")};
        QTest::newRow("Deutsch shows English")
            << both << 3 << QStringList{todayEn("Anna", "111"), comingEn("Bo", "12-04-1990")};
        QTest::newRow("a name with a placeholder stays as typed")
            << People{{"%2 Hansen", "111", ja, "0", "10-04-1990"}} << -1
            << QStringList{todayDa("%2 Hansen", "111")};
    }
    void dueRemindersInTableOrder()
    {
        QFETCH(People, people);
        QFETCH(int, language);
        QFETCH(QStringList, expected);
        addPeople(*m_dm, people);
        QStringList texts;
        for (const Reminder& r : due(*m_dm->TelefonTable, Today, language))
            texts << r.text;
        QCOMPARE(texts, expected);
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void unreadableBirthdayIsPassedOver()
    {
        addPeople(*m_dm, {{"Anna", "111", "Ja", "0", "10-04-1990"},
                          {"Bo", "222", "Ja", "0", "10-04-1990"}});
        m_dm.reset();
        writeRawBirthday(m_folder->file(QStringLiteral("Telefon.DB")), QStringLiteral("Anna"),
                         QStringLiteral("the tenth"));
        openTables();
        run(*m_dm->TelefonTable, Today);
        QCOMPARE(m_dialogs->texts(), QStringList{todayDa("Bo", "222")});
    }

    void runShowsOneInformationBoxPerReminderAndLeavesTheMarkedFiltered()
    {
        addPeople(*m_dm, {{"Bo", "222", "Ja", "0", "10-04-1990"},
                          {"Anna", "111", "Ja", "1", "11-04-1990"},
                          {"Carl", "333", "Nej", "0", "10-04-1990"},
                          {"Dorte", "444", "Ja", "0", ""}});
        TTable& contacts = *m_dm->TelefonTable;
        run(contacts, Today);
        QCOMPARE(m_dialogs->messages.size(), 2);
        for (const auto& m : m_dialogs->messages) {
            QCOMPARE(m.kind, MessageKind::Information);
            QCOMPARE(m.buttons, MessageButtons(Ok));
        }
        QCOMPARE(m_dialogs->texts(),
                 (QStringList{comingDa("Anna", "11-04-1990"), todayDa("Bo", "222")}));
        QCOMPARE(contacts.Filter(), QStringLiteral("FKort = 'Ja'"));
        QVERIFY(contacts.Filtered());
        QCOMPARE(contacts.RecordCount(), 3);
        QVERIFY(!contacts.IsEditing());
    }

    // Start-up goes on past a marked contact the reminder cannot read: no
    // error, the filter lifted, the stored contact current.
    void startUpRestoresTheStoredContactAfterTheReminder()
    {
        addPeople(*m_dm, {{"Anna", "111", "Ja", "0", ""},
                          {"Bo", "222", "Ja", "0", "01-01-1990"},
                          {"Carl", "333", "Nej", "0", ""}});
        m_dm->ConfigTable->Open();
        m_dm->ConfigTable->Edit();
        m_dm->ConfigTable->FieldByName(QStringLiteral("Datapost")).SetAsString("333");
        m_dm->ConfigTable->Post();
        m_dm.reset();
        writeRawBirthday(m_folder->file(QStringLiteral("Telefon.DB")), QStringLiteral("Bo"),
                         QStringLiteral("31-31-1990"));
        TDM dm(nullptr, m_folder->data());
        {
            TPhoneForm form;
            form.SetDataModule(&dm);
            form.ShowMain();
            QVERIFY(m_dialogs->messages.isEmpty());
            QVERIFY(!dm.TelefonTable->Filtered());
            QCOMPARE(dm.TelefonTable->RecordCount(), 3);
            QCOMPARE(dm.TelefonTable->FieldByName(QStringLiteral("Navn")).AsString(),
                     QStringLiteral("Carl"));
            form.close();
        }
    }
};

QTEST_MAIN(TestReminder)
#include "test_reminder.moc"
