#include "core/store/DataSource.h"

#include "core/store/Table.h"

TDataSource::TDataSource(QObject* owner, const QString& name) : QObject(owner)
{
    setObjectName(name);
}

TDataSource::~TDataSource()
{
    if (m_dataSet)
        m_dataSet->RemoveDataSource(this);
}

void TDataSource::SetDataSet(TTable* table)
{
    if (m_dataSet == table)
        return;
    if (m_dataSet)
        m_dataSet->RemoveDataSource(this);
    m_dataSet = table;
    if (table)
        table->AddDataSource(this);
    emit stateChange();
    emit dataChange(nullptr);
}

void TDataSource::notifyDataChange(TField* field)
{
    emit dataChange(field);
    if (OnDataChange)
        OnDataChange(*this, field);
}
