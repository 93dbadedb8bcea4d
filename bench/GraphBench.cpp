// SPDX-License-Identifier: GPL-3.0-or-later
// The graph of a one-million-line channel log over its full range in
// temperature mode: Select to drawn (rows read, series filled, chart
// redrawn) with the one-pass read, beside its peer measured in the same run,
// the count-and-select per column with every row converted on its own; and
// the peak resident memory meanwhile. Each figure is printed with its goal
// and the load average, so that a run on a busy machine can be read as such.
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "chart/ChartApplication.h"
#include "chart/GraphChart.h"
#include "graph/GraphQuery.h"
#include "graph/GraphTime.h"
#include "history/ImportHistoryFile.h"
#include "store/RangeText.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"

namespace {

using corvalin::bench::LoadAverage;
using corvalin::bench::Median;

namespace fs = std::filesystem;
using namespace corvalin;

constexpr int LINES = 1000000;
constexpr int FAST_RUNS = 7;
constexpr int PLAIN_RUNS = 3;
constexpr double TIME_LIMIT_MS = 250;
constexpr double SPEED_UP_TARGET = 3;
constexpr double MEMORY_LIMIT_MB = 200;
constexpr int CHART_WIDTH = 1000;
constexpr int CHART_HEIGHT = 480;

const CivilTime FIRST_READING{2021, 1, 1, 0, 0, 0};

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// VmRSS or VmHWM (the peak since the last reset) in MB.
double StatusMb(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field) + 1) / 1024;
    }
    std::printf("Load average after the runs: %s (over 2 on 2 cores: other work shared them)\n",
                LoadAverage().c_str());
    return 0;
}

// Makes VmHWM start again from the present size (Linux 4.0 and later).
bool ResetPeakResident() {
    return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5");
}

std::string Tenths(int tenths) {
    std::string text = tenths < 0 ? "-" : "";
    tenths = std::abs(tenths);
    return text + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

// A channel log as the station writes it, one reading a minute, now and
// then a temperature or humidity the sensor missed.
void WriteChannelLog(const std::string& path) {
    std::string text = "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
    text.reserve(static_cast<size_t>(LINES) * 42);
    const double first = OleDateFromCivil(FIRST_READING);
    char stamp[CIVIL_TEXT_LENGTH];
    for (int line = 0; line < LINES; ++line) {
        WriteCivilText(*CivilFromOleDate(first + line / 1440.0), stamp);
        text.append(stamp, CIVIL_TEXT_LENGTH);
        const int temperature = 120 + (line * 7) % 120;
        const int humidity = 30 + (line * 13) % 60;
        text += ',';
        text += line % 157 == 77 ? "--" : Tenths(temperature);
        text += ',';
        text += line % 211 == 130 ? "--" : std::to_string(humidity);
        text += ',' + Tenths(temperature - (100 - humidity) * 2) + ',' +
                Tenths(temperature + humidity / 10) + "\r\n";
    }
    std::ofstream(path, std::ios::binary) << text;
}

CivilTime LastReading() {
    return *CivilFromOleDate(OleDateFromCivil(FIRST_READING) + (LINES - 1) / 1440.0);
}

// The whole log: the range starts a second before its first reading.
GraphSelection FullRange() {
    GraphSelection selection;
    selection.start = *CivilFromOleDate(OleDateFromCivil(FIRST_READING) - 1.0 / 86400);
    selection.end = LastReading();
    selection.quantity = GraphQuantity::Temperature;
    selection.unitLabel = "(°C)";
    return selection;
}

struct Timing {
    double readMs = 0;
    double drawMs = 0;
    size_t points = 0;
    double TotalMs() const { return readMs + drawMs; }
};

Timing OnePass(chart::GraphChart& chart, RecordDatabase& database, const std::string& path) {
    Timing timing;
    const auto start = Clock::now();
    GraphResult result = QueryGraph(database, path, FullRange());
    const auto read = Clock::now();
    if (result.outcome != GraphOutcome::Drawn) {
        std::fprintf(stderr, "graph failed: %s\n", result.message.c_str());
        std::exit(1);
    }
    timing.points = result.content.PointCount();
    chart.Show(std::move(result.content));
    chart.repaint();
    const auto drawn = Clock::now();
    timing.readMs = Ms(read - start);
    timing.drawMs = Ms(drawn - read);
    return timing;
}

// A count and a select per column, each row's time taken as text and parsed
// back, each value converted on its own, then every series handed over whole.
Timing CountThenSelectPerColumn(chart::GraphChart& chart, RecordDatabase& database,
                                const std::string& path) {
    Timing timing;
    const auto start = Clock::now();
    const GraphSelection selection = FullRange();
    const std::string from = RangeText(selection.start), to = RangeText(selection.end);
    for (size_t i = 0; i < GRAPH_SERIES_COUNT; ++i) chart.Series(i)->data()->clear();
    const char* columns[] = {"Temperature", "DewPoint", "Heatindex"};
    std::vector<QVector<double>> keys(3), values(3);
    for (size_t c = 0; c < 3; ++c) {
        if (database.Connect(path) != 0 || database.CountRange(from, to, columns[c]) != 0) {
            std::fprintf(stderr, "count failed: %s\n", database.LastError().c_str());
            std::exit(1);
        }
        const int64_t count = database.FieldValue("Count").ToInteger();
        if (count == 0) continue;
        if (database.Connect(path) != 0 || database.SelectRange(from, to, columns[c]) != 0) {
            std::fprintf(stderr, "select failed: %s\n", database.LastError().c_str());
            std::exit(1);
        }
        keys[c].resize(count);
        values[c].resize(count);
        int64_t row = 0;
        while (!database.AtEnd() && row < count) {
            const auto time = ParseCivilText(database.FieldValue("Time").ToText());
            keys[c][row] = time ? ChartSecondsFromCivil(*time) : 0.0;
            values[c][row] = database.FieldValue(columns[c]).ToFloat();
            database.NextRow();
            ++row;
        }
        chart.Series(c)->setData(keys[c], values[c], true);
        timing.points += static_cast<size_t>(row);
    }
    const auto read = Clock::now();
    chart.yAxis->rescale(true);
    chart.xAxis->setRange(ChartSecondsFromCivil(selection.start),
                          ChartSecondsFromCivil(selection.end));
    chart.replot();
    chart.repaint();
    timing.readMs = Ms(read - start);
    timing.drawMs = Ms(Clock::now() - read);
    return timing;
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "corvalin-graph-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const std::string folder = pattern;
    const std::string log = folder + "/CH1.CSV";
    const std::string database = RecordDatabasePath(folder);

    WriteChannelLog(log);
    {
        const ImportResult imported = ImportHistoryFile(log, "CH1.CSV", database);
        if (!imported.stored || imported.rowsStored != static_cast<uint64_t>(LINES)) {
            std::fprintf(
                stderr, "import failed: %s\n",
                imported.errors.empty() ? "wrong row count" : imported.errors.front().c_str());
            return 1;
        }
    }
    std::printf("Channel log: %d lines imported into %s; %u cores, load average %s\n", LINES,
                RECORD_DATABASE_FILE, std::thread::hardware_concurrency(), LoadAverage().c_str());

    chart::ChartApplication application;
    chart::GraphChart chart;
    chart.resize(CHART_WIDTH, CHART_HEIGHT);
    chart.show();
    QApplication::processEvents();

    const double before = StatusMb("VmRSS:");
    const bool peakReset = ResetPeakResident();
    std::vector<double> fast, reads, draws;
    size_t fastPoints = 0;
    {
        RecordDatabase graph;  // kept from one Select to the next, as the dialog does
        for (int run = 0; run < FAST_RUNS; ++run) {
            const Timing timing = OnePass(chart, graph, database);
            fast.push_back(timing.TotalMs());
            reads.push_back(timing.readMs);
            draws.push_back(timing.drawMs);
            fastPoints = timing.points;
        }
    }
    const double peak = peakReset ? StatusMb("VmHWM:") : 0;

    std::vector<double> plain;
    size_t plainPoints = 0;
    for (int run = 0; run < PLAIN_RUNS; ++run) {
        RecordDatabase graph;
        const Timing timing = CountThenSelectPerColumn(chart, graph, database);
        plain.push_back(timing.TotalMs());
        plainPoints = timing.points;
    }
    fs::remove_all(folder);
    if (plainPoints != fastPoints) {
        std::fprintf(stderr, "the two reads differ: %zu and %zu points\n", fastPoints, plainPoints);
        return 1;
    }

    const double fastMedian = Median(fast);
    const double plainMedian = Median(plain);
    const double speedUp = plainMedian / fastMedian;
    std::printf("Full range, temperature mode: %zu points in three series, chart %dx%d\n",
                fastPoints, CHART_WIDTH, CHART_HEIGHT);
    std::printf("Peer: count and select per column, by row: median %.0f ms of %d runs\n",
                plainMedian, PLAIN_RUNS);
    std::printf(
        "Select to drawn, one pass: median %.0f ms of %d runs (read %.0f ms, filled and drawn "
        "%.0f ms); goal <= %.0f ms: %s; %.1f x faster than the peer, goal >= %.0f x: %s\n",
        fastMedian, FAST_RUNS, Median(reads), Median(draws), TIME_LIMIT_MS,
        fastMedian <= TIME_LIMIT_MS ? "met" : "NOT met", speedUp, SPEED_UP_TARGET,
        speedUp >= SPEED_UP_TARGET ? "met" : "NOT met");
    if (peakReset) {
        std::printf(
            "Resident memory: %.0f MB before, peak %.0f MB during the one-pass runs; "
            "goal <= %.0f MB: %s\n",
            before, peak, MEMORY_LIMIT_MB, peak <= MEMORY_LIMIT_MB ? "met" : "NOT met");
    } else {
        std::printf("Resident memory: peak unknown (no /proc/self/clear_refs); %.0f MB now\n",
                    StatusMb("VmRSS:"));
    }
    std::printf("Load average after the runs: %s (over 2 on 2 cores: other work shared them)\n",
                LoadAverage().c_str());
    return 0;
}
