// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimState.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

namespace corvalin {

namespace {

using nlohmann::json;

constexpr int64_t MAX_CLOCK_OFFSET_SECONDS = 100LL * 366 * 86400;

// Answer bytes 1..length as a hex string: the payload a write frame carries.
struct Block {
    const char* key;
    Report SimState::*report;
    size_t length;
};

constexpr Block BLOCKS[] = {
    {"settings", &SimState::settings, SETTINGS_PAYLOAD_SIZE},
    {"calibration", &SimState::calibration, CALIBRATION_PAYLOAD_SIZE},
    {"alarm1", &SimState::alarm1, ALARM_1_PAYLOAD_SIZE},
    {"alarm3", &SimState::alarm3, ALARM_3_PAYLOAD_SIZE},
    {"alarm4", &SimState::alarm4, ALARM_4_PAYLOAD_SIZE},
};

std::string ToHex(const Report& report, size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 1; i <= length; ++i) {
        text += digits[report[i] >> 4];
        text += digits[report[i] & 0x0F];
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool FromHex(const std::string& text, size_t length, Report& report) {
    if (text.size() != 2 * length) return false;
    Report parsed = report;
    for (size_t i = 0; i < length; ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        parsed[i + 1] = static_cast<uint8_t>(high * 16 + low);
    }
    report = parsed;
    return true;
}

void PutWord(Report& report, size_t at, uint32_t word) {
    for (size_t i = 0; i < 4; ++i) report[at + i] = static_cast<uint8_t>(word >> (24 - 8 * i));
}

Status Bad(const std::string& path, const std::string& why) {
    return Status::Error("The simulated station's state file \"" + path +
                         "\" is not valid: " + why);
}

// Parses the document into `state`; the caller keeps its own copy on failure.
Status Apply(const std::string& path, const json& doc, SimState& state) {
    if (!doc.is_object()) return Bad(path, "it is not a JSON object");
    for (const Block& block : BLOCKS) {
        if (!doc.contains(block.key)) continue;
        const json& value = doc[block.key];
        if (!value.is_string() ||
            !FromHex(value.get<std::string>(), block.length, state.*block.report)) {
            return Bad(path, std::string("\"") + block.key + "\" must be a string of " +
                                 std::to_string(2 * block.length) + " hex digits");
        }
    }
    if (doc.contains("intervalMinutes")) {
        const json& value = doc["intervalMinutes"];
        if (!value.is_number_integer() || value.get<int64_t>() < LOGGING_INTERVAL_MIN ||
            value.get<int64_t>() > LOGGING_INTERVAL_MAX) {
            return Bad(path, "\"intervalMinutes\" must be a whole number from 5 to 240");
        }
        state.intervalMinutes = static_cast<uint8_t>(value.get<int64_t>());
    }
    if (doc.contains("clockOffsetSeconds")) {
        const json& value = doc["clockOffsetSeconds"];
        if (!value.is_number_integer() || value.get<int64_t>() < -MAX_CLOCK_OFFSET_SECONDS ||
            value.get<int64_t>() > MAX_CLOCK_OFFSET_SECONDS) {
            return Bad(path, "\"clockOffsetSeconds\" must be a whole number of seconds");
        }
        state.clockOffsetSeconds = value.get<int64_t>();
    }
    if (doc.contains("onMainScreen")) {
        const json& value = doc["onMainScreen"];
        if (!value.is_boolean()) return Bad(path, "\"onMainScreen\" must be true or false");
        state.onMainScreen = value.get<bool>();
    }
    return Status::Ok();
}

std::string SystemError(int error) { return std::strerror(error); }

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

SimState DefaultSimState() {
    SimState state;
    for (Report* report :
         {&state.settings, &state.calibration, &state.alarm1, &state.alarm3, &state.alarm4}) {
        report->fill(0);
        (*report)[0] = FRAME_START;
    }
    state.settings[2] = 24;                  // graph span in hours
    PutWord(state.settings, 8, 0x00FFFFFF);  // area 1 shows every channel
    for (size_t i = 3; i <= 6; ++i) state.alarm1[i] = 0xFF;
    for (size_t k = 0; k < 8; ++k) {
        state.alarm3[1 + 4 * k] = 0x01;  // 40.0 °C
        state.alarm3[2 + 4 * k] = 0x90;
        state.alarm3[3 + 4 * k] = 0xFF;  // -10.0 °C
        state.alarm3[4 + 4 * k] = 0x9C;
        state.alarm4[1 + 2 * k] = 90;
        state.alarm4[2 + 2 * k] = 10;
    }
    state.intervalMinutes = 5;
    return state;
}

Status LoadSimState(const std::string& path, SimState& state) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Status::Error("Cannot read the simulated station's state file \"" + path + "\"");
    }
    std::stringstream text;
    text << in.rdbuf();
    const json doc = json::parse(text.str(), nullptr, false);
    if (doc.is_discarded()) return Bad(path, "it is not JSON");
    SimState loaded = state;
    Status status = Apply(path, doc, loaded);
    if (status) state = loaded;
    return status;
}

Status SaveSimState(const std::string& path, const SimState& state) {
    json doc = json::object();
    for (const Block& block : BLOCKS) doc[block.key] = ToHex(state.*block.report, block.length);
    doc["intervalMinutes"] = state.intervalMinutes;
    doc["clockOffsetSeconds"] = state.clockOffsetSeconds;
    doc["onMainScreen"] = state.onMainScreen;
    const std::string text = doc.dump(2) + "\n";

    const std::string failure =
        "Cannot write the simulated station's state file \"" + path + "\": ";
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);

    std::string pattern = path + ".XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return Status::Error(failure + SystemError(errno));
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temp.data());
        return Status::Error(failure + SystemError(written ? errno : writeError));
    }
    if (::rename(temp.data(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temp.data());
        return Status::Error(failure + SystemError(renameError));
    }
    return Status::Ok();
}

}  // namespace corvalin
