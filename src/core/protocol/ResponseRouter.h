#pragma once

#include <mutex>

#include "device/DeviceLink.h"
#include "device/DeviceRecord.h"
#include "protocol/DialogCopies.h"
#include "protocol/FileTransferSink.h"

namespace corvalin {

// Pairs each input report with the request it answers, by the pending type in
// force when it arrives, and stores it where it belongs. Runs on the reader
// thread. It stores and decodes an answer completely, then clears the pending
// type, then signals the waiting sender.
class ResponseRouter : public ReportReceiver {
public:
    ResponseRouter(DeviceLink& link, DeviceRecord& record, DialogCopies& copies);

    // The SD-card side; nullptr drops list entries and file content. Once this
    // returns, the previous sink is no longer called.
    void SetFileSink(FileTransferSink* sink);

    void OnReport(const Report& data, size_t length) override;

private:
    void Answered();
    void RouteFileList(const Report& data);
    void RouteFileData(const Report& data);

    DeviceLink& link_;
    DeviceRecord& record_;
    DialogCopies& copies_;
    std::mutex sinkMutex_;
    FileTransferSink* sink_ = nullptr;
};

}  // namespace corvalin
