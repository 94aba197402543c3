#pragma once

#include <QByteArray>

// The names of a large made-up household, the same in every benchmark that
// fills one: contact i has a first and a last name with Danish letters and
// its number, so that every name and phone number is unique.
namespace BenchNames {

inline const char* const FirstNames[] = {"Anders", "Bjørn", "Carl", "Dorthe", "Else",  "Finn",
                                         "Grete",  "Hans",  "Ib",   "Jørgen", "Karen", "Lærke",
                                         "Mette",  "Niels", "Ole",  "Pia",    "Søren", "Åse"};
inline const char* const LastNames[] = {
    "Andersen", "Bæk",       "Christensen", "Dahl",    "Eriksen",    "Frederiksen",
    "Holm",     "Jensen",    "Kjær",        "Larsen",  "Møller",     "Nielsen",
    "Pedersen", "Rasmussen", "Sørensen",    "Thomsen", "Østergaard", "Åberg"};

inline QByteArray contactName(int i)
{
    return QByteArray(FirstNames[i % 18]) + ' ' + LastNames[(i / 18) % 18] + ' ' +
           QByteArray::number(i);
}
inline QByteArray contactPhone(int i)
{
    return QByteArray::number(20000000 + i * 7);
}

} // namespace BenchNames
