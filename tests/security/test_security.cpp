#include "FaultyDisk.h"
#include "MainWindowFixture.h"

#include "core/backup/DataBackup.h"
#include "core/data/DM.h"
#include "core/instance/SingleInstance.h"
#include "core/store/DataFolder.h"
#include "core/store/Field.h"
#include "core/util/DataLocation.h"
#include "gui/controls/DBLookupComboBox.h"
#include "gui/pages/birthdays/BirthdaysPage.h"
#include "gui/pages/overview/OverviewPage.h"
#include "gui/windows/PhoneForm.h"
#include "ui_BirthdaysPage.h"
#include "ui_OverviewPage.h"

#include <QDirIterator>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <cstring>
#include <linux/securebits.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int modeOf(const QString& path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777)
                                                                    : -1;
}

// What in a folder (itself included) another user could reach: folders
// other than 0700, files other than 0600 (links aside).
QStringList openToOthers(const QString& folder)
{
    QStringList open;
    const auto check = [&](const QString& path) {
        if (QFileInfo(path).isSymLink())
            return; // its own bits mean nothing; what it points to is checked
        const bool isFolder = QFileInfo(path).isDir();
        if (modeOf(path) != (isFolder ? 0700 : 0600))
            open << QStringLiteral("%1 %2").arg(path).arg(modeOf(path), 4, 8, QLatin1Char('0'));
    };
    check(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        check(it.next());
    return open;
}

QStringList tableNames(const QString& file)
{
    sqlite3* db = nullptr;
    QStringList names;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1,
                           &statement, nullptr) == SQLITE_OK)
        while (sqlite3_step(statement) == SQLITE_ROW)
            names << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return names;
}

// Connects to a socket as another user would and writes the request: 0 when
// the answer came, 1 when none did, 2 when the user cannot be taken on.
// Forked, so that the server in this process answers.
int askAs(uid_t user, const QString& path)
{
    const QByteArray socketPath = QFile::encodeName(path);
    const pid_t child = ::fork();
    if (child == 0) {
        // Root keeps the right to enter the user's runtime folder after
        // taking on the other user's identity, as a process of that user
        // reaching the socket by another way would.
        if (user != ::geteuid() &&
            (::prctl(PR_SET_SECUREBITS, SECBIT_NO_SETUID_FIXUP) != 0 || ::seteuid(user) != 0))
            ::_exit(2);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            ::_exit(3);
        const QByteArray& request = SingleInstance::Request;
        if (::write(fd, request.constData(), size_t(request.size())) != request.size())
            ::_exit(4);
        char answer[64];
        const ssize_t n = ::read(fd, answer, sizeof answer);
        ::_exit(n == SingleInstance::Answer.size() ? 0 : 1);
    }
    int status = -1;
    QDeadlineTimer deadline(10000);
    while (::waitpid(child, &status, WNOHANG) == 0 && !deadline.hasExpired())
        QTest::qWait(20);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The files SQLite made that others could read. The list of files that a
// commit to several files writes for a moment ("-mj...") SQLite always makes
// 0644, whatever the mask: it names files and holds nothing of them, and
// lies in the data folder, which no other user may enter.
QStringList madeForOthers(const FaultyDisk& disk)
{
    QStringList made;
    for (const auto& file : disk.madeFiles())
        if ((file.mode & 077) != 0 && !QFileInfo(file.path).fileName().contains(u"-mj"))
            made << QStringLiteral("%1 %2").arg(file.path).arg(file.mode, 4, 8, QLatin1Char('0'));
    return made;
}

const QString Hostile[] = {QStringLiteral("O'Brien"), QStringLiteral("'; DROP TABLE Telefon; --"),
                           QStringLiteral("\"Navn\" OR \"1\"=\"1\""),
                           QStringLiteral("C:\\Temp\\' OR ''='"),
                           QStringLiteral("x' or Navn <> '")};

} // namespace

class SecurityTest : public QObject
{
    Q_OBJECT
    mode_t m_umask = 0;
    QHash<QString, QStringList> m_tables; // of each delivered table file

private slots:
    // As open a mask as a user could have set: nothing may rely on it.
    void initTestCase()
    {
        m_umask = ::umask(0);
        const TempDataFolder delivered;
        for (const char* name : {"Telefon.DB", "Familie.db", "Nogleord.DB"})
            m_tables[name] = tableNames(delivered.file(QLatin1String(name)));
    }
    void cleanupTestCase() { ::umask(m_umask); }

    void theDataFolderIsTheUsersAloneAsMade()
    {
        QTemporaryDir root;
        const QString delivered = root.filePath(QStringLiteral("Data"));
        DataFolder::createDelivered(delivered, postalCodesCsv());
        QCOMPARE(openToOthers(delivered), QStringList());

        const QString user = root.filePath(QStringLiteral("user/Kalvindo"));
        DataLocation::prepare(user, QStringLiteral(KALVINDO_PROGRAM_DIR));
        QVERIFY(QFileInfo::exists(user + QStringLiteral("/Data/Telefon.DB")));
        QCOMPARE(openToOthers(user), QStringList());
    }

    // The journals of every post and of a rename that the family follows,
    // the configuration written at close and the backup taken then.
    void theDataFolderIsTheUsersAloneAsRewrittenByTheWindow()
    {
        FaultyDisk disk; // passes everything; notes the files made
        MainWindowFixture app;
        TDM& dm = app.dm();
        addContact(*dm.TelefonTable, QStringLiteral("Anna"), QStringLiteral("111"));
        dm.FamilieTable->Insert();
        dm.FamilieTable->FieldByName(QStringLiteral("FamNavn")).SetAsString(QStringLiteral("Per"));
        dm.FamilieTable->Post();
        dm.TelefonTable->Edit();
        dm.TelefonTable->FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anne"));
        dm.TelefonTable->Post();
        QVERIFY(app.form().close());
        QCOMPARE(app.dialogs().texts(), QStringList());
        QCOMPARE(openToOthers(app.folder().data()), QStringList());
        QVERIFY(disk.madeFiles().size() >= 3);
        QVERIFY2(madeForOthers(disk).isEmpty(), qPrintable(madeForOthers(disk).join(u' ')));
    }

    // A backup and a restore, which puts the backup's files in place.
    void theDataFolderIsTheUsersAloneAsRestored()
    {
        FaultyDisk disk;
        TempDataFolder folder;
        TDM dm(nullptr, folder.data());
        const auto open = [&] {
            for (TTable* t : dm.ContactTables())
                t->Open();
        };
        const auto close = [&] {
            for (TTable* t : dm.ContactTables())
                t->Close();
        };
        open();
        addContact(*dm.TelefonTable, QStringLiteral("Anna"), QStringLiteral("111"));
        DataBackup backups(folder.data(), folder.root() + QStringLiteral("/Billeder"));
        const QDateTime now = QDateTime::currentDateTime();
        const QString taken = backups.Take(now);
        addContact(*dm.TelefonTable, QStringLiteral("Bo"), QStringLiteral("222"));
        backups.Restore(taken, now.addSecs(2), close, open);
        QCOMPARE(dm.TelefonTable->RecordCount(), 1);
        addContact(*dm.TelefonTable, QStringLiteral("Carl"), QStringLiteral("333"));
        QCOMPARE(openToOthers(folder.data()), QStringList());
        QVERIFY2(madeForOthers(disk).isEmpty(), qPrintable(madeForOthers(disk).join(u' ')));
    }

    // Quotes, double quotes, backslashes and SQL of its own in a keyword,
    // in the birthday boxes and in a name that the family follows: found as
    // text, never run.
    void textFromTheUserNeverBecomesSql_data()
    {
        QTest::addColumn<QString>("text");
        for (const QString& text : Hostile)
            QTest::newRow(qPrintable(text)) << text;
    }

    void textFromTheUserNeverBecomesSql()
    {
        QFETCH(QString, text);
        MainWindowFixture app;
        TDM& dm = app.dm();
        addContact(*dm.TelefonTable, QStringLiteral("Bo"), QStringLiteral("2"),
                   {QStringLiteral("Nogleord"), QStringLiteral("Ven")});
        addContact(*dm.TelefonTable, text, QStringLiteral("1"),
                   {QStringLiteral("Nogleord"), text, QStringLiteral("Fodselsdag"),
                    QStringLiteral("04-05-1970")});
        for (const QString& word : {QStringLiteral("Ven"), text}) {
            dm.NogleTable->Insert();
            dm.NogleTable->FieldByName(QStringLiteral("Nogleord")).SetAsString(word);
            dm.NogleTable->Post();
        }
        QVERIFY(dm.TelefonTable->Locate(QStringLiteral("Navn"), text));
        dm.FamilieTable->Insert();
        dm.FamilieTable->FieldByName(QStringLiteral("FamNavn")).SetAsString(text);
        dm.FamilieTable->Post();

        // The keyword chosen on the overview page.
        app.showPage("TabSheet4");
        TDBLookupComboBox* keywords = app.form().OverviewPage()->Form().DBLookupComboBox2;
        const int index = keywords->findText(text);
        QVERIFY(index >= 0);
        keywords->setCurrentIndex(index);
        emit keywords->activated(index);
        QCOMPARE(dm.TelefonTable->RecordCount(), 1);
        QCOMPARE(dm.TelefonTable->FieldByName(QStringLiteral("Navn")).AsString(), text);
        QTest::mouseClick(app.form().OverviewPage()->Form().SpeedButton14, Qt::LeftButton);

        // The birthday boxes, for contacts and for family members.
        app.showPage("TabSheet5");
        Ui::BirthdaysPage& birthdays = app.form().BirthdaysPage()->Form();
        for (auto [first, last, month, search] :
             {std::tuple{birthdays.Edit2, birthdays.Edit3, birthdays.Edit4,
                         birthdays.SpeedButton13},
              std::tuple{birthdays.Edit5, birthdays.Edit6, birthdays.Edit7,
                         birthdays.SpeedButton5}}) {
            for (QLineEdit* box : {first, last, month}) {
                box->clear();
                typeText(box, text);
            }
            QTest::mouseClick(search, Qt::LeftButton);
        }

        // A rename and a delete that the family members follow.
        app.showPage("TabSheet1");
        QVERIFY(dm.TelefonTable->Active());
        dm.TelefonTable->SetFiltered(false);
        QVERIFY(dm.TelefonTable->Locate(QStringLiteral("Navn"), text));
        dm.TelefonTable->Edit();
        dm.TelefonTable->FieldByName(QStringLiteral("Navn")).SetAsString(text + u'2');
        dm.TelefonTable->Post();
        QCOMPARE(dm.FamilieTable->RecordCount(), 1);
        QCOMPARE(dm.FamilieTable->FieldByName(QStringLiteral("Navn")).AsString(), text + u'2');
        addContact(*dm.TelefonTable, QStringLiteral("Carl"), QStringLiteral("3"));

        const QString data = app.folder().data();
        for (const char* name : {"Telefon.DB", "Familie.db", "Nogleord.DB"})
            QCOMPARE(tableNames(app.folder().file(QLatin1String(name))), m_tables[name]);
        TDM after(nullptr, data);
        after.TelefonTable->Open();
        after.FamAllTable->Open();
        after.NogleTable->Open();
        QCOMPARE(after.TelefonTable->RecordCount(), 3);
        QCOMPARE(after.FamAllTable->RecordCount(), 1);
        QCOMPARE(after.NogleTable->RecordCount(), 2);
        QVERIFY(after.NogleTable->Locate(QStringLiteral("Nogleord"), text));
    }

    void theInstanceSocketServesTheSameUserOnly()
    {
        if (::geteuid() != 0)
            QSKIP("Only root can speak as another user");
        const QString title = QStringLiteral("kalvindo-security-test");
        auto guard = SingleInstance::claim(title);
        QCOMPARE(guard->outcome(), SingleInstance::Outcome::First);
        QSignalSpy forward(guard.get(), &SingleInstance::comeForward);
        const int asOther = askAs(65534, SingleInstance::socketPath(title));
        if (asOther == 2)
            QSKIP("This system does not let root take on another user");
        QCOMPARE(asOther, 1);
        QCOMPARE(forward.count(), 0);
        QCOMPARE(askAs(::geteuid(), SingleInstance::socketPath(title)), 0);
        QCOMPARE(forward.count(), 1);
    }
};

QTEST_MAIN(SecurityTest)
#include "test_security.moc"
