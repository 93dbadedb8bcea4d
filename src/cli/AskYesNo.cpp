// SPDX-License-Identifier: GPL-3.0-or-later
#include <istream>
#include <ostream>

#include "Commands.h"

namespace corvalin::cli {

bool AskYesNo(Console& console, const std::string& question, bool json) {
    if (!console.interactive) return false;
    // Beside JSON the question must not be taken for part of the result.
    std::ostream& asked = json ? console.Side() : console.out;
    asked << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(console.in, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

}  // namespace corvalin::cli
