#pragma once

#include <QString>
#include <memory>
#include <vector>

// The parsed form of a Jet SELECT: what the checks read and the emitter writes.
namespace corvane::platform::jet {

struct Query;

struct Expr {
    enum class Kind {
        Number, // text: as written
        Text, // text: the value
        Date, // text: canonical date
        Null,
        Boolean, // text: "-1" or "0"
        Column, // qualifier (may be empty), text: name
        Star, // t.* in a select list; qualifier
        Call, // text: function name in lower case; args; countStar for Count(*)
        Negate, // unary minus; args[0]
        Binary, // text: + - * / \ ^ & mod; args[0], args[1]
        Compare, // text: = <> < > <= >=; args[0], args[1]
        And, // args[0], args[1]
        Or, // args[0], args[1]
        Not, // args[0]
        Between, // args: value, low, high; negated
        In, // args: value, then the list; or query; negated
        IsNull, // args[0]; negated
        Like, // args: value, pattern; negated; alike for ALIKE
        Exists, // query
        Subquery, // query
    };
    Kind kind = Kind::Null;
    QString text;
    QString qualifier;
    bool negated = false;
    bool alike = false;
    bool countStar = false;
    std::vector<std::unique_ptr<Expr>> args;
    std::shared_ptr<Query> query;
    QString source; // the text as written, for messages

    bool isCondition() const
    {
        switch (kind) {
        case Kind::Compare:
        case Kind::And:
        case Kind::Or:
        case Kind::Not:
        case Kind::Between:
        case Kind::In:
        case Kind::IsNull:
        case Kind::Like:
        case Kind::Exists:
            return true;
        default:
            return false;
        }
    }
};
using ExprPtr = std::unique_ptr<Expr>;

struct SelectItem {
    ExprPtr expr;
    QString alias; // empty when none was given
};

struct OrderTerm {
    ExprPtr expr;
    bool descending = false;
    bool ascending = false; // written explicitly
};

struct FromItem {
    enum class Kind { Table, Derived, Join, Group };
    Kind kind = Kind::Table;
    QString name; // Table
    QString alias; // Table, Derived
    std::shared_ptr<Query> query; // Derived
    QString join; // Join: INNER, LEFT or RIGHT
    std::unique_ptr<FromItem> left; // Join; Group holds its content in left
    std::unique_ptr<FromItem> right; // Join
    ExprPtr on; // Join
};
using FromItemPtr = std::unique_ptr<FromItem>;

struct Select {
    bool distinct = false;
    bool distinctRow = false;
    long long top = 0; // 0: none
    bool percent = false;
    bool star = false; // the select list is a lone *
    std::vector<SelectItem> items;
    std::vector<FromItemPtr> from; // comma-separated
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
};

struct Query {
    std::vector<Select> selects; // joined by UNION
    std::vector<bool> unionAll; // between selects[i] and selects[i + 1]
    std::vector<OrderTerm> orderBy;
};

// Structural equality as Jet's grouping rule sees it: names compare without
// regard to case, and a qualified column equals the same unqualified one.
bool sameExpression(const Expr& a, const Expr& b);
// A call of Sum, Count, Avg, Min, Max, First, Last, StDev or Var.
bool isAggregateCall(const Expr& e);
// An aggregate call anywhere in e, not counting subqueries.
const Expr* findAggregate(const Expr& e);

} // namespace corvane::platform::jet
