// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/StationProbe.h"

#include <algorithm>
#include <chrono>

#include "protocol/AnswerRouting.h"
#include "protocol/CommandFrame.h"

namespace corvalin {

StationAnswer AskWhetherStation(TransportHandle& handle, Millis wait) {
    const CommandFrame frame = MakeCommandFrame(CMD_READ_INTERVAL);
    uint8_t wire[WIRE_REPORT_SIZE] = {0};  // the report id 0 first
    std::copy(frame.begin(), frame.end(), wire + 1);
    if (handle.Write(wire, sizeof wire) <= 0) return StationAnswer::Silent;

    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + wait;
    DeviceRecord scratch;
    for (auto left = wait; left.count() > 0;
         left = std::chrono::duration_cast<Millis>(until - Clock::now())) {
        Report data{};
        const int received = handle.Read(data.data(), data.size(), static_cast<int>(left.count()));
        if (received < 0) return StationAnswer::Silent;
        if (received != static_cast<int>(REPORT_SIZE)) continue;
        if (RouteAnswer(PT_INTERVAL, data, scratch, nullptr) == Routed::Complete) {
            return StationAnswer::Answered;
        }
    }
    return StationAnswer::Silent;
}

}  // namespace corvalin
