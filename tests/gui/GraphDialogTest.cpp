// SPDX-License-Identifier: GPL-3.0-or-later
#include "GraphDialog.h"
#include "GuiTest.h"
#include "chart/GraphChart.h"
#include "graph/GraphTime.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"
#include "support/ScopedEnvironment.h"

using chart::GraphChart;

namespace {

double Seconds(const char* iso) {
    return ChartSecondsFromCivil(ParseCivilText(iso).value_or(CivilTime{}));
}

ReadingRecord Row(const char* iso, float temperature, int32_t humidity = 50) {
    return {OleDateFromCivil(ParseCivilText(iso).value_or(CivilTime{})), temperature, humidity,
            10.0f, 20.0f};
}

// Replaces the records of the data folder's database, as an import does.
bool Import(const std::string& dataDir, const std::vector<ReadingRecord>& rows) {
    RecordDatabase db;
    bool stored = db.Connect(RecordDatabasePath(dataDir)) == 0 && db.ClearTables() == 0 &&
                  db.OpenForAppend() == 0;
    for (const ReadingRecord& row : rows) stored = stored && db.AppendRecord(row) == 0;
    return stored && db.CloseCursor() == 0;
}

void SetRange(GraphDialog& dialog, const char* start, const char* end) {
    const QDateTime from = QDateTime::fromString(QString::fromLatin1(start), Qt::ISODate);
    const QDateTime to = QDateTime::fromString(QString::fromLatin1(end), Qt::ISODate);
    dialog.findChild<QDateTimeEdit*>(u"startDate"_s)->setDate(from.date());
    dialog.findChild<QDateTimeEdit*>(u"startTime"_s)->setTime(from.time());
    dialog.findChild<QDateTimeEdit*>(u"endDate"_s)->setDate(to.date());
    dialog.findChild<QDateTimeEdit*>(u"endTime"_s)->setTime(to.time());
}

}  // namespace

// Which rows each series holds is the query's to test; here, what the chart shows.
void WindowTest::graphOpensOnTheLastHourAndDrawsTheQuantityChosen() {
    test::TempDir data;
    test::WriteAll(RecordDatabasePath(data.path()), "this is not an SQLite database at all\n");
    ScriptedPrompts prompts;
    const QDateTime now(QDate(2024, 3, 5), QTime(0, 30, 15));
    GraphDialog dialog(prompts, data.path(), u"(°F)"_s, nullptr, now);
    // An hour before half past midnight is the day before.
    QCOMPARE(ChartSecondsFromCivil(dialog.Selection().start), Seconds("2024-03-04 23:30:15"));
    // A database that cannot be read is said at Select, and the dialog stays usable.
    Click(dialog, "selectButton");
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY(prompts.shown[0].startsWith(u"Warning: "_s) && prompts.shown[0].size() > 9);
    QFile::remove(QString::fromStdString(RecordDatabasePath(data.path())));
    QVERIFY(Import(data.path(),
                   {Row("2024-03-05 10:10:00", 20.0f, 40), Row("2024-03-05 10:20:00", 21.0f, 65535),
                    Row("2024-03-05 10:30:00", 22.0f, 44)}));
    SetRange(dialog, "2024-03-05T10:00:00", "2024-03-05T11:00:00");
    Click(dialog, "selectButton");
    GraphChart& chart = *dialog.chart();
    QCOMPARE(chart.ValueAxisTitle(), u"(°F)"_s);
    QCOMPARE(chart.Series(0)->dataCount(), 3);
    // Humidity hides and empties the other series.
    Child<QComboBox>(dialog, "quantityList")->setCurrentIndex(1);
    Click(dialog, "selectButton");
    QCOMPARE(chart.Title(), u"Humidity"_s);
    QCOMPARE(chart.Series(0)->dataCount(), 2);
    for (size_t i = 1; i < GRAPH_SERIES_COUNT; ++i) {
        QVERIFY(!chart.Series(i)->visible() && chart.Series(i)->dataCount() == 0);
    }
    QCOMPARE(prompts.shown.size(), 1);

    // Later by one second: refused, the chart stays, whatever the database now holds.
    QVERIFY(Import(data.path(), {}));
    SetRange(dialog, "2024-03-05T11:00:01", "2024-03-05T11:00:00");
    Click(dialog, "selectButton");
    QCOMPARE(prompts.shown.last(), u"Critical: Time Error."_s);
    QCOMPARE(chart.Series(0)->dataCount(), 2);
}

void WindowTest::graphShowsTheStationsClockZoomsPansAndSavesTheImage() {
    // The hour that daylight saving skips in Berlin: the axis still shows
    // the logged times.
    ZoneScope berlin("Europe/Berlin");
    test::TempDir data;
    ScriptedPrompts prompts;
    QVERIFY(Import(data.path(),
                   {Row("2024-03-05 10:10:00", 20.0f), Row("2024-03-05 10:20:00", 21.0f),
                    Row("2024-03-31 02:00:01", 19.5f, 48), Row("2024-03-31 02:30:00", 20.25f)}));
    GraphDialog dialog(prompts, data.path(), u"(°C)"_s);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    GraphChart& chart = *dialog.chart();
    SetRange(dialog, "2024-03-31T02:00:00", "2024-03-31T03:00:00");
    Click(dialog, "selectButton");
    QCOMPARE(chart.Series(0)->dataCount(), 2);
    QCOMPARE(chart.xAxis->range().upper, Seconds("2024-03-31 03:00:00"));
    chart.replot();
    const QStringList labels = chart.xAxis->tickVectorLabels().toList();
    QVERIFY(!labels.isEmpty());
    const QRegularExpression form(u"^2024-03-31 0(2:[0-5]\\d:[0-5]\\d|3:00:00)$"_s);
    for (const QString& label : labels) QVERIFY2(form.match(label).hasMatch(), qPrintable(label));

    SetRange(dialog, "2024-03-05T10:00:00", "2024-03-05T11:00:00");
    Click(dialog, "selectButton");
    const QCPRange chosen = chart.xAxis->range();
    const QCPRange values = chart.yAxis->range();
    const QPoint middle = chart.axisRect()->center();

    QWheelEvent wheel(middle, chart.mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&chart, &wheel);
    QVERIFY(chart.xAxis->range().size() < chosen.size());
    QVERIFY(chart.yAxis->range() == values);  // only the time axis zooms

    const QCPRange zoomed = chart.xAxis->range();
    const QPoint right = middle + QPoint(100, 0);
    QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, middle);
    QMouseEvent move(QEvent::MouseMove, QPointF(right), chart.mapToGlobal(QPointF(right)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, right);
    QVERIFY(chart.xAxis->range().lower < zoomed.lower);  // dragged right: earlier times

    QTest::mouseDClick(&chart, Qt::LeftButton, Qt::NoModifier, middle);
    QCOMPARE(chart.xAxis->range().lower, chosen.lower);
    QCOMPARE(chart.xAxis->range().upper, chosen.upper);

    auto save = [&](const std::string& name) {
        prompts.fileToSave = QString::fromStdString(data.File(name));
        Click(dialog, "saveImageButton");
    };
    save("no ending");  // PNG is assumed
    QCOMPARE(QImage(QString::fromStdString(data.File("no ending.png"))).size(), chart.size());
    QVERIFY(prompts.shown.isEmpty());
    save("graph.jpg");
    QVERIFY(!QFile::exists(prompts.fileToSave));
    QCOMPARE(prompts.shown.filter(QRegularExpression(u"^Warning: ."_s)).size(), 1);
}
