#pragma once

#include <QString>
#include <exception>

// Base of every error the program raises on purpose. The message is what the
// application's error box shows.
class Exception : public std::exception
{
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {
    }
    const char* what() const noexcept override { return m_utf8.constData(); }
    const QString& message() const { return m_message; }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A silent exception: it ends the operation that is under way and is never
// shown to the user.
class EAbort : public Exception
{
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};
