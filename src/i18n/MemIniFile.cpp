#include "i18n/MemIniFile.h"

#include "i18n/LocalError.h"
#include "i18n/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Language files are a few kilobytes; anything far beyond is not one.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

bool isTrimmable(QChar c)
{
    return c.unicode() <= 32;
}

QString trimmed(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isTrimmable(s[begin]))
        ++begin;
    while (end > begin && isTrimmable(s[end - 1]))
        --end;
    return s.mid(begin, end - begin).toString();
}

bool hasControl(const QString& s)
{
    for (QChar c : s) {
        if (c.unicode() < 32)
            return true;
    }
    return false;
}

[[noreturn]] void refuse(const QString& what, const QString& why)
{
    throw EQLocalError(
        QStringLiteral("Cannot write \"%1\" to a language file: %2.").arg(what, why));
}

void checkStorable(const QString& text)
{
    const qsizetype bad = Windows1252::firstUnencodable(text);
    if (bad >= 0) {
        const QString code =
            QString::number(text[bad].unicode(), 16).toUpper().rightJustified(4, u'0');
        refuse(text, QStringLiteral("the character U+%1 has no place in the Windows-1252 code page")
                         .arg(code));
    }
}

void checkNames(const QString& section, const QString& name, const QString& value)
{
    if (hasControl(section) || trimmed(section) != section)
        refuse(section, QStringLiteral("a section name cannot hold line breaks or outer blanks"));
    if (hasControl(name) || trimmed(name) != name || name.contains(u'=') || name.startsWith(u';') ||
        name.startsWith(u'['))
        refuse(name, QStringLiteral("the entry name would not read back as written"));
    if (hasControl(value))
        refuse(value, QStringLiteral("a value cannot hold line breaks"));
    checkStorable(section);
    checkStorable(name);
    checkStorable(value);
}

} // namespace

TMemIniFile::TMemIniFile(const QString& fileName) : m_fileName(fileName)
{
    if (fileName.isEmpty() || !QFileInfo::exists(fileName))
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EQLocalError(QStringLiteral("Cannot read language file \"%1\": %2.")
                               .arg(fileName, file.errorString()));
    if (file.size() > kMaxFileSize)
        throw EQLocalError(QStringLiteral("Language file \"%1\" is too large.").arg(fileName));
    QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize)
        throw EQLocalError(QStringLiteral("Language file \"%1\" is too large.").arg(fileName));
    // A zero byte ends the text.
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    parse(Windows1252::decode(bytes));
}

void TMemIniFile::parse(const QString& text)
{
    Section* current = nullptr;
    qsizetype pos = 0;
    while (pos <= text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString line = trimmed(QStringView(text).mid(pos, end - pos));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
            text[end + 1] == u'\n')
            ++end;
        pos = end + 1;

        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            m_sections.push_back({trimmed(QStringView(line).mid(1, line.size() - 2)), {}, {}});
            current = &m_sections.back();
            continue;
        }
        if (!current)
            continue; // lines before the first section mean nothing
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            current->lines.push_back({line, QString(), false});
            continue;
        }
        current->lines.push_back(
            {trimmed(QStringView(line).left(eq)), trimmed(QStringView(line).mid(eq + 1)), true});
        const QString folded = fold(current->lines.back().name);
        if (!current->firstEntry.contains(folded))
            current->firstEntry.insert(folded, current->lines.size() - 1);
    }
    rebuildSectionIndex();
}

void TMemIniFile::rebuildSectionIndex()
{
    m_sectionIndex.clear();
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const QString folded = fold(m_sections[i].name);
        if (!m_sectionIndex.contains(folded))
            m_sectionIndex.insert(folded, i);
    }
}

const TMemIniFile::Section* TMemIniFile::findSection(const QString& name) const
{
    const auto it = m_sectionIndex.constFind(fold(name));
    return it == m_sectionIndex.cend() ? nullptr : &m_sections[*it];
}

const TMemIniFile::Line* TMemIniFile::findEntry(const Section& section, const QString& name) const
{
    const auto it = section.firstEntry.constFind(fold(name));
    return it == section.firstEntry.cend() ? nullptr : &section.lines[*it];
}

std::optional<QString> TMemIniFile::RawValue(const QString& section, const QString& name) const
{
    const Section* s = findSection(section);
    const Line* entry = s ? findEntry(*s, name) : nullptr;
    if (!entry)
        return std::nullopt;
    return entry->value;
}

QString TMemIniFile::ReadString(const QString& section, const QString& name,
                                const QString& defaultValue) const
{
    return RawValue(section, name).value_or(defaultValue);
}

void TMemIniFile::WriteString(const QString& section, const QString& name, const QString& value)
{
    checkNames(section, name, value);
    Section* s = const_cast<Section*>(findSection(section));
    if (!s) {
        m_sections.push_back({section, {}, {}});
        rebuildSectionIndex();
        s = &m_sections.back();
    }
    if (Line* entry = const_cast<Line*>(findEntry(*s, name))) {
        entry->value = value;
    } else {
        s->lines.push_back({name, value, true});
        s->firstEntry.insert(fold(name), s->lines.size() - 1);
    }
    UpdateFile();
}

QStringList TMemIniFile::ReadSection(const QString& section) const
{
    QStringList names;
    if (const Section* s = findSection(section)) {
        for (const Line& line : s->lines) {
            if (line.isEntry)
                names.append(line.name);
        }
    }
    return names;
}

QStringList TMemIniFile::ReadSectionValues(const QString& section) const
{
    QStringList lines;
    const Section* s = findSection(section);
    if (!s)
        return lines;
    for (const Line& line : s->lines) {
        if (line.isEntry)
            lines.append(line.name + u'=' + findEntry(*s, line.name)->value);
    }
    return lines;
}

bool TMemIniFile::SectionExists(const QString& section) const
{
    return findSection(section) != nullptr;
}

QStringList TMemIniFile::Sections() const
{
    QStringList names;
    for (const Section& s : m_sections)
        names.append(s.name);
    return names;
}

void TMemIniFile::EraseSection(const QString& section)
{
    const auto it = m_sectionIndex.constFind(fold(section));
    if (it == m_sectionIndex.cend())
        return;
    m_sections.erase(m_sections.begin() + qsizetype(*it));
    rebuildSectionIndex();
    UpdateFile();
}

void TMemIniFile::Clear()
{
    m_sections.clear();
    m_sectionIndex.clear();
}

QString TMemIniFile::Text() const
{
    QString text;
    for (const Section& s : m_sections) {
        text += u'[' + s.name + u']' + QStringLiteral("\r\n");
        for (const Line& line : s.lines)
            text +=
                (line.isEntry ? line.name + u'=' + line.value : line.name) + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    return text;
}

void TMemIniFile::UpdateFile() const
{
    if (m_fileName.isEmpty())
        throw EQLocalError(QStringLiteral("Cannot write a language file without a file name."));
    // Everything in memory came from the file or passed checkNames, so it encodes.
    const QByteArray bytes = Windows1252::encode(Text());
    QSaveFile file(m_fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw EQLocalError(QStringLiteral("Cannot write language file \"%1\": %2.")
                               .arg(m_fileName, file.errorString()));
    }
}
