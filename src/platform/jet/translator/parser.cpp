#include "platform/jet/translator/parser.h"

#include "platform/jet/translator/errors.h"

namespace corvane::platform::jet {

namespace {

using Kind = Expr::Kind;
using TK = Token::Kind;

} // namespace

Parser::Parser(QStringView text, int currentYear)
    : Parser(text, currentYear, 0)
{
}

Parser::Parser(QStringView text, int currentYear, int depth)
    : ExpressionParser(text, currentYear, depth)
{
}

// ---- statements ----

Query Parser::parseStatement()
{
    refuseOtherStatements();
    Query query = parseQuery();
    if (peek().isWord("WITH") && peek(1).isWord("OWNERACCESS") && peek(2).isWord("OPTION"))
        m_pos += 3; // only meaningful with workgroup security; nothing to do here
    if (acceptOperator(";")) {
        if (peek().kind != TK::End)
            throw errors::afterEnd();
    } else if (peek().kind != TK::End) {
        fail();
    }
    return query;
}

void Parser::refuseOtherStatements() const
{
    const Token& first = peek();
    if (first.isWord("TRANSFORM"))
        throw errors::notSupported(QStringLiteral("TRANSFORM (crosstab) queries"));
    if (first.isWord("PARAMETERS"))
        throw errors::notSupported(QStringLiteral("PARAMETERS declarations"));
    if (!first.isWord("SELECT"))
        throw errors::notSelect();
}

Query Parser::parseQuery()
{
    DepthGuard guard(*this);
    Query query;
    query.selects.push_back(parseSelect());
    while (acceptWord("UNION")) {
        query.unionAll.push_back(acceptWord("ALL"));
        if (peek().isWord("TABLE"))
            throw errors::notSupported(QStringLiteral("TABLE in a UNION query"));
        query.selects.push_back(parseSelect());
    }
    if (acceptWord("ORDER")) {
        expectWord("BY");
        beginClause();
        query.orderBy = parseOrderList();
    }
    return query;
}

Select Parser::parseSelect()
{
    expectWord("SELECT");
    beginClause();
    Select select;
    if (acceptWord("DISTINCT"))
        select.distinct = true;
    else if (acceptWord("DISTINCTROW"))
        select.distinctRow = true;
    else
        acceptWord("ALL");
    if (acceptWord("TOP"))
        parseTop(select);
    beginClause();
    parseSelectList(select);
    if (peek().isWord("INTO"))
        throw errors::notSupported(QStringLiteral("SELECT ... INTO (report queries are read-only)"));
    if (acceptWord("FROM")) {
        beginClause();
        select.from.push_back(parseFromItem());
        while (acceptOperator(","))
            select.from.push_back(parseFromItem());
    }
    if (acceptWord("WHERE")) {
        beginClause();
        select.where = parseExpr();
    }
    if (acceptWord("GROUP")) {
        expectWord("BY");
        beginClause();
        do
            select.groupBy.push_back(parseExpr());
        while (acceptOperator(","));
    }
    if (acceptWord("HAVING")) {
        beginClause();
        select.having = parseExpr();
    }
    return select;
}

void Parser::parseTop(Select& select)
{
    const Token& count = next();
    bool ok = count.kind == TK::Number;
    for (QChar c : count.text)
        ok = ok && c.isDigit();
    select.top = ok ? count.text.toLongLong(&ok) : 0;
    select.percent = acceptWord("PERCENT");
    if (!ok || select.top <= 0 || (select.percent && select.top > 100))
        throw errors::badTop(count.text);
}

void Parser::parseSelectList(Select& select)
{
    if (peek().isOperator("*")
        && (peek(1).isWord("FROM") || peek(1).kind == TK::End || peek(1).isOperator(";"))) {
        next();
        select.star = true;
        return;
    }
    do {
        const std::size_t first = m_pos;
        SelectItem item;
        if (peek().isOperator("*")) {
            next();
            item.expr = node(Kind::Star, QString(), first);
        } else if ((peek().kind == TK::Name || (peek().kind == TK::Word && !isReserved(peek())))
            && (peek(1).isOperator(".") || peek(1).isOperator("!")) && peek(2).isOperator("*")) {
            const QString table = identifier(next());
            m_pos += 2;
            item.expr = node(Kind::Star, QString(), first);
            item.expr->qualifier = table;
        } else {
            item.expr = parseExpr();
            if (acceptWord("AS"))
                item.alias = parseAlias();
        }
        select.items.push_back(std::move(item));
    } while (acceptOperator(","));
}

std::vector<OrderTerm> Parser::parseOrderList()
{
    std::vector<OrderTerm> terms;
    do {
        OrderTerm term;
        term.expr = parseExpr();
        if (acceptWord("DESC"))
            term.descending = true;
        else if (acceptWord("ASC"))
            term.ascending = true;
        terms.push_back(std::move(term));
    } while (acceptOperator(","));
    return terms;
}

QString Parser::parseAlias()
{
    return identifier(next());
}

bool Parser::atBareAlias() const
{
    return peek().kind == TK::Name || (peek().kind == TK::Word && !isReserved(peek()));
}

// ---- FROM ----

FromItemPtr Parser::parseFromItem()
{
    FromItemPtr item = parseFromPrimary();
    for (;;) {
        QString join;
        if (acceptWord("INNER")) {
            join = QStringLiteral("INNER");
        } else if (acceptWord("LEFT")) {
            join = QStringLiteral("LEFT");
            acceptWord("OUTER");
        } else if (acceptWord("RIGHT")) {
            join = QStringLiteral("RIGHT");
            acceptWord("OUTER");
        } else {
            if (peek().isWord("FULL") || peek().isWord("CROSS") || peek().isWord("JOIN"))
                fail();
            return item;
        }
        expectWord("JOIN");
        auto joined = std::make_unique<FromItem>();
        joined->kind = FromItem::Kind::Join;
        joined->join = join;
        joined->left = std::move(item);
        joined->right = parseFromPrimary();
        expectWord("ON");
        joined->on = parseExpr();
        item = std::move(joined);
    }
}

FromItemPtr Parser::parseFromPrimary()
{
    DepthGuard guard(*this);
    if (acceptOperator("(")) {
        if (peek().isWord("SELECT")) {
            auto query = std::make_shared<Query>(parseQuery());
            expectOperator(")");
            return parseDerived(std::move(query));
        }
        auto group = std::make_unique<FromItem>();
        group->kind = FromItem::Kind::Group;
        group->left = parseFromItem();
        expectOperator(")");
        return group;
    }
    const Token& t = next();
    if (t.kind == TK::Name && t.text.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)
        && peek().isOperator(".")) {
        // Access saves derived tables as [SELECT ...]. AS t
        next();
        Parser inner(t.text.trimmed(), m_year, m_depth);
        auto query = std::make_shared<Query>(inner.parseQuery());
        if (inner.peek().kind != TK::End)
            inner.fail();
        return parseDerived(std::move(query));
    }
    auto table = std::make_unique<FromItem>();
    table->name = identifier(t);
    if (peek().isWord("IN"))
        throw errors::notSupported(QStringLiteral("tables of another database file (IN '...')"));
    if (acceptWord("AS") || atBareAlias())
        table->alias = parseAlias();
    return table;
}

FromItemPtr Parser::parseDerived(std::shared_ptr<Query> query)
{
    auto derived = std::make_unique<FromItem>();
    derived->kind = FromItem::Kind::Derived;
    derived->query = std::move(query);
    if (acceptWord("AS") || atBareAlias())
        derived->alias = parseAlias();
    return derived;
}

} // namespace corvane::platform::jet
