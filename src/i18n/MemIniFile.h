#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// An ini file held in memory: read once when opened, looked up by hashed,
// case-insensitive section and entry names, and written back whole after
// every change. On disk it is Windows-1252 text; CR LF, CR or LF end a line
// when reading, CR LF is written.
class TMemIniFile
{
public:
    // A file that does not exist, or an empty name, gives an empty file. A file
    // that exists but cannot be read, or is implausibly large, is an error.
    explicit TMemIniFile(const QString& fileName);
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

    void parse(const QString& text);
    void rebuildSectionIndex();
    const Section* findSection(const QString& name) const;
    const Line* findEntry(const Section& section, const QString& name) const;
    static QString fold(const QString& name) { return name.toCaseFolded(); }

    QString m_fileName;
    std::vector<Section> m_sections;
    QHash<QString, size_t> m_sectionIndex; // folded name -> first section of that name
};
