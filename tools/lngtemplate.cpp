// Prints every translatable text of the program's windows in the layout of a
// language file, with the Danish texts as values: the starting point for a
// translation, and what the language files are checked against.
#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "gui/i18n/FormLocalizer.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TPhoneForm form;
    TDM dm(nullptr, QStringLiteral("Data"));
    TNogleForm keywords(&dm, form.QLanguageSource1());
    form.SetDataModule(&dm);
    // Leaving Danish for a language without a file captures the originals.
    QTemporaryDir empty;
    QDir::setCurrent(empty.path());
    form.QLanguageSource1()->SetActiveLanguage(0);
    for (const auto& [section, localizer] :
         {std::pair{QStringLiteral("PhoneForm"), form.QFormLocalizer1()},
          std::pair{QStringLiteral("NogleForm"), keywords.QFormLocalizer1()}}) {
        std::printf("[%s]\n", qPrintable(section));
        for (const QString& line : localizer->Originals())
            std::printf("%s\n", line.toUtf8().constData());
        std::printf("\n");
    }
    return 0;
}
