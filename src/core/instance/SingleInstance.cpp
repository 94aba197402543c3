#include "core/instance/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

const QByteArray SingleInstance::Request = QByteArrayLiteral("KALVINDO COME-FORWARD 1\n");
const QByteArray SingleInstance::Answer = QByteArrayLiteral("KALVINDO FORWARD\n");

namespace {

// How long a second copy waits for the first to listen and to answer: the
// first may have taken the lock a moment ago and not be listening yet.
constexpr int ConnectMs = 3000;
constexpr int AnswerMs = 3000;
// How long a connection may take to say what it wants.
constexpr int RequestMs = 2000;

QHash<QString, std::weak_ptr<SingleInstance>>& held()
{
    static QHash<QString, std::weak_ptr<SingleInstance>> instances;
    return instances;
}

// The user's runtime folder, when it is this user's alone.
QString runtimeFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return QString();
    const QFileInfo info(folder);
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    if (!info.isDir() || info.ownerId() != uint(geteuid()) || (info.permissions() & others))
        return QString();
    return folder;
}

QString fileName(const QString& title, const char* suffix)
{
    QString name = QStringLiteral("kalvindo-instance-");
    for (QChar c : title)
        name += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' ? c : u'_';
    return name + QLatin1String(suffix);
}

bool sameUser(const QLocalSocket* socket)
{
#ifdef SO_PEERCRED
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == geteuid();
#else
    Q_UNUSED(socket);
    return true; // the folder is the user's alone
#endif
}

void drop(QLocalSocket* socket)
{
    socket->abort();
    socket->deleteLater();
}

} // namespace

std::shared_ptr<SingleInstance> SingleInstance::claim(const QString& title)
{
    if (auto existing = held().value(title).lock())
        return existing;
    std::shared_ptr<SingleInstance> instance(new SingleInstance(title));
    if (instance->m_outcome == Outcome::First)
        held().insert(title, instance);
    return instance;
}

QString SingleInstance::lockPath(const QString& title)
{
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(fileName(title, ".lock"));
}

QString SingleInstance::socketPath(const QString& title)
{
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(fileName(title, ".socket"));
}

SingleInstance::SingleInstance(const QString& title) : m_title(title)
{
    const QString lock = lockPath(title);
    if (lock.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(lock);
    // Held as long as the copy runs: only a lock whose process is gone is stale.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        m_outcome = Outcome::First;
        listen();
        return;
    }
    if (m_lock->error() != QLockFile::LockFailedError)
        return;
    // Another copy holds the lock: whether or not it answers, this one ends,
    // so that two copies never work on the same data.
    m_outcome = Outcome::AnotherRuns;
    askFirstCopy();
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    if (m_lock && m_outcome == Outcome::First)
        m_lock->unlock();
}

void SingleInstance::listen()
{
    const QString path = socketPath(m_title);
    // What a crashed copy left behind.
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path))
        return;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            serve(socket);
    });
}

void SingleInstance::serve(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!sameUser(socket)) {
        drop(socket);
        return;
    }
    // Never more than the request is taken in.
    socket->setReadBufferSize(Request.size() + 1);
    QTimer::singleShot(RequestMs, socket, [socket] { drop(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
    if (socket->bytesAvailable() > 0)
        readRequest(socket);
}

void SingleInstance::readRequest(QLocalSocket* socket)
{
    const QByteArray received = socket->peek(Request.size() + 1);
    if (!Request.startsWith(received)) {
        drop(socket);
        return;
    }
    if (received.size() < Request.size())
        return; // the rest is on its way
    socket->read(Request.size());
    emit comeForward();
    socket->write(Answer);
    socket->flush();
    socket->disconnectFromServer();
}

bool SingleInstance::askFirstCopy()
{
    const QString path = socketPath(m_title);
    QLocalSocket socket;
    const QDeadlineTimer deadline(ConnectMs);
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(qMax<qint64>(0, deadline.remainingTime()))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(Request);
    if (!socket.waitForBytesWritten(AnswerMs))
        return false;
    QByteArray answer;
    const QDeadlineTimer answerDeadline(AnswerMs);
    while (answer.size() < Answer.size() && !answerDeadline.hasExpired()) {
        if (!socket.waitForReadyRead(int(answerDeadline.remainingTime())))
            break;
        answer += socket.read(Answer.size() - answer.size());
    }
    return answer == Answer;
}
