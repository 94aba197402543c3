#include "MainWindowFixture.h"
#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "gui/controls/DBGrid.h"
#include "gui/controls/DBGridModel.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/pages/family/FamilyPage.h"
#include "gui/windows/PhoneForm.h"
#include "ui_DetailsPage.h"
#include "ui_FamilyPage.h"

#include <QApplication>
#include <QTest>

class TestFamilyPage : public QObject
{
    Q_OBJECT
    std::unique_ptr<MainWindowFixture> m_app;

    Ui::FamilyPage& ui() { return m_app->form().FamilyPage()->Form(); }
    TTable& contacts() { return m_app->contacts(); }
    TTable& members() { return m_app->members(); }
    RecordingDialogs& dialogs() { return m_app->dialogs(); }

    // Adds a member of the current contact as the user does: the add
    // button, the name typed, and "Gem".
    void addMember(const QString& name, const QString& relation = QString())
    {
        QTest::mouseClick(ui().Button1, Qt::LeftButton);
        QVERIFY(ui().SpouseEdit->hasFocus());
        typeText(ui().SpouseEdit, name);
        if (!relation.isEmpty()) {
            ui().DBEdit24->setFocus();
            typeText(ui().DBEdit24, relation);
        }
        QTest::mouseClick(ui().Button3, Qt::LeftButton);
    }
    // The family members listed for the current contact, as the grid shows them.
    QStringList listed()
    {
        DBGridModel& model = *ui().DBGrid3->gridModel();
        QStringList names;
        for (int row = 0; row < model.rowCount(); ++row)
            names << model.data(model.index(row, 0), Qt::DisplayRole).toString();
        return names;
    }
    // Every family row in the file, whoever it belongs to, as "Navn/Telefon/FamNavn".
    QStringList allRows()
    {
        TTable all;
        all.SetDatabaseName(m_app->folder().data());
        all.SetTableName(QStringLiteral("Familie.db"));
        all.Open();
        QStringList rows;
        for (all.First(); !all.Eof(); all.Next())
            rows << QStringList{all.FieldByName(QStringLiteral("Navn")).AsString(),
                                all.FieldByName(QStringLiteral("Telefon")).AsString(),
                                all.FieldByName(QStringLiteral("FamNavn")).AsString()}
                        .join(u'/');
        return rows;
    }
    void twoContactsWithFamilies()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        addContact(contacts(), QStringLiteral("Bent"), QStringLiteral("22"));
        contacts().First();
        addMember(QStringLiteral("Alma"));
        addMember(QStringLiteral("Axel"));
        contacts().Last();
        addMember(QStringLiteral("Bodil"));
        contacts().First();
    }

private slots:
    void init()
    {
        m_app = std::make_unique<MainWindowFixture>();
        m_app->showPage("TabSheet2");
    }
    void cleanup() { m_app.reset(); }

    void membersAreListedOnlyUnderTheirContact()
    {
        twoContactsWithFamilies();
        QCOMPARE(ui().DBText1->text(), QStringLiteral("Anna"));
        QCOMPARE(listed(), (QStringList{"Alma", "Axel"}));
        contacts().Next();
        QCOMPARE(ui().DBText1->text(), QStringLiteral("Bent"));
        QCOMPARE(listed(), QStringList{"Bodil"});
        QCOMPARE(allRows(), (QStringList{"Anna/11/Alma", "Anna/11/Axel", "Bent/22/Bodil"}));
        QVERIFY(dialogs().messages.isEmpty());
    }

    void contactWithoutNumberHasItsMembersListed()
    {
        addContact(contacts(), QStringLiteral("Carl"), QString());
        addMember(QStringLiteral("Cilla"));
        addContact(contacts(), QStringLiteral("Dora"), QStringLiteral("44"));
        QVERIFY(listed().isEmpty());
        contacts().First();
        QCOMPARE(listed(), QStringList{"Cilla"});
    }

    void deleteAsksByNameAndDeletesOnlyOnYes_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("Danish, No") << -1 << int(No) << "Er du sikker på, at du vil slette Axel?"
                                    << QStringList{"Alma", "Axel"};
        QTest::newRow("Danish, Yes")
            << -1 << int(Yes) << "Er du sikker på, at du vil slette Axel?" << QStringList{"Alma"};
        QTest::newRow("English, Yes")
            << 0 << int(Yes) << "Are you sure you want to delete Axel?" << QStringList{"Alma"};
        QTest::newRow("German asks in Danish")
            << 3 << int(No) << "Er du sikker på, at du vil slette Axel?"
            << QStringList{"Alma", "Axel"};
    }
    void deleteAsksByNameAndDeletesOnlyOnYes()
    {
        QFETCH(int, language);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QStringList, left);
        twoContactsWithFamilies();
        m_app->form().QLanguageSource1()->SetActiveLanguage(language);
        members().Last();
        dialogs().answers = {MessageButton(answer)};
        QTest::mouseClick(ui().Button2, Qt::LeftButton);
        QCOMPARE(dialogs().texts(), QStringList{question});
        QCOMPARE(dialogs().messages.first().kind, MessageKind::Confirmation);
        QCOMPARE(listed(), left);
        contacts().Last();
        QCOMPARE(listed(), QStringList{"Bodil"});
    }

    void deleteWithNoMemberShownDoesNothing()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        QTest::mouseClick(ui().Button2, Qt::LeftButton);
        QVERIFY(dialogs().messages.isEmpty());
        QVERIFY(members().IsEmpty());
    }

    void saveWhileBrowsingDoesNothing()
    {
        twoContactsWithFamilies();
        QTest::mouseClick(ui().Button3, Qt::LeftButton);
        QVERIFY(dialogs().messages.isEmpty());
        QCOMPARE(members().State(), DataSetState::Browse);
        QCOMPARE(listed(), (QStringList{"Alma", "Axel"}));
    }

    void duplicateMemberIsRefusedAndKeptForCorrection()
    {
        twoContactsWithFamilies();
        QTest::mouseClick(ui().Button1, Qt::LeftButton);
        typeText(ui().SpouseEdit, QStringLiteral("Alma"));
        ui().DBEdit24->setFocus();
        typeText(ui().DBEdit24, QStringLiteral("Datter"));
        QTest::mouseClick(ui().Button3, Qt::LeftButton);
        QCOMPARE(dialogs().texts(), QStringList{TDM::DuplicateMessage});
        QCOMPARE(members().State(), DataSetState::Insert);
        QCOMPARE(ui().SpouseEdit->text(), QStringLiteral("Alma"));
        QCOMPARE(ui().DBEdit24->text(), QStringLiteral("Datter"));
        ui().SpouseEdit->setFocus();
        typeText(ui().SpouseEdit, QStringLiteral(" Marie"));
        QTest::mouseClick(ui().Button3, Qt::LeftButton);
        QCOMPARE(members().State(), DataSetState::Browse);
        QCOMPARE(listed(), (QStringList{"Alma", "Alma Marie", "Axel"}));
    }

    void birthdayGivesDayAndMonth()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        QTest::mouseClick(ui().Button1, Qt::LeftButton);
        typeText(ui().SpouseEdit, QStringLiteral("Alma"));
        ui().DBDateEdit2->setText(QStringLiteral("24-12-2010"));
        QTest::mouseClick(ui().Button3, Qt::LeftButton);
        QCOMPARE(members().FieldByName(QStringLiteral("Dg")).AsString(), QStringLiteral("24"));
        QCOMPARE(members().FieldByName(QStringLiteral("Md")).AsString(), QStringLiteral("12"));
    }

    void closingTheWindowSavesWhatWasTypedOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("saved");
        QTest::newRow("typed into") << "Alma" << QStringList{"Anna/11/Alma"};
        QTest::newRow("untouched") << "" << QStringList{};
    }
    void closingTheWindowSavesWhatWasTypedOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, saved);
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        QTest::mouseClick(ui().Button1, Qt::LeftButton);
        typeText(ui().SpouseEdit, typed);
        QVERIFY(m_app->form().close());
        QVERIFY(dialogs().messages.isEmpty());
        QCOMPARE(allRows(), saved);
    }

    void renamedContactKeepsItsFamily_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("new name") << "Navn"
                                  << "Anna Holm";
        QTest::newRow("new number") << "Telefon"
                                    << "99";
    }
    void renamedContactKeepsItsFamily()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        twoContactsWithFamilies();
        m_app->showPage("TabSheet1");
        Ui::DetailsPage& details = m_app->form().DetailsPage()->Form();
        TDBEdit* edit = field == QLatin1String("Navn") ? details.DBEdit2 : details.DBEdit16;
        edit->setFocus();
        edit->selectAll();
        typeText(edit, value);
        QTest::mouseClick(details.PhoneNav->button(TDBNavigator::Post), Qt::LeftButton);
        QVERIFY(dialogs().messages.isEmpty());
        m_app->showPage("TabSheet2");
        QCOMPARE(contacts().FieldByName(field).AsString(), value);
        QCOMPARE(listed(), (QStringList{"Alma", "Axel"}));
        const QString name = field == QLatin1String("Navn") ? value : QStringLiteral("Anna");
        const QString phone = field == QLatin1String("Telefon") ? value : QStringLiteral("11");
        QCOMPARE(allRows().filter(QStringLiteral("/Bodil")), QStringList{"Bent/22/Bodil"});
        QCOMPARE(allRows().filter(QStringLiteral("/A")),
                 (QStringList{name + u'/' + phone + QStringLiteral("/Alma"),
                              name + u'/' + phone + QStringLiteral("/Axel")}));
    }

    void memberBeingTypedFollowsTheRenamedContact()
    {
        twoContactsWithFamilies();
        QTest::mouseClick(ui().Button1, Qt::LeftButton);
        typeText(ui().SpouseEdit, QStringLiteral("Asta"));
        m_app->showPage("TabSheet1");
        Ui::DetailsPage& details = m_app->form().DetailsPage()->Form();
        details.DBEdit2->setFocus();
        typeText(details.DBEdit2, QStringLiteral(" Holm"));
        QTest::mouseClick(details.PhoneNav->button(TDBNavigator::Post), Qt::LeftButton);
        QVERIFY(m_app->dialogs().messages.isEmpty());
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(),
                 QStringLiteral("Anna Holm"));
        QCOMPARE(listed(), (QStringList{"Alma", "Asta", "Axel"}));
        QCOMPARE(allRows().filter(QStringLiteral("Anna/")), QStringList());
    }

    void deletedContactTakesItsFamilyAlong()
    {
        twoContactsWithFamilies();
        m_app->showPage("TabSheet1");
        QTest::mouseClick(
            m_app->form().DetailsPage()->Form().PhoneNav->button(TDBNavigator::Delete),
            Qt::LeftButton);
        QCOMPARE(contacts().RecordCount(), 1);
        QCOMPARE(allRows(), QStringList{"Bent/22/Bodil"});
        // A later contact of the same name and number starts without a family.
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        m_app->showPage("TabSheet2");
        QVERIFY(listed().isEmpty());
    }

    void aFailedFamilyWriteKeepsTheContactAsItWas()
    {
        twoContactsWithFamilies();
        // The rename cannot carry its family along: the contact is not renamed.
        TTable& all = *m_app->dm().FamAllTable;
        all.Insert();
        all.FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anna Holm"));
        all.FieldByName(QStringLiteral("Telefon")).SetAsString(QStringLiteral("11"));
        all.FieldByName(QStringLiteral("FamNavn")).SetAsString(QStringLiteral("Alma"));
        all.Post();
        contacts().Edit();
        contacts().FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anna Holm"));
        QVERIFY_THROWS_EXCEPTION(std::exception, contacts().Post());
        contacts().Cancel();
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(), QStringLiteral("Anna"));
        QCOMPARE(listed(), (QStringList{"Alma", "Axel"}));
    }

    void tabGoesThroughTheEditsInTheirOrder()
    {
        const QStringList designed{"SpouseEdit", "DBEdit1", "DBDateEdit2", "DBEdit24", "DBMemo1",
                                   "DBGrid3",    "Button1", "Button2",     "Button3"};
        // The order Tab follows, among the page's own controls.
        QStringList order;
        QWidget* first = ui().SpouseEdit;
        QWidget* w = first;
        do {
            if (designed.contains(w->objectName()) && !order.contains(w->objectName()))
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != first);
        QCOMPARE(order, designed);
    }
};

QTEST_MAIN(TestFamilyPage)
#include "test_familypage.moc"
