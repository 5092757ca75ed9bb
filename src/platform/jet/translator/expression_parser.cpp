#include "platform/jet/translator/expression_parser.h"

#include "platform/jet/translator/dialect_functions.h"
#include "platform/jet/translator/errors.h"

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

} // namespace

bool ExpressionParser::isReserved(const Token& t)
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

namespace {

bool isCompareOperator(const Token& t)
{
    return t.kind == TK::Operator
        && (t.text == QLatin1String("=") || t.text == QLatin1String("<>") || t.text == QLatin1String("<")
            || t.text == QLatin1String(">") || t.text == QLatin1String("<=")
            || t.text == QLatin1String(">="));
}

} // namespace

ExpressionParser::DepthGuard::DepthGuard(ExpressionParser& parser)
    : m_parser(parser)
{
    if (++m_parser.m_depth > MaxDepth)
        throw errors::tooComplex();
}

ExpressionParser::DepthGuard::~DepthGuard()
{
    --m_parser.m_depth;
}

ExpressionParser::ExpressionParser(QStringView text, int currentYear, int depth)
    : m_text(text.toString())
    , m_year(currentYear)
    , m_tokens(tokenize(text, currentYear))
    , m_depth(depth)
{
}

// ---- tokens and messages ----

const Token& ExpressionParser::peek(std::size_t ahead) const
{
    return m_tokens[std::min(m_tokens.size() - 1, m_pos + ahead)];
}

const Token& ExpressionParser::next()
{
    const Token& t = peek();
    if (m_pos + 1 < m_tokens.size())
        ++m_pos;
    else
        m_pos = m_tokens.size() - 1;
    return t;
}

bool ExpressionParser::acceptWord(const char* word)
{
    if (!peek().isWord(word))
        return false;
    next();
    return true;
}

bool ExpressionParser::acceptOperator(const char* op)
{
    if (!peek().isOperator(op))
        return false;
    next();
    return true;
}

void ExpressionParser::expectWord(const char* word)
{
    if (!acceptWord(word))
        fail();
}

void ExpressionParser::expectOperator(const char* op)
{
    if (!acceptOperator(op))
        fail();
}

QString ExpressionParser::clauseText() const
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

void ExpressionParser::fail(const Token& at) const
{
    if (at.kind == TK::BadString)
        throw errors::badString(clauseText());
    if (at.kind == TK::BadDate)
        throw errors::badDate(clauseText());
    throw errors::syntax(clauseText());
}

QString ExpressionParser::identifier(const Token& token) const
{
    if (token.kind != TK::Name && (token.kind != TK::Word || isReserved(token)))
        fail(token);
    if (token.text.startsWith(QLatin1String("__jet_"), Qt::CaseInsensitive))
        throw errors::notSupported(QStringLiteral("names beginning with __jet_ (%1)").arg(token.text));
    return token.text;
}

// ---- expressions, lowest precedence first ----

ExprPtr ExpressionParser::parseExpr()
{
    ExprPtr e = parseOr();
    for (const char* word : { "XOR", "EQV", "IMP" }) {
        if (peek().isWord(word))
            throw errors::notSupported(QStringLiteral("the %1 operator").arg(QLatin1String(word)));
    }
    return e;
}

ExprPtr ExpressionParser::parseOr()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseAnd();
    while (acceptWord("OR"))
        left = node(Kind::Or, QString(), first, std::move(left), parseAnd());
    return left;
}

ExprPtr ExpressionParser::parseAnd()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseNot();
    while (acceptWord("AND"))
        left = node(Kind::And, QString(), first, std::move(left), parseNot());
    return left;
}

ExprPtr ExpressionParser::parseNot()
{
    DepthGuard guard(*this);
    const std::size_t first = m_pos;
    if (acceptWord("NOT"))
        return node(Kind::Not, QString(), first, parseNot());
    return parseComparison();
}

ExprPtr ExpressionParser::parseComparison()
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

ExprPtr ExpressionParser::parseConcat()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseAdditive();
    while (acceptOperator("&"))
        left = node(Kind::Binary, QStringLiteral("&"), first, std::move(left), parseAdditive());
    return left;
}

ExprPtr ExpressionParser::parseAdditive()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseMod();
    while (peek().isOperator("+") || peek().isOperator("-")) {
        const QString op = next().text;
        left = node(Kind::Binary, op, first, std::move(left), parseMod());
    }
    return left;
}

ExprPtr ExpressionParser::parseMod()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseIntegerDivision();
    while (acceptWord("MOD"))
        left = node(Kind::Binary, QStringLiteral("mod"), first, std::move(left), parseIntegerDivision());
    return left;
}

ExprPtr ExpressionParser::parseIntegerDivision()
{
    const std::size_t first = m_pos;
    ExprPtr left = parseMultiplicative();
    while (acceptOperator("\\"))
        left = node(Kind::Binary, QStringLiteral("\\"), first, std::move(left), parseMultiplicative());
    return left;
}

ExprPtr ExpressionParser::parseMultiplicative()
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
ExprPtr ExpressionParser::parseUnary()
{
    DepthGuard guard(*this);
    const std::size_t first = m_pos;
    if (acceptOperator("-"))
        return node(Kind::Negate, QString(), first, parseUnary());
    if (acceptOperator("+"))
        return parseUnary();
    return parsePower();
}

ExprPtr ExpressionParser::parsePower()
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

ExprPtr ExpressionParser::parsePrimary()
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

ExprPtr ExpressionParser::parseWord(const Token& word, std::size_t first)
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

ExprPtr ExpressionParser::parseName(const Token& name, std::size_t first)
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

ExprPtr ExpressionParser::parseCall(const Token& name, std::size_t first)
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

std::shared_ptr<Query> ExpressionParser::parseSubquery()
{
    const std::size_t clause = m_clauseStart;
    auto query = std::make_shared<Query>(parseQuery());
    m_clauseStart = clause;
    return query;
}

// ---- nodes ----

void ExpressionParser::finish(Expr& e, std::size_t firstToken) const
{
    const Token& start = m_tokens[std::min(firstToken, m_tokens.size() - 1)];
    const Token& last = m_tokens[m_pos > 0 ? m_pos - 1 : 0];
    const qsizetype end = last.offset + last.length;
    e.source = end > start.offset ? m_text.mid(start.offset, end - start.offset) : QString();
}

ExprPtr ExpressionParser::node(Expr::Kind kind, QString text, std::size_t firstToken) const
{
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->text = std::move(text);
    finish(*e, firstToken);
    return e;
}

ExprPtr ExpressionParser::node(Expr::Kind kind, QString text, std::size_t firstToken, ExprPtr a) const
{
    auto e = node(kind, std::move(text), firstToken);
    e->args.push_back(std::move(a));
    return e;
}

ExprPtr ExpressionParser::node(
    Expr::Kind kind, QString text, std::size_t firstToken, ExprPtr a, ExprPtr b) const
{
    auto e = node(kind, std::move(text), firstToken, std::move(a));
    e->args.push_back(std::move(b));
    return e;
}

} // namespace corvane::platform::jet
