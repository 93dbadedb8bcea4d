#pragma once

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "protocol/Protocol.h"
#include "sim/SimulatedStation.h"

namespace corvalin::test {

// "{", code, payload, "@", "}", zeros.
inline Report Frame(uint8_t code, const std::vector<uint8_t>& payload = {}) {
    Report frame{};
    frame[0] = FRAME_START;
    frame[1] = code;
    std::copy(payload.begin(), payload.end(), frame.begin() + 2);
    frame[2 + payload.size()] = FRAME_AT;
    frame[3 + payload.size()] = FRAME_END;
    return frame;
}

inline std::vector<uint8_t> Be32(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

inline Report FileGetFrame(const std::string& name, uint32_t start, uint32_t end) {
    std::vector<uint8_t> payload(name.begin(), name.end());
    for (uint8_t b : Be32(start)) payload.push_back(b);
    for (uint8_t b : Be32(end)) payload.push_back(b);
    return Frame(CMD_FILE_GET, payload);
}

inline Report DeleteFrame(const std::string& name) {
    return Frame(CMD_DELETE_FILE, std::vector<uint8_t>(name.begin(), name.end()));
}

// The time payload for a local time.
inline Report TimeFrame(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    const int year = local.tm_year + 1900;
    return Frame(CMD_SET_TIME,
                 {static_cast<uint8_t>(year >> 8), static_cast<uint8_t>(year & 0xFF),
                  static_cast<uint8_t>(local.tm_mon + 1), static_cast<uint8_t>(local.tm_mday),
                  static_cast<uint8_t>(local.tm_hour), static_cast<uint8_t>(local.tm_min),
                  static_cast<uint8_t>(local.tm_sec), static_cast<uint8_t>(local.tm_wday)});
}

// Every report that is ready now (the tests run the station unpaced).
inline std::vector<Report> Drain(SimulatedStation& station) {
    std::vector<Report> reports;
    Report report;
    const uint64_t generation = station.Generation();
    while (station.NextReport(generation, report, 0) == 1) reports.push_back(report);
    return reports;
}

// Sends one frame and returns the whole answer.
inline std::vector<Report> Ask(SimulatedStation& station, const Report& frame) {
    station.ReceiveFrame(station.Generation(), frame);
    return Drain(station);
}

// A report from its leading bytes, zeros after them.
inline Report Bytes(const std::vector<uint8_t>& leading) {
    Report report{};
    std::copy(leading.begin(), leading.end(), report.begin());
    return report;
}

inline const Report END_MARKER = Bytes({0x7B, 0x40, 0x7D});

}  // namespace corvalin::test
