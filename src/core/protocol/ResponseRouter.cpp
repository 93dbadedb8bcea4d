#include "protocol/ResponseRouter.h"

#include <algorithm>
#include <string>

namespace corvalin {

namespace {

// The report's bytes up to the first zero byte.
std::string_view TextOf(const Report& data) {
    const auto* begin = reinterpret_cast<const char*>(data.data());
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    return {begin, static_cast<size_t>(end - data.begin())};
}

}  // namespace

ResponseRouter::ResponseRouter(DeviceLink& link, DeviceRecord& record, DialogCopies& copies)
    : link_(link), record_(record), copies_(copies) {}

void ResponseRouter::SetFileSink(FileTransferSink* sink) {
    std::lock_guard lock(sinkMutex_);
    sink_ = sink;
}

void ResponseRouter::Answered() {
    link_.pendingType = PT_NONE;
    link_.responseEvent.Set();
}

void ResponseRouter::OnReport(const Report& data, size_t /*length: data is zero-padded*/) {
    switch (link_.pendingType.load()) {
        case PT_SETTINGS:
            record_.StoreSettings(data);
            link_.unitFahrenheit = record_.DecodeSettings();
            copies_.settings.settingsCopy.Set(data);
            Answered();
            break;
        case PT_CALIBRATION:
            record_.StoreCalibration(data);
            Answered();
            break;
        case PT_ALARM_1:
        case PT_ALARM_2:
        case PT_ALARM_3:
        case PT_ALARM_4:
            record_.StoreAlarm(link_.pendingType.load() - PT_ALARM_1 + 1, data);
            Answered();
            break;
        case PT_LIVE:
            record_.StoreLive(data);
            Answered();
            break;
        case PT_INTERVAL:
            record_.intervalMinutes = data[1];
            Answered();
            break;
        case PT_SCREEN_STATE:
            record_.notOnMainScreen = data[1];
            copies_.settings.notOnMainScreen = data[1];
            copies_.alarm.notOnMainScreen = data[1];
            copies_.calibration.notOnMainScreen = data[1];
            copies_.history.notOnMainScreen = data[1];
            Answered();
            break;
        case PT_FILE_LIST:
            RouteFileList(data);
            break;
        case PT_FILE_DATA:
            RouteFileData(data);
            break;
        default:
            break;  // nothing is waiting for it: dropped
    }
}

void ResponseRouter::RouteFileList(const Report& data) {
    if (TextOf(data).starts_with("{@}")) {
        Answered();
        return;
    }
    std::lock_guard lock(sinkMutex_);
    if (sink_ != nullptr) sink_->OnFileListEntry(data);
}

void ResponseRouter::RouteFileData(const Report& data) {
    std::string_view text = TextOf(data);
    const size_t close = text.find('}');
    text = close == std::string_view::npos ? std::string_view{} : text.substr(0, close);
    std::string content;
    content.reserve(text.size());
    for (char c : text) {
        if (c != '{' && c != '}') content += c;
    }

    bool last = false;
    {
        std::lock_guard lock(sinkMutex_);
        if (!content.starts_with('@')) {
            if (sink_ != nullptr) sink_->OnFileContent(content);
            return;
        }
        if (sink_ != nullptr) {
            last = sink_->IsLastChunk();
            sink_->OnChunkEnd(last);
        }
    }
    if (last) {
        Answered();
    } else {
        link_.responseEvent.Set();  // the next chunk keeps PT_FILE_DATA
    }
}

}  // namespace corvalin
