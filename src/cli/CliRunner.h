// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace corvalin::cli {

// Exit statuses of corvalin-cli.
enum ExitCode : int {
    EXIT_DONE = 0,
    EXIT_FAILED = 1,       // refused or failed; the message is on stderr
    EXIT_USAGE = 2,        // wrong usage
    EXIT_UNCONNECTED = 3,  // no station found, or lost during the command
};

// The exit status of a command stopped by `signal`: 128 + its number (130 for
// Ctrl-C, 143 for SIGTERM), as the shell reports a program killed by it.
inline int ExitForSignal(int signal) { return 128 + signal; }

// Where the tool reads and writes; tests pass string streams.
struct Console {
    std::ostream& out;  // the result
    std::ostream& err;  // why it failed, and notes
    std::istream& in;
    bool interactive = false;  // a person at a terminal can answer questions
    // The signal (SIGINT, SIGTERM) that asks the running command to stop;
    // 0 while none came.
    std::atomic<int>* interrupted = nullptr;
    // stderr is a terminal: progress bars are drawn there.
    bool progress = false;
    // Where what is neither the result nor an error goes (progress bars,
    // --trace, questions beside JSON); nullptr: err.
    std::ostream* side = nullptr;

    int Interruption() const { return interrupted != nullptr ? interrupted->load() : 0; }
    std::ostream& Side() const { return side != nullptr ? *side : err; }
};

// Runs corvalin-cli with the arguments after the program name. With --json,
// a command that fails without printing a result prints
// {"error": MESSAGE, "exitStatus": N} on `out` (the message stays on `err`).
int RunCli(const std::vector<std::string>& args, Console& console);

}  // namespace corvalin::cli
