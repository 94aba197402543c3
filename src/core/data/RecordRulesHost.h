#pragma once

// What the record rules need of the windows, said as what happened rather
// than as controls: the main window answers (bringing a page forward,
// focusing a field, showing a picture) and hands on what belongs to a page
// or to the keyword window. With no host the rules still keep the records
// right and nothing visible happens.
class RecordRulesHost
{
public:
    virtual ~RecordRulesHost() = default;

    // A new contact is in insert state and its defaults are set: the user
    // is about to type its name.
    virtual void ContactInserted() = 0;
    // A new family member of the current contact is in insert state.
    virtual void FamilyMemberInserted() = 0;
    // A new keyword is in insert state.
    virtual void KeywordInserted() = 0;
    // The new contact has no picture yet: show the placeholder picture.
    // Throws when it cannot be loaded.
    virtual void ShowPlaceholderPicture() = 0;
    // The current contact changed by a delete or a cancel: show its picture.
    virtual void ShowContactPicture() = 0;
};
