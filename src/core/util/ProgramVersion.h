#pragma once

#include <QString>

#include <optional>

// The program's own version: the four numbers of the file version, major,
// minor, release and build. The build takes them from the project's version.
struct FileVersion
{
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
};

namespace ProgramVersion {

// The version the program was built with; none when the build gave none.
std::optional<FileVersion> fileVersion();
// "2.3 (Build: 0.7)" for 2.3.0.7, with buildWord in place of "Build"; empty
// without a version.
QString text(const std::optional<FileVersion>& version, const QString& buildWord);

} // namespace ProgramVersion
