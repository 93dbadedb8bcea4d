// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoggerConfig.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace corvalin::options {

namespace {

// The configuration of the install prefix: /etc/corvalin/corvalind.conf for
// the packages, /usr/local/etc/... for a plain `cmake --install`.
constexpr const char* SYSTEM_CONFIG = CORVALIN_SYSTEM_CONFIG;

// "alert = a b c" as "alert = "a b c"": one value, blanks and all.
std::string QuoteRule(const std::string& line) {
    const size_t key = line.find_first_not_of(" \t");
    const size_t equals = line.find('=');
    if (key == std::string::npos || equals == std::string::npos || equals <= key) return line;
    const std::string name = line.substr(key, line.find_last_not_of(" \t", equals - 1) + 1 - key);
    const size_t value = line.find_first_not_of(" \t\r", equals + 1);
    if (name != "alert" || value == std::string::npos) return line;
    if (line[value] == '"' || line[value] == '\'') return line;
    const std::string rule = line.substr(value, line.find_last_not_of(" \t\r") + 1 - value);
    const char quote = rule.find('"') == std::string::npos ? '"' : '\'';
    return line.substr(0, value) + quote + rule + quote;
}

}  // namespace

std::string DefaultLoggerConfigFile() {
    const char* home = std::getenv("HOME");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string user;
    if (configHome && *configHome) {
        user = std::string(configHome) + "/corvalin/corvalind.conf";
    } else if (home && *home) {
        user = std::string(home) + "/.config/corvalin/corvalind.conf";
    }
    std::error_code error;
    if (!user.empty() && std::filesystem::exists(user, error)) return user;
    return SYSTEM_CONFIG;
}

std::vector<CLI::ConfigItem> ConfigWithRules::from_config(std::istream& input) const {
    std::string quoted;
    for (std::string line; std::getline(input, line);) quoted += QuoteRule(line) + "\n";
    std::istringstream text(quoted);
    return CLI::ConfigTOML::from_config(text);
}

Result<LoggerSinks> ReadLoggerSinks(const std::string& configFile) {
    LoggerSinks sinks;
    CLI::App reader;
    reader.allow_config_extras(CLI::config_extras_mode::ignore);
    reader.config_formatter(std::make_shared<ConfigWithRules>());
    reader.set_config("--config", configFile);
    AddNotifyOptions(reader, sinks.notify);
    reader.add_option("--station", sinks.station);
    try {
        reader.parse(std::vector<std::string>{});
    } catch (const CLI::ParseError& error) {
        return Result<LoggerSinks>::Fail(configFile + ": " + error.what());
    }
    return Result<LoggerSinks>::Of(sinks);
}

}  // namespace corvalin::options
