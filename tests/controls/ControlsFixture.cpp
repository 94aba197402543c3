#include "ControlsFixture.h"

#include "core/store/Connection.h"
#include "core/store/Field.h"

#include <QTest>
#include <sqlite3.h>

ControlsFixture::ControlsFixture()
{
    contacts.SetDatabaseName(folder.data());
    contacts.SetTableName(QStringLiteral("Telefon.DB"));
    contacts.Open();
    contactSource.SetDataSet(&contacts);
    keywords.SetDatabaseName(folder.data());
    keywords.SetTableName(QStringLiteral("Nogleord.DB"));
    keywords.Open();
    keywordSource.SetDataSet(&keywords);
}

void ControlsFixture::addContact(const QString& name, const QString& phone, const QStringList& more)
{
    contacts.Insert();
    contacts.FieldByName(QStringLiteral("Navn")).SetAsString(name);
    contacts.FieldByName(QStringLiteral("Telefon")).SetAsString(phone);
    for (int i = 0; i + 1 < more.size(); i += 2)
        contacts.FieldByName(more[i]).SetAsString(more[i + 1]);
    contacts.Post();
}

void ControlsFixture::addKeyword(const QString& word)
{
    keywords.Insert();
    keywords.FieldByName(QStringLiteral("Nogleord")).SetAsString(word);
    keywords.Post();
}

void ControlsFixture::fillContacts(int count)
{
    contacts.Close();
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(folder.file(QStringLiteral("Telefon.DB")).toUtf8().constData(), &db),
             SQLITE_OK);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Telefon (Navn, Telefon) VALUES (?, ?)", -1, &insert,
                       nullptr);
    for (int i = 0; i < count; ++i) {
        const QByteArray name = QStringLiteral("Kontakt %1").arg(i, 6, 10, QChar(u'0')).toUtf8();
        const QByteArray phone = QByteArray::number(10000000 + i);
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, phone.constData(), int(phone.size()), SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    contacts.Open();
}
