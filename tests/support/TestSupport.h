#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh data folder in a temporary folder, built like the delivered one.
class TempDataFolder
{
public:
    TempDataFolder();
    QString root() const { return m_dir.path(); }
    QString data() const { return m_dir.filePath(QStringLiteral("Data")); }
    QString file(const QString& name) const { return data() + u'/' + name; }

private:
    QTemporaryDir m_dir;
};

// The postal code list the program ships.
QString postalCodesCsv();

class QWidget;
// Types text into a widget key by key, letters outside ASCII included.
void typeText(QWidget* widget, const QString& text);
