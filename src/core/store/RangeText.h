// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/CivilTime.h"

namespace corvalin {

// The ends of a range query as the graph writes them:
// "%d-%02d-%02d %d:%02d:%02d" (year and hour without leading zeros). They are
// read back with ParseLooseCivilText, which also takes the stored form.
std::string RangeText(const CivilTime& time);

}  // namespace corvalin
