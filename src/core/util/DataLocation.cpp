#include "core/util/DataLocation.h"

#include "core/util/Exception.h"
#include "core/util/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QString DataName = QStringLiteral("Data");
const QString PicturesName = QStringLiteral("Billeder");
const QString PlaceholderPath = QStringLiteral("Billeder/Ingen.jpg");

constexpr QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions OwnerOnlyFolder = OwnerOnlyFile | QFile::ExeOwner;

[[noreturn]] void cannotMake(const QString& path, const QString& why)
{
    throw Exception(QStringLiteral("Kalvindo kan ikke oprette %1: %2")
                        .arg(QDir::toNativeSeparators(path), why));
}

// Creates a folder and the ones missing above it, each for the user alone;
// a folder that is there keeps the modes it has.
void makeOwnFolder(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return;
    if (info.exists() || info.isSymLink())
        cannotMake(path, QStringLiteral("der er en fil med det navn"));
    makeOwnFolder(info.absolutePath());
    if (!QDir().mkdir(path, OwnerOnlyFolder))
        cannotMake(path, QStringLiteral("mappen kan ikke laves"));
}

bool missing(const QString& path)
{
    const QFileInfo info(path);
    return !info.exists() && !info.isSymLink();
}

// Fills a folder of a temporary name beside the target (made for the user
// alone) with copies of the files and renames it into place, which never
// replaces anything.
void placeFolder(const QString& target, const QStringList& files)
{
    const QFileInfo there(target);
    QDir parent = there.dir();
    QTemporaryDir staging(
        parent.filePath(QLatin1Char('.') + there.fileName() + QStringLiteral("-XXXXXX")));
    if (!staging.isValid())
        cannotMake(target, staging.errorString());
    for (const QString& file : files) {
        QFile source(file);
        const QString copy = staging.filePath(QFileInfo(file).fileName());
        if (!source.copy(copy))
            cannotMake(target, QDir::toNativeSeparators(file) + QStringLiteral(": ") +
                                   source.errorString());
        if (!QFile::setPermissions(copy, OwnerOnlyFile))
            cannotMake(copy, QStringLiteral("adgangen kan ikke sættes"));
    }
    // The rename fails too when another copy of the program, started at the
    // same moment, has put its folder there first; that one stands.
    if (parent.rename(QFileInfo(staging.path()).fileName(), there.fileName()))
        staging.setAutoRemove(false);
    else if (missing(target))
        cannotMake(target, QStringLiteral("mappen kan ikke få sit navn"));
}

QStringList deliveredTables(const QString& programFiles, const QString& target)
{
    const QDir delivered(QDir(programFiles).filePath(DataName));
    const QStringList names = delivered.entryList(QDir::Files);
    if (!delivered.exists() || names.isEmpty())
        cannotMake(target, QStringLiteral("den leverede datamappe %1 mangler")
                               .arg(QDir::toNativeSeparators(delivered.path())));
    QStringList files;
    for (const QString& name : names)
        files << delivered.filePath(name);
    return files;
}

} // namespace

namespace DataLocation {

QString userFolder()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::home().filePath(QStringLiteral(".local/share"));
    return QDir::cleanPath(QDir(base).filePath(QStringLiteral("Kalvindo")));
}

QString dataFolder()
{
    const QDir base = ProgramFolder::installed() ? QDir(userFolder()) : QDir::current();
    return QDir::cleanPath(base.absoluteFilePath(DataName));
}

QString pictureFolder()
{
    return ProgramFolder::installed() ? QDir(userFolder()).filePath(PicturesName)
                                      : ProgramFolder::filePath(PicturesName);
}

QString placeholderFile()
{
    return ProgramFolder::filePath(PlaceholderPath);
}

void prepare(const QString& userFolder, const QString& programFiles)
{
    makeOwnFolder(userFolder);
    const QDir user(userFolder);
    if (const QString data = user.filePath(DataName); missing(data))
        placeFolder(data, deliveredTables(programFiles, data));
    if (missing(user.filePath(PicturesName)))
        placeFolder(user.filePath(PicturesName), {QDir(programFiles).filePath(PlaceholderPath)});
}

void setUp()
{
    if (ProgramFolder::installed())
        prepare(userFolder(), ProgramFolder::path());
}

} // namespace DataLocation
