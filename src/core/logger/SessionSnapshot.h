// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "logger/ReadingSnapshot.h"
#include "session/StationSession.h"

namespace corvalin {

// The reading of the session's last poll, taken at `utcSeconds`: a row per
// channel with a value, and the station's alarm settings when the poll got
// all of them. Only for a poll that got a fresh live answer.
ReadingSnapshot SnapshotOfLastRead(StationSession& session, const ReadCycleAnswers& answers,
                                   int64_t utcSeconds);

}  // namespace corvalin
