#include "platform/jet/translator/tokenizer.h"

#include "platform/jet/common/date.h"

namespace corvane::platform::jet {

bool Token::isWord(const char* word) const
{
    return kind == Kind::Word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

namespace {

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r')
        || c == QLatin1Char('\n');
}
bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}
bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

class Scanner {
public:
    Scanner(QStringView text, int currentYear)
        : m_text(text)
        , m_year(currentYear)
    {
    }

    std::vector<Token> run()
    {
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            if (isSpace(c))
                ++m_pos;
            else if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
                quoted(c);
            else if (c == QLatin1Char('['))
                bracketed();
            else if (c == QLatin1Char('#'))
                date();
            else if (isDigit(c) || (c == QLatin1Char('.') && isDigit(at(m_pos + 1))))
                number();
            else if (isWordStart(c))
                word();
            else
                symbol();
        }
        m_tokens.push_back(Token { Token::Kind::End, QString(), m_text.size(), 0 });
        return std::move(m_tokens);
    }

private:
    QChar at(qsizetype i) const { return i < m_text.size() ? m_text[i] : QChar(); }

    void push(Token::Kind kind, QString value, qsizetype start)
    {
        m_tokens.push_back(Token { kind, std::move(value), start, m_pos - start });
    }

    // A doubled delimiter is one delimiter character; nothing else escapes.
    void quoted(QChar delimiter)
    {
        const qsizetype start = m_pos++;
        QString value;
        while (m_pos < m_text.size()) {
            if (m_text[m_pos] == delimiter) {
                if (at(m_pos + 1) == delimiter) {
                    value += delimiter;
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                return push(Token::Kind::String, value, start);
            }
            value += m_text[m_pos++];
        }
        push(Token::Kind::BadString, value, start);
    }

    // Jet names cannot hold brackets, so the first ] closes the name.
    void bracketed()
    {
        const qsizetype start = m_pos;
        const qsizetype close = m_text.indexOf(QLatin1Char(']'), m_pos + 1);
        const QStringView content = close < 0 ? QStringView() : m_text.mid(m_pos + 1, close - m_pos - 1);
        bool bad = close < 0 || content.isEmpty() || content.contains(QLatin1Char('['));
        // No name starts with a space; the saved subquery form [ SELECT ...]. may.
        if (!bad && content.front() == QLatin1Char(' '))
            bad = !content.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
        if (bad) {
            m_pos = close < 0 ? m_text.size() : close + 1;
            return push(Token::Kind::Invalid, m_text.mid(start, m_pos - start).toString(), start);
        }
        m_pos = close + 1;
        push(Token::Kind::Name, content.toString(), start);
    }

    void date()
    {
        const qsizetype start = m_pos;
        const qsizetype close = m_text.indexOf(QLatin1Char('#'), m_pos + 1);
        if (close < 0) {
            m_pos = m_text.size();
            return push(Token::Kind::BadDate, QString(), start);
        }
        const auto value = parseDate(m_text.mid(m_pos + 1, close - m_pos - 1).trimmed(), m_year);
        m_pos = close + 1;
        push(value ? Token::Kind::Date : Token::Kind::BadDate, value ? formatCanonical(*value) : QString(),
            start);
    }

    void number()
    {
        const qsizetype start = m_pos;
        while (isDigit(at(m_pos)))
            ++m_pos;
        if (at(m_pos) == QLatin1Char('.')) {
            ++m_pos;
            while (isDigit(at(m_pos)))
                ++m_pos;
        }
        if (at(m_pos) == QLatin1Char('e') || at(m_pos) == QLatin1Char('E')) {
            qsizetype j = m_pos + 1;
            if (at(j) == QLatin1Char('+') || at(j) == QLatin1Char('-'))
                ++j;
            if (isDigit(at(j))) {
                while (isDigit(at(j)))
                    ++j;
                m_pos = j;
            }
        }
        // 12abc is neither a number nor a name.
        if (isWordChar(at(m_pos)) || at(m_pos) == QLatin1Char('.')) {
            while (isWordChar(at(m_pos)) || at(m_pos) == QLatin1Char('.'))
                ++m_pos;
            return push(Token::Kind::Invalid, m_text.mid(start, m_pos - start).toString(), start);
        }
        push(Token::Kind::Number, m_text.mid(start, m_pos - start).toString(), start);
    }

    void word()
    {
        const qsizetype start = m_pos;
        while (isWordChar(at(m_pos)))
            ++m_pos;
        push(Token::Kind::Word, m_text.mid(start, m_pos - start).toString(), start);
    }

    void symbol()
    {
        const qsizetype start = m_pos;
        const QStringView two = m_text.mid(m_pos, 2);
        static const char* const pairs[][2] = { { "<=", "<=" }, { ">=", ">=" }, { "<>", "<>" },
            { "=>", ">=" }, { "=<", "<=" }, { "!=", "<>" } };
        for (const auto& pair : pairs) {
            if (two == QLatin1String(pair[0])) {
                m_pos += 2;
                return push(Token::Kind::Operator, QLatin1String(pair[1]), start);
            }
        }
        const QChar c = m_text[m_pos++];
        const bool known = QStringView(u"=<>+-*/\\^&(),.!;").contains(c);
        push(known ? Token::Kind::Operator : Token::Kind::Invalid, QString(c), start);
    }

    QStringView m_text;
    int m_year;
    qsizetype m_pos = 0;
    std::vector<Token> m_tokens;
};

} // namespace

std::vector<Token> tokenize(QStringView text, int currentYear)
{
    return Scanner(text, currentYear).run();
}

} // namespace corvane::platform::jet
