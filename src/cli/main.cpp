// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "CliRunner.h"

namespace {
std::atomic<int> interrupted{0};
void OnInterrupt(int signal) { interrupted = signal; }
}  // namespace

int main(int argc, char** argv) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::vector<std::string> args(argv + 1, argv + argc);
    corvalin::cli::Console console{
        std::cout,    std::cerr,
        std::cin,     isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0,
        &interrupted, isatty(STDERR_FILENO) != 0};
    return corvalin::cli::RunCli(args, console);
}
