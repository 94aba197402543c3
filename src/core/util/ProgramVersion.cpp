#include "core/util/ProgramVersion.h"

namespace ProgramVersion {

std::optional<FileVersion> fileVersion()
{
#ifdef KALVINDO_VERSION_MAJOR
    return FileVersion{KALVINDO_VERSION_MAJOR, KALVINDO_VERSION_MINOR, KALVINDO_VERSION_RELEASE,
                       KALVINDO_VERSION_BUILD};
#else
    return std::nullopt;
#endif
}

QString text(const std::optional<FileVersion>& version, const QString& buildWord)
{
    if (!version)
        return QString();
    return QStringLiteral("%1.%2 (%3: %4.%5)")
        .arg(version->major)
        .arg(version->minor)
        .arg(buildWord)
        .arg(version->release)
        .arg(version->build);
}

} // namespace ProgramVersion
