#pragma once

#include <QString>

// Pieces of filter texts (see FilterExpression) made from values.
namespace FilterText {

// The value as one text of the filter language: in quotes, every quote
// inside doubled, so that no value ends the text early or adds to the filter.
inline QString quoted(const QString& value)
{
    return u'\'' + QString(value).replace(u'\'', QStringLiteral("''")) + u'\'';
}

} // namespace FilterText
