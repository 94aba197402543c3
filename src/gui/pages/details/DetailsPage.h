#pragma once

#include "gui/controls/DBNavigator.h"
#include "gui/pages/CountLabel.h"
#include "gui/pages/Page.h"

#include <memory>

namespace Ui {
class DetailsPage;
}
class ContactPicture;
class TDBEdit;
class TDM;
class QWidget;

// The contact details page: one contact's fields, the two postal look-ups,
// first-letter tidying, the birthday mirror, the name search, the picture,
// the address copy and the count of contacts shown. Builds its controls onto
// the main window's TabSheet1.
//
// This is the page the others copy: the form beside the class, the handlers
// under their designed names connected in one place, Bind for the data,
// Activated and LanguageChanged from the main window.
class TDetailsPage : public TPage
{
    Q_OBJECT
public:
    TDetailsPage(QWidget* tabSheet, PageHost& host);
    ~TDetailsPage() override;

    void Bind(TDM& dm) override;
    void Activated() override;
    void LanguageChanged() override;

    Ui::DetailsPage& Form() { return *m_ui; }
    ContactPicture& Picture() { return *m_picture; }

    // Answers to the record rules, handed on by the main window.
    // A new contact: the name is typed first.
    void ContactInserted();
    // Throws when the placeholder picture cannot be loaded.
    void ShowPlaceholderPicture();
    // The current contact's picture, or the placeholder.
    void ShowContactPicture();

    static const QString BlankDate;
    // The first letter upper-cased when it is a small letter of the Danish,
    // Norwegian, Swedish or German alphabet; nothing else changes.
    static QString Tidied(const QString& text);

    void DBEdit2Exit();
    void DBEdit8Exit();
    void DBEdit9Exit();
    void DBEdit11Exit();
    void DBEdit3Exit();
    void SpeedButton9Click();
    void DBDateEdit1Change();
    void PhoneNavClick(TDBNavigator::Button button);
    void Edit8KeyDown(int key);
    void SpeedButton8Click();
    void Button4Click();
    void EmailEditChange();
    void URLEditChange();
    void SpeedButton1Click();
    void SpeedButton7Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Tidy(TDBEdit* edit);
    void ConnectHandlers();

    std::unique_ptr<Ui::DetailsPage> m_ui;
    std::unique_ptr<ContactPicture> m_picture;
    std::unique_ptr<CountLabel> m_count; // Label47
    TDM* m_dm = nullptr;
};
