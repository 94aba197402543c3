#pragma once

#include "gui/controls/DBNavigator.h"

#include <QObject>
#include <memory>

namespace Ui {
class DetailsPage;
}
class ContactPicture;
class TDBEdit;
class TDM;
class TEasyFind;
class QWidget;

// What the details page needs of the main window.
class DetailsPageHost
{
public:
    virtual ~DetailsPageHost() = default;
    virtual void Billede() = 0;
    virtual TEasyFind* NameSearch() = 0;
};

// The contact details page: one contact's fields, the two postal look-ups,
// first-letter tidying, the birthday mirror, the name search, the picture
// and the address copy. Builds its controls onto the main window's TabSheet1.
class TDetailsPage : public QObject
{
    Q_OBJECT
public:
    TDetailsPage(QWidget* tabSheet, DetailsPageHost& host);
    ~TDetailsPage() override;
    TDetailsPage(const TDetailsPage&) = delete;
    TDetailsPage& operator=(const TDetailsPage&) = delete;

    // Binds every control to the data module's sources.
    void Bind(TDM* dm);
    Ui::DetailsPage& Form() { return *m_ui; }
    ContactPicture& Picture() { return *m_picture; }

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
    // The user brought the page to the front.
    void Activated();
    // The count label shows the number of contacts shown.
    void ShowCount(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Tidy(TDBEdit* edit);
    void ConnectHandlers();

    std::unique_ptr<Ui::DetailsPage> m_ui;
    std::unique_ptr<ContactPicture> m_picture;
    DetailsPageHost& m_host;
    TDM* m_dm = nullptr;
};
