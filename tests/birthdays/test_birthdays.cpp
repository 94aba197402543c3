#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "core/report/ReportDocument.h"
#include "core/util/ProgramFolder.h"
#include "gui/controls/DBGrid.h"
#include "gui/pages/birthdays/BirthdaysPage.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/pages/overview/OverviewPage.h"
#include "gui/windows/PhoneForm.h"
#include "ui_BirthdaysPage.h"

#include <QLabel>
#include <QTabWidget>
#include <QTest>

namespace {

const QString DayDa =
    QStringLiteral("Der skal indtastes 2 cifre, skriv f.eks. 04 hvis datoen er den 4. i måneden");
const QString DayEn =
    QStringLiteral("You must write 2 digits, e.g. 04 if the date is the 4th in a month");
const QString MissingDa = QStringLiteral("Angiv Startdag, Slutdag og Måned");
const QString MissingEn = QStringLiteral("Write first day, last day and month");
const QString MonthDa =
    QStringLiteral("Der skal indtastes 2 cifre, skriv f.eks. 04 hvis måneden er april!");
const QString MonthEn = QStringLiteral("You must write 2 digits e.g. 04 if the month is april!");

// The names a cursor shows, in its order.
QStringList names(TTable& table, const char* field = "Navn")
{
    QStringList result;
    const int index = table.FieldByName(QLatin1String(field)).Index();
    table.TextsInOrder({index}, [&](const QString* texts) { result << texts[0]; });
    return result;
}

// The detail values of a laid-out report's first column, page by page.
QStringList reportNames(const ReportDocument& document)
{
    QStringList result;
    for (const ReportPage& page : document.pages)
        for (const ReportBand& band : page.bands)
            if (band.kind == BandKind::Detail)
                result << band.texts.front().text;
    return result;
}

QString reportTitle(const ReportDocument& document)
{
    if (document.pages.empty())
        return QStringLiteral("<no page>");
    const ReportBand& title = document.pages.front().bands.front();
    return title.kind == BandKind::Title && !title.texts.empty() ? title.texts.front().text
                                                                 : QString();
}

} // namespace

class TestBirthdays : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TPhoneForm> m_form;

    Ui::BirthdaysPage& ui() { return m_form->BirthdaysPage()->Form(); }
    TTable& contacts() { return *m_dm->TelefonTable; }

    void addPerson(const QString& navn, const QString& telefon, const QString& fodselsdag,
                   const QStringList& more = {})
    {
        addContact(contacts(), navn, telefon,
                   QStringList{QStringLiteral("Fodselsdag"), fodselsdag} + more);
    }
    void addFamilyMember(const QString& contact, const QString& famNavn, const QString& fodselsdag)
    {
        QVERIFY(contacts().Locate(QStringLiteral("Navn"), contact));
        TTable& family = *m_dm->FamilieTable;
        family.Insert();
        family.FieldByName(QStringLiteral("FamNavn")).SetAsString(famNavn);
        family.FieldByName(QStringLiteral("Fodselsdag")).SetAsString(fodselsdag);
        family.Post();
    }
    void type(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        box->clear();
        typeText(box, text);
    }
    void fillSpan(QLineEdit* first, QLineEdit* last, QLineEdit* month, const QString& a,
                  const QString& b, const QString& c)
    {
        // Set directly: typing and leaving the day boxes has tests of its own.
        first->setText(a);
        last->setText(b);
        month->setText(c);
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        const QString pictures = m_folder->root() + QStringLiteral("/Billeder");
        QDir().mkpath(pictures);
        QFile::copy(testPicture("valid.jpg"), pictures + QStringLiteral("/Ingen.jpg"));
        ProgramFolder::setPath(m_folder->root());
        m_dialogs = std::make_unique<RecordingDialogs>();
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        m_form = std::make_unique<TPhoneForm>();
        m_form->SetDataModule(m_dm.get());
        m_form->ShowMain();
        QApplication::setActiveWindow(m_form.get());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        addPerson(QStringLiteral("Anna"), QStringLiteral("111"), QStringLiteral("03-04-1980"),
                  {QStringLiteral("FKort"), QStringLiteral("Ja")});
        addPerson(QStringLiteral("Bo"), QStringLiteral("222"), QStringLiteral("17-04-1975"),
                  {QStringLiteral("JKort"), QStringLiteral("Ja")});
        addPerson(QStringLiteral("Carl"), QStringLiteral("333"), QStringLiteral("02-05-1990"),
                  {QStringLiteral("FKort"), QStringLiteral("Ja")});
        addPerson(QStringLiteral("Eva"), QStringLiteral("555"), QStringLiteral("10-04-2001"));
        addPerson(QStringLiteral("Dorte"), QStringLiteral("444"), QString());
        m_form->PageControl1()->setCurrentWidget(m_form->BirthdaysPage()->TabSheet());
        m_dialogs->messages.clear();
    }
    void cleanup()
    {
        m_form->close();
        m_form.reset();
        m_dm.reset();
        m_dialogs.reset();
        ProgramFolder::setPath(QString());
        m_folder.reset();
    }

    void contactsBornInTheSpanInBirthdayOrder_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("01-15 April") << "01"
                                     << "15"
                                     << "04" << QStringList{"Anna", "Eva"} << QStringList();
        QTest::newRow("01-31 April, by day not by name")
            << "01"
            << "31"
            << "04" << QStringList{"Anna", "Eva", "Bo"} << QStringList();
        QTest::newRow("a span cannot cross the month's end")
            << "25"
            << "05"
            << "12" << QStringList() << QStringList();
        QTest::newRow("month 4 is told and finds nothing")
            << "01"
            << "31"
            << "4" << QStringList() << QStringList{MonthDa};
        QTest::newRow("a quote finds nothing and breaks nothing")
            << "0'"
            << "3'"
            << "0'" << QStringList() << QStringList();
    }
    void contactsBornInTheSpanInBirthdayOrder()
    {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, month);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, messages);
        Ui::BirthdaysPage& f = ui();
        fillSpan(f.Edit2, f.Edit3, f.Edit4, first, last, month);
        f.Edit4->setFocus();
        QTest::keyClick(f.Edit4, Qt::Key_Return);
        QCOMPARE(m_dialogs->texts(), messages);
        QCOMPARE(names(contacts()), expected);
        QCOMPARE(contacts().IndexName(), QStringLiteral("IndexFodsel"));
        if (!messages.isEmpty())
            QCOMPARE(QApplication::focusWidget(), f.Edit4);
        // The grid of the page, and every page, shows what the cursor holds.
        QCOMPARE(f.DBGrid2->model()->rowCount(), expected.size());
    }

    void foundContactsStayOnTheOverviewInBirthdayOrder()
    {
        Ui::BirthdaysPage& f = ui();
        fillSpan(f.Edit2, f.Edit3, f.Edit4, "01", "31", "04");
        QTest::mouseClick(f.SpeedButton13, Qt::LeftButton);
        m_form->PageControl1()->setCurrentWidget(m_form->OverviewPage()->TabSheet());
        QVERIFY(contacts().Filtered());
        QCOMPARE(names(contacts()), (QStringList{"Anna", "Eva", "Bo"}));
        contacts().First();
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(), QStringLiteral("Anna"));
    }

    void missingValueChangesNothing_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("family");
        QTest::addColumn<QString>("message");
        QTest::newRow("contacts, Danish") << -1 << false << MissingDa;
        QTest::newRow("contacts, English") << 0 << false << MissingEn;
        QTest::newRow("contacts, German") << 3 << false << MissingDa;
        QTest::newRow("family, Danish") << -1 << true << MissingDa;
        QTest::newRow("family, English still Danish") << 0 << true << MissingDa;
    }
    void missingValueChangesNothing()
    {
        QFETCH(int, language);
        QFETCH(bool, family);
        QFETCH(QString, message);
        const QList<void (TPhoneForm::*)()> languages = {
            &TPhoneForm::DanskClick, &TPhoneForm::EnglishClick, &TPhoneForm::NorskClick,
            &TPhoneForm::SvenskClick, &TPhoneForm::DeutschClick};
        (m_form.get()->*languages[language + 1])();
        Ui::BirthdaysPage& f = ui();
        QLineEdit* month = family ? f.Edit7 : f.Edit4;
        if (family)
            fillSpan(f.Edit5, f.Edit6, f.Edit7, "01", "", "04");
        else
            fillSpan(f.Edit2, f.Edit3, f.Edit4, "01", "", "04");
        TTable& table = family ? *m_dm->FamAllTable : contacts();
        const QString filterBefore = table.Filter();
        month->setFocus();
        QTest::keyClick(month, Qt::Key_Enter);
        QCOMPARE(m_dialogs->texts(), QStringList{message});
        QCOMPARE(table.Filter(), filterBefore);
        QVERIFY(!table.Filtered());
        QCOMPARE(table.IndexName(), QString());
    }

    void familyMembersBornInTheSpan()
    {
        addFamilyMember(QStringLiteral("Anna"), QStringLiteral("Søren"),
                        QStringLiteral("20-04-2010"));
        addFamilyMember(QStringLiteral("Bo"), QStringLiteral("Ida"), QStringLiteral("05-04-2012"));
        addFamilyMember(QStringLiteral("Bo"), QStringLiteral("Jens"), QStringLiteral("05-06-2012"));
        Ui::BirthdaysPage& f = ui();
        QCOMPARE(f.DBGrid4->model()->rowCount(), 3);
        m_form->EnglishClick();
        fillSpan(f.Edit5, f.Edit6, f.Edit7, "01", "30", "4");
        QTest::mouseClick(f.SpeedButton5, Qt::LeftButton);
        QCOMPARE(m_dialogs->texts(), QStringList{MonthDa});
        QCOMPARE(QApplication::focusWidget(), f.Edit7);
        QCOMPARE(f.DBGrid4->model()->rowCount(), 0);
        f.Edit7->setText(QStringLiteral("04"));
        QTest::keyClick(f.Edit7, Qt::Key_Return);
        QCOMPARE(names(*m_dm->FamAllTable, "FamNavn"), (QStringList{"Ida", "Søren"}));
        QCOMPARE(f.DBGrid4->model()->rowCount(), 2);
        // The contacts are not touched by the family search.
        QVERIFY(!contacts().Filtered());
    }

    void dayBoxWantsTwoCharactersOnLeaving_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("message");
        for (int box = 0; box < 4; ++box) {
            const QByteArray n = QByteArray::number(box);
            QTest::newRow("one character " + n) << box << "5" << -1 << DayDa;
            QTest::newRow("empty " + n) << box << "" << 0 << DayEn;
            QTest::newRow("two characters " + n) << box << "05" << -1 << QString();
        }
        QTest::newRow("three characters") << 0 << "123" << 3 << DayDa;
        QTest::newRow("letters are not checked") << 1 << "ab" << -1 << QString();
    }
    void dayBoxWantsTwoCharactersOnLeaving()
    {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(int, language);
        QFETCH(QString, message);
        if (language == 0)
            m_form->EnglishClick();
        else if (language == 3)
            m_form->DeutschClick();
        Ui::BirthdaysPage& f = ui();
        QLineEdit* const boxes[] = {f.Edit2, f.Edit3, f.Edit5, f.Edit6};
        QLineEdit* edit = boxes[box];
        type(edit, typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(m_dialogs->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (message.isEmpty())
            QVERIFY(QApplication::focusWidget() != edit);
        else
            QCOMPARE(QApplication::focusWidget(), edit);
    }

    void searchButtonLeavesTheDayBoxUnchecked()
    {
        Ui::BirthdaysPage& f = ui();
        fillSpan(f.Edit2, f.Edit3, f.Edit4, "01", "31", "04");
        type(f.Edit2, QStringLiteral("1"));
        QTest::mouseClick(f.SpeedButton13, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), f.Edit2);
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(contacts().Filter(), QStringLiteral("Dg >= '1' and Dg <= '31' and Md = '04'"));
    }

    void cardListTitleFollowsTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("christmas");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("listed");
        const QStringList birthday{"Anna", "Carl"}, christmas{"Bo"};
        QTest::newRow("Danish birthday") << -1 << false << "Fødselsdagskort" << birthday;
        QTest::newRow("English birthday") << 0 << false << "Birthday card" << birthday;
        QTest::newRow("Norwegian birthday") << 1 << false << "Fødselsdagskort" << birthday;
        QTest::newRow("Swedish Christmas") << 2 << true << "Julekort" << christmas;
        QTest::newRow("German birthday") << 3 << false << "Geburtstag Karte" << birthday;
        QTest::newRow("English Christmas") << 0 << true << "Christmas card" << christmas;
        QTest::newRow("German Christmas") << 3 << true << "Weinachts Karte" << christmas;
    }
    void cardListTitleFollowsTheLanguage()
    {
        QFETCH(int, language);
        QFETCH(bool, christmas);
        QFETCH(QString, title);
        QFETCH(QStringList, listed);
        const QList<void (TPhoneForm::*)()> languages = {
            &TPhoneForm::DanskClick, &TPhoneForm::EnglishClick, &TPhoneForm::NorskClick,
            &TPhoneForm::SvenskClick, &TPhoneForm::DeutschClick};
        (m_form.get()->*languages[language + 1])();
        Ui::BirthdaysPage& f = ui();
        QTest::mouseClick(christmas ? f.SpeedButton3 : f.SpeedButton2, Qt::LeftButton);
        QCOMPARE(f.Label33->text(), title);
        QVERIFY(!f.Label33->isVisible());
        QCOMPARE(QApplication::focusWidget(), f.DBGrid2);
        QCOMPARE(names(contacts()), listed);
        QTest::mouseClick(f.SpeedButton4, Qt::LeftButton);
        QCOMPARE(m_dialogs->previews.size(), 1);
        QCOMPARE(reportTitle(m_dialogs->previews.front()), title);
        QCOMPARE(reportNames(m_dialogs->previews.front()), listed);
        // Printing does not end the list.
        QVERIFY(contacts().Filtered());
        QCOMPARE(f.Label33->text(), title);
        // The last one listed is current after the preview.
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(), listed.last());
    }

    void leavingTheGridEndsTheCardList()
    {
        Ui::BirthdaysPage& f = ui();
        QTest::mouseClick(f.SpeedButton3, Qt::LeftButton);
        QVERIFY(contacts().Filtered());
        QTest::mouseClick(f.Edit2, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), f.Edit2);
        QVERIFY(!contacts().Filtered());
        QCOMPARE(contacts().Filter(), QStringLiteral("JKort = 'Ja'"));
        QCOMPARE(f.Label33->text(), QString());
        QCOMPARE(f.DBGrid2->model()->rowCount(), 5);
        QTest::mouseClick(f.SpeedButton4, Qt::LeftButton);
        QCOMPARE(reportTitle(m_dialogs->previews.last()), QString());
        QCOMPARE(reportNames(m_dialogs->previews.last()).size(), 5);
    }

    void leavingTheGridLiftsTheBirthdaySpanToo()
    {
        Ui::BirthdaysPage& f = ui();
        fillSpan(f.Edit2, f.Edit3, f.Edit4, "01", "15", "04");
        QTest::mouseClick(f.SpeedButton13, Qt::LeftButton);
        f.DBGrid2->setFocus();
        QVERIFY(contacts().Filtered());
        // Another page brought forward takes the focus from the grid.
        m_form->PageControl1()->setCurrentWidget(m_form->DetailsPage()->TabSheet());
        QVERIFY(!contacts().Filtered());
    }

    void cardListSurvivesTheGridsOwnEditor()
    {
        Ui::BirthdaysPage& f = ui();
        QTest::mouseClick(f.SpeedButton2, Qt::LeftButton);
        const QModelIndex cell = f.DBGrid2->model()->index(0, 1);
        f.DBGrid2->setCurrentIndex(cell);
        static_cast<QAbstractItemView*>(f.DBGrid2)->edit(cell);
        QVERIFY(QApplication::focusWidget() != f.DBGrid2);
        QVERIFY(f.DBGrid2->isAncestorOf(QApplication::focusWidget()));
        QVERIFY(contacts().Filtered());
    }

    void phoneListPrintsWhatTheCursorShows_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("title");
        QTest::newRow("Danish") << -1 << "Telefonliste";
        QTest::newRow("English") << 0 << "Phone Directory";
        QTest::newRow("German") << 3 << "Telefonliste";
    }
    void phoneListPrintsWhatTheCursorShows()
    {
        QFETCH(int, language);
        QFETCH(QString, title);
        if (language == 0)
            m_form->EnglishClick();
        else if (language == 3)
            m_form->DeutschClick();
        addPerson(QStringLiteral("Finn"), QStringLiteral("666"), QString(),
                  {QStringLiteral("Nogleord"), QStringLiteral("Venner")});
        addPerson(QStringLiteral("Gitte"), QStringLiteral("777"), QString(),
                  {QStringLiteral("Nogleord"), QStringLiteral("Venner")});
        contacts().SetFilter(QStringLiteral("Nogleord = 'Venner'"));
        contacts().SetFiltered(true);
        m_form->Udskriv1Click();
        QCOMPARE(m_dialogs->previews.size(), 1);
        QCOMPARE(reportTitle(m_dialogs->previews.front()), title);
        QCOMPARE(reportNames(m_dialogs->previews.front()), (QStringList{"Finn", "Gitte"}));
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(),
                 QStringLiteral("Gitte"));
    }

    void noContactMarkedPrintsNoPage()
    {
        contacts().SetFilter(QStringLiteral("FKort = 'Nobody'"));
        contacts().SetFiltered(true);
        m_form->PrintPhoneList();
        QCOMPARE(m_dialogs->previews.size(), 1);
        QVERIFY(m_dialogs->previews.front().pages.empty());
    }
};

QTEST_MAIN(TestBirthdays)
#include "test_birthdays.moc"
