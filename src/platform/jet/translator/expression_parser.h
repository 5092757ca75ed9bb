#pragma once

#include "platform/jet/translator/ast.h"
#include "platform/jet/translator/tokenizer.h"

#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

namespace corvane::platform::jet {

// The token stream of one query text and the expressions in it, with Jet's
// precedence. The statement parser derives from it and supplies the queries
// that subqueries, IN (SELECT ...) and EXISTS hold.
class ExpressionParser {
public:
    virtual ~ExpressionParser() = default;
    ExpressionParser(const ExpressionParser&) = delete;
    ExpressionParser& operator=(const ExpressionParser&) = delete;

protected:
    ExpressionParser(QStringView text, int currentYear, int depth);

    virtual Query parseQuery() = 0;

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

    // Words that can never be a bare name.
    static bool isReserved(const Token& t);
    QString identifier(const Token& token) const;

    ExprPtr parseExpr();
    std::shared_ptr<Query> parseSubquery();

    ExprPtr node(Expr::Kind kind, QString text, std::size_t firstToken) const;

    // Counts nesting; deeper than a fixed limit is refused rather than
    // risking the stack.
    class DepthGuard {
    public:
        explicit DepthGuard(ExpressionParser& parser);
        ~DepthGuard();
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        ExpressionParser& m_parser;
    };

    QString m_text;
    int m_year;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    std::size_t m_clauseStart = 0;
    int m_depth = 0;

private:
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

    ExprPtr node(Expr::Kind kind, QString text, std::size_t firstToken, ExprPtr a) const;
    ExprPtr node(Expr::Kind kind, QString text, std::size_t firstToken, ExprPtr a, ExprPtr b) const;
    void finish(Expr& e, std::size_t firstToken) const;
};

} // namespace corvane::platform::jet
