#pragma once

#include "core/data/RecordRulesHost.h"
#include "gui/pages/Page.h"

#include <QMainWindow>
#include <QString>
#include <memory>
#include <vector>

namespace Ui {
class PhoneForm;
}
class BackupCommands;
class ExchangeCommands;
class TAboutBox;
class TBirthdaysPage;
class TDM;
class TDetailsPage;
class TFamilyPage;
class TWorkPage;
class TEasyFind;
class TFormResizer;
class TJustOne;
class TOverviewPage;
class TNogleForm;
class TQLanguageSource;
class TQFormLocalizer;
class TQtStandardTexts;
class QAction;
class QLabel;
class QTabWidget;

// The main window: the frame that owns every component of the six pages and
// the menu, and runs start-up (FormCreate, FormShow) and shutdown (FormClose).
// The pages are classes of their own, kept in a list: the window tells them
// when the user brings one forward and when the language changes, answers
// what they need of it (PageHost), and hands on to them what the record
// rules tell the windows (RecordRulesHost). It never writes into a page's form.
class TPhoneForm : public QMainWindow, public RecordRulesHost, public PageHost
{
    Q_OBJECT
public:
    static constexpr int DesignWidth = 1024;
    static constexpr int DesignHeight = 600;

    explicit TPhoneForm(QWidget* parent = nullptr);
    ~TPhoneForm() override;
    TPhoneForm(const TPhoneForm&) = delete;
    TPhoneForm& operator=(const TPhoneForm&) = delete;

    // The data module is created after the main window, as at start-up;
    // binding it gives the pages their data and the record rules their host.
    void SetDataModule(TDM* dm);
    // The keyword window, created hidden after the data module.
    void SetKeywordWindow(TNogleForm* window) { m_nogleForm = window; }
    void Nogleord1Click();
    void Dataplacering1Click();
    void HelpClick(QObject* sender);
    void Omprogrammet1Click();
    TAboutBox* AboutBox1() const { return m_aboutBox; }
    TFormResizer* FormResizer1() const { return m_resizer; }
    // Another copy of the program runs: this one ends before it starts up.
    TJustOne* JustOne1() const { return m_justOne; }

    // The language menu.
    void DanskClick() { SelectLanguage(-1); }
    void EnglishClick() { SelectLanguage(0); }
    void NorskClick() { SelectLanguage(1); }
    void SvenskClick() { SelectLanguage(2); }
    void DeutschClick() { SelectLanguage(3); }
    TQLanguageSource* QLanguageSource1() const { return m_languageSource; }
    TQFormLocalizer* QFormLocalizer1() const { return m_localizer; }
    TDM* DM() const { return m_dm; }
    ExchangeCommands& Exchange() const { return *m_exchange; }
    BackupCommands& Backup() const { return *m_backup; }

    // Runs FormShow, then centres the window on the screen and shows it.
    void ShowMain();

    void FormCreate();
    void FormShow();
    void FormClose();
    // Posts the contact, family member or keyword being edited; false when
    // one of them cannot be saved (the error has been shown).
    bool SavePendingEdits();
    void FormResize();
    void Afslut1Click();

    static QString LanguageName(int languageIndex);

    void CopyAddress1Click();
    // "Udskriv telefonlisten", also the overview's print button.
    void Udskriv1Click();
    // The user brought another page to the front.
    void PageControl1Change(int index);

    TDetailsPage* DetailsPage() const { return m_details; }
    TOverviewPage* OverviewPage() const { return m_overview; }
    TBirthdaysPage* BirthdaysPage() const { return m_birthdays; }
    TFamilyPage* FamilyPage() const { return m_family; }
    TWorkPage* WorkPage() const { return m_work; }
    TEasyFind* EasyFind2() const { return m_easyFind2; }
    int LanguageIndex() const;

    // PageHost
    void ShowDetailsPage() override;
    // Shows the current contact's picture on the details page.
    void Billede() override;
    TEasyFind* NameSearch() override { return m_easyFind2; }
    QString LanguageCaption() const override;
    // The phone list's print, shared by the menu and the overview's button.
    void PrintPhoneList() override { Udskriv1Click(); }

    // RecordRulesHost
    void ContactInserted() override;
    void FamilyMemberInserted() override;
    void KeywordInserted() override;
    void ShowPlaceholderPicture() override;
    void ShowContactPicture() override { Billede(); }

    QTabWidget* PageControl1() const;
    QLabel* Sproget() const;
    QAction* LanguageItem(int languageIndex) const;
    QAction* HelpItem() const;

    // The window's outer size, as stored in the configuration record.
    QSize OuterSize() const;
    void SetOuterSize(QSize size);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    template <typename Page> Page* AddPage(QWidget* tabSheet);
    void LanguageDisplayUpdate();
    // After every change of the active language, once the windows are translated.
    void LanguageChanged();
    // The front page's language label and the check mark of the language menu.
    void ShowLanguage(int languageIndex);
    void SetActiveLanguage(int languageIndex);
    void SelectLanguage(int languageIndex);
    void CreateLocalisation();
    void OpenContactTables();
    void RestoreCurrentContact(const QString& datapost);
    void LoadFrontPictures();
    void CreateAboutBox();

    std::unique_ptr<Ui::PhoneForm> m_ui;
    std::vector<std::unique_ptr<TPage>> m_pages; // in tab order
    TDetailsPage* m_details = nullptr;
    TOverviewPage* m_overview = nullptr;
    TBirthdaysPage* m_birthdays = nullptr;
    TFamilyPage* m_family = nullptr;
    TWorkPage* m_work = nullptr;
    std::unique_ptr<ExchangeCommands> m_exchange;
    std::unique_ptr<BackupCommands> m_backup;
    TEasyFind* m_easyFind2 = nullptr;
    TDM* m_dm = nullptr;
    TNogleForm* m_nogleForm = nullptr;
    bool m_pageFromCode = false;
    TQLanguageSource* m_languageSource = nullptr;
    TQFormLocalizer* m_localizer = nullptr;
    TQtStandardTexts* m_qtTexts = nullptr;
    TAboutBox* m_aboutBox = nullptr;
    TFormResizer* m_resizer = nullptr;
    TJustOne* m_justOne = nullptr;
    QSize m_outerSize;
    bool m_closed = false;
};
