#pragma once

#include <QObject>
#include <QString>

class QWidget;
class TDM;
class TEasyFind;

// What a page needs of the main window, the same for every page. A page
// never reaches into the window or into another page's form; what it needs
// beyond its own form goes through here.
class PageHost
{
public:
    virtual ~PageHost() = default;

    // Brings the contact details page to the front from code (its
    // Activated does not run).
    virtual void ShowDetailsPage() = 0;
    // The main window's picture operation: shows the current contact's
    // picture on the details page.
    virtual void Billede() = 0;
    // The name search on the contact table (EasyFind2).
    virtual TEasyFind* NameSearch() = 0;
    // The name of the active language as the front page shows it
    // ("Dansk", "English", ...).
    virtual QString LanguageCaption() const = 0;
    // Prints the phone list: the contacts as the shared cursor shows them.
    virtual void PrintPhoneList() = 0;
};

// A page of the main window: its form, built onto its tab sheet, with the
// page's own labels and handlers. The main window makes it, binds it to the
// data module once, and tells it when the user brings it forward and when
// the language changes. See HACKING.md for adding one.
class TPage : public QObject
{
    Q_OBJECT
public:
    TPage(QWidget* tabSheet, PageHost& host);
    ~TPage() override;
    TPage(const TPage&) = delete;
    TPage& operator=(const TPage&) = delete;

    QWidget* TabSheet() const { return m_tabSheet; }

    // Binds the page's controls to the data module's sources and its labels
    // to the data module's notices.
    virtual void Bind(TDM& dm) = 0;
    // The user brought the page to the front.
    virtual void Activated() {}
    // The active language changed and the window's stored texts are
    // translated: texts the page composes in code are written again.
    virtual void LanguageChanged() {}

protected:
    PageHost& Host() const { return m_host; }

private:
    QWidget* m_tabSheet;
    PageHost& m_host;
};
