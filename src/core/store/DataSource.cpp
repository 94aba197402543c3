#include "core/store/DataSource.h"

#include "core/store/DataLink.h"
#include "core/store/Table.h"
#include "core/util/TellEach.h"

TDataLink::~TDataLink()
{
    LinkTo(nullptr);
}

void TDataLink::LinkTo(TDataSource* source)
{
    if (m_linkedSource == source)
        return;
    if (m_linkedSource) {
        auto& links = m_linkedSource->m_links;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    m_linkedSource = source;
    if (source)
        source->m_links.push_back(this);
}

TDataSource::TDataSource(QObject* owner, const QString& name) : QObject(owner)
{
    setObjectName(name);
}

TDataSource::~TDataSource()
{
    if (m_dataSet)
        m_dataSet->RemoveDataSource(this);
    const std::vector<TDataLink*> links = std::move(m_links);
    m_links.clear();
    for (TDataLink* link : links)
        link->m_linkedSource = nullptr;
    for (TDataLink* link : links)
        link->SourceDestroyed();
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
    notifyStateChange();
    notifyDataChange(nullptr);
}

void TDataSource::notifyDataChange(TField* field)
{
    Listeners::tellEach(
        m_links, [field](TDataLink& link) { link.DataChange(field); },
        [this, field] {
            emit dataChange(field);
            if (OnDataChange)
                OnDataChange(*this, field);
        });
}

void TDataSource::notifyStateChange()
{
    Listeners::tellEach(
        m_links, [](TDataLink& link) { link.StateChange(); }, [this] { emit stateChange(); });
}

void TDataSource::notifyUpdateRecord()
{
    Listeners::tellEach(m_links, [](TDataLink& link) { link.UpdateRecord(); });
}

void TDataSource::notifyViewChange()
{
    Listeners::tellEach(m_links, [](TDataLink& link) { link.ViewChange(); });
}
