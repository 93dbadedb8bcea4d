// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace corvalin {

// The page's own files, compiled into the program (src/service/page/, and
// the program's icon).
extern const std::string_view PAGE_HTML;
extern const std::string_view PAGE_SCRIPT;
extern const std::string_view PAGE_STYLE;
extern const std::string_view PAGE_ICON;

}  // namespace corvalin
