#include "core/i18n/NameValueList.h"

namespace NameValueList {

QString nameOf(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.left(eq);
}

QString valueOf(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

qsizetype indexOfName(const QStringList& lines, const QString& name)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        if (eq >= 0 && QStringView(lines[i]).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString value(const QStringList& lines, const QString& name)
{
    const qsizetype i = indexOfName(lines, name);
    return i < 0 ? QString() : valueOf(lines[i]);
}

void setValue(QStringList& lines, const QString& name, const QString& value)
{
    const QString line = name + u'=' + value;
    const qsizetype i = indexOfName(lines, name);
    if (i < 0)
        lines.append(line);
    else
        lines[i] = line;
}

bool contains(const QStringList& texts, const QString& text)
{
    return texts.contains(text, Qt::CaseInsensitive);
}

} // namespace NameValueList
