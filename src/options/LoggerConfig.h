// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "NotifyOptions.h"
#include "common/Status.h"

namespace corvalin::options {

// corvalind's config file when none is named: the user's
// ($XDG_CONFIG_HOME/corvalin/corvalind.conf) when it exists, else the system's.
std::string DefaultLoggerConfigFile();

// The config file as CLI11 reads it, but "alert = ch1.temperature above 30"
// is one rule: the words after "=" are quoted before CLI11 splits them.
class ConfigWithRules : public CLI::ConfigTOML {
public:
    std::vector<CLI::ConfigItem> from_config(std::istream& input) const override;
};

// The sinks and the station named in the logger's config file, its other
// keys left alone; nothing when the file is not there.
struct LoggerSinks {
    NotifyArguments notify;
    std::string station;
};
Result<LoggerSinks> ReadLoggerSinks(const std::string& configFile);

}  // namespace corvalin::options
