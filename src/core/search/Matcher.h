#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// Decides whether one field value matches a search text: either as a plain
// substring or through a small pattern language with a multi-character and a
// single-character wildcard.
//
// The two wildcards are program-wide: every search walk sets them before it
// tests its first record. Everything runs on the user-interface thread, so two
// walks never interleave.
namespace Matcher {

inline constexpr int MaxMultiCharWildcardLength = 4;

// An empty wildcard would make every pattern begin with it, so an empty text
// restores the default "%"; a longer one is cut to four characters.
void setMultiCharWildcard(const QString& wildcard);
void setSingleCharWildcard(QChar wildcard);
const QString& multiCharWildcard();
QChar singleCharWildcard();

// Upper-cases character by character, so that a text keeps its length and
// every position in it: the single-character wildcard still stands for one
// character, and a cached upper-cased text lines up with the stored one.
// Letters whose capital is more than one character (ß, ŉ, ...) stay as they are.
// A text handed over by move is upper-cased in its own memory.
QString upperCase(QString text);

// The match as a search asks for it: unless caseSensitive, text and search
// text are both upper-cased first. Without wildcards the search text must
// occur somewhere in the text (an empty one never does); with wildcards the
// search text is a pattern that must cover the whole text.
bool match(const QString& text, const QString& searchText, bool caseSensitive, bool wildcards);

// The same on texts already upper-cased (or deliberately not), for callers
// that prepare many texts once.
bool matchPrepared(QStringView text, QStringView searchText, bool wildcards);

// The pattern rules alone, with the current wildcards.
bool matchPattern(QStringView text, QStringView pattern);

// The longest part of pattern that holds no wildcard, not even one character
// of a multi-character wildcard: every text the pattern matches holds it, as
// a literal part is matched only by the same characters. Empty when the
// pattern is wildcards alone.
QStringView requiredLiteral(QStringView pattern);

} // namespace Matcher
