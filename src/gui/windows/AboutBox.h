#pragma once

#include <QImage>
#include <QObject>
#include <QString>

// The about box placed on the main window: what the about window shows,
// and Execute, which shows it.
class TAboutBox : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString AppName READ AppName WRITE SetAppName)
    Q_PROPERTY(QString Copyright READ Copyright WRITE SetCopyright RESET ResetCopyright)
    Q_PROPERTY(QImage Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(QString Url READ Url WRITE SetUrl RESET ResetUrl)
    Q_PROPERTY(QString Warning READ Warning WRITE SetWarning RESET ResetWarning)
public:
    // The texts the box starts with (and goes back to when reset).
    static const QString DefaultCopyright;
    static const QString DefaultUrl;
    static const QString DefaultWarning;

    explicit TAboutBox(QObject* owner);

    QString AppName() const { return m_appName; }
    void SetAppName(const QString& name) { m_appName = name; }
    QString Copyright() const { return m_copyright; }
    void SetCopyright(const QString& text) { m_copyright = text; }
    void ResetCopyright() { m_copyright = DefaultCopyright; }
    // A copy of the picture is kept.
    QImage Picture() const { return m_picture; }
    void SetPicture(const QImage& picture) { m_picture = picture.copy(); }
    QString Url() const { return m_url; }
    void SetUrl(const QString& url) { m_url = url; }
    void ResetUrl() { m_url = DefaultUrl; }
    QString Warning() const { return m_warning; }
    void SetWarning(const QString& text) { m_warning = text; }
    void ResetWarning() { m_warning = DefaultWarning; }

    // Builds an about window from the box as it is now, shows it modally and
    // destroys it when it is closed.
    void Execute();

private:
    QString m_appName;
    QString m_copyright = DefaultCopyright;
    QImage m_picture;
    QString m_url = DefaultUrl;
    QString m_warning = DefaultWarning;
};
