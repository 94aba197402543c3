#include "core/i18n/LanguageFile.h"

#include "core/i18n/NameValueList.h"
#include "core/i18n/Windows1252.h"

#include <QStringBuilder>

namespace {

bool isControl(QChar c)
{
    return c.unicode() < 32;
}

// The text at the start of s that stands in double quotes; doubled quotes read
// as one, everything after the closing quote is dropped.
QString extractQuoted(QStringView s)
{
    QString text;
    for (qsizetype i = 1; i < s.size(); ++i) {
        if (s[i] == u'"') {
            if (i + 1 < s.size() && s[i + 1] == u'"') {
                text += u'"';
                ++i;
                continue;
            }
            break;
        }
        text += s[i];
    }
    return text;
}

// Most texts are stored as they are between two quotes: no control
// character, no quote and no "#" right after the opening quote.
bool needsOnlyQuotes(const QString& text)
{
    if (!text.isEmpty() && text.front() == u'#')
        return false;
    for (QChar c : text) {
        if (isControl(c) || c == u'"')
            return false;
    }
    return true;
}

bool isDecimal(QStringView piece)
{
    if (piece.isEmpty() || piece.size() > 5)
        return false;
    for (QChar c : piece) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Control codes are byte values of the code page.
void appendCodes(QString& result, QStringView codes)
{
    for (QStringView piece : codes.split(u'#')) {
        if (!isDecimal(piece))
            continue;
        const int code = piece.toInt();
        if (code <= 255) {
            const char byte = char(code);
            result += Windows1252::decode(QByteArrayView(&byte, 1));
        }
    }
}

} // namespace

QString TQLanguageFile::EncodeValue(const QString& text)
{
    if (needsOnlyQuotes(text))
        return u'"' % text % u'"';
    const QString quoted = u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
    QString stored;
    stored.reserve(quoted.size() + 8);
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        const QChar c = quoted[i];
        const bool afterControl = i > 0 && isControl(quoted[i - 1]);
        if (isControl(c)) {
            if (!afterControl)
                stored += u'"';
            stored += u'#' + QString::number(c.unicode());
        } else if (c == u'#' && i > 0 && quoted[i - 1] == u'"') {
            // A quote followed by "#" would read back as the start of control
            // codes, so the "#" itself goes out as a code.
            stored += QStringLiteral("\"#35\"");
        } else {
            if (afterControl)
                stored += u'"';
            stored += c;
        }
    }
    return stored;
}

QString TQLanguageFile::EncodedLine(const QString& name, const QString& text)
{
    if (!needsOnlyQuotes(text))
        return name + u'=' + EncodeValue(text);
    return name % u'=' % u'"' % text % u'"';
}

QString TQLanguageFile::DecodeValue(const QString& stored)
{
    // Most values are a text in quotes with no quote inside, or a text
    // with no quote at all: they read as they stand.
    const qsizetype quotes = stored.count(u'"');
    if (quotes == 0)
        return stored;
    if (quotes == 2 && stored.size() >= 2 && stored.front() == u'"' && stored.back() == u'"')
        return stored.mid(1, stored.size() - 2);
    QString result;
    QStringView s(stored);
    for (qsizetype p = s.indexOf(QLatin1String("\"#")); p >= 0;
         p = s.indexOf(QLatin1String("\"#"))) {
        result += s.left(p);
        s = s.mid(p + 2);
        const qsizetype close = s.indexOf(u'"');
        if (close < 0)
            continue; // no closing quote: no codes, the rest stays as it is
        appendCodes(result, s.left(close));
        s = s.mid(close + 1);
    }
    result += s;
    if (result.size() > 1 && result.front() == u'"')
        return extractQuoted(result);
    return result;
}

QString TQLanguageFile::ReadString(const QString& section, const QString& name,
                                   const QString& defaultValue) const
{
    const std::optional<QString> raw = RawValue(section, name);
    return raw ? DecodeValue(*raw) : defaultValue;
}

void TQLanguageFile::WriteString(const QString& section, const QString& name, const QString& value)
{
    TMemIniFile::WriteString(section, name, EncodeValue(value));
}

QStringList TQLanguageFile::ReadSectionValues(const QString& section) const
{
    // A language change reads the same sections of the same files again and again.
    if (std::optional<QStringList> kept = Memo(section))
        return *kept;
    QStringList lines = TMemIniFile::ReadSectionValues(section);
    for (QString& line : lines)
        line = NameValueList::nameOf(line) + u'=' + DecodeValue(NameValueList::valueOf(line));
    SetMemo(section, lines);
    return lines;
}
