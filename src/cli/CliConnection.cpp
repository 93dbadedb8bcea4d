#include "CliConnection.h"

#include <mutex>
#include <ostream>

#include "protocol/CommandFrame.h"
#include "protocol/Messages.h"

namespace corvalin::cli {

int OpenStation(const StationArguments& arguments, const OutputFlags& flags, Console& console,
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

    if (flags.trace) {
        // Written from the sending threads and the reader thread.
        auto lock = std::make_shared<std::mutex>();
        std::ostream& err = console.err;
        session->link().SetTrace([lock, &err](char direction, const Report& data) {
            std::lock_guard guard(*lock);
            err << direction << ' ' << HexBytes(data) << '\n' << std::flush;
        });
    }

    if (!session->link().OpenDevice()) {
        console.err << messages::UNCONNECTED << "\n";
        const std::string why = session->link().LastOpenError();
        if (!why.empty()) console.err << why << "\n";
        return EXIT_UNCONNECTED;
    }
    return EXIT_DONE;
}

std::string StationDescription(StationSession& session) {
    if (session.simulated()) return "simulated station";
    return "station at " + session.link().DevicePath();
}

}  // namespace corvalin::cli
