#include "gui/pages/details/DetailsPage.h"

#include "core/data/DM.h"
#include "core/data/PostalLookup.h"
#include "core/search/EasyFind.h"
#include "core/text/AddressText.h"
#include "core/util/DataLocation.h"
#include "core/util/Dialogs.h"
#include "gui/pages/details/ContactPicture.h"
#include "ui_DetailsPage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStyle>

const QString TDetailsPage::BlankDate = QStringLiteral("  -  -    ");

TDetailsPage::TDetailsPage(QWidget* tabSheet, PageHost& host)
    : TPage(tabSheet, host), m_ui(std::make_unique<Ui::DetailsPage>())
{
    m_ui->setupUi(tabSheet);
    m_count = std::make_unique<CountLabel>(m_ui->Label47);
    // Small glyph buttons that, like the old speed buttons, never take the
    // focus from the edit the user is typing in.
    for (QToolButton* b : {m_ui->SpeedButton7, m_ui->SpeedButton8, m_ui->SpeedButton9})
        b->setFocusPolicy(Qt::NoFocus);
    m_ui->SpeedButton7->setIcon(tabSheet->style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    m_ui->SpeedButton9->setIcon(tabSheet->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    m_ui->Edit8->installEventFilter(this);
    m_picture = std::make_unique<ContactPicture>(m_ui->Image2, nullptr, QString(), QString());
    ConnectHandlers();
}

TDetailsPage::~TDetailsPage() = default;

void TDetailsPage::ConnectHandlers()
{
    Ui::DetailsPage& ui = *m_ui;
    connect(ui.DBEdit2, &TDBEdit::exited, this, guarded([this] { DBEdit2Exit(); }));
    connect(ui.DBEdit8, &TDBEdit::exited, this, guarded([this] { DBEdit8Exit(); }));
    connect(ui.DBEdit9, &TDBEdit::exited, this, guarded([this] { DBEdit9Exit(); }));
    connect(ui.DBEdit11, &TDBEdit::exited, this, guarded([this] { DBEdit11Exit(); }));
    connect(ui.DBEdit3, &TDBEdit::exited, this, guarded([this] { DBEdit3Exit(); }));
    connect(ui.SpeedButton9, &QToolButton::clicked, this, guarded([this] { SpeedButton9Click(); }));
    connect(ui.DBDateEdit1, &TDBDateEdit::changed, this, guarded([this] { DBDateEdit1Change(); }));
    connect(ui.PhoneNav, &TDBNavigator::clicked, this,
            guarded([this](TDBNavigator::Button b) { PhoneNavClick(b); }));
    connect(ui.SpeedButton8, &QToolButton::clicked, this, guarded([this] { SpeedButton8Click(); }));
    connect(ui.Button4, &QPushButton::clicked, this, guarded([this] { Button4Click(); }));
    connect(ui.EmailEdit, &QLineEdit::textChanged, this, guarded([this] { EmailEditChange(); }));
    connect(ui.URLEdit, &QLineEdit::textChanged, this, guarded([this] { URLEditChange(); }));
    connect(ui.SpeedButton1, &QPushButton::clicked, this, guarded([this] { SpeedButton1Click(); }));
    connect(ui.SpeedButton7, &QToolButton::clicked, this, guarded([this] { SpeedButton7Click(); }));
}

void TDetailsPage::Bind(TDM& dm)
{
    m_dm = &dm;
    Ui::DetailsPage& ui = *m_ui;
    TDataSource* source = dm.TelefonSource;
    for (TDBEdit* e :
         {ui.DBEdit2, ui.DBEdit8, ui.DBEdit9, ui.DBEdit3, ui.DBEdit10, ui.DBEdit11, ui.DBEdit25,
          ui.DBEdit16, ui.DBEdit15, ui.DBEdit4, ui.DBEdit5, ui.EmailEdit, ui.URLEdit, ui.DBEdit17})
        e->SetDataSource(source);
    ui.DBDateEdit1->SetDataSource(source);
    ui.NotesMemo->SetDataSource(source);
    ui.PhoneNav->SetDataSource(source);
    ui.DBText3->SetDataSource(source);
    ui.DBCheckBox1->SetDataSource(source);
    ui.DBCheckBox2->SetDataSource(source);
    ui.DBLookupComboBox1->SetDataSource(source);
    ui.DBLookupComboBox1->SetListSource(dm.NogleSource);
    m_picture = std::make_unique<ContactPicture>(
        ui.Image2, dm.TelefonTable, DataLocation::pictureFolder(), DataLocation::placeholderFile());
    m_count->bind(dm);
}

void TDetailsPage::LanguageChanged()
{
    m_count->languageChanged();
}

void TDetailsPage::ContactInserted()
{
    m_ui->DBEdit2->setFocus();
}

void TDetailsPage::ShowPlaceholderPicture()
{
    m_picture->ShowPlaceholder();
}

void TDetailsPage::ShowContactPicture()
{
    m_picture->Billede();
}

QString TDetailsPage::Tidied(const QString& text)
{
    static const QString smallLetters = QStringLiteral("abcdefghijklmnopqrstuvwxyzæøåäöü");
    if (text.isEmpty() || !smallLetters.contains(text[0]))
        return text;
    return text[0].toUpper() + text.mid(1);
}

void TDetailsPage::Tidy(TDBEdit* edit)
{
    // Put back always, as if typed: it reaches the record at the next update.
    edit->setText(Tidied(edit->text()));
}

void TDetailsPage::DBEdit2Exit()
{
    Tidy(m_ui->DBEdit2);
}
void TDetailsPage::DBEdit8Exit()
{
    Tidy(m_ui->DBEdit8);
}
void TDetailsPage::DBEdit9Exit()
{
    Tidy(m_ui->DBEdit9);
}
void TDetailsPage::DBEdit11Exit()
{
    Tidy(m_ui->DBEdit11);
}

void TDetailsPage::DBEdit3Exit()
{
    PostalLookup::TownFromCode(*m_dm, m_ui->DBEdit3->text(), QStringLiteral("Bynavn"));
}

void TDetailsPage::SpeedButton9Click()
{
    PostalLookup::CodeFromTown(*m_dm, m_ui->DBEdit3->text(), m_ui->DBEdit10->text(),
                               QStringLiteral("Postnr"));
}

void TDetailsPage::DBDateEdit1Change()
{
    const QString text = m_ui->DBDateEdit1->text();
    if (text != BlankDate)
        m_ui->DBEdit17->setText(text);
}

void TDetailsPage::PhoneNavClick(TDBNavigator::Button button)
{
    switch (button) {
    case TDBNavigator::First:
    case TDBNavigator::Prior:
    case TDBNavigator::Next:
    case TDBNavigator::Last:
        Host().Billede();
        break;
    default:
        break;
    }
}

void TDetailsPage::Edit8KeyDown(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    TEasyFind* search = Host().NameSearch();
    search->SetSearchKey(m_ui->Edit8->text());
    search->FindFirst();
    Host().Billede();
}

void TDetailsPage::SpeedButton8Click()
{
    Host().NameSearch()->FindNext();
    Host().Billede();
}

void TDetailsPage::Button4Click()
{
    m_dm->TelefonTable->SetFiltered(false);
}

void TDetailsPage::EmailEditChange()
{
    m_ui->URLLabel1->ShowAddress(m_ui->EmailEdit->text());
}

void TDetailsPage::URLEditChange()
{
    m_ui->URLLabel2->ShowAddress(m_ui->URLEdit->text());
}

void TDetailsPage::SpeedButton1Click()
{
    const QString chosen = Dialogs::instance().openFileName(QStringLiteral("Billeder (*.jpg)"));
    if (chosen.isEmpty())
        return;
    m_picture->Fetch(chosen);
}

void TDetailsPage::SpeedButton7Click()
{
    QGuiApplication::clipboard()->setText(
        Address::Text(Address::FromCurrentRecord(*m_dm->TelefonTable)));
}

void TDetailsPage::Activated()
{
    Host().Billede();
    m_ui->Edit8->setFocus();
}

bool TDetailsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->Edit8 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        guarded([this, key] { Edit8KeyDown(key); })();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    return QObject::eventFilter(watched, event);
}
