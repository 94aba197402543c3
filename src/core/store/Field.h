#pragma once

#include "core/store/Schema.h"

#include <QString>

class TTable;

// A field of the current record of a table, reached by name. Nulls read as
// empty text or 0; dates read and write as text "dd-MM-yyyy".
class TField
{
public:
    TField(TTable* table, int index) : m_table(table), m_index(index) {}

    const QString& FieldName() const;
    FieldType DataType() const;
    // The label a grid column shows and a search matches; the field name.
    const QString& DisplayLabel() const { return FieldName(); }
    int Index() const { return m_index; }
    TTable* DataSet() const { return m_table; }

    bool IsNull() const;
    QString AsString() const;
    qint64 AsInteger() const;
    // The text as shown while editing; the same as AsString for every kind here.
    QString EditText() const { return AsString(); }

    // Writing needs the table in edit or insert state. Throws EDatabaseError
    // for text that does not fit the field's kind.
    void SetAsString(const QString& text);
    void SetAsInteger(qint64 value);
    void Clear();

private:
    TTable* m_table;
    int m_index;
};
