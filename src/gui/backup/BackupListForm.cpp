#include "gui/backup/BackupListForm.h"

#include "core/i18n/InCodeText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const InCodeTexts Title = {
    QStringLiteral("Gendan sikkerhedskopi"), QStringLiteral("Restore backup"),
    QStringLiteral("Gjenopprett sikkerhetskopi"), QStringLiteral("Återställ säkerhetskopia"),
    QStringLiteral("Sicherung wiederherstellen")};
const InCodeTexts Taken = {QStringLiteral("Taget"), QStringLiteral("Taken"), QStringLiteral("Tatt"),
                           QStringLiteral("Tagen"), QStringLiteral("Angelegt")};
const InCodeTexts Contacts = {QStringLiteral("Kontakter"), QStringLiteral("Contacts"),
                              QStringLiteral("Kontakter"), QStringLiteral("Kontakter"),
                              QStringLiteral("Kontakte")};
const InCodeTexts CancelButton = {QStringLiteral("Annuller"), QStringLiteral("Cancel"),
                                  QStringLiteral("Avbryt"), QStringLiteral("Avbryt"),
                                  QStringLiteral("Abbrechen")};
const InCodeTexts Restore = {QStringLiteral("Gendan"), QStringLiteral("Restore"),
                             QStringLiteral("Gjenopprett"), QStringLiteral("Återställ"),
                             QStringLiteral("Wiederherstellen")};

} // namespace

TBackupListForm::TBackupListForm(const std::vector<BackupInfo>& backups, QWidget* parent)
    : QDialog(parent), m_items(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("BackupListForm"));
    setWindowTitle(inCodeText(Title));
    m_items->setRootIsDecorated(false);
    m_items->setHeaderLabels({inCodeText(Taken), inCodeText(Contacts)});
    for (const BackupInfo& b : backups) {
        auto* item = new QTreeWidgetItem(
            m_items, {TakenText(b.taken),
                      b.contacts < 0 ? QStringLiteral("?") : QString::number(b.contacts)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_items->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_items->header()->setStretchLastSection(true);
    if (m_items->topLevelItemCount() > 0)
        m_items->setCurrentItem(m_items->topLevelItem(0));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(inCodeText(Restore));
    buttons->button(QDialogButtonBox::Cancel)->setText(inCodeText(CancelButton));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_items, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_items);
    layout->addWidget(buttons);
    resize(400, 300);
}

QString TBackupListForm::TakenText(const QDateTime& taken)
{
    // The program's own date form, the same in every language.
    return taken.toString(QStringLiteral("dd-MM-yyyy  HH:mm:ss"));
}

std::optional<size_t> TBackupListForm::Chosen() const
{
    const int row = m_items->indexOfTopLevelItem(m_items->currentItem());
    return row < 0 ? std::nullopt : std::optional<size_t>(size_t(row));
}

std::optional<size_t> TBackupListForm::Ask(const std::vector<BackupInfo>& backups, QWidget* parent)
{
    TBackupListForm form(backups, parent);
    return form.exec() == QDialog::Accepted ? form.Chosen() : std::nullopt;
}
