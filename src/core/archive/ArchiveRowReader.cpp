// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ArchiveRowReader.h"

namespace corvalin {

ArchiveRowReader ReaderOf(ArchiveDatabase& archive) {
    return [&archive](const ArchiveQuery& query,
                      const std::function<bool(const ArchivedRow&)>& visit) {
        return archive.Read(query, visit);
    };
}

}  // namespace corvalin
