#include "reports/report_catalogue.h"

#include "platform/db/database_engine.h"
#include "platform/failure/failure_codes.h"

namespace corvane {

namespace {

QString column(char letter, int k)
{
    return QStringLiteral("%1%2").arg(QLatin1Char(letter)).arg(k);
}

platform::db::RowSetView loadedView(const platform::db::Connection& connection)
{
    platform::db::RowSetView view(connection, QStringLiteral("Report"));
    view.detach();
    return view;
}

} // namespace

class ReportCatalogue::Use {
public:
    explicit Use(ReportCatalogue& catalogue)
        : m_view(catalogue.m_view)
        , m_connection(catalogue.m_engine.open(catalogue.m_path, catalogue.m_mode))
    {
        m_view.attach(m_connection);
    }
    ~Use() { m_view.detach(); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    platform::db::RowSetView& m_view;
    platform::db::Connection m_connection;
};

ReportCatalogue::ReportCatalogue(
    const platform::db::DatabaseEngine& engine, const QString& databasePath, platform::db::OpenMode mode)
    : m_engine(engine)
    , m_path(databasePath)
    , m_mode(mode)
    , m_view(loadedView(engine.open(databasePath, mode)))
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
    const Use use(*this);
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
    if (!m_view.isEdited())
        return;
    const Use use(*this);
    m_view.update();
}

QString ReportCatalogue::buildQuery(const FilterTexts& boxTexts)
{
    const QString name = currentName();
    saveFilters(boxTexts);
    const Use use(*this);
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
