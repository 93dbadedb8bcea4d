// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "common/Readings.h"

namespace corvalin::cli {

// CH1 to CH8 with temperature, humidity and dew point as the live display writes them.
std::string LiveTableText(const LiveReadings& readings, int32_t unitFahrenheit);
// The same as numbers in the station's unit; null for no data.
nlohmann::json LiveTableJson(const LiveReadings& readings, int32_t unitFahrenheit);

}  // namespace corvalin::cli
