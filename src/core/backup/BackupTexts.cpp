#include "core/backup/BackupTexts.h"

#include "core/i18n/InCodeText.h"

namespace BackupText {

QString cannotCreate(const QString& path, const QString& why)
{
    return inCodeText({QStringLiteral("Sikkerhedskopien %1 kunne ikke oprettes: %2"),
                       QStringLiteral("The backup %1 could not be created: %2"),
                       QStringLiteral("Sikkerhetskopien %1 kunne ikke opprettes: %2"),
                       QStringLiteral("Säkerhetskopian %1 kunde inte skapas: %2"),
                       QStringLiteral("Die Sicherung %1 konnte nicht angelegt werden: %2")})
        .arg(path, why);
}

QString cannotCopy(const QString& file, const QString& why)
{
    return inCodeText({QStringLiteral("%1 kunne ikke kopieres: %2"),
                       QStringLiteral("%1 could not be copied: %2"),
                       QStringLiteral("%1 kunne ikke kopieres: %2"),
                       QStringLiteral("%1 kunde inte kopieras: %2"),
                       QStringLiteral("%1 konnte nicht kopiert werden: %2")})
        .arg(file, why);
}

QString missingFile(const QString& backup, const QString& file)
{
    return inCodeText(
               {QStringLiteral("Sikkerhedskopien %1 mangler filen %2 og kan ikke gendannes."),
                QStringLiteral("The backup %1 lacks the file %2 and cannot be restored."),
                QStringLiteral("Sikkerhetskopien %1 mangler filen %2 og kan ikke gjenopprettes."),
                QStringLiteral("Säkerhetskopian %1 saknar filen %2 och kan inte återställas."),
                QStringLiteral("Der Sicherung %1 fehlt die Datei %2; sie kann nicht "
                               "wiederhergestellt werden.")})
        .arg(backup, file);
}

QString notSound(const QString& backup, const QString& file, const QString& why)
{
    return inCodeText(
               {QStringLiteral("Filen %2 i sikkerhedskopien %1 er beskadiget (%3) og kan ikke "
                               "gendannes."),
                QStringLiteral(
                    "The file %2 in the backup %1 is damaged (%3) and cannot be restored."),
                QStringLiteral("Filen %2 i sikkerhetskopien %1 er skadet (%3) og kan ikke "
                               "gjenopprettes."),
                QStringLiteral("Filen %2 i säkerhetskopian %1 är skadad (%3) och kan inte "
                               "återställas."),
                QStringLiteral(
                    "Die Datei %2 in der Sicherung %1 ist beschädigt (%3) und kann nicht "
                    "wiederhergestellt werden.")})
        .arg(backup, file, why);
}

QString restoreFailed(const QString& why)
{
    return inCodeText({QStringLiteral("Gendannelsen mislykkedes; dine data er som før. %1"),
                       QStringLiteral("The restore failed; your data is as it was. %1"),
                       QStringLiteral("Gjenopprettingen mislyktes; dataene dine er som før. %1"),
                       QStringLiteral("Återställningen misslyckades; dina data är som förut. %1"),
                       QStringLiteral("Die Wiederherstellung ist fehlgeschlagen; Ihre Daten sind "
                                      "unverändert. %1")})
        .arg(why);
}

} // namespace BackupText
