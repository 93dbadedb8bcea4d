// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliConnection.h"

#include <mutex>
#include <ostream>

#include "common/Messages.h"

namespace corvalin::cli {

int CreateSession(const StationArguments& arguments, Console& console,
                  std::unique_ptr<StationSession>& session) {
    Result<ConnectionOptions> options = MakeConnectionOptions(arguments);
    if (!options) {
        console.err << options.error << "\n";
        return EXIT_USAGE;
    }
    auto created = StationSession::Create(*options);
    if (!created) {
        console.err << created.error << "\n";
        return EXIT_FAILED;
    }
    session = std::move(*created.value);
    return EXIT_DONE;
}

int OpenStation(const StationArguments& arguments, const OutputFlags& flags, Console& console,
                std::unique_ptr<StationSession>& session, bool sayUnconnected) {
    if (const int failed = CreateSession(arguments, console, session); failed != EXIT_DONE) {
        return failed;
    }
    // A command runs once: it stops at the first answer that does not come.
    session->SetOneShot(true);

    if (flags.trace) {
        // Written from the sending threads and the reader thread.
        auto lock = std::make_shared<std::mutex>();
        std::ostream& err = console.Side();
        session->SetTrace([lock, &err](char direction, const std::string& hex) {
            std::lock_guard guard(*lock);
            err << direction << ' ' << hex << '\n' << std::flush;
        });
    }

    if (!session->Open()) {
        // Several stations and no word which: the command line has to say.
        if (!session->StationsToChooseFrom().empty()) {
            console.err << session->OpenError() << "\n";
            return EXIT_USAGE;
        }
        if (sayUnconnected) console.err << messages::UNCONNECTED << "\n";
        const std::string why = session->OpenError();
        if (!why.empty()) console.err << why << "\n";
        return EXIT_UNCONNECTED;
    }
    for (const std::string& note : session->OpenNotes()) console.err << note << "\n";
    return EXIT_DONE;
}

}  // namespace corvalin::cli
