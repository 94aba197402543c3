// The matcher's patterns on any text, pattern and wildcards: no crash, no
// endless loop, and the rules that hold whatever the wildcards are.
#include "FuzzCheck.h"

#include "core/search/Matcher.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Three UTF-16 units of settings (the wildcard lengths and the single
    // wildcard), then the pattern and the text, parted by U+0000.
    const QString input = Fuzz::utf16(data, size);
    if (input.size() < 3)
        return 0;
    const int multiLength = 1 + input[0].unicode() % Matcher::MaxMultiCharWildcardLength;
    Matcher::setSingleCharWildcard(input[1]);
    const bool caseSensitive = input[2].unicode() & 1;
    const QString rest = input.mid(3);
    Matcher::setMultiCharWildcard(rest.left(multiLength));
    const QString multi = Matcher::multiCharWildcard();
    const QStringList parts = rest.mid(multiLength).split(QChar(0));
    const QString pattern = parts.value(0);
    const QString text = parts.value(1);

    FUZZ_CHECK(Matcher::upperCase(text).size() == text.size());
    Matcher::match(text, pattern, caseSensitive, true);
    // Without wildcards: a substring search.
    FUZZ_CHECK(Matcher::match(text, pattern, true, false) ==
               (!pattern.isEmpty() && text.contains(pattern)));
    // A pattern without wildcard characters is the whole text, and the
    // multi-character wildcard alone takes any text.
    if (!pattern.contains(multi) && !pattern.contains(Matcher::singleCharWildcard()))
        FUZZ_CHECK(Matcher::matchPattern(text, pattern) == (text == pattern));
    FUZZ_CHECK(Matcher::matchPattern(text, multi));
    return 0;
}
