// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "alert/AlertRule.h"
#include "alert/NotifyTarget.h"
#include "alert/SinkQueue.h"
#include "logger/StationLogger.h"
#include "options/NotifyOptions.h"
#include "session/StationArguments.h"

namespace corvalin::daemon {

struct DaemonOptions {
    StationArguments station;
    LoggerSettings logger;
    std::string configFile;
    std::string mqtt;  // mqtt://HOST[:PORT]; empty: no broker
    std::string mqttUser;
    std::string mqttPasswordFile;
    std::string mqttCaFile;
    std::string metrics;              // ADDRESS:PORT of the /metrics page; empty: none
    std::string http;                 // ADDRESS:PORT of the page and its API; empty: none
    std::string httpAssets;           // the chart library's folder; empty: the installed one
    std::vector<std::string> alerts;  // the rules as given
    options::NotifyArguments notify;  // the sinks as given
    // Checked from the above.
    std::vector<AlertRule> alertRules;
    std::vector<NotifyTarget> notifyTargets;
    SinkPolicy sinkPolicy;
    std::string archiveServer;  // postgresql://USER@HOST[:PORT]/DB; empty: none
    std::string archiveServerPasswordFile;
    bool stationNamed = false;  // --station was given (else the name may come from a serial)
};

// The command line, with the config file it names (or the default one, when
// it exists) read under it: the command line wins. Either the options, or the
// exit status after --help, --version or a bad option (already printed).
struct ParsedOptions {
    std::optional<DaemonOptions> options;
    int exitStatus = 0;
};
ParsedOptions ParseDaemonOptions(const std::vector<std::string>& arguments, std::ostream& out,
                                 std::ostream& err);

}  // namespace corvalin::daemon
