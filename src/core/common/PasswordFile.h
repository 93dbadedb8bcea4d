// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/Status.h"

namespace corvalin {

// A password kept in a file, as the broker's and the mail server's are: the
// first line, exactly, without its line end. `what` names it in the error
// ("the MQTT password file").
Result<std::string> ReadPasswordFile(const std::string& path, const std::string& what);

}  // namespace corvalin
