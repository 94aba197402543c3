#include "gui/pages/birthdays/BirthdaysPage.h"

#include "core/birthday/BirthdayFilter.h"
#include "core/data/DM.h"
#include "core/report/ListReport.h"
#include "core/util/Dialogs.h"
#include "ui_BirthdaysPage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>

namespace {

// Danish in every language but English (and German, where it has its own).
InCodeTexts danishBut(const QString& danish, const QString& english,
                      const QString& german = QString())
{
    return {danish, english, danish, danish, german.isEmpty() ? danish : german};
}

const InCodeTexts DayMessage = danishBut(
    QStringLiteral("Der skal indtastes 2 cifre, skriv f.eks. 04 hvis datoen er den 4. i måneden"),
    QStringLiteral("You must write 2 digits, e.g. 04 if the date is the 4th in a month"));
const InCodeTexts MissingValues = danishBut(QStringLiteral("Angiv Startdag, Slutdag og Måned"),
                                            QStringLiteral("Write first day, last day and month"));
const InCodeTexts MonthMessage =
    danishBut(QStringLiteral("Der skal indtastes 2 cifre, skriv f.eks. 04 hvis måneden er april!"),
              QStringLiteral("You must write 2 digits e.g. 04 if the month is april!"));
const InCodeTexts BirthdayCardTitle =
    danishBut(QStringLiteral("Fødselsdagskort"), QStringLiteral("Birthday card"),
              QStringLiteral("Geburtstag Karte"));
const InCodeTexts ChristmasCardTitle =
    danishBut(QStringLiteral("Julekort"), QStringLiteral("Christmas card"),
              QStringLiteral("Weinachts Karte"));

// The family search speaks Danish in every language.
constexpr int Danish = -1;

void say(const InCodeTexts& texts, int languageIndex)
{
    Dialogs::instance().message(MessageKind::Information, InCodeText::textFor(languageIndex, texts),
                                Ok);
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TBirthdaysPage::TBirthdaysPage(QWidget* tabSheet, PageHost& host)
    : TPage(tabSheet, host), m_ui(std::make_unique<Ui::BirthdaysPage>())
{
    m_ui->setupUi(tabSheet);
    Ui::BirthdaysPage& ui = *m_ui;
    const QIcon search = tabSheet->style()->standardIcon(QStyle::SP_FileDialogContentsView);
    ui.SpeedButton13->setIcon(search);
    ui.SpeedButton5->setIcon(search);
    TDBGridColumns& contacts = *ui.DBGrid2->Columns();
    contacts.Add(QStringLiteral("Fodselsdag"), QStringLiteral("Fødselsdag"));
    const std::pair<const char*, int> contactColumns[] = {
        {"Navn", 218},     {"Telefon", 92}, {"Mobil", 93},   {"Adresse1", 266},
        {"Adresse2", 264}, {"Postnr", 52},  {"Bynavn", 172}, {"AltTelefon", 95}};
    for (const auto& [field, width] : contactColumns)
        contacts.Add(QLatin1String(field), QString(), width);
    TDBGridColumns& family = *ui.DBGrid4->Columns();
    family.Add(QStringLiteral("Fodselsdag"), QStringLiteral("Fødselsdag"));
    family.Add(QStringLiteral("Telefon"));
    family.Add(QStringLiteral("FamNavn"), QStringLiteral("Navn"));
    family.Add(QStringLiteral("Relation"));
    family.Add(QStringLiteral("FamTelefon"), QStringLiteral("Telefon"));
    for (QLineEdit* box : {ui.Edit2, ui.Edit3, ui.Edit4, ui.Edit5, ui.Edit6, ui.Edit7})
        box->installEventFilter(this);
    tabSheet->setFocusPolicy(Qt::TabFocus);
    ConnectHandlers();
}

TBirthdaysPage::~TBirthdaysPage() = default;

void TBirthdaysPage::ConnectHandlers()
{
    Ui::BirthdaysPage& ui = *m_ui;
    connect(ui.SpeedButton13, &QToolButton::clicked, this,
            guarded([this] { SpeedButton13Click(); }));
    connect(ui.SpeedButton5, &QToolButton::clicked, this, guarded([this] { SpeedButton5Click(); }));
    connect(ui.SpeedButton2, &QToolButton::clicked, this, guarded([this] { SpeedButton2Click(); }));
    connect(ui.SpeedButton3, &QToolButton::clicked, this, guarded([this] { SpeedButton3Click(); }));
    connect(ui.SpeedButton4, &QToolButton::clicked, this, guarded([this] { SpeedButton4Click(); }));
    connect(qApp, &QApplication::focusChanged, this,
            guarded([this](QWidget* old, QWidget* now) { FocusChanged(old, now); }));
}

void TBirthdaysPage::Bind(TDM& dm)
{
    m_dm = &dm;
    m_ui->DBGrid2->SetDataSource(dm.TelefonSource);
    m_ui->DBGrid4->SetDataSource(dm.FamAllSource);
}

void TBirthdaysPage::Activated()
{
    // Brought forward, the page holds the focus itself, as a tab does, not
    // in a day box the toolkit chose: a box is checked on leaving only once
    // the user went into it.
    Ui::BirthdaysPage& ui = *m_ui;
    const QWidget* focus = QApplication::focusWidget();
    for (const QLineEdit* box : {ui.Edit2, ui.Edit3, ui.Edit5, ui.Edit6}) {
        if (focus == box) {
            m_returningFocus = true;
            TabSheet()->setFocus(Qt::OtherFocusReason);
            m_returningFocus = false;
        }
    }
}

void TBirthdaysPage::LanguageChanged()
{
    if (m_cardListTitle)
        m_ui->Label33->setText(inCodeText(*m_cardListTitle));
}

// --- the birthday span --------------------------------------------------------

void TBirthdaysPage::CheckDayBox(QLineEdit* box)
{
    if (box->text().size() == 2)
        return;
    say(DayMessage, InCodeText::activeLanguage());
    m_returningFocus = true;
    box->setFocus(Qt::OtherFocusReason);
    m_returningFocus = false;
}

void TBirthdaysPage::Edit2Exit()
{
    CheckDayBox(m_ui->Edit2);
}
void TBirthdaysPage::Edit3Exit()
{
    CheckDayBox(m_ui->Edit3);
}
void TBirthdaysPage::Edit5Exit()
{
    CheckDayBox(m_ui->Edit5);
}
void TBirthdaysPage::Edit6Exit()
{
    CheckDayBox(m_ui->Edit6);
}

void TBirthdaysPage::Search(const SearchBoxes& boxes, TTable& table, int languageIndex)
{
    for (const QLineEdit* box : {boxes.firstDay, boxes.lastDay, boxes.month}) {
        if (box->text().isEmpty()) {
            say(MissingValues, languageIndex);
            return;
        }
    }
    // A month of one character is told, and searched all the same: it
    // finds nothing, as every stored month has two.
    if (boxes.month->text().size() != 2) {
        say(MonthMessage, languageIndex);
        boxes.month->setFocus(Qt::OtherFocusReason);
    }
    const QString filter =
        BirthdayFilter::period(boxes.firstDay->text(), boxes.lastDay->text(), boxes.month->text());
    table.ChangeAsOne([&] {
        table.SetFilter(filter);
        table.SetFiltered(true);
        table.SetIndexName(BirthdayFilter::BirthdayIndex);
    });
}

void TBirthdaysPage::SpeedButton13Click()
{
    Search({m_ui->Edit2, m_ui->Edit3, m_ui->Edit4}, *m_dm->TelefonTable,
           InCodeText::activeLanguage());
}

void TBirthdaysPage::Edit4KeyDown(int key)
{
    if (isEnter(key))
        SpeedButton13Click();
}

void TBirthdaysPage::SpeedButton5Click()
{
    Search({m_ui->Edit5, m_ui->Edit6, m_ui->Edit7}, *m_dm->FamAllTable, Danish);
}

void TBirthdaysPage::Edit7KeyDown(int key)
{
    if (isEnter(key))
        SpeedButton5Click();
}

// --- the card lists -----------------------------------------------------------

void TBirthdaysPage::ShowCardList(const InCodeTexts& title, const QString& filter)
{
    m_cardListTitle = &title;
    m_ui->Label33->setText(inCodeText(title));
    m_ui->DBGrid2->setFocus(Qt::OtherFocusReason);
    TTable& contacts = *m_dm->TelefonTable;
    contacts.ChangeAsOne([&] {
        contacts.SetFilter(filter);
        contacts.SetFiltered(true);
    });
}

void TBirthdaysPage::SpeedButton2Click()
{
    ShowCardList(BirthdayCardTitle, BirthdayFilter::BirthdayCards);
}

void TBirthdaysPage::SpeedButton3Click()
{
    ShowCardList(ChristmasCardTitle, BirthdayFilter::ChristmasCards);
}

void TBirthdaysPage::DBGrid2Exit()
{
    // Whatever filter the contacts have ends here, a birthday span too.
    m_cardListTitle = nullptr;
    m_ui->Label33->clear();
    m_dm->TelefonTable->SetFiltered(false);
}

void TBirthdaysPage::SpeedButton4Click()
{
    TListReportForm report(*m_dm->TelefonTable);
    report.SetReportTitle(m_ui->Label33->text());
    report.Preview();
}

// --- events -------------------------------------------------------------------

bool TBirthdaysPage::IsInGrid2(const QWidget* widget) const
{
    return widget && (widget == m_ui->DBGrid2 || m_ui->DBGrid2->isAncestorOf(widget));
}

void TBirthdaysPage::FocusChanged(QWidget* old, QWidget* now)
{
    // The grid is left when the focus goes to another control of the main
    // window (a page switch included), not when a message box or the print
    // preview takes it for a while, nor for the grid's own cell editor.
    if (!m_dm || !IsInGrid2(old) || IsInGrid2(now))
        return;
    QWidget* window = m_ui->DBGrid2->window();
    const bool sameWindow = now ? now->window() == window : QApplication::activeWindow() == window;
    if (sameWindow)
        DBGrid2Exit();
}

bool TBirthdaysPage::eventFilter(QObject* watched, QEvent* event)
{
    Ui::BirthdaysPage& ui = *m_ui;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == ui.Edit4)
            guarded([this, key] { Edit4KeyDown(key); })();
        else if (watched == ui.Edit7)
            guarded([this, key] { Edit7KeyDown(key); })();
        break;
    }
    case QEvent::FocusOut: {
        // Only a move to another control of the window leaves a box; a
        // message box or a menu taking the focus for a while does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (m_returningFocus || reason == Qt::PopupFocusReason ||
            reason == Qt::ActiveWindowFocusReason)
            break;
        const std::pair<QLineEdit*, void (TBirthdaysPage::*)()> dayBoxes[] = {
            {ui.Edit2, &TBirthdaysPage::Edit2Exit},
            {ui.Edit3, &TBirthdaysPage::Edit3Exit},
            {ui.Edit5, &TBirthdaysPage::Edit5Exit},
            {ui.Edit6, &TBirthdaysPage::Edit6Exit}};
        for (const auto& [box, handler] : dayBoxes)
            if (watched == box)
                guarded([this, handler = handler] { (this->*handler)(); })();
        break;
    }
    case QEvent::ToolTip:
        // The month boxes keep their hint without showing it.
        return watched == ui.Edit4 || watched == ui.Edit7;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
