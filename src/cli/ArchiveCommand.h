// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "archive/ArchiveDatabase.h"
#include "sharedarchive/PgConnection.h"

namespace corvalin::cli {

// The options of `archive` and its subcommands, which fall through to it.
struct ArchiveOptions {
    std::string from;
    std::string to;
    std::vector<int> channels;
    std::string station;
    std::string format = "csv";
    int64_t interval = 0;  // gaps: 0 takes the logger's
    std::string cardTime = "computer";
    std::string server;  // the shared archive's server instead of the local archive
    std::string serverPasswordFile;
};

std::string ArchivePath(const CommandContext& context);
// Opens the archive the logger writes; never makes one where there is none.
// Nothing, with the reason printed, when it cannot.
std::unique_ptr<ArchiveDatabase> OpenExistingArchive(const CommandContext& context);

// Connects to the shared archive's server that --server names, with the
// password of --server-password-file. Nothing, with the reason printed and
// `failed` set to the exit status, when it cannot.
std::unique_ptr<PgConnection> ConnectArchiveServer(CommandContext& context,
                                                   const ArchiveOptions& options, int& failed);
// Prints why the shared archive could not be read (nothing after Ctrl-C);
// the exit status.
int SharedArchiveFailed(CommandContext& context, const ArchiveOptions& options,
                        const std::string& error);

// `archive days` and `archive records`: the summaries the logger's page shows.
void AddArchiveSummaryCommands(CLI::App& archive, CommandContext& context,
                               std::shared_ptr<ArchiveOptions> options);

}  // namespace corvalin::cli
