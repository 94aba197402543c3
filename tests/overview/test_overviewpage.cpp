#include "MainWindowFixture.h"
#include "core/data/DM.h"
#include "core/search/EasyFind.h"
#include "gui/controls/DBGrid.h"
#include "gui/controls/DBGridModel.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/pages/overview/OverviewPage.h"
#include "gui/windows/PhoneForm.h"
#include "ui_DetailsPage.h"
#include "ui_OverviewPage.h"

#include "core/store/Connection.h"
#include "core/store/Transaction.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <sqlite3.h>

namespace {

// Every run of a statement on the contact file: a record read from the file
// is one run of the statement that reads a row.
int g_statementsRun = 0;
int countStatement(unsigned, void*, void*, void*)
{
    ++g_statementsRun;
    return 0;
}

} // namespace

class TestOverviewPage : public QObject
{
    Q_OBJECT
    std::unique_ptr<MainWindowFixture> m_app;

    Ui::OverviewPage& ui() { return m_app->form().OverviewPage()->Form(); }
    TTable& contacts() { return m_app->contacts(); }
    QString current(const char* field = "Navn")
    {
        return contacts().FieldByName(QLatin1String(field)).AsString();
    }
    QStringList errors() { return m_app->dialogs().texts(); }

    void addContacts(const QList<QPair<QString, QString>>& namesAndPhones)
    {
        for (const auto& [name, phone] : namesAndPhones)
            addContact(contacts(), name, phone);
        contacts().First();
    }
    void addKeywordContacts(const QString& keyword)
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"),
                   {QStringLiteral("Nogleord"), keyword});
        addContact(contacts(), QStringLiteral("Bent"), QStringLiteral("22"));
        addContact(contacts(), QStringLiteral("Carl"), QStringLiteral("33"),
                   {QStringLiteral("Nogleord"), keyword});
        TTable& words = *m_app->dm().NogleTable;
        words.Insert();
        words.FieldByName(QStringLiteral("Nogleord")).SetAsString(keyword);
        words.Post();
    }
    void type(const QString& text)
    {
        ui().Find->setFocus();
        typeText(ui().Find, text);
    }
    // On the button's circle: the rest of its width beyond the text takes no click.
    void sortByNumber() { QTest::mouseClick(ui().RadioButton2, Qt::LeftButton, {}, QPoint(8, 8)); }
    void sortByName() { QTest::mouseClick(ui().RadioButton1, Qt::LeftButton, {}, QPoint(8, 8)); }
    void findNext() { QTest::mouseClick(ui().SpeedButton6, Qt::LeftButton); }
    void chooseKeyword(const QString& keyword)
    {
        TDBLookupComboBox* box = ui().DBLookupComboBox2;
        const int index = box->findText(keyword);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

private slots:
    void init()
    {
        m_app = std::make_unique<MainWindowFixture>();
        m_app->showPage("TabSheet4");
    }
    void cleanup() { m_app.reset(); }

    void everyKeystrokeSearchesNamesFromTheTop()
    {
        addContacts({{"Birte Holm", "1"},
                     {"Christian Berg", "2"},
                     {"Frank Lund", "3"},
                     {"Sandra Holm", "4"}});
        type(QStringLiteral("AN"));
        QCOMPARE(current(), QStringLiteral("Christian Berg"));
        type(QStringLiteral("d"));
        QCOMPARE(current(), QStringLiteral("Sandra Holm"));
        QTest::keyClick(ui().Find, Qt::Key_Backspace);
        QCOMPARE(current(), QStringLiteral("Christian Berg"));
        QVERIFY(errors().isEmpty());
    }

    void danishLettersMatchInEitherCase_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");
        QTest::newRow("capital Ø finds ø") << "Ø"
                                           << "Søren Dahl";
        QTest::newRow("small æ finds Æ") << "æb"
                                         << "Æblegaard Ida";
        QTest::newRow("capital Å finds å") << "ÅS"
                                           << "Bo Åstrup";
    }
    void danishLettersMatchInEitherCase()
    {
        QFETCH(QString, typed);
        QFETCH(QString, found);
        addContacts(
            {{"Bo Åstrup", "1"}, {"Anne Berg", "2"}, {"Søren Dahl", "3"}, {"Æblegaard Ida", "4"}});
        type(typed);
        QCOMPARE(current(), found);
    }

    void numbersAreFoundFromTheirBeginning()
    {
        addContacts({{"Anna", "0812"}, {"Bent", "1299"}, {"Carl", "1200"}, {"Dora", "5555"}});
        contacts().Last();
        sortByNumber();
        type(QStringLiteral("12"));
        QCOMPARE(current("Telefon"), QStringLiteral("1200"));
        type(QStringLiteral("9"));
        QCOMPARE(current("Telefon"), QStringLiteral("1299"));
        type(QStringLiteral("9"));
        QCOMPARE(current("Telefon"), QStringLiteral("1299"));
        QVERIFY(errors().isEmpty());
    }

    void switchingTheSortClearsTheBoxAndKeepsTheContact_data()
    {
        QTest::addColumn<bool>("toNumber");
        QTest::newRow("name to number") << true;
        QTest::newRow("number to name") << false;
    }
    void switchingTheSortClearsTheBoxAndKeepsTheContact()
    {
        QFETCH(bool, toNumber);
        addContacts({{"Anna", "30"}, {"Bent", "20"}, {"Carl", "10"}});
        if (!toNumber)
            sortByNumber();
        type(toNumber ? QStringLiteral("be") : QStringLiteral("2"));
        QCOMPARE(current(), QStringLiteral("Bent"));
        toNumber ? sortByNumber() : sortByName();
        QCOMPARE(ui().Find->text(), QString());
        QVERIFY(ui().Find->hasFocus());
        QCOMPARE(current(), QStringLiteral("Bent"));
        QCOMPARE(contacts().IndexName(), toNumber ? QStringLiteral("IndexTelefon") : QString());
        QCOMPARE(m_app->form().OverviewPage()->EasyFind1()->SearchField(),
                 toNumber ? QStringLiteral("Telefonnr") : QStringLiteral("Navn"));
        QCOMPARE(ui().Label16->text(),
                 toNumber ? QStringLiteral("Find telefonr.") : QStringLiteral("Find navn."));
        QVERIFY(errors().isEmpty());
    }

    void gridShowsTheChosenOrder()
    {
        addContacts({{"Anna", "30"}, {"Bent", "20"}, {"Carl", "10"}});
        DBGridModel& model = *ui().DBGrid1->gridModel();
        QCOMPARE(model.columnCount(), 28);
        QCOMPARE(model.headerData(10, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Fødselsdag"));
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("Anna"));
        sortByNumber();
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("Carl"));
    }

    void findNextStepsThroughTheMatchesAndStopsAtTheLast_data()
    {
        QTest::addColumn<bool>("byNumber");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("names") << false << "an"
                               << QStringList{"Anders", "Jan", "Stine Hansen", "Stine Hansen"};
        QTest::newRow("numbers from their beginning")
            << true << "12" << QStringList{"Jan", "Anders", "Stine Hansen", "Stine Hansen"};
    }
    void findNextStepsThroughTheMatchesAndStopsAtTheLast()
    {
        QFETCH(bool, byNumber);
        QFETCH(QString, typed);
        QFETCH(QStringList, steps);
        addContacts({{"Anders", "1202"},
                     {"Bo", "3120"},
                     {"Jan", "1201"},
                     {"Stine Hansen", "1203"},
                     {"Åse", "9999"}});
        if (byNumber)
            sortByNumber();
        type(typed);
        QCOMPARE(current(), steps.first());
        for (const QString& expected : steps.mid(1)) {
            findNext();
            QCOMPARE(current(), expected);
        }
        QVERIFY(errors().isEmpty());
    }

    void findNextWithoutASearchIsRefused_data()
    {
        QTest::addColumn<bool>("byNumber");
        QTest::newRow("name mode") << false;
        QTest::newRow("number mode") << true;
    }
    void findNextWithoutASearchIsRefused()
    {
        QFETCH(bool, byNumber);
        addContacts({{"Anna", "1"}, {"Bent", "2"}});
        contacts().Last();
        if (byNumber)
            sortByNumber();
        findNext();
        QCOMPARE(errors(), QStringList{QStringLiteral("No initial Find/Locate done first.")});
        QCOMPARE(current(), QStringLiteral("Bent"));
    }

    void keywordFilterHoldsOnEveryPageUntilShowAll_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<bool>("liftOnDetails");
        QTest::newRow("lifted on the overview") << "Venner" << false;
        QTest::newRow("lifted on the details page") << "Venner" << true;
        QTest::newRow("keyword with an apostrophe") << "Kim's venner" << false;
    }
    void keywordFilterHoldsOnEveryPageUntilShowAll()
    {
        QFETCH(QString, keyword);
        QFETCH(bool, liftOnDetails);
        addKeywordContacts(keyword);
        chooseKeyword(keyword);
        QVERIFY(errors().isEmpty());
        QCOMPARE(contacts().RecordCount(), 2);
        QCOMPARE(ui().DBGrid1->gridModel()->rowCount(), 2);
        m_app->showPage("TabSheet1");
        Ui::DetailsPage& details = m_app->form().DetailsPage()->Form();
        QCOMPARE(details.DBEdit2->text(), QStringLiteral("Anna"));
        contacts().Next();
        QCOMPARE(details.DBEdit2->text(), QStringLiteral("Carl"));
        if (liftOnDetails) {
            QTest::mouseClick(details.Button4, Qt::LeftButton);
        } else {
            m_app->showPage("TabSheet4");
            QTest::mouseClick(ui().SpeedButton14, Qt::LeftButton);
        }
        QCOMPARE(contacts().RecordCount(), 3);
        QCOMPARE(ui().DBGrid1->gridModel()->rowCount(), 3);
        QVERIFY(errors().isEmpty());
    }

    void findCaptionFollowsTheLanguageShown_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("byName");
        QTest::addColumn<QString>("byNumber");
        QTest::newRow("Danish") << -1 << "Find navn."
                                << "Find telefonr.";
        QTest::newRow("English") << 0 << "Search name"
                                 << "Search phoneno.";
        QTest::newRow("Norwegian") << 1 << "Søk navn."
                                   << "Find telefonr.";
        QTest::newRow("Swedish") << 2 << "Sök namn."
                                 << "Find telefonr.";
        QTest::newRow("German leaves it") << 3 << ""
                                          << "";
    }
    void findCaptionFollowsTheLanguageShown()
    {
        QFETCH(int, language);
        QFETCH(QString, byName);
        QFETCH(QString, byNumber);
        TPhoneForm& form = m_app->form();
        const std::function<void()> choose[] = {
            [&] { form.DanskClick(); }, [&] { form.EnglishClick(); }, [&] { form.NorskClick(); },
            [&] { form.SvenskClick(); }, [&] { form.DeutschClick(); }};
        choose[language + 1]();
        const QString translated = ui().Label16->text();
        sortByNumber();
        QCOMPARE(ui().Label16->text(), byNumber.isEmpty() ? translated : byNumber);
        sortByName();
        QCOMPARE(ui().Label16->text(), byName.isEmpty() ? translated : byName);
        QVERIFY(errors().isEmpty());
    }

    void gridReadsOnlyTheRowsItShows()
    {
        {
            // The controls need not follow every one of the contacts made.
            contacts().DisableControls();
            const auto enable = qScopeGuard([this] { contacts().EnableControls(); });
            Transaction many(contacts());
            for (int i = 0; i < 3000; ++i)
                addContact(contacts(), QStringLiteral("Kontakt %1").arg(i, 5, 10, QLatin1Char('0')),
                           QString::number(i));
            many.Commit();
        }
        contacts().First();
        m_app->showPage("TabSheet4"); // each new contact brought the details page forward
        TDBGrid* grid = ui().DBGrid1;
        const int shown =
            grid->viewport()->height() / grid->verticalHeader()->defaultSectionSize() + 1;
        sqlite3_trace_v2(contacts().FileConnection()->handle(), SQLITE_TRACE_STMT, countStatement,
                         nullptr);
        const auto untrace = qScopeGuard([this] {
            sqlite3_trace_v2(contacts().FileConnection()->handle(), 0, nullptr, nullptr);
        });
        QScrollBar* bar = grid->verticalScrollBar();
        int pages = 0;
        do {
            g_statementsRun = 0;
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            grid->viewport()->repaint();
            // The rows of a page are read a block at a time, by one statement.
            QVERIFY2(g_statementsRun <= 3,
                     qPrintable(QStringLiteral("page %1 read %2 rows, %3 shown")
                                    .arg(pages)
                                    .arg(g_statementsRun)
                                    .arg(shown)));
            ++pages;
        } while (bar->value() < bar->maximum());
        QVERIFY(pages > 3000 / shown / 2);
        g_statementsRun = 0;
        bar->setValue(0);
        grid->viewport()->repaint();
        QVERIFY(g_statementsRun <= shown + 8);
        QCOMPARE(current(), QStringLiteral("Kontakt 00000"));
    }

    // The grid reads its rows a block at a time; after every kind of change
    // it shows the records as the table holds them, in the table's order.
    void gridShowsTheRightRowsAfterChanges_data()
    {
        QTest::addColumn<QString>("change");
        for (const char* change : {"insert", "delete", "filter", "sort"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }

    void gridShowsTheRightRowsAfterChanges()
    {
        QFETCH(QString, change);
        {
            Transaction many(contacts());
            for (int i = 0; i < 100; ++i)
                addContact(contacts(), QStringLiteral("Kontakt %1").arg(i, 3, 10, QLatin1Char('0')),
                           QString::number(1000 - i),
                           {QStringLiteral("Nogleord"), i % 3 ? QString() : QStringLiteral("Ven")});
            many.Commit();
        }
        contacts().First();
        DBGridModel& model = *ui().DBGrid1->gridModel();
        const auto shown = [&model] {
            QStringList names;
            for (int r = 0; r < model.rowCount(); ++r)
                names << model.data(model.index(r, 0), Qt::DisplayRole).toString();
            return names;
        };
        const auto stored = [this] {
            QStringList names;
            for (const QString& name : contacts().ColumnInOrder(0))
                names << name;
            return names;
        };
        QCOMPARE(shown(), stored()); // every block read once
        if (change == QLatin1String("insert")) {
            addContact(contacts(), QStringLiteral("Kontakt 050a"), QStringLiteral("5"));
        } else if (change == QLatin1String("delete")) {
            contacts().MoveToIndex(40);
            contacts().Delete();
        } else if (change == QLatin1String("filter")) {
            contacts().SetFilter(TOverviewPage::KeywordFilter(QStringLiteral("Ven")));
            contacts().SetFiltered(true);
        } else {
            sortByNumber();
        }
        QCOMPARE(shown(), stored());
        QCOMPARE(model.rowCount(), contacts().RecordCount());
    }

    // A contact posted on another page stands at the grid's cursor when the
    // overview is shown again, also where its place was never read.
    void hiddenGridFindsAPostedContactWhenShown()
    {
        {
            Transaction many(contacts());
            for (int i = 0; i < 300; ++i)
                addContact(contacts(), QStringLiteral("Kontakt %1").arg(i, 3, 10, QLatin1Char('0')),
                           QString::number(i));
            many.Commit();
        }
        contacts().First();
        m_app->showPage("TabSheet1");
        addContact(contacts(), QStringLiteral("Kontakt 250a"), QStringLiteral("9"));
        m_app->showPage("TabSheet4");
        TDBGrid* grid = ui().DBGrid1;
        QCOMPARE(grid->currentIndex().row(), 251);
        QCOMPARE(grid->gridModel()->data(grid->currentIndex(), Qt::DisplayRole).toString(),
                 QStringLiteral("Kontakt 250a"));
        QVERIFY(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())));
    }

    void doubleClickOpensTheContactOnTheDetailsPage()
    {
        addContacts({{"Anna", "1"}, {"Bent", "2"}});
        TDBGrid* grid = ui().DBGrid1;
        const QRect cell = grid->visualRect(grid->gridModel()->index(1, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(m_app->form().PageControl1()->currentWidget(), m_app->tabSheet("TabSheet1"));
        QCOMPARE(current(), QStringLiteral("Bent"));
        QCOMPARE(m_app->form().DetailsPage()->Form().DBEdit2->text(), QStringLiteral("Bent"));
        QVERIFY(!contacts().IsEditing());
        QVERIFY(errors().isEmpty());
    }
};

QTEST_MAIN(TestOverviewPage)
#include "test_overviewpage.moc"
