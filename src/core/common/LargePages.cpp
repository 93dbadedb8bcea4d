// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/LargePages.h"

#include <sys/mman.h>

#include <cstdint>

namespace corvalin {

namespace {

constexpr uintptr_t LARGE_PAGE_BYTES = uintptr_t{2} << 20;

}  // namespace

void PreferLargePages(const void* data, size_t bytes) {
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + LARGE_PAGE_BYTES - 1) & ~(LARGE_PAGE_BYTES - 1);
    const uintptr_t last = (start + bytes) & ~(LARGE_PAGE_BYTES - 1);
    if (data == nullptr || last <= first) return;
    // A hint: a kernel without transparent huge pages refuses it, harmlessly.
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace corvalin
