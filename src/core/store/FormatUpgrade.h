#pragma once

#include <QString>
#include <vector>

struct TableDefinition;

// Table files written in the program's earlier format, whose name indexes
// needed a collation that only the program registered, brought to the
// current one (see SortKeys).
namespace FormatUpgrade {

struct File
{
    QString path; // canonical
    const TableDefinition* table;
};

// Upgrades the files together, in one transaction over all of them. A copy
// of each file is kept beside it (see copyOf) until that transaction has
// committed; when it fails, the files are as they were and the copies stay.
// Throws EDatabaseError naming a file and why.
void upgradeFiles(const std::vector<File>& files);

// Every table file of the program in the folder that is in the earlier
// format, upgraded together; once a run of the program. Files that cannot be
// read now, or whose upgrade fails, are left to their own opening, which
// tells the user why.
void upgradeFolder(const QString& folder);

// Where the copy of a file is kept while it is upgraded.
QString copyOf(const QString& path);

} // namespace FormatUpgrade
