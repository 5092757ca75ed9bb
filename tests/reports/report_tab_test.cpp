// The report tab: picking, filters and VIEW REPORT.
#include "report_windows.h"

namespace corvane {
namespace {

using namespace testing;

TEST_F(ReportWindowsTest, NothingPickedAtTheStartThenAPickShowsTheFiltersInUse)
{
    execute(QStringLiteral(
        "INSERT INTO Report ([Report Name], SQL0, L1, L2, L3, L4, L5, L6, L7, L8, L9, t3) VALUES "
        "('Markers', 'SELECT 1', '<not available>', '', '<Not Available>', 'Host', "
        "'<Not Available> ', '<Not Available>', '<Not Available>', '<Not Available>', "
        "'<Not Available>', 'kept')"));
    open();
    EXPECT_EQ(find<QComboBox>("dbcboReport")->currentText(), QString());
    for (const char* box : { "T1", "T5", "T9" })
        EXPECT_TRUE(find<QLineEdit>(box)->isEnabled()) << "all available before the first pick";
    // VIEW REPORT without a pick asks for one.
    dialogs.expectBox({ QStringLiteral("Please select a Report"), MessageAnswer::Ok,
        QString(ApplicationTitle), platform::MessageIcon::None, platform::MessageButtons::Ok });
    EXPECT_FALSE(runReport());
    dialogs.verifyAllUsed();
    EXPECT_EQ(find<QPlainTextEdit>("txtSQL")->toPlainText(), QString());

    pick(QStringLiteral("Markers"));
    const struct {
        const char* box;
        bool enabled;
    } boxes[] = {
        { "T1", true }, // the marker in other case does not count
        { "T2", true }, // an empty caption
        { "T3", false },
        { "T4", true },
        { "T5", true }, // a trailing space
        { "T9", false },
    };
    for (const auto& b : boxes)
        EXPECT_EQ(find<QLineEdit>(b.box)->isEnabled(), b.enabled) << b.box;
    EXPECT_EQ(find<QLineEdit>("T3")->text(), "kept") << "an unused filter still shows its value";
    EXPECT_EQ(find<QLabel>("L4")->text(), "Host");
    // A screen reader names each box by its caption, or by its number without one.
    EXPECT_EQ(find<QLineEdit>("T4")->accessibleName(), "Host");
    EXPECT_EQ(find<QLineEdit>("T2")->accessibleName(), "Filter 2");
}

// The selector's click also comes from opening or closing its list, or
// picking the same report again: the query box empties, what was typed stays.
TEST_F(ReportWindowsTest, ClickingTheSelectorEmptiesTheQueryAndKeepsTheFilters)
{
    open();
    pick(AllTraffic);
    type("T1", QStringLiteral("typed"));
    auto* list = find<QComboBox>("dbcboReport");
    auto* sql = find<QPlainTextEdit>("txtSQL");
    const struct {
        const char* action;
        std::function<void()> act;
    } cases[] = {
        { "open", [&] { list->showPopup(); } },
        { "close", [&] { list->hidePopup(); } },
        { "pick again", [&] { pick(AllTraffic); } },
    };
    for (const auto& c : cases) {
        sql->setPlainText(QStringLiteral("old query"));
        c.act();
        EXPECT_EQ(sql->toPlainText(), QString()) << c.action;
        EXPECT_EQ(list->currentText(), AllTraffic) << c.action;
        EXPECT_EQ(find<QLineEdit>("T1")->text(), "typed") << c.action;
    }
}

// Values stored longer than the box's typing limit are shown and kept whole.
TEST_F(ReportWindowsTest, TheFilterLimitStopsTypingOnly)
{
    const QString stored = QStringLiteral("192.0.2.%1").arg(QString(52, QLatin1Char('1')));
    execute(
        QStringLiteral("UPDATE Report SET t3 = '%1' WHERE [Report Name] = '%2'").arg(stored, SourceReport));
    open();
    pick(SourceReport);
    const struct {
        const char* box;
        QString typed;
        QString shown;
    } cases[] = {
        { "T3", QString(), stored },
        { "T3", QStringLiteral("9"), stored }, // no growth past the limit
        { "T2", QString(55, QLatin1Char('x')), QString(50, QLatin1Char('x')) },
    };
    for (const auto& c : cases) {
        auto* box = find<QLineEdit>(c.box);
        box->end(false);
        QTest::keyClicks(box, c.typed);
        EXPECT_EQ(box->text(), c.shown) << c.box << " typed " << c.typed.size();
    }
    pick(AllTraffic); // writes back what changed
    host.reset();
    open();
    pick(SourceReport);
    EXPECT_EQ(find<QLineEdit>("T3")->text(), stored);
}

TEST_F(ReportWindowsTest, TabFollowsTheLayout)
{
    open();
    QApplication::setActiveWindow(&host->window);
    find<QComboBox>("dbcboReport")->setFocus();
    QStringList order;
    for (int i = 0; i < 12 && QApplication::focusWidget(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' '), "T1 T2 T3 T4 T5 T6 T7 T8 T9 txtSQL chkThisFileOnly cmdRunReport");
}

// What was typed is written back for its report when another is picked and
// when a report runs; the next start shows it again.
TEST_F(ReportWindowsTest, ViewReportFillsTheTemplateAndTypedFiltersAreKeptPerReport)
{
    open();
    pick(SourceReport);
    type("T1", QStringLiteral("01/12/2026"));
    type("T2", QStringLiteral("05/12/2026 23:59:59"));
    type("T3", QStringLiteral("192.0.2.*"));
    pick(AllTraffic);
    EXPECT_EQ(find<QLineEdit>("T3")->text(), QString());
    EXPECT_EQ(find<QLineEdit>("T1")->text(), QString());
    pick(SourceReport);
    EXPECT_EQ(find<QLineEdit>("T3")->text(), "192.0.2.*");
    bool looked = runReport([&](ReportPreview& preview) {
        const platform::Grid& grid = preview.grid().grid();
        ASSERT_EQ(grid.cols(), 9);
        EXPECT_EQ(column(grid, 1), (QStringList { "src=", "192.0.2.1", "192.0.2.10", "192.0.2.2" }));
        EXPECT_FALSE(child<QLabel>(&preview, "lblPrint")->isVisible());
    });
    ASSERT_TRUE(looked);
    const QString query = find<QPlainTextEdit>("txtSQL")->toPlainText();
    EXPECT_TRUE(query.contains(QStringLiteral("[start_time=] >= #12/1/2026 0:0:0# AND [start_time=] <= "
                                              "#12/5/2026 23:59:59#")))
        << query.toStdString();
    EXPECT_TRUE(query.contains(QStringLiteral("LIKE '192.0.2.*'")));
    EXPECT_EQ(find<QLabel>("lblFilesRead")->text(), "Read syslog97.mdb");

    // Again with other values: the preview follows what was typed just before.
    type("T3", QStringLiteral("203.*"));
    type("T2", QStringLiteral("31/12/2026 23:59:59"));
    looked = runReport([&](ReportPreview& preview) {
        EXPECT_EQ(column(preview.grid().grid(), 1), (QStringList { "src=", "203.0.113.5" }));
    });
    EXPECT_TRUE(looked);
    host.reset();
    open();
    pick(SourceReport);
    EXPECT_EQ(find<QLineEdit>("T1")->text(), "01/12/2026");
    EXPECT_EQ(find<QLineEdit>("T2")->text(), "31/12/2026 23:59:59");
    EXPECT_EQ(find<QLineEdit>("T3")->text(), "203.*");
}

} // namespace
} // namespace corvane
