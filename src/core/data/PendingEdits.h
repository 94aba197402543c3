#pragma once

class TDM;

// Posts what the user is typing into a contact, a family member or a keyword,
// so that a command that reads or replaces the files finds it there. Throws
// the error of a record that cannot be saved, which then stays in edit.
void postPendingEdits(TDM& dm);
