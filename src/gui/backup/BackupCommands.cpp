#include "gui/backup/BackupCommands.h"

#include "core/data/DM.h"
#include "core/data/PendingEdits.h"
#include "core/i18n/InCodeText.h"
#include "core/store/Table.h"
#include "core/util/DataLocation.h"
#include "core/util/Dialogs.h"
#include "gui/backup/BackupListForm.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString backupDone(const QString& folder)
{
    return inCodeText({QStringLiteral("Sikkerhedskopien er gemt i\n%1"),
                       QStringLiteral("The backup is saved in\n%1"),
                       QStringLiteral("Sikkerhetskopien er lagret i\n%1"),
                       QStringLiteral("Säkerhetskopian är sparad i\n%1"),
                       QStringLiteral("Die Sicherung ist gespeichert in\n%1")})
        .arg(QDir::toNativeSeparators(folder));
}

QString noBackups()
{
    return inCodeText({QStringLiteral("Der er endnu ingen sikkerhedskopier."),
                       QStringLiteral("There are no backups yet."),
                       QStringLiteral("Det finnes ingen sikkerhetskopier ennå."),
                       QStringLiteral("Det finns inga säkerhetskopior ännu."),
                       QStringLiteral("Es gibt noch keine Sicherungen.")});
}

QString restoreQuestion(const QString& taken)
{
    return inCodeText(
               {QStringLiteral("Gendan sikkerhedskopien fra %1?\nDe nuværende data gemmes først "
                               "i en ny sikkerhedskopi."),
                QStringLiteral("Restore the backup of %1?\nThe current data is saved in a new "
                               "backup first."),
                QStringLiteral("Gjenopprette sikkerhetskopien fra %1?\nDe nåværende dataene "
                               "lagres først i en ny sikkerhetskopi."),
                QStringLiteral("Återställa säkerhetskopian från %1?\nNuvarande data sparas "
                               "först i en ny säkerhetskopia."),
                QStringLiteral("Die Sicherung vom %1 wiederherstellen?\nDie jetzigen Daten werden "
                               "zuerst in einer neuen Sicherung gespeichert.")})
        .arg(taken);
}

QString restored(const QString& taken)
{
    return inCodeText({QStringLiteral("Sikkerhedskopien fra %1 er gendannet."),
                       QStringLiteral("The backup of %1 has been restored."),
                       QStringLiteral("Sikkerhetskopien fra %1 er gjenopprettet."),
                       QStringLiteral("Säkerhetskopian från %1 är återställd."),
                       QStringLiteral("Die Sicherung vom %1 ist wiederhergestellt.")})
        .arg(taken);
}

} // namespace

BackupCommands::BackupCommands(QWidget* window) : m_window(window)
{
    Choose = [this](const std::vector<BackupInfo>& list) {
        return TBackupListForm::Ask(list, m_window);
    };
    m_hourly.setInterval(60 * 60 * 1000);
    connect(&m_hourly, &QTimer::timeout, this, [this] {
        try {
            takeIfChanged();
        } catch (const std::exception&) {
            // Tried again in an hour, and at close, where a failure is shown.
        }
    });
}

void BackupCommands::SetDataModule(TDM* dm)
{
    m_dm = dm;
    if (dm)
        m_hourly.start();
    else
        m_hourly.stop();
}

std::optional<DataBackup> BackupCommands::backups() const
{
    if (!m_dm || !QFileInfo(m_dm->DataFolderPath()).isDir())
        return std::nullopt;
    // The configuration is written at every close: on its own it is no
    // reason for a backup.
    return DataBackup(m_dm->DataFolderPath(), DataLocation::pictureFolder(),
                      {QStringLiteral("Config.DB")});
}

void BackupCommands::takeIfChanged()
{
    // Only between two posts: a record being edited is taken as it was saved.
    if (auto b = backups())
        b->TakeIfChanged(Now());
}

void BackupCommands::BackupNow()
{
    auto b = backups();
    if (!b)
        return;
    // What the user typed is saved now, and so goes into the backup.
    postPendingEdits(*m_dm);
    const QString taken = b->Take(Now());
    b->Thin(Now());
    Dialogs::instance().message(MessageKind::Information, backupDone(taken), Ok);
}

void BackupCommands::AtClose()
{
    m_hourly.stop();
    try {
        takeIfChanged();
    } catch (const std::exception& e) {
        Dialogs::instance().message(MessageKind::Warning, QString::fromUtf8(e.what()), Ok);
    }
}

void BackupCommands::RestoreBackup()
{
    auto b = backups();
    if (!b)
        return;
    // What the user typed is saved now, and so goes into the backup of today.
    postPendingEdits(*m_dm);
    const auto list = b->List();
    if (list.empty()) {
        Dialogs::instance().message(MessageKind::Information, noBackups(), Ok);
        return;
    }
    const auto chosen = Choose(list);
    if (!chosen || *chosen >= list.size())
        return;
    const QString taken = TBackupListForm::TakenText(list[*chosen].taken);
    if (Dialogs::instance().message(MessageKind::Confirmation, restoreQuestion(taken), Yes | No) !=
        Yes)
        return;
    b->Restore(
        list[*chosen].folder, Now(), [this] { closeTables(); }, [this] { openTables(); });
    Dialogs::instance().message(MessageKind::Information, restored(taken), Ok);
}

void BackupCommands::closeTables()
{
    // The details before their masters, so that no detail follows a master
    // that is gone.
    const QList<TTable*> tables = m_dm->ContactTables();
    for (auto it = tables.rbegin(); it != tables.rend(); ++it)
        (*it)->Close();
    m_dm->ConfigTable->Close();
}

void BackupCommands::openTables()
{
    m_dm->ConfigTable->Open();
    for (TTable* table : m_dm->ContactTables())
        table->Open();
}
