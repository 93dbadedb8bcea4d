// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/GraphQuery.h"

#include <vector>

#include "common/Messages.h"
#include "graph/GraphTime.h"
#include "store/RangeText.h"
#include "store/RecordDatabase.h"
#include "store/RecordSeries.h"

namespace corvalin {

namespace {

std::vector<std::string> QueriedColumns(GraphQuantity quantity) {
    if (quantity == GraphQuantity::Humidity) return {"Humidity"};
    return {"Temperature", "DewPoint", "Heatindex"};
}

}  // namespace

Status CheckGraphRange(const CivilTime& start, const CivilTime& end) {
    for (const CivilTime* time : {&start, &end}) {
        if (!IsValidCivilTime(*time)) return Status::Error("Not a valid time: " + RangeText(*time));
    }
    if (WallSeconds(start) > WallSeconds(end)) return Status::Error(messages::TIME_ERROR);
    return Status::Ok();
}

GraphContent GraphLayout(const GraphSelection& selection) {
    GraphContent content;
    content.timeFrom = ChartSecondsFromCivil(selection.start);
    content.timeTo = ChartSecondsFromCivil(selection.end);
    auto& series = content.series;
    if (selection.quantity == GraphQuantity::Temperature) {
        content.title = "Temperature";
        content.valueAxisTitle = selection.unitLabel;
        series[QUANTITY_SERIES].title = "Temperature";
        series[DEWPOINT_SERIES].title = "DewPoint";
        series[HEATINDEX_SERIES].title = "Heatindex";
    } else {
        content.title = "Humidity";
        content.valueAxisTitle = " (%)";
        series[QUANTITY_SERIES].title = "Humidity";
        series[DEWPOINT_SERIES].visible = false;
        series[HEATINDEX_SERIES].visible = false;
    }
    series[UNUSED_SERIES].visible = false;
    return content;
}

GraphResult QueryGraph(RecordDatabase& database, const std::string& databasePath,
                       const GraphSelection& selection) {
    GraphResult result;
    const Status range = CheckGraphRange(selection.start, selection.end);
    if (!range) {
        result.outcome = GraphOutcome::RangeRefused;
        result.message = range.message;
        return result;
    }
    result.content = GraphLayout(selection);

    std::vector<RecordSeries> read;
    if (database.ConnectForReading(databasePath) != 0 ||
        database.ReadSeries(RangeText(selection.start), RangeText(selection.end),
                            QueriedColumns(selection.quantity), read) != 0) {
        result.outcome = GraphOutcome::ReadFailed;
        result.message = database.LastError();
        return result;
    }
    for (size_t i = 0; i < read.size(); ++i) {
        GraphSeries& line = result.content.series[i];
        line.times = std::move(read[i].times);
        line.values = std::move(read[i].values);
    }
    return result;
}

}  // namespace corvalin
