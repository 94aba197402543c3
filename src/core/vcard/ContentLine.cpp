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

void appendEscaped(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    for (char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\r':
            break;
        default:
            out += c;
        }
    }
}

} // namespace ContentLine
