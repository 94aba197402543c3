#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

// One column of a data grid: the field it shows, its title and its width.
// A column without a title of its own shows its field's name.
class TColumn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString FieldName READ FieldName WRITE SetFieldName)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    explicit TColumn(QObject* parent = nullptr) : QObject(parent) {}
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString& name)
    {
        if (name == m_fieldName)
            return;
        m_fieldName = name;
        emit changed();
    }
    QString Title() const { return m_title.isEmpty() ? m_fieldName : m_title; }
    // A new title changes no field and no width: a language switch sets every
    // column's, and the grid then only repaints its header.
    void SetTitle(const QString& title)
    {
        if (title == m_title)
            return;
        m_title = title;
        emit titleChanged();
    }
    int Width() const { return m_width; } // pixels; 0 for the field's default width
    void SetWidth(int width)
    {
        if (width == m_width)
            return;
        m_width = width;
        emit changed();
    }

signals:
    void changed(); // the field or the width
    void titleChanged();

private:
    QString m_fieldName;
    QString m_title;
    int m_width = 0;
};

// The columns from first to last whose titles changed, gathered as the
// changes come so that a grid hears of them once; empty before the first.
struct ColumnSpan
{
    int first = -1;
    int last = -1;
    bool isEmpty() const { return first < 0; }
    void add(int from, int to)
    {
        first = isEmpty() ? from : std::min(first, from);
        last = std::max(last, to);
    }
};

// The column collection of a data grid, in column order.
class TDBGridColumns : public QObject
{
    Q_OBJECT
public:
    explicit TDBGridColumns(QObject* parent = nullptr) : QObject(parent) {}
    int Count() const { return int(m_items.size()); }
    TColumn* Items(int i) const { return m_items.at(size_t(i)); }
    TColumn* Add(const QString& fieldName, const QString& title = QString(), int width = 0)
    {
        auto* c = new TColumn(this);
        c->SetFieldName(fieldName);
        c->SetTitle(title);
        c->SetWidth(width);
        connect(c, &TColumn::changed, this, &TDBGridColumns::changed);
        const int column = Count();
        connect(c, &TColumn::titleChanged, this, [this, column] { titleChangedAt(column); });
        m_items.push_back(c);
        emit changed();
        return c;
    }
    // Sets the titles of the first columns, as a language switch does: the
    // grid hears of them once, as its header lays itself out again for each
    // change it hears of.
    void SetTitles(const QStringList& titles)
    {
        m_changed = {};
        m_settingTitles = true;
        for (int i = 0; i < Count() && i < titles.size(); ++i)
            Items(i)->SetTitle(titles[i]);
        m_settingTitles = false;
        if (!m_changed.isEmpty())
            emit titlesChanged(m_changed.first, m_changed.last);
    }

signals:
    void changed(); // columns added, or a column's field or width
    void titlesChanged(int first, int last);

private:
    void titleChangedAt(int column)
    {
        if (!m_settingTitles) {
            emit titlesChanged(column, column);
            return;
        }
        m_changed.add(column, column);
    }

    std::vector<TColumn*> m_items;
    bool m_settingTitles = false;
    ColumnSpan m_changed; // while SetTitles sets them
};
