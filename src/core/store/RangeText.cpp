// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RangeText.h"

#include <array>
#include <cstdio>

namespace corvalin {

std::string RangeText(const CivilTime& time) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%d-%02d-%02d %d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text.data();
}

}  // namespace corvalin
