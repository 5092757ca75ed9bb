#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace corvane::platform::jet {

// One token of a Jet query text. Bad strings, dates and characters are kept
// as tokens so that the parser can name the clause they stand in, as Jet does.
struct Token {
    enum class Kind {
        Word, // keyword, function name, constant or bare name
        Name, // [bracketed] name; text is the content
        String, // '...' or "..."; text is the value
        Date, // #...#; text is the canonical date
        Number, // as written
        Operator, // text is the operator; => =< != arrive as >= <= <>
        BadString, // no closing quote
        BadDate, // no closing # or not a date
        Invalid, // a character or bracket that starts no token
        End
    };
    Kind kind = Kind::End;
    QString text;
    qsizetype offset = 0;
    qsizetype length = 0;

    bool isWord(const char* word) const;
    bool isOperator(const char* op) const { return kind == Kind::Operator && text == QLatin1String(op); }
};

// Splits a query into tokens, ending with an End token. There are no
// comments in Jet: "--" is two minus signs and "/*" a division followed by
// a multiplication. A date literal without a year takes currentYear.
std::vector<Token> tokenize(QStringView text, int currentYear);

} // namespace corvane::platform::jet
