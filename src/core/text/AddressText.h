#pragma once

#include <QString>

class TTable;

// The postal address of a contact as plain text for an envelope or a letter:
// lines separated by CR LF, no line break after the last line.
namespace Address {

constexpr int LineLimit = 64;

struct Fields
{
    QString navn, adresse1, adresse2, postnr, bynavn, land;
};

// The current record's address fields; all empty when there is none.
Fields FromCurrentRecord(TTable& contacts);

QString NameLine(const Fields& f);
QString PostalLine(const Fields& f);
QString Text(const Fields& f);

} // namespace Address
