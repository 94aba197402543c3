#include "gui/pages/Page.h"

#include <QWidget>

TPage::TPage(QWidget* tabSheet, PageHost& host)
    : QObject(tabSheet), m_tabSheet(tabSheet), m_host(host)
{
}

TPage::~TPage() = default;
