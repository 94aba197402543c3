#include "core/i18n/LanguageSource.h"

#include "core/i18n/CustomLocalizer.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/LanguageSettings.h"
#include "core/i18n/LocalError.h"
#include "core/i18n/NameValueList.h"
#include "core/util/RestoreOnError.h"

#include <algorithm>

// --- TQCustomLanguageSource ---------------------------------------------------

TQCustomLanguageSource::TQCustomLanguageSource(QObject* owner)
    : QObject(owner), m_settings(new TQLanguageSettings(this))
{
}

// Registered localizers are not called: they hear of the removal through
// QObject::destroyed and forget the source.
TQCustomLanguageSource::~TQCustomLanguageSource() = default;

void TQCustomLanguageSource::OutOfBounds(int index)
{
    throw EQLocalError(QStringLiteral("Index out of bounds (%1)").arg(index));
}

void TQCustomLanguageSource::SetActiveLanguage(int value)
{
    if (ComponentTree::isLoading(this)) {
        m_pendingLanguage = value;
        m_notificationsEnabled = false;
        return;
    }
    if (value < -1 || value > m_languages.size() - 1)
        OutOfBounds(value);
    if (value != m_activeLanguage) {
        const int previous = m_activeLanguage;
        if (previous >= 0)
            CloseLanguage();
        if (m_notificationsEnabled) {
            bool allow = true;
            LanguageChanging(value, allow);
            if (!allow) {
                // The change is called off: the previous language stays
                // active, so its file must be open again.
                if (previous >= 0)
                    OpenLanguage();
                return;
            }
        }
        m_activeLanguage = value;
        if (value >= 0) {
            // A file that exists but cannot be read: stay with the language we had.
            const auto stay = restoreOnError([this, previous] {
                m_activeLanguage = previous;
                if (previous >= 0)
                    OpenLanguage();
            });
            OpenLanguage();
        }
        localizeAll();
        if (m_notificationsEnabled)
            LanguageChanged();
    }
    m_notificationsEnabled = true;
}

void TQCustomLanguageSource::localizeAll()
{
    const QList<TQCustomLocalizer*> localizers = m_localizers;
    for (TQCustomLocalizer* localizer : localizers) {
        if (m_localizers.contains(localizer))
            localizer->Localize();
    }
}

void TQCustomLanguageSource::SetLanguages(const QStringList& languages)
{
    if (&languages == &m_languages)
        return;
    m_languages = languages;
    SetActiveLanguage(-1);
}

QString TQCustomLanguageSource::LanguageName(int index) const
{
    if (index == -1)
        return m_originalName;
    if (index < -1 || index >= m_languages.size())
        OutOfBounds(index);
    return NameValueList::nameOf(m_languages[index]);
}

void TQCustomLanguageSource::AddLocalizer(TQCustomLocalizer* localizer)
{
    if (!localizer || m_localizers.contains(localizer))
        return;
    m_localizers.append(localizer);
    if (m_activeLanguage >= 0)
        localizer->Localize();
}

void TQCustomLanguageSource::RemoveLocalizer(TQCustomLocalizer* localizer)
{
    m_localizers.removeOne(localizer);
}

void TQCustomLanguageSource::LanguageChanging(int languageIndex, bool& allowChange)
{
    const QList<TQCustomLocalizer*> localizers = m_localizers;
    for (TQCustomLocalizer* localizer : localizers) {
        bool ignored = true; // a localizer cannot stop the change
        localizer->LanguageChanging(languageIndex, ignored);
    }
    if (OnLanguageChanging)
        OnLanguageChanging(this, languageIndex, allowChange);
}

void TQCustomLanguageSource::LanguageChanged()
{
    const QList<TQCustomLocalizer*> localizers = m_localizers;
    for (TQCustomLocalizer* localizer : localizers)
        localizer->LanguageChanged();
    if (OnLanguageChanged)
        OnLanguageChanged(this);
}

void TQCustomLanguageSource::SetSection(const QString& name)
{
    if (name != m_currentSection)
        m_currentSection = name;
}

QString TQCustomLanguageSource::ReadValue(const QString&, const QString& defaultValue)
{
    return defaultValue;
}

void TQCustomLanguageSource::CheckWritable() const
{
    if (IsReadOnly())
        throw EQLocalError(QStringLiteral("Cannot write to source file (ReadOnly = True)!"));
}

void TQCustomLanguageSource::WriteValue(const QString&, const QString&)
{
    CheckWritable();
}

void TQCustomLanguageSource::ReadSectionStrings(QStringList*) {}

void TQCustomLanguageSource::WriteSectionStrings(QStringList*)
{
    CheckWritable();
}

void TQCustomLanguageSource::EraseCurrentSection()
{
    CheckWritable();
}

void TQCustomLanguageSource::ClearAllSections()
{
    CheckWritable();
}

void TQCustomLanguageSource::Loaded()
{
    if (m_pendingLanguage >= -1 && m_pendingLanguage <= m_languages.size() - 1)
        SetActiveLanguage(m_pendingLanguage);
}

// --- TQFileLanguageSource -----------------------------------------------------

QString TQFileLanguageSource::LanguageFileName(int index) const
{
    if (index == -1)
        return QString();
    if (index < -1 || index >= Languages().size())
        OutOfBounds(index);
    return NameValueList::value(Languages(), NameValueList::nameOf(Languages()[index]));
}

// --- TQLanguageSource ---------------------------------------------------------

TQLanguageSource::TQLanguageSource(QObject* owner) : TQFileLanguageSource(owner) {}

TQLanguageSource::~TQLanguageSource() = default;

void TQLanguageSource::OpenLanguage()
{
    CloseLanguage();
    if (ActiveLanguage() >= 0)
        m_file = std::make_unique<TQLanguageFile>(LanguageFileName(ActiveLanguage()));
}

void TQLanguageSource::CloseLanguage()
{
    m_file.reset();
}

QString TQLanguageSource::ReadValue(const QString& ident, const QString& defaultValue)
{
    if (!m_file || ident.isEmpty())
        return defaultValue;
    return m_file->ReadString(GetSection(), ident, defaultValue);
}

void TQLanguageSource::WriteValue(const QString& ident, const QString& value)
{
    TQFileLanguageSource::WriteValue(ident, value);
    if (m_file && !ident.isEmpty())
        m_file->WriteString(GetSection(), ident, value);
}

namespace {
void sortLines(QStringList& lines)
{
    std::stable_sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
}
} // namespace

void TQLanguageSource::ReadSectionStrings(QStringList* list)
{
    if (!list || !m_file)
        return;
    const QStringList lines = m_file->ReadSectionValues(GetSection());
    const auto hasValue = [](const QString& line) {
        const qsizetype eq = line.indexOf(u'=');
        return eq >= 0 && eq + 1 < line.size();
    };
    // Handed over as it is when every entry has a value: the list is then
    // the one the file keeps, and its reader can tell it has seen it before.
    if (std::all_of(lines.begin(), lines.end(), hasValue)) {
        *list = lines;
    } else {
        list->clear();
        for (const QString& line : lines) {
            if (hasValue(line))
                list->append(line);
        }
    }
    if (m_sortSections)
        sortLines(*list);
}

void TQLanguageSource::WriteSectionStrings(QStringList* list)
{
    TQFileLanguageSource::WriteSectionStrings(list);
    if (!list || !m_file)
        return;
    if (m_sortSections)
        sortLines(*list);
    for (const QString& line : *list)
        WriteValue(NameValueList::nameOf(line), NameValueList::valueOf(line));
}

void TQLanguageSource::EraseCurrentSection()
{
    TQFileLanguageSource::EraseCurrentSection();
    if (m_file && !GetSection().isEmpty())
        m_file->EraseSection(GetSection());
}

void TQLanguageSource::ClearAllSections()
{
    TQFileLanguageSource::ClearAllSections();
    if (m_file)
        m_file->Clear();
}
