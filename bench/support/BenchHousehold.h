#pragma once

// A large made-up household in a data folder: N contacts with the names of
// BenchNames (every name and number unique) and two or three family members
// each, 2.5 per contact on average. Written straight into the table files as
// another program would; the program makes the sort keys the first time it
// opens them. With KALVINDO_BENCH_CACHE set, a folder is made once per size
// (opened once, so with its sort keys) and copied from there on later runs.
#include "../BenchNames.h"
#include "core/data/DM.h"
#include "core/store/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <sqlite3.h>
#include <stdexcept>

namespace BenchHousehold {

inline constexpr int MembersPerTwoContacts = 5;

inline void bindText(sqlite3_stmt* statement, int position, const QByteArray& text)
{
    sqlite3_bind_text(statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// Runs `row` count times through one prepared insert, in one transaction.
template <typename Row>
void insertAll(const QString& file, const char* sql, int count, const Row& row)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error("cannot open " + file.toStdString());
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &insert, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    for (int i = 0; i < count; ++i)
        row(insert, i);
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

// The keywords, one on every contact in turn; the apostrophe is part of it.
inline const char* const Keywords[] = {"Familie", "Venner", "Arbejde", "Kim's venner", "Nabo"};
inline constexpr int KeywordCount = int(sizeof Keywords / sizeof Keywords[0]);

inline int membersOf(int contact)
{
    return contact % 2 == 0 ? MembersPerTwoContacts / 2 : (MembersPerTwoContacts + 1) / 2;
}

inline void fill(const QString& data, int contacts)
{
    using BenchNames::contactName;
    using BenchNames::contactPhone;
    const auto step = [](sqlite3_stmt* insert) {
        sqlite3_step(insert);
        sqlite3_reset(insert);
    };
    insertAll(data + QStringLiteral("/Telefon.DB"),
              "INSERT INTO Telefon (Navn, Telefon, Adresse1, Postnr, Bynavn, Land, FKort, JKort, "
              "Regnr, Fodselsdag, Dg, Md, Nogleord) VALUES (?, ?, 'Vestergade 12', '8000', "
              "'Aarhus C', 'Danmark', ?, 'Nej', ?, ?, ?, ?, ?)",
              contacts, [&](sqlite3_stmt* insert, int i) {
                  const int day = 1 + i % 28, month = 1 + (i / 28) % 12;
                  const QByteArray dg = QByteArray::number(day).rightJustified(2, '0');
                  const QByteArray md = QByteArray::number(month).rightJustified(2, '0');
                  bindText(insert, 1, contactName(i));
                  bindText(insert, 2, contactPhone(i));
                  bindText(insert, 3, i % 10 == 0 ? "Ja" : "Nej"); // one in ten gets a card
                  sqlite3_bind_int(insert, 4, i + 1);
                  bindText(insert, 5, "19" + QByteArray::number(40 + i % 60) + '-' + md + '-' + dg);
                  bindText(insert, 6, dg);
                  bindText(insert, 7, md);
                  bindText(insert, 8, Keywords[i % KeywordCount]);
                  step(insert);
              });
    insertAll(data + QStringLiteral("/Familie.db"),
              "INSERT INTO Familie (Navn, Telefon, FamNavn, Relation) VALUES (?, ?, ?, 'Barn')",
              contacts, [&](sqlite3_stmt* insert, int i) {
                  for (int m = 0; m < membersOf(i); ++m) {
                      bindText(insert, 1, contactName(i));
                      bindText(insert, 2, contactPhone(i));
                      bindText(insert, 3,
                               QByteArray(BenchNames::FirstNames[(i + m + 5) % 18]) + ' ' +
                                   QByteArray::number(m));
                      step(insert);
                  }
              });
    insertAll(data + QStringLiteral("/Nogleord.DB"), "INSERT INTO Nogleord (Nogleord) VALUES (?)",
              KeywordCount, [&](sqlite3_stmt* insert, int k) {
                  bindText(insert, 1, Keywords[k]);
                  step(insert);
              });
    insertAll(data + QStringLiteral("/Regnr.DB"), "INSERT INTO Regnr (Regnr) VALUES (?)", 1,
              [&](sqlite3_stmt* insert, int) {
                  sqlite3_bind_int(insert, 1, contacts);
                  step(insert);
              });
}

inline void copyFiles(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(to + u'/' + name);
        if (!QFile::copy(from + u'/' + name, to + u'/' + name))
            throw std::runtime_error("cannot copy " + name.toStdString());
    }
}

// Makes `data` a data folder holding the household of `contacts` contacts.
inline void prepare(const QString& data, int contacts)
{
    const QString cache = qEnvironmentVariable("KALVINDO_BENCH_CACHE");
    const QString cached = cache + QStringLiteral("/household-%1").arg(contacts);
    if (!cache.isEmpty() && QFile::exists(cached + QStringLiteral("/Telefon.DB"))) {
        copyFiles(cached, data);
        return;
    }
    DataFolder::createDelivered(
        data, QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"));
    fill(data, contacts);
    if (cache.isEmpty())
        return;
    {
        TDM dm(nullptr, data);
        for (TTable* table : dm.ContactTables())
            table->Open();
    }
    copyFiles(data, cached);
}

} // namespace BenchHousehold
