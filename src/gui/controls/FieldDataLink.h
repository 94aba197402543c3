#pragma once

#include "core/store/DataLink.h"

#include <QObject>
#include <QString>

#include <functional>

class QKeyEvent;
class QWidget;
class TDataSource;
class TField;
class TTable;

// What every data-aware control shares: the data source and field it shows,
// the "modified" flag of text typed but not yet in the record, and the
// rules for when that text is written. Controls hand it a way to read their
// value (ControlText) and to show the field again (OnDataChange, OnStateChange);
// the data source calls the link directly, so a value the field refuses
// during a post reaches the caller of the post.
class TFieldDataLink : public QObject, public TDataLink
{
    Q_OBJECT
public:
    explicit TFieldDataLink(QObject* parent = nullptr);
    ~TFieldDataLink() override;
    TFieldDataLink(const TFieldDataLink&) = delete;
    TFieldDataLink& operator=(const TFieldDataLink&) = delete;

    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return LinkedSource(); }
    void SetFieldName(const QString& name);
    const QString& FieldName() const { return m_fieldName; }
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const { return m_readOnly; }

    TTable* DataSet() const;
    bool Active() const;
    bool Editing() const;
    // The bound field of the current record, or null while there is none.
    TField* Field() const;
    // The field's text, empty while there is no field.
    QString FieldText() const;
    // Whether the user may change the value: an open data set, a field, not read-only.
    bool CanModify() const;

    // Puts the data set into edit (an insert on an empty table). False when
    // the value may not be changed; errors of the data set propagate.
    bool Edit();
    // The control's value changed and differs from the record until written.
    void Modified() { m_modified = true; }
    bool IsModified() const { return m_modified; }
    // Forgets what was typed and reloads the control.
    void Reset();
    // Writes a modified value into the field, starting an edit if needed.
    void UpdateRecord() override;

    // Reads the control's value as the field should store it.
    std::function<QString()> ControlText;
    // The control shows FieldText() again: the record moved or the field changed.
    std::function<void()> OnDataChange;
    // The data set's state changed (open, close, edit, browse) or CanModify did.
    std::function<void()> OnStateChange;

    // For controls: starts the edit before a key that changes text reaches
    // the widget, and writes the value when focus leaves it. Keys are
    // swallowed when the value may not be changed.
    void watch(QWidget* widget);
    // Whether Enter changes the text (a memo) or not (a one-line edit).
    void SetMultiLine(bool multiLine) { m_multiLine = multiLine; }
    static bool isModifyingKey(const QKeyEvent* event, bool multiLine);

signals:
    // Focus left the control after its value was written.
    void exited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void DataChange(TField* field) override;
    void StateChange() override { stateChanged(); }
    void SourceDestroyed() override;

private:
    void dataChanged();
    void stateChanged();
    void onFocusOut();

    QString m_fieldName;
    bool m_readOnly = false;
    bool m_modified = false;
    bool m_writing = false;
    bool m_multiLine = false;
};

// What every single-field control offers its form: the data source and the
// field it shows, and whether the user may change it.
class FieldBound
{
public:
    void SetDataSource(TDataSource* source) { m_link.SetDataSource(source); }
    TDataSource* DataSource() const { return m_link.DataSource(); }
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool readOnly) { m_link.SetReadOnly(readOnly); }
    TFieldDataLink& Link() { return m_link; }

protected:
    explicit FieldBound(QObject* owner) : m_link(owner) {}
    ~FieldBound() = default;

    TFieldDataLink m_link;
};
