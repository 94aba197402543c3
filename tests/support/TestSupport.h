#pragma once

#include <QString>
#include <QStringList>
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
// A picture file of the tests' own (tests/data/pictures).
QString testPicture(const char* name);

// A file's whole content; empty when it cannot be read.
QByteArray readBytes(const QString& path);
// Writes a file whole, making the folders it lies in.
void writeBytes(const QString& path, const QByteArray& bytes);

class QWidget;
class TTable;

// Inserts and posts one contact; more fields as name, value, name, value...
void addContact(TTable& table, const QString& navn, const QString& telefon,
                const QStringList& moreFieldsAndValues = {});

// Types text into a widget key by key, letters outside ASCII included.
void typeText(QWidget* widget, const QString& text);
