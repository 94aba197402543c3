#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

namespace Ui {
class PhoneForm;
}
class TDM;
class QAction;
class QLabel;
class QTabWidget;

// The main window: the frame that owns every component of the six pages and
// the menu, and runs start-up (FormCreate, FormShow) and shutdown (FormClose).
class TPhoneForm : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int DesignWidth = 1024;
    static constexpr int DesignHeight = 600;

    explicit TPhoneForm(QWidget* parent = nullptr);
    ~TPhoneForm() override;
    TPhoneForm(const TPhoneForm&) = delete;
    TPhoneForm& operator=(const TPhoneForm&) = delete;

    // The data module is created after the main window, as at start-up.
    void SetDataModule(TDM* dm) { m_dm = dm; }
    TDM* DM() const { return m_dm; }

    // Runs FormShow, then centres the window on the screen and shows it.
    void ShowMain();

    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    void Afslut1Click();

    int LanguageIndex() const { return m_languageIndex; }
    // The program's folder: pictures and the help page are found from here.
    static QString ProgramFolder();
    static QString LanguageName(int languageIndex);

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
    void LanguageDisplayUpdate();
    void SetActiveLanguage(int languageIndex);
    void OpenContactTables();
    void RestoreCurrentContact(const QString& datapost);
    void LoadFrontPictures();

    std::unique_ptr<Ui::PhoneForm> m_ui;
    TDM* m_dm = nullptr;
    int m_languageIndex = -1;
    bool m_shown = false;
    bool m_closed = false;
};
