#pragma once

// The household of BenchHousehold open in the main window as the user has
// it, and a bare SQLite connection to its files for the baselines.
#include "BenchHousehold.h"
#include "core/data/DM.h"
#include "core/store/Connection.h"
#include "core/store/Table.h"
#include "core/util/ProgramFolder.h"
#include "gui/controls/DBGrid.h"
#include "gui/windows/PhoneForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>

namespace BenchWindow {

// A table file opened by SQLite alone, as a baseline reads and writes it.
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
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;
    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        return statement;
    }
    void exec(const char* sql) { sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

// The event loop's turns after a post, as between two keys: the names are
// read again a slice a turn, then indexed. Runs turns until a few in a row
// find nothing to do; the longest turn in microseconds.
inline double settle()
{
    double longest = 0;
    for (int turn = 0, idle = 0; turn < 500 && idle < 3; ++turn) {
        const auto start = std::chrono::steady_clock::now();
        QCoreApplication::processEvents();
        const double took =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
        longest = std::max(longest, took);
        idle = took < 100 ? idle + 1 : 0;
    }
    return longest;
}

struct Household
{
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/kalvindo-bench-XXXXXX")};
    QString data = root.filePath(QStringLiteral("Data"));
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TPhoneForm> form;

    explicit Household(int contacts)
    {
        // The build's program folder, with the pictures and language files
        // the program finds beside itself.
        ProgramFolder::setPath(QStringLiteral(KALVINDO_PROGRAM_DIR));
        BenchHousehold::prepare(data, contacts);
        dm = std::make_unique<TDM>(nullptr, data);
        form = std::make_unique<TPhoneForm>();
        form->SetDataModule(dm.get());
        form->ShowMain();
        form->resize(TPhoneForm::DesignWidth, TPhoneForm::DesignHeight);
        QApplication::processEvents();
    }
    // Controls found by their names, as a form localizer finds them.
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
    std::unique_ptr<Raw> raw(const char* file)
    {
        return std::make_unique<Raw>(data + u'/' + QLatin1String(file));
    }
};

} // namespace BenchWindow
