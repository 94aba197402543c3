#pragma once

#include "core/store/DataLink.h"
#include "core/store/DataSource.h"

#include <QStringList>
#include <QWidget>

#include <array>

class QToolButton;
class TTable;

// The record navigator: buttons that move the cursor of a data source and
// insert, delete, edit, post and cancel its record. Each button is enabled
// only where its operation makes sense for the table's position and state.
class TDBNavigator : public QWidget
{
    Q_OBJECT
public:
    enum Button
    {
        First,
        Prior,
        Next,
        Last,
        Insert,
        Delete,
        Edit,
        Post,
        Cancel
    };
    Q_ENUM(Button)
    enum ButtonFlag
    {
        FirstButton = 1 << First,
        PriorButton = 1 << Prior,
        NextButton = 1 << Next,
        LastButton = 1 << Last,
        InsertButton = 1 << Insert,
        DeleteButton = 1 << Delete,
        EditButton = 1 << Edit,
        PostButton = 1 << Post,
        CancelButton = 1 << Cancel,
        AllButtons = (1 << 9) - 1
    };
    Q_DECLARE_FLAGS(Buttons, ButtonFlag)
    Q_FLAG(Buttons)
    static constexpr int ButtonCount = 9;

private:
    Q_PROPERTY(Buttons VisibleButtons READ VisibleButtons WRITE SetVisibleButtons)
    Q_PROPERTY(QStringList Hints READ Hints WRITE SetHints)
    Q_PROPERTY(bool ConfirmDelete READ ConfirmDelete WRITE SetConfirmDelete)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)

public:
    explicit TDBNavigator(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return m_link.LinkedSource(); }
    Buttons VisibleButtons() const { return m_visible; }
    void SetVisibleButtons(Buttons buttons);
    // One hint a button, in button order; missing entries leave a button without one.
    QStringList Hints() const { return m_hints; }
    void SetHints(const QStringList& hints);
    bool ConfirmDelete() const { return m_confirmDelete; }
    void SetConfirmDelete(bool confirm) { m_confirmDelete = confirm; }
    // The navigator works on whole records; kept so that every data control
    // takes the same properties from a form.
    QString DataField() const { return QString(); }
    void SetDataField(const QString&) {}

    QToolButton* button(Button which) const { return m_buttons[size_t(which)]; }
    // Presses a button: its operation, then clicked(). Errors go to the error box.
    void BtnClick(Button which);
    static QStringList DefaultHints();

signals:
    // After a button's operation went through.
    void clicked(TDBNavigator::Button button);

private:
    TTable* table() const;
    void perform(Button which);
    void updateButtons();

    CallbackLink m_link;
    std::array<QToolButton*, ButtonCount> m_buttons{};
    Buttons m_visible = AllButtons;
    QStringList m_hints;
    bool m_confirmDelete = true;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TDBNavigator::Buttons)
