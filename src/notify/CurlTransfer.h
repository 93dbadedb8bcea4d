// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "common/Status.h"

namespace corvalin {

// One transfer through libcurl: an HTTP POST, or a mail over SMTP.
struct CurlTransfer {
    std::string url;
    std::string body;
    std::vector<std::string> headers;  // HTTP only
    // SMTP only: the envelope and the login.
    bool mail = false;
    std::string mailFrom;
    std::vector<std::string> mailTo;
    std::string user;
    std::string password;
    std::chrono::seconds timeout{30};
};

// Runs it; an HTTP answer outside 2xx fails. `cancel` cuts it short
// (checked about every second).
Status Perform(const CurlTransfer& transfer, const std::atomic<bool>* cancel = nullptr);

}  // namespace corvalin
