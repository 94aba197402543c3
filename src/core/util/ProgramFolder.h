#pragma once

#include <QString>

// The folder of the program's own files: the help page, the placeholder
// picture, the language files and, installed, the delivered data folder.
//
// The program knows two layouts. Run from a program folder as the build
// assembles it (or a copy of it), every file lies beside the program file and
// the data folder and the language files are found from the working
// directory, which the launcher sets to that folder. Installed, the program
// file lies in <prefix>/bin and its files in <prefix>/share/kalvindo: a
// program file in a folder named "bin" with share/kalvindo beside that folder
// is an installed one. Nothing else tells the two apart, so a program folder
// works wherever it is copied, and an install works under any prefix.
namespace ProgramFolder {
// The program folder, or the share folder of an installed program.
QString path();
QString filePath(const QString& relative);
bool installed();
// A language file: in the working directory for a program folder (beside the
// data folder), in the share folder for an installed program.
QString languageFile(const QString& name);
// The share folder of an installed program whose program file lies in
// programDir; empty when programDir is a program folder.
QString installedFiles(const QString& programDir);
// Tests: the folder the program file stands for; empty: its real folder again.
void setPath(const QString& folder);
} // namespace ProgramFolder
