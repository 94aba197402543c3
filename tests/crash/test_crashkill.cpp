#include "CrashChild.h"
#include "TestSupport.h"

#include "core/data/DM.h"
#include "core/store/Table.h"

#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <optional>
#include <signal.h>
#include <sqlite3.h>
#include <thread>

namespace {

const QStringList TableFiles = {QStringLiteral("Telefon.DB"), QStringLiteral("Familie.db"),
                                QStringLiteral("Regnr.DB"),   QStringLiteral("Nogleord.DB"),
                                QStringLiteral("Postnr.DB"),  QStringLiteral("Config.DB")};

struct Contact
{
    QString navn;
    QSet<QString> members;
    bool operator==(const Contact&) const = default;
};
using Contacts = QMap<int, Contact>;

// What the child's report says: the writes that returned, applied to what
// was there before, and the one that had begun and not returned.
struct Report
{
    Contacts posted;
    std::optional<Contacts> withStarted; // as posted, with the started write done too
    QList<int> drawn;
    int returned = 0;
};

void apply(Contacts& contacts, const QStringList& words)
{
    const int regnr = words.value(1).toInt();
    const QString& what = words[0];
    if (what == u"C")
        contacts[regnr] = Contact{QStringLiteral("K%1").arg(regnr), {}};
    else if (what == u"F")
        contacts[regnr].members.insert(words.value(2));
    else if (what == u"N")
        contacts[regnr].navn = words.value(2);
    else if (what == u"D")
        contacts.remove(regnr);
}

Report readReport(const Contacts& before, const QByteArray& output)
{
    Report report{before, std::nullopt, {}, 0};
    QStringList started;
    for (const QByteArray& line : output.split('\n')) {
        QStringList words = QString::fromUtf8(line).split(u' ');
        if (words.value(0) == u"R") {
            report.drawn << words.value(1).toInt();
        } else if (words.value(0) == u"B") {
            started = words.mid(1);
        } else if (!started.isEmpty() && words == started) {
            apply(report.posted, words);
            ++report.returned;
            started.clear();
        }
    }
    if (!started.isEmpty()) {
        report.withStarted = report.posted;
        apply(*report.withStarted, started);
    }
    return report;
}

// A plain SQLite connection on the folder's files, none of the program's
// code in between: what any other tool would find there.
class PlainReader
{
public:
    explicit PlainReader(const QString& folder)
    {
        const QByteArray main = QDir(folder).filePath(TableFiles[0]).toUtf8();
        if (sqlite3_open_v2(main.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            return;
        for (int i = 1; i < TableFiles.size(); ++i) {
            const QString sql = QStringLiteral("ATTACH DATABASE '%1' AS f%2")
                                    .arg(QDir(folder).filePath(TableFiles[i]))
                                    .arg(i);
            sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        }
    }
    ~PlainReader() { sqlite3_close(m_db); }
    PlainReader(const PlainReader&) = delete;
    PlainReader& operator=(const PlainReader&) = delete;

    QList<QStringList> rows(const char* sql) const
    {
        QList<QStringList> result;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            result << QStringList{QStringLiteral("error: ") +
                                  QString::fromUtf8(sqlite3_errmsg(m_db))};
            return result;
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                row << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
            result << row;
        }
        sqlite3_finalize(statement);
        return result;
    }

private:
    sqlite3* m_db = nullptr;
};

// The system's own sqlite3 program checks every file of the folder.
QString systemIntegrityCheck(const QString& folder)
{
    QStringList script;
    for (int i = 1; i < TableFiles.size(); ++i)
        script << QStringLiteral("ATTACH DATABASE '%1' AS f%2;")
                      .arg(QDir(folder).filePath(TableFiles[i]))
                      .arg(i);
    script << QStringLiteral("PRAGMA integrity_check;");
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {QStringLiteral("-bail"), QStringLiteral("-readonly"),
                  QDir(folder).filePath(TableFiles[0]), script.join(u' ')});
    if (!sqlite.waitForFinished(20000))
        return QStringLiteral("sqlite3 did not finish");
    return QString::fromUtf8(sqlite.readAllStandardOutput() + sqlite.readAllStandardError())
        .trimmed();
}

QString describe(const Contacts& contacts)
{
    QStringList parts;
    for (auto it = contacts.begin(); it != contacts.end(); ++it) {
        QStringList members(it->members.begin(), it->members.end());
        members.sort();
        parts << QStringLiteral("%1:%2[%3]").arg(it.key()).arg(it->navn, members.join(u','));
    }
    return parts.join(u' ');
}

} // namespace

class CrashTest : public QObject
{
    Q_OBJECT

private:
    // What the files hold, each record checked whole on the way.
    Contacts readContacts(const PlainReader& reader)
    {
        Contacts found;
        for (const QStringList& row :
             reader.rows("SELECT Regnr, Navn, Telefon, Adresse1 FROM Telefon")) {
            const int regnr = row.value(0).toInt();
            if (row.value(2) != QString::number(regnr) ||
                row.value(3) != CrashChild::address(regnr) || found.contains(regnr)) {
                qWarning() << "torn or doubled contact" << row;
                return {};
            }
            found[regnr] = Contact{row.value(1), {}};
        }
        for (const QStringList& row :
             reader.rows("SELECT Navn, Telefon, FamNavn, Relation FROM f1.Familie")) {
            const auto owner = found.find(row.value(1).toInt());
            if (owner == found.end() || owner->navn != row.value(0) ||
                row.value(3) != CrashChild::relation(row.value(2))) {
                qWarning() << "family member without its contact, or torn" << row;
                return {};
            }
            owner->members.insert(row.value(2));
        }
        return found;
    }

private slots:
    void aKilledWriterLosesNothingPostedAndTearsNothing()
    {
        // A killed process leaves its writes in the system's cache, so a
        // folder in memory sees the same files after a kill as a disk would,
        // without the waits for the disk.
        const TempDataFolder delivered;
        QTemporaryDir memory(QStringLiteral("/dev/shm/kalvindo-crash-XXXXXX"));
        const QString folder =
            memory.isValid() ? memory.filePath(QStringLiteral("Data")) : delivered.data();
        if (memory.isValid()) {
            QVERIFY(QDir().mkdir(folder));
            for (const QString& name : QDir(delivered.data()).entryList(QDir::Files))
                QVERIFY(QFile::copy(delivered.data() + u'/' + name, folder + u'/' + name));
        }
        // KALVINDO_CRASH_TRIALS sets another number of kills, for a longer run.
        const int trials = qEnvironmentVariableIntValue("KALVINDO_CRASH_TRIALS") > 0
                               ? qEnvironmentVariableIntValue("KALVINDO_CRASH_TRIALS")
                               : 200;
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        Contacts known;
        QSet<int> drawn;
        int postsChecked = 0, startedWritesFound = 0;

        QProcess writers;
        writers.start(QStringLiteral(CRASH_CHILD), {QStringLiteral("--serve"), folder});
        QVERIFY2(writers.waitForStarted(), qPrintable(writers.errorString()));
        QByteArray pending;
        // The lines up to and including the count-th that starts with one of
        // the starts.
        const auto readUntil = [&](const QByteArrayList& starts, int count = 1) {
            QByteArray lines;
            while (count > 0) {
                while (count > 0 && pending.contains('\n')) {
                    const qsizetype end = pending.indexOf('\n') + 1;
                    const QByteArray line = pending.left(end);
                    pending.remove(0, end);
                    lines += line;
                    count -= std::any_of(starts.begin(), starts.end(),
                                         [&](const QByteArray& s) { return line.startsWith(s); });
                }
                if (count > 0 && !writers.waitForReadyRead(30000))
                    break;
                pending += writers.readAllStandardOutput();
            }
            return lines;
        };
        const QByteArrayList returned = {"C ", "F ", "N ", "D "};

        for (int trial = 0; trial < trials; ++trial) {
            writers.write(QByteArray::number(seed + quint32(trial)) + '\n');
            QByteArray output = readUntil({"P "});
            const pid_t writer = pid_t(output.mid(2).trimmed().toInt());
            QVERIFY(writer > 0);
            output += readUntil({"ready"});
            QVERIFY2(output.endsWith("ready\n"), writers.readAllStandardError().constData());
            // Some writes returned, then a moment within the next ones.
            output += readUntil(returned, random.bounded(4));
            std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(30000)));
            ::kill(writer, SIGKILL);
            output += readUntil({"X "});
            QVERIFY2(output.endsWith("X 9\n"), writers.readAllStandardError().constData());
            const Report report = readReport(known, output);
            // The program opens the folder again as it is left.
            {
                TDM dm(nullptr, folder);
                for (TTable* table : {dm.RegTable, dm.TelefonTable, dm.FamilieTable})
                    table->Open();
            }
            const PlainReader reader(folder);
            QCOMPARE(reader.rows("PRAGMA integrity_check"), QList<QStringList>{{"ok"}});
            QCOMPARE(systemIntegrityCheck(folder), QStringLiteral("ok"));
            const Contacts found = readContacts(reader);
            const bool asPosted = found == report.posted;
            const bool startedDone = report.withStarted && found == *report.withStarted;
            QVERIFY2(asPosted || startedDone,
                     qPrintable(QStringLiteral("trial %1\nfound    %2\nexpected %3")
                                    .arg(trial)
                                    .arg(describe(found), describe(report.posted))));
            startedWritesFound += startedDone && !asPosted;

            // Every number drawn is in the counter's file and none comes twice.
            QSet<int> counted;
            for (const QStringList& row : reader.rows("SELECT Regnr FROM f2.Regnr"))
                counted.insert(row.value(0).toInt());
            for (int n : report.drawn) {
                QVERIFY2(!drawn.contains(n), qPrintable(QStringLiteral("drawn twice: %1").arg(n)));
                QVERIFY2(counted.contains(n), qPrintable(QStringLiteral("not counted: %1").arg(n)));
                drawn.insert(n);
            }
            for (int regnr : found.keys())
                QVERIFY(drawn.contains(regnr));

            postsChecked += report.returned;
            known = found;
        }
        writers.closeWriteChannel();
        QVERIFY(writers.waitForFinished(20000));
        qInfo("%d kills, %d returned writes checked, %d started writes found done, %lld contacts",
              trials, postsChecked, startedWritesFound, qint64(known.size()));
        QVERIFY(postsChecked > trials);
    }
};

QTEST_GUILESS_MAIN(CrashTest)
#include "test_crashkill.moc"
