#include "core/i18n/LanguageSettings.h"

#include "core/i18n/LanguageSource.h"
#include "core/i18n/LocalError.h"

#include <QScopeGuard>

#include <array>

namespace {

struct CharSetName
{
    const char* name;
    int code;
};

constexpr std::array<CharSetName, 19> kCharSets = {{
    {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255},
}};

const QString kBiDiModeKey = QStringLiteral("BiDiMode");
const QString kFontCharSetKey = QStringLiteral("FontCharSet");

} // namespace

namespace CharSets {

int fromName(const QString& name)
{
    const QString upper = name.toUpper();
    for (const CharSetName& c : kCharSets) {
        if (upper == QLatin1String(c.name))
            return c.code;
    }
    return kDefaultCharSet;
}

QString toName(int code)
{
    for (const CharSetName& c : kCharSets) {
        if (c.code == code)
            return QLatin1String(c.name);
    }
    return QStringLiteral("DEFAULT_CHARSET");
}

} // namespace CharSets

namespace {
TQCustomLanguageSource* requireSource(TQCustomLanguageSource* source)
{
    if (!source)
        throw EQLocalError(QStringLiteral("Language source must be specified!"));
    return source;
}
} // namespace

TQLanguageSettings::TQLanguageSettings(TQCustomLanguageSource* source)
    : QObject(requireSource(source)), m_source(source)
{
}

const QString& TQLanguageSettings::GeneralSection()
{
    static const QString section = QStringLiteral("General Settings");
    return section;
}

// Reads one key of "General Settings" and puts the current section back,
// whatever the read does.
QString TQLanguageSettings::readSetting(const QString& key, const QString& defaultValue) const
{
    const auto putBack = qScopeGuard(
        [this, remembered = m_source->GetSection()] { m_source->SetSection(remembered); });
    m_source->SetSection(GeneralSection());
    return m_source->ReadValue(key, defaultValue);
}

void TQLanguageSettings::writeSetting(const QString& key, const QString& value)
{
    const auto putBack = qScopeGuard(
        [this, remembered = m_source->GetSection()] { m_source->SetSection(remembered); });
    m_source->SetSection(GeneralSection());
    m_source->WriteValue(key, value);
}

TBiDiMode TQLanguageSettings::BiDiMode() const
{
    if (m_source->ActiveLanguage() == -1)
        return TBiDiMode(m_biDiMode);
    bool ok = false;
    const int mode = readSetting(kBiDiModeKey, QStringLiteral("0")).trimmed().toInt(&ok);
    return ok && mode >= 0 && mode <= 3 ? TBiDiMode(mode) : bdLeftToRight;
}

int TQLanguageSettings::FontCharSet() const
{
    if (m_source->ActiveLanguage() == -1)
        return m_fontCharSet;
    return CharSets::fromName(readSetting(kFontCharSetKey, QStringLiteral("DEFAULT_CHARSET")));
}

void TQLanguageSettings::SetBiDiMode(int mode)
{
    if (mode < bdLeftToRight || mode > bdRightToLeftReadingOnly)
        throw EQLocalError(QStringLiteral("Invalid text direction (%1)").arg(mode));
    if (ComponentTree::isLoading(m_source))
        return;
    if (m_source->ActiveLanguage() == -1 || m_source->IsReadOnly())
        m_biDiMode = mode;
    else
        writeSetting(kBiDiModeKey, QString::number(mode));
}

void TQLanguageSettings::SetFontCharSet(int charSet)
{
    if (charSet < 0 || charSet > 255)
        throw EQLocalError(QStringLiteral("Invalid character set (%1)").arg(charSet));
    if (ComponentTree::isLoading(m_source))
        return;
    if (m_source->ActiveLanguage() == -1 || m_source->IsReadOnly())
        m_fontCharSet = charSet;
    else
        writeSetting(kFontCharSetKey, CharSets::toName(charSet));
}
