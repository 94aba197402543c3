#pragma once

#include "core/search/SearchColumnCache.h"
#include "core/store/DataSource.h"
#include "core/util/Exception.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

class TTable;

class EDBSearchError : public Exception
{
public:
    EDBSearchError() : Exception(QStringLiteral("No initial Find/Locate done first")) {}
};

class EDBSearchPatternNotFound : public Exception
{
public:
    EDBSearchPatternNotFound() : Exception(QStringLiteral("Search Field not in Dataset")) {}
};

// Finds, in the data set behind a data source, the next record whose value
// in one field matches a search text, and makes it current. The records are
// taken in the data set's current order and under its filter, so the search
// finds what a grid on the same source shows, in the order shown.
class TEasyFind : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString MultiCharPattern READ MultiCharPattern WRITE SetMultiCharPattern)
    Q_PROPERTY(QString SingleCharPattern READ SingleCharPattern WRITE SetSingleCharPattern)
    Q_PROPERTY(bool CaseSensitive READ CaseSensitive WRITE SetCaseSensitive)
    Q_PROPERTY(bool AllowWildcards READ AllowWildcards WRITE SetAllowWildcards)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString SearchField READ SearchField WRITE SetSearchField)
    Q_PROPERTY(QString SearchKey READ SearchKey WRITE SetSearchKey)

public:
    static constexpr int MaxSearchKeyLength = 255;

    explicit TEasyFind(QObject* owner = nullptr, const QString& name = QString());
    ~TEasyFind() override;
    TEasyFind(const TEasyFind&) = delete;
    TEasyFind& operator=(const TEasyFind&) = delete;

    const QString& MultiCharPattern() const { return m_multiCharPattern; }
    // One to four characters; an empty text restores "%", a longer one is cut.
    void SetMultiCharPattern(const QString& pattern);
    QString SingleCharPattern() const { return QString(m_singleCharPattern); }
    // One character: the first of the text; an empty text restores "_".
    void SetSingleCharPattern(const QString& pattern);
    bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool on) { m_caseSensitive = on; }
    bool AllowWildcards() const { return m_allowWildcards; }
    void SetAllowWildcards(bool on) { m_allowWildcards = on; }
    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* source) { m_dataSource = source; }
    const QString& SearchField() const { return m_searchField; }
    void SetSearchField(const QString& label) { m_searchField = label; }
    const QString& SearchKey() const { return m_searchKey; }
    // Holds at most 255 characters; a longer text is cut there.
    void SetSearchKey(const QString& key);

    // Searches from the first record.
    void FindFirst();
    // Continues the last search after the current record; EDBSearchError when
    // the key or the field is not the one last searched for.
    void FindNext();

private:
    void walk();
    // Once searched, the texts are read again soon after every change of the
    // records, between the user's keys, not at the next key; their index is
    // built in a turn of its own after that.
    void prepareAfterChanges(TTable& table, int field);
    void prepare();
    TTable& dataSet() const;
    int searchFieldIndex(TTable& table) const;

    QString m_multiCharPattern = QStringLiteral("%");
    QChar m_singleCharPattern = u'_';
    bool m_caseSensitive = false;
    bool m_allowWildcards = false;
    QPointer<TDataSource> m_dataSource;
    QString m_searchField;
    QString m_searchKey;

    QString m_lastSearchText;  // ASCII upper-cased
    QString m_lastSearchField; // ASCII upper-cased
    bool m_findNext = false;

    void useCache(TTable& table, int field);

    std::shared_ptr<SearchColumnCache> m_cache;
    QPointer<TTable> m_watched; // the table whose changes prepare the cache
    int m_preparedField = -1;
    QTimer* m_prepare = nullptr;
};
