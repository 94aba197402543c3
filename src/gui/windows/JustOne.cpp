#include "gui/windows/JustOne.h"

#include "core/instance/SingleInstance.h"

#include <QApplication>
#include <QWidget>

TJustOne::TJustOne(QWidget* owner) : QObject(owner)
{
    m_instance = SingleInstance::claim(QGuiApplication::applicationDisplayName());
    connect(m_instance.get(), &SingleInstance::comeForward, this, &TJustOne::ComeForward);
}

TJustOne::~TJustOne() = default;

bool TJustOne::EndRequested() const
{
    return m_instance->outcome() == SingleInstance::Outcome::AnotherRuns;
}

void TJustOne::ComeForward()
{
    auto* main = static_cast<QWidget*>(parent());
    if (!main->isVisible() && !main->isMinimized())
        return; // not shown yet, or closing
    if (main->isMinimized())
        main->showNormal();
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = main;
    if (front->isMinimized())
        front->showNormal();
    front->raise();
    front->activateWindow();
}
