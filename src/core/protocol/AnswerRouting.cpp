// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/AnswerRouting.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace corvalin {

namespace {

// The report's bytes up to the first zero byte.
std::string_view TextOf(const Report& data) {
    const auto* begin = reinterpret_cast<const char*>(data.data());
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    return {begin, static_cast<size_t>(end - data.begin())};
}

Routed RouteFileList(const Report& data, FileTransferSink* sink) {
    const std::string_view text = TextOf(data);
    if (text.starts_with("{@}")) return Routed::Complete;
    // An entry is "{" NAME "," and the size; anything else names no file.
    if (!text.starts_with('{') || text.find(',') == std::string_view::npos) {
        return Routed::Mismatched;
    }
    if (sink != nullptr) sink->OnFileListEntry(data);
    return Routed::Stored;
}

Routed RouteFileData(const Report& data, FileTransferSink* sink) {
    // The content is what precedes the first "}", without any "{".
    std::string_view text = TextOf(data);
    const size_t close = text.find('}');
    text = close == std::string_view::npos ? std::string_view{} : text.substr(0, close);
    std::string content;
    content.reserve(text.size());
    for (char c : text) {
        if (c != '{') content += c;
    }
    if (!content.starts_with('@')) {
        if (sink != nullptr) sink->OnFileContent(content);
        return Routed::Stored;
    }
    bool last = false;
    if (sink != nullptr) {
        last = sink->IsLastChunk();
        sink->OnChunkEnd(last);
    }
    return last ? Routed::Complete : Routed::ChunkEnd;
}

}  // namespace

Routed RouteAnswer(int32_t pending, const Report& data, DeviceRecord& record,
                   FileTransferSink* sink) {
    switch (pending) {
        case PT_SETTINGS:
            record.StoreSettings(data);
            return Routed::Complete;
        case PT_CALIBRATION:
            record.StoreCalibration(data);
            return Routed::Complete;
        case PT_ALARM_1:
        case PT_ALARM_2:
        case PT_ALARM_3:
        case PT_ALARM_4:
            record.StoreAlarm(pending - PT_ALARM_1 + 1, data);
            return Routed::Complete;
        case PT_LIVE:
            record.StoreLive(data);
            return Routed::Complete;
        case PT_INTERVAL:
            if (data[1] < LOGGING_INTERVAL_MIN || data[1] > LOGGING_INTERVAL_MAX) {
                return Routed::Mismatched;
            }
            record.intervalMinutes = data[1];
            return Routed::Complete;
        case PT_SCREEN_STATE:
            if (data[1] > 1) return Routed::Mismatched;
            record.notOnMainScreen = data[1];
            return Routed::Complete;
        case PT_FILE_LIST:
            return RouteFileList(data, sink);
        case PT_FILE_DATA:
            return RouteFileData(data, sink);
        default:
            return Routed::Dropped;
    }
}

}  // namespace corvalin
