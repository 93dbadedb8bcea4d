// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/CardFrames.h"

#include <algorithm>
#include <vector>

#include "common/ByteOrder.h"

namespace corvalin {

FileEntry ParseFileListLine(const Report& data) {
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    const auto comma = std::find(data.begin(), end, uint8_t{','});
    FileEntry entry;
    if (data.begin() + 1 < comma) entry.name.assign(data.begin() + 1, comma);
    if (comma != end && comma + 5 <= data.end()) {
        entry.size = ReadBigEndian32(&comma[1]);
    }
    return entry;
}

CommandFrame MakeFileGetFrame(const std::string& name, uint32_t start, uint32_t end) {
    std::vector<uint8_t> payload(name.begin(), name.end());
    payload.resize(name.size() + 8);
    WriteBigEndian32(start, &payload[name.size()]);
    WriteBigEndian32(end, &payload[name.size() + 4]);
    return MakeCommandFrame(CMD_FILE_GET, payload);
}

CommandFrame MakeDeleteFileFrame(const std::string& name) {
    const std::vector<uint8_t> payload(name.begin(), name.end());
    return MakeCommandFrame(CMD_DELETE_FILE, payload);
}

}  // namespace corvalin
