#pragma once

#include "core/store/Schema.h"

#include <QString>
#include <QVariantList>
#include <memory>

// A parsed filter text such as "FKort = 'Ja'" or
// "Dg >= '01' and Dg <= '15' and Md = '04'". The text is parsed into a tree
// and turned into SQL with bound parameters, so nothing the user typed ever
// becomes part of an SQL statement. A quote inside a quoted text is written
// doubled: 'O''Brien'.
class FilterExpression
{
public:
    struct Node;

    FilterExpression();
    ~FilterExpression();
    FilterExpression(FilterExpression&&) noexcept;
    FilterExpression& operator=(FilterExpression&&) noexcept;

    // Throws EDatabaseError when the text is not a valid expression or names
    // a field the table does not have. An empty or blank text filters nothing.
    static FilterExpression parse(const QString& text, const TableDefinition& table);

    bool isEmpty() const { return !m_root; }
    // The condition as SQL; its parameters are appended to params.
    QString toSql(QVariantList& params) const;

private:
    std::unique_ptr<Node> m_root;
};
