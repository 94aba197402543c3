#pragma once

#include "core/backup/DataBackup.h"

#include <QDialog>

#include <optional>
#include <vector>

class QTreeWidget;

// The backups with the time each was taken and how many contacts it holds,
// newest first; the user picks the one to restore.
class TBackupListForm : public QDialog
{
    Q_OBJECT
public:
    TBackupListForm(const std::vector<BackupInfo>& backups, QWidget* parent = nullptr);

    // The chosen backup's place in the list; none when nothing is chosen.
    std::optional<size_t> Chosen() const;
    QTreeWidget* Items() const { return m_items; }
    // How the list and its question show the time a backup was taken.
    static QString TakenText(const QDateTime& taken);

    // Shows the list modally and answers the choice.
    static std::optional<size_t> Ask(const std::vector<BackupInfo>& backups, QWidget* parent);

private:
    QTreeWidget* m_items;
};
