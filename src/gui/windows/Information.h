#pragma once

#include <QString>

class QObject;

// The menu commands that tell where the data lies and open the help page.
namespace Information {

// Where the data lies and that it must be backed up; Danish in every language.
// dataFolder: the data folder in use.
QString dataLocationText(const QString& dataFolder);
void showDataLocation(const QString& dataFolder);

// The help page of a language (its index), beside the program: the Danish
// page Help/Index.html, or Help/<language>/Index.html where the language has
// a page of its own.
QString helpPagePath(int languageIndex);
// Opens the page kept in the hint of the menu item the command came from.
void openHelp(QObject* sender);

} // namespace Information
