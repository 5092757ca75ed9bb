#include "platform/db/merged_listing.h"

#include "platform/db/connection.h"
#include "platform/db/group_table.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace corvane::platform::db {

namespace {

QStringList planOf(const Connection& connection, const QString& sql)
{
    Statement plan(connection, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    QStringList lines;
    while (plan.step())
        lines << plan.column(3).toText();
    return lines;
}

// The index the plan walks the table along, with nothing sorted after:
// empty for any other plan.
QString walkedIndex(const QStringList& plan)
{
    QString index;
    for (const QString& line : plan) {
        if (line.contains(QLatin1String("TEMP B-TREE")))
            return {};
        if (!line.startsWith(QLatin1String("SCAN ")) && !line.startsWith(QLatin1String("SEARCH ")))
            continue;
        static const QRegularExpression usingIndex(QStringLiteral(" USING (?:COVERING )?INDEX (\\S+)"));
        const QRegularExpressionMatch match = usingIndex.match(line);
        if (!index.isEmpty() || !match.hasMatch())
            return {};
        index = match.captured(1);
    }
    return index;
}

QString indexDefinition(const Connection& connection, const QString& index)
{
    Statement definition(
        connection, QStringLiteral("SELECT sql FROM sqlite_schema WHERE type = 'index' AND name = ?1"));
    definition.bind(1, Value(index));
    return definition.step() ? definition.column(0).toText() : QString();
}

// Text in SQLite's order for a collation: bytes of UTF-8, NOCASE folding
// A-Z only.
int compareText(const QString& a, const QString& b, bool noCase)
{
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    const qsizetype common = std::min(x.size(), y.size());
    for (qsizetype i = 0; i < common; ++i) {
        auto p = static_cast<unsigned char>(x[i]);
        auto q = static_cast<unsigned char>(y[i]);
        if (noCase) {
            p = p >= 'A' && p <= 'Z' ? static_cast<unsigned char>(p + 32) : p;
            q = q >= 'A' && q <= 'Z' ? static_cast<unsigned char>(q + 32) : q;
        }
        if (p != q)
            return p < q ? -1 : 1;
    }
    return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}

int rank(const Value& value)
{
    switch (value.type()) {
    case Value::Type::Null:
        return 0;
    case Value::Type::Integer:
    case Value::Type::Double:
        return 1;
    case Value::Type::Text:
        return 2;
    }
    return 3;
}

} // namespace

std::unique_ptr<MergedListing> MergedListing::open(const std::vector<const Connection*>& files,
    const jet::KeyedListing& listing, const QString& plainSql, int columns)
{
    // Every file walks the same index, defined alike, with nothing sorted
    // after; so does the listing itself, as one file would run it.
    const QString index = walkedIndex(planOf(*files.back(), plainSql));
    if (index.isEmpty())
        return nullptr;
    QString definition;
    for (const Connection* file : files) {
        const QString walked = walkedIndex(planOf(*file, listing.sql));
        if (walked != index)
            return nullptr;
        const QString defined = indexDefinition(*file, walked);
        if (defined.isEmpty() || (!definition.isEmpty() && defined != definition))
            return nullptr;
        definition = defined;
    }
    // Its keys are the ORDER BY columns, ascending, in BINARY or NOCASE; the
    // oldest file is asked, which no query guard holds.
    Statement keys(*files.front(),
        QStringLiteral("SELECT name, desc, coll FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno"));
    keys.bind(1, Value(index));
    std::vector<Collation> collations;
    QStringList names;
    while (keys.step()) {
        const QString collation = keys.column(2).toText();
        if (keys.column(1).toInt64() != 0
            || (collation != QLatin1String("BINARY") && collation != QLatin1String("NOCASE")))
            return nullptr;
        names << keys.column(0).toText();
        collations.push_back(collation == QLatin1String("NOCASE") ? Collation::NoCase : Collation::Binary);
    }
    if (names.size() != listing.columns.size())
        return nullptr;
    for (qsizetype k = 0; k < names.size(); ++k) {
        if (names[k].compare(listing.columns[k], Qt::CaseInsensitive) != 0)
            return nullptr;
    }
    std::vector<Source> sources;
    for (const Connection* file : files)
        sources.push_back({ Statement(*file, listing.sql), {}, false });
    return std::unique_ptr<MergedListing>(
        new MergedListing(std::move(sources), std::move(collations), listing.descending, columns));
}

MergedListing::MergedListing(
    std::vector<Source> sources, std::vector<Collation> collations, bool descending, int columns)
    : m_sources(std::move(sources))
    , m_collations(std::move(collations))
    , m_descending(descending)
    , m_columns(columns)
{
    for (std::size_t s = 0; s < m_sources.size(); ++s) {
        advance(s);
        if (!m_sources[s].done)
            m_heap.push_back(s);
    }
    std::make_heap(
        m_heap.begin(), m_heap.end(), [this](std::size_t a, std::size_t b) { return before(b, a); });
}

void MergedListing::advance(std::size_t source)
{
    Source& s = m_sources[source];
    if (!s.statement.step()) {
        s.done = true;
        return;
    }
    const int count = m_columns + static_cast<int>(m_collations.size());
    s.head.resize(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c)
        s.head[static_cast<std::size_t>(c)] = s.statement.column(c);
}

// Whether source a's row comes before source b's.
bool MergedListing::before(std::size_t a, std::size_t b) const
{
    const std::vector<Value>& x = m_sources[a].head;
    const std::vector<Value>& y = m_sources[b].head;
    int order = 0;
    for (std::size_t k = 0; k < m_collations.size() && order == 0; ++k) {
        const Value& p = x[static_cast<std::size_t>(m_columns) + k];
        const Value& q = y[static_cast<std::size_t>(m_columns) + k];
        order = rank(p) - rank(q);
        if (order == 0 && rank(p) == 1)
            order = compareNumbers(p, q);
        else if (order == 0 && rank(p) == 2)
            order = compareText(p.toText(), q.toText(), m_collations[k] == Collation::NoCase);
    }
    if (order == 0)
        order = a < b ? -1 : (a > b ? 1 : 0); // the older file's rows come first
    return m_descending ? order > 0 : order < 0;
}

bool MergedListing::next(std::vector<Value>& row)
{
    if (m_heap.empty())
        return false;
    const auto later = [this](std::size_t a, std::size_t b) { return before(b, a); };
    std::pop_heap(m_heap.begin(), m_heap.end(), later);
    const std::size_t source = m_heap.back();
    Source& s = m_sources[source];
    row.assign(s.head.begin(), s.head.begin() + m_columns);
    advance(source);
    if (s.done)
        m_heap.pop_back();
    else
        std::push_heap(m_heap.begin(), m_heap.end(), later);
    return true;
}

} // namespace corvane::platform::db
