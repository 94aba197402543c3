#include "gui/pages/family/FamilyPage.h"

#include "core/data/DM.h"
#include "core/i18n/InCodeText.h"
#include "core/util/Dialogs.h"
#include "ui_FamilyPage.h"

TFamilyPage::TFamilyPage(QWidget* tabSheet, PageHost& host)
    : TPage(tabSheet, host), m_ui(std::make_unique<Ui::FamilyPage>())
{
    m_ui->setupUi(tabSheet);
    TDBGridColumns& columns = *m_ui->DBGrid3->Columns();
    columns.Add(QStringLiteral("FamNavn"), QStringLiteral("Navn"), 269);
    columns.Add(QStringLiteral("FamTelefon"), QStringLiteral("Telefon"), 101);
    columns.Add(QStringLiteral("Fodselsdag"), QStringLiteral("Fødselsdag"), 107);
    columns.Add(QStringLiteral("Relation"), QStringLiteral("Familie relation"), 225);
    Ui::FamilyPage& ui = *m_ui;
    connect(ui.Button1, &QPushButton::clicked, this, guarded([this] { Button1Click(); }));
    connect(ui.Button2, &QPushButton::clicked, this, guarded([this] { Button2Click(); }));
    connect(ui.Button3, &QPushButton::clicked, this, guarded([this] { Button3Click(); }));
}

TFamilyPage::~TFamilyPage() = default;

void TFamilyPage::Bind(TDM& dm)
{
    m_dm = &dm;
    Ui::FamilyPage& ui = *m_ui;
    ui.DBText1->SetDataSource(dm.TelefonSource);
    TDataSource* members = dm.FamilieSource;
    for (TDBEdit* e : {ui.SpouseEdit, ui.DBEdit1, ui.DBEdit24, ui.DBEdit26})
        e->SetDataSource(members);
    ui.DBDateEdit2->SetDataSource(members);
    ui.DBMemo1->SetDataSource(members);
    ui.DBGrid3->SetDataSource(members);
}

void TFamilyPage::MemberInserted()
{
    m_ui->SpouseEdit->setFocus();
}

QString TFamilyPage::DeleteQuestion(const QString& familyName)
{
    const QString danish = QStringLiteral("Er du sikker på, at du vil slette ");
    return inCodeText({danish, QStringLiteral("Are you sure you want to delete "), danish, danish,
                       danish}) +
           familyName + u'?';
}

void TFamilyPage::Button1Click()
{
    // The link fills in the contact's Navn and Telefon; the insert rule
    // puts the focus into the name.
    m_dm->FamilieTable->Insert();
}

void TFamilyPage::Button2Click()
{
    TTable& members = *m_dm->FamilieTable;
    // With no member shown there is nobody to name or delete.
    if (members.State() != DataSetState::Insert && members.IsEmpty())
        return;
    const QString name = members.FieldByName(QStringLiteral("FamNavn")).AsString();
    if (Dialogs::instance().message(MessageKind::Confirmation, DeleteQuestion(name), Yes | No) ==
        Yes)
        members.Delete(); // a member still being inserted is dropped instead
}

void TFamilyPage::Button3Click()
{
    TTable& members = *m_dm->FamilieTable;
    if (members.IsEditing())
        members.Post();
}
