#pragma once

#include <functional>

class TDataSource;
class TField;

// What follows a data source: a data-aware control, a grid's model, a detail
// table following its master. The source keeps its links in a plain list and
// calls them directly, in the order they were linked, so that whatever a link
// throws (a bad value written back during a post, a detail that cannot be
// saved when its master moves) reaches the caller of the move, edit or post
// as the exception it is.
class TDataLink
{
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* LinkedSource() const { return m_linkedSource; }
    // Leaves the source linked before, if any, and joins this one (or none).
    void LinkTo(TDataSource* source);

protected:
    // The current record moved or the set of records changed (field null),
    // or the value of one field of the current record changed.
    virtual void DataChange(TField* /*field*/) {}
    // The table was opened, closed, or went into or out of edit or insert,
    // or the source was given another table.
    virtual void StateChange() {}
    // A post is about to write the record: a link holding typed text that
    // is not in the record yet writes it now.
    virtual void UpdateRecord() {}
    // The order, the filter or the stored records changed: rows read ahead
    // are stale.
    virtual void ViewChange() {}
    // The source is being destroyed; LinkedSource() is already null. Called
    // from a destructor: must not throw.
    virtual void SourceDestroyed() {}

private:
    friend class TDataSource;
    TDataSource* m_linkedSource = nullptr;
};

// A link that answers through functions, for what follows a source beside
// its own field (a navigator's buttons, a lookup's list, a grid's cursor).
class CallbackLink : public TDataLink
{
public:
    std::function<void(TField*)> dataChange;
    std::function<void()> stateChange;
    std::function<void()> updateRecord;
    std::function<void()> viewChange;
    std::function<void()> sourceDestroyed; // must not throw

protected:
    void DataChange(TField* field) override { call(dataChange, field); }
    void StateChange() override { call(stateChange); }
    void UpdateRecord() override { call(updateRecord); }
    void ViewChange() override { call(viewChange); }
    void SourceDestroyed() override { call(sourceDestroyed); }

private:
    template <typename F, typename... Args> static void call(const F& f, Args... args)
    {
        if (f)
            f(args...);
    }
};
