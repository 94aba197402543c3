#pragma once

#include <QString>

// What the backups tell the user, in the active language.
namespace BackupText {

QString cannotCreate(const QString& path, const QString& why);
QString cannotCopy(const QString& file, const QString& why);
QString missingFile(const QString& backup, const QString& file);
QString notSound(const QString& backup, const QString& file, const QString& why);
QString restoreFailed(const QString& why);

} // namespace BackupText
