#include "gui/vcard/ExchangeCommands.h"

#include "core/data/DM.h"
#include "core/data/PendingEdits.h"
#include "core/i18n/InCodeText.h"
#include "core/store/Table.h"
#include "core/util/DataLocation.h"
#include "core/util/Dialogs.h"
#include "gui/vcard/ExchangeProgress.h"
#include "gui/vcard/ImportPreviewForm.h"

#include <QFileInfo>

namespace {

const QString VCard40 = QStringLiteral("vCard 4.0 (*.vcf)");
const QString VCard30 = QStringLiteral("vCard 3.0 (*.vcf)");

QString withSuffix(const QString& path, const char* suffix)
{
    return QFileInfo(path).suffix().isEmpty() ? path + u'.' + QLatin1String(suffix) : path;
}

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace

ExchangeCommands::ExchangeCommands(QWidget* window) : m_window(window)
{
    Choose = [this](const ImportPreview& preview) {
        return TImportPreviewForm::Ask(preview, m_window);
    };
}

QString ExchangeCommands::PictureFolder()
{
    return DataLocation::pictureFolder();
}

bool ExchangeCommands::ready() const
{
    return m_dm && m_dm->TelefonTable->Active();
}

void ExchangeCommands::inform(const QString& text, const QStringList& problems)
{
    QStringList lines{text};
    if (!problems.isEmpty())
        lines << QString() << problems.mid(0, 10);
    if (problems.size() > 10)
        lines << QStringLiteral("…");
    Dialogs::instance().message(problems.isEmpty() ? MessageKind::Information
                                                   : MessageKind::Warning,
                                lines.join(u'\n'), Ok);
}

void ExchangeCommands::ExportVCards()
{
    if (!ready())
        return;
    postPendingEdits(*m_dm);
    QString chosen = VCard40;
    QString path = Dialogs::instance().saveFileName(
        VCard40 + QStringLiteral(";;") + VCard30,
        inCodeText({QStringLiteral("Kontakter.vcf"), QStringLiteral("Contacts.vcf"),
                    QStringLiteral("Kontakter.vcf"), QStringLiteral("Kontakter.vcf"),
                    QStringLiteral("Kontakte.vcf")}),
        &chosen);
    if (path.isEmpty())
        return;
    path = withSuffix(path, "vcf");
    ContactExchange exchange(*m_dm, PictureFolder());
    ExchangeProgress progress(m_window,
                              inCodeText({QStringLiteral("Eksporterer kontakter …"),
                                          QStringLiteral("Exporting contacts …"),
                                          QStringLiteral("Eksporterer kontakter …"),
                                          QStringLiteral("Exporterar kontakter …"),
                                          QStringLiteral("Kontakte werden exportiert …")}));
    ExportResult result;
    try {
        result = exchange.exportVCards(
            path, chosen == VCard30 ? VCardVersion::V30 : VCardVersion::V40, progress.Callback());
    } catch (const EAbort&) {
        return; // cancelled: the file is as it was
    }
    progress.Dialog().close();
    inform(inCodeText({QStringLiteral("%1 kontakter er gemt i %2."),
                       QStringLiteral("%1 contacts were saved in %2."),
                       QStringLiteral("%1 kontakter er lagret i %2."),
                       QStringLiteral("%1 kontakter har sparats i %2."),
                       QStringLiteral("%1 Kontakte wurden in %2 gespeichert.")})
               .arg(result.contacts)
               .arg(fileName(path)),
           result.problems);
}

void ExchangeCommands::ExportCalendar()
{
    if (!ready())
        return;
    postPendingEdits(*m_dm);
    QString path = Dialogs::instance().saveFileName(
        QStringLiteral("iCalendar (*.ics)"),
        inCodeText({QStringLiteral("Fødselsdage.ics"), QStringLiteral("Birthdays.ics"),
                    QStringLiteral("Bursdager.ics"), QStringLiteral("Födelsedagar.ics"),
                    QStringLiteral("Geburtstage.ics")}),
        nullptr);
    if (path.isEmpty())
        return;
    path = withSuffix(path, "ics");
    ContactExchange exchange(*m_dm, PictureFolder());
    ExchangeProgress progress(m_window,
                              inCodeText({QStringLiteral("Eksporterer fødselsdage …"),
                                          QStringLiteral("Exporting birthdays …"),
                                          QStringLiteral("Eksporterer bursdager …"),
                                          QStringLiteral("Exporterar födelsedagar …"),
                                          QStringLiteral("Geburtstage werden exportiert …")}));
    int events = 0;
    try {
        events = exchange.exportCalendar(path, progress.Callback());
    } catch (const EAbort&) {
        return;
    }
    progress.Dialog().close();
    inform(inCodeText({QStringLiteral("%1 fødselsdage er gemt i %2."),
                       QStringLiteral("%1 birthdays were saved in %2."),
                       QStringLiteral("%1 bursdager er lagret i %2."),
                       QStringLiteral("%1 födelsedagar har sparats i %2."),
                       QStringLiteral("%1 Geburtstage wurden in %2 gespeichert.")})
               .arg(events)
               .arg(fileName(path)));
}

void ExchangeCommands::ImportVCards()
{
    if (!ready())
        return;
    const QString path = Dialogs::instance().openFileName(QStringLiteral("vCard (*.vcf *.vcard)"));
    if (path.isEmpty())
        return;
    postPendingEdits(*m_dm);
    ContactExchange exchange(*m_dm, PictureFolder());
    ImportPreview preview;
    try {
        ExchangeProgress reading(
            m_window, inCodeText({QStringLiteral("Læser %1 …"), QStringLiteral("Reading %1 …"),
                                  QStringLiteral("Leser %1 …"), QStringLiteral("Läser %1 …"),
                                  QStringLiteral("%1 wird gelesen …")})
                          .arg(fileName(path)));
        preview = exchange.previewImport(path, reading.Callback());
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        Dialogs::instance().message(
            MessageKind::Error,
            inCodeText(
                {QStringLiteral("%1 kan ikke læses:\n%2"), QStringLiteral("%1 cannot be read:\n%2"),
                 QStringLiteral("%1 kan ikke leses:\n%2"), QStringLiteral("%1 kan inte läsas:\n%2"),
                 QStringLiteral("%1 kann nicht gelesen werden:\n%2")})
                .arg(fileName(path), e.message()),
            Ok);
        return;
    }
    const std::optional<DuplicateChoice> choice = Choose(preview);
    if (!choice)
        return;

    ImportResult result;
    try {
        ExchangeProgress posting(m_window,
                                 inCodeText({QStringLiteral("Importerer kontakter …"),
                                             QStringLiteral("Importing contacts …"),
                                             QStringLiteral("Importerer kontakter …"),
                                             QStringLiteral("Importerar kontakter …"),
                                             QStringLiteral("Kontakte werden importiert …")}));
        result = exchange.import(preview, *choice, posting.Callback());
    } catch (const EAbort&) {
        inform(inCodeText(
            {QStringLiteral("Importen er afbrudt. Intet er gemt."),
             QStringLiteral("The import was cancelled. Nothing was saved."),
             QStringLiteral("Importen ble avbrutt. Ingenting er lagret."),
             QStringLiteral("Importen avbröts. Ingenting har sparats."),
             QStringLiteral("Der Import wurde abgebrochen. Nichts wurde gespeichert.")}));
        return;
    } catch (const Exception& e) {
        Dialogs::instance().message(
            MessageKind::Error,
            inCodeText(
                {QStringLiteral("Importen mislykkedes, og intet er gemt:\n%1"),
                 QStringLiteral("The import failed and nothing was saved:\n%1"),
                 QStringLiteral("Importen mislyktes, og ingenting er lagret:\n%1"),
                 QStringLiteral("Importen misslyckades och ingenting har sparats:\n%1"),
                 QStringLiteral("Der Import ist fehlgeschlagen, nichts wurde gespeichert:\n%1")})
                .arg(e.message()),
            Ok);
        return;
    }
    // New contacts go into the whole table, as an insert by hand does.
    m_dm->TelefonTable->SetFiltered(false);
    inform(inCodeText({QStringLiteral("Importeret: %1 nye, %2 flettet, %3 sprunget over."),
                       QStringLiteral("Imported: %1 new, %2 merged, %3 skipped."),
                       QStringLiteral("Importert: %1 nye, %2 flettet, %3 hoppet over."),
                       QStringLiteral("Importerat: %1 nya, %2 sammanslagna, %3 överhoppade."),
                       QStringLiteral("Importiert: %1 neu, %2 zusammengeführt, %3 übersprungen.")})
               .arg(result.added)
               .arg(result.merged)
               .arg(result.skipped),
           result.problems);
}
