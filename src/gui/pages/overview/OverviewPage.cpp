#include "gui/pages/overview/OverviewPage.h"

#include "core/data/DM.h"
#include "core/search/EasyFind.h"
#include "core/search/Matcher.h"
#include "core/store/FilterText.h"
#include "core/util/Dialogs.h"
#include "gui/controls/DBGrid.h"
#include "gui/controls/DBLookupComboBox.h"
#include "ui_OverviewPage.h"

#include <QStyle>

namespace {

const QString NameField = QStringLiteral("Navn");
const QString NumberField = QStringLiteral("Telefon");
const QString NumberLabel = QStringLiteral("Telefonnr");
const QString NumberIndex = QStringLiteral("IndexTelefon");

} // namespace

TOverviewPage::TOverviewPage(QWidget* tabSheet, PageHost& host)
    : TPage(tabSheet, host), m_ui(std::make_unique<Ui::OverviewPage>())
{
    m_ui->setupUi(tabSheet);
    m_count = std::make_unique<CountLabel>(m_ui->Label46);
    m_easyFind1 = new TEasyFind(this, QStringLiteral("EasyFind1"));
    m_easyFind1->SetSearchField(NameField);
    m_ui->SpeedButton17->setIcon(tabSheet->style()->standardIcon(QStyle::SP_FileDialogStart));
    // The find-next button leaves the focus in the search box, where the
    // user goes on typing.
    m_ui->SpeedButton6->setFocusPolicy(Qt::NoFocus);
    AddColumns();
    ConnectHandlers();
}

TOverviewPage::~TOverviewPage() = default;

void TOverviewPage::AddColumns()
{
    // Widths in pixels where the grid is designed with one; the others take
    // their field's width.
    const std::pair<const char*, int> columns[] = {
        {"Navn", 220},  {"Telefon", 0},   {"Adresse1", 219},    {"Adresse2", 229},
        {"Postnr", 51}, {"Bynavn", 171},  {"AltTelefon", 0},    {"Hjemmeside", 0},
        {"Fax", 0},     {"EMail", 0},     {"Fodselsdag", 0},    {"FKort", 0},
        {"JKort", 0},   {"FKortDato", 0}, {"Mobil", 0},         {"Lokal", 0},
        {"Land", 0},    {"ArbFirma", 0},  {"ArbAdresse", 0},    {"ArbPostnr", 0},
        {"ArbBy", 0},   {"ArbTfl", 0},    {"ArbLokal", 0},      {"ArbAltNr", 0},
        {"ArbFax", 0},  {"ArbMail", 0},   {"ArbHjemmeside", 0}, {"Nogleord", 0}};
    TDBGridColumns& grid = *m_ui->DBGrid1->Columns();
    for (const auto& [field, width] : columns) {
        const QString name = QString::fromLatin1(field);
        grid.Add(name, name == QLatin1String("Fodselsdag") ? QStringLiteral("Fødselsdag") : name,
                 width);
    }
}

void TOverviewPage::ConnectHandlers()
{
    Ui::OverviewPage& ui = *m_ui;
    connect(ui.Find, &QLineEdit::textChanged, this, guarded([this] { FindChange(); }));
    // Only the button that becomes checked sorts: choosing the checked one
    // again changes nothing.
    connect(ui.RadioButton1, &QRadioButton::toggled, this, guarded([this](bool checked) {
                if (checked)
                    RadioButton1Click();
            }));
    connect(ui.RadioButton2, &QRadioButton::toggled, this, guarded([this](bool checked) {
                if (checked)
                    RadioButton2Click();
            }));
    connect(ui.DBLookupComboBox2, &TDBLookupComboBox::clicked, this,
            guarded([this] { DBLookupComboBox2Click(); }));
    connect(ui.SpeedButton14, &QPushButton::clicked, this,
            guarded([this] { SpeedButton14Click(); }));
    connect(ui.SpeedButton6, &QToolButton::clicked, this, guarded([this] { SpeedButton6Click(); }));
    connect(ui.DBGrid1, &TDBGrid::dblClick, this, guarded([this] { DBGrid1DblClick(); }));
    connect(ui.SpeedButton17, &QPushButton::clicked, this, guarded([this] { Udskriv1Click(); }));
}

void TOverviewPage::Bind(TDM& dm)
{
    m_dm = &dm;
    m_ui->DBGrid1->SetDataSource(dm.TelefonSource);
    m_ui->DBLookupComboBox2->SetListSource(dm.NogleSource);
    m_easyFind1->SetDataSource(dm.TelefonSource);
    m_count->bind(dm);
}

void TOverviewPage::LanguageChanged()
{
    m_count->languageChanged();
}

TTable& TOverviewPage::Contacts() const
{
    return *m_dm->TelefonTable;
}

bool TOverviewPage::ByNumber() const
{
    return m_ui->RadioButton2->isChecked();
}

void TOverviewPage::FindChange()
{
    const QString text = m_ui->Find->text();
    if (ByNumber()) {
        // An empty box matches nothing, as in name mode: clearing it (or
        // switching the sort) leaves the current contact where it is.
        if (!text.isEmpty())
            Contacts().Locate(NumberField, text, {.caseInsensitive = true, .partialKey = true});
        return;
    }
    m_easyFind1->SetSearchKey(text);
    m_easyFind1->FindFirst();
}

QString TOverviewPage::FindCaption(const QString& languageName, bool byNumber)
{
    struct Captions
    {
        const char* language;
        QString byName;
        QString byNumber;
    };
    static const Captions captions[] = {
        {"Dansk", QStringLiteral("Find navn."), QStringLiteral("Find telefonr.")},
        {"Norsk", QStringLiteral("Søk navn."), QStringLiteral("Find telefonr.")},
        {"Svensk", QStringLiteral("Sök namn."), QStringLiteral("Find telefonr.")},
        {"English", QStringLiteral("Search name"), QStringLiteral("Search phoneno.")}};
    for (const Captions& c : captions)
        if (languageName == QLatin1String(c.language))
            return byNumber ? c.byNumber : c.byName;
    return QString();
}

void TOverviewPage::SortBy(const QString& indexName, bool byNumber)
{
    m_ui->Find->setFocus();
    Contacts().SetIndexName(indexName);
    m_ui->Find->setText(QString());
    if (const QString caption = FindCaption(Host().LanguageCaption(), byNumber); !caption.isEmpty())
        m_ui->Label16->setText(caption);
    m_easyFind1->SetSearchField(byNumber ? NumberLabel : NameField);
}

void TOverviewPage::RadioButton1Click()
{
    SortBy(QString(), false);
}

void TOverviewPage::RadioButton2Click()
{
    SortBy(NumberIndex, true);
}

QString TOverviewPage::KeywordFilter(const QString& keyword)
{
    return QStringLiteral("Nogleord = ") + FilterText::quoted(keyword);
}

void TOverviewPage::DBLookupComboBox2Click()
{
    TTable& contacts = Contacts();
    contacts.SetFilter(KeywordFilter(m_ui->DBLookupComboBox2->KeyValue()));
    contacts.SetFiltered(true);
}

void TOverviewPage::SpeedButton14Click()
{
    Contacts().SetFiltered(false);
}

void TOverviewPage::SpeedButton6Click()
{
    if (ByNumber())
        FindNextNumber();
    else
        m_easyFind1->FindNext();
}

// The numbers are searched as the box searches them, from their beginning
// and ignoring case, in the grid's order; after the last match the current
// contact stays.
void TOverviewPage::FindNextNumber()
{
    const QString text = m_ui->Find->text();
    if (text.isEmpty())
        throw EDBSearchError();
    TTable& contacts = Contacts();
    contacts.CheckBrowseMode();
    m_numbers.refresh(contacts, contacts.FieldByName(NumberField).Index(), false);
    const int found = m_numbers.findPrefix(contacts.CurrentIndex() + 1, Matcher::upperCase(text));
    if (found >= 0)
        contacts.MoveToIndex(found);
}

void TOverviewPage::DBGrid1DblClick()
{
    Host().ShowDetailsPage();
    Host().Billede();
}

void TOverviewPage::Udskriv1Click()
{
    Host().PrintPhoneList();
}
