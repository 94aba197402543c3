#pragma once

#include <QString>

// The folder that holds the program file: the picture folder and the help
// page are found from here (the data folder and the language files from the
// working directory). Tests point it at a temporary folder.
namespace ProgramFolder {
QString path();
QString filePath(const QString& relative);
void setPath(const QString& folder); // empty: the program file's folder again
} // namespace ProgramFolder
