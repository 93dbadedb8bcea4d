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
    EXIT_UNCONNECTED = 3,  // no station found
};

// Where the tool reads and writes; tests pass string streams.
struct Console {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool interactive = false;  // a person at a terminal can answer questions
    // Set (e.g. by SIGINT) to end --watch.
    std::atomic<bool>* interrupted = nullptr;
};

// Runs corvalin-cli with the arguments after the program name.
int RunCli(const std::vector<std::string>& args, Console& console);

}  // namespace corvalin::cli
