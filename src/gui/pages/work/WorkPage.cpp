#include "gui/pages/work/WorkPage.h"

#include "core/data/DM.h"
#include "core/data/PostalLookup.h"
#include "core/util/Dialogs.h"
#include "ui_WorkPage.h"

#include <QStyle>

TWorkPage::TWorkPage(QWidget* tabSheet, PageHost& host)
    : TPage(tabSheet, host), m_ui(std::make_unique<Ui::WorkPage>())
{
    m_ui->setupUi(tabSheet);
    Ui::WorkPage& ui = *m_ui;
    // Like the details page's town button: it never takes the focus from
    // the edit the user is typing in.
    ui.SpeedButton15->setFocusPolicy(Qt::NoFocus);
    ui.SpeedButton15->setIcon(tabSheet->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    connect(ui.DBEdit12, &TDBEdit::exited, this, guarded([this] { DBEdit12Exit(); }));
    connect(ui.SpeedButton15, &QToolButton::clicked, this,
            guarded([this] { SpeedButton15Click(); }));
    connect(ui.DBEdit22, &QLineEdit::textChanged, this, guarded([this] { DBEdit22Change(); }));
    connect(ui.DBEdit23, &QLineEdit::textChanged, this, guarded([this] { DBEdit23Change(); }));
}

TWorkPage::~TWorkPage() = default;

void TWorkPage::Bind(TDM& dm)
{
    m_dm = &dm;
    Ui::WorkPage& ui = *m_ui;
    for (TDBEdit* e : {ui.DBEdit7, ui.DBEdit6, ui.DBEdit12, ui.DBEdit20, ui.DBEdit19, ui.DBEdit13,
                       ui.DBEdit14, ui.DBEdit21, ui.DBEdit22, ui.DBEdit23})
        e->SetDataSource(dm.TelefonSource);
    ui.DBMemo2->SetDataSource(dm.TelefonSource);
    ui.DBText2->SetDataSource(dm.TelefonSource);
}

void TWorkPage::DBEdit12Exit()
{
    PostalLookup::TownFromCode(*m_dm, m_ui->DBEdit12->text(), QStringLiteral("ArbBy"));
}

void TWorkPage::SpeedButton15Click()
{
    PostalLookup::CodeFromTown(*m_dm, m_ui->DBEdit12->text(), m_ui->DBEdit20->text(),
                               QStringLiteral("ArbPostnr"));
}

void TWorkPage::DBEdit22Change()
{
    m_ui->URLLabel3->ShowAddress(m_ui->DBEdit22->text());
}

void TWorkPage::DBEdit23Change()
{
    m_ui->URLLabel4->ShowAddress(m_ui->DBEdit23->text());
}
