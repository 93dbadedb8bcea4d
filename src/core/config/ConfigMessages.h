#pragma once

// Texts of the configuration dialogs, shared by the window and the command-line tool.
namespace corvalin::messages {

inline constexpr const char* INTERVAL_RANGE = "Interval Range of values: 5 to 240 Minute";
inline constexpr const char* SET_INTERVAL_SUCCESS = "Set Interval Success.";
inline constexpr const char* TEMP_ERROR = "Temp Error.";
inline constexpr const char* HUMI_ERROR = "Humi Error.";
// printf formats taking the channel number 1 to 8; the leading blank is part of the text.
inline constexpr const char* CALIBRATION_TEMP_OUT_OF_VALUE = " CH%d Temp Out of value.";
inline constexpr const char* CALIBRATION_HUMI_OUT_OF_VALUE = " CH%d Humi Out of value.";

}  // namespace corvalin::messages
