#pragma once

#include "core/backup/DataBackup.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class QWidget;
class TDM;

// The menu's backup commands and the backups the program takes by itself:
// at every close, and at most once an hour while it runs, each only when a
// table changed since the newest backup.
class BackupCommands : public QObject
{
public:
    explicit BackupCommands(QWidget* window);

    // Starts the hourly backups once the tables are open.
    void SetDataModule(TDM* dm);

    // "Sikkerhedskopier nu".
    void BackupNow();
    // "Gendan sikkerhedskopi...": choose a backup, then restore it.
    void RestoreBackup();
    // At close, after the edits are saved; a failure is shown, not raised.
    void AtClose();

    // Picks one of the backups (newest first); the list window by default,
    // tests answer for it. Nothing cancels.
    std::function<std::optional<size_t>(const std::vector<BackupInfo>&)> Choose;
    // The clock, so that tests can set it.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

private:
    std::optional<DataBackup> backups() const;
    void takeIfChanged();
    void closeTables();
    void openTables();

    QWidget* m_window;
    TDM* m_dm = nullptr;
    QTimer m_hourly;
};
