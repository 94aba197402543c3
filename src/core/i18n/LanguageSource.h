#pragma once

#include "core/component/ComponentTree.h"
#include "core/i18n/LanguageEvents.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

class TQCustomLocalizer;
class TQLanguageFile;
class TQLanguageSettings;

// Knows which languages exist, which one is active and where the active
// language's texts are. Index -1 is the original language (the texts built
// into the windows, no file); 0 and up are positions in Languages, whose lines
// read name=file. Localizers register here and are told of every change.
//
// On its own the source stores nothing: reads answer their defaults and
// writes are refused.
class TQCustomLanguageSource : public QObject, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(int ActiveLanguage READ ActiveLanguage WRITE SetActiveLanguage)
    Q_PROPERTY(QStringList Languages READ Languages WRITE SetLanguages)
    Q_PROPERTY(QString OriginalName READ OriginalName WRITE SetOriginalName)

public:
    explicit TQCustomLanguageSource(QObject* owner = nullptr);
    ~TQCustomLanguageSource() override;

    int ActiveLanguage() const { return m_activeLanguage; }
    // Runs the change protocol; an index outside -1..Languages-1 is refused
    // with "Index out of bounds (n)" and nothing changes.
    void SetActiveLanguage(int value);
    int PendingLanguage() const { return m_pendingLanguage; }

    const QStringList& Languages() const { return m_languages; }
    // Copies the lines, then makes the original language active.
    void SetLanguages(const QStringList& languages);
    const QString& OriginalName() const { return m_originalName; }
    void SetOriginalName(const QString& name) { m_originalName = name; }
    // The display name of a language: OriginalName for -1, the name part of
    // its line otherwise.
    QString LanguageName(int index) const;

    TQLanguageSettings* ActiveSettings() const { return m_settings; }

    TQLangChangingEvent OnLanguageChanging;
    TNotifyEvent OnLanguageChanged;

    // Appends a localizer (once) and localizes it at once when a language is active.
    void AddLocalizer(TQCustomLocalizer* localizer);
    void RemoveLocalizer(TQCustomLocalizer* localizer);
    const QList<TQCustomLocalizer*>& Localizers() const { return m_localizers; }

    virtual void LanguageChanging(int languageIndex, bool& allowChange);
    virtual void LanguageChanged();
    virtual void OpenLanguage() {}
    virtual void CloseLanguage() {}
    virtual QString GetSection() const { return m_currentSection; }
    virtual bool IsReadOnly() const { return true; }
    virtual void SetSection(const QString& name);
    virtual QString ReadValue(const QString& ident, const QString& defaultValue);
    virtual void WriteValue(const QString& ident, const QString& value);
    virtual void ReadSectionStrings(QStringList* list);
    virtual void WriteSectionStrings(QStringList* list);
    virtual void EraseCurrentSection();
    virtual void ClearAllSections();

    void Loaded() override;

protected:
    // Raises the read-only error when the source cannot be written.
    void CheckWritable() const;
    [[noreturn]] static void OutOfBounds(int index);

private:
    void localizeAll();

    int m_activeLanguage = -1;
    int m_pendingLanguage = -1;
    QList<TQCustomLocalizer*> m_localizers;
    QString m_originalName = QStringLiteral("Original");
    QStringList m_languages;
    bool m_notificationsEnabled = false;
    QString m_currentSection;
    TQLanguageSettings* m_settings;
};

// Each language is a file: the value part of its line in Languages.
class TQFileLanguageSource : public TQCustomLanguageSource
{
    Q_OBJECT
    Q_PROPERTY(QString DefaultFileExt READ DefaultFileExt WRITE SetDefaultFileExt)

public:
    using TQCustomLanguageSource::TQCustomLanguageSource;

    // Kept with the source; file names are used as Languages gives them.
    const QString& DefaultFileExt() const { return m_defaultFileExt; }
    void SetDefaultFileExt(const QString& ext) { m_defaultFileExt = ext; }
    // Empty for -1; the file of the index-th language (the first line of that
    // name when names repeat); any other index is out of bounds.
    QString LanguageFileName(int index) const;

private:
    QString m_defaultFileExt = QStringLiteral("lng");
};

// Keeps the active language's file open in memory and reads and writes through it.
class TQLanguageSource : public TQFileLanguageSource
{
    Q_OBJECT
    Q_PROPERTY(bool SortSections READ SortSections WRITE SetSortSections)

public:
    explicit TQLanguageSource(QObject* owner = nullptr);
    ~TQLanguageSource() override;

    bool SortSections() const { return m_sortSections; }
    void SetSortSections(bool sort) { m_sortSections = sort; }
    // The open language file, or null.
    TQLanguageFile* LanguageFile() const { return m_file.get(); }

    // File names are taken as they stand, so they resolve against the current
    // directory; a missing file gives an empty language.
    void OpenLanguage() override;
    void CloseLanguage() override;
    bool IsReadOnly() const override { return false; }
    QString ReadValue(const QString& ident, const QString& defaultValue) override;
    void WriteValue(const QString& ident, const QString& value) override;
    void ReadSectionStrings(QStringList* list) override;
    void WriteSectionStrings(QStringList* list) override;
    void EraseCurrentSection() override;
    void ClearAllSections() override;

private:
    std::unique_ptr<TQLanguageFile> m_file;
    bool m_sortSections = false;
};
