#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "core/util/DataLocation.h"
#include "core/util/Exception.h"
#include "core/util/ProgramFolder.h"
#include "gui/windows/PhoneForm.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QTabWidget>
#include <QTest>

namespace {

constexpr QFile::Permissions UserOnlyFolder = QFile::ReadOwner | QFile::WriteOwner |
                                              QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser |
                                              QFile::ExeUser;
constexpr QFile::Permissions UserOnlyFile =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

// Everything below a folder: each entry's name, modes, time and content.
QStringList snapshot(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2 %3 %4")
                       .arg(QDir(folder).relativeFilePath(info.filePath()))
                       .arg(int(info.permissions()), 0, 16)
                       .arg(info.lastModified().toMSecsSinceEpoch())
                       .arg(QString::fromLatin1(QCryptographicHash::hash(readBytes(info.filePath()),
                                                                         QCryptographicHash::Sha256)
                                                    .toHex()));
    }
    entries.sort();
    return entries;
}

// What a user folder holds, by name: the folder's entries and Data's tables.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestDataLocation : public QObject
{
    Q_OBJECT

    // The program's own files as an install holds them: Data/ and the placeholder.
    std::unique_ptr<TempDataFolder> m_delivered;
    std::unique_ptr<QTemporaryDir> m_home;
    QByteArray m_savedHome, m_savedXdg;

    QString programFiles() const { return m_delivered->root(); }
    QString home(const QString& relative = QString()) const
    {
        return relative.isEmpty() ? m_home->path() : m_home->filePath(relative);
    }
    QString user() const { return home(QStringLiteral("share/Kalvindo")); }

    // What preparing the user folder fails with; empty when it does not fail.
    QString prepareError() const
    {
        try {
            DataLocation::prepare(user(), programFiles());
        } catch (const Exception& e) {
            return QString::fromUtf8(e.what());
        }
        return QString();
    }

    // An installed layout: <root>/usr/bin beside <root>/usr/share/kalvindo.
    QString installTree() const
    {
        const QString share = home(QStringLiteral("root/usr/share/kalvindo"));
        QDir().mkpath(home(QStringLiteral("root/usr/bin")));
        QDir().mkpath(share + QStringLiteral("/Help"));
        QDir(share).mkdir(QStringLiteral("Billeder"));
        QFile::copy(m_delivered->root() + QStringLiteral("/Billeder/Ingen.jpg"),
                    share + QStringLiteral("/Billeder/Ingen.jpg"));
        QDir(share).mkdir(QStringLiteral("Data"));
        for (const QString& table : QDir(m_delivered->data()).entryList(QDir::Files))
            QFile::copy(m_delivered->file(table), share + QStringLiteral("/Data/") + table);
        for (const char* lng : {"English.lng", "Norsk.lng", "Svensk.lng", "Deutsch.lng"})
            QFile::copy(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/lng/") + QLatin1String(lng),
                        share + u'/' + QLatin1String(lng));
        return home(QStringLiteral("root/usr/bin"));
    }

private slots:
    void initTestCase()
    {
        m_savedHome = qgetenv("HOME");
        m_savedXdg = qgetenv("XDG_DATA_HOME");
    }

    void init()
    {
        m_delivered = std::make_unique<TempDataFolder>();
        QDir(m_delivered->root()).mkdir(QStringLiteral("Billeder"));
        QFile::copy(testPicture("valid.jpg"),
                    m_delivered->root() + QStringLiteral("/Billeder/Ingen.jpg"));
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", home().toLocal8Bit());
        qputenv("XDG_DATA_HOME", home(QStringLiteral("share")).toLocal8Bit());
    }

    void cleanup()
    {
        ProgramFolder::setPath(QString());
        qputenv("HOME", m_savedHome);
        qputenv("XDG_DATA_HOME", m_savedXdg);
    }

    void anInstallIsToldByTheShareFolderBesideBin_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("shareFolder");
        QTest::newRow("program folder") << QStringList{"Kalvindo/Data"} << "Kalvindo"
                                        << "";
        QTest::newRow("installed") << QStringList{"usr/bin", "usr/share/kalvindo"} << "usr/bin"
                                   << "usr/share/kalvindo";
        QTest::newRow("under /opt")
            << QStringList{"opt/k/bin", "opt/k/share/kalvindo"} << "opt/k/bin"
            << "opt/k/share/kalvindo";
        QTest::newRow("bin without share") << QStringList{"usr/bin", "usr/share/other"} << "usr/bin"
                                           << "";
        QTest::newRow("share beside a folder not named bin")
            << QStringList{"usr/games", "usr/share/kalvindo"} << "usr/games"
            << "";
    }
    void anInstallIsToldByTheShareFolderBesideBin()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, program);
        QFETCH(QString, shareFolder);
        for (const QString& f : folders)
            QVERIFY(QDir().mkpath(home(f)));
        const QString expected = shareFolder.isEmpty() ? QString() : home(shareFolder);
        QCOMPARE(ProgramFolder::installedFiles(home(program)), expected);
        ProgramFolder::setPath(home(program));
        QCOMPARE(ProgramFolder::installed(), !shareFolder.isEmpty());
        QCOMPARE(ProgramFolder::path(), shareFolder.isEmpty() ? home(program) : expected);
    }

    void theUserFolderFollowsXdgDataHome_data()
    {
        QTest::addColumn<QByteArray>("xdg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QByteArray("/srv/data/") << "/srv/data/Kalvindo";
        QTest::newRow("unset") << QByteArray() << ".local/share/Kalvindo";
        QTest::newRow("relative, which the standard says to ignore")
            << QByteArray("data") << ".local/share/Kalvindo";
    }
    void theUserFolderFollowsXdgDataHome()
    {
        QFETCH(QByteArray, xdg);
        QFETCH(QString, expected);
        if (xdg.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", xdg);
        QCOMPARE(DataLocation::userFolder(), expected.startsWith(u'/') ? expected : home(expected));
    }

    void theFirstStartMakesCopiesForTheUserAlone()
    {
        // Neither the base folder nor anything in it exists yet.
        DataLocation::prepare(user(), programFiles());
        for (const QString& folder :
             {home(QStringLiteral("share")), user(), user() + QStringLiteral("/Data"),
              user() + QStringLiteral("/Billeder")})
            QCOMPARE(QFileInfo(folder).permissions(), UserOnlyFolder);
        QCOMPARE(entries(user()), (QStringList{"Billeder", "Data"}));
        const QStringList tables = QDir(m_delivered->data()).entryList(QDir::Files);
        QCOMPARE(QDir(user() + QStringLiteral("/Data")).entryList(QDir::Files), tables);
        for (const QString& table : tables) {
            const QString copy = user() + QStringLiteral("/Data/") + table;
            QCOMPARE(readBytes(copy), readBytes(m_delivered->file(table)));
            QCOMPARE(QFileInfo(copy).permissions(), UserOnlyFile);
        }
        const QString placeholder = user() + QStringLiteral("/Billeder/Ingen.jpg");
        QCOMPARE(readBytes(placeholder), readBytes(testPicture("valid.jpg")));
        QCOMPARE(QFileInfo(placeholder).permissions(), UserOnlyFile);
        // The copies are tables the program opens and writes.
        TDM dm(nullptr, user() + QStringLiteral("/Data"));
        dm.RegTable->Open();
        dm.TelefonTable->Open();
        addContact(*dm.TelefonTable, QStringLiteral("Hansen"), QStringLiteral("12345678"));
    }

    void laterStartsChangeNothing()
    {
        DataLocation::prepare(user(), programFiles());
        // What a user does: data changed, a picture added, the placeholder
        // removed, the folder opened to the group.
        writeBytes(user() + QStringLiteral("/Data/Config.DB"), "the user's own");
        writeBytes(user() + QStringLiteral("/Billeder/3.jpg"), "a picture");
        QFile::remove(user() + QStringLiteral("/Billeder/Ingen.jpg"));
        QFile::setPermissions(user(), UserOnlyFolder | QFile::ReadGroup | QFile::ExeGroup);
        const QStringList before = snapshot(home());
        DataLocation::prepare(user(), programFiles());
        QCOMPARE(snapshot(home()), before);
    }

    void onlyWhatIsMissingIsMade_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("data folder") << "Data"
                                     << "Billeder";
        QTest::newRow("picture folder") << "Billeder"
                                        << "Data";
    }
    void onlyWhatIsMissingIsMade()
    {
        QFETCH(QString, removed);
        QFETCH(QString, kept);
        DataLocation::prepare(user(), programFiles());
        writeBytes(user() + u'/' + kept + QStringLiteral("/mine"), "kept");
        QVERIFY(QDir(user() + u'/' + removed).removeRecursively());
        const QStringList keptBefore = snapshot(user() + u'/' + kept);
        DataLocation::prepare(user(), programFiles());
        QVERIFY(QFileInfo(user() + u'/' + removed).isDir());
        QVERIFY(!entries(user() + u'/' + removed).isEmpty());
        QCOMPARE(snapshot(user() + u'/' + kept), keptBefore);
    }

    void aFailedStartLeavesNoHalfFolder_data()
    {
        QTest::addColumn<QString>("missingPart");
        QTest::addColumn<QStringList>("made");
        QTest::newRow("no delivered data folder") << "Data" << QStringList{};
        QTest::newRow("no placeholder picture") << "Billeder/Ingen.jpg" << QStringList{"Data"};
    }
    void aFailedStartLeavesNoHalfFolder()
    {
        QFETCH(QString, missingPart);
        QFETCH(QStringList, made);
        const QString missing = programFiles() + u'/' + missingPart;
        QVERIFY(QFileInfo(missing).isDir() ? QDir(missing).removeRecursively()
                                           : QFile::remove(missing));
        // The message names what is missing.
        const QString error = prepareError();
        QVERIFY2(error.contains(missing), qPrintable(error));
        // No folder of a temporary name stays behind, and what was made is whole.
        QCOMPARE(entries(user()), made);
        if (made.contains(QStringLiteral("Data")))
            QCOMPARE(entries(user() + QStringLiteral("/Data")).size(),
                     QDir(m_delivered->data()).entryList(QDir::Files).size());
    }

    void aFileInTheWayIsReportedAndKept()
    {
        writeBytes(user(), "not a folder");
        const QString error = prepareError();
        QVERIFY2(error.contains(user()), qPrintable(error));
        QCOMPARE(readBytes(user()), QByteArray("not a folder"));
    }

    void theFoldersInUseFollowTheLayout()
    {
        // Installed: the user's data beside their home, the program's own
        // files from the share folder.
        const QString bin = installTree();
        const QString share = home(QStringLiteral("root/usr/share/kalvindo"));
        ProgramFolder::setPath(bin);
        QCOMPARE(DataLocation::dataFolder(), user() + QStringLiteral("/Data"));
        QCOMPARE(DataLocation::pictureFolder(), user() + QStringLiteral("/Billeder"));
        QCOMPARE(DataLocation::placeholderFile(), share + QStringLiteral("/Billeder/Ingen.jpg"));
        QCOMPARE(ProgramFolder::filePath(QStringLiteral("Help/Index.html")),
                 share + QStringLiteral("/Help/Index.html"));
        QCOMPARE(ProgramFolder::languageFile(QStringLiteral("Norsk.lng")),
                 share + QStringLiteral("/Norsk.lng"));

        // A program folder: the data folder in the working directory, the
        // rest beside the program, as the launcher leaves it.
        const QString folder = home(QStringLiteral("Kalvindo"));
        QDir().mkpath(folder);
        ProgramFolder::setPath(folder);
        const QString previous = QDir::currentPath();
        auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });
        QDir::setCurrent(folder);
        QCOMPARE(DataLocation::dataFolder(), folder + QStringLiteral("/Data"));
        QCOMPARE(DataLocation::pictureFolder(), folder + QStringLiteral("/Billeder"));
        QCOMPARE(DataLocation::placeholderFile(), folder + QStringLiteral("/Billeder/Ingen.jpg"));
        QCOMPARE(ProgramFolder::languageFile(QStringLiteral("Norsk.lng")),
                 QStringLiteral("Norsk.lng"));
    }

    void setUpMakesTheUserFolderOnlyForAnInstall()
    {
        ProgramFolder::setPath(m_delivered->root());
        DataLocation::setUp();
        QVERIFY(!QFileInfo::exists(user()));
        ProgramFolder::setPath(installTree());
        DataLocation::setUp();
        QVERIFY(QFileInfo(user() + QStringLiteral("/Data/Telefon.DB")).isFile());
        QVERIFY(QFileInfo(user() + QStringLiteral("/Billeder/Ingen.jpg")).isFile());
    }

    void anInstalledMainWindowUsesBothFolders()
    {
        ProgramFolder::setPath(installTree());
        DataLocation::setUp();
        RecordingDialogs dialogs;
        TPhoneForm form;
        TDM dm(nullptr, DataLocation::dataFolder());
        form.SetDataModule(&dm);
        form.ShowMain();
        auto close = qScopeGuard([&] { form.close(); });
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join(u'\n')));
        QVERIFY(dm.TelefonTable->Active());
        // The language files lie in the share folder, not in the working directory.
        form.EnglishClick();
        QCOMPARE(form.PageControl1()->tabText(0), QStringLiteral("Home"));
    }
};

QTEST_MAIN(TestDataLocation)
#include "test_datalocation.moc"
