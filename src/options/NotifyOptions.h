// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "alert/NotifyTarget.h"
#include "common/Status.h"

namespace corvalin::options {

// Where alerts go, as typed: shared by corvalind and corvalin-cli alert test.
struct NotifyArguments {
    std::vector<std::string> notify;  // ntfy://…, http(s)://…, smtp(s)://…
    std::string mailFrom;
    std::vector<std::string> mailTo;
    std::string passwordFile;
};

// Registers --notify, --notify-mail-from, --notify-mail-to and --notify-password-file.
void AddNotifyOptions(CLI::App& app, NotifyArguments& arguments);

// The sinks they name; the error names the bad address.
Result<std::vector<NotifyTarget>> MakeNotifyTargets(const NotifyArguments& arguments);

}  // namespace corvalin::options
