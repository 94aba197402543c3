#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "core/data/RecordRulesHost.h"
#include "core/i18n/InCodeText.h"
#include "core/i18n/LanguageSource.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Keeps what the rules told the windows, in the order they told it.
class FakeHost : public RecordRulesHost
{
public:
    int placeholders = 0;
    int pictures = 0;
    bool placeholderFails = false;
    QStringList told;

    void ContactInserted() override { told << QStringLiteral("contact inserted"); }
    void FamilyMemberInserted() override { told << QStringLiteral("family member inserted"); }
    void KeywordInserted() override { told << QStringLiteral("keyword inserted"); }
    void ShowPlaceholderPicture() override
    {
        ++placeholders;
        if (placeholderFails)
            throw Exception(QStringLiteral("Cannot open picture Billeder/Ingen.jpg"));
    }
    void ShowContactPicture() override { ++pictures; }
};

} // namespace

class TestRecordRules : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TDM> m_dm;
    FakeHost m_host;
    QString m_countText; // the last count notice

    TTable& contacts() { return *m_dm->TelefonTable; }
    TField& field(TTable& t, const char* name) { return t.FieldByName(QLatin1String(name)); }

    void addContact(const QString& name, const QString& phone, const QString& keyword = QString())
    {
        ::addContact(contacts(), name, phone, {QStringLiteral("Nogleord"), keyword});
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_dialogs = std::make_unique<RecordingDialogs>();
        m_host = FakeHost();
        m_countText.clear();
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        m_dm->SetHost(&m_host);
        connect(m_dm.get(), &TDM::countChanged, this,
                [this](const QString& text) { m_countText = text; });
        for (TTable* t : m_dm->ContactTables())
            t->Open();
    }
    void cleanup()
    {
        m_dm.reset();
        m_dialogs.reset();
        m_folder.reset();
    }

    void newContactGetsItsDefaultsAndTheFirstNumber()
    {
        contacts().Insert();
        QCOMPARE(contacts().State(), DataSetState::Insert);
        QCOMPARE(field(contacts(), "FKort").AsString(), QStringLiteral("Nej"));
        QCOMPARE(field(contacts(), "JKort").AsString(), QStringLiteral("Nej"));
        QCOMPARE(field(contacts(), "Land").AsString(), QStringLiteral("Danmark"));
        QCOMPARE(field(contacts(), "Regnr").AsInteger(), 1);
        QCOMPARE(m_host.told, QStringList{QStringLiteral("contact inserted")});
        QCOMPARE(m_host.placeholders, 1);
        QCOMPARE(m_dm->RegTable->RecordCount(), 1);
    }

    // Every path that writes a contact gets the rules, also one with no window
    // at all: an import, a tool.
    void rulesHoldWithNoWindowAtAll()
    {
        m_dm.reset();
        TDM dm(nullptr, m_folder->data());
        for (TTable* t : dm.ContactTables())
            t->Open();
        QSignalSpy counts(&dm, &TDM::countChanged);
        TTable& t = *dm.TelefonTable;
        ::addContact(t, QStringLiteral("Anna"), QStringLiteral("111"),
                     {QStringLiteral("Fodselsdag"), QStringLiteral("09-01-1970")});
        QCOMPARE(t.FieldByName(QStringLiteral("Regnr")).AsInteger(), 1);
        QCOMPARE(t.FieldByName(QStringLiteral("Dg")).AsString(), QStringLiteral("09"));
        QCOMPARE(t.FieldByName(QStringLiteral("Md")).AsString(), QStringLiteral("01"));
        QCOMPARE(t.FieldByName(QStringLiteral("Land")).AsString(), QStringLiteral("Danmark"));
        QCOMPARE(counts.last().at(0).toString(), QStringLiteral("Viste registreringer: 1"));

        t.Insert();
        QCOMPARE(t.FieldByName(QStringLiteral("Regnr")).AsInteger(), 2);
        t.FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anna"));
        t.FieldByName(QStringLiteral("Telefon")).SetAsString(QStringLiteral("111"));
        QVERIFY_THROWS_EXCEPTION(EAbort, t.Post());
        QCOMPARE(m_dialogs->texts(), QStringList{TDM::DuplicateMessage});
        QCOMPARE(t.State(), DataSetState::Insert);
        t.Cancel();
        QCOMPARE(t.RecordCount(), 1);
    }

    void cancelledNumbersAreNeverGivenAgain()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        const qint64 n = field(contacts(), "Regnr").AsInteger();
        contacts().Insert();
        contacts().Cancel();
        contacts().Insert();
        QCOMPARE(field(contacts(), "Regnr").AsInteger(), n + 2);
    }

    void insertLiftsAKeywordFilter()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"), QStringLiteral("Familie"));
        addContact(QStringLiteral("Bo"), QStringLiteral("2"), QStringLiteral("Arbejde"));
        addContact(QStringLiteral("Carl"), QStringLiteral("3"), QStringLiteral("Arbejde"));
        contacts().SetFilter(QStringLiteral("Nogleord = 'Arbejde'"));
        contacts().SetFiltered(true);
        QCOMPARE(m_countText, QStringLiteral("Viste registreringer: 2"));
        contacts().Insert();
        QVERIFY(!contacts().Filtered());
        QCOMPARE(m_countText, QStringLiteral("Viste registreringer: 3"));
    }

    void dayAndMonthFollowTheBirthday_data()
    {
        QTest::addColumn<QString>("birthday");
        QTest::addColumn<QString>("dg");
        QTest::addColumn<QString>("md");
        QTest::newRow("9 January 1970") << "09-01-1970"
                                        << "09"
                                        << "01";
        QTest::newRow("5 March") << "05-03-1999"
                                 << "05"
                                 << "03";
        QTest::newRow("31 December") << "31-12-2001"
                                     << "31"
                                     << "12";
        QTest::newRow("none") << ""
                              << ""
                              << "";
    }
    void dayAndMonthFollowTheBirthday()
    {
        QFETCH(QString, birthday);
        QFETCH(QString, dg);
        QFETCH(QString, md);
        contacts().Insert();
        field(contacts(), "Navn").SetAsString(QStringLiteral("Anna"));
        field(contacts(), "Fodselsdag").SetAsString(birthday);
        contacts().Post();
        QCOMPARE(field(contacts(), "Dg").AsString(), dg);
        QCOMPARE(field(contacts(), "Md").AsString(), md);
    }

    void clearingTheBirthdayEmptiesDayAndMonth()
    {
        contacts().Insert();
        field(contacts(), "Navn").SetAsString(QStringLiteral("Anna"));
        field(contacts(), "Fodselsdag").SetAsString(QStringLiteral("09-01-1970"));
        contacts().Post();
        contacts().Edit();
        field(contacts(), "Fodselsdag").SetAsString(QStringLiteral("  -  -    "));
        contacts().Post();
        QVERIFY(field(contacts(), "Dg").IsNull());
        QVERIFY(field(contacts(), "Md").IsNull());
    }

    void duplicateContactIsRefusedOnceAndKeepsWhatWasTyped()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("111"));
        contacts().Insert();
        field(contacts(), "Navn").SetAsString(QStringLiteral("Anna"));
        field(contacts(), "Telefon").SetAsString(QStringLiteral("111"));
        field(contacts(), "Adresse1").SetAsString(QStringLiteral("Vestergade 1"));
        QVERIFY_THROWS_EXCEPTION(EAbort, contacts().Post());
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].kind, MessageKind::Warning);
        QCOMPARE(m_dialogs->messages[0].text,
                 QStringLiteral("Der findes en tilsvarende registrering i forvejen."));
        QCOMPARE(m_dialogs->messages[0].buttons, MessageButtons(Ok));
        QCOMPARE(contacts().State(), DataSetState::Insert);
        QCOMPARE(field(contacts(), "Adresse1").AsString(), QStringLiteral("Vestergade 1"));
        field(contacts(), "Telefon").SetAsString(QStringLiteral("112"));
        contacts().Post();
        QCOMPARE(contacts().RecordCount(), 2);
        QCOMPARE(m_dialogs->messages.size(), 1);
    }

    void sameNameWithAnotherPhoneIsAccepted()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("111"));
        addContact(QStringLiteral("Anna"), QStringLiteral("222"));
        QCOMPARE(contacts().RecordCount(), 2);
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void countTextFollowsTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("Dansk") << -1 << "Viste registreringer: ";
        QTest::newRow("English") << 0 << "Selected registrations: ";
        QTest::newRow("Norsk") << 1 << "Viste registreringer: ";
        QTest::newRow("Svensk") << 2 << "Viste registreringer: ";
        QTest::newRow("Deutsch") << 3 << "Viste registreringer: ";
    }
    void countTextFollowsTheLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, prefix);
        // The language comes from the one source the program registers.
        TQCustomLanguageSource languages;
        languages.SetLanguages(
            {QStringLiteral("English=English.lng"), QStringLiteral("Norsk=Norsk.lng"),
             QStringLiteral("Svensk=Svensk.lng"), QStringLiteral("Deutsch=Deutsch.lng")});
        languages.SetActiveLanguage(language);
        InCodeText::setSource(&languages);
        const auto unregister = qScopeGuard([] { InCodeText::setSource(nullptr); });
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        addContact(QStringLiteral("Bo"), QStringLiteral("2"));
        QCOMPARE(m_countText, prefix + QStringLiteral("2"));
    }

    void deleteAndCancelRefreshThePicture()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        addContact(QStringLiteral("Bo"), QStringLiteral("2"));
        const int before = m_host.pictures;
        contacts().Delete();
        QCOMPARE(m_host.pictures, before + 1);
        contacts().Edit();
        field(contacts(), "Adresse1").SetAsString(QStringLiteral("x"));
        contacts().Cancel();
        QCOMPARE(m_host.pictures, before + 2);
    }

    void placeholderFailureStillGivesANumber()
    {
        m_host.placeholderFails = true;
        QVERIFY_THROWS_EXCEPTION(Exception, contacts().Insert());
        QCOMPARE(contacts().State(), DataSetState::Insert);
        QCOMPARE(field(contacts(), "Regnr").AsInteger(), 1);
        QCOMPARE(m_dm->RegTable->RecordCount(), 1);
    }

    void familyRules()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("111"));
        TTable& family = *m_dm->FamilieTable;
        family.Insert();
        QCOMPARE(m_host.told.last(), QStringLiteral("family member inserted"));
        QCOMPARE(field(family, "Navn").AsString(), QStringLiteral("Anna"));
        QCOMPARE(field(family, "Telefon").AsString(), QStringLiteral("111"));
        field(family, "FamNavn").SetAsString(QStringLiteral("Ole"));
        field(family, "Fodselsdag").SetAsString(QStringLiteral("17-04-2010"));
        family.Post();
        QCOMPARE(field(family, "Dg").AsString(), QStringLiteral("17"));
        QCOMPARE(field(family, "Md").AsString(), QStringLiteral("04"));

        family.Insert();
        field(family, "FamNavn").SetAsString(QStringLiteral("Ole"));
        QVERIFY_THROWS_EXCEPTION(EAbort, family.Post());
        QCOMPARE(m_dialogs->texts(), QStringList{TDM::DuplicateMessage});
        QCOMPARE(family.State(), DataSetState::Insert);
    }

    void keywordRules()
    {
        TTable& words = *m_dm->NogleTable;
        words.Insert();
        QCOMPARE(m_host.told.last(), QStringLiteral("keyword inserted"));
        field(words, "Nogleord").SetAsString(QStringLiteral("Familie"));
        words.Post();
        words.Insert();
        field(words, "Nogleord").SetAsString(QStringLiteral("Familie"));
        QVERIFY_THROWS_EXCEPTION(EAbort, words.Post());
        QCOMPARE(m_dialogs->texts(), QStringList{TDM::DuplicateMessage});
        QCOMPARE(field(words, "Nogleord").AsString(), QStringLiteral("Familie"));
        QCOMPARE(words.State(), DataSetState::Insert);
    }

    void emptyKeywordIsNeverStored()
    {
        TTable& words = *m_dm->NogleTable;
        words.Insert();
        field(words, "Nogleord").SetAsString(QStringLiteral(" "));
        QVERIFY_THROWS_EXCEPTION(EAbort, words.Post());
        QCOMPARE(words.State(), DataSetState::Browse);
        QCOMPARE(words.RecordCount(), 0);
        words.Insert();
        field(words, "Nogleord").SetAsString(QStringLiteral("Golf"));
        words.Post();
        words.Edit();
        field(words, "Nogleord").SetAsString(QString());
        QVERIFY_THROWS_EXCEPTION(EAbort, words.Post());
        QCOMPARE(words.RecordCount(), 1);
        QCOMPARE(field(words, "Nogleord").AsString(), QStringLiteral("Golf"));
        QVERIFY(m_dialogs->messages.isEmpty());
    }
};

QTEST_MAIN(TestRecordRules)
#include "test_recordrules.moc"
