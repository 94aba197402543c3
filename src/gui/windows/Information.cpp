#include "gui/windows/Information.h"

#include "core/util/Dialogs.h"
#include "core/util/ProgramFolder.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace {

const char* const HelpFolders[] = {"English", "Norsk", "Svensk", "Deutsch"};

} // namespace

namespace Information {

QString dataLocationText(const QString& dataFolder)
{
    // Absolute: the folder to back up, whatever the working folder it was
    // named from.
    const QString folder = QFileInfo(dataFolder).absoluteFilePath();
    return QStringLiteral("Data for dette program er placeret i ") +
           QDir::toNativeSeparators(folder) +
           QStringLiteral("\n\nDet er meget vigtigt, at du sikkerhedskopierer filer i datamappen, "
                          "hver gang du har ændret eller tilføjet data i programmet!");
}

void showDataLocation(const QString& dataFolder)
{
    Dialogs::instance().message(MessageKind::Plain, dataLocationText(dataFolder), Ok);
}

QString helpPagePath(int languageIndex)
{
    const QString danish = ProgramFolder::filePath(QStringLiteral("Help/Index.html"));
    if (languageIndex < 0 || languageIndex > 3)
        return danish;
    const QString own = ProgramFolder::filePath(QStringLiteral("Help/") +
                                                QLatin1String(HelpFolders[languageIndex]) +
                                                QStringLiteral("/Index.html"));
    return QFileInfo::exists(own) ? own : danish;
}

void openHelp(QObject* sender)
{
    // A failure is the desktop's to report, if it does.
    if (auto* item = qobject_cast<QAction*>(sender))
        Dialogs::instance().openUrl(item->toolTip());
}

} // namespace Information
