#pragma once

#include <QObject>
#include <functional>
#include <vector>

class TDataLink;
class TTable;
class TField;

// Connects data-aware controls to a table: it tells its links when the
// current record moved or a field changed, when the table's state or view
// changed, and when to write what the user typed back into the record.
//
// The links are called directly (see TDataLink), so their errors reach the
// caller. The signals are notices for watchers that only look: they come
// after the links have been told, and their slots must never throw.
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(QObject* owner = nullptr, const QString& name = QString());
    ~TDataSource() override;
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TTable* DataSet() const { return m_dataSet; }
    void SetDataSet(TTable* table);

    // The data change event: field is null when the current record moved or
    // the set of records changed, else the field whose value changed. Runs
    // after the links.
    std::function<void(TDataSource&, TField*)> OnDataChange;

    // The links in the order they are told.
    const std::vector<TDataLink*>& Links() const { return m_links; }

signals:
    void dataChange(TField* field);
    void stateChange();

private:
    friend class TTable;
    friend class TDataLink;
    void notifyDataChange(TField* field);
    void notifyStateChange();
    void notifyUpdateRecord();
    void notifyViewChange();
    TTable* m_dataSet = nullptr;
    std::vector<TDataLink*> m_links;
};
