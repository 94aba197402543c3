#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// An ini file held in memory: read once when opened, looked up by hashed,
// case-insensitive section and entry names, and written back whole after
// every change. On disk it is Windows-1252 text; CR LF, CR or LF end a line
// when reading, CR LF is written.
//
// What a file held when it was last read is kept for the program's run and
// shared by every later opening of it, for as long as the file on disk is
// the same (device, inode, size, modification and change times to the
// nanosecond): switching languages opens the same few files again and
// again. A change made through one opening is that opening's own until it
// is written; writing forgets what was kept of the file.
class TMemIniFile
{
public:
    // A file that does not exist, or an empty name, gives an empty file. A file
    // that exists but cannot be read, or is implausibly large, is an error.
    explicit TMemIniFile(const QString& fileName);
    // A file whose bytes are already at hand (read elsewhere, or made by a
    // test): read as a file of that name would be; nothing is kept.
    TMemIniFile(const QString& fileName, const QByteArray& bytes);
    virtual ~TMemIniFile() = default;
    TMemIniFile(const TMemIniFile&) = delete;
    TMemIniFile& operator=(const TMemIniFile&) = delete;

    const QString& FileName() const { return m_fileName; }

    // The raw value of the first entry of that name, as it stands in the file
    // (trimmed); none when there is no such entry.
    std::optional<QString> RawValue(const QString& section, const QString& name) const;
    // Raw values, as they stand in the file (trimmed).
    virtual QString ReadString(const QString& section, const QString& name,
                               const QString& defaultValue) const;
    // Sets the first entry of that name (or appends one, and the section when
    // missing), then rewrites the file. A name or value that would not read
    // back as written (line breaks, "=" in a name, a character outside the
    // code page) is refused before anything changes.
    virtual void WriteString(const QString& section, const QString& name, const QString& value);
    // Entry names of the section in file order (duplicates included).
    QStringList ReadSection(const QString& section) const;
    // "name=value" for every entry of the section, in file order, each with
    // the value of the first entry of its name.
    virtual QStringList ReadSectionValues(const QString& section) const;
    bool SectionExists(const QString& section) const;
    QStringList Sections() const;
    // Removes the first section of that name with its entries, then rewrites the file.
    void EraseSection(const QString& section);
    // Empties the file in memory; the disk is not touched.
    void Clear();

    // The text that UpdateFile writes (before encoding).
    QString Text() const;
    // Writes the whole file anew from memory; a file-system error is thrown.
    void UpdateFile() const;

protected:
    // A list worked out from the content for a name (a section, say), kept
    // with the content, shared as it is and dropped at any change of it.
    std::optional<QStringList> Memo(const QString& name) const;
    void SetMemo(const QString& name, const QStringList& lines) const;

private:
    struct Line
    {
        QString name; // entry name, or the whole line when it has no "="
        QString value;
        bool isEntry = false;
    };
    struct Section
    {
        QString name;
        std::vector<Line> lines;
        QHash<QString, size_t> firstEntry; // folded name -> line
    };

    struct Content
    {
        std::vector<Section> sections;
        QHash<QString, size_t> sectionIndex; // folded name -> first section of that name
        mutable QHash<QString, QStringList> memos;
    };

    static std::shared_ptr<Content> parse(const QString& text);
    static void rebuildSectionIndex(Content& content);
    // The content, made this opening's own before a change.
    Content& writable();
    const Section* findSection(const QString& name) const;
    const Line* findEntry(const Section& section, const QString& name) const;
    static QString fold(const QString& name) { return name.toCaseFolded(); }

    QString m_fileName;
    std::shared_ptr<Content> m_content;
};
