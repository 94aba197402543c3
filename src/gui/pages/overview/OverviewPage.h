#pragma once

#include "gui/pages/CountLabel.h"
#include "gui/pages/Page.h"

#include <memory>

namespace Ui {
class OverviewPage;
}
class QWidget;

// The overview page on the main window's TabSheet4. So far it holds only
// the count of contacts shown; the grid, the searches, the order and the
// keyword filter come here.
class TOverviewPage : public TPage
{
    Q_OBJECT
public:
    TOverviewPage(QWidget* tabSheet, PageHost& host);
    ~TOverviewPage() override;

    void Bind(TDM& dm) override;
    void LanguageChanged() override;

    Ui::OverviewPage& Form() { return *m_ui; }

private:
    std::unique_ptr<Ui::OverviewPage> m_ui;
    std::unique_ptr<CountLabel> m_count; // Label46
};
