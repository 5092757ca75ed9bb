#include "reports/report_catalogue.h"

#include "platform/db/database_engine.h"
#include "platform/failure/failure_codes.h"

namespace corvane {

namespace {

QString column(char letter, int k)
{
    return QStringLiteral("%1%2").arg(QLatin1Char(letter)).arg(k);
}

} // namespace

ReportCatalogue::ReportCatalogue(
    const platform::db::DatabaseEngine& engine, const QString& databasePath, platform::db::OpenMode mode)
    : m_connection(engine.open(databasePath, mode))
    , m_view(m_connection, QStringLiteral("Report"))
{
}

QStringList ReportCatalogue::names() const
{
    QStringList names;
    for (long long row = 0; row < m_view.recordCount(); ++row)
        names << m_view.value(row, QStringLiteral("Report Name")).toText();
    return names;
}

bool ReportCatalogue::pick(const QString& name)
{
    return m_view.findFirst(reportCriterion(name));
}

QString ReportCatalogue::currentName() const
{
    return m_view.value(QStringLiteral("Report Name")).toText();
}

QString ReportCatalogue::caption(int k) const
{
    return m_view.value(column('L', k)).toText();
}

QString ReportCatalogue::filterValue(int k) const
{
    return m_view.value(column('t', k)).toText();
}

void ReportCatalogue::saveFilters(const FilterTexts& boxTexts)
{
    for (int k = 1; k <= FilterCount; ++k) {
        const QString& text = boxTexts[static_cast<size_t>(k - 1)];
        // An untouched empty box keeps a Null column Null.
        if (text != filterValue(k))
            m_view.setValue(column('t', k), platform::db::Value(text));
    }
    m_view.update();
}

QString ReportCatalogue::buildQuery(const FilterTexts& boxTexts)
{
    const QString name = currentName();
    saveFilters(boxTexts);
    m_view.refresh();
    m_view.findFirst(reportCriterion(name));
    return queryFor(boxTexts);
}

QString ReportCatalogue::queryFor(const FilterTexts& boxTexts) const
{
    const QString queryTemplate = m_view.value(QStringLiteral("SQL0")).toText();
    if (queryTemplate.trimmed().isEmpty())
        throw platform::failure::InvalidSqlStatement.make(
            QStringLiteral("report \"%1\" has no query").arg(currentName()));
    return replacePlaceholders(queryTemplate, filterValues(boxTexts));
}

} // namespace corvane
