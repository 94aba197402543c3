#include "MainWindowFixture.h"
#include "core/data/DM.h"
#include "gui/controls/URLLabel.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/pages/work/WorkPage.h"
#include "gui/windows/PhoneForm.h"
#include "ui_DetailsPage.h"
#include "ui_WorkPage.h"

#include <QApplication>
#include <QTest>

class TestWorkPage : public QObject
{
    Q_OBJECT
    std::unique_ptr<MainWindowFixture> m_app;

    Ui::WorkPage& ui() { return m_app->form().WorkPage()->Form(); }
    TTable& contacts() { return m_app->contacts(); }
    QString value(const char* field)
    {
        return contacts().FieldByName(QLatin1String(field)).AsString();
    }

    // One contact with its home and work address as given.
    void addAddresses(const QString& homeCode, const QString& homeTown, const QString& workCode,
                      const QString& workTown)
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"),
                   {QStringLiteral("Postnr"), homeCode, QStringLiteral("Bynavn"), homeTown,
                    QStringLiteral("ArbPostnr"), workCode, QStringLiteral("ArbBy"), workTown});
    }
    // Focus into the work postal code and out again, as Tab would.
    void passThroughWorkCode()
    {
        ui().DBEdit12->setFocus();
        ui().DBEdit19->setFocus();
        QApplication::processEvents();
    }

private slots:
    void init()
    {
        m_app = std::make_unique<MainWindowFixture>();
        m_app->showPage("TabSheet3");
    }
    void cleanup() { m_app.reset(); }

    void workCodeGivesTheWorkTownOnlyWhileEditing_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("town");
        QTest::newRow("four characters") << true << "8000"
                                         << "Aarhus C";
        QTest::newRow("five characters are not looked up") << true << "80000"
                                                           << "Gammel by";
        QTest::newRow("unknown code") << true << "0001"
                                      << "Gammel by";
        QTest::newRow("browsing changes nothing") << false << "8000"
                                                  << "Gammel by";
    }
    void workCodeGivesTheWorkTownOnlyWhileEditing()
    {
        QFETCH(bool, editing);
        QFETCH(QString, code);
        QFETCH(QString, town);
        addAddresses(QStringLiteral("5000"), QStringLiteral("Hjemby"), code,
                     QStringLiteral("Gammel by"));
        if (editing)
            contacts().Edit();
        passThroughWorkCode();
        QCOMPARE(value("ArbBy"), town);
        QCOMPARE(ui().DBEdit20->text(), town);
        QCOMPARE(contacts().IsEditing(), editing);
        QCOMPARE(value("Postnr"), QStringLiteral("5000"));
        QCOMPARE(value("Bynavn"), QStringLiteral("Hjemby"));
        QVERIFY(m_app->dialogs().messages.isEmpty());
    }

    void townButtonGivesTheWorkCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("town");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("editing");
        QTest::newRow("known town") << ""
                                    << "Aarhus C"
                                    << "8000" << true;
        QTest::newRow("unknown town still starts the edit") << "12"
                                                            << "Atlantis"
                                                            << "12" << true;
        QTest::newRow("code of five characters: nothing at all") << "12345"
                                                                 << "Aarhus C"
                                                                 << "12345" << false;
    }
    void townButtonGivesTheWorkCode()
    {
        QFETCH(QString, code);
        QFETCH(QString, town);
        QFETCH(QString, result);
        QFETCH(bool, editing);
        addAddresses(QStringLiteral("5000"), QStringLiteral("Hjemby"), code, town);
        QTest::mouseClick(ui().SpeedButton15, Qt::LeftButton);
        QCOMPARE(value("ArbPostnr"), result);
        QCOMPARE(contacts().IsEditing(), editing);
        QCOMPARE(m_app->dm().PostTable->IndexName(), QString());
        QCOMPARE(value("Postnr"), QStringLiteral("5000"));
        QVERIFY(m_app->dialogs().messages.isEmpty());
    }

    void homeLookupsLeaveTheWorkAddress()
    {
        addAddresses(QStringLiteral("8000"), QStringLiteral("Aarhus C"), QStringLiteral("5000"),
                     QStringLiteral("Arbejdsby"));
        m_app->showPage("TabSheet1");
        Ui::DetailsPage& details = m_app->form().DetailsPage()->Form();
        contacts().Edit();
        details.DBEdit3->setFocus();
        details.DBEdit2->setFocus();
        QTest::mouseClick(details.SpeedButton9, Qt::LeftButton);
        QCOMPARE(value("ArbPostnr"), QStringLiteral("5000"));
        QCOMPARE(value("ArbBy"), QStringLiteral("Arbejdsby"));
    }

    void linksFollowTheContactInEveryLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("Danish") << -1;
        QTest::newRow("English") << 0;
        QTest::newRow("German") << 3;
    }
    void linksFollowTheContactInEveryLanguage()
    {
        QFETCH(int, language);
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"),
                   {QStringLiteral("ArbMail"), QStringLiteral("anna@firma.dk"),
                    QStringLiteral("ArbHjemmeside"), QStringLiteral("www.firma.dk")});
        addContact(contacts(), QStringLiteral("Bent"), QStringLiteral("22"),
                   {QStringLiteral("ArbMail"), QStringLiteral("bent@andet.dk")});
        contacts().First();
        TPhoneForm& form = m_app->form();
        const std::function<void()> choose[] = {
            [&] { form.DanskClick(); }, [&] { form.EnglishClick(); }, [&] { form.NorskClick(); },
            [&] { form.SvenskClick(); }, [&] { form.DeutschClick(); }};
        choose[language + 1]();
        QCOMPARE(ui().URLLabel3->Caption(), QStringLiteral("anna@firma.dk"));
        QCOMPARE(ui().URLLabel4->Caption(), QStringLiteral("www.firma.dk"));
        contacts().Next();
        QCOMPARE(ui().URLLabel3->Caption(), QStringLiteral("bent@andet.dk"));
        QCOMPARE(ui().URLLabel4->Caption(), QString());
        // Another switch of language leaves what the links show.
        choose[(language + 2) % 5]();
        QCOMPARE(ui().URLLabel3->Caption(), QStringLiteral("bent@andet.dk"));
        QTest::mouseClick(ui().URLLabel3, Qt::LeftButton);
        QCOMPARE(m_app->dialogs().openedUrls, QStringList{"mailto:bent@andet.dk"});
        QVERIFY(m_app->dialogs().messages.isEmpty());
    }

    void tabGoesThroughTheEditsInTheirOrder()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        QWidget* first = ui().DBEdit7;
        // The order Tab follows, among the page's own controls.
        QStringList order;
        QWidget* w = first;
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->parentWidget() == first->parentWidget() &&
                !order.contains(w->objectName()))
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != first);
        QCOMPARE(order,
                 (QStringList{"DBEdit7", "DBEdit6", "DBEdit12", "DBEdit20", "DBEdit19", "DBEdit13",
                              "DBEdit14", "DBEdit21", "DBEdit22", "DBEdit23", "DBMemo2"}));
    }
};

QTEST_MAIN(TestWorkPage)
#include "test_workpage.moc"
