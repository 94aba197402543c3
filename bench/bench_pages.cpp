// The overview and the family page on a household far beyond any real one:
// 100,000 contacts with 250,000 family members, in the main window as the
// user has it. Each figure is paired with the bare SQLite or memory work it
// cannot beat:
// - a keystroke in the overview's search box without a match, by name
//   (against one memmem over the upper-cased names) and by phone number
//   (against the statement that finds the first number with the prefix on
//   the phone index), and a whole keystroke that finds a contact and paints
//   the grid (against one frame);
// - one page down in the overview's grid, the model serving every cell the
//   grid shows (against reading the same rows with one statement), with the
//   statements run counted per page, and the same painted (against a frame);
// - the next contact with the family page shown (against the statements that
//   read the contact and its members), and the same painted (against a frame).
#include "gui/controls/DBGridModel.h"
#include "support/BenchPairs.h"
#include "support/BenchWindow.h"

#include <QHeaderView>
#include <QScrollBar>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int ContactCount = 100000; // with 250,000 family members

using BenchHousehold::bindText;
using BenchPairs::record;
using BenchPairs::Timer;

// Counts the statements the record store runs on its connection: a record
// read from the file is one run of the statement that reads a row.
int g_statementsRun = 0;
int countStatement(unsigned, void*, void*, void*)
{
    ++g_statementsRun;
    return 0;
}

using BenchWindow::Household;
using BenchWindow::Raw;

Household* g_household = nullptr;

// One frame at 60 Hz: what a step the user sees may take, painting included.
constexpr double FrameMicroseconds = 16000.0;

// --- one keystroke in the search box, no contact matching ------------------

void Keystroke_Name_MemmemFloor(benchmark::State& state)
{
    QByteArray buffer;
    for (const QString& name : g_household->dm->TelefonTable->ColumnInOrder(0)) {
        buffer += name.toUpper().toUtf8();
        buffer += '\0';
    }
    const QByteArray needle("QQXZ");
    Timer timer(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(memmem(buffer.constData(), size_t(buffer.size()),
                                        needle.constData(), size_t(needle.size())));
    record("keystroke.name.memmem", timer.perIteration());
}

// Typing into the box alternates two keys that match nothing, so that every
// iteration is a change of the text, as a keystroke is.
void typeAlternating(benchmark::State& state, const QString& a, const QString& b, const char* key)
{
    QLineEdit* find = g_household->find();
    find->setText(a);      // the first search after a change reads the names
    BenchWindow::settle(); // and the turns after it index them, as between two keys
    bool flip = false;
    Timer timer(state);
    for (auto _ : state) {
        flip = !flip;
        find->setText(flip ? b : a);
    }
    record(key, timer.perIteration());
    find->clear();
}

void Keystroke_Name_Overview(benchmark::State& state)
{
    g_household->sortByNumber(false);
    typeAlternating(state, QStringLiteral("qqxz"), QStringLiteral("qqxy"), "keystroke.name");
}

void Keystroke_Number_SqliteFloor(benchmark::State& state)
{
    auto raw = g_household->raw("Telefon.DB");
    sqlite3_stmt* first =
        raw->prepare("SELECT rowid FROM Telefon WHERE Telefon >= ?1 AND Telefon < ?1 || 'z' "
                     "ORDER BY Telefon LIMIT 1");
    bool flip = false;
    Timer timer(state);
    for (auto _ : state) {
        flip = !flip;
        bindText(first, 1, flip ? "0998" : "0999");
        benchmark::DoNotOptimize(sqlite3_step(first));
        sqlite3_reset(first);
    }
    record("keystroke.number.sqlite", timer.perIteration());
    sqlite3_finalize(first);
}

void Keystroke_Number_Overview(benchmark::State& state)
{
    g_household->sortByNumber(true);
    typeAlternating(state, QStringLiteral("0999"), QStringLiteral("0998"), "keystroke.number");
    g_household->sortByNumber(false);
}

// The whole keystroke as the user has it: a contact found far down the
// list, the grid brought to it and painted.
void Keystroke_Whole_FoundAndPainted(benchmark::State& state)
{
    g_household->show("TabSheet4");
    g_household->sortByNumber(false);
    QLineEdit* find = g_household->find();
    QWidget* grid = g_household->grid()->viewport();
    find->setText(QStringLiteral(" 5"));
    grid->repaint();
    bool flip = false;
    Timer timer(state);
    for (auto _ : state) {
        flip = !flip;
        find->setText(flip ? QStringLiteral("Åse Åberg") : QStringLiteral("Niels Dahl"));
        grid->repaint();
    }
    record("keystroke.whole", timer.perIteration());
    find->clear();
}

// --- page down through the whole grid ---------------------------------------

int shownRows()
{
    TDBGrid* grid = g_household->grid();
    return grid->viewport()->height() / grid->verticalHeader()->defaultSectionSize() + 1;
}

// Every cell of the rows the grid shows, asked of the model as painting asks.
void readShownCells(TDBGrid* grid)
{
    DBGridModel* model = grid->gridModel();
    const int top = grid->rowAt(0);
    const int rows = std::min(shownRows(), model->rowCount() - top);
    for (int r = top; r < top + rows; ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            benchmark::DoNotOptimize(model->data(model->index(r, c), Qt::DisplayRole));
}

// One page down after another, from the top to the end and again.
void pageDown(benchmark::State& state, bool painted, const char* key)
{
    g_household->show("TabSheet4");
    TDBGrid* grid = g_household->grid();
    QScrollBar* bar = grid->verticalScrollBar();
    g_household->dm->TelefonTable->First();
    bar->setValue(0);
    grid->viewport()->repaint();
    int mostRun = 0;
    Timer timer(state);
    for (auto _ : state) {
        if (bar->value() >= bar->maximum()) {
            timer.pause();
            bar->setValue(0);
            grid->viewport()->repaint();
            timer.resume();
        }
        const int before = g_statementsRun;
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        if (painted)
            grid->viewport()->repaint();
        else
            readShownCells(grid);
        mostRun = std::max(mostRun, g_statementsRun - before);
    }
    record(key, timer.perIteration());
    state.counters["shown_rows"] = shownRows();
    state.counters["most_statements_in_a_page"] = mostRun;
    state.counters["model_rows_read"] = grid->gridModel()->RowsRead();
}

void PageDown_Grid(benchmark::State& state)
{
    pageDown(state, false, "pagedown");
}

void PageDown_GridPainted(benchmark::State& state)
{
    pageDown(state, true, "pagedown.painted");
}

// The same rows read by one statement a page, each page continuing from the
// keys of the last row of the one before.
void PageDown_SqliteFloor(benchmark::State& state)
{
    auto raw = g_household->raw("Telefon.DB");
    sqlite3_stmt* page = raw->prepare(
        "SELECT *, Navn_Sort, Telefon_Sort FROM Telefon WHERE (Navn_Sort, Telefon_Sort) > (?, ?) "
        "ORDER BY Navn_Sort, Telefon_Sort LIMIT ?");
    const int rows = shownRows();
    QByteArray lastName, lastPhone;
    qint64 bytes = 0;
    Timer timer(state);
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
    record("pagedown.sqlite", timer.perIteration());
    sqlite3_finalize(page);
    benchmark::DoNotOptimize(bytes);
}

// --- the next contact with the family page shown ----------------------------

void nextContact(benchmark::State& state, bool painted, const char* key)
{
    g_household->show("TabSheet2");
    TTable& contacts = *g_household->dm->TelefonTable;
    QWidget* page = g_household->form->findChild<QWidget*>(QStringLiteral("TabSheet2"));
    contacts.First();
    page->repaint();
    Timer timer(state);
    for (auto _ : state) {
        contacts.Next();
        if (painted)
            page->repaint();
        if (contacts.Eof()) {
            timer.pause();
            contacts.First();
            timer.resume();
        }
    }
    record(key, timer.perIteration());
    g_household->show("TabSheet4");
}

void NextContact_FamilyPage(benchmark::State& state)
{
    nextContact(state, false, "next.family");
}

void NextContact_FamilyPagePainted(benchmark::State& state)
{
    nextContact(state, true, "next.family.painted");
}

void NextContact_SqliteFloor(benchmark::State& state)
{
    auto contactsFile = g_household->raw("Telefon.DB");
    auto membersFile = g_household->raw("Familie.db");
    sqlite3_stmt* next = contactsFile->prepare(
        "SELECT *, Navn_Sort, Telefon_Sort FROM Telefon WHERE (Navn_Sort, Telefon_Sort) > (?, ?) "
        "ORDER BY Navn_Sort, Telefon_Sort LIMIT 1");
    sqlite3_stmt* members = membersFile->prepare(
        "SELECT * FROM Familie WHERE Navn = ? AND Telefon = ? ORDER BY FamNavn_Sort");
    QByteArray lastName, lastPhone;
    qint64 bytes = 0;
    Timer timer(state);
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
    record("next.family.sqlite", timer.perIteration());
    sqlite3_finalize(members);
    sqlite3_finalize(next);
    benchmark::DoNotOptimize(bytes);
}

void definePairs()
{
    using BenchPairs::pair;
    record("frame", FrameMicroseconds);
    pair("pages.keystroke.name", "keystroke.name", "keystroke.name.memmem", 5);
    pair("pages.keystroke.number", "keystroke.number", "keystroke.number.sqlite", 3);
    pair("pages.keystroke.whole", "keystroke.whole", "frame", 1);
    pair("pages.pagedown", "pagedown", "pagedown.sqlite", 2);
    pair("pages.pagedown.painted", "pagedown.painted", "frame", 1);
    pair("pages.next.family", "next.family", "next.family.sqlite", 3);
    pair("pages.next.family.painted", "next.family.painted", "frame", 1);
}

} // namespace

BENCHMARK(Keystroke_Name_MemmemFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(Keystroke_Name_Overview)->Unit(benchmark::kMicrosecond);
BENCHMARK(Keystroke_Number_SqliteFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(Keystroke_Number_Overview)->Unit(benchmark::kMicrosecond);
BENCHMARK(Keystroke_Whole_FoundAndPainted)->Unit(benchmark::kMillisecond);
BENCHMARK(PageDown_SqliteFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(PageDown_Grid)->Unit(benchmark::kMicrosecond);
BENCHMARK(PageDown_GridPainted)->Unit(benchmark::kMicrosecond);
BENCHMARK(NextContact_SqliteFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(NextContact_FamilyPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(NextContact_FamilyPagePainted)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Household household(ContactCount);
    sqlite3_trace_v2(household.dm->TelefonTable->FileConnection()->handle(), SQLITE_TRACE_STMT,
                     countStatement, nullptr);
    g_household = &household;
    definePairs();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_household = nullptr;
    return 0;
}
