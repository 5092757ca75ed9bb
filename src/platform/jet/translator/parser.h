#pragma once

#include "platform/jet/translator/ast.h"
#include "platform/jet/translator/expression_parser.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace corvane::platform::jet {

// Recursive-descent parser for the Jet SELECT statements the program runs
// (ANSI-89 dialect, as DAO speaks it). Statements that are not a SELECT,
// and the constructs we refuse, fail here with Jet's number and wording.
class Parser final : public ExpressionParser {
public:
    Parser(QStringView text, int currentYear);

    // One query, an optional ';' and nothing after it.
    Query parseStatement();

private:
    Parser(QStringView text, int currentYear, int depth);

    void refuseOtherStatements() const;
    Query parseQuery() override;
    Select parseSelect();
    void parseTop(Select& select);
    void parseSelectList(Select& select);
    std::vector<OrderTerm> parseOrderList();
    FromItemPtr parseFromItem();
    FromItemPtr parseFromPrimary();
    FromItemPtr parseDerived(std::shared_ptr<Query> query);
    QString parseAlias();
    bool atBareAlias() const;
};

} // namespace corvane::platform::jet
