#include "core/vcard/VCardWriter.h"

#include "core/vcard/ContentLine.h"
#include "core/vcard/VCardNames.h"

namespace {

using F = ContactField;

// Builds one logical line at a time in a buffer that is kept between lines.
class CardWriter
{
public:
    CardWriter(QByteArray& out, VCardVersion version) : m_out(out), m_version(version) {}

    void plain(const char* line)
    {
        m_line = line;
        flush();
    }

    // NAME;params:escaped text
    void text(const char* name, const QString& value, const QByteArray& params = {})
    {
        start(name, params);
        ContentLine::appendEscaped(m_line, value);
        flush();
    }

    void textIfAny(const char* name, const QString& value, const QByteArray& params = {})
    {
        if (!value.isEmpty())
            text(name, value, params);
    }

    // NAME;params:a;b;c with each component escaped
    void structured(const char* name, std::initializer_list<QString> parts,
                    const QByteArray& params = {})
    {
        start(name, params);
        bool first = true;
        for (const QString& part : parts) {
            if (!first)
                m_line += ';';
            first = false;
            ContentLine::appendEscaped(m_line, part);
        }
        flush();
    }

    void raw(const QByteArray& name, const QByteArray& value)
    {
        m_line = name;
        m_line += ':';
        m_line += value;
        flush();
    }

    QByteArray date(const QString& text) const
    {
        const QDate d = Birthday::fromText(text);
        if (!d.isValid())
            return {};
        if (!Birthday::hasYear(d))
            return d
                .toString(m_version == VCardVersion::V40 ? QStringLiteral("--MMdd")
                                                         : QStringLiteral("--MM-dd"))
                .toLatin1();
        return d
            .toString(m_version == VCardVersion::V40 ? QStringLiteral("yyyyMMdd")
                                                     : QStringLiteral("yyyy-MM-dd"))
            .toLatin1();
    }

    // The parameters of a property that names its field, with the preferred
    // mark as the version writes it.
    QByteArray typed(const char* types40, const char* types30, ContactField field,
                     bool preferred = false) const
    {
        const bool v4 = m_version == VCardVersion::V40;
        QByteArray p = "TYPE=";
        p += v4 ? types40 : types30;
        if (preferred)
            p += v4 ? ";PREF=1" : ",pref";
        p += ';';
        p += VCardNames::FieldParameter;
        p += '=';
        p += fieldName(field).toLatin1();
        return p;
    }

    VCardVersion version() const { return m_version; }

private:
    void start(const char* name, const QByteArray& params)
    {
        m_line = name;
        if (!params.isEmpty()) {
            m_line += ';';
            m_line += params;
        }
        m_line += ':';
    }
    void flush() { ContentLine::appendFolded(m_out, m_line); }

    QByteArray& m_out;
    VCardVersion m_version;
    QByteArray m_line;
};

// "Anna Marie Jensen": family name Jensen, given names Anna Marie.
void writeName(CardWriter& w, const QString& name)
{
    const QString trimmed = name.trimmed();
    const qsizetype space = trimmed.lastIndexOf(u' ');
    const QString family = space < 0 ? trimmed : trimmed.sliced(space + 1);
    const QString given = space < 0 ? QString() : trimmed.first(space);
    w.text("FN", name);
    w.structured("N", {family, given, QString(), QString(), QString()});
}

void writeHome(CardWriter& w, const ContactRecord& c)
{
    // Always written, even empty: the country it carries may be empty on
    // purpose, and a new contact would otherwise get the default one.
    w.structured("ADR",
                 {QString(), c[F::Adresse2], c[F::Adresse1], c[F::Bynavn], QString(), c[F::Postnr],
                  c[F::Land]},
                 w.typed("home", "home", F::Adresse1));
    w.textIfAny("TEL", c[F::Telefon], w.typed("home,voice", "home,voice", F::Telefon, true));
    w.textIfAny("TEL", c[F::Mobil], w.typed("cell", "cell", F::Mobil));
    w.textIfAny("TEL", c[F::AltTelefon], w.typed("voice", "voice", F::AltTelefon));
    w.textIfAny("TEL", c[F::Fax], w.typed("home,fax", "home,fax", F::Fax));
    w.textIfAny("EMAIL", c[F::EMail], w.typed("home", "internet,home", F::EMail));
    w.textIfAny("URL", c[F::Hjemmeside], w.typed("home", "home", F::Hjemmeside));
}

void writeWork(CardWriter& w, const ContactRecord& c)
{
    w.textIfAny("ORG", c[F::ArbFirma]);
    w.textIfAny("TITLE", c[F::Stilling]);
    if (!c[F::ArbAdresse].isEmpty() || !c[F::ArbPostnr].isEmpty() || !c[F::ArbBy].isEmpty())
        w.structured("ADR",
                     {QString(), QString(), c[F::ArbAdresse], c[F::ArbBy], QString(),
                      c[F::ArbPostnr], QString()},
                     w.typed("work", "work", F::ArbAdresse));
    w.textIfAny("TEL", c[F::ArbTfl], w.typed("work,voice", "work,voice", F::ArbTfl));
    w.textIfAny("TEL", c[F::ArbFax], w.typed("work,fax", "work,fax", F::ArbFax));
    w.textIfAny("EMAIL", c[F::ArbMail], w.typed("work", "internet,work", F::ArbMail));
    w.textIfAny("URL", c[F::ArbHjemmeside], w.typed("work", "work", F::ArbHjemmeside));
}

void writeExtensions(CardWriter& w, const ContactRecord& c)
{
    for (ContactField f : VCardNames::extensionFields()) {
        // The card marks are written even empty: a new contact gets "Nej".
        const bool always = f == F::FKort || f == F::JKort;
        if (always || !c[f].isEmpty())
            w.text(VCardNames::extensionProperty(f).constData(), c[f]);
    }
}

void writePicture(CardWriter& w, const QByteArray& picture)
{
    if (picture.isEmpty())
        return;
    if (w.version() == VCardVersion::V40)
        w.raw("PHOTO", "data:image/jpeg;base64," + picture.toBase64());
    else
        w.raw("PHOTO;ENCODING=b;TYPE=JPEG", picture.toBase64());
}

void writeFamily(CardWriter& w, const ContactRecord& c)
{
    int n = 0;
    for (const FamilyRecord& m : c.family) {
        const QByteArray group = "FAM" + QByteArray::number(++n) + '.';
        const QByteArray related = group + "RELATED";
        w.text(related.constData(), m[FamilyField::FamNavn],
               "VALUE=text;TYPE=" + VCardNames::relatedType(m[FamilyField::Relation]));
        for (FamilyField f :
             {FamilyField::FamTelefon, FamilyField::Relation, FamilyField::Notater}) {
            const QByteArray name = group + VCardNames::extensionProperty(f);
            w.textIfAny(name.constData(), m[f]);
        }
        const QByteArray birthday = w.date(m[FamilyField::Fodselsdag]);
        if (!birthday.isEmpty())
            w.raw(group + VCardNames::extensionProperty(FamilyField::Fodselsdag), birthday);
    }
}

} // namespace

namespace VCardWriter {

void append(QByteArray& out, const ContactRecord& c, VCardVersion version)
{
    CardWriter w(out, version);
    w.plain("BEGIN:VCARD");
    w.plain(version == VCardVersion::V40 ? "VERSION:4.0" : "VERSION:3.0");
    w.plain("PRODID:-//Kalvindo//Kalvindo 1.0//DA");
    writeName(w, c[F::Navn]);
    writeHome(w, c);
    const QByteArray birthday = w.date(c[F::Fodselsdag]);
    if (!birthday.isEmpty())
        w.raw("BDAY", birthday);
    w.textIfAny("CATEGORIES", c[F::Nogleord]);
    w.textIfAny("NOTE", c[F::Notater]);
    writeWork(w, c);
    writeExtensions(w, c);
    writePicture(w, c.picture);
    writeFamily(w, c);
    w.plain("END:VCARD");
}

} // namespace VCardWriter
