#include "TestSupport.h"

#include "core/store/DataFolder.h"
#include "core/store/Table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

QString postalCodesCsv()
{
    return QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv");
}

QString testPicture(const char* name)
{
    return QStringLiteral(KALVINDO_TEST_DATA "/pictures/") + QLatin1String(name);
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

namespace {

// Building a data folder syncs every file to disk; it is built once per test
// program and copied for every test.
const QString& deliveredTemplate()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("Data"));
        DataFolder::createDelivered(p, postalCodesCsv());
        return p;
    }();
    return path;
}

} // namespace

TempDataFolder::TempDataFolder()
{
    const QDir source(deliveredTemplate());
    QDir().mkpath(data());
    QFile::setPermissions(data(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString& name : source.entryList(QDir::Files)) {
        QFile::copy(source.filePath(name), QDir(data()).filePath(name));
        QFile::setPermissions(QDir(data()).filePath(name), QFile::ReadOwner | QFile::WriteOwner);
    }
}

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void addContact(TTable& table, const QString& navn, const QString& telefon,
                const QStringList& moreFieldsAndValues)
{
    table.Insert();
    table.FieldByName(QStringLiteral("Navn")).SetAsString(navn);
    table.FieldByName(QStringLiteral("Telefon")).SetAsString(telefon);
    for (int i = 0; i + 1 < moreFieldsAndValues.size(); i += 2)
        table.FieldByName(moreFieldsAndValues[i]).SetAsString(moreFieldsAndValues[i + 1]);
    table.Post();
}
