// SPDX-License-Identifier: GPL-3.0-or-later
#include <istream>
#include <ostream>

#include "Commands.h"

namespace corvalin::cli {

bool AskYesNo(Console& console, const std::string& question) {
    if (!console.interactive) return false;
    console.out << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(console.in, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

}  // namespace corvalin::cli
