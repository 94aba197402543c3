#include "core/search/Matcher.h"

#include <algorithm>
#include <vector>

namespace {

QString g_multiCharWildcard = QStringLiteral("%");
QChar g_singleCharWildcard = u'_';

// Units taken by the first character of text: a surrogate pair is one character.
qsizetype firstCharLength(QStringView text)
{
    return text.size() >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate() ? 2 : 1;
}

// A memo often ends with a line break; a pattern "%x" should still find the x
// before it.
bool endsWithIgnoringTrailingControls(QStringView text, QStringView ending)
{
    if (text.endsWith(ending))
        return true;
    while (!text.isEmpty() && text.back().unicode() < 32)
        text.chop(1);
    return text.endsWith(ending);
}

// Position of the first multi- or single-character wildcard in pattern, -1 if none.
qsizetype firstWildcard(QStringView pattern, QStringView multi, QChar single)
{
    const qsizetype m = pattern.indexOf(multi);
    const qsizetype s = pattern.indexOf(single);
    if (m < 0)
        return s;
    return s < 0 ? m : std::min(m, s);
}

} // namespace

namespace Matcher {

void setMultiCharWildcard(const QString& wildcard)
{
    g_multiCharWildcard =
        wildcard.isEmpty() ? QStringLiteral("%") : wildcard.left(MaxMultiCharWildcardLength);
}

void setSingleCharWildcard(QChar wildcard)
{
    g_singleCharWildcard = wildcard;
}

const QString& multiCharWildcard()
{
    return g_multiCharWildcard;
}

QChar singleCharWildcard()
{
    return g_singleCharWildcard;
}

QString upperCase(QString text)
{
    QString result = std::move(text);
    if (result.isEmpty())
        return result;
    char16_t* d = reinterpret_cast<char16_t*>(result.data());
    const qsizetype n = result.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = d[i];
        if (c < 0x80) {
            if (c >= u'a' && c <= u'z')
                d[i] = char16_t(c - (u'a' - u'A'));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(d[i + 1])) {
            const char32_t upper = QChar::toUpper(QChar::surrogateToUcs4(c, d[i + 1]));
            if (QChar::requiresSurrogates(upper)) {
                d[i] = QChar::highSurrogate(upper);
                d[i + 1] = QChar::lowSurrogate(upper);
            }
            ++i;
            continue;
        }
        // The simple mapping: one character for one, so ß keeps its place.
        const char32_t upper = QChar::toUpper(char32_t(c));
        if (!QChar::requiresSurrogates(upper))
            d[i] = char16_t(upper);
    }
    return result;
}

bool matchPattern(QStringView text, QStringView pattern)
{
    const QStringView multi(g_multiCharWildcard);
    const QChar single = g_singleCharWildcard;
    for (;;) {
        if (pattern == multi)
            return true;
        if (text.isEmpty())
            return pattern.isEmpty();
        if (pattern.isEmpty())
            return false;

        if (!pattern.startsWith(multi)) {
            if (pattern.front() == single) {
                // Each single-character wildcard of the run takes one character.
                while (!pattern.isEmpty() && pattern.front() == single) {
                    if (text.isEmpty())
                        return false;
                    text = text.sliced(firstCharLength(text));
                    pattern = pattern.sliced(1);
                }
                continue;
            }
            if (pattern.front() != text.front())
                return false;
            // A literal run: wildcard characters inside it compare as plain characters.
            qsizetype run = 1;
            while (run < pattern.size() && run < text.size() && pattern[run] == text[run])
                ++run;
            text = text.sliced(run);
            pattern = pattern.sliced(run);
            continue;
        }

        const QStringView rest = pattern.sliced(multi.size());
        const qsizetype wildcard = firstWildcard(rest, multi, single);
        if (wildcard < 0)
            return endsWithIgnoringTrailingControls(text, rest);
        // Only the first occurrence of the literal part is tried; a wildcard
        // right after another one has no literal part and matches nothing.
        if (wildcard == 0)
            return false;
        const QStringView literal = rest.first(wildcard);
        const qsizetype at = text.indexOf(literal);
        if (at < 0)
            return false;
        text = text.sliced(at + literal.size());
        pattern = rest.sliced(wildcard);
    }
}

QStringView requiredLiteral(QStringView pattern)
{
    const QStringView multi(g_multiCharWildcard);
    // Every unit inside any occurrence of the multi-character wildcard, even
    // overlapping ones, and every single-character wildcard is cut out.
    std::vector<bool> wild(size_t(pattern.size()), false);
    for (qsizetype at = pattern.indexOf(multi); at >= 0; at = pattern.indexOf(multi, at + 1))
        std::fill_n(wild.begin() + at, multi.size(), true);
    QStringView longest;
    qsizetype begin = 0;
    for (qsizetype at = 0; at <= pattern.size(); ++at) {
        if (at < pattern.size() && !wild[size_t(at)] && pattern[at] != g_singleCharWildcard)
            continue;
        if (at - begin > longest.size())
            longest = pattern.sliced(begin, at - begin);
        begin = at + 1;
    }
    return longest;
}

bool matchPrepared(QStringView text, QStringView searchText, bool wildcards)
{
    if (wildcards)
        return matchPattern(text, searchText);
    return !searchText.isEmpty() && text.contains(searchText);
}

bool match(const QString& text, const QString& searchText, bool caseSensitive, bool wildcards)
{
    if (caseSensitive)
        return matchPrepared(text, searchText, wildcards);
    return matchPrepared(upperCase(text), upperCase(searchText), wildcards);
}

} // namespace Matcher
