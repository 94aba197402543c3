#pragma once

#include <QObject>
#include <functional>

class TTable;
class TField;

// Connects data-aware controls to a table: it tells them when the current
// record moved or a field changed, when the table's state changed, and when
// to write what the user typed back into the record.
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(QObject* owner = nullptr, const QString& name = QString());
    ~TDataSource() override;

    TTable* DataSet() const { return m_dataSet; }
    void SetDataSet(TTable* table);

    // The data change event: field is null when the current record moved or
    // the set of records changed, else the field whose value changed.
    std::function<void(TDataSource&, TField*)> OnDataChange;

signals:
    void dataChange(TField* field);
    void stateChange();
    // Controls holding typed text not yet in the record write it now.
    void updateRecord();

private:
    friend class TTable;
    void notifyDataChange(TField* field);
    TTable* m_dataSet = nullptr;
};
