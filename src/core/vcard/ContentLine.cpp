#include "core/vcard/ContentLine.h"

namespace ContentLine {

constexpr qsizetype FoldAt = 75;

void appendFolded(QByteArray& out, QByteArrayView line)
{
    qsizetype room = FoldAt;
    while (line.size() > room) {
        qsizetype cut = room;
        // Never inside a UTF-8 sequence: back up to the start of the character.
        while (cut > 1 && (uchar(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.first(cut));
        out.append("\r\n ");
        line = line.sliced(cut);
        room = FoldAt - 1; // the leading space counts
    }
    out.append(line);
    out.append("\r\n");
}

void foldFrom(QByteArray& out, qsizetype lineStart)
{
    if (out.size() - lineStart <= FoldAt) {
        out.append("\r\n");
        return;
    }
    const QByteArray line = out.sliced(lineStart);
    out.truncate(lineStart);
    appendFolded(out, line);
}

void appendEscaped(QByteArray& out, QStringView text)
{
    // Written through a pointer into room made once: a UTF-16 unit takes at
    // most three bytes (an escape two, a surrogate pair four for its two).
    const qsizetype start = out.size();
    out.resize(start + 3 * text.size());
    char* d = out.data() + start;
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    for (; p < end; ++p) {
        const char16_t c = *p;
        if (c < 0x80) {
            switch (c) {
            case u'\\':
            case u',':
            case u';':
                *d++ = '\\';
                *d++ = char(c);
                break;
            case u'\n':
                *d++ = '\\';
                *d++ = 'n';
                break;
            case u'\r':
                break;
            default:
                *d++ = char(c);
            }
        } else if (c < 0x800) {
            *d++ = char(0xC0 | (c >> 6));
            *d++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
            const char32_t u = QChar::surrogateToUcs4(c, p[1]);
            *d++ = char(0xF0 | (u >> 18));
            *d++ = char(0x80 | ((u >> 12) & 0x3F));
            *d++ = char(0x80 | ((u >> 6) & 0x3F));
            *d++ = char(0x80 | (u & 0x3F));
            ++p;
        } else {
            const char16_t b = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c; // a lone half
            *d++ = char(0xE0 | (b >> 12));
            *d++ = char(0x80 | ((b >> 6) & 0x3F));
            *d++ = char(0x80 | (b & 0x3F));
        }
    }
    out.resize(d - out.constData());
}

} // namespace ContentLine
