#include "core/vcard/VCardWriter.h"

#include "core/vcard/ContentLine.h"
#include "core/vcard/VCardNames.h"

#include <algorithm>
#include <array>

namespace {

using F = ContactField;

QByteArray digits(int n, int count)
{
    QByteArray d = QByteArray::number(n);
    return d.size() < count ? QByteArray(count - d.size(), '0') + d : d;
}

// Writes one logical line at a time.
class CardWriter
{
public:
    CardWriter(QByteArray& out, VCardVersion version) : m_out(out), m_version(version) {}

    void plain(const char* line)
    {
        m_start = m_out.size();
        m_out += line;
        flush();
    }

    // NAME;params:escaped text
    void text(const char* name, const QString& value, const QByteArray& params = {})
    {
        start(name, params);
        ContentLine::appendEscaped(m_out, value);
        flush();
    }

    void textIfAny(const char* name, const QString& value, const QByteArray& params = {})
    {
        if (!value.isEmpty())
            text(name, value, params);
    }

    // NAME;params:a;b;c with each component escaped
    void structured(const char* name, std::initializer_list<QStringView> parts,
                    const QByteArray& params = {})
    {
        start(name, params);
        bool first = true;
        for (QStringView part : parts) {
            if (!first)
                m_out += ';';
            first = false;
            ContentLine::appendEscaped(m_out, part);
        }
        flush();
    }

    void raw(const QByteArray& name, const QByteArray& value)
    {
        m_start = m_out.size();
        m_out += name;
        m_out += ':';
        m_out += value;
        flush();
    }

    // A date as the version writes it: 4.0 "19700109" or "--0109" without a
    // year, 3.0 "1970-01-09" or "--01-09".
    QByteArray date(const QString& text) const
    {
        const QDate d = Birthday::fromText(text);
        if (!d.isValid())
            return {};
        const char* separator = m_version == VCardVersion::V40 ? "" : "-";
        QByteArray out = Birthday::hasYear(d) ? digits(d.year(), 4) + separator : QByteArray("--");
        out += digits(d.month(), 2);
        out += separator;
        out += digits(d.day(), 2);
        return out;
    }

    VCardVersion version() const { return m_version; }

private:
    // Each line is written straight into the output and folded there.
    void start(const char* name, const QByteArray& params)
    {
        m_start = m_out.size();
        m_out += name;
        if (!params.isEmpty()) {
            m_out += ';';
            m_out += params;
        }
        m_out += ':';
    }
    void flush() { ContentLine::foldFrom(m_out, m_start); }

    QByteArray& m_out;
    VCardVersion m_version;
    qsizetype m_start = 0; // where the line being written begins in m_out
};

// "Anna Marie Jensen": family name Jensen, given names Anna Marie.
void writeName(CardWriter& w, const QString& name)
{
    const QStringView trimmed = QStringView(name).trimmed();
    const qsizetype space = trimmed.lastIndexOf(u' ');
    w.text("FN", name);
    w.structured("N", {space < 0 ? trimmed : trimmed.sliced(space + 1),
                       space < 0 ? QStringView() : trimmed.first(space), QStringView(),
                       QStringView(), QStringView()});
}

// A phone, e-mail, web or address field: the property that carries it, its
// types in 4.0 and in 3.0, and whether it is the preferred one of its kind.
struct Slot
{
    ContactField field;
    const char* name;
    const char* types40;
    const char* types30;
    bool preferred = false;
};

constexpr Slot Slots[] = {
    {F::Adresse1, "ADR", "home", "home"},
    {F::Telefon, "TEL", "home,voice", "home,voice", true},
    {F::Mobil, "TEL", "cell", "cell"},
    {F::AltTelefon, "TEL", "voice", "voice"},
    {F::Fax, "TEL", "home,fax", "home,fax"},
    {F::EMail, "EMAIL", "home", "internet,home"},
    {F::Hjemmeside, "URL", "home", "home"},
    {F::ArbAdresse, "ADR", "work", "work"},
    {F::ArbTfl, "TEL", "work,voice", "work,voice"},
    {F::ArbFax, "TEL", "work,fax", "work,fax"},
    {F::ArbMail, "EMAIL", "work", "internet,work"},
    {F::ArbHjemmeside, "URL", "work", "work"},
};

// The parameters of a slot's property, built once: its types, the preferred
// mark as the version writes it, and the field it comes from.
const QByteArray& parameters(const Slot& slot, VCardVersion version)
{
    constexpr size_t count = std::size(Slots);
    static const std::array<QByteArray, 2 * count> all = [] {
        std::array<QByteArray, 2 * count> built;
        for (size_t i = 0; i < count; ++i) {
            for (const bool v4 : {false, true}) {
                const Slot& s = Slots[i];
                QByteArray p = QByteArray("TYPE=") + (v4 ? s.types40 : s.types30);
                if (s.preferred)
                    p += v4 ? ";PREF=1" : ",pref";
                p += ';';
                p += VCardNames::FieldParameter;
                p += '=';
                p += fieldName(s.field).toLatin1();
                built[2 * i + (v4 ? 1 : 0)] = p;
            }
        }
        return built;
    }();
    return all[2 * size_t(&slot - Slots) + (version == VCardVersion::V40 ? 1 : 0)];
}

const Slot& slotOf(ContactField field)
{
    return *std::find_if(std::begin(Slots), std::end(Slots),
                         [field](const Slot& s) { return s.field == field; });
}

void writeSlots(CardWriter& w, const ContactRecord& c, std::initializer_list<ContactField> fields)
{
    for (ContactField f : fields) {
        const Slot& slot = slotOf(f);
        w.textIfAny(slot.name, c[f], parameters(slot, w.version()));
    }
}

void writeHome(CardWriter& w, const ContactRecord& c)
{
    // Always written, even empty: the country it carries may be empty on
    // purpose, and a new contact would otherwise get the default one.
    w.structured("ADR",
                 {QStringView(), c[F::Adresse2], c[F::Adresse1], c[F::Bynavn], QStringView(),
                  c[F::Postnr], c[F::Land]},
                 parameters(slotOf(F::Adresse1), w.version()));
    writeSlots(w, c, {F::Telefon, F::Mobil, F::AltTelefon, F::Fax, F::EMail, F::Hjemmeside});
}

void writeWork(CardWriter& w, const ContactRecord& c)
{
    w.textIfAny("ORG", c[F::ArbFirma]);
    w.textIfAny("TITLE", c[F::Stilling]);
    if (!c[F::ArbAdresse].isEmpty() || !c[F::ArbPostnr].isEmpty() || !c[F::ArbBy].isEmpty())
        w.structured("ADR",
                     {QStringView(), QStringView(), c[F::ArbAdresse], c[F::ArbBy], QStringView(),
                      c[F::ArbPostnr], QStringView()},
                     parameters(slotOf(F::ArbAdresse), w.version()));
    writeSlots(w, c, {F::ArbTfl, F::ArbFax, F::ArbMail, F::ArbHjemmeside});
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
