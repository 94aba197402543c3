#include "gui/windows/PhoneForm.h"

#include "core/birthday/BirthdayReminder.h"
#include "core/component/ComponentTree.h"
#include "core/data/DM.h"
#include "core/data/PendingEdits.h"
#include "core/i18n/InCodeText.h"
#include "core/i18n/LanguageSource.h"
#include "core/i18n/QtStandardTexts.h"
#include "core/report/ListReport.h"
#include "core/search/EasyFind.h"
#include "core/util/DataLocation.h"
#include "core/util/Dialogs.h"
#include "core/util/JpegLoader.h"
#include "core/util/ProgramFolder.h"
#include "core/util/RestoreOnError.h"
#include "gui/backup/BackupCommands.h"
#include "gui/controls/URLLabel.h"
#include "gui/i18n/FormLocalizer.h"
#include "gui/layout/FormResizer.h"
#include "gui/pages/birthdays/BirthdaysPage.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/pages/family/FamilyPage.h"
#include "gui/pages/overview/OverviewPage.h"
#include "gui/pages/work/WorkPage.h"
#include "gui/vcard/ExchangeCommands.h"
#include "gui/windows/AboutBox.h"
#include "gui/windows/BuiltInPictures.h"
#include "gui/windows/Information.h"
#include "gui/windows/JustOne.h"
#include "gui/windows/NogleForm.h"
#include "ui_PhoneForm.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace {

const char* const LanguageNames[] = {"Dansk", "English", "Norsk", "Svensk", "Deutsch"};

// The data folder is found relative to the working directory, which only the
// program folder (or the launcher, which changes into it) gives.
const InCodeTexts MissingDataFolder = {
    QStringLiteral("Datamappen %1 findes ikke.\n\nKalvindo skal startes fra sin programmappe "
                   "eller med kalvindo.sh i den mappe. Programmet kører videre uden data."),
    QStringLiteral("The data folder %1 does not exist.\n\nKalvindo must be started from its "
                   "program folder or with kalvindo.sh in that folder. The program goes on "
                   "without data."),
    QStringLiteral("Datamappen %1 finnes ikke.\n\nKalvindo må startes fra programmappen sin "
                   "eller med kalvindo.sh i den mappen. Programmet fortsetter uten data."),
    QStringLiteral("Datamappen %1 finns inte.\n\nKalvindo måste startas från sin programmapp "
                   "eller med kalvindo.sh i den mappen. Programmet fortsätter utan data."),
    QStringLiteral("Der Datenordner %1 existiert nicht.\n\nKalvindo muss aus seinem "
                   "Programmordner oder mit kalvindo.sh in diesem Ordner gestartet werden. Das "
                   "Programm läuft ohne Daten weiter.")};
// An installed program makes its data folder at start; only a failure to make
// it, told just before, leaves it missing.
const InCodeTexts MissingUserDataFolder = {
    QStringLiteral("Datamappen %1 findes ikke. Programmet kører videre uden data."),
    QStringLiteral("The data folder %1 does not exist. The program goes on without data."),
    QStringLiteral("Datamappen %1 finnes ikke. Programmet fortsetter uten data."),
    QStringLiteral("Datamappen %1 finns inte. Programmet fortsätter utan data."),
    QStringLiteral("Der Datenordner %1 existiert nicht. Das Programm läuft ohne Daten weiter.")};

} // namespace

TPhoneForm::TPhoneForm(QWidget* parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::PhoneForm>())
{
    BuiltInPictures::load();
    ComponentTree::beginLoading(this);
    m_ui->setupUi(this);
    m_justOne = new TJustOne(this);
    m_justOne->setObjectName(QStringLiteral("JustOne1"));
    // A caption bar with the system menu and the close button, and no
    // maximise button. The window can be minimised: window managers that
    // read the window's hints tie the minimise function to the minimise
    // button, so it has to be asked for here.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    m_details = AddPage<TDetailsPage>(m_ui->TabSheet1);
    m_family = AddPage<TFamilyPage>(m_ui->TabSheet2);
    m_work = AddPage<TWorkPage>(m_ui->TabSheet3);
    m_overview = AddPage<TOverviewPage>(m_ui->TabSheet4);
    m_birthdays = AddPage<TBirthdaysPage>(m_ui->TabSheet5);
    m_easyFind2 = new TEasyFind(this, QStringLiteral("EasyFind2"));
    m_easyFind2->SetSearchField(QStringLiteral("Navn"));
    connect(m_ui->PageControl1, &QTabWidget::currentChanged, this,
            guarded([this](int index) { PageControl1Change(index); }));
    connect(m_ui->Nogleord1, &QAction::triggered, this, guarded([this] { Nogleord1Click(); }));
    connect(m_ui->CopyAddress1, &QAction::triggered, this,
            guarded([this] { CopyAddress1Click(); }));
    connect(m_ui->Dataplacering1, &QAction::triggered, this,
            guarded([this] { Dataplacering1Click(); }));
    connect(m_ui->Help, &QAction::triggered, this, guarded([this] { HelpClick(m_ui->Help); }));
    connect(m_ui->Omprogrammet1, &QAction::triggered, this,
            guarded([this] { Omprogrammet1Click(); }));
    connect(m_ui->Udskriv1, &QAction::triggered, this, guarded([this] { Udskriv1Click(); }));
    connect(m_ui->Afslut1, &QAction::triggered, this, guarded([this] { Afslut1Click(); }));
    m_exchange = std::make_unique<ExchangeCommands>(this);
    connect(m_ui->ImporterVCard1, &QAction::triggered, this,
            guarded([this] { m_exchange->ImportVCards(); }));
    connect(m_ui->EksporterVCard1, &QAction::triggered, this,
            guarded([this] { m_exchange->ExportVCards(); }));
    connect(m_ui->Fodselsdagskalender1, &QAction::triggered, this,
            guarded([this] { m_exchange->ExportCalendar(); }));
    m_backup = std::make_unique<BackupCommands>(this);
    connect(m_ui->SikkerhedskopierNu1, &QAction::triggered, this,
            guarded([this] { m_backup->BackupNow(); }));
    connect(m_ui->GendanSikkerhedskopi1, &QAction::triggered, this,
            guarded([this] { m_backup->RestoreBackup(); }));
    connect(m_ui->Afslut2, &QAction::triggered, this, guarded([this] { Afslut1Click(); }));
    const std::pair<QAction*, void (TPhoneForm::*)()> languageItems[] = {
        {m_ui->Dansk, &TPhoneForm::DanskClick},
        {m_ui->English, &TPhoneForm::EnglishClick},
        {m_ui->Norsk, &TPhoneForm::NorskClick},
        {m_ui->Svensk, &TPhoneForm::SvenskClick},
        {m_ui->Deutsch, &TPhoneForm::DeutschClick}};
    for (const auto& [item, handler] : languageItems)
        connect(item, &QAction::triggered, this,
                guarded([this, handler = handler] { (this->*handler)(); }));
    CreateAboutBox();
    m_resizer = new TFormResizer(this);
    m_resizer->setObjectName(QStringLiteral("FormResizer1"));
    m_resizer->SetResizeFonts(true);
    m_resizer->SetMinFontSize(8);
    m_resizer->SetMaxFontSize(48);
    CreateLocalisation();
    ComponentTree::endLoading(this);
    FormCreate();
}

TPhoneForm::~TPhoneForm() = default;

template <typename Page> Page* TPhoneForm::AddPage(QWidget* tabSheet)
{
    auto page = std::make_unique<Page>(tabSheet, *this);
    Page* made = page.get();
    m_pages.push_back(std::move(page));
    return made;
}

QString TPhoneForm::LanguageName(int languageIndex)
{
    if (languageIndex < -1 || languageIndex > 3)
        return QString();
    return QString::fromLatin1(LanguageNames[languageIndex + 1]);
}

void TPhoneForm::SetDataModule(TDM* dm)
{
    m_dm = dm;
    m_exchange->SetDataModule(dm);
    m_backup->SetDataModule(dm);
    if (!dm)
        return;
    for (const auto& page : m_pages)
        page->Bind(*dm);
    m_easyFind2->SetDataSource(dm->TelefonSource);
    dm->SetHost(this);
}

void TPhoneForm::Nogleord1Click()
{
    if (m_nogleForm)
        Dialogs::instance().runModal(m_nogleForm, [this] { return m_nogleForm->exec(); });
}

void TPhoneForm::Dataplacering1Click()
{
    // The folder the tables are opened from is the one the user must back up.
    Information::showDataLocation(DataLocation::dataFolder());
}

void TPhoneForm::HelpClick(QObject* sender)
{
    Information::openHelp(sender);
}

void TPhoneForm::Omprogrammet1Click()
{
    m_aboutBox->Execute();
}

void TPhoneForm::CreateAboutBox()
{
    m_aboutBox = new TAboutBox(this);
    m_aboutBox->setObjectName(QStringLiteral("AboutBox1"));
    m_aboutBox->SetAppName(QStringLiteral("Kalvindo"));
    m_aboutBox->SetCopyright(
        QStringLiteral("Copyright © 2024–2025 Kalvindo. Alle rettigheder forbeholdes."));
    try {
        m_aboutBox->SetPicture(JpegLoader::load(QStringLiteral(":/pictures/About.jpg")));
    } catch (const Exception&) {
        // Without its picture the about window shows at its design size.
    }
}

void TPhoneForm::Billede()
{
    m_details->ShowContactPicture();
}

void TPhoneForm::CopyAddress1Click()
{
    m_details->SpeedButton7Click();
}

void TPhoneForm::Udskriv1Click()
{
    if (m_dm)
        TListReportForm::PrintPhoneList(*m_dm->TelefonTable);
}

void TPhoneForm::PageControl1Change(int index)
{
    if (m_pageFromCode)
        return;
    for (const auto& page : m_pages)
        if (page->TabSheet() == m_ui->PageControl1->widget(index))
            page->Activated();
}

void TPhoneForm::ShowDetailsPage()
{
    // Brought forward from code: the page-switch handler does not run.
    m_pageFromCode = true;
    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet1);
    m_pageFromCode = false;
}

void TPhoneForm::ContactInserted()
{
    ShowDetailsPage();
    m_details->ContactInserted();
}

void TPhoneForm::FamilyMemberInserted()
{
    m_family->MemberInserted();
}

QString TPhoneForm::LanguageCaption() const
{
    return m_ui->Sproget->text();
}

void TPhoneForm::KeywordInserted()
{
    if (m_nogleForm)
        m_nogleForm->KeywordInserted();
}

void TPhoneForm::ShowPlaceholderPicture()
{
    m_details->ShowPlaceholderPicture();
}

QTabWidget* TPhoneForm::PageControl1() const
{
    return m_ui->PageControl1;
}
QLabel* TPhoneForm::Sproget() const
{
    return m_ui->Sproget;
}
QAction* TPhoneForm::HelpItem() const
{
    return m_ui->Help;
}

QAction* TPhoneForm::LanguageItem(int languageIndex) const
{
    QAction* const items[] = {m_ui->Dansk, m_ui->English, m_ui->Norsk, m_ui->Svensk, m_ui->Deutsch};
    return languageIndex >= -1 && languageIndex <= 3 ? items[languageIndex + 1] : nullptr;
}

void TPhoneForm::FormCreate()
{
    // The desktop's own font; controls with a font of their own keep it.
    setFont(QGuiApplication::font());
    m_ui->ShadowLabel1->setFont(QFont(QStringLiteral("Times New Roman"), -1, QFont::Bold));
    QFont title = m_ui->ShadowLabel1->font();
    title.setPixelSize(96);
    m_ui->ShadowLabel1->setFont(title);
    LoadFrontPictures();
    // Before any stored size arrives: the layout as designed is the reference.
    m_resizer->InitializeResizing();
    LanguageDisplayUpdate();
}

void TPhoneForm::LoadFrontPictures()
{
    // Built into the program; a broken picture leaves its place empty.
    const std::pair<QLabel*, const char*> pictures[] = {{m_ui->Image3, ":/pictures/Forside.jpg"},
                                                        {m_ui->Image1, ":/pictures/Logo.jpg"}};
    for (const auto& [label, resource] : pictures) {
        try {
            label->setPixmap(QPixmap::fromImage(JpegLoader::load(QString::fromLatin1(resource))));
        } catch (const Exception&) {
            label->clear();
        }
    }
}

void TPhoneForm::CreateLocalisation()
{
    m_languageSource = new TQLanguageSource(this);
    m_languageSource->setObjectName(QStringLiteral("QLanguageSource1"));
    QStringList languages;
    for (const QString& name : {QStringLiteral("English"), QStringLiteral("Norsk"),
                                QStringLiteral("Svensk"), QStringLiteral("Deutsch")})
        languages << name + u'=' + ProgramFolder::languageFile(name + QStringLiteral(".lng"));
    m_languageSource->SetLanguages(languages);
    m_languageSource->SetOriginalName(QStringLiteral("Dansk"));
    m_localizer = new TQFormLocalizer(this);
    m_localizer->setObjectName(QStringLiteral("QFormLocalizer1"));
    m_localizer->SetPropNames({QStringLiteral("Caption"), QStringLiteral("Hint"),
                               QStringLiteral("Warning"), QStringLiteral("Columns")});
    // The links follow the current contact, whatever the language; the help
    // item's hint is the page of the active language.
    m_localizer->SetExcluded(TURLLabel::ComposedTexts(this) << QStringLiteral("Help.Hint"));
    m_localizer->SetSource(m_languageSource);
    InCodeText::setSource(m_languageSource);
    m_languageSource->OnLanguageChanged = [this](QObject*) { LanguageChanged(); };
    m_qtTexts = new TQtStandardTexts(this);
    // Named, so that the end of loading reaches it and it registers.
    m_qtTexts->setObjectName(QStringLiteral("QtStandardTexts1"));
    m_qtTexts->SetSource(m_languageSource);
}

int TPhoneForm::LanguageIndex() const
{
    return m_languageSource->ActiveLanguage();
}

void TPhoneForm::LanguageDisplayUpdate()
{
    setWindowTitle(QStringLiteral("Kalvindo"));
    ShowLanguage(LanguageIndex());
}

void TPhoneForm::ShowLanguage(int languageIndex)
{
    m_ui->Sproget->setText(LanguageName(languageIndex));
    for (int i = -1; i <= 3; ++i)
        LanguageItem(i)->setChecked(i == languageIndex);
    m_ui->Help->setToolTip(Information::helpPagePath(languageIndex));
}

void TPhoneForm::SetActiveLanguage(int languageIndex)
{
    // A stored index the program cannot have written is taken as Danish, so
    // that a damaged configuration never keeps the tables closed.
    m_languageSource->SetActiveLanguage((languageIndex >= -1 && languageIndex <= 3) ? languageIndex
                                                                                    : -1);
}

void TPhoneForm::SelectLanguage(int languageIndex)
{
    m_languageSource->SetActiveLanguage(languageIndex);
    // After the translation, so the label names the language whatever a
    // language file says of it.
    ShowLanguage(languageIndex);
}

void TPhoneForm::LanguageChanged()
{
    for (const auto& page : m_pages)
        page->LanguageChanged();
}

QSize TPhoneForm::OuterSize() const
{
    const QSize client = isMinimized() ? normalGeometry().size() : size();
    const QSize frame = frameGeometry().size() - geometry().size();
    return client + (isVisible() ? frame : QSize());
}

void TPhoneForm::SetOuterSize(QSize outer)
{
    // A size of 0, a negative one or one larger than the screen cannot be
    // meant: take the designed size, within what the screen offers.
    const QRect available =
        screen() ? screen()->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
    if (outer.width() <= 0 || outer.height() <= 0 || outer.width() > available.width() ||
        outer.height() > available.height())
        outer = QSize(DesignWidth, DesignHeight).boundedTo(available.size());
    m_outerSize = outer;
    const QSize frame = isVisible() ? frameGeometry().size() - geometry().size() : QSize();
    resize(outer - frame);
}

void TPhoneForm::FormShow()
{
    m_ui->Help->setToolTip(Information::helpPagePath(LanguageIndex()));
    if (!m_dm)
        return;
    // Without its folder every table would fail on its own: one box instead.
    if (const QFileInfo folder(m_dm->DataFolderPath()); !folder.isDir()) {
        ErrorBox::show(
            inCodeText(ProgramFolder::installed() ? MissingUserDataFolder : MissingDataFolder)
                .arg(QDir::toNativeSeparators(folder.absoluteFilePath())));
        SetOuterSize(QSize());
        LanguageDisplayUpdate();
        return;
    }
    TTable& config = *m_dm->ConfigTable;
    QString datapost;
    try {
        config.Open();
        datapost = config.FieldByName(QStringLiteral("Datapost")).AsString();
        const int language = int(config.FieldByName(QStringLiteral("Sprog")).AsInteger());
        SetOuterSize(QSize(int(config.FieldByName(QStringLiteral("W_Main")).AsInteger()),
                           int(config.FieldByName(QStringLiteral("H_Main")).AsInteger())));
        SetActiveLanguage(language);
    } catch (const std::exception& e) {
        ErrorBox::show(e);
        SetOuterSize(QSize());
    }
    LanguageDisplayUpdate();
    OpenContactTables();
    TTable& contacts = *m_dm->TelefonTable;
    if (!contacts.Active())
        return;
    // The controls show the table once, as the restore leaves it, and not
    // also filtered to the birthday cards and unfiltered again.
    contacts.ChangeAsOne([&] {
        try {
            BirthdayReminder::run(contacts, QDate::currentDate());
        } catch (const std::exception& e) {
            ErrorBox::show(e);
        }
        try {
            contacts.SetFiltered(false);
            RestoreCurrentContact(datapost);
        } catch (const std::exception& e) {
            ErrorBox::show(e);
        }
    });
}

void TPhoneForm::OpenContactTables()
{
    // Each table on its own: one that cannot be opened is reported by name
    // and the program goes on with the others.
    for (TTable* table : m_dm->ContactTables()) {
        try {
            table->Open();
        } catch (const std::exception& e) {
            ErrorBox::show(e);
        }
    }
}

void TPhoneForm::RestoreCurrentContact(const QString& datapost)
{
    if (datapost.isEmpty())
        return;
    m_dm->TelefonTable->Locate(QStringLiteral("Telefon"), datapost);
}

void TPhoneForm::ShowMain()
{
    FormShow();
    show();
    // The frame is known once the window is shown: the stored size is the
    // outer size, frame included.
    if (m_outerSize.isValid())
        SetOuterSize(m_outerSize);
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TPhoneForm::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    // Last, once everything the user typed is in the files.
    const auto backUp = qScopeGuard([this] { m_backup->AtClose(); });
    if (!m_dm || !m_dm->ConfigTable->Active())
        return;
    TTable& config = *m_dm->ConfigTable;
    try {
        // A configuration that cannot be saved is not left half written.
        const auto cancel = restoreOnError([&config] { config.Cancel(); });
        config.Edit();
        config.FieldByName(QStringLiteral("Sprog")).SetAsInteger(LanguageIndex());
        TTable& contacts = *m_dm->TelefonTable;
        const QString phone = contacts.Active() && contacts.CurrentIndex() >= 0
                                  ? contacts.FieldByName(QStringLiteral("Telefon")).AsString()
                                  : QString();
        config.FieldByName(QStringLiteral("Datapost")).SetAsString(phone);
        const QSize outer = OuterSize();
        config.FieldByName(QStringLiteral("H_Main")).SetAsInteger(outer.height());
        config.FieldByName(QStringLiteral("W_Main")).SetAsInteger(outer.width());
        config.Post();
    } catch (const std::exception& e) {
        ErrorBox::show(e);
    }
}

bool TPhoneForm::SavePendingEdits()
{
    if (!m_dm)
        return true;
    try {
        postPendingEdits(*m_dm);
    } catch (const std::exception& e) {
        ErrorBox::show(e);
        return false;
    }
    return true;
}

void TPhoneForm::closeEvent(QCloseEvent* event)
{
    // What the user typed is saved before the window goes; a record that
    // cannot be saved keeps the window open so that it can be corrected.
    if (!m_closed && !SavePendingEdits()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TPhoneForm::FormResize()
{
    if (m_resizer)
        m_resizer->ResizeAll();
}

void TPhoneForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TPhoneForm::Afslut1Click()
{
    close();
}
