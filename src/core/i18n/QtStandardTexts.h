#pragma once

#include "core/i18n/CustomLocalizer.h"

#include <QHash>
#include <QStringList>

#include <memory>

class QTranslator;

// Qt's own texts (message box buttons, print preview tools) follow the active
// language: registered with the language source like a window's localizer, it
// puts Qt's translation catalogue of the language in force on every change.
//
// One translator of its own stays installed and answers from the catalogue
// in force; a change only points it at another catalogue, each loaded once.
// Installing and removing Qt translators instead would have Qt send every
// widget of the program a language-change event at each switch, which none
// of them needs: Qt's dialogs take their texts when they are opened.
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

    // Puts the first catalogue of the language that loads in force; answers
    // whether one did. Without one, Qt's own (English) texts are used.
    bool Install(int languageIndex);

private:
    class SwitchingTranslator;

    // The catalogue loaded from that file, loaded on first use; null when it
    // does not load (remembered, so a missing one is not searched again).
    const QTranslator* catalogue(const QString& fileName);

    QString m_folder;
    std::unique_ptr<SwitchingTranslator> m_translator;
    QHash<QString, std::shared_ptr<QTranslator>> m_catalogues;
    QString m_installed;
};
