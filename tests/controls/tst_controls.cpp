#include "ControlsFixture.h"

#include "core/store/Field.h"
#include "gui/controls/DBCheckBox.h"
#include "gui/controls/DBDateEdit.h"
#include "gui/controls/DBEdit.h"
#include "gui/controls/DBGrid.h"
#include "gui/controls/DBGridModel.h"
#include "gui/controls/DBLookupComboBox.h"
#include "gui/controls/DBMemo.h"
#include "gui/controls/DBNavigator.h"
#include "gui/controls/DBText.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A window holding the controls under test and a plain edit to move focus to.
struct Window
{
    QWidget widget;
    QVBoxLayout* layout = new QVBoxLayout(&widget);
    QLineEdit* elsewhere = new QLineEdit(&widget);

    template <class T> T* add(const QString& field, TDataSource* source)
    {
        auto* control = new T(&widget);
        control->SetDataField(field);
        control->SetDataSource(source);
        layout->addWidget(control);
        return control;
    }
    void show()
    {
        layout->addWidget(elsewhere);
        widget.show();
        widget.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
    }
    void leave() { elsewhere->setFocus(Qt::TabFocusReason); }
};

// Clicks the box itself: a click beside the box and its caption does nothing.
void clickBox(QCheckBox* check)
{
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
}

QString field(TTable& table, const QString& name)
{
    return table.FieldByName(name).AsString();
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void typingStartsEditAndReachesFieldOnPost();
    void typingIntoEmptyTableInsertsAndKeepsTheKey();
    void leavingWritesTheFieldBeforeExited();
    void typingIsRefused_data();
    void typingIsRefused();
    void codeTextCountsAsTyped();
    void keysThatChangeNothingKeepBrowsing_data();
    void keysThatChangeNothingKeepBrowsing();
    void editTakesNoMoreThanTheField();
    void movingRefreshesEveryControl();
    void dateEditShowsMaskAndFormat();
    void dateEditPicksFromCalendar();
    void dateEditKeepsBadDateAndReportsIt();
    void checkBoxStates_data();
    void checkBoxStates();
    void lookupListsAndStoresKey();
    void gridRowsTitlesAndColumns();
    void gridCurrentRowFollowsBothWays();
    void gridShowsInsertedRowAndEditsCells();
    void gridLargeTableReadsOnlyVisibleRows();
    void navigatorEnabling_data();
    void navigatorEnabling();
    void navigatorDeleteAsks_data();
    void navigatorDeleteAsks();
    void navigatorErrorGoesToErrorBox();
    void navigatorHintsAndVisibleButtons();

private:
    std::unique_ptr<ControlsFixture> m_f;
    std::unique_ptr<Window> m_w;
};

void TestControls::init()
{
    m_f = std::make_unique<ControlsFixture>();
    m_w = std::make_unique<Window>();
}

void TestControls::cleanup()
{
    m_w.reset();
    m_f.reset();
}

void TestControls::typingStartsEditAndReachesFieldOnPost()
{
    m_f->addContact(QStringLiteral("Anna"), QStringLiteral("111"));
    auto* edit = m_w->add<TDBEdit>(QStringLiteral("Adresse1"), &m_f->contactSource);
    m_w->show();
    edit->setFocus();
    QCOMPARE(m_f->contacts.State(), DataSetState::Browse);
    QTest::keyClicks(edit, QStringLiteral("Vej 1"));
    QCOMPARE(m_f->contacts.State(), DataSetState::Edit);
    QCOMPARE(field(m_f->contacts, QStringLiteral("Adresse1")), QString()); // not yet written
    m_f->contacts.Post();
    QCOMPARE(m_f->contacts.State(), DataSetState::Browse);
    QCOMPARE(m_f->contacts.DisplayTextAt(0, m_f->contacts.FindField("Adresse1")->Index()),
             QStringLiteral("Vej 1"));
}

void TestControls::typingIntoEmptyTableInsertsAndKeepsTheKey()
{
    auto* edit = m_w->add<TDBEdit>(QStringLiteral("Navn"), &m_f->contactSource);
    m_w->show();
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("Bo"));
    QCOMPARE(m_f->contacts.State(), DataSetState::Insert);
    QCOMPARE(edit->text(), QStringLiteral("Bo"));
    m_f->contacts.Post();
    QCOMPARE(m_f->contacts.RecordCount(), 1);
    QCOMPARE(field(m_f->contacts, QStringLiteral("Navn")), QStringLiteral("Bo"));
}

void TestControls::leavingWritesTheFieldBeforeExited()
{
    m_f->addContact(QStringLiteral("Anna"), QStringLiteral("111"));
    auto* edit = m_w->add<TDBEdit>(QStringLiteral("Land"), &m_f->contactSource);
    auto* memo = m_w->add<TDBMemo>(QStringLiteral("Notater"), &m_f->contactSource);
    m_w->show();
    QStringList seen;
    QObject::connect(edit, &TDBEdit::exited, [&] { seen << field(m_f->contacts, "Land"); });
    QObject::connect(memo, &TDBMemo::exited, [&] { seen << field(m_f->contacts, "Notater"); });
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("danmark"));
    memo->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(memo, QStringLiteral("en"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("to"));
    m_w->leave();
    QCOMPARE(seen, (QStringList{QStringLiteral("danmark"), QStringLiteral("en\nto")}));
}

void TestControls::typingIsRefused_data()
{
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("closed table") << true << false;
    QTest::newRow("read-only control") << false << true;
}

void TestControls::typingIsRefused()
{
    QFETCH(bool, closed);
    QFETCH(bool, readOnly);
    m_f->addContact(QStringLiteral("Anna"), QStringLiteral("111"));
    auto* edit = m_w->add<TDBEdit>(QStringLiteral("Navn"), &m_f->contactSource);
    auto* memo = m_w->add<TDBMemo>(QStringLiteral("Notater"), &m_f->contactSource);
    auto* date = m_w->add<TDBDateEdit>(QStringLiteral("Fodselsdag"), &m_f->contactSource);
    auto* check = m_w->add<TDBCheckBox>(QStringLiteral("FKort"), &m_f->contactSource);
    edit->SetReadOnly(readOnly);
    memo->SetReadOnly(readOnly);
    date->SetReadOnly(readOnly);
    check->SetReadOnly(readOnly);
    if (closed)
        m_f->contacts.Close();
    m_w->show();
    const QString before = edit->text();
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("x"));
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("x"));
    date->setFocus();
    QTest::keyClicks(date->lineEdit(), QStringLiteral("01"));
    clickBox(check);
    QCOMPARE(edit->text(), before);
    QCOMPARE(memo->text(), QString());
    QCOMPARE(date->text(), TDBDateEdit::BlankMask);
    QCOMPARE(check->checkState(), Qt::PartiallyChecked);
    QCOMPARE(m_f->contacts.IsEditing(), false);
    QVERIFY(m_f->dialogs.messages.isEmpty());
}

// The page's tidying rules put text into an edit from code: it reaches the
// record like typed text; the same text put back changes nothing.
void TestControls::codeTextCountsAsTyped()
{
    m_f->addContact(QStringLiteral("anna"), QStringLiteral("111"));
    auto* edit = m_w->add<TDBEdit>(QStringLiteral("Navn"), &m_f->contactSource);
    m_w->show();
    edit->setText(QStringLiteral("anna"));
    edit->Link().UpdateRecord();
    QCOMPARE(m_f->contacts.State(), DataSetState::Browse);
    m_f->contacts.Edit();
    edit->setText(QStringLiteral("Anna"));
    m_f->contacts.Post();
    QCOMPARE(field(m_f->contacts, QStringLiteral("Navn")), QStringLiteral("Anna"));
}

void TestControls::keysThatChangeNothingKeepBrowsing_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0;
    QTest::newRow("arrow") << int(Qt::Key_Left) << 0;
    QTest::newRow("End") << int(Qt::Key_End) << 0;
    QTest::newRow("copy") << int(Qt::Key_C) << int(Qt::ControlModifier);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0;
}

void TestControls::keysThatChangeNothingKeepBrowsing()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    m_f->addContact(QStringLiteral("Anna"), QStringLiteral("111"));
    auto* edit = m_w->add<TDBEdit>(QStringLiteral("Navn"), &m_f->contactSource);
    m_w->show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(m_f->contacts.State(), DataSetState::Browse);
    QCOMPARE(edit->text(), QStringLiteral("Anna"));
}

void TestControls::editTakesNoMoreThanTheField()
{
    m_f->addContact(QStringLiteral("Anna"), QStringLiteral("111"));
    auto* edit = m_w->add<TDBEdit>(QStringLiteral("FKort"), &m_f->contactSource); // 3 characters
    auto* memo = m_w->add<TDBMemo>(QStringLiteral("Notater"), &m_f->contactSource);
    m_w->show();
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("abcdef"));
    QCOMPARE(edit->text(), QStringLiteral("abc"));
    // Tab leaves the memo instead of going into the text.
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Tab);
    QVERIFY(!memo->hasFocus());
    QCOMPARE(memo->text(), QString());
}

void TestControls::movingRefreshesEveryControl()
{
    m_f->addKeyword(QStringLiteral("Arbejde"));
    m_f->addKeyword(QStringLiteral("Familie"));
    m_f->addContact("Anna", "111",
                    {"Adresse1", "Vej 1", "Notater", "note A", "Fodselsdag", "01-02-1990", "FKort",
                     "Ja", "Nogleord", "Arbejde"});
    m_f->addContact("Bent", "222",
                    {"Adresse1", "Gade 2", "Notater", "note B", "Fodselsdag", "", "FKort", "Nej",
                     "Nogleord", "Familie"});
    auto* edit = m_w->add<TDBEdit>("Adresse1", &m_f->contactSource);
    auto* memo = m_w->add<TDBMemo>("Notater", &m_f->contactSource);
    auto* date = m_w->add<TDBDateEdit>("Fodselsdag", &m_f->contactSource);
    auto* check = m_w->add<TDBCheckBox>("FKort", &m_f->contactSource);
    auto* text = m_w->add<TDBText>("Navn", &m_f->contactSource);
    auto* lookup = m_w->add<TDBLookupComboBox>("Nogleord", &m_f->contactSource);
    lookup->SetKeyField("Nogleord");
    lookup->SetListField("Nogleord");
    lookup->SetListSource(&m_f->keywordSource);
    m_w->show();
    QSignalSpy dateChanges(date, &TDBDateEdit::changed);
    m_f->contacts.First();
    QCOMPARE(text->text(), QStringLiteral("Anna"));
    QCOMPARE(edit->text(), QStringLiteral("Vej 1"));
    QCOMPARE(memo->text(), QStringLiteral("note A"));
    QCOMPARE(date->text(), QStringLiteral("01-02-1990"));
    QCOMPARE(check->checkState(), Qt::Checked);
    QCOMPARE(lookup->currentText(), QStringLiteral("Arbejde"));
    m_f->contacts.Next();
    QCOMPARE(text->text(), QStringLiteral("Bent"));
    QCOMPARE(edit->text(), QStringLiteral("Gade 2"));
    QCOMPARE(memo->text(), QStringLiteral("note B"));
    QCOMPARE(date->text(), TDBDateEdit::BlankMask);
    QCOMPARE(check->checkState(), Qt::Unchecked);
    QCOMPARE(lookup->currentText(), QStringLiteral("Familie"));
    QVERIFY(dateChanges.count() >= 1);
}

void TestControls::dateEditShowsMaskAndFormat()
{
    m_f->addContact("Anna", "111", {"Fodselsdag", "05-11-1971"});
    m_f->addContact("Bent", "222", {"Fodselsdag", "05-11-1971"});
    auto* date = m_w->add<TDBDateEdit>("Fodselsdag", &m_f->contactSource);
    m_w->show();
    m_f->contacts.First();
    QCOMPARE(date->text(), QStringLiteral("05-11-1971"));
    // A move to a record with the same date is still a change the page hears.
    QSignalSpy changes(date, &TDBDateEdit::changed);
    m_f->contacts.Next();
    QCOMPARE(changes.count(), 1);
    // Clearing the date by keyboard leaves the blank mask, which stores no date.
    date->setFocus();
    date->lineEdit()->selectAll();
    QTest::keyClick(date->lineEdit(), Qt::Key_Delete);
    QCOMPARE(date->text(), QStringLiteral("  -  -    "));
    QVERIFY(changes.count() >= 2);
    m_f->contacts.Post();
    QVERIFY(m_f->contacts.FieldByName("Fodselsdag").IsNull());
    // Typing digits fills the mask in the date format.
    date->setFocus();
    date->lineEdit()->setCursorPosition(0);
    QTest::keyClicks(date->lineEdit(), QStringLiteral("24121999"));
    QCOMPARE(date->text(), QStringLiteral("24-12-1999"));
    m_w->leave();
    QCOMPARE(field(m_f->contacts, "Fodselsdag"), QStringLiteral("24-12-1999"));
}

void TestControls::dateEditPicksFromCalendar()
{
    m_f->addContact("Anna", "111");
    auto* date = m_w->add<TDBDateEdit>("Fodselsdag", &m_f->contactSource);
    m_w->show();
    QSignalSpy buttonClicks(date, &TDBDateEdit::buttonClicked);
    QTest::mouseClick(date->button(), Qt::LeftButton);
    QCOMPARE(buttonClicks.count(), 1);
    QVERIFY(date->calendar()->isVisible());
    emit date->calendar()->clicked(QDate(2001, 3, 9));
    QVERIFY(!date->calendar()->isVisible());
    QCOMPARE(m_f->contacts.State(), DataSetState::Edit);
    QCOMPARE(date->text(), QStringLiteral("09-03-2001"));
    QCOMPARE(field(m_f->contacts, "Fodselsdag"), QStringLiteral("09-03-2001"));
}

void TestControls::dateEditKeepsBadDateAndReportsIt()
{
    m_f->addContact("Anna", "111");
    auto* date = m_w->add<TDBDateEdit>("Fodselsdag", &m_f->contactSource);
    m_w->show();
    date->setFocus();
    date->lineEdit()->setCursorPosition(0);
    QTest::keyClicks(date->lineEdit(), QStringLiteral("3102"));
    m_w->leave();
    QCOMPARE(m_f->dialogs.messages.size(), 1);
    QCOMPARE(m_f->dialogs.messages[0].kind, MessageKind::Error);
    QCOMPARE(date->text(), QStringLiteral("31-02-    "));
    QVERIFY_THROWS_EXCEPTION(std::exception, m_f->contacts.Post());
    QCOMPARE(m_f->contacts.State(), DataSetState::Edit);
}

void TestControls::checkBoxStates_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<Qt::CheckState>("shown");
    QTest::addColumn<QString>("afterClick");
    QTest::newRow("Ja") << "Ja" << Qt::Checked << "Nej";
    QTest::newRow("Nej") << "Nej" << Qt::Unchecked << "Ja";
    QTest::newRow("empty") << "" << Qt::PartiallyChecked << "Ja";
    QTest::newRow("other text") << "ja" << Qt::PartiallyChecked << "Ja";
}

void TestControls::checkBoxStates()
{
    QFETCH(QString, stored);
    QFETCH(Qt::CheckState, shown);
    QFETCH(QString, afterClick);
    m_f->addContact("Anna", "111", {"JKort", stored});
    auto* check = m_w->add<TDBCheckBox>("JKort", &m_f->contactSource);
    m_w->show();
    QCOMPARE(check->checkState(), shown);
    clickBox(check);
    QCOMPARE(field(m_f->contacts, "JKort"), afterClick);
    clickBox(check);
    QCOMPARE(check->checkState(), afterClick == "Ja" ? Qt::Unchecked : Qt::Checked);
    m_f->contacts.Cancel();
    QCOMPARE(check->checkState(), shown);
}

void TestControls::lookupListsAndStoresKey()
{
    for (const char* word : {"Venner", "Arbejde", "Ærø", "Familie"})
        m_f->addKeyword(QString::fromUtf8(word));
    m_f->addContact("Anna", "111");
    auto* lookup = m_w->add<TDBLookupComboBox>("Nogleord", &m_f->contactSource);
    auto* filter = m_w->add<TDBLookupComboBox>(QString(), nullptr); // a chooser, no field
    for (auto* l : {lookup, filter}) {
        l->SetKeyField("Nogleord");
        l->SetListField("Nogleord");
        l->SetListSource(&m_f->keywordSource);
    }
    m_w->show();
    const QStringList order{"Arbejde", "Familie", "Venner", QStringLiteral("Ærø")};
    QCOMPARE(lookup->Keys(), order);
    QCOMPARE(lookup->currentIndex(), -1);
    QSignalSpy chosen(lookup, &TDBLookupComboBox::clicked);
    emit lookup->activated(1);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(m_f->contacts.State(), DataSetState::Edit);
    QCOMPARE(field(m_f->contacts, "Nogleord"), QStringLiteral("Familie"));
    QCOMPARE(lookup->currentText(), QStringLiteral("Familie"));
    // The unbound list only chooses.
    emit filter->activated(2);
    QCOMPARE(filter->KeyValue(), QStringLiteral("Venner"));
    QCOMPARE(field(m_f->contacts, "Nogleord"), QStringLiteral("Familie"));
    // A word posted to the list table is offered at once; the choice stays shown.
    m_f->addKeyword(QStringLiteral("Bank"));
    QCOMPARE(lookup->count(), 5);
    QCOMPARE(lookup->itemText(1), QStringLiteral("Bank"));
    QCOMPARE(lookup->currentText(), QStringLiteral("Familie"));
    QCOMPARE(filter->currentText(), QStringLiteral("Venner"));
}

void TestControls::gridRowsTitlesAndColumns()
{
    m_f->addContact("Bent", "222");
    m_f->addContact("Anna", "111");
    auto* all = m_w->add<TDBGrid>(QString(), &m_f->contactSource);
    auto* some = m_w->add<TDBGrid>(QString(), &m_f->contactSource);
    some->Columns()->Add("Telefon", QString(), 101);
    some->Columns()->Add("Fodselsdag", QStringLiteral("Fødselsdag"));
    m_w->show();
    QAbstractItemModel* model = all->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->columnCount(), m_f->contacts.FieldCount());
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Navn"));
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Anna"));
    model = some->model();
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Telefon"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Fødselsdag"));
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("222"));
    QCOMPARE(some->columnWidth(0), 101);
    QVERIFY(some->columnWidth(1) > 0);
    // A new title, as a language switch sets it, shows in the header without
    // the grid being read again; setting the same title again does nothing.
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QSignalSpy headers(model, &QAbstractItemModel::headerDataChanged);
    some->Columns()->Items(1)->SetTitle(QStringLiteral("Birthday"));
    some->Columns()->Items(1)->SetTitle(QStringLiteral("Birthday"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Birthday"));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(headers.count(), 1);
    QCOMPARE(some->columnWidth(0), 101);
    // Every title at once, as a language switch sets them: the header hears
    // once; while the grid is hidden, only when it is shown again.
    some->Columns()->SetTitles({QStringLiteral("Phone"), QStringLiteral("Born")});
    QCOMPARE(headers.count(), 2);
    QCOMPARE(headers.last().at(1).toInt(), 0);
    QCOMPARE(headers.last().at(2).toInt(), 1);
    some->hide();
    some->Columns()->SetTitles({QStringLiteral("Telefon"), QStringLiteral("Fødselsdag")});
    some->Columns()->SetTitles({QStringLiteral("Tlf."), QStringLiteral("Fødselsdag")});
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Tlf."));
    QCOMPARE(headers.count(), 2);
    some->show();
    QCOMPARE(headers.count(), 3);
    QCOMPARE(headers.last().at(1).toInt(), 0);
    QCOMPARE(headers.last().at(2).toInt(), 1);
    // Only the columns whose titles changed, not those of an earlier change.
    some->Columns()->SetTitles({QStringLiteral("Tlf"), QStringLiteral("Fødselsdag")});
    QCOMPARE(headers.count(), 4);
    QCOMPARE(headers.last().at(1).toInt(), 0);
    QCOMPARE(headers.last().at(2).toInt(), 0);
    some->hide();
    some->Columns()->SetTitles({QStringLiteral("Telefon"), QStringLiteral("Fødselsdag")});
    some->show();
    QCOMPARE(headers.count(), 5);
    QCOMPARE(headers.last().at(1).toInt(), 0);
    QCOMPARE(headers.last().at(2).toInt(), 0);
    m_f->contacts.Last();
    m_f->contacts.Delete();
    QCOMPARE(model->rowCount(), 1);
}

void TestControls::gridCurrentRowFollowsBothWays()
{
    for (const char* name : {"Anna", "Bent", "Carl", "Dorte"})
        m_f->addContact(name, "1");
    auto* grid = m_w->add<TDBGrid>(QString(), &m_f->contactSource);
    grid->SetReadOnly(true);
    grid->Columns()->Add("Navn");
    m_w->show();
    m_f->contacts.MoveToIndex(2);
    QCOMPARE(grid->currentIndex().row(), 2);
    QVERIFY(grid->selectionModel()->isRowSelected(2, {}));
    const QRect cell = grid->visualRect(grid->model()->index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(m_f->contacts.CurrentIndex(), 1);
    QCOMPARE(field(m_f->contacts, "Navn"), QStringLiteral("Bent"));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(field(m_f->contacts, "Navn"), QStringLiteral("Carl"));
    QSignalSpy doubleClicks(grid, &TDBGrid::dblClick);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(doubleClicks.count(), 1);
    QCOMPARE(m_f->contacts.State(), DataSetState::Browse); // read-only: no editing
}

void TestControls::gridShowsInsertedRowAndEditsCells()
{
    m_f->addKeyword("Arbejde");
    m_f->addKeyword("Venner");
    auto* grid = m_w->add<TDBGrid>(QString(), &m_f->keywordSource);
    grid->Columns()->Add("Nogleord", QStringLiteral("Nøgleord"));
    m_w->show();
    m_f->keywords.Last();
    m_f->keywords.Insert();
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->currentIndex().row(), 1); // the new row stands at the cursor
    grid->setFocus();
    QTest::keyClick(grid, 'B'); // the first key opens the cell editor
    QVERIFY(QApplication::focusWidget() != grid);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ank"));
    int enterKeys = 0;
    QObject::connect(grid, &TDBGrid::keyDown,
                     [&](QKeyEvent* key) { enterKeys += key->key() == Qt::Key_Return; });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(enterKeys, 1);
    QCOMPARE(field(m_f->keywords, "Nogleord"), QStringLiteral("Bank"));
    m_f->keywords.Post();
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("Arbejde"));
    QCOMPARE(grid->model()->index(1, 0).data().toString(), QStringLiteral("Bank"));
    QCOMPARE(grid->currentIndex().row(), 1);
    // Editing a cell of a stored row starts an edit of that record.
    QTest::keyClick(grid, Qt::Key_F2);
    QCOMPARE(m_f->keywords.State(), DataSetState::Edit);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(grid, Qt::Key_Escape);
    QCOMPARE(m_f->keywords.State(), DataSetState::Browse);
}

void TestControls::gridLargeTableReadsOnlyVisibleRows()
{
    const int count = 100000;
    m_f->fillContacts(count);
    QElapsedTimer timer;
    timer.start();
    auto* grid = m_w->add<TDBGrid>(QString(), &m_f->contactSource);
    grid->SetReadOnly(true);
    grid->Columns()->Add("Navn");
    grid->Columns()->Add("Telefon");
    m_w->show();
    QCOMPARE(grid->model()->rowCount(), count);
    QCoreApplication::processEvents();
    QVERIFY(grid->gridModel()->RowsRead() < 200);
    m_f->contacts.Last();
    QCoreApplication::processEvents();
    QCOMPARE(grid->currentIndex().row(), count - 1);
    grid->verticalScrollBar()->setValue(count / 2);
    grid->viewport()->repaint();
    QVERIFY(grid->gridModel()->RowsRead() < 400);
    QCOMPARE(grid->model()->index(count / 2, 0).data().toString(),
             QStringLiteral("Kontakt %1").arg(count / 2, 6, 10, QChar(u'0')));
    qInfo("100,000 rows: opened, shown and scrolled in %lld ms", qint64(timer.elapsed()));
}

using Enabled = QList<bool>; // First Prior Next Last Insert Delete Edit Post Cancel

void TestControls::navigatorEnabling_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("action");
    QTest::addColumn<Enabled>("enabled");
    const bool y = true, n = false;
    QTest::newRow("empty") << 0 << "" << Enabled{n, n, n, n, y, n, y, n, n};
    QTest::newRow("inserting into empty") << 0 << "insert" << Enabled{n, n, n, n, y, y, n, y, y};
    QTest::newRow("one record") << 1 << "first" << Enabled{n, n, n, n, y, y, y, n, n};
    QTest::newRow("first of three") << 3 << "first" << Enabled{n, n, y, y, y, y, y, n, n};
    QTest::newRow("middle") << 3 << "next" << Enabled{y, y, y, y, y, y, y, n, n};
    QTest::newRow("last") << 3 << "last" << Enabled{y, y, n, n, y, y, y, n, n};
    QTest::newRow("editing") << 3 << "edit" << Enabled{n, n, y, y, y, y, n, y, y};
    QTest::newRow("closed") << 3 << "close" << Enabled{n, n, n, n, n, n, n, n, n};
}

void TestControls::navigatorEnabling()
{
    QFETCH(int, records);
    QFETCH(QString, action);
    QFETCH(Enabled, enabled);
    for (int i = 0; i < records; ++i)
        m_f->addContact(QStringLiteral("Navn %1").arg(i), "1");
    auto* nav = m_w->add<TDBNavigator>(QString(), &m_f->contactSource);
    m_w->show();
    m_f->contacts.First();
    if (action == "insert")
        m_f->contacts.Insert();
    else if (action == "next")
        m_f->contacts.Next();
    else if (action == "last")
        m_f->contacts.Last();
    else if (action == "edit")
        m_f->contacts.Edit();
    else if (action == "close")
        m_f->contacts.Close();
    Enabled actual;
    for (int b = 0; b < TDBNavigator::ButtonCount; ++b)
        actual << nav->button(TDBNavigator::Button(b))->isEnabled();
    QCOMPARE(actual, enabled);
}

void TestControls::navigatorDeleteAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("left");
    QTest::newRow("OK deletes") << int(Ok) << 1;
    QTest::newRow("Cancel keeps") << int(Cancel) << 2;
}

void TestControls::navigatorDeleteAsks()
{
    QFETCH(int, answer);
    QFETCH(int, left);
    m_f->addContact("Anna", "1");
    m_f->addContact("Bent", "2");
    auto* nav = m_w->add<TDBNavigator>(QString(), &m_f->contactSource);
    m_w->show();
    QSignalSpy clicks(nav, &TDBNavigator::clicked);
    m_f->dialogs.answers << MessageButton(answer);
    QTest::mouseClick(nav->button(TDBNavigator::Delete), Qt::LeftButton);
    QCOMPARE(m_f->dialogs.messages.size(), 1);
    QCOMPARE(m_f->dialogs.messages[0].text, QStringLiteral("Slet denne post?"));
    QCOMPARE(m_f->dialogs.messages[0].kind, MessageKind::Confirmation);
    QCOMPARE(m_f->dialogs.messages[0].buttons, MessageButtons(Ok | Cancel));
    QCOMPARE(m_f->contacts.RecordCount(), left);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks[0][0].value<TDBNavigator::Button>(), TDBNavigator::Delete);
}

void TestControls::navigatorErrorGoesToErrorBox()
{
    m_f->addContact("Anna", "1");
    auto* nav = m_w->add<TDBNavigator>(QString(), &m_f->contactSource);
    auto* name = m_w->add<TDBEdit>("Navn", &m_f->contactSource);
    m_w->show();
    QSignalSpy clicks(nav, &TDBNavigator::clicked);
    QTest::mouseClick(nav->button(TDBNavigator::Insert), Qt::LeftButton);
    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("Anna"));
    m_f->contacts.FieldByName("Telefon").SetAsString("1");
    QTest::mouseClick(nav->button(TDBNavigator::Post), Qt::LeftButton); // duplicate key
    QCOMPARE(m_f->dialogs.messages.size(), 1);
    QCOMPARE(m_f->dialogs.messages[0].kind, MessageKind::Error);
    QCOMPARE(clicks.count(), 1); // only the insert went through
    QCOMPARE(m_f->contacts.State(), DataSetState::Insert);
    QCOMPARE(name->text(), QStringLiteral("Anna"));
    QVERIFY(nav->button(TDBNavigator::Cancel)->isEnabled());
    QTest::mouseClick(nav->button(TDBNavigator::Cancel), Qt::LeftButton);
    QCOMPARE(m_f->contacts.State(), DataSetState::Browse);
    QCOMPARE(clicks.count(), 2);
}

void TestControls::navigatorHintsAndVisibleButtons()
{
    auto* nav = m_w->add<TDBNavigator>(QString(), &m_f->keywordSource);
    QCOMPARE(nav->property("Hints").toStringList(),
             (QStringList{"Første", "Forrige", "Næste", "Sidste", "Tilføj", "Slet", "Ret", "Gem",
                          "Fortryd"}));
    QCOMPARE(nav->button(TDBNavigator::Next)->toolTip(), QStringLiteral("Næste"));
    QStringList english = TDBNavigator::DefaultHints();
    english[0] = QStringLiteral("First");
    QVERIFY(nav->setProperty("Hints", english));
    QCOMPARE(nav->button(TDBNavigator::First)->toolTip(), QStringLiteral("First"));
    nav->SetVisibleButtons(TDBNavigator::InsertButton | TDBNavigator::DeleteButton |
                           TDBNavigator::PostButton);
    m_w->show();
    QList<int> shown;
    for (int b = 0; b < TDBNavigator::ButtonCount; ++b)
        if (nav->button(TDBNavigator::Button(b))->isVisible())
            shown << b;
    QCOMPARE(shown, (QList<int>{TDBNavigator::Insert, TDBNavigator::Delete, TDBNavigator::Post}));
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
