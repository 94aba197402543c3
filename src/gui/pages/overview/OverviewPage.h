#pragma once

#include "core/search/SearchColumnCache.h"
#include "gui/pages/CountLabel.h"
#include "gui/pages/Page.h"

#include <memory>

namespace Ui {
class OverviewPage;
}
class QWidget;
class TDM;
class TEasyFind;
class TTable;

// The overview page on the main window's TabSheet4: every contact in a
// read-only grid, a search box that finds while the user types (by name, or
// by the beginning of the phone number when sorted by number), the sort
// choice, the keyword filter and its lifting, printing and the count.
//
// The order and the filter are the contact table's own (DM.TelefonTable):
// what this page sets every page shows, and what another page sets (the
// birthday search's order and filter) this grid shows. The page keeps no
// copy of them; the sort mode is which radio button is checked.
class TOverviewPage : public TPage
{
    Q_OBJECT
public:
    TOverviewPage(QWidget* tabSheet, PageHost& host);
    ~TOverviewPage() override;

    void Bind(TDM& dm) override;
    void LanguageChanged() override;

    Ui::OverviewPage& Form() { return *m_ui; }
    TEasyFind* EasyFind1() const { return m_easyFind1; }

    // Texts Label16 takes when the sort changes, keyed by the name of the
    // active language as the front page shows it; empty: left as it is.
    static QString FindCaption(const QString& languageName, bool byNumber);

    void FindChange();
    void RadioButton1Click();
    void RadioButton2Click();
    void DBLookupComboBox2Click();
    void SpeedButton14Click();
    void SpeedButton6Click();
    void DBGrid1DblClick();
    void Udskriv1Click();

    // The filter text that shows only the contacts with the keyword.
    static QString KeywordFilter(const QString& keyword);

private:
    void ConnectHandlers();
    void AddColumns();
    bool ByNumber() const;
    void SortBy(const QString& indexName, bool byNumber);
    void FindNextNumber();
    TTable& Contacts() const;

    std::unique_ptr<Ui::OverviewPage> m_ui;
    std::unique_ptr<CountLabel> m_count; // Label46
    TEasyFind* m_easyFind1;
    SearchColumnCache m_numbers; // phone numbers in the grid's order, for "..."
    TDM* m_dm = nullptr;
};
