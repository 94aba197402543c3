#pragma once

#include <QString>

class TDM;

// The two postal look-ups of a contact's address, shared by the home
// address (Postnr, Bynavn) and the work address (ArbPostnr, ArbBy). Both
// read the postal table and write the current contact; an unknown code or
// town, or a code of more than four characters, changes nothing and is not
// reported.
namespace PostalLookup {

// Leaving the postal code edit: while the contact is being edited, the
// town of the code typed goes into townField.
void TownFromCode(TDM& dm, const QString& code, const QString& townField);

// The town button: the contact goes into edit, and the code of the town
// typed goes into codeField. The postal table is back on its primary index
// afterwards, found or not.
void CodeFromTown(TDM& dm, const QString& code, const QString& town, const QString& codeField);

} // namespace PostalLookup
