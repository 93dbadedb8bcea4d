// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/Status.h"

namespace corvalin {

// The first line of a password file, exactly, without its line end. `what`
// names whose password it is in the message ("MQTT", "archive server").
Result<std::string> ReadPasswordFile(const std::string& path, const std::string& what = "MQTT");

}  // namespace corvalin
