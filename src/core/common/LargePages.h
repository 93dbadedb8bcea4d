// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace corvalin {

// Asks the kernel to back the whole 2 MB stretches of a large buffer that
// is about to be filled with huge pages. A million rows fill tens of
// megabytes, and on some virtual machines every 4 KB page touched for the
// first time costs as much as reading many rows; only what is touched is
// taken, so reserving generously stays cheap. Without such pages nothing
// changes.
void PreferLargePages(const void* data, size_t bytes);

}  // namespace corvalin
