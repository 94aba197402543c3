#pragma once

#include <QString>

// What the record rules need of the windows. The main window implements it;
// the data module never sees the window itself.
class RecordRulesHost
{
public:
    virtual ~RecordRulesHost() = default;

    // Brings the contact details page to the front.
    virtual void ShowDetailsPage() = 0;
    // Puts the keyboard focus into the control of that name: a control of the
    // main window (DBEdit2, SpouseEdit) or, with the window's name in front,
    // of another window ("NogleForm.DBGrid1").
    virtual void FocusControl(const QString& objectName) = 0;
    // Shows the placeholder picture in the details page's picture box;
    // throws when it cannot be loaded.
    virtual void ShowPlaceholderPicture() = 0;
    // Shows the current contact's picture.
    virtual void Billede() = 0;
    // Sets the count labels of the details and overview pages.
    virtual void SetCountText(const QString& text) = 0;
    // The active language index, -1 to 3.
    virtual int LanguageIndex() const = 0;
};
