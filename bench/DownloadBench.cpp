// SPDX-License-Identifier: GPL-3.0-or-later
// Downloads a 1 MB file from the simulated station paced at 1 ms per report
// and compares the time with the bound the protocol itself sets: per chunk,
// its reports at 1 ms each, the 10 ms pause after the request, and the 10 ms
// pause between chunks.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "history/SdCardClient.h"
#include "session/StationSession.h"
#include "sim/SimulatedStation.h"

namespace fs = std::filesystem;
using namespace corvalin;

namespace {

constexpr uint32_t FILE_BYTES = 1024 * 1024;
constexpr int PACE_MS = 1;

double ProtocolBoundSeconds(uint64_t size) {
    uint64_t chunks = 0;
    double ms = 0;
    for (uint64_t offset = 0;; offset += CHUNK_SIZE) {
        const uint64_t length = std::min<uint64_t>(CHUNK_SIZE, size - offset);
        const uint64_t reports = (length + MAX_FILE_DATA_CONTENT - 1) / MAX_FILE_DATA_CONTENT + 1;
        ms += reports * PACE_MS + WRITE_PAUSE.count();
        ++chunks;
        if (offset + CHUNK_SIZE >= size) break;
    }
    ms += (chunks - 1) * WRITE_PAUSE.count();
    return ms / 1000.0;
}

}  // namespace

int main() {
    const fs::path scratch = fs::temp_directory_path() / "corvalin-download-bench";
    fs::remove_all(scratch);
    fs::create_directories(scratch / "card");
    fs::create_directories(scratch / "data");
    {
        std::ofstream file(scratch / "card" / "BENCH.CSV", std::ios::binary);
        std::string line = "2024-03-05 14:07:09,23.4,45,10.8,24.1\r\n";
        for (uint32_t written = 0; written < FILE_BYTES; written += line.size()) {
            file.write(line.data(), static_cast<std::streamsize>(
                                        std::min<size_t>(line.size(), FILE_BYTES - written)));
        }
    }

    ConnectionOptions options;
    options.simulate = true;
    options.sim.cardDir = (scratch / "card").string();
    options.sim.paceMs = PACE_MS;
    auto session = StationSession::Create(options);
    if (!session || !(*session.value)->Open()) {
        std::fprintf(stderr, "cannot start the simulated station\n");
        return 1;
    }
    std::unique_ptr<SdCardClient> client = (*session.value)->OpenCard((scratch / "data").string());
    SdCardClient& card = *client;
    card.RequestFileList();
    const DownloadResult result = card.Download("BENCH.CSV");
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.message.c_str());
        return 1;
    }
    const double bound = ProtocolBoundSeconds(FILE_BYTES);
    std::printf(
        "download of %u bytes at %d ms per report: %.3f s; protocol bound %.3f s; "
        "ratio %.1f %% of the bound (target >= 95 %%)\n",
        FILE_BYTES, PACE_MS, result.seconds, bound, 100.0 * bound / result.seconds);
    fs::remove_all(scratch);
    return 0;
}
