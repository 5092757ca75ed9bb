#include "platform/jet/jet_parser.h"

#include "platform/jet/jet_errors.h"
#include "platform/jet/jet_functions.h"

namespace corvane::platform::jet {

namespace {

using Kind = Expr::Kind;
using TK = Token::Kind;

// Nesting deeper than this is refused rather than risking the stack.
constexpr int MaxDepth = 200;

// Words that end a clause, for the clause Jet quotes in its messages.
bool endsClause(const Token& t)
{
    for (const char* word : { "FROM", "WHERE", "GROUP", "HAVING", "ORDER", "UNION" }) {
        if (t.isWord(word))
            return true;
    }
    return t.isOperator(";");
}

// Words that can never be a bare name.
bool isReserved(const Token& t)
{
    static const char* const words[] = { "SELECT", "FROM", "WHERE", "GROUP", "BY", "HAVING", "ORDER", "UNION",
        "ALL", "DISTINCT", "DISTINCTROW", "TOP", "PERCENT", "AS", "ON", "INNER", "LEFT", "RIGHT", "OUTER",
        "JOIN", "AND", "OR", "NOT", "XOR", "EQV", "IMP", "MOD", "LIKE", "ALIKE", "BETWEEN", "IS", "IN",
        "NULL", "EXISTS", "INTO", "ASC", "DESC", "TRUE", "FALSE", "ANY", "SOME", "TRANSFORM", "PIVOT",
        "PARAMETERS", "WITH" };
    if (t.kind != TK::Word)
        return false;
    for (const char* word : words) {
        if (t.isWord(word))
            return true;
    }
    return false;
}

bool isCompareOperator(const Token& t)
{
    return t.kind == TK::Operator
        && (t.text == QLatin1String("=") || t.text == QLatin1String("<>") || t.text == QLatin1String("<")
            || t.text == QLatin1String(">") || t.text == QLatin1String("<=")
            || t.text == QLatin1String(">="));
}

} // namespace

class Parser::DepthGuard {
public:
    explicit DepthGuard(Parser& parser)
        : m_parser(parser)
    {
        if (++m_parser.m_depth > MaxDepth)
            throw errors::tooComplex();
    }
    ~DepthGuard() { --m_parser.m_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    Parser& m_parser;
};

Parser::Parser(QStringView text, int currentYear)
    : Parser(text, currentYear, 0)
{
}

Parser::Parser(QStringView text, int currentYear, int depth)
    : m_text(text.toString())
    , m_year(currentYear)
    , m_tokens(tokenize(text, currentYear))
    , m_depth(depth)
{
}

// ---- tokens and messages ----

const Token& Parser::peek(std::size_t ahead) const
{
    return m_tokens[std::min(m_tokens.size() - 1, m_pos + ahead)];
}

const Token& Parser::next()
{
    const Token& t = peek();
    if (m_pos + 1 < m_tokens.size())
        ++m_pos;
    else
        m_pos = m_tokens.size() - 1;
    return t;
}

bool Parser::acceptWord(const char* word)
{
    if (!peek().isWord(word))
        return false;
    next();
    return true;
}

bool Parser::acceptOperator(const char* op)
{
    if (!peek().isOperator(op))
        return false;
    next();
    return true;
}

void Parser::expectWord(const char* word)
{
    if (!acceptWord(word))
        fail();
}

void Parser::expectOperator(const char* op)
{
    if (!acceptOperator(op))
        fail();
}

QString Parser::clauseText() const
{
    std::size_t end = m_clauseStart;
    int depth = 0;
    for (; end + 1 < m_tokens.size(); ++end) {
        const Token& t = m_tokens[end];
        if (t.isOperator("(")) {
            ++depth;
        } else if (t.isOperator(")")) {
            if (--depth < 0)
                break;
        } else if (depth == 0 && end > m_clauseStart && endsClause(t)) {
            break;
        }
    }
    const qsizetype from = m_tokens[m_clauseStart].offset;
    return m_text.mid(from, m_tokens[end].offset - from).trimmed();
}

void Parser::fail(const Token& at) const
{
    if (at.kind == TK::BadString)
        throw errors::badString(clauseText());
    if (at.kind == TK::BadDate)
        throw errors::badDate(clauseText());
    throw errors::syntax(clauseText());
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

QString Parser::identifier(const Token& token) const
{
    if (token.kind != TK::Name && (token.kind != TK::Word || isReserved(token)))
        fail(token);
    if (token.text.startsWith(QLatin1String("__jet_"), Qt::CaseInsensitive))
        throw errors::notSupported(QStringLiteral("names beginning with __jet_ (%1)").arg(token.text));
    return token.text;
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

// ---- expressions, lowest precedence first ----

ExprPtr Parser::parseExpr()
{
    ExprPtr e = parseOr();
    for (const char* word : { "XOR", "EQV", "IMP" }) {
        if (peek().isWord(word))
            throw errors::notSupported(QStringLiteral("the %1 operator").arg(QLatin1String(word)));
    }
    return e;
}

ExprPtr Parser::parseOr()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseAnd();
    while (acceptWord("OR"))
        left = node(Kind::Or, QString(), first, std::move(left), parseAnd());
    return left;
}

ExprPtr Parser::parseAnd()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseNot();
    while (acceptWord("AND"))
        left = node(Kind::And, QString(), first, std::move(left), parseNot());
    return left;
}

ExprPtr Parser::parseNot()
{
    DepthGuard guard(*this);
    const std::size_t first = m_pos;
    if (acceptWord("NOT"))
        return node(Kind::Not, QString(), first, parseNot());
    return parseComparison();
}

ExprPtr Parser::parseComparison()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseConcat();
    for (;;) {
        if (isCompareOperator(peek())) {
            const QString op = next().text;
            if (peek().isWord("ANY") || peek().isWord("SOME") || peek().isWord("ALL"))
                throw errors::notSupported(QStringLiteral("ANY, SOME and ALL"));
            left = node(Kind::Compare, op, first, std::move(left), parseConcat());
            continue;
        }
        if (peek().isWord("IS")) {
            next();
            const bool negated = acceptWord("NOT");
            expectWord("NULL");
            left = node(Kind::IsNull, QString(), first, std::move(left));
            left->negated = negated;
            continue;
        }
        const bool negated = peek().isWord("NOT")
            && (peek(1).isWord("LIKE") || peek(1).isWord("ALIKE") || peek(1).isWord("BETWEEN")
                || peek(1).isWord("IN"));
        if (negated)
            next();
        if (peek().isWord("LIKE") || peek().isWord("ALIKE")) {
            const bool alike = next().isWord("ALIKE");
            left = node(Kind::Like, QString(), first, std::move(left), parseConcat());
            left->alike = alike;
        } else if (acceptWord("BETWEEN")) {
            ExprPtr low = parseConcat();
            expectWord("AND");
            ExprPtr high = parseConcat();
            left = node(Kind::Between, QString(), first, std::move(left), std::move(low));
            left->args.push_back(std::move(high));
            finish(*left, first);
        } else if (acceptWord("IN")) {
            expectOperator("(");
            auto in = node(Kind::In, QString(), first, std::move(left));
            if (peek().isWord("SELECT")) {
                in->query = parseSubquery();
            } else {
                do
                    in->args.push_back(parseExpr());
                while (acceptOperator(","));
            }
            expectOperator(")");
            finish(*in, first);
            left = std::move(in);
        } else {
            return left;
        }
        left->negated = negated;
    }
}

ExprPtr Parser::parseConcat()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseAdditive();
    while (acceptOperator("&"))
        left = node(Kind::Binary, QStringLiteral("&"), first, std::move(left), parseAdditive());
    return left;
}

ExprPtr Parser::parseAdditive()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseMod();
    while (peek().isOperator("+") || peek().isOperator("-")) {
        const QString op = next().text;
        left = node(Kind::Binary, op, first, std::move(left), parseMod());
    }
    return left;
}

ExprPtr Parser::parseMod()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseIntegerDivision();
    while (acceptWord("MOD"))
        left = node(Kind::Binary, QStringLiteral("mod"), first, std::move(left), parseIntegerDivision());
    return left;
}

ExprPtr Parser::parseIntegerDivision()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseMultiplicative();
    while (acceptOperator("\\"))
        left = node(Kind::Binary, QStringLiteral("\\"), first, std::move(left), parseMultiplicative());
    return left;
}

ExprPtr Parser::parseMultiplicative()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseUnary();
    while (peek().isOperator("*") || peek().isOperator("/")) {
        const QString op = next().text;
        left = node(Kind::Binary, op, first, std::move(left), parseUnary());
    }
    return left;
}

// The sign binds looser than ^: -2^2 is -4.
ExprPtr Parser::parseUnary()
{
    DepthGuard guard(*this);
    const std::size_t first = m_pos;
    if (acceptOperator("-"))
        return node(Kind::Negate, QString(), first, parseUnary());
    if (acceptOperator("+"))
        return parseUnary();
    return parsePower();
}

ExprPtr Parser::parsePower()
{
    const std::size_t first = m_pos;
    ExprPtr left = parsePrimary();
    while (acceptOperator("^")) {
        // 2^-1: a sign may open the exponent.
        ExprPtr right = (peek().isOperator("-") || peek().isOperator("+")) ? parseUnary() : parsePrimary();
        left = node(Kind::Binary, QStringLiteral("^"), first, std::move(left), std::move(right));
    }
    return left;
}

ExprPtr Parser::parsePrimary()
{
    DepthGuard guard(*this);
    const std::size_t first = m_pos;
    const Token& t = next();
    switch (t.kind) {
    case TK::Number:
        return node(Kind::Number, t.text, first);
    case TK::String:
        return node(Kind::Text, t.text, first);
    case TK::Date:
        return node(Kind::Date, t.text, first);
    case TK::Name:
        return parseName(t, first);
    case TK::Word:
        return parseWord(t, first);
    case TK::Operator:
        if (t.text == QLatin1String("(")) {
            if (peek().isWord("SELECT")) {
                auto sub = node(Kind::Subquery, QString(), first);
                sub->query = parseSubquery();
                expectOperator(")");
                finish(*sub, first);
                return sub;
            }
            ExprPtr inner = parseExpr();
            expectOperator(")");
            return inner;
        }
        break;
    default:
        break;
    }
    fail(t);
}

ExprPtr Parser::parseWord(const Token& word, std::size_t first)
{
    if (peek().isOperator("(")) {
        if (word.isWord("EXISTS")) {
            next();
            auto e = node(Kind::Exists, QString(), first);
            e->query = parseSubquery();
            expectOperator(")");
            finish(*e, first);
            return e;
        }
        // Left( and Right( are calls wherever an expression stands; LEFT
        // and RIGHT are join words only between two tables.
        if (!isReserved(word) || findFunction(word.text))
            return parseCall(word, first);
    }
    for (const char* truth : { "TRUE", "YES", "ON" }) {
        if (word.isWord(truth))
            return node(Kind::Boolean, QStringLiteral("-1"), first);
    }
    for (const char* falsehood : { "FALSE", "NO", "OFF" }) {
        if (word.isWord(falsehood))
            return node(Kind::Boolean, QStringLiteral("0"), first);
    }
    if (word.isWord("NULL"))
        return node(Kind::Null, QString(), first);
    return parseName(word, first);
}

ExprPtr Parser::parseName(const Token& name, std::size_t first)
{
    const QString head = identifier(name);
    // Jet's bang (table!field) names a member just as the period does.
    if (peek().isOperator(".") || peek().isOperator("!")) {
        next();
        const QString member = identifier(next());
        auto column = node(Kind::Column, member, first);
        column->qualifier = head;
        return column;
    }
    return node(Kind::Column, head, first);
}

ExprPtr Parser::parseCall(const Token& name, std::size_t first)
{
    next(); // (
    auto call = node(Kind::Call, name.text, first);
    if (name.isWord("COUNT") && peek().isOperator("*") && peek(1).isOperator(")")) {
        m_pos += 2;
        call->countStar = true;
        finish(*call, first);
        return call;
    }
    if (!peek().isOperator(")")) {
        do
            call->args.push_back(parseExpr());
        while (acceptOperator(","));
    }
    expectOperator(")");
    finish(*call, first);
    if (name.isWord("ISNULL") && call->args.size() == 1) {
        auto test = node(Kind::IsNull, QString(), first, std::move(call->args.front()));
        return test;
    }
    return call;
}

std::shared_ptr<Query> Parser::parseSubquery()
{
    const std::size_t clause = m_clauseStart;
    auto query = std::make_shared<Query>(parseQuery());
    m_clauseStart = clause;
    return query;
}

// ---- nodes ----

void Parser::finish(Expr& e, std::size_t firstToken) const
{
    const Token& start = m_tokens[std::min(firstToken, m_tokens.size() - 1)];
    const Token& last = m_tokens[m_pos > 0 ? m_pos - 1 : 0];
    const qsizetype end = last.offset + last.length;
    e.source = end > start.offset ? m_text.mid(start.offset, end - start.offset) : QString();
}

ExprPtr Parser::node(Expr::Kind kind, QString text, std::size_t firstToken) const
{
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->text = std::move(text);
    finish(*e, firstToken);
    return e;
}

ExprPtr Parser::node(Expr::Kind kind, QString text, std::size_t firstToken, ExprPtr a) const
{
    auto e = node(kind, std::move(text), firstToken);
    e->args.push_back(std::move(a));
    return e;
}

ExprPtr Parser::node(Expr::Kind kind, QString text, std::size_t firstToken, ExprPtr a, ExprPtr b) const
{
    auto e = node(kind, std::move(text), firstToken, std::move(a));
    e->args.push_back(std::move(b));
    return e;
}

} // namespace corvane::platform::jet
