// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "common/Status.h"

namespace corvalin {

// A place in the archive's forwarding order: time, then the station's
// number in this archive, then the channel. Rows are forwarded in that order.
struct ForwardPosition {
    int64_t time = std::numeric_limits<int64_t>::min();  // before every row
    int64_t station = 0;
    int channel = 0;

    auto operator<=>(const ForwardPosition&) const = default;
    // Just before the first row at `time`.
    static ForwardPosition Before(int64_t time) { return {time, 0, 0}; }
};

// One row to forward, with its place in the order.
struct ForwardedRow {
    ForwardPosition position;
    ArchivedRow stored;
};

// How far a copy of the archive elsewhere (a database server) has got: a
// position kept in the archive's settings, moved on only once the copy
// confirmed every row up to it. Rows that arrive behind it (a card's log
// filling a gap) move every copy's position back before them, so each is
// forwarded too; a row forwarded twice is the copy's to ignore.
class ForwardCursor {
public:
    // `copy` names the copy, e.g. the server's address.
    ForwardCursor(ArchiveDatabase& archive, std::string copy);

    // The position to forward from, after the rows added since the last look.
    Result<ForwardPosition> Take();
    // Up to `limit` rows after `after`, in order.
    Result<std::vector<ForwardedRow>> RowsAfter(const ForwardPosition& after, size_t limit);
    // The copy has every row up to `confirmed`.
    Status MoveTo(const ForwardPosition& confirmed);
    // How many rows the copy still lacks (counted, so not for every turn).
    Result<int64_t> Waiting();

    // The settings keys: this copy's position, and the earliest time added
    // since positions were last lowered.
    static std::string PositionKey(const std::string& copy);
    static constexpr const char* REWIND_KEY = "forwardRewind";

private:
    // In the open transaction: lowers every copy's position before the rows
    // added since; returns where this copy stands then.
    Result<ForwardPosition> ApplyRewind();

    ArchiveDatabase& archive_;
    std::string key_;
};

}  // namespace corvalin
