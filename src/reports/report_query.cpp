#include "reports/report_query.h"

#include "platform/jet/translator/text_literal.h"
#include "reports/filter_date_text.h"

#include <QStringList>

namespace corvane {

QString reportCriterion(const QString& reportName)
{
    return QStringLiteral("[Report Name]=") + platform::jet::textLiteral(reportName);
}

QString unreadableDates(const FilterTexts& boxTexts, const FilterTexts& captions)
{
    QStringList unreadable;
    for (std::size_t k = 0; k < 2; ++k) {
        if (FilterDateText(boxTexts[k]).isEmpty())
            unreadable << QStringLiteral("%1 \"%2\"").arg(captions[k], boxTexts[k]);
    }
    return unreadable.join(QStringLiteral(", "));
}

FilterTexts filterValues(const FilterTexts& boxTexts)
{
    FilterTexts values = boxTexts;
    values[0] = FilterDateText(boxTexts[0]);
    values[1] = FilterDateText(boxTexts[1]);
    return values;
}

QString replacePlaceholders(QString queryTemplate, const FilterTexts& values)
{
    for (int k = 0; k < FilterCount; ++k)
        queryTemplate.replace(
            QStringLiteral("filter%1").arg(k + 1), values[static_cast<size_t>(k)], Qt::CaseSensitive);
    return queryTemplate;
}

} // namespace corvane
