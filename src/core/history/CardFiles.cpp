#include "history/CardFiles.h"

#include <vector>

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
    for (uint32_t value : {start, end}) {
        payload.push_back(static_cast<uint8_t>(value >> 24));
        payload.push_back(static_cast<uint8_t>(value >> 16));
        payload.push_back(static_cast<uint8_t>(value >> 8));
        payload.push_back(static_cast<uint8_t>(value));
    }
    return MakeCommandFrame(CMD_FILE_GET, payload);
}

CommandFrame MakeDeleteFileFrame(const std::string& name) {
    const std::vector<uint8_t> payload(name.begin(), name.end());
    return MakeCommandFrame(CMD_DELETE_FILE, payload);
}

}  // namespace corvalin
