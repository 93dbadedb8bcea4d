// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts the program shows, shared by the window, the command-line tool and
// the core that returns them. Texts taken over from the station's original
// software keep their spelling and leading blanks.
namespace corvalin::messages {

// Connection and clock.
inline constexpr const char* UNCONNECTED = "Unconnected";
inline constexpr const char* CONNECTED = "Connected";
inline constexpr const char* SWITCH_TO_MAIN_SCREEN = "Please switch the device to the main screen.";
inline constexpr const char* SYNC_TIME_QUESTION = "Are you want to Synchronization Time?";
inline constexpr const char* SYNC_TIME_TITLE = "Sync Time";
inline constexpr const char* SYNC_TIME_SUCCESS = "Sync Time Success.";
inline constexpr const char* CLOCK_OUT_OF_RANGE =
    "The station's clock holds the years 2000 to 2099 only; nothing was sent.";

// Answers that did not come.
inline constexpr const char* NO_ANSWER = "The station did not answer.";
inline constexpr const char* NO_ANSWER_NOTHING_WRITTEN =
    "The station did not answer; nothing was written.";
inline constexpr const char* UNPAIRED_ANSWERS =
    "The station sent reports that answer no request, so its answers cannot be trusted.";
inline constexpr const char* INCOMPLETE_READ =
    "The station did not answer the last read: nothing of it is shown, and nothing can be "
    "saved.";

// Configuration.
inline constexpr const char* INTERVAL_RANGE = "Interval Range of values: 5 to 240 Minute";
inline constexpr const char* SET_INTERVAL_SUCCESS = "Set Interval Success.";
inline constexpr const char* TEMP_ERROR = "Temp Error.";
inline constexpr const char* HUMI_ERROR = "Humi Error.";
// printf formats taking the channel number 1 to 8; the leading blank is part of the text.
inline constexpr const char* CALIBRATION_TEMP_OUT_OF_VALUE = " CH%d Temp Out of value.";
inline constexpr const char* CALIBRATION_HUMI_OUT_OF_VALUE = " CH%d Humi Out of value.";

// SD card.
inline constexpr const char* SELECT_A_FILE = "Please select a file";
inline constexpr const char* OPEN_ERROR_1 = "Open Error1";
inline constexpr const char* OPEN_ERROR_2 = "Open Error2";
inline constexpr const char* CREATE_ERROR = "Create Error";
inline constexpr const char* SIZE_ERROR = " m_FilenameSize Error.";
inline constexpr const char* NAME_TOO_LONG = "File name too long";
inline constexpr const char* DOWNLOAD_DONE = "ok...";
inline constexpr const char* CONFIRM_DELETE = "Are you sure to delete the file?";

// Graph.
inline constexpr const char* TIME_ERROR = "Time Error.";
inline constexpr const char* UNKNOWN_IMAGE_TYPE =
    "Unknown image type: the file name must end in .png, .svg or .pdf";

}  // namespace corvalin::messages
