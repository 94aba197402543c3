#include "gui/vcard/ImportPreviewForm.h"

#include "core/i18n/InCodeText.h"
#include "gui/vcard/ExchangeProgress.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

using Kind = ImportItem::Kind;

QString statusText(const ImportItem& item)
{
    switch (item.kind) {
    case Kind::New:
        return inCodeText({QStringLiteral("Ny"), QStringLiteral("New"), QStringLiteral("Ny"),
                           QStringLiteral("Ny"), QStringLiteral("Neu")});
    case Kind::Duplicate:
        if (item.inFile)
            return inCodeText(
                {QStringLiteral("Gentaget i filen"), QStringLiteral("Repeated in the file"),
                 QStringLiteral("Gjentatt i filen"), QStringLiteral("Upprepad i filen"),
                 QStringLiteral("In der Datei wiederholt")});
        return inCodeText({QStringLiteral("Findes i forvejen"), QStringLiteral("Already there"),
                           QStringLiteral("Finnes fra før"), QStringLiteral("Finns redan"),
                           QStringLiteral("Schon vorhanden")});
    case Kind::Unreadable:
        break;
    }
    return inCodeText({QStringLiteral("Kan ikke læses"), QStringLiteral("Cannot be read"),
                       QStringLiteral("Kan ikke leses"), QStringLiteral("Kan inte läsas"),
                       QStringLiteral("Nicht lesbar")});
}

QStringList columnTitles()
{
    return {
        inCodeText({QStringLiteral("Linje"), QStringLiteral("Line"), QStringLiteral("Linje"),
                    QStringLiteral("Rad"), QStringLiteral("Zeile")}),
        inCodeText({QStringLiteral("Navn"), QStringLiteral("Name"), QStringLiteral("Navn"),
                    QStringLiteral("Namn"), QStringLiteral("Name")}),
        inCodeText({QStringLiteral("Telefon"), QStringLiteral("Phone"), QStringLiteral("Telefon"),
                    QStringLiteral("Telefon"), QStringLiteral("Telefon")}),
        inCodeText({QStringLiteral("Status"), QStringLiteral("Status"), QStringLiteral("Status"),
                    QStringLiteral("Status"), QStringLiteral("Status")}),
        inCodeText({QStringLiteral("Bemærkning"), QStringLiteral("Remark"),
                    QStringLiteral("Merknad"), QStringLiteral("Anmärkning"),
                    QStringLiteral("Bemerkung")})};
}

} // namespace

TImportPreviewForm::TImportPreviewForm(const ImportPreview& preview, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ImportPreviewForm"));
    setWindowTitle(inCodeText({QStringLiteral("Importer vCard"), QStringLiteral("Import vCard"),
                               QStringLiteral("Importer vCard"), QStringLiteral("Importera vCard"),
                               QStringLiteral("vCard importieren")}));
    resize(760, 480);

    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_items = new QTreeWidget(this);
    m_items->setRootIsDecorated(false);
    m_items->setUniformRowHeights(true);
    m_items->setAlternatingRowColors(true);
    m_items->setHeaderLabels(columnTitles());

    auto* duplicates = new QGroupBox(inCodeText({QStringLiteral("Kontakter, der findes i forvejen"),
                                                 QStringLiteral("Contacts that are already there"),
                                                 QStringLiteral("Kontakter som finnes fra før"),
                                                 QStringLiteral("Kontakter som redan finns"),
                                                 QStringLiteral("Bereits vorhandene Kontakte")}),
                                     this);
    m_skip =
        new QRadioButton(inCodeText({QStringLiteral("&Spring over"), QStringLiteral("&Skip"),
                                     QStringLiteral("&Hopp over"), QStringLiteral("&Hoppa över"),
                                     QStringLiteral("Ü&berspringen")}),
                         duplicates);
    m_merge = new QRadioButton(
        inCodeText({QStringLiteral("&Flet: udfyld det, der mangler, og behold resten"),
                    QStringLiteral("&Merge: fill in what is missing and keep the rest"),
                    QStringLiteral("&Flett: fyll ut det som mangler, og behold resten"),
                    QStringLiteral("S&lå samman: fyll i det som saknas och behåll resten"),
                    QStringLiteral("&Zusammenführen: Fehlendes ergänzen, den Rest behalten")}),
        duplicates);
    m_skip->setChecked(true);
    auto* choices = new QVBoxLayout(duplicates);
    choices->addWidget(m_skip);
    choices->addWidget(m_merge);

    m_buttons = new QDialogButtonBox(this);
    QPushButton* import =
        m_buttons->addButton(inCodeText({QStringLiteral("&Importer"), QStringLiteral("&Import"),
                                         QStringLiteral("&Importer"), QStringLiteral("&Importera"),
                                         QStringLiteral("&Importieren")}),
                             QDialogButtonBox::AcceptRole);
    m_buttons->addButton(ExchangeProgress::CancelText(), QDialogButtonBox::RejectRole);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_items, 1);
    layout->addWidget(duplicates);
    layout->addWidget(m_buttons);

    fill(preview);
    const int duplicateCount = preview.count(Kind::Duplicate);
    duplicates->setEnabled(duplicateCount > 0);
    import->setEnabled(preview.count(Kind::New) + duplicateCount > 0);
    import->setDefault(true);
}

void TImportPreviewForm::fill(const ImportPreview& preview)
{
    m_summary->setText(
        inCodeText({QStringLiteral("%1 nye kontakter, %2 findes i forvejen, %3 kan ikke læses."),
                    QStringLiteral("%1 new contacts, %2 already there, %3 cannot be read."),
                    QStringLiteral("%1 nye kontakter, %2 finnes fra før, %3 kan ikke leses."),
                    QStringLiteral("%1 nya kontakter, %2 finns redan, %3 kan inte läsas."),
                    QStringLiteral("%1 neue Kontakte, %2 schon vorhanden, %3 nicht lesbar.")})
            .arg(preview.count(Kind::New))
            .arg(preview.count(Kind::Duplicate))
            .arg(preview.count(Kind::Unreadable)));
    QList<QTreeWidgetItem*> rows;
    rows.reserve(qsizetype(preview.items.size()));
    for (const ImportItem& item : preview.items) {
        QStringList remarks = item.notes;
        if (!item.reason.isEmpty())
            remarks.prepend(item.reason);
        auto* row = new QTreeWidgetItem(
            QStringList{QString::number(item.line), item.contact[ContactField::Navn],
                        item.contact[ContactField::Telefon], statusText(item),
                        remarks.join(QStringLiteral(" "))});
        row->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        if (!remarks.isEmpty())
            row->setToolTip(4, remarks.join(u'\n'));
        rows << row;
    }
    m_items->addTopLevelItems(rows);
    m_items->header()->resizeSection(0, 60);
    m_items->header()->resizeSection(1, 200);
    m_items->header()->resizeSection(2, 110);
    m_items->header()->resizeSection(3, 120);
}

std::optional<DuplicateChoice> TImportPreviewForm::Choice() const
{
    if (result() != QDialog::Accepted)
        return std::nullopt;
    return m_merge->isChecked() ? DuplicateChoice::Merge : DuplicateChoice::Skip;
}

std::optional<DuplicateChoice> TImportPreviewForm::Ask(const ImportPreview& preview,
                                                       QWidget* parent)
{
    TImportPreviewForm form(preview, parent);
    form.exec();
    return form.Choice();
}
