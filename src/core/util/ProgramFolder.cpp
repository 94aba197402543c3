#include "core/util/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& overridden()
{
    static QString folder;
    return folder;
}
} // namespace

namespace ProgramFolder {

QString path()
{
    return overridden().isEmpty() ? QCoreApplication::applicationDirPath() : overridden();
}

QString filePath(const QString& relative)
{
    return QDir(path()).filePath(relative);
}

void setPath(const QString& folder)
{
    overridden() = folder;
}

} // namespace ProgramFolder
