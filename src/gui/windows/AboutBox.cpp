#include "gui/windows/AboutBox.h"

#include "core/util/Dialogs.h"
#include "gui/windows/AboutWnd.h"

const QString TAboutBox::DefaultCopyright =
    QStringLiteral("Copyright © <år> <ophavsmand>. Alle rettigheder forbeholdes.");
const QString TAboutBox::DefaultUrl = QStringLiteral("https://www.kalvindo.dk/");
const QString TAboutBox::DefaultWarning = QStringLiteral(
    "Dette program er beskyttet af loven om ophavsret. Det er ikke tilladt at kopiere, "
    "sælge, udleje eller udgive programmet eller dele af det uden tilladelse fra "
    "ophavsmanden. Overtrædelse kan straffes med bøde og medføre erstatningsansvar.");

TAboutBox::TAboutBox(QObject* owner) : QObject(owner) {}

void TAboutBox::Execute()
{
    TAboutWnd window(this);
    Dialogs::instance().runModal(&window, [&window] { return window.exec(); });
}
