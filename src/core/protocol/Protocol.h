// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every constant of the station's USB protocol, named once.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "device/Report.h"

namespace corvalin {

constexpr uint8_t FRAME_START = 0x7B;  // '{'
constexpr uint8_t FRAME_AT = 0x40;     // '@'
constexpr uint8_t FRAME_END = 0x7D;    // '}'

// Command codes.
constexpr uint8_t CMD_FILE_LIST = 0x01;
constexpr uint8_t CMD_FILE_GET = 0x02;
constexpr uint8_t CMD_READ_LIVE = 0x03;
constexpr uint8_t CMD_READ_SETTINGS = 0x04;
constexpr uint8_t CMD_READ_CALIBRATION = 0x05;
constexpr uint8_t CMD_READ_ALARM_1 = 0x06;
constexpr uint8_t CMD_READ_ALARM_3 = 0x08;
constexpr uint8_t CMD_READ_ALARM_4 = 0x09;
constexpr uint8_t CMD_WRITE_SETTINGS = 0x10;
constexpr uint8_t CMD_WRITE_CALIBRATION = 0x11;
constexpr uint8_t CMD_WRITE_ALARM_1 = 0x12;
constexpr uint8_t CMD_WRITE_ALARM_3 = 0x14;
constexpr uint8_t CMD_WRITE_ALARM_4 = 0x15;
constexpr uint8_t CMD_DELETE_FILE = 0x20;
constexpr uint8_t CMD_COMMIT = 0x2F;
constexpr uint8_t CMD_SET_TIME = 0x30;
constexpr uint8_t CMD_SET_INTERVAL = 0x40;
constexpr uint8_t CMD_READ_INTERVAL = 0x41;
constexpr uint8_t CMD_SCREEN_STATE = 0x51;

// Payload lengths of the commands that carry one; the terminator follows the payload.
constexpr size_t SETTINGS_PAYLOAD_SIZE = 27;     // frame bytes 2..28
constexpr size_t CALIBRATION_PAYLOAD_SIZE = 24;  // frame bytes 2..25
constexpr size_t ALARM_1_PAYLOAD_SIZE = 6;       // frame bytes 2..7
constexpr size_t ALARM_3_PAYLOAD_SIZE = 32;      // frame bytes 2..33
constexpr size_t ALARM_4_PAYLOAD_SIZE = 16;      // frame bytes 2..17
constexpr size_t TIME_PAYLOAD_SIZE = 8;          // frame bytes 2..9
constexpr size_t INTERVAL_PAYLOAD_SIZE = 1;      // frame byte 2

// What the next input report answers.
enum PendingType : int32_t {
    PT_NONE = 0,
    PT_SETTINGS = 1,
    PT_CALIBRATION = 3,
    PT_ALARM_1 = 4,
    PT_ALARM_2 = 5,
    PT_ALARM_3 = 6,
    PT_ALARM_4 = 7,
    PT_LIVE = 8,
    PT_FILE_LIST = 9,
    PT_FILE_DATA = 10,
    PT_INTERVAL = 11,
    PT_SCREEN_STATE = 12,
    PT_NO_REPLY = 19,
};

// Wire values meaning "no reading".
constexpr uint8_t NO_HUMIDITY_BYTE = 0xFF;
constexpr uint16_t NO_TEMPERATURE_WORD = 0xFFFF;
constexpr uint16_t NO_TEMPERATURE_WORD_ALT = 0x7FFF;

// The years the station's clock holds.
constexpr int STATION_YEAR_MIN = 2000;
constexpr int STATION_YEAR_MAX = 2099;

// The logging intervals the station takes, in minutes.
constexpr int LOGGING_INTERVAL_MIN = 5;
constexpr int LOGGING_INTERVAL_MAX = 240;

// SD-card transfer.
constexpr uint32_t CHUNK_SIZE = 4096;
constexpr size_t MAX_FILE_NAME_BYTES = 52;    // longest name a CMD_FILE_GET frame can carry
constexpr size_t MAX_FILE_DATA_CONTENT = 62;  // content bytes in one file-data report

// Time-outs of the exchange patterns.
using Millis = std::chrono::milliseconds;
constexpr Millis GUARD_PAUSE{50};         // after each frame of a guarded write
constexpr Millis SETTINGS_WAIT{5000};     // pattern A, CMD_READ_SETTINGS, before and after
constexpr Millis SHORT_WAIT{2000};        // pattern A, interval, calibration, live; file list after
constexpr Millis FILE_WAIT{3000};         // file list before; each file chunk before and after
constexpr Millis ALARM_WAIT{1000};        // pattern B, each wait
constexpr Millis GUARD_FIRST_WAIT{5000};  // pattern C, before the screen-state query
constexpr Millis SCREEN_ANSWER_WAIT{1000};  // pattern C and D, for the screen-state answer
constexpr Millis CLOCK_FIRST_WAIT{3000};    // pattern D, before the screen-state query
constexpr Millis SINGLE_WAIT{1000};         // pattern E, before and after
constexpr Millis DELETE_FIRST_WAIT{3000};   // delete, before
constexpr Millis DELETE_FINAL_WAIT{500};    // delete, after
// After a read cycle: answers still trailing (a stray report took the place
// of one) arrive within this quiet time.
constexpr Millis SETTLE_QUIET{30};
constexpr Millis SETTLE_LIMIT{300};

}  // namespace corvalin
