#pragma once

// Texts the program shows, shared by the window and the command-line tool.
namespace corvalin::messages {

inline constexpr const char* UNCONNECTED = "Unconnected";
inline constexpr const char* CONNECTED = "Connected";
inline constexpr const char* SWITCH_TO_MAIN_SCREEN = "Please switch the device to the main screen.";
inline constexpr const char* SYNC_TIME_QUESTION = "Are you want to Synchronization Time?";
inline constexpr const char* SYNC_TIME_TITLE = "Sync Time";
inline constexpr const char* SYNC_TIME_SUCCESS = "Sync Time Success.";

}  // namespace corvalin::messages
