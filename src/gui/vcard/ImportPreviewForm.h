#pragma once

#include "core/vcard/ContactExchange.h"

#include <QDialog>

#include <optional>

class QDialogButtonBox;
class QLabel;
class QRadioButton;
class QTreeWidget;

// Shows what an import will do before anything is posted: the contacts to
// add, those whose name and phone number are already there (skipped or
// merged, as the user chooses), and those that cannot be read, with why.
class TImportPreviewForm : public QDialog
{
    Q_OBJECT
public:
    TImportPreviewForm(const ImportPreview& preview, QWidget* parent = nullptr);

    // The user's choice for the duplicates; none when the dialog was cancelled.
    std::optional<DuplicateChoice> Choice() const;

    // Shows the dialog modally and answers the choice.
    static std::optional<DuplicateChoice> Ask(const ImportPreview& preview, QWidget* parent);

    QTreeWidget* Items() const { return m_items; }
    QLabel* Summary() const { return m_summary; }
    QRadioButton* MergeButton() const { return m_merge; }
    QRadioButton* SkipButton() const { return m_skip; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

private:
    void fill(const ImportPreview& preview);

    QLabel* m_summary;
    QTreeWidget* m_items;
    QRadioButton* m_skip;
    QRadioButton* m_merge;
    QDialogButtonBox* m_buttons;
};
