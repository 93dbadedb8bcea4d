#pragma once

#include <string>

#include "CliConnection.h"
#include "CliRunner.h"

namespace corvalin::cli {

struct LiveOptions {
    bool watch = false;
};

struct SyncTimeOptions {
    std::string at;  // "YYYY-MM-DD hh:mm:ss"; empty: the local time now
    bool yes = false;
};

int RunStatus(const StationArguments& station, const OutputFlags& flags, Console& console);
int RunLive(const StationArguments& station, const OutputFlags& flags, const LiveOptions& options,
            Console& console);
int RunSyncTime(const StationArguments& station, const OutputFlags& flags,
                const SyncTimeOptions& options, Console& console);

}  // namespace corvalin::cli
