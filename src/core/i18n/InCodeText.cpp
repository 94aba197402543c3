#include "core/i18n/InCodeText.h"

#include "core/i18n/LanguageSource.h"

#include <QPointer>

namespace {
QPointer<TQCustomLanguageSource>& registered()
{
    static QPointer<TQCustomLanguageSource> source;
    return source;
}
} // namespace

namespace InCodeText {

void setSource(TQCustomLanguageSource* source)
{
    registered() = source;
}

TQCustomLanguageSource* source()
{
    return registered().data();
}

int activeLanguage()
{
    const TQCustomLanguageSource* s = registered().data();
    return s ? s->ActiveLanguage() : -1;
}

const QString& textFor(int languageIndex, const InCodeTexts& texts)
{
    if (languageIndex < -1 || languageIndex > 3)
        languageIndex = -1;
    return texts[size_t(languageIndex + 1)];
}

} // namespace InCodeText

QString inCodeText(const InCodeTexts& texts)
{
    return InCodeText::textFor(InCodeText::activeLanguage(), texts);
}
