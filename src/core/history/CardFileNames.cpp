// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/CardFileNames.h"

#include <strings.h>

#include "common/DataFiles.h"
#include "common/Messages.h"

namespace corvalin {

Status CheckLocalFileName(const std::string& name) {
    if (name.empty()) return Status::Error(messages::SELECT_A_FILE);
    auto refuse = [&](const char* why) {
        return Status::Error("The card file \"" + name +
                             "\" cannot be stored in the data folder: " + why + ".");
    };
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) {
        return refuse("its name contains a folder separator");
    }
    if (name.find("..") != std::string::npos) return refuse("its name contains \"..\"");
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return refuse("its name contains a control character");
    }
    if (name == ".") return refuse("\".\" is the folder itself");
    for (const char* own : OWN_FILE_NAMES) {
        if (strcasecmp(name.c_str(), own) == 0)
            return refuse("the program keeps a file of that name");
    }
    return Status::Ok();
}

}  // namespace corvalin
