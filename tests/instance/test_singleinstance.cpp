// One copy of the program per user: the guard's protocol in this process,
// and the real program started twice, offscreen and under a window manager
// (openbox on a virtual X server, skipped where those are not installed).
#include "core/instance/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Title = QStringLiteral("Kalvindo");

bool waitFor(const std::function<bool()>& condition, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

QString run(const QString& program, const QStringList& args, const QProcessEnvironment& env = {})
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// The files of a data folder with their contents' hashes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(f.filePath());
        file.open(QIODevice::ReadOnly);
        files.insert(f.fileName(),
                     QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex() +
                         ' ' + QByteArray::number(f.lastModified().toMSecsSinceEpoch()));
    }
    return files;
}

// The snapshot of a data folder once a running copy has done with it: at
// start the first copy brings the delivered table files up to date, and
// only what comes after that is the second copy's doing.
QMap<QString, QByteArray> settledSnapshot(const QString& folder)
{
    auto last = snapshot(folder);
    QElapsedTimer stable;
    stable.start();
    QElapsedTimer total;
    total.start();
    while (stable.elapsed() < 1500 && total.elapsed() < 60000) {
        QTest::qWait(100);
        auto now = snapshot(folder);
        if (now != last) {
            last = now;
            stable.restart();
        }
    }
    return last;
}

// A copy of the program folder, with a runtime folder of its own that both
// copies of the program and this test share.
struct Installation
{
    QTemporaryDir dir;
    QString program() const { return dir.filePath(QStringLiteral("Kalvindo")); }
    QString data() const { return program() + QStringLiteral("/Data"); }
    QString runtime() const { return dir.filePath(QStringLiteral("run")); }

    Installation()
    {
        QProcess::execute(QStringLiteral("cp"),
                          {QStringLiteral("-a"), QStringLiteral(KALVINDO_PROGRAM_DIR), program()});
        QDir().mkpath(runtime());
        QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime().toLocal8Bit());
    }
    QProcessEnvironment environment(const QString& display) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        if (display.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QStringLiteral("DISPLAY"), display);
        }
        return env;
    }
    std::unique_ptr<QProcess> start(const QString& display = QString()) const
    {
        auto p = std::make_unique<QProcess>();
        p->setWorkingDirectory(program());
        p->setProcessEnvironment(environment(display));
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(program() + QStringLiteral("/kalvindo"), {});
        return p;
    }
    // Until the copy listens for later ones.
    static bool listening()
    {
        QLocalSocket probe;
        probe.connectToServer(SingleInstance::socketPath(Title));
        return probe.waitForConnected(200);
    }
};

// A virtual X server with openbox on it.
struct Desktop
{
    QProcess server, windowManager;
    QString display;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    static bool available()
    {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop", "xmessage"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return false;
        return true;
    }
    bool start()
    {
        for (int n = 90 + getpid() % 50; n < 200 && display.isEmpty(); ++n)
            if (!QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                display = QStringLiteral(":%1").arg(n);
        server.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("1280x800x24"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        env.insert(QStringLiteral("DISPLAY"), display);
        if (!waitFor(
                [this] {
                    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + display.mid(1));
                },
                10000))
            return false;
        windowManager.setProcessEnvironment(env);
        windowManager.start(QStringLiteral("openbox"), {});
        return waitFor(
            [this] {
                return !xdotool({"getactivewindow"}).contains("BadWindow") &&
                       !run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}, env)
                            .contains("not found");
            },
            10000);
    }
    ~Desktop()
    {
        windowManager.terminate();
        windowManager.waitForFinished(3000);
        server.terminate();
        server.waitForFinished(3000);
    }
    QString xdotool(const QStringList& args) const
    {
        return run(QStringLiteral("xdotool"), args, env);
    }
    QString activeWindow() const { return xdotool({QStringLiteral("getactivewindow")}); }
    // The visible window of a process with a caption.
    QString windowOf(qint64 pid, const QString& caption) const
    {
        for (const QString& w : xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--pid"), QString::number(pid)})
                                    .split(u'\n', Qt::SkipEmptyParts))
            if (xdotool({QStringLiteral("getwindowname"), w}) == caption)
                return w;
        return QString();
    }
    bool minimised(const QString& window) const
    {
        return run(QStringLiteral("xprop"),
                   {QStringLiteral("-id"), window, QStringLiteral("_NET_WM_STATE")}, env)
            .contains(QStringLiteral("_NET_WM_STATE_HIDDEN"));
    }
};

// Leaves a socket file behind that no one listens on, as a copy that crashed does.
void leaveDeadSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::close(fd);
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT
    QTemporaryDir m_runtime;
    QString m_title;

    // Talks to the guard as a client would; the answer it got.
    QByteArray send(const QByteArray& bytes, bool stayOpen = false)
    {
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::socketPath(m_title));
        if (!socket.waitForConnected(2000))
            return "(no connection)";
        socket.write(bytes);
        socket.flush();
        QByteArray answer;
        waitFor(
            [&] {
                answer += socket.readAll();
                return socket.state() != QLocalSocket::ConnectedState ||
                       answer.size() >= SingleInstance::Answer.size();
            },
            stayOpen ? 2500 : 1000);
        return answer;
    }

private slots:
    void init()
    {
        QFile::setPermissions(m_runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        m_title = QStringLiteral("guard test %1").arg(getpid());
    }

    void theFirstCopyListensForTheUserAlone()
    {
        auto guard = SingleInstance::claim(m_title);
        QCOMPARE(guard->outcome(), SingleInstance::Outcome::First);
        // Windows of the same process share the guard: no second copy.
        QCOMPARE(SingleInstance::claim(m_title), guard);
        const QFileInfo socket(SingleInstance::socketPath(m_title));
        QVERIFY(socket.exists());
        QVERIFY(socket.absolutePath() == QFileInfo(m_runtime.path()).absoluteFilePath());
        QCOMPARE(socket.ownerId(), uint(geteuid()));
        QCOMPARE(socket.permissions() &
                     (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
                 QFile::Permissions());
        QSignalSpy forward(guard.get(), &SingleInstance::comeForward);
        QCOMPARE(send(SingleInstance::Request), SingleInstance::Answer);
        QCOMPARE(forward.size(), 1);
    }

    // Anything but the request of a second copy is dropped and changes nothing.
    void otherMessagesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("stayOpen");
        const QByteArray request = SingleInstance::Request;
        QTest::newRow("nothing") << QByteArray() << true;
        QTest::newRow("half the request") << request.left(10) << true;
        QTest::newRow("another text") << QByteArray("RAISE\n") << false;
        QTest::newRow("the request in small letters") << request.toLower() << false;
        QTest::newRow("the request and more") << request + "rm -rf ~\n" << false;
        QTest::newRow("a flood") << QByteArray(1 << 20, 'x') << false;
    }
    void otherMessagesChangeNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, stayOpen);
        auto guard = SingleInstance::claim(m_title);
        QSignalSpy forward(guard.get(), &SingleInstance::comeForward);
        QCOMPARE(send(bytes, stayOpen), QByteArray());
        QTest::qWait(50);
        QCOMPARE(forward.size(), 0);
        // The guard still answers a real request afterwards.
        QCOMPARE(send(SingleInstance::Request), SingleInstance::Answer);
        QCOMPARE(forward.size(), 1);
    }

    // A lock whose process is gone and a socket no one listens on, as a copy
    // that crashed leaves them: the next copy is the first.
    void whatACrashedCopyLeftDoesNotStopTheNext()
    {
        // The lock of a process that ended without giving it up.
        const pid_t child = fork();
        if (child == 0) {
            QLockFile held(SingleInstance::lockPath(m_title));
            _exit(held.tryLock(0) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(QFileInfo::exists(SingleInstance::lockPath(m_title)));
        leaveDeadSocket(SingleInstance::socketPath(m_title));
        QVERIFY(QFileInfo::exists(SingleInstance::socketPath(m_title)));
        auto guard = SingleInstance::claim(m_title);
        QCOMPARE(guard->outcome(), SingleInstance::Outcome::First);
        QCOMPARE(send(SingleInstance::Request), SingleInstance::Answer);
    }

    // The real program: a second copy ends at once, writes nothing, and the
    // first goes on.
    void aSecondCopyEndsWithNothingWritten()
    {
        Installation installed;
        auto first = installed.start();
        QVERIFY(waitFor(&Installation::listening, 60000));
        const auto before = settledSnapshot(installed.data());
        QVERIFY(before.contains(QStringLiteral("Telefon.DB")));
        auto second = installed.start();
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(snapshot(installed.data()), before);
        QCOMPARE(first->state(), QProcess::Running);
        first->terminate();
        first->waitForFinished(10000);
    }

    void aCrashedCopyDoesNotStopTheNextStart()
    {
        Installation installed;
        auto crashed = installed.start();
        QVERIFY(waitFor(&Installation::listening, 60000));
        crashed->kill();
        crashed->waitForFinished(10000);
        QVERIFY(QFileInfo::exists(SingleInstance::socketPath(Title)));
        QVERIFY(!Installation::listening());
        auto next = installed.start();
        QVERIFY(waitFor(&Installation::listening, 60000));
        QCOMPARE(next->state(), QProcess::Running);
        next->terminate();
        next->waitForFinished(10000);
    }

    // Under a window manager the first copy's window comes to the front:
    // restored when it was minimised, its modal window when one is open.
    void theFirstCopyComesForward_data()
    {
        QTest::addColumn<bool>("modal");
        QTest::newRow("minimised") << false;
        QTest::newRow("with the keyword window open") << true;
    }
    void theFirstCopyComesForward()
    {
        QFETCH(bool, modal);
        if (!Desktop::available())
            QSKIP("Xvfb, openbox, xdotool, xprop or xmessage is not installed");
        Desktop desktop;
        QVERIFY(desktop.start());
        Installation installed;
        auto first = installed.start(desktop.display);
        QVERIFY(waitFor(&Installation::listening, 60000));
        QString main;
        QVERIFY(
            waitFor([&] { return !(main = desktop.windowOf(first->processId(), Title)).isEmpty(); },
                    20000));
        QString expected = main;
        QProcess other;
        if (modal) {
            // Funktioner > Nøgleord, then another program's window in front.
            desktop.xdotool({"mousemove", "--window", main, "30", "10", "click", "1"});
            QTest::qWait(700);
            desktop.xdotool({"key", "Down", "Return"});
            QVERIFY(waitFor(
                [&] {
                    return !(expected = desktop.windowOf(first->processId(),
                                                         QString::fromUtf8("Nøgleord")))
                                .isEmpty();
                },
                10000));
            other.setProcessEnvironment(desktop.env);
            other.start(QStringLiteral("xmessage"), {QStringLiteral("another program")});
            QVERIFY(waitFor([&] { return desktop.activeWindow() != expected; }, 10000));
        } else {
            desktop.xdotool({"windowminimize", "--sync", main});
            QVERIFY(waitFor([&] { return desktop.minimised(main); }, 10000));
        }
        const auto before = settledSnapshot(installed.data());
        auto second = installed.start(desktop.display);
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY2(waitFor([&] { return desktop.activeWindow() == expected; }, 10000),
                 qPrintable(desktop.activeWindow() + " is active, not " + expected));
        QVERIFY(!desktop.minimised(main));
        QCOMPARE(snapshot(installed.data()), before);
        other.kill();
        other.waitForFinished();
        first->terminate();
        first->waitForFinished(10000);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
