#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// Keeps to one running copy of the program per user and application title.
// The first copy holds a lock file and listens on a local socket, both in
// the user's runtime folder (which no other user may enter); a later copy
// finds the lock held, asks the first copy over the socket to come to the
// front and is told to end.
//
// The socket accepts one request, from a process of the same user, written
// exactly: anything else is dropped unread and changes nothing. A lock left
// behind by a copy that crashed is taken over, and its socket replaced.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        First,       // no other copy runs; this one listens from now on
        AnotherRuns, // another copy runs and has been asked to come forward
        Unguarded    // no runtime folder to meet in; this copy runs alone
    };

    // What a second copy writes, and what the first answers once it has
    // brought its window forward.
    static const QByteArray Request;
    static const QByteArray Answer;

    // The guard of this process for the title: made by the first call and
    // shared by every later one while it is held, so that windows of one
    // process never count as two copies.
    static std::shared_ptr<SingleInstance> claim(const QString& title);
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Outcome outcome() const { return m_outcome; }
    // Where the lock and the socket of a title lie; empty without a
    // runtime folder of this user's own.
    static QString lockPath(const QString& title);
    static QString socketPath(const QString& title);

signals:
    // A second copy asked this one to come to the front.
    void comeForward();

private:
    explicit SingleInstance(const QString& title);
    void listen();
    bool askFirstCopy();
    void serve(QLocalSocket* socket);
    void readRequest(QLocalSocket* socket);

    QString m_title;
    Outcome m_outcome = Outcome::Unguarded;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
