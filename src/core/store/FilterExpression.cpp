#include "core/store/FilterExpression.h"

#include "core/store/DatabaseError.h"

#include <QDate>
#include <QScopeGuard>
#include <vector>

struct FilterExpression::Node
{
    enum class Kind
    {
        Compare,
        And,
        Or,
        Not
    } kind = Kind::Compare;
    // Compare
    const FieldDefinition* field = nullptr;
    QString op;
    QVariant value;
    // And, Or, Not
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

[[noreturn]] void syntaxError(const QString& text, const QString& what)
{
    throw EDatabaseError(QStringLiteral("Invalid filter expression \"%1\": %2").arg(text, what));
}

struct Token
{
    enum class Type
    {
        Name,
        Text,
        Number,
        Op,
        LParen,
        RParen,
        End
    } type = Type::End;
    QString text;
};

class Parser
{
public:
    Parser(const QString& text, const TableDefinition& table) : m_text(text), m_table(table)
    {
        tokenize();
    }

    std::unique_ptr<FilterExpression::Node> parse()
    {
        auto node = parseOr();
        if (peek().type != Token::Type::End)
            syntaxError(m_text, QStringLiteral("unexpected \"%1\"").arg(peek().text));
        return node;
    }

private:
    using Node = FilterExpression::Node;

    void tokenize()
    {
        const int n = int(m_text.size());
        int i = 0;
        while (i < n) {
            const QChar c = m_text[i];
            if (c.isSpace()) {
                ++i;
            } else if (c == u'\'') {
                QString value;
                ++i;
                bool closed = false;
                while (i < n) {
                    if (m_text[i] == u'\'') {
                        if (i + 1 < n && m_text[i + 1] == u'\'') {
                            value += u'\'';
                            i += 2;
                            continue;
                        }
                        closed = true;
                        ++i;
                        break;
                    }
                    value += m_text[i++];
                }
                if (!closed)
                    syntaxError(m_text, QStringLiteral("a quoted text is not closed"));
                m_tokens.push_back({Token::Type::Text, value});
            } else if (c == u'(' || c == u')') {
                m_tokens.push_back({c == u'(' ? Token::Type::LParen : Token::Type::RParen, c});
                ++i;
            } else if (c == u'=' || c == u'<' || c == u'>') {
                QString op = c;
                ++i;
                if (i < n && (m_text[i] == u'=' || (c == u'<' && m_text[i] == u'>'))) {
                    if (c != u'=')
                        op += m_text[i++];
                }
                m_tokens.push_back({Token::Type::Op, op});
            } else if (c.isDigit() || (c == u'-' && i + 1 < n && m_text[i + 1].isDigit())) {
                const int start = i++;
                while (i < n && m_text[i].isDigit())
                    ++i;
                m_tokens.push_back({Token::Type::Number, m_text.mid(start, i - start)});
            } else if (c.isLetter() || c == u'_') {
                const int start = i;
                while (i < n && (m_text[i].isLetterOrNumber() || m_text[i] == u'_'))
                    ++i;
                m_tokens.push_back({Token::Type::Name, m_text.mid(start, i - start)});
            } else {
                syntaxError(m_text, QStringLiteral("unexpected character \"%1\"").arg(c));
            }
        }
        m_tokens.push_back({Token::Type::End, QStringLiteral("end of text")});
    }

    const Token& peek() const { return m_tokens[m_pos]; }
    Token take() { return m_tokens[m_pos++]; }
    bool takeKeyword(const char* word)
    {
        if (peek().type == Token::Type::Name &&
            peek().text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            ++m_pos;
            return true;
        }
        return false;
    }

    // The parser and the SQL it makes recurse along the tree, and SQLite's
    // own parser holds a hundred levels of it: a text that nests or chains
    // beyond any filter a person writes is refused here, before a stack
    // runs out. (A chain of "and" or of "or" is one level, however long.)
    static constexpr int MaxNesting = 16;
    static constexpr int MaxNodes = 250;

    std::unique_ptr<Node> newNode(Node::Kind kind)
    {
        if (++m_nodes > MaxNodes)
            syntaxError(m_text, QStringLiteral("it has more than %1 conditions").arg(MaxNodes));
        auto node = std::make_unique<Node>();
        node->kind = kind;
        return node;
    }

    std::unique_ptr<Node> combine(Node::Kind kind, std::unique_ptr<Node> left,
                                  std::unique_ptr<Node> right)
    {
        if (left->kind == kind) {
            left->children.push_back(std::move(right));
            return left;
        }
        auto node = newNode(kind);
        node->children.push_back(std::move(left));
        node->children.push_back(std::move(right));
        return node;
    }

    std::unique_ptr<Node> parseOr()
    {
        auto left = parseAnd();
        while (takeKeyword("or"))
            left = combine(Node::Kind::Or, std::move(left), parseAnd());
        return left;
    }

    std::unique_ptr<Node> parseAnd()
    {
        auto left = parseUnary();
        while (takeKeyword("and"))
            left = combine(Node::Kind::And, std::move(left), parseUnary());
        return left;
    }

    std::unique_ptr<Node> parseUnary()
    {
        if (++m_nesting > MaxNesting)
            syntaxError(m_text, QStringLiteral("it nests more than %1 deep").arg(MaxNesting));
        const auto leave = qScopeGuard([this] { --m_nesting; });
        if (takeKeyword("not")) {
            auto node = newNode(Node::Kind::Not);
            node->children.push_back(parseUnary());
            return node;
        }
        if (peek().type == Token::Type::LParen) {
            take();
            auto inner = parseOr();
            if (take().type != Token::Type::RParen)
                syntaxError(m_text, QStringLiteral("a \")\" is missing"));
            return inner;
        }
        return parseComparison();
    }

    std::unique_ptr<Node> parseComparison()
    {
        const Token name = take();
        if (name.type != Token::Type::Name)
            syntaxError(m_text,
                        QStringLiteral("a field name was expected before \"%1\"").arg(name.text));
        const int fieldIdx = m_table.fieldIndex(name.text);
        if (fieldIdx < 0)
            syntaxError(m_text, QStringLiteral("the table has no field %1").arg(name.text));
        const Token op = take();
        if (op.type != Token::Type::Op)
            syntaxError(m_text,
                        QStringLiteral("a comparison was expected after %1").arg(name.text));
        const Token literal = take();
        if (literal.type != Token::Type::Text && literal.type != Token::Type::Number)
            syntaxError(m_text, QStringLiteral("a quoted text was expected after %1").arg(op.text));

        auto node = newNode(Node::Kind::Compare);
        node->field = &m_table.fields[size_t(fieldIdx)];
        node->op = op.text;
        node->value = literalValue(*node->field, literal.text);
        return node;
    }

    QVariant literalValue(const FieldDefinition& field, const QString& text) const
    {
        switch (field.type) {
        case FieldType::Integer: {
            bool ok = false;
            const qint64 v = text.trimmed().toLongLong(&ok);
            if (!ok)
                syntaxError(m_text, QStringLiteral("%1 is not a whole number").arg(text));
            return QVariant(v);
        }
        case FieldType::Date: {
            const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("dd-MM-yyyy"));
            if (!d.isValid())
                syntaxError(m_text, QStringLiteral("'%1' is not a valid date").arg(text));
            return d.toString(Qt::ISODate);
        }
        case FieldType::Text:
        case FieldType::Memo:
            break;
        }
        return text;
    }

    const QString& m_text;
    const TableDefinition& m_table;
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    int m_nesting = 0;
    int m_nodes = 0;
};

// negated: the node stands under an odd number of NOTs.
QString nodeSql(const FilterExpression::Node& node, QVariantList& params, bool negated = false)
{
    using Kind = FilterExpression::Node::Kind;
    switch (node.kind) {
    case Kind::And:
    case Kind::Or: {
        // The parameters must follow the placeholders from left to right, so
        // the parts are turned into SQL one after the other.
        QStringList parts;
        for (const auto& child : node.children)
            parts << nodeSql(*child, params, negated);
        return u'(' +
               parts.join(node.kind == Kind::And ? QStringLiteral(" AND ")
                                                 : QStringLiteral(" OR ")) +
               u')';
    }
    case Kind::Not:
        return QStringLiteral("(NOT %1)").arg(nodeSql(*node.children[0], params, !negated));
    case Kind::Compare:
        break;
    }
    params << node.value;
    const QString column = u'"' + node.field->name + u'"';
    // An empty text field and a field never written compare alike.
    const bool isText = node.field->type == FieldType::Text || node.field->type == FieldType::Memo;
    // Where a field never written cannot pass either way (equal to, or
    // after, a text that is not empty), the field is compared as it is, so
    // that an index on it finds the records (a birthday month, a card mark).
    const bool nullFails = !negated && !node.value.toString().isEmpty() &&
                           (node.op == u"=" || node.op == u">" || node.op == u">=");
    const QString lhs = isText && !nullFails ? QStringLiteral("ifnull(%1,'')").arg(column) : column;
    return QStringLiteral("%1 %2 ?").arg(lhs, node.op);
}

} // namespace

FilterExpression::FilterExpression() = default;
FilterExpression::~FilterExpression() = default;
FilterExpression::FilterExpression(FilterExpression&&) noexcept = default;
FilterExpression& FilterExpression::operator=(FilterExpression&&) noexcept = default;

FilterExpression FilterExpression::parse(const QString& text, const TableDefinition& table)
{
    FilterExpression e;
    if (!text.trimmed().isEmpty())
        e.m_root = Parser(text, table).parse();
    return e;
}

QString FilterExpression::toSql(QVariantList& params) const
{
    return m_root ? nodeSql(*m_root, params) : QStringLiteral("1");
}
