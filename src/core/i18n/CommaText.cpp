#include "core/i18n/CommaText.h"

namespace {

bool needsQuotes(const QString& item)
{
    for (QChar c : item) {
        if (c.unicode() <= 32 || c == u'"' || c == u',')
            return true;
    }
    return false;
}

bool isBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// Reads a quoted item starting at the opening quote; pos ends after the closing
// quote (or at the end when it is missing). Doubled quotes read as one.
QString readQuoted(QStringView text, qsizetype& pos)
{
    QString item;
    ++pos;
    while (pos < text.size()) {
        if (text[pos] == u'"') {
            if (pos + 1 < text.size() && text[pos + 1] == u'"') {
                item += u'"';
                pos += 2;
                continue;
            }
            ++pos;
            break;
        }
        item += text[pos++];
    }
    return item;
}

} // namespace

namespace CommaText {

QString write(const QStringList& items)
{
    if (items.size() == 1 && items.front().isEmpty())
        return QStringLiteral("\"\"");
    QStringList parts;
    parts.reserve(items.size());
    for (const QString& item : items) {
        if (needsQuotes(item))
            parts.append(u'"' + QString(item).replace(u'"', QStringLiteral("\"\"")) + u'"');
        else
            parts.append(item);
    }
    return parts.join(u',');
}

QStringList read(const QString& whole)
{
    // A zero character ends the text, as it ends the file it came from.
    const QStringView text = QStringView(whole).left(
        whole.indexOf(QChar(0)) < 0 ? whole.size() : whole.indexOf(QChar(0)));
    QStringList items;
    qsizetype pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && isBlank(text[pos]))
            ++pos;
    };
    skipBlanks();
    while (pos < text.size()) {
        if (text[pos] == u'"') {
            items.append(readQuoted(text, pos));
        } else {
            const qsizetype start = pos;
            while (pos < text.size() && text[pos].unicode() > 32 && text[pos] != u',')
                ++pos;
            items.append(text.mid(start, pos - start).toString());
        }
        skipBlanks();
        if (pos < text.size() && text[pos] == u',') {
            if (pos + 1 == text.size())
                items.append(QString());
            ++pos;
            skipBlanks();
        }
    }
    return items;
}

} // namespace CommaText
