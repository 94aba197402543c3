#pragma once

#include <QString>

#include <array>

class TQCustomLanguageSource;

// Texts composed in code (messages, labels filled by handlers, report titles)
// are built into the program, one per language index, and picked by the
// active language at the moment they are shown:
//
//     inCodeText({"Viste registreringer: ", "Selected registrations: ",
//                 "Viste registreringer: ", "Viste registreringer: ",
//                 "Angezeigte Einträge: "});
//
// The slots are, in order, the indices -1 Dansk, 0 English, 1 Norsk,
// 2 Svensk, 3 Deutsch. A table with no case for a language passes the text
// the control already shows in that slot.
using InCodeTexts = std::array<QString, 5>;

namespace InCodeText {

// The main window registers its QLanguageSource1 here; null unregisters. The
// registry forgets a source when it is destroyed.
void setSource(TQCustomLanguageSource* source);
TQCustomLanguageSource* source();
// The active language index; -1 (Dansk) when no source is registered.
int activeLanguage();
// The text of a table for a language index; an index outside -1..3 gives Danish.
const QString& textFor(int languageIndex, const InCodeTexts& texts);

} // namespace InCodeText

// The text of the table for the active language.
QString inCodeText(const InCodeTexts& texts);
