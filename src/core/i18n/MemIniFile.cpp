#include "core/i18n/MemIniFile.h"

#include "core/i18n/LocalError.h"
#include "core/i18n/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>

#include <sys/stat.h>

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

// A zero byte ends the text.
QString textOf(QByteArrayView bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return Windows1252::decode(zero >= 0 ? bytes.first(zero) : bytes);
}

} // namespace

namespace {

// What identifies one state of a file on disk.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileStamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<FileStamp> stampOf(const QString& fileName)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

template <typename Content> struct KeptFile
{
    FileStamp stamp;
    std::shared_ptr<Content> content;
};

QMutex keptFilesLock;

} // namespace

// Kept per file name as given; the stamp tells a different file under the
// same name (another folder, a replaced file) from the one that was read.
// (A template only so that the file's private content type is named where
// it may be.)
template <typename Content> static QHash<QString, KeptFile<Content>>& keptFiles()
{
    static QHash<QString, KeptFile<Content>> kept;
    return kept;
}

TMemIniFile::TMemIniFile(const QString& fileName)
    : m_fileName(fileName), m_content(std::make_shared<Content>())
{
    if (fileName.isEmpty())
        return;
    const std::optional<FileStamp> stamp = stampOf(fileName);
    if (!stamp && !QFileInfo::exists(fileName))
        return;
    if (stamp) {
        const QMutexLocker lock(&keptFilesLock);
        const auto kept = keptFiles<Content>().constFind(fileName);
        if (kept != keptFiles<Content>().constEnd() && kept->stamp == *stamp) {
            m_content = kept->content;
            return;
        }
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EQLocalError(QStringLiteral("Cannot read language file \"%1\": %2.")
                               .arg(fileName, file.errorString()));
    if (file.size() > kMaxFileSize)
        throw EQLocalError(QStringLiteral("Language file \"%1\" is too large.").arg(fileName));
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize)
        throw EQLocalError(QStringLiteral("Language file \"%1\" is too large.").arg(fileName));
    m_content = parse(textOf(bytes));
    // Kept only when the file stood still while it was read.
    if (stamp && stampOf(fileName) == stamp) {
        const QMutexLocker lock(&keptFilesLock);
        keptFiles<Content>().insert(fileName, {*stamp, m_content});
    }
}

TMemIniFile::TMemIniFile(const QString& fileName, const QByteArray& bytes)
    : m_fileName(fileName), m_content(parse(textOf(bytes)))
{
}

TMemIniFile::Content& TMemIniFile::writable()
{
    if (m_content.use_count() > 1)
        m_content = std::make_shared<Content>(*m_content);
    m_content->memos.clear();
    return *m_content;
}

std::optional<QStringList> TMemIniFile::Memo(const QString& name) const
{
    const QMutexLocker lock(&keptFilesLock);
    const auto it = m_content->memos.constFind(name);
    if (it == m_content->memos.constEnd())
        return std::nullopt;
    return it.value();
}

void TMemIniFile::SetMemo(const QString& name, const QStringList& lines) const
{
    const QMutexLocker lock(&keptFilesLock);
    m_content->memos.insert(name, lines);
}

std::shared_ptr<TMemIniFile::Content> TMemIniFile::parse(const QString& text)
{
    auto content = std::make_shared<Content>();
    std::vector<Section>& sections = content->sections;
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
            sections.push_back({trimmed(QStringView(line).mid(1, line.size() - 2)), {}, {}});
            current = &sections.back();
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
    rebuildSectionIndex(*content);
    return content;
}

void TMemIniFile::rebuildSectionIndex(Content& content)
{
    content.sectionIndex.clear();
    for (size_t i = 0; i < content.sections.size(); ++i) {
        const QString folded = fold(content.sections[i].name);
        if (!content.sectionIndex.contains(folded))
            content.sectionIndex.insert(folded, i);
    }
}

const TMemIniFile::Section* TMemIniFile::findSection(const QString& name) const
{
    const auto it = m_content->sectionIndex.constFind(fold(name));
    return it == m_content->sectionIndex.cend() ? nullptr : &m_content->sections[*it];
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
    Content& content = writable();
    Section* s = const_cast<Section*>(findSection(section));
    if (!s) {
        content.sections.push_back({section, {}, {}});
        rebuildSectionIndex(content);
        s = &content.sections.back();
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
    for (const Section& s : m_content->sections)
        names.append(s.name);
    return names;
}

void TMemIniFile::EraseSection(const QString& section)
{
    if (!m_content->sectionIndex.contains(fold(section)))
        return;
    Content& content = writable();
    content.sections.erase(content.sections.begin() +
                           qsizetype(content.sectionIndex.value(fold(section))));
    rebuildSectionIndex(content);
    UpdateFile();
}

void TMemIniFile::Clear()
{
    m_content = std::make_shared<Content>();
}

QString TMemIniFile::Text() const
{
    QString text;
    for (const Section& s : m_content->sections) {
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
    {
        const QMutexLocker lock(&keptFilesLock);
        keptFiles<Content>().remove(m_fileName);
    }
    QSaveFile file(m_fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw EQLocalError(QStringLiteral("Cannot write language file \"%1\": %2.")
                               .arg(m_fileName, file.errorString()));
    }
}
