#include <unistd.h>

#include <csignal>
#include <iostream>

#include "CliRunner.h"

namespace {
std::atomic<bool> interrupted{false};
void OnInterrupt(int) { interrupted = true; }
}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::vector<std::string> args(argv + 1, argv + argc);
    corvalin::cli::Console console{std::cout, std::cerr, std::cin,
                                   isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0,
                                   &interrupted};
    return corvalin::cli::RunCli(args, console);
}
