#include "history/CardFiles.h"

#include <vector>

#include "common/ByteOrder.h"
namespace corvalin {

Status CheckLocalFileName(const std::string& name) {
    if (name.empty()) return Status::Error(MSG_SELECT_A_FILE);
    auto refuse = [&](const char* why) {
        return Status::Error("The card file \"" + name + "\" cannot be stored in the data folder: " +
                             why + ".");
    };
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) {
        return refuse("its name contains a folder separator");
    }
    if (name.find("..") != std::string::npos) return refuse("its name contains \"..\"");
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return refuse("its name contains a control character");
    }
    if (name == ".") return refuse("\".\" is the folder itself");
    return Status::Ok();
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
