// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/Status.h"
#include "graph/GraphContent.h"
#include "graph/GraphSelection.h"
#include "store/OleDate.h"

namespace corvalin {

class RecordDatabase;

// Refuses a start later than the end with "Time Error."; equal ends pass.
// Also refuses a time that is not a valid date and time of the store.
Status CheckGraphRange(const CivilTime& start, const CivilTime& end);

// The titles, shown series and time axis of a selection, without points.
GraphContent GraphLayout(const GraphSelection& selection);

enum class GraphOutcome {
    Drawn,         // content holds the chart
    RangeRefused,  // nothing is to change on the chart; show the message
    ReadFailed,    // content holds the layout with empty series; show the message
};

struct GraphResult {
    GraphOutcome outcome = GraphOutcome::Drawn;
    std::string message;
    GraphContent content;
};

// What the graph shows for a selection, read from the record database at
// `databasePath` in one pass over the range. `database` may be kept from
// one call to the next; it is connected as needed.
GraphResult QueryGraph(RecordDatabase& database, const std::string& databasePath,
                       const GraphSelection& selection);

}  // namespace corvalin
