#include "core/util/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString& overridden()
{
    static QString folder;
    return folder;
}

QString programDir()
{
    return overridden().isEmpty() ? QCoreApplication::applicationDirPath() : overridden();
}

} // namespace

namespace ProgramFolder {

QString installedFiles(const QString& programDir)
{
    const QDir bin(programDir);
    if (bin.dirName() != QLatin1String("bin"))
        return QString();
    const QFileInfo share(bin.absoluteFilePath(QStringLiteral("../share/kalvindo")));
    return share.isDir() ? QDir::cleanPath(share.absoluteFilePath()) : QString();
}

QString path()
{
    const QString dir = programDir();
    const QString share = installedFiles(dir);
    return share.isEmpty() ? dir : share;
}

QString filePath(const QString& relative)
{
    return QDir(path()).filePath(relative);
}

bool installed()
{
    return !installedFiles(programDir()).isEmpty();
}

QString languageFile(const QString& name)
{
    return installed() ? filePath(name) : name;
}

void setPath(const QString& folder)
{
    overridden() = folder;
}

} // namespace ProgramFolder
