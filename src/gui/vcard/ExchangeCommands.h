#pragma once

#include "core/vcard/ContactExchange.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TDM;

// The menu's vCard and calendar commands: the file dialog, the preview of an
// import, a progress window that can cancel, and what came of it, through
// the dialogs interface. Exceptions other than a cancel are left to the
// handler's error box.
class ExchangeCommands
{
public:
    explicit ExchangeCommands(QWidget* window);

    void SetDataModule(TDM* dm) { m_dm = dm; }

    // "Eksporter vCard...": the contacts shown, in their order.
    void ExportVCards();
    // "Importer vCard...": read, preview, then post all in one go.
    void ImportVCards();
    // "Eksporter fødselsdagskalender...": every birthday as a yearly event.
    void ExportCalendar();

    // Asks what to do with the preview; the preview window by default,
    // tests answer for it. None cancels the import.
    std::function<std::optional<DuplicateChoice>(const ImportPreview&)> Choose;

    static QString PictureFolder();

private:
    bool ready() const;
    void inform(const QString& text, const QStringList& problems = {});

    QWidget* m_window;
    TDM* m_dm = nullptr;
};
