#include "core/store/DanishOrder.h"

#include "core/store/DatabaseError.h"

#include <unicode/ucol.h>
#include <unicode/uversion.h>

#include <memory>

namespace {

const char Locale[] = "da_DK";

struct CollatorCloser
{
    void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

// Set up as QCollator sets up ICU: normalisation on, the locale's own
// strength (tertiary: case counts last) or secondary when case is ignored,
// punctuation and spaces counted, digits compared one by one.
CollatorPtr openCollator(bool ignoreCase)
{
    UErrorCode status = U_ZERO_ERROR;
    CollatorPtr collator(ucol_open(Locale, &status));
    if (U_FAILURE(status))
        return nullptr;
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator.get(), UCOL_STRENGTH, ignoreCase ? UCOL_SECONDARY : UCOL_DEFAULT,
                      &status);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    return U_FAILURE(status) ? nullptr : std::move(collator);
}

// Each opened when first needed: the collation rules take about a megabyte
// each, and a session that only reads and searches needs neither.
const UCollator& collator(bool ignoreCase)
{
    const auto checked = [](const CollatorPtr& c) -> const UCollator& {
        if (!c)
            throw EDatabaseError(
                QStringLiteral("The Danish collation of the ICU library is missing"));
        return *c;
    };
    if (ignoreCase) {
        static const CollatorPtr caseInsensitive = openCollator(true);
        return checked(caseInsensitive);
    }
    static const CollatorPtr caseSensitive = openCollator(false);
    return checked(caseSensitive);
}

const UChar* chars(QStringView text)
{
    return reinterpret_cast<const UChar*>(text.utf16());
}

QString versionText(const UVersionInfo info)
{
    char text[U_MAX_VERSION_STRING_LENGTH] = {};
    u_versionToString(info, text);
    return QString::fromLatin1(text);
}

QString libraryVersion()
{
    UVersionInfo icu;
    u_getVersion(icu);
    return versionText(icu);
}

} // namespace

namespace DanishOrder {

QByteArray sortKey(QStringView text, bool ignoreCase)
{
    const UCollator& c = collator(ignoreCase);
    QByteArray key(qsizetype(2 * text.size() + 32), Qt::Uninitialized);
    for (;;) {
        const int32_t needed =
            ucol_getSortKey(&c, chars(text), int32_t(text.size()),
                            reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
        if (needed <= key.size()) {
            key.truncate(needed - 1); // without the closing zero byte
            return key;
        }
        key.resize(needed);
    }
}

int compare(QStringView a, QStringView b, bool ignoreCase)
{
    return int(ucol_strcoll(&collator(ignoreCase), chars(a), int32_t(a.size()), chars(b),
                            int32_t(b.size())));
}

Version version()
{
    UVersionInfo own;
    ucol_getVersion(&collator(false), own);
    return {QString::fromLatin1(Locale), libraryVersion(), versionText(own)};
}

bool isCurrent(const Version& stored)
{
    // The collation's version follows from the library's version and the
    // rules it ships: keys this very library version made need no collator
    // to tell, and a start that only reads opens none.
    return stored.locale == QLatin1String(Locale) && stored.icu == libraryVersion() &&
           !stored.collator.isEmpty();
}

} // namespace DanishOrder
