// The overview and the family page on a household far beyond any real one:
// 100,000 contacts with 250,000 family members, in the main window as the
// user has it. Each figure is paired with the bare SQLite or memory work it
// cannot beat:
// - a keystroke in the overview's search box without a match, by name
//   (against one memmem over the upper-cased names) and by phone number
//   (against the statement that finds the first number with the prefix on
//   the phone index), and a whole keystroke that finds a contact and paints
//   the grid;
// - one page down in the overview's grid (against reading the same rows with
//   one statement), with the records read from the file counted per page;
// - the next contact with the family page shown (against the statements that
//   read the contact and its members).
#include "BenchNames.h"
#include "core/data/DM.h"
#include "core/store/Connection.h"
#include "core/store/DataFolder.h"
#include "core/store/Table.h"
#include "gui/controls/DBGrid.h"
#include "gui/controls/DBGridModel.h"
#include "gui/windows/PhoneForm.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

constexpr int ContactCount = 100000;
constexpr int MembersPerTwoContacts = 5; // 250,000 members in all

using BenchNames::contactName;
using BenchNames::contactPhone;
using BenchNames::FirstNames;

class Raw
{
public:
    explicit Raw(const QString& file)
    {
        if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            throw std::runtime_error("cannot open " + file.toStdString());
    }
    ~Raw() { sqlite3_close_v2(m_db); }
    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        return statement;
    }
    void exec(const char* sql) { sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3* m_db = nullptr;
};

void bindText(sqlite3_stmt* statement, int position, const QByteArray& text)
{
    sqlite3_bind_text(statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// Written as another program would; the program makes the sort keys at open.
void fillHousehold(const QString& data)
{
    {
        Raw raw(data + QStringLiteral("/Telefon.DB"));
        raw.exec("BEGIN");
        sqlite3_stmt* insert = raw.prepare(
            "INSERT INTO Telefon (Navn, Telefon, Adresse1, Postnr, Bynavn, Land, FKort, JKort, "
            "Regnr) VALUES (?, ?, 'Vestergade 12', '8000', 'Aarhus C', 'Danmark', 'Nej', 'Nej', "
            "?)");
        for (int i = 0; i < ContactCount; ++i) {
            bindText(insert, 1, contactName(i));
            bindText(insert, 2, contactPhone(i));
            sqlite3_bind_int(insert, 3, i + 1);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        raw.exec("COMMIT");
    }
    Raw raw(data + QStringLiteral("/Familie.db"));
    raw.exec("BEGIN");
    sqlite3_stmt* insert = raw.prepare(
        "INSERT INTO Familie (Navn, Telefon, FamNavn, Relation) VALUES (?, ?, ?, 'Barn')");
    for (int i = 0; i < ContactCount; ++i) {
        const int members =
            i % 2 == 0 ? MembersPerTwoContacts / 2 : (MembersPerTwoContacts + 1) / 2;
        for (int m = 0; m < members; ++m) {
            bindText(insert, 1, contactName(i));
            bindText(insert, 2, contactPhone(i));
            bindText(insert, 3,
                     QByteArray(FirstNames[(i + m + 5) % 18]) + ' ' + QByteArray::number(m));
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(insert);
    raw.exec("COMMIT");
}

// Counts the statements the record store runs on its connection: a record
// read from the file is one run of the statement that reads a row.
int g_statementsRun = 0;
int countStatement(unsigned, void*, void*, void*)
{
    ++g_statementsRun;
    return 0;
}

struct Household
{
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/kalvindo-bench-XXXXXX")};
    QString data = root.filePath(QStringLiteral("Data"));
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TPhoneForm> form;

    Household()
    {
        DataFolder::createDelivered(
            data, QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"));
        fillHousehold(data);
        dm = std::make_unique<TDM>(nullptr, data);
        form = std::make_unique<TPhoneForm>();
        form->SetDataModule(dm.get());
        form->ShowMain();
        form->resize(TPhoneForm::DesignWidth, TPhoneForm::DesignHeight);
        QApplication::processEvents();
        sqlite3_trace_v2(dm->TelefonTable->FileConnection()->handle(), SQLITE_TRACE_STMT,
                         countStatement, nullptr);
    }
    // The overview's controls, found by their names as a form localizer finds them.
    template <typename Control> Control* control(const char* name)
    {
        return form->findChild<Control*>(QLatin1String(name));
    }
    QLineEdit* find() { return control<QLineEdit>("Find"); }
    TDBGrid* grid() { return control<TDBGrid>("DBGrid1"); }
    void show(const char* tabSheet)
    {
        form->PageControl1()->setCurrentWidget(form->findChild<QWidget*>(QLatin1String(tabSheet)));
        QApplication::processEvents();
    }
    void sortByNumber(bool byNumber)
    {
        control<QRadioButton>(byNumber ? "RadioButton2" : "RadioButton1")->setChecked(true);
    }
    Raw raw(const char* file) { return Raw(data + u'/' + QLatin1String(file)); }
};

Household* g_household = nullptr;

// --- one keystroke in the search box, no contact matching ------------------

void Keystroke_Name_MemmemFloor(benchmark::State& state)
{
    QByteArray buffer;
    for (const QString& name : g_household->dm->TelefonTable->ColumnInOrder(0)) {
        buffer += name.toUpper().toUtf8();
        buffer += '\0';
    }
    const QByteArray needle("QQXZ");
    for (auto _ : state)
        benchmark::DoNotOptimize(memmem(buffer.constData(), size_t(buffer.size()),
                                        needle.constData(), size_t(needle.size())));
}

// Typing into the box alternates two keys that match nothing, so that every
// iteration is a change of the text, as a keystroke is.
void typeAlternating(benchmark::State& state, const QString& a, const QString& b)
{
    QLineEdit* find = g_household->find();
    find->setText(a); // the first search after a change reads the names
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        find->setText(flip ? b : a);
    }
    find->clear();
}

void Keystroke_Name_Overview(benchmark::State& state)
{
    g_household->sortByNumber(false);
    typeAlternating(state, QStringLiteral("qqxz"), QStringLiteral("qqxy"));
}

void Keystroke_Number_SqliteFloor(benchmark::State& state)
{
    Raw raw = g_household->raw("Telefon.DB");
    sqlite3_stmt* first =
        raw.prepare("SELECT rowid FROM Telefon WHERE Telefon >= ?1 AND Telefon < ?1 || 'z' "
                    "ORDER BY Telefon LIMIT 1");
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        bindText(first, 1, flip ? "0998" : "0999");
        benchmark::DoNotOptimize(sqlite3_step(first));
        sqlite3_reset(first);
    }
    sqlite3_finalize(first);
}

void Keystroke_Number_Overview(benchmark::State& state)
{
    g_household->sortByNumber(true);
    typeAlternating(state, QStringLiteral("0999"), QStringLiteral("0998"));
    g_household->sortByNumber(false);
}

// The whole keystroke as the user has it: a contact found far down the
// list, the grid brought to it and painted.
void Keystroke_Whole_FoundAndPainted(benchmark::State& state)
{
    g_household->sortByNumber(false);
    QLineEdit* find = g_household->find();
    QWidget* grid = g_household->grid()->viewport();
    find->setText(QStringLiteral(" 5"));
    grid->repaint();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        find->setText(flip ? QStringLiteral("Åse Åberg") : QStringLiteral("Niels Dahl"));
        grid->repaint();
    }
    find->clear();
}

// --- page down through the whole grid ---------------------------------------

int shownRows()
{
    TDBGrid* grid = g_household->grid();
    return grid->viewport()->height() / grid->verticalHeader()->defaultSectionSize() + 1;
}

void PageDown_Grid(benchmark::State& state)
{
    g_household->show("TabSheet4");
    TDBGrid* grid = g_household->grid();
    QScrollBar* bar = grid->verticalScrollBar();
    g_household->dm->TelefonTable->First();
    bar->setValue(0);
    grid->viewport()->repaint();
    int mostRead = 0;
    int pages = 0;
    for (auto _ : state) {
        if (bar->value() >= bar->maximum()) {
            state.PauseTiming();
            bar->setValue(0);
            grid->viewport()->repaint();
            state.ResumeTiming();
        }
        const int before = g_statementsRun;
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        grid->viewport()->repaint();
        mostRead = std::max(mostRead, g_statementsRun - before);
        ++pages;
    }
    state.counters["shown_rows"] = shownRows();
    state.counters["most_read_in_a_page"] = mostRead;
    state.counters["model_rows_read"] = grid->gridModel()->RowsRead();
}

// The same rows read by one statement a page, each page continuing from the
// keys of the last row of the one before.
void PageDown_SqliteFloor(benchmark::State& state)
{
    Raw raw = g_household->raw("Telefon.DB");
    sqlite3_stmt* page = raw.prepare(
        "SELECT *, Navn_Sort, Telefon_Sort FROM Telefon WHERE (Navn_Sort, Telefon_Sort) > (?, ?) "
        "ORDER BY Navn_Sort, Telefon_Sort LIMIT ?");
    const int rows = shownRows();
    QByteArray lastName, lastPhone;
    qint64 bytes = 0;
    for (auto _ : state) {
        sqlite3_bind_blob(page, 1, lastName.constData(), int(lastName.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(page, 2, lastPhone.constData(), int(lastPhone.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(page, 3, rows);
        int read = 0;
        while (sqlite3_step(page) == SQLITE_ROW) {
            const int columns = sqlite3_column_count(page);
            for (int c = 0; c < columns - 2; ++c)
                bytes += sqlite3_column_bytes(page, c);
            lastName = QByteArray(static_cast<const char*>(sqlite3_column_blob(page, columns - 2)),
                                  sqlite3_column_bytes(page, columns - 2));
            lastPhone = QByteArray(static_cast<const char*>(sqlite3_column_blob(page, columns - 1)),
                                   sqlite3_column_bytes(page, columns - 1));
            ++read;
        }
        sqlite3_reset(page);
        if (read < rows)
            lastName.clear(), lastPhone.clear();
    }
    sqlite3_finalize(page);
    benchmark::DoNotOptimize(bytes);
}

// --- the next contact with the family page shown ----------------------------

void NextContact_FamilyPage(benchmark::State& state)
{
    g_household->show("TabSheet2");
    TTable& contacts = *g_household->dm->TelefonTable;
    QWidget* page = g_household->form->findChild<QWidget*>(QStringLiteral("TabSheet2"));
    contacts.First();
    page->repaint();
    for (auto _ : state) {
        contacts.Next();
        page->repaint();
        if (contacts.Eof()) {
            state.PauseTiming();
            contacts.First();
            state.ResumeTiming();
        }
    }
    g_household->show("TabSheet4");
}

void NextContact_SqliteFloor(benchmark::State& state)
{
    Raw contactsFile = g_household->raw("Telefon.DB");
    Raw membersFile = g_household->raw("Familie.db");
    sqlite3_stmt* next = contactsFile.prepare(
        "SELECT *, Navn_Sort, Telefon_Sort FROM Telefon WHERE (Navn_Sort, Telefon_Sort) > (?, ?) "
        "ORDER BY Navn_Sort, Telefon_Sort LIMIT 1");
    sqlite3_stmt* members = membersFile.prepare(
        "SELECT * FROM Familie WHERE Navn = ? AND Telefon = ? ORDER BY FamNavn_Sort");
    QByteArray lastName, lastPhone;
    qint64 bytes = 0;
    for (auto _ : state) {
        sqlite3_bind_blob(next, 1, lastName.constData(), int(lastName.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(next, 2, lastPhone.constData(), int(lastPhone.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(next) != SQLITE_ROW) {
            sqlite3_reset(next);
            lastName.clear(), lastPhone.clear();
            continue;
        }
        const int columns = sqlite3_column_count(next);
        for (int c = 0; c < columns - 2; ++c)
            bytes += sqlite3_column_bytes(next, c);
        sqlite3_bind_value(members, 1, sqlite3_column_value(next, 0));
        sqlite3_bind_value(members, 2, sqlite3_column_value(next, 1));
        lastName = QByteArray(static_cast<const char*>(sqlite3_column_blob(next, columns - 2)),
                              sqlite3_column_bytes(next, columns - 2));
        lastPhone = QByteArray(static_cast<const char*>(sqlite3_column_blob(next, columns - 1)),
                               sqlite3_column_bytes(next, columns - 1));
        while (sqlite3_step(members) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(members); ++c)
                bytes += sqlite3_column_bytes(members, c);
        sqlite3_reset(members);
        sqlite3_reset(next);
    }
    sqlite3_finalize(members);
    sqlite3_finalize(next);
    benchmark::DoNotOptimize(bytes);
}

} // namespace

BENCHMARK(Keystroke_Name_MemmemFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(Keystroke_Name_Overview)->Unit(benchmark::kMicrosecond);
BENCHMARK(Keystroke_Number_SqliteFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(Keystroke_Number_Overview)->Unit(benchmark::kMicrosecond);
BENCHMARK(Keystroke_Whole_FoundAndPainted)->Unit(benchmark::kMillisecond);
BENCHMARK(PageDown_SqliteFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(PageDown_Grid)->Unit(benchmark::kMicrosecond);
BENCHMARK(NextContact_SqliteFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(NextContact_FamilyPage)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Household household;
    g_household = &household;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_household = nullptr;
    return 0;
}
