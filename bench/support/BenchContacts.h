#pragma once

// Contacts with realistic Danish names for the benchmarks, written straight
// into a table file as another program would: the sort keys are made when
// the program opens it.
#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

#include <iterator>
#include <sqlite3.h>

namespace BenchContacts {

inline constexpr int ContactCount = 100000;

inline const char* const FirstNames[] = {
    "Anders", "Anne",   "Birgit",   "Bo",    "Christian", "Dorthe",  "Erik",    "Freja",  "Gitte",
    "Hans",   "Ida",    "Jens",     "Karen", "Lars",      "Mette",   "Niels",   "Ole",    "Pia",
    "Rasmus", "Søren",  "Tove",     "Ulla",  "Vibeke",    "Åse",     "Ærbødig", "Øjvind", "Aase",
    "Mads",   "Louise", "Frederik", "Sofie", "Kasper",    "Camilla", "Jørgen",  "Bjørn",  "Lærke"};
inline const char* const LastNames[] = {
    "Jensen",     "Nielsen",   "Hansen",     "Pedersen",     "Andersen", "Christensen",
    "Larsen",     "Sørensen",  "Rasmussen",  "Jørgensen",    "Petersen", "Madsen",
    "Kristensen", "Olsen",     "Thomsen",    "Christiansen", "Poulsen",  "Johansen",
    "Møller",     "Mortensen", "Østergaard", "Ærenlund",     "Aagaard",  "Åkjær",
    "Bæk",        "Dalgaard",  "Frølich",    "Grøn",         "Holm"};

// Fills the contact table with realistic Danish names in one transaction, as
// another program would: the sort keys are made when the program opens it.
inline void fillContacts(const QString& path, int count = ContactCount)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Telefon (Navn, Telefon, Adresse1, Postnr, Bynavn, Land, FKort, "
                       "JKort, Regnr) VALUES (?, ?, ?, ?, 'Aarhus C', 'Danmark', 'Nej', 'Nej', ?)",
                       -1, &insert, nullptr);
    QRandomGenerator random(4711);
    const int first = int(std::size(FirstNames));
    const int last = int(std::size(LastNames));
    for (int i = 0; i < count; ++i) {
        const QByteArray name = QByteArray(FirstNames[random.bounded(first)]) + ' ' +
                                LastNames[random.bounded(last)] + ' ' +
                                LastNames[random.bounded(last)];
        const QByteArray phone = QByteArray::number(20000000 + random.bounded(79999999));
        const QByteArray street = "Vestergade " + QByteArray::number(random.bounded(1, 200));
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, phone.constData(), int(phone.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, street.constData(), int(street.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, "8000", 4, SQLITE_STATIC);
        sqlite3_bind_int(insert, 5, i + 1);
        sqlite3_step(insert); // a repeated name and phone number is simply skipped
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

} // namespace BenchContacts
