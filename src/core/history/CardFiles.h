#pragma once

#include <cstdint>
#include <string>

#include "common/Status.h"
#include "protocol/CommandFrame.h"

namespace corvalin {

inline constexpr const char* MSG_SELECT_A_FILE = "Please select a file";
inline constexpr const char* MSG_OPEN_ERROR_1 = "Open Error1";
inline constexpr const char* MSG_OPEN_ERROR_2 = "Open Error2";
inline constexpr const char* MSG_CREATE_ERROR = "Create Error";
inline constexpr const char* MSG_SIZE_ERROR = " m_FilenameSize Error.";
inline constexpr const char* MSG_NAME_TOO_LONG = "File name too long";
inline constexpr const char* MSG_DOWNLOAD_DONE = "ok...";
inline constexpr const char* MSG_CONFIRM_DELETE = "Are you sure to delete the file?";

// A card file's name becomes a local path: refuse names that could leave the
// data folder or that no file system entry can hold.
Status CheckLocalFileName(const std::string& name);

// CMD_FILE_GET for the bytes [start, end) of a file; the name must fit (52 bytes).
CommandFrame MakeFileGetFrame(const std::string& name, uint32_t start, uint32_t end);
// CMD_DELETE_FILE; the name must fit (60 bytes).
CommandFrame MakeDeleteFileFrame(const std::string& name);
constexpr size_t MAX_DELETE_NAME_BYTES = REPORT_SIZE - 4;

}  // namespace corvalin
