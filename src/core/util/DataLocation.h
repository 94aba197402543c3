#pragma once

#include <QString>

// Where the user's own files lie: the data folder (Data/) and the contacts'
// pictures (Billeder/).
//
// Beside a program folder they lie in it, as the build assembles it: the data
// folder in the working directory, the pictures beside the program file. An
// installed program lies read-only under its prefix, so each user has the pair
// in a folder of their own, $XDG_DATA_HOME/Kalvindo, made at the first start
// from the delivered data folder and the placeholder picture of the share
// folder (see ProgramFolder).
namespace DataLocation {

// The per-user folder of an installed program: $XDG_DATA_HOME/Kalvindo, or
// ~/.local/share/Kalvindo where that variable is unset, empty or not an
// absolute path.
QString userFolder();

// The data folder in use, as an absolute path: the one the program opens its
// tables from, and the one to name to the user.
QString dataFolder();
// The folder of the contacts' pictures in use.
QString pictureFolder();
// The placeholder picture, one of the program's own files.
QString placeholderFile();

// Makes what is missing of a per-user folder from the program's own files:
// the folder itself, Data/ with a copy of every delivered table, Billeder/
// with the placeholder picture; folders 0700 and files 0600, as they hold the
// user's contacts. What is there already is left exactly as it is. A data or
// picture folder appears whole or not at all: it is filled under another name
// first. Throws an Exception that names what could not be made.
void prepare(const QString& userFolder, const QString& programFiles);

// At start: prepares the per-user folder when the program is installed.
void setUp();

} // namespace DataLocation
