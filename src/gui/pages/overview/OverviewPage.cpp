#include "gui/pages/overview/OverviewPage.h"

#include "ui_OverviewPage.h"

TOverviewPage::TOverviewPage(QWidget* tabSheet, PageHost& host)
    : TPage(tabSheet, host), m_ui(std::make_unique<Ui::OverviewPage>())
{
    m_ui->setupUi(tabSheet);
    m_count = std::make_unique<CountLabel>(m_ui->Label46);
}

TOverviewPage::~TOverviewPage() = default;

void TOverviewPage::Bind(TDM& dm)
{
    m_count->bind(dm);
}

void TOverviewPage::LanguageChanged()
{
    m_count->languageChanged();
}
