#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "CMy7500Dlg.h"
#include "GraphChart.h"
#include "Grapsh.h"
#include "History.h"
#include "ScriptedPrompts.h"
#include "graph/GraphTime.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

using namespace corvalin;
using namespace corvalin::gui;

namespace {

constexpr float NO_DATA = 65535.0f;

CivilTime At(const char* iso) { return ParseIsoText(iso).value_or(CivilTime{}); }
double Seconds(const char* iso) { return ChartSecondsFromCivil(At(iso)); }

// Local time to the second, as the pickers hold it.
double Civil(const QDateTime& time) {
    return ChartSecondsFromCivil({time.date().year(), time.date().month(), time.date().day(),
                                  time.time().hour(), time.time().minute(), time.time().second()});
}

ReadingRecord Row(const char* iso, float temperature, int32_t humidity = 50, float dewpoint = 10.0f,
                  float heatindex = 20.0f) {
    return {OleDateFromCivil(At(iso)), temperature, humidity, dewpoint, heatindex};
}

// Replaces the records of the data folder's database, as an import does.
bool Import(const std::string& dataDir, const std::vector<ReadingRecord>& rows) {
    RecordDatabase db;
    if (db.Connect(RecordDatabasePath(dataDir)) != 0 || db.ClearTables() != 0 ||
        db.OpenForAppend() != 0) {
        return false;
    }
    for (const ReadingRecord& row : rows) {
        if (db.AppendRecord(row) != 0) return false;
    }
    return db.CloseCursor() == 0;
}

void SetRange(Grapsh& dialog, const char* start, const char* end) {
    const QDateTime from = QDateTime::fromString(QString::fromLatin1(start), Qt::ISODate);
    const QDateTime to = QDateTime::fromString(QString::fromLatin1(end), Qt::ISODate);
    dialog.findChild<QDateTimeEdit*>(QStringLiteral("startDate"))->setDate(from.date());
    dialog.findChild<QDateTimeEdit*>(QStringLiteral("startTime"))->setTime(from.time());
    dialog.findChild<QDateTimeEdit*>(QStringLiteral("endDate"))->setDate(to.date());
    dialog.findChild<QDateTimeEdit*>(QStringLiteral("endTime"))->setTime(to.time());
}

void Choose(Grapsh& dialog, const char* quantity) {
    auto* list = dialog.findChild<QComboBox*>(QStringLiteral("quantityList"));
    list->setCurrentIndex(list->findText(QString::fromLatin1(quantity)));
}

void Select(Grapsh& dialog) {
    dialog.findChild<QPushButton*>(QStringLiteral("selectButton"))->click();
}

QVector<double> Keys(QCPGraph* graph) {
    QVector<double> keys;
    for (auto point = graph->data()->constBegin(); point != graph->data()->constEnd(); ++point) {
        keys << point->key;
    }
    return keys;
}

QVector<double> Values(QCPGraph* graph) {
    QVector<double> values;
    for (auto point = graph->data()->constBegin(); point != graph->data()->constEnd(); ++point) {
        values << point->value;
    }
    return values;
}

QStringList LegendTexts(GraphChart* chart) {
    QStringList texts;
    for (int i = 0; i < chart->legend->itemCount(); ++i) {
        auto* item = qobject_cast<QCPPlottableLegendItem*>(chart->legend->item(i));
        if (item != nullptr) texts << item->plottable()->name();
    }
    return texts;
}

// Runs `inspect` on the graph dialog once it is up, then closes it.
void WhenGraphOpens(QWidget* opener, std::function<void(Grapsh&)> inspect, bool& seen) {
    QTimer::singleShot(0, opener, [opener, inspect, &seen] {
        auto* graph = opener->findChild<Grapsh*>();
        if (graph == nullptr) return;
        seen = true;
        inspect(*graph);
        graph->reject();
    });
}

// A time zone for one test, so that the chart proves it shows the station's clock.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        const char* old = std::getenv("TZ");
        hadZone_ = old != nullptr;
        if (hadZone_) oldZone_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        if (hadZone_)
            setenv("TZ", oldZone_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool hadZone_ = false;
    std::string oldZone_;
};

}  // namespace

class GraphDialogTest : public QObject {
    Q_OBJECT

private slots:
    void opensOnTheLastHourAndDrawsNothing() {
        test::TempDir data;
        ScriptedPrompts prompts;
        const QDateTime now(QDate(2024, 3, 5), QTime(0, 30, 15));
        Grapsh dialog(prompts, data.path(), QStringLiteral("(°C)"), nullptr, now);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Graph"));
        // An hour before half past midnight is the day before.
        QCOMPARE(dialog.findChild<QDateTimeEdit*>(QStringLiteral("startDate"))->date(),
                 QDate(2024, 3, 4));
        QCOMPARE(dialog.findChild<QDateTimeEdit*>(QStringLiteral("startTime"))->time(),
                 QTime(23, 30, 15));
        QCOMPARE(dialog.findChild<QDateTimeEdit*>(QStringLiteral("endDate"))->date(),
                 QDate(2024, 3, 5));
        QCOMPARE(dialog.findChild<QDateTimeEdit*>(QStringLiteral("endTime"))->time(),
                 QTime(0, 30, 15));
        QVERIFY(dialog.findChild<QDateTimeEdit*>(QStringLiteral("startDate"))->calendarPopup());
        auto* quantity = dialog.findChild<QComboBox*>(QStringLiteral("quantityList"));
        QCOMPARE(quantity->count(), 2);
        QCOMPARE(quantity->itemText(0), QStringLiteral("Temperature"));
        QCOMPARE(quantity->itemText(1), QStringLiteral("Humidity"));
        QCOMPARE(quantity->currentText(), QStringLiteral("Temperature"));
        for (const char* name : {"selectButton", "exitButton", "saveImageButton"}) {
            QVERIFY2(dialog.findChild<QPushButton*>(QString::fromLatin1(name)), name);
        }
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("selectButton"))->text(),
                 QStringLiteral("Select"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("exitButton"))->text(),
                 QStringLiteral("Exit"));

        // Rows in the default range stay undrawn until Select.
        QVERIFY(Import(data.path(), {Row("2024-03-05 00:00:00", 20.0f)}));
        GraphChart* chart = dialog.chart();
        QCOMPARE(chart->objectName(), QStringLiteral("chart"));
        for (size_t i = 0; i < GRAPH_SERIES_COUNT; ++i) QCOMPARE(chart->Series(i)->dataCount(), 0);
        QVERIFY(!chart->legend->visible());
        Select(dialog);
        QCOMPARE(chart->Series(0)->dataCount(), 1);

        // Without a given time, the hour before now.
        const QDateTime before = QDateTime::currentDateTime();
        Grapsh current(prompts, data.path(), QString());
        const QDateTime after = QDateTime::currentDateTime();
        const GraphSelection selection = current.Selection();
        const double start = ChartSecondsFromCivil(selection.start);
        const double end = ChartSecondsFromCivil(selection.end);
        QVERIFY(end >= Civil(before) && end <= Civil(after));
        QVERIFY(start >= Civil(before.addSecs(-3600)) && start <= Civil(after.addSecs(-3600)));
        QCOMPARE(selection.quantity, GraphQuantity::Temperature);
        QVERIFY(prompts.shown.isEmpty());
    }

    void selectDrawsTheRangeWithStartExcludedAndEndIncluded() {
        // The hour that daylight saving skips in Berlin: the axis still
        // shows the logged times.
        ZoneScope berlin("Europe/Berlin");
        test::TempDir data;
        ScriptedPrompts prompts;
        QVERIFY(Import(data.path(),
                       {Row("2024-03-31 02:00:00", 19.0f), Row("2024-03-31 02:00:01", 19.5f),
                        Row("2024-03-31 02:30:00", 20.25f, 48, NO_DATA, 20.5f),
                        Row("2024-03-31 03:00:00", 21.0f, 47, 9.5f, 21.5f),
                        Row("2024-03-31 03:00:01", 22.0f)}));
        Grapsh dialog(prompts, data.path(), QStringLiteral("(°C)"));
        dialog.resize(1000, 560);
        dialog.show();
        SetRange(dialog, "2024-03-31T02:00:00", "2024-03-31T03:00:00");
        Select(dialog);
        QVERIFY(prompts.shown.isEmpty());

        GraphChart* chart = dialog.chart();
        QCOMPARE(chart->Title(), QStringLiteral("Temperature"));
        QCOMPARE(chart->ValueAxisTitle(), QStringLiteral("(°C)"));
        QCOMPARE(Keys(chart->Series(0)),
                 (QVector<double>{Seconds("2024-03-31 02:00:01"), Seconds("2024-03-31 02:30:00"),
                                  Seconds("2024-03-31 03:00:00")}));
        QCOMPARE(Values(chart->Series(0)), (QVector<double>{19.5, 20.25, 21.0}));
        // The row without a dew point is drawn in the first series only.
        QCOMPARE(Keys(chart->Series(1)),
                 (QVector<double>{Seconds("2024-03-31 02:00:01"), Seconds("2024-03-31 03:00:00")}));
        QCOMPARE(chart->Series(2)->dataCount(), 3);
        QCOMPARE(chart->Series(3)->dataCount(), 0);
        QVERIFY(!chart->Series(3)->visible());

        QCOMPARE(chart->xAxis->range().lower, Seconds("2024-03-31 02:00:00"));
        QCOMPARE(chart->xAxis->range().upper, Seconds("2024-03-31 03:00:00"));
        QVERIFY(chart->yAxis->range().contains(10.0) && chart->yAxis->range().contains(21.5));
        QVERIFY(chart->yAxis->range().upper < 30 && chart->yAxis->range().lower > 0);

        QCOMPARE(LegendTexts(chart),
                 (QStringList{QStringLiteral("Temperature"), QStringLiteral("DewPoint"),
                              QStringLiteral("Heatindex")}));
        QCOMPARE(chart->Series(0)->pen().color(), QColor(255, 0, 0));
        QCOMPARE(chart->Series(1)->pen().color(), QColor(0, 128, 0));
        QCOMPARE(chart->Series(2)->pen().color(), QColor(0, 128, 255));
        QCOMPARE(chart->Series(3)->pen().color(), QColor(255, 128, 0));
        for (size_t i = 0; i < GRAPH_SERIES_COUNT; ++i) {
            QCOMPARE(chart->Series(i)->scatterStyle().shape(), QCPScatterStyle::ssNone);
        }

        chart->replot();
        const QStringList labels = chart->xAxis->tickVectorLabels().toList();
        QVERIFY(!labels.isEmpty());
        const QRegularExpression form(
            QStringLiteral("^2024-03-31 02:[0-5]\\d:[0-5]\\d$|^2024-03-31 03:00:00$"));
        for (const QString& label : labels)
            QVERIFY2(form.match(label).hasMatch(), qPrintable(label));
    }

    void timeErrorLeavesTheSeriesAndEqualEndsClearThem() {
        test::TempDir data;
        ScriptedPrompts prompts;
        QVERIFY(Import(data.path(),
                       {Row("2024-03-05 10:10:00", 20.0f), Row("2024-03-05 10:20:00", 21.0f)}));
        Grapsh dialog(prompts, data.path(), QStringLiteral("(°C)"));
        SetRange(dialog, "2024-03-05T10:00:00", "2024-03-05T11:00:00");
        Select(dialog);
        GraphChart* chart = dialog.chart();
        QCOMPARE(chart->Series(0)->dataCount(), 2);

        // Later by one second; the database is not even read.
        QVERIFY(Import(data.path(), {}));
        SetRange(dialog, "2024-03-05T11:00:01", "2024-03-05T11:00:00");
        Choose(dialog, "Humidity");
        Select(dialog);
        QCOMPARE(prompts.critical, QStringList{QStringLiteral("Time Error.")});
        QCOMPARE(prompts.shown, QStringList{QStringLiteral("Time Error.")});
        QCOMPARE(chart->Series(0)->dataCount(), 2);
        QCOMPARE(chart->Series(1)->dataCount(), 2);
        QCOMPARE(chart->Title(), QStringLiteral("Temperature"));
        QCOMPARE(chart->xAxis->range().lower, Seconds("2024-03-05 10:00:00"));
        QCOMPARE(chart->xAxis->range().upper, Seconds("2024-03-05 11:00:00"));

        // Equal ends pass: the series are cleared, the axis is at that time.
        SetRange(dialog, "2024-03-05T10:10:00", "2024-03-05T10:10:00");
        Choose(dialog, "Temperature");
        QVERIFY(Import(data.path(), {Row("2024-03-05 10:10:00", 20.0f)}));
        Select(dialog);
        QCOMPARE(prompts.shown.size(), 1);
        for (size_t i = 0; i < GRAPH_SERIES_COUNT; ++i) QCOMPARE(chart->Series(i)->dataCount(), 0);
        QVERIFY(chart->xAxis->range().contains(Seconds("2024-03-05 10:10:00")));
        QVERIFY(chart->xAxis->range().size() > 0);
    }

    void humidityHidesAndEmptiesTheOtherSeries() {
        test::TempDir data;
        ScriptedPrompts prompts;
        QVERIFY(Import(data.path(), {Row("2024-03-05 10:10:00", 20.0f, 40),
                                     Row("2024-03-05 10:20:00", 21.0f, 65535),
                                     Row("2024-03-05 10:30:00", 22.0f, 44)}));
        Grapsh dialog(prompts, data.path(), QStringLiteral("(°F)"));
        SetRange(dialog, "2024-03-05T10:00:00", "2024-03-05T11:00:00");
        Select(dialog);
        GraphChart* chart = dialog.chart();
        QCOMPARE(chart->Series(1)->dataCount(), 3);

        Choose(dialog, "Humidity");
        Select(dialog);
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(chart->Title(), QStringLiteral("Humidity"));
        QCOMPARE(chart->ValueAxisTitle(), QStringLiteral(" (%)"));
        QCOMPARE(chart->Series(0)->name(), QStringLiteral("Humidity"));
        QCOMPARE(Values(chart->Series(0)), (QVector<double>{40, 44}));
        for (size_t i = 1; i < GRAPH_SERIES_COUNT; ++i) {
            QVERIFY(!chart->Series(i)->visible());
            QCOMPARE(chart->Series(i)->dataCount(), 0);
        }
        QCOMPARE(LegendTexts(chart), QStringList{QStringLiteral("Humidity")});
        QVERIFY(chart->yAxis->range().contains(40) && chart->yAxis->range().contains(44));

        // And back: the dew point and heat index return.
        Choose(dialog, "Temperature");
        Select(dialog);
        QVERIFY(chart->Series(1)->visible() && chart->Series(2)->visible());
        QCOMPARE(chart->ValueAxisTitle(), QStringLiteral("(°F)"));
        QCOMPARE(LegendTexts(chart).size(), 3);
    }

    void indoorLogBeforeAnyImportKeepsTheDewPointTitleAndNoUnit() {
        test::TempDir data;
        ScriptedPrompts prompts;
        QVERIFY(Import(data.path(), {Row("2024-03-05 10:10:00", 22.0f, 45, NO_DATA, NO_DATA),
                                     Row("2024-03-05 10:20:00", 22.5f, 46, NO_DATA, NO_DATA)}));
        Grapsh dialog(prompts, data.path(), QString());  // no import in this run yet
        SetRange(dialog, "2024-03-05T10:00:00", "2024-03-05T11:00:00");
        Select(dialog);
        GraphChart* chart = dialog.chart();
        QCOMPARE(chart->Series(0)->dataCount(), 2);
        QCOMPARE(chart->Series(1)->dataCount(), 0);
        QVERIFY(chart->Series(1)->visible());
        QCOMPARE(chart->Series(1)->name(), QStringLiteral("DewPoint"));
        QVERIFY(LegendTexts(chart).contains(QStringLiteral("DewPoint")));
        QCOMPARE(chart->ValueAxisTitle(), QString());
    }

    void databaseFailureIsShownAndTheDialogStaysUsable() {
        test::TempDir data;
        ScriptedPrompts prompts;
        {
            std::ofstream notADatabase(RecordDatabasePath(data.path()), std::ios::binary);
            notADatabase << "this is not an SQLite database, whatever its name says\n";
        }
        Grapsh dialog(prompts, data.path(), QStringLiteral("(°C)"));
        SetRange(dialog, "2024-03-05T10:00:00", "2024-03-05T11:00:00");
        Select(dialog);
        QCOMPARE(prompts.warned.size(), 1);
        QVERIFY(!prompts.warned.front().isEmpty());
        QCOMPARE(dialog.chart()->Series(0)->dataCount(), 0);

        // Once the file is sound again, Select draws.
        QFile::remove(QString::fromStdString(RecordDatabasePath(data.path())));
        QVERIFY(Import(data.path(), {Row("2024-03-05 10:10:00", 22.0f)}));
        Select(dialog);
        QCOMPARE(prompts.warned.size(), 1);
        QCOMPARE(dialog.chart()->Series(0)->dataCount(), 1);
    }

    void wheelZoomsDragPansAndDoubleClickReturns() {
        test::TempDir data;
        ScriptedPrompts prompts;
        Grapsh dialog(prompts, data.path(), QString());
        dialog.resize(1000, 560);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        SetRange(dialog, "2024-03-05T10:00:00", "2024-03-05T11:00:00");
        Select(dialog);
        GraphChart* chart = dialog.chart();
        const QCPRange chosen = chart->xAxis->range();
        const QCPRange values = chart->yAxis->range();
        const QPoint middle = chart->axisRect()->center();

        QWheelEvent wheel(middle, chart->mapToGlobal(middle), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &wheel);
        QVERIFY(chart->xAxis->range().size() < chosen.size());
        QVERIFY(chart->yAxis->range() == values);  // only the time axis zooms

        const QCPRange zoomed = chart->xAxis->range();
        QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, middle);
        QMouseEvent move(QEvent::MouseMove, QPointF(middle + QPoint(100, 0)),
                         chart->mapToGlobal(QPointF(middle + QPoint(100, 0))), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(chart, &move);
        QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, middle + QPoint(100, 0));
        QVERIFY(chart->xAxis->range().lower < zoomed.lower);  // dragged right: earlier times

        QTest::mouseDClick(chart, Qt::LeftButton, Qt::NoModifier, middle);
        QCOMPARE(chart->xAxis->range().lower, chosen.lower);
        QCOMPARE(chart->xAxis->range().upper, chosen.upper);
    }

    void saveImageWritesPngSvgAndPdf() {
        test::TempDir data;
        ScriptedPrompts prompts;
        QVERIFY(Import(data.path(),
                       {Row("2024-03-05 10:10:00", 20.0f), Row("2024-03-05 10:20:00", 21.0f)}));
        Grapsh dialog(prompts, data.path(), QStringLiteral("(°C)"));
        dialog.resize(900, 500);
        dialog.show();
        SetRange(dialog, "2024-03-05T10:00:00", "2024-03-05T11:00:00");
        Select(dialog);
        auto* save = dialog.findChild<QPushButton*>(QStringLiteral("saveImageButton"));

        prompts.fileToSave = QString::fromStdString(data.File("graph.png"));
        save->click();
        const QImage png(prompts.fileToSave);
        QCOMPARE(png.size(), dialog.chart()->size());

        prompts.fileToSave = QString::fromStdString(data.File("graph.svg"));
        save->click();
        QFile svg(prompts.fileToSave);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QVERIFY(svg.readAll().contains("<svg"));

        prompts.fileToSave = QString::fromStdString(data.File("graph.pdf"));
        save->click();
        QFile pdf(prompts.fileToSave);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");

        prompts.fileToSave = QString::fromStdString(data.File("no ending"));  // PNG is assumed
        save->click();
        QVERIFY(!QImage(QString::fromStdString(data.File("no ending.png"))).isNull());
        QVERIFY(prompts.shown.isEmpty());

        prompts.fileToSave = QString::fromStdString(data.File("graph.jpg"));
        save->click();
        QCOMPARE(prompts.warned.size(), 1);
        QVERIFY(!QFile::exists(prompts.fileToSave));

        prompts.fileToSave = QString::fromStdString(data.File("missing folder/graph.png"));
        save->click();
        QCOMPARE(prompts.warned.size(), 2);
    }

    void graphButtonOpensTheGraphWithTheLastImportsUnit() {
        test::SimRig rig;
        QVERIFY(rig.link().OpenDevice());
        ScriptedPrompts prompts;
        test::TempDir data;
        CMy7500Dlg window(rig.session(), prompts, data.path());
        History* history = window.history();
        history->Begin();
        auto* graphButton = history->findChild<QPushButton*>(QStringLiteral("graphButton"));
        QVERIFY(graphButton->isEnabled());

        bool seen = false;
        QString unit = QStringLiteral("not asked");
        WhenGraphOpens(
            history, [&unit](Grapsh& graph) { unit = graph.unitLabel(); }, seen);
        graphButton->click();
        QVERIFY(seen);
        QCOMPARE(unit, QString());  // before any import

        auto* files = history->findChild<QTableWidget*>(QStringLiteral("fileList"));
        for (int row = 0; row < files->rowCount(); ++row) {
            if (files->item(row, 0)->text() == QStringLiteral("CH2.CSV"))
                emit files->cellClicked(row, 0);
        }
        QSignalSpy finished(history, &History::TransferFinished);
        history->findChild<QPushButton*>(QStringLiteral("selectButton"))->click();
        QVERIFY(finished.wait(20000));
        QVERIFY(prompts.shown.isEmpty());

        seen = false;
        int points = 0;
        WhenGraphOpens(
            history,
            [&unit, &points](Grapsh& graph) {
                unit = graph.unitLabel();
                // The card's logs end about now: three days of them.
                auto* startDate = graph.findChild<QDateTimeEdit*>(QStringLiteral("startDate"));
                startDate->setDate(startDate->date().addDays(-4));
                auto* endDate = graph.findChild<QDateTimeEdit*>(QStringLiteral("endDate"));
                endDate->setDate(endDate->date().addDays(1));
                Select(graph);
                points = graph.chart()->Series(0)->dataCount();
            },
            seen);
        graphButton->click();
        QVERIFY(seen);
        QCOMPARE(unit, QStringLiteral("(°C)"));
        QVERIFY2(points > 100, qPrintable(QString::number(points)));
        history->End();
    }
};

int RunGraphDialogTests(int argc, char** argv) {
    GraphDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "GraphDialogTest.moc"
