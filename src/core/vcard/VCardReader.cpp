#include "core/vcard/VCardReader.h"

#include "core/i18n/Windows1252.h"
#include "core/vcard/ExchangeTexts.h"
#include "core/vcard/VCardNames.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {

enum class Version
{
    V21,
    V30,
    V40
};

// A contact that cannot be read; caught at its END:VCARD.
struct CardError
{
    QString message;
};

struct Param
{
    QByteArray name; // upper case
    QList<QByteArray> values;
};

struct Property
{
    int line = 0;
    QByteArray group; // upper case, empty when none
    QByteArray name;  // upper case
    std::vector<Param> params;
    QByteArray value; // as it stands after the colon

    QByteArray first(const char* param) const
    {
        for (const Param& p : params)
            if (p.name == param && !p.values.isEmpty())
                return p.values.front();
        return {};
    }
    // TYPE values are kept in upper case.
    bool hasType(const char* type) const
    {
        for (const Param& p : params)
            if (p.name == "TYPE" && p.values.contains(type))
                return true;
        return false;
    }
    bool preferred() const { return hasType("PREF") || !first("PREF").isEmpty(); }
    QList<QByteArray> types() const
    {
        QList<QByteArray> all;
        for (const Param& p : params)
            if (p.name == "TYPE")
                all += p.values;
        return all;
    }
};

constexpr int MaxLineMegabytes = int(VCardReader::MaxLineBytes >> 20);

// --- lines -------------------------------------------------------------------

// Gives the file's logical lines: folded lines joined again, and the soft
// line breaks of quoted-printable values taken out.
class LineReader
{
public:
    explicit LineReader(QByteArrayView data) : m_data(data) {}

    bool next(QByteArray& line, int& number)
    {
        QByteArrayView part;
        if (!physical(part))
            return false;
        number = m_line;
        line.clear();
        append(line, part, number);
        const bool quotedPrintable = isQuotedPrintable(part);
        for (;;) {
            if (quotedPrintable && line.endsWith('=') && physical(part)) {
                line.chop(1);
                append(line, part, number);
            } else if (m_pos < m_data.size() && (m_data[m_pos] == ' ' || m_data[m_pos] == '\t')) {
                physical(part);
                append(line, part.sliced(1), number);
            } else {
                return true;
            }
        }
    }
    qsizetype position() const { return m_pos; }
    int lineNumber() const { return m_line; }

private:
    bool physical(QByteArrayView& line)
    {
        if (m_pos >= m_data.size())
            return false;
        const char* begin = m_data.data() + m_pos;
        const qsizetype rest = m_data.size() - m_pos;
        const auto* end = static_cast<const char*>(std::memchr(begin, '\n', size_t(rest)));
        qsizetype length = end ? end - begin : rest;
        m_pos += end ? length + 1 : length;
        ++m_line;
        if (length > 0 && begin[length - 1] == '\r')
            --length;
        line = QByteArrayView(begin, length);
        return true;
    }
    static void append(QByteArray& line, QByteArrayView part, int number)
    {
        if (line.size() + part.size() > VCardReader::MaxLineBytes)
            throw EVCardError(number, ExchangeText::lineTooLong(number, MaxLineMegabytes));
        line.append(part);
    }
    static bool isQuotedPrintable(QByteArrayView line)
    {
        const qsizetype colon = line.indexOf(':');
        const QByteArrayView head = colon < 0 ? line : line.first(colon);
        return head.size() >= 16 && head.toByteArray().toUpper().contains("QUOTED-PRINTABLE");
    }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    int m_line = 0;
};

// --- properties --------------------------------------------------------------

QByteArray caretDecoded(const QByteArray& value)
{
    if (!value.contains('^'))
        return value;
    QByteArray out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '^' && i + 1 < value.size()) {
            const char c = value[i + 1];
            if (c == 'n' || c == 'N' || c == '^' || c == '\'') {
                out += c == '^' ? '^' : c == '\'' ? '"' : '\n';
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

bool isEncodingWord(const QByteArray& word)
{
    return word == "QUOTED-PRINTABLE" || word == "BASE64" || word == "B" || word == "8BIT" ||
           word == "7BIT";
}

Property parseProperty(const QByteArray& line, int number)
{
    Property p;
    p.line = number;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && line[i] != ';' && line[i] != ':')
        ++i;
    if (i == n)
        throw CardError{ExchangeText::noColon(number)};
    const QByteArray name = line.first(i).trimmed().toUpper();
    const qsizetype dot = name.lastIndexOf('.');
    p.group = dot < 0 ? QByteArray() : name.first(dot);
    p.name = dot < 0 ? name : name.sliced(dot + 1);

    while (i < n && line[i] == ';') {
        ++i;
        const qsizetype start = i;
        while (i < n && line[i] != '=' && line[i] != ';' && line[i] != ':')
            ++i;
        Param param;
        param.name = line.sliced(start, i - start).trimmed().toUpper();
        if (i < n && line[i] == '=') {
            ++i;
            for (;;) {
                QByteArray value;
                if (i < n && line[i] == '"') {
                    const qsizetype close = line.indexOf('"', i + 1);
                    if (close < 0)
                        throw CardError{ExchangeText::noColon(number)};
                    value = line.sliced(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const qsizetype from = i;
                    while (i < n && line[i] != ',' && line[i] != ';' && line[i] != ':')
                        ++i;
                    value = line.sliced(from, i - from).trimmed();
                }
                value = caretDecoded(value);
                if (param.name == "TYPE" || param.name == "ENCODING") {
                    for (const QByteArray& v : value.split(','))
                        param.values << v.trimmed().toUpper();
                } else {
                    param.values << value;
                }
                if (i < n && line[i] == ',') {
                    ++i;
                    continue;
                }
                break;
            }
        } else if (!param.name.isEmpty()) {
            // vCard 2.1 names types and encodings alone: TEL;HOME;VOICE:
            param.values << param.name;
            param.name = isEncodingWord(param.name) ? QByteArray("ENCODING") : QByteArray("TYPE");
        }
        if (!param.name.isEmpty())
            p.params.push_back(std::move(param));
    }
    if (i >= n || line[i] != ':')
        throw CardError{ExchangeText::noColon(number)};
    p.value = line.sliced(i + 1);
    return p;
}

// --- values ------------------------------------------------------------------

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray quotedPrintable(const QByteArray& value, int line)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != '=') {
            out += value[i];
            continue;
        }
        const int high = i + 1 < value.size() ? hexValue(value[i + 1]) : -1;
        const int low = i + 2 < value.size() ? hexValue(value[i + 2]) : -1;
        if (high >= 0 && low >= 0) {
            out += char(high * 16 + low);
            i += 2;
        } else if (value.sliced(i + 1).trimmed().isEmpty()) {
            break; // a soft line break at the very end
        } else {
            throw CardError{ExchangeText::badQuotedPrintable(line)};
        }
    }
    return out;
}

QByteArray base64(QByteArrayView value, int line)
{
    QByteArray compact;
    compact.reserve(value.size());
    for (char c : value)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            compact += c;
    auto result = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (result.decodingStatus != QByteArray::Base64DecodingStatus::Ok || (compact.size() % 4 == 1))
        throw CardError{ExchangeText::badBase64(line)};
    return std::move(result.decoded);
}

QByteArray decodedBytes(const Property& p)
{
    const QByteArray encoding = p.first("ENCODING");
    if (encoding.isEmpty() || encoding == "8BIT" || encoding == "7BIT")
        return p.value;
    if (encoding == "QUOTED-PRINTABLE")
        return quotedPrintable(p.value, p.line);
    if (encoding == "B" || encoding == "BASE64")
        return base64(p.value, p.line);
    throw CardError{ExchangeText::unknownEncoding(p.line, QString::fromLatin1(encoding))};
}

bool isAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

std::optional<QString> utf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString latin9(const QByteArray& bytes)
{
    QString text = QString::fromLatin1(bytes);
    for (QChar& c : text) {
        switch (c.unicode()) {
        case 0xA4:
            c = QChar(0x20AC);
            break;
        case 0xA6:
            c = QChar(0x0160);
            break;
        case 0xA8:
            c = QChar(0x0161);
            break;
        case 0xB4:
            c = QChar(0x017D);
            break;
        case 0xB8:
            c = QChar(0x017E);
            break;
        case 0xBC:
            c = QChar(0x0152);
            break;
        case 0xBD:
            c = QChar(0x0153);
            break;
        case 0xBE:
            c = QChar(0x0178);
            break;
        default:
            break;
        }
    }
    return text;
}

QString decodedCharset(const QByteArray& bytes, const QByteArray& charset, int line)
{
    if (charset.isEmpty()) {
        if (isAscii(bytes))
            return QString::fromLatin1(bytes);
        // Undeclared 8-bit text: UTF-8 where it is valid, else the code page
        // that older programs wrote without saying so.
        if (auto text = utf8(bytes))
            return *text;
        return Windows1252::decode(bytes);
    }
    QByteArray name = charset.toUpper();
    name.replace('-', "").replace('_', "");
    if (name == "UTF8" || name == "USASCII" || name == "ASCII") {
        if (auto text = utf8(bytes))
            return *text;
        throw CardError{ExchangeText::badCharacters(line, QString::fromLatin1(charset))};
    }
    if (name == "WINDOWS1252" || name == "CP1252")
        return Windows1252::decode(bytes);
    if (name == "ISO88591" || name == "LATIN1")
        return QString::fromLatin1(bytes);
    if (name == "ISO885915" || name == "LATIN9")
        return latin9(bytes);
    throw CardError{ExchangeText::unknownCharset(line, QString::fromLatin1(charset))};
}

QString normalizedNewlines(QString text)
{
    if (text.contains(u'\r'))
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return text;
}

// Text after decoding, still with its escapes.
QString rawText(const Property& p)
{
    return normalizedNewlines(decodedCharset(decodedBytes(p), p.first("CHARSET"), p.line));
}

QString unescaped(QStringView text, Version version)
{
    if (!text.contains(u'\\'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[i + 1];
        if (version == Version::V21) {
            // 2.1 escapes only the separator of structured values.
            if (next == u';') {
                out += next;
                ++i;
            } else {
                out += c;
            }
            continue;
        }
        out += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
        ++i;
    }
    return out;
}

// Splits at separators that are not escaped; the parts keep their escapes.
QList<QStringView> splitEscaped(QStringView text, QChar separator)
{
    QList<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
        } else if (text[i] == separator) {
            parts << text.sliced(start, i - start);
            start = i + 1;
        }
    }
    parts << text.sliced(start);
    return parts;
}

QString text(const Property& p, Version version)
{
    return unescaped(rawText(p), version);
}

// The items of a list value ("a,b,c"), each unescaped.
QStringList listItems(QStringView raw, Version version)
{
    QStringList items;
    const QList<QStringView> parts =
        version == Version::V21 ? QList<QStringView>{raw} : splitEscaped(raw, u',');
    for (QStringView part : parts)
        items << unescaped(part, version);
    return items;
}

// The components of a structured value (N, ADR, ORG); a component that is
// a list is joined with commas.
QStringList components(const Property& p, Version version, qsizetype atLeast)
{
    const QString raw = rawText(p);
    QStringList out;
    for (QStringView part : splitEscaped(raw, u';')) {
        QStringList items = listItems(part, version);
        items.removeAll(QString());
        out << items.join(QStringLiteral(", "));
    }
    while (out.size() < atLeast)
        out << QString();
    return out;
}

QDate date(const Property& p, const QString& value)
{
    QString t = value.trimmed();
    const qsizetype time = t.indexOf(u'T');
    if (time >= 0)
        t.truncate(time);
    QDate d;
    if (t.startsWith(QStringLiteral("--"))) {
        const QString monthDay = t.sliced(2).remove(u'-');
        if (monthDay.size() == 4)
            d = QDate(Birthday::NoYear, monthDay.first(2).toInt(), monthDay.sliced(2).toInt());
    } else {
        const QString bare = QString(t).remove(u'-');
        const bool shaped = (t.size() == 8 && bare.size() == 8) ||
                            (t.size() == 10 && bare.size() == 8 && t[4] == u'-' && t[7] == u'-');
        if (shaped)
            d = QDate(bare.first(4).toInt(), bare.sliced(4, 2).toInt(), bare.sliced(6).toInt());
    }
    const bool digits =
        std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit() || c == u'-'; });
    if (!d.isValid() || !digits)
        throw CardError{ExchangeText::badDate(p.line, value)};
    return d;
}

// --- from properties to a contact ----------------------------------------------

enum class Kind
{
    Phone,
    Mail,
    Web,
    Address
};

const ContactField HomeAddress = ContactField::Adresse1;
const ContactField WorkAddress = ContactField::ArbAdresse;

// A phone, mail, web or address property waiting for a field.
struct Candidate
{
    int rank = 2; // 0: names its own field, 1: preferred, 2: the rest
    std::vector<ContactField> fields;
    QStringList value; // one text, or the seven address components
    QString label;     // for the notes when no field is free
};

// What a candidate that names its own field was written by us, so an empty
// country in its address is meant.
inline bool isExact(const Candidate& c)
{
    return c.rank == 0;
}

class CardBuilder
{
public:
    CardBuilder(Version version) : m_version(version) {}

    void collectLabels(const std::vector<Property>& props)
    {
        for (const Property& p : props)
            if (!p.group.isEmpty() && p.name.startsWith("X-") && p.name.endsWith("LABEL"))
                m_groupLabels.insert(p.group, cleanLabel(text(p, m_version)));
    }

    void add(const Property& p)
    {
        const QByteArray& n = p.name;
        if (n == "FN")
            m_fullName = text(p, m_version).trimmed();
        else if (n == "N")
            m_structuredName = components(p, m_version, 5);
        else if (n == "ORG")
            addOrganisation(p);
        else if (n == "TITLE")
            set(ContactField::Stilling, text(p, m_version));
        else if (n == "TEL")
            addPhone(p);
        else if (n == "EMAIL")
            addCandidate(p, Kind::Mail, text(p, m_version).trimmed());
        else if (n == "URL")
            addCandidate(p, Kind::Web, text(p, m_version).trimmed());
        else if (n == "ADR")
            addAddress(p);
        else if (n == "BDAY")
            addBirthday(p);
        else if (n == "NOTE")
            m_notes << text(p, m_version);
        else if (n == "CATEGORIES")
            for (const QString& c : listItems(rawText(p), m_version))
                m_categories << c.trimmed();
        else if (n == "PHOTO")
            addPhoto(p);
        else if (n == "RELATED")
            member(p.group).related = &p;
        else if (n == "NICKNAME" || n == "ROLE" || n == "ANNIVERSARY")
            m_leftovers << label(p) + QStringLiteral(": ") + text(p, m_version);
        else
            addExtension(p);
    }

    // What was read but cannot be taken, for the preview.
    const QStringList& pictureNotes() const { return m_pictureNotes; }

    ContactRecord finish(int line)
    {
        assignFields();
        // The work address has no country of its own; one that differs from
        // the home country is kept in the notes.
        if (!m_workCountry.isEmpty() && m_workCountry != m_record[ContactField::Land])
            m_leftovers << QStringLiteral("ADR (work): ") + m_workCountry;
        QString name = m_fullName;
        if (name.isEmpty() && !m_structuredName.isEmpty()) {
            const QStringList& n = m_structuredName; // family;given;additional;prefix;suffix
            QStringList parts{n[3], n[1], n[2], n[0], n[4]};
            parts.removeAll(QString());
            name = parts.join(u' ');
        }
        if (name.isEmpty())
            name = m_record[ContactField::ArbFirma];
        if (name.isEmpty())
            throw CardError{ExchangeText::noName(line)};
        m_record[ContactField::Navn] = name;
        if (!m_categories.isEmpty()) {
            m_categories.removeAll(QString());
            if (!m_categories.isEmpty())
                m_record[ContactField::Nogleord] = m_categories.takeFirst();
            for (const QString& c : m_categories)
                m_leftovers << QStringLiteral("CATEGORIES: ") + c;
        }
        const QStringList notes = m_notes + m_leftovers;
        if (!notes.isEmpty())
            m_record[ContactField::Notater] = notes.join(u'\n');
        finishFamily();
        return std::move(m_record);
    }

private:
    struct Member
    {
        const Property* related = nullptr;
        FamilyRecord record;
        bool hasRelation = false;
    };

    static QString cleanLabel(const QString& label)
    {
        // Some programs wrap their own words in markers ("_$!<Mobile>!$_").
        QString clean;
        for (QChar c : label)
            if (c.isLetterOrNumber() || c == u' ' || c == u'-')
                clean += c;
        return clean.trimmed();
    }

    QString label(const Property& p) const
    {
        QStringList what;
        const QString groupLabel = m_groupLabels.value(p.group);
        if (!groupLabel.isEmpty())
            what << groupLabel;
        for (const QByteArray& t : p.types())
            if (t != "PREF" && t != "INTERNET" && t != "VOICE")
                what << QString::fromLatin1(t).toLower();
        const QString name = QString::fromLatin1(p.name);
        return what.isEmpty() ? name : name + QStringLiteral(" (") + what.join(u", ") + u')';
    }

    // A value the file gives, even an empty one, is never null: null stands
    // for what the file did not say.
    void set(ContactField field, const QString& value)
    {
        m_record[field] = value.isNull() ? QStringLiteral("") : value;
    }

    Member& member(const QByteArray& group)
    {
        // Ungrouped RELATED entries are members of their own.
        const QByteArray key =
            group.isEmpty() ? QByteArray::number(qint64(m_members.size())) + '#' : group;
        auto it = std::find_if(m_members.begin(), m_members.end(),
                               [&](const auto& m) { return m.first == key; });
        if (it != m_members.end())
            return it->second;
        m_members.emplace_back(key, Member());
        return m_members.back().second;
    }

    bool typed(const Property& p, const char* type, const char* labelWord) const
    {
        return p.hasType(type) ||
               m_groupLabels.value(p.group).contains(QLatin1String(labelWord), Qt::CaseInsensitive);
    }

    void addOrganisation(const Property& p)
    {
        QStringList units = components(p, m_version, 1);
        units.removeAll(QString());
        set(ContactField::ArbFirma, units.join(QStringLiteral(", ")));
    }

    void addPhone(const Property& p)
    {
        QString number = text(p, m_version).trimmed();
        if (number.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive))
            number = number.sliced(4);
        addCandidate(p, Kind::Phone, number);
    }

    std::vector<ContactField> fieldsFor(const Property& p, Kind kind) const
    {
        using F = ContactField;
        const bool work = typed(p, "WORK", "work") || typed(p, "WORK", "arbejde");
        switch (kind) {
        case Kind::Phone:
            if (typed(p, "FAX", "fax"))
                return {work ? F::ArbFax : F::Fax};
            if (typed(p, "CELL", "mobil") || p.hasType("MOBILE") || typed(p, "CELL", "cell"))
                return {F::Mobil, F::AltTelefon};
            if (p.hasType("PAGER"))
                return {};
            if (work)
                return {F::ArbTfl, F::AltTelefon};
            if (p.hasType("HOME") || p.hasType("MAIN") || onlyPlainTypes(p))
                return {F::Telefon, F::AltTelefon};
            return {F::AltTelefon, F::Telefon};
        case Kind::Mail:
            return {work ? F::ArbMail : F::EMail};
        case Kind::Web:
            return {work ? F::ArbHjemmeside : F::Hjemmeside};
        case Kind::Address:
            return {work ? WorkAddress : HomeAddress};
        }
        return {};
    }

    static bool onlyPlainTypes(const Property& p)
    {
        const auto types = p.types();
        return std::all_of(types.begin(), types.end(), [](const QByteArray& t) {
            return t == "VOICE" || t == "PREF" || t == "X-VOICE";
        });
    }

    void addCandidate(const Property& p, Kind kind, const QString& value)
    {
        addCandidate(p, kind, QStringList{value});
    }

    void addCandidate(const Property& p, Kind kind, const QStringList& value)
    {
        Candidate c;
        c.value = value;
        c.label = label(p);
        c.fields = fieldsFor(p, kind);
        c.rank = p.preferred() ? 1 : 2;
        const QByteArray own = p.first(VCardNames::FieldParameter);
        if (!own.isEmpty()) {
            for (int i = 0; i < ContactFieldCount; ++i) {
                if (fieldName(ContactField(i)).compare(QLatin1String(own), Qt::CaseInsensitive) ==
                        0 &&
                    fitsKind(ContactField(i), kind)) {
                    c.fields = {ContactField(i)};
                    c.rank = 0;
                }
            }
        }
        m_candidates.push_back(std::move(c));
    }

    static bool fitsKind(ContactField f, Kind kind)
    {
        using F = ContactField;
        switch (kind) {
        case Kind::Phone:
            return f == F::Telefon || f == F::Mobil || f == F::AltTelefon || f == F::Fax ||
                   f == F::ArbTfl || f == F::ArbFax || f == F::ArbAltNr || f == F::Lokal;
        case Kind::Mail:
            return f == F::EMail || f == F::ArbMail;
        case Kind::Web:
            return f == F::Hjemmeside || f == F::ArbHjemmeside;
        case Kind::Address:
            return f == HomeAddress || f == WorkAddress;
        }
        return false;
    }

    void addAddress(const Property& p)
    {
        // post box; extended; street; locality; region; code; country
        QStringList c = components(p, m_version, 7);
        addCandidate(p, Kind::Address, c);
    }

    void applyAddress(ContactField slot, const QStringList& c, bool exact)
    {
        QStringList lines = c[2].split(u'\n', Qt::SkipEmptyParts);
        const QString first = lines.isEmpty() ? QString() : lines.takeFirst();
        QStringList rest;
        for (const QString& l : lines)
            rest << l.trimmed();
        for (int i : {1, 0})
            if (!c[i].isEmpty())
                rest << c[i];
        if (!c[4].isEmpty())
            m_leftovers << QStringLiteral("ADR: ") + c[4];
        using F = ContactField;
        if (slot == HomeAddress) {
            set(F::Adresse1, first);
            set(F::Adresse2, rest.join(QStringLiteral(", ")));
            set(F::Bynavn, c[3]);
            set(F::Postnr, c[5]);
            if (exact || !c[6].isEmpty())
                set(F::Land, c[6]);
        } else {
            rest.prepend(first);
            rest.removeAll(QString());
            set(F::ArbAdresse, rest.join(QStringLiteral(", ")));
            set(F::ArbBy, c[3]);
            set(F::ArbPostnr, c[5]);
            m_workCountry = c[6];
        }
    }

    void assignFields()
    {
        std::stable_sort(m_candidates.begin(), m_candidates.end(),
                         [](const Candidate& a, const Candidate& b) { return a.rank < b.rank; });
        std::vector<bool> taken(ContactFieldCount, false);
        for (const Candidate& c : m_candidates) {
            auto free = std::find_if(c.fields.begin(), c.fields.end(),
                                     [&](ContactField f) { return !taken[size_t(f)]; });
            if (free == c.fields.end()) {
                QStringList parts = c.value;
                parts.removeAll(QString());
                if (!parts.isEmpty())
                    m_leftovers << c.label + QStringLiteral(": ") +
                                       parts.join(QStringLiteral(", "));
                continue;
            }
            taken[size_t(*free)] = true;
            if (*free == HomeAddress || *free == WorkAddress)
                applyAddress(*free, c.value, isExact(c));
            else
                set(*free, c.value.front());
        }
    }

    void addBirthday(const Property& p)
    {
        const QString value = text(p, m_version);
        if (p.first("VALUE").toUpper() == "TEXT") {
            m_leftovers << QStringLiteral("BDAY: ") + value;
            return;
        }
        set(ContactField::Fodselsdag, Birthday::toText(date(p, value)));
    }

    void addPhoto(const Property& p)
    {
        if (!m_record.picture.isEmpty())
            return;
        const QByteArray encoding = p.first("ENCODING");
        if (!encoding.isEmpty()) {
            m_record.picture = decodedBytes(p);
            return;
        }
        const QByteArray value = p.value.trimmed();
        if (value.startsWith("data:")) {
            const qsizetype comma = value.indexOf(',');
            if (comma < 0)
                throw CardError{ExchangeText::badBase64(p.line)};
            const QByteArray head = value.first(comma);
            const QByteArrayView payload = QByteArrayView(value).sliced(comma + 1);
            m_record.picture = head.endsWith(";base64")
                                   ? base64(payload, p.line)
                                   : QByteArray::fromPercentEncoding(payload.toByteArray());
            return;
        }
        if (!value.isEmpty())
            m_pictureNotes << ExchangeText::pictureIsLink(QString::fromUtf8(value.left(200)));
    }

    void addExtension(const Property& p)
    {
        if (!p.group.isEmpty()) {
            if (auto f = VCardNames::familyExtension(p.name)) {
                Member& m = member(p.group);
                const QString value = text(p, m_version);
                if (*f == FamilyField::Fodselsdag)
                    m.record[*f] =
                        value.trimmed().isEmpty() ? QString() : Birthday::toText(date(p, value));
                else
                    m.record[*f] = value;
                m.hasRelation = m.hasRelation || *f == FamilyField::Relation;
                return;
            }
        }
        if (auto f = VCardNames::contactExtension(p.name)) {
            const QString value = text(p, m_version);
            bool number = true;
            if (*f == ContactField::Reminder && !value.trimmed().isEmpty())
                value.trimmed().toInt(&number);
            if (number)
                set(*f, value);
            else
                m_leftovers << QString::fromLatin1(p.name) + QStringLiteral(": ") + value;
        }
    }

    void finishFamily()
    {
        for (auto& [key, m] : m_members) {
            if (!m.related)
                continue;
            const Property& p = *m.related;
            const QString value = text(p, m_version).trimmed();
            const QByteArray kind = p.first("VALUE").toUpper();
            if (kind == "URI" || (kind != "TEXT" && looksLikeUri(value)))
                continue; // a reference to another card, not a name
            m.record[FamilyField::FamNavn] = value;
            if (!m.hasRelation) {
                const auto types = p.types();
                if (!types.isEmpty())
                    m.record[FamilyField::Relation] =
                        ExchangeText::relationWord(QString::fromLatin1(types.front()).toLower());
            }
            m_record.family.push_back(m.record);
        }
    }

    static bool looksLikeUri(const QString& value)
    {
        const qsizetype colon = value.indexOf(u':');
        if (colon <= 0)
            return false;
        for (qsizetype i = 0; i < colon; ++i) {
            const QChar c = value[i];
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'+' && c != u'-' && c != u'.')
                return false;
        }
        return value[0].isLetter();
    }

    Version m_version;
    ContactRecord m_record;
    QString m_fullName;
    QStringList m_structuredName;
    QStringList m_notes;
    QStringList m_categories;
    QStringList m_leftovers;
    QStringList m_pictureNotes;
    QString m_workCountry;
    QHash<QByteArray, QString> m_groupLabels;
    std::vector<Candidate> m_candidates;
    std::vector<std::pair<QByteArray, Member>> m_members;
};

Version versionOf(const std::vector<Property>& props)
{
    for (const Property& p : props) {
        if (p.name != "VERSION")
            continue;
        const QByteArray v = p.value.trimmed();
        if (v == "2.1")
            return Version::V21;
        if (v == "3.0")
            return Version::V30;
        if (v == "4.0")
            return Version::V40;
        throw CardError{ExchangeText::unknownVersion(p.line, QString::fromUtf8(v.left(20)))};
    }
    return Version::V30;
}

ContactRecord buildContact(const std::vector<Property>& props, int line, QStringList& notes)
{
    const Version version = versionOf(props);
    CardBuilder builder(version);
    builder.collectLabels(props);
    for (const Property& p : props)
        builder.add(p);
    ContactRecord record = builder.finish(line);
    notes = builder.pictureNotes();
    return record;
}

bool isLine(const QByteArray& line, const char* expected)
{
    return line.trimmed().compare(expected, Qt::CaseInsensitive) == 0;
}

QByteArray withoutByteOrderMark(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return data.sliced(3).toByteArray();
    // Files from some older programs are UTF-16 throughout.
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return QString(decoder(data)).toUtf8();
    }
    return data.toByteArray();
}

} // namespace

namespace VCardReader {

std::vector<VCardEntry> read(QByteArrayView input, const ProgressCallback& progress)
{
    if (input.size() > MaxFileBytes)
        throw EVCardError(0, ExchangeText::fileTooLarge(int(MaxFileBytes >> 20)));
    const QByteArray data = withoutByteOrderMark(input);
    LineReader lines(data);
    std::vector<VCardEntry> entries;
    QByteArray line;
    int number = 0;
    while (lines.next(line, number)) {
        if (line.trimmed().isEmpty())
            continue;
        if (!isLine(line, "BEGIN:VCARD"))
            throw EVCardError(number, ExchangeText::outsideContact(number));

        VCardEntry entry;
        entry.line = number;
        std::vector<Property> props;
        int depth = 0;
        bool closed = false;
        while (!closed && lines.next(line, number)) {
            if (isLine(line, "END:VCARD")) {
                closed = depth == 0;
                --depth;
            } else if (isLine(line, "BEGIN:VCARD")) {
                ++depth; // a card inside a card (2.1 AGENT): not a contact of ours
            } else if (depth == 0 && !line.trimmed().isEmpty() && entry.error.isEmpty()) {
                try {
                    props.push_back(parseProperty(line, number));
                } catch (const CardError& e) {
                    entry.error = e.message;
                }
            }
        }
        if (!closed)
            throw EVCardError(lines.lineNumber(),
                              ExchangeText::unterminated(lines.lineNumber(), entry.line));
        if (entry.error.isEmpty()) {
            try {
                QStringList notes;
                entry.contact = buildContact(props, entry.line, notes);
                entry.notes = notes;
            } catch (const CardError& e) {
                entry.error = e.message;
                entry.contact = ContactRecord();
            }
        }
        entries.push_back(std::move(entry));
        if (progress && entries.size() % 64 == 0 && !progress(lines.position(), data.size()))
            throw EAbort();
    }
    if (entries.empty())
        throw EVCardError(number, ExchangeText::noContacts());
    return entries;
}

} // namespace VCardReader
