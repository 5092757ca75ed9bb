#pragma once

#include "platform/jet/jet_ast.h"
#include "platform/jet/jet_tokenizer.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace corvane::platform::jet {

// Recursive-descent parser for the Jet SELECT statements the program runs
// (ANSI-89 dialect, as DAO speaks it). Statements that are not a SELECT,
// and the constructs we refuse, fail here with Jet's number and wording.
class Parser {
public:
    Parser(QStringView text, int currentYear);

    // One query, an optional ';' and nothing after it.
    Query parseStatement();

private:
    Parser(QStringView text, int currentYear, int depth);

    const Token& peek(std::size_t ahead = 0) const;
    const Token& next();
    bool acceptWord(const char* word);
    bool acceptOperator(const char* op);
    void expectWord(const char* word);
    void expectOperator(const char* op);
    void beginClause() { m_clauseStart = m_pos; }
    QString clauseText() const;
    [[noreturn]] void fail(const Token& at) const;
    [[noreturn]] void fail() const { fail(peek()); }

    void refuseOtherStatements() const;
    Query parseQuery();
    Select parseSelect();
    void parseTop(Select& select);
    void parseSelectList(Select& select);
    std::vector<OrderTerm> parseOrderList();
    FromItemPtr parseFromItem();
    FromItemPtr parseFromPrimary();
    FromItemPtr parseDerived(std::shared_ptr<Query> query);
    QString parseAlias();
    bool atBareAlias() const;
    QString identifier(const Token& token) const;

    ExprPtr parseExpr();
    ExprPtr parseOr();
    ExprPtr parseAnd();
    ExprPtr parseNot();
    ExprPtr parseComparison();
    ExprPtr parseConcat();
    ExprPtr parseAdditive();
    ExprPtr parseMod();
    ExprPtr parseIntegerDivision();
    ExprPtr parseMultiplicative();
    ExprPtr parseUnary();
    ExprPtr parsePower();
    ExprPtr parsePrimary();
    ExprPtr parseWord(const Token& word, std::size_t first);
    ExprPtr parseName(const Token& name, std::size_t first);
    ExprPtr parseCall(const Token& name, std::size_t first);
    std::shared_ptr<Query> parseSubquery();

    ExprPtr node(Expr::Kind kind, QString text, std::size_t firstToken) const;
    ExprPtr node(Expr::Kind kind, QString text, std::size_t firstToken, ExprPtr a) const;
    ExprPtr node(Expr::Kind kind, QString text, std::size_t firstToken, ExprPtr a, ExprPtr b) const;
    void finish(Expr& e, std::size_t firstToken) const;

    class DepthGuard;

    QString m_text;
    int m_year;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    std::size_t m_clauseStart = 0;
    int m_depth = 0;
};

} // namespace corvane::platform::jet
