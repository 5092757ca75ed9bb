#include "platform/jet/sqlite/like.h"

#include "platform/failure/failure.h"

#include <vector>

namespace corvane::platform::jet {

namespace {

struct Element {
    enum class Kind { Literal, AnyOne, Digit, AnyRun, Class };
    Kind kind;
    QChar literal;
    QString members; // ranges stored as triples a-z
    bool negated = false;

    bool matches(QChar c) const
    {
        switch (kind) {
        case Kind::Literal:
            return c == literal;
        case Kind::AnyOne:
            return true;
        case Kind::Digit:
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        case Kind::Class: {
            bool in = false;
            for (qsizetype i = 0; i < members.size() && !in; ++i) {
                if (i + 2 < members.size() && members[i + 1] == QChar(0xFFFF)) {
                    in = c >= members[i] && c <= members[i + 2];
                    i += 2;
                } else {
                    in = c == members[i];
                }
            }
            return in != negated;
        }
        case Kind::AnyRun:
            break;
        }
        return false;
    }
};

Failure invalidPattern()
{
    return Failure(93, QStringLiteral("Invalid pattern string"));
}

std::vector<Element> compile(const QString& pattern)
{
    std::vector<Element> out;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('*')) {
            out.push_back({ Element::Kind::AnyRun, {}, {} });
        } else if (c == QLatin1Char('?')) {
            out.push_back({ Element::Kind::AnyOne, {}, {} });
        } else if (c == QLatin1Char('#')) {
            out.push_back({ Element::Kind::Digit, {}, {} });
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = pattern.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0)
                throw invalidPattern();
            QString body = pattern.mid(i + 1, close - i - 1);
            i = close;
            Element element { Element::Kind::Class, {}, {} };
            if (body.startsWith(QLatin1Char('!'))) {
                element.negated = true;
                body.remove(0, 1);
            }
            // a-z is a range; a - first or last is itself.
            for (qsizetype k = 0; k < body.size(); ++k) {
                if (k + 2 < body.size() && body[k + 1] == QLatin1Char('-')) {
                    element.members += body[k].toCaseFolded();
                    element.members += QChar(0xFFFF);
                    element.members += body[k + 2].toCaseFolded();
                    k += 2;
                } else {
                    element.members += body[k].toCaseFolded();
                }
            }
            out.push_back(element);
        } else {
            out.push_back({ Element::Kind::Literal, c.toCaseFolded(), {} });
        }
    }
    return out;
}

// Iterative matching with one backtrack point per *: linear for the usual patterns.
bool matchElements(const std::vector<Element>& elements, const QString& value)
{
    std::size_t p = 0;
    qsizetype v = 0;
    std::size_t starP = std::string::npos;
    qsizetype starV = 0;
    while (v < value.size()) {
        if (p < elements.size() && elements[p].kind == Element::Kind::AnyRun) {
            starP = p++;
            starV = v;
        } else if (p < elements.size() && elements[p].matches(value[v])) {
            ++p;
            ++v;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            v = ++starV;
        } else {
            return false;
        }
    }
    while (p < elements.size() && elements[p].kind == Element::Kind::AnyRun)
        ++p;
    return p == elements.size();
}

} // namespace

bool likeMatches(const QString& value, const QString& pattern)
{
    return matchElements(compile(pattern), value.toCaseFolded());
}

bool alikeMatches(const QString& value, const QString& pattern)
{
    std::vector<Element> elements;
    for (QChar c : pattern) {
        if (c == QLatin1Char('%'))
            elements.push_back({ Element::Kind::AnyRun, {}, {} });
        else if (c == QLatin1Char('_'))
            elements.push_back({ Element::Kind::AnyOne, {}, {} });
        else
            elements.push_back({ Element::Kind::Literal, c.toCaseFolded(), {} });
    }
    return matchElements(elements, value.toCaseFolded());
}

} // namespace corvane::platform::jet
