#pragma once

#include "gui/pages/Page.h"

#include <memory>

namespace Ui {
class WorkPage;
}
class QWidget;
class TDM;

// The work page on the main window's TabSheet3: the current contact's
// work details, with the postal look-ups for the work address and the work
// e-mail and home page as links. The contact is chosen on the other pages.
class TWorkPage : public TPage
{
    Q_OBJECT
public:
    TWorkPage(QWidget* tabSheet, PageHost& host);
    ~TWorkPage() override;

    void Bind(TDM& dm) override;

    Ui::WorkPage& Form() { return *m_ui; }

    void DBEdit12Exit();
    void SpeedButton15Click();
    void DBEdit22Change();
    void DBEdit23Change();

private:
    std::unique_ptr<Ui::WorkPage> m_ui;
    TDM* m_dm = nullptr;
};
