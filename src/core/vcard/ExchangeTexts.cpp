#include "core/vcard/ExchangeTexts.h"

#include "core/i18n/InCodeText.h"

namespace {

QString lineText(const InCodeTexts& texts, int line)
{
    return inCodeText(texts).arg(line);
}

} // namespace

namespace ExchangeText {

QString fileTooLarge(int megabytes)
{
    return inCodeText(
               {QStringLiteral("Filen er større end %1 MB og kan ikke læses."),
                QStringLiteral("The file is larger than %1 MB and cannot be read."),
                QStringLiteral("Filen er større enn %1 MB og kan ikke leses."),
                QStringLiteral("Filen är större än %1 MB och kan inte läsas."),
                QStringLiteral("Die Datei ist größer als %1 MB und kann nicht gelesen werden.")})
        .arg(megabytes);
}

QString lineTooLong(int line, int megabytes)
{
    return inCodeText(
               {QStringLiteral("Linje %1 er længere end %2 MB og kan ikke læses."),
                QStringLiteral("Line %1 is longer than %2 MB and cannot be read."),
                QStringLiteral("Linje %1 er lengre enn %2 MB og kan ikke leses."),
                QStringLiteral("Rad %1 är längre än %2 MB och kan inte läsas."),
                QStringLiteral("Zeile %1 ist länger als %2 MB und kann nicht gelesen werden.")})
        .arg(line)
        .arg(megabytes);
}

QString unterminated(int endLine, int beginLine)
{
    return inCodeText({QStringLiteral("Filen slutter i linje %1, før kontakten fra linje %2 er "
                                      "afsluttet med END:VCARD."),
                       QStringLiteral("The file ends at line %1 before the contact from line %2 "
                                      "is closed by END:VCARD."),
                       QStringLiteral("Filen slutter på linje %1 før kontakten fra linje %2 er "
                                      "avsluttet med END:VCARD."),
                       QStringLiteral("Filen slutar på rad %1 innan kontakten från rad %2 har "
                                      "avslutats med END:VCARD."),
                       QStringLiteral("Die Datei endet in Zeile %1, bevor der Kontakt ab Zeile "
                                      "%2 mit END:VCARD abgeschlossen ist.")})
        .arg(endLine)
        .arg(beginLine);
}

QString noContacts()
{
    return inCodeText(
        {QStringLiteral("Filen indeholder ingen vCard-kontakter (BEGIN:VCARD mangler)."),
         QStringLiteral("The file holds no vCard contacts (no BEGIN:VCARD)."),
         QStringLiteral("Filen inneholder ingen vCard-kontakter (BEGIN:VCARD mangler)."),
         QStringLiteral("Filen innehåller inga vCard-kontakter (BEGIN:VCARD saknas)."),
         QStringLiteral("Die Datei enthält keine vCard-Kontakte (BEGIN:VCARD fehlt).")});
}

QString outsideContact(int line)
{
    return lineText(
        {QStringLiteral("Linje %1 står uden for en kontakt (mellem END:VCARD og BEGIN:VCARD)."),
         QStringLiteral("Line %1 lies outside a contact (between END:VCARD and BEGIN:VCARD)."),
         QStringLiteral("Linje %1 står utenfor en kontakt (mellom END:VCARD og BEGIN:VCARD)."),
         QStringLiteral("Rad %1 står utanför en kontakt (mellan END:VCARD och BEGIN:VCARD)."),
         QStringLiteral(
             "Zeile %1 steht außerhalb eines Kontakts (zwischen END:VCARD und BEGIN:VCARD).")},
        line);
}

QString cannotRead(const QString& path, const QString& why)
{
    return inCodeText({QStringLiteral("Kan ikke læse %1: %2"), QStringLiteral("Cannot read %1: %2"),
                       QStringLiteral("Kan ikke lese %1: %2"),
                       QStringLiteral("Kan inte läsa %1: %2"),
                       QStringLiteral("%1 kann nicht gelesen werden: %2")})
        .arg(path, why);
}

QString cannotWrite(const QString& path, const QString& why)
{
    return inCodeText(
               {QStringLiteral("Kan ikke skrive %1: %2"), QStringLiteral("Cannot write %1: %2"),
                QStringLiteral("Kan ikke skrive %1: %2"), QStringLiteral("Kan inte skriva %1: %2"),
                QStringLiteral("%1 kann nicht geschrieben werden: %2")})
        .arg(path, why);
}

QString noColon(int line)
{
    return lineText(
        {QStringLiteral("Linje %1: linjen mangler kolon mellem navn og værdi."),
         QStringLiteral("Line %1: the line has no colon between name and value."),
         QStringLiteral("Linje %1: linjen mangler kolon mellom navn og verdi."),
         QStringLiteral("Rad %1: raden saknar kolon mellan namn och värde."),
         QStringLiteral("Zeile %1: der Zeile fehlt der Doppelpunkt zwischen Name und Wert.")},
        line);
}

QString badBase64(int line)
{
    return lineText({QStringLiteral("Linje %1: ugyldig base64-kodning."),
                     QStringLiteral("Line %1: invalid base64 encoding."),
                     QStringLiteral("Linje %1: ugyldig base64-koding."),
                     QStringLiteral("Rad %1: ogiltig base64-kodning."),
                     QStringLiteral("Zeile %1: ungültige Base64-Kodierung.")},
                    line);
}

QString badQuotedPrintable(int line)
{
    return lineText({QStringLiteral("Linje %1: ugyldig quoted-printable-kodning."),
                     QStringLiteral("Line %1: invalid quoted-printable encoding."),
                     QStringLiteral("Linje %1: ugyldig quoted-printable-koding."),
                     QStringLiteral("Rad %1: ogiltig quoted-printable-kodning."),
                     QStringLiteral("Zeile %1: ungültige Quoted-Printable-Kodierung.")},
                    line);
}

QString unknownEncoding(int line, const QString& encoding)
{
    return inCodeText({QStringLiteral("Linje %1: ukendt kodning \"%2\"."),
                       QStringLiteral("Line %1: unknown encoding \"%2\"."),
                       QStringLiteral("Linje %1: ukjent koding \"%2\"."),
                       QStringLiteral("Rad %1: okänd kodning \"%2\"."),
                       QStringLiteral("Zeile %1: unbekannte Kodierung \"%2\".")})
        .arg(line)
        .arg(encoding);
}

QString unknownCharset(int line, const QString& charset)
{
    return inCodeText({QStringLiteral("Linje %1: ukendt tegnsæt \"%2\"."),
                       QStringLiteral("Line %1: unknown character set \"%2\"."),
                       QStringLiteral("Linje %1: ukjent tegnsett \"%2\"."),
                       QStringLiteral("Rad %1: okänd teckenuppsättning \"%2\"."),
                       QStringLiteral("Zeile %1: unbekannter Zeichensatz \"%2\".")})
        .arg(line)
        .arg(charset);
}

QString badCharacters(int line, const QString& charset)
{
    return inCodeText({QStringLiteral("Linje %1: teksten er ikke gyldig %2."),
                       QStringLiteral("Line %1: the text is not valid %2."),
                       QStringLiteral("Linje %1: teksten er ikke gyldig %2."),
                       QStringLiteral("Rad %1: texten är inte giltig %2."),
                       QStringLiteral("Zeile %1: der Text ist kein gültiges %2.")})
        .arg(line)
        .arg(charset);
}

QString badDate(int line, const QString& text)
{
    return inCodeText({QStringLiteral("Linje %1: \"%2\" er ikke en gyldig dato."),
                       QStringLiteral("Line %1: \"%2\" is not a valid date."),
                       QStringLiteral("Linje %1: \"%2\" er ikke en gyldig dato."),
                       QStringLiteral("Rad %1: \"%2\" är inte ett giltigt datum."),
                       QStringLiteral("Zeile %1: \"%2\" ist kein gültiges Datum.")})
        .arg(line)
        .arg(text);
}

QString unknownVersion(int line, const QString& version)
{
    return inCodeText({QStringLiteral("Linje %1: vCard-version %2 kendes ikke."),
                       QStringLiteral("Line %1: vCard version %2 is not known."),
                       QStringLiteral("Linje %1: vCard-versjon %2 er ukjent."),
                       QStringLiteral("Rad %1: vCard-version %2 är okänd."),
                       QStringLiteral("Zeile %1: vCard-Version %2 ist unbekannt.")})
        .arg(line)
        .arg(version);
}

QString noName(int line)
{
    return lineText({QStringLiteral("Kontakten fra linje %1 har intet navn."),
                     QStringLiteral("The contact from line %1 has no name."),
                     QStringLiteral("Kontakten fra linje %1 har ikke noe navn."),
                     QStringLiteral("Kontakten från rad %1 har inget namn."),
                     QStringLiteral("Der Kontakt ab Zeile %1 hat keinen Namen.")},
                    line);
}

QString pictureNotUsable(const QString& why)
{
    return inCodeText(
               {QStringLiteral(
                    "Billedet er udeladt, fordi det ikke er et brugbart JPEG-billede: %1"),
                QStringLiteral(
                    "The picture is left out because it is not a usable JPEG picture: %1"),
                QStringLiteral("Bildet er utelatt fordi det ikke er et brukbart JPEG-bilde: %1"),
                QStringLiteral(
                    "Bilden har utelämnats eftersom den inte är en användbar JPEG-bild: %1"),
                QStringLiteral(
                    "Das Bild wurde weggelassen, weil es kein verwendbares JPEG-Bild ist: %1")})
        .arg(why);
}

QString pictureIsLink(const QString& link)
{
    return inCodeText({QStringLiteral("Billedet er et link og hentes ikke: %1"),
                       QStringLiteral("The picture is a link and is not fetched: %1"),
                       QStringLiteral("Bildet er en lenke og hentes ikke: %1"),
                       QStringLiteral("Bilden är en länk och hämtas inte: %1"),
                       QStringLiteral("Das Bild ist ein Link und wird nicht geladen: %1")})
        .arg(link);
}

QString pictureTooLarge(const QString& name, int megabytes)
{
    return inCodeText(
               {QStringLiteral("Billedet til %1 er større end %2 MB og er ikke med i filen."),
                QStringLiteral("The picture of %1 is larger than %2 MB and is not in the file."),
                QStringLiteral("Bildet til %1 er større enn %2 MB og er ikke med i filen."),
                QStringLiteral("Bilden till %1 är större än %2 MB och finns inte med i filen."),
                QStringLiteral("Das Bild von %1 ist größer als %2 MB und ist nicht in der Datei.")})
        .arg(name)
        .arg(megabytes);
}

QString pictureNotSaved(const QString& name, const QString& why)
{
    return inCodeText({QStringLiteral("Billedet til %1 kunne ikke gemmes: %2"),
                       QStringLiteral("The picture of %1 could not be saved: %2"),
                       QStringLiteral("Bildet til %1 kunne ikke lagres: %2"),
                       QStringLiteral("Bilden till %1 kunde inte sparas: %2"),
                       QStringLiteral("Das Bild von %1 konnte nicht gespeichert werden: %2")})
        .arg(name, why);
}

QString birthdaySummary(const QString& who)
{
    return inCodeText({QStringLiteral("Fødselsdag: %1"), QStringLiteral("Birthday: %1"),
                       QStringLiteral("Bursdag: %1"), QStringLiteral("Födelsedag: %1"),
                       QStringLiteral("Geburtstag: %1")})
        .arg(who);
}

QString relationWord(const QString& standardType)
{
    const QString type = standardType.toLower();
    if (type == u"spouse")
        return inCodeText({QStringLiteral("Ægtefælle"), QStringLiteral("Spouse"),
                           QStringLiteral("Ektefelle"), QStringLiteral("Make/maka"),
                           QStringLiteral("Ehepartner")});
    if (type == u"child")
        return inCodeText({QStringLiteral("Barn"), QStringLiteral("Child"), QStringLiteral("Barn"),
                           QStringLiteral("Barn"), QStringLiteral("Kind")});
    if (type == u"parent")
        return inCodeText({QStringLiteral("Forælder"), QStringLiteral("Parent"),
                           QStringLiteral("Forelder"), QStringLiteral("Förälder"),
                           QStringLiteral("Elternteil")});
    if (type == u"sibling")
        return inCodeText({QStringLiteral("Søskende"), QStringLiteral("Sibling"),
                           QStringLiteral("Søsken"), QStringLiteral("Syskon"),
                           QStringLiteral("Geschwister")});
    return standardType;
}

} // namespace ExchangeText
