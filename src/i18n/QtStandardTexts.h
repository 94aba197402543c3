#pragma once

#include "i18n/CustomLocalizer.h"

#include <QStringList>

#include <array>
#include <memory>

class QTranslator;

// Qt's own texts (message box buttons, print preview tools) follow the active
// language: registered with the language source like a window's localizer, it
// installs Qt's translation catalogue of the language on every change.
//
// Each language index has catalogues to try, in order, from Qt's translations
// folder: Dansk qtbase_da, English none, Norsk qtbase_nb, Svensk qtbase_sv
// (falling back on the older full catalogue qt_sv), Deutsch qtbase_de.
// Debian ships no Norwegian catalogue; Norwegian then falls back on Danish, as
// the program's own texts composed in code mostly do for Norwegian.
class TQtStandardTexts : public TQCustomLocalizer
{
    Q_OBJECT

public:
    explicit TQtStandardTexts(QObject* owner = nullptr);
    ~TQtStandardTexts() override;

    void Localize() override;

    // The catalogues tried for a language index.
    static QStringList CataloguesFor(int languageIndex);
    // The folder searched; Qt's translations folder unless set.
    QString Folder() const { return m_folder; }
    void SetFolder(const QString& folder) { m_folder = folder; }
    // The catalogue installed now, empty when none.
    QString InstalledCatalogue() const { return m_installed; }

    // Installs the first catalogue of the language that loads; answers whether one did.
    bool Install(int languageIndex);

private:
    void uninstall();

    QString m_folder;
    std::unique_ptr<QTranslator> m_translator;
    QString m_installed;
};
