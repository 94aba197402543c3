#pragma once

#include <QString>

struct TableDefinition;

namespace DataFolder {

// The path of a table file inside the data folder. The name is matched
// without regard to letter case, so "Familie.db" finds "Familie.DB".
// Throws EDatabaseError when the folder does not exist.
QString resolve(const QString& folder, const QString& fileName);

// Creates the data folder as it is delivered: every table file with its
// table and indexes, the postal codes from a "Postnr;Bynavn" CSV file and
// the one configuration record. The folder and its files are readable by the
// user only. Refuses an existing folder: it may hold the user's contacts.
void createDelivered(const QString& folder, const QString& postalCodesCsv);

// Creates one empty table file with its table and indexes (tests, tools).
void createTableFile(const QString& path, const TableDefinition& table);

} // namespace DataFolder
