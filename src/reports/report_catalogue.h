#pragma once

#include "base/report_definitions.h"
#include "platform/db/connection.h"
#include "platform/db/row_set_view.h"
#include "reports/report_query.h"

#include <QString>
#include <QStringList>

namespace corvane {

namespace platform::db {
class DatabaseEngine;
}

// Table Report seen through one current row: the report last picked, its
// filter captions and stored filter values, and the query a run builds. The
// rows are kept in memory; the file is opened only for each read or write,
// so that a capture service on the same folder can archive it meanwhile.
class ReportCatalogue {
public:
    // The caption that marks a filter the report does not use.

    ReportCatalogue(const platform::db::DatabaseEngine& engine, const QString& databasePath,
        platform::db::OpenMode mode = platform::db::OpenMode::ReadWrite);
    ReportCatalogue(const ReportCatalogue&) = delete;
    ReportCatalogue& operator=(const ReportCatalogue&) = delete;

    // Every report name in the table's order.
    QStringList names() const;
    // Makes the first report of that name current; false (and the current
    // row kept) when there is none.
    bool pick(const QString& name);
    bool hasCurrentReport() const { return m_view.hasCurrentRow(); }
    QString currentName() const;
    // Caption Lk and stored value tk of the current report, k from 1 to 9.
    QString caption(int k) const;
    QString filterValue(int k) const;
    static bool isAvailable(const QString& caption) { return caption != QLatin1String(NotAvailable); }

    // Writes the filter texts into t1..t9 of the current report.
    void saveFilters(const FilterTexts& boxTexts);
    // A run: saves the texts, reads the table again, finds the report that
    // was current and fills its template.
    QString buildQuery(const FilterTexts& boxTexts);
    // The current report's template filled with the texts, nothing saved.
    // A report without a query fails.
    QString queryFor(const FilterTexts& boxTexts) const;

private:
    // The view on a connection opened for one piece of work.
    class Use;

    const platform::db::DatabaseEngine& m_engine;
    QString m_path;
    platform::db::OpenMode m_mode;
    platform::db::RowSetView m_view;
};

} // namespace corvane
