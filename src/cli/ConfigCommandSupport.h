// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "Commands.h"
#include "config/ConfigSave.h"

namespace corvalin::cli {

// Opens the station and runs one read cycle, so that what the configuration
// commands show or change is the station's current state; the live readings
// are copied for the calibration checks as the window does when its dialog
// opens. EXIT_DONE with `session` set, or the exit status to end with.
int OpenAndReadStation(const CommandContext& context, std::unique_ptr<StationSession>& session);

// The station went away during the command: "Unconnected", EXIT_UNCONNECTED.
int Unconnected(Console& console);
// Why a read came back without the blocks a command needs.
const char* NoAnswerMessage(const ReadCycleAnswers& read);

// A message of the window's own (" m_FilenameSize Error.", "Humi Error.")
// with what it means said after it; other messages as they are.
std::string ExplainedForTheTerminal(const std::string& message);

// Prints a Save's message; the exit status: 0 written, 1 refused, 3 unconnected.
int ReportSave(const SaveOutcome& outcome, Console& console);

// Prints a usage error; EXIT_USAGE.
int UsageError(const std::string& message, Console& console);

// Right-aligns `text` in `width` columns (the texts are ASCII).
std::string PadLeft(const std::string& text, size_t width);
std::string PadRight(const std::string& text, size_t width);
// The text of an edit box without the blanks around it.
std::string TrimmedText(const std::string& text);

}  // namespace corvalin::cli
