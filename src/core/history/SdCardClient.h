// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/Status.h"
#include "history/FileList.h"
#include "protocol/FileTransferSink.h"

namespace corvalin {
class LocalCopy;
class StationChannel;
}  // namespace corvalin

namespace corvalin {

struct DownloadCallbacks {
    // Content bytes received so far against the bytes this transfer fetches.
    // Called on the reader thread.
    std::function<void(uint64_t received, uint64_t total)> progress;
    // The last chunk's end marker came. Called on the reader thread.
    std::function<void()> finished;
    // Asked between and during chunks: true ends the transfer (Ctrl-C).
    std::function<bool()> stop;
};

struct DownloadResult {
    bool ok = false;
    bool stopped = false;   // ended on request; the local copy is a valid prefix
    std::string message;    // why it failed
    std::string localPath;  // the local copy
    uint64_t bytesFetched = 0;
    uint64_t resumedFrom = 0;  // bytes the local copy already held
    double seconds = 0;
};

// The SD-card side of a station session: the file list, the chunked download
// into a local copy in the data folder (fetching only what the copy lacks),
// and the deletion of card files. It receives the list and data reports from
// the router while it exists. One operation at a time.
class SdCardClient : public FileTransferSink {
public:
    SdCardClient(StationChannel& channel, std::string dataDir);
    ~SdCardClient() override;

    SdCardClient(const SdCardClient&) = delete;
    SdCardClient& operator=(const SdCardClient&) = delete;

    // Asks for the list; returns the entries that came within the wait.
    // Later entries still reach listing().
    std::vector<FileEntry> RequestFileList();
    // The list's end came in time, and no report went astray on the way.
    bool ListComplete() const { return listComplete_; }
    const FileListing& listing() const { return listing_; }

    // Brings the local copy of `name` (as shown: UTF-8) up to the card's
    // size. One transfer per copy at a time, across programs. A failed transfer
    // leaves the local copy as it was before (or none, if it had none); a
    // stopped one keeps the chunks that came whole, which a later download
    // completes.
    DownloadResult Download(const std::string& name, const DownloadCallbacks& callbacks = {});

    // Deletes the file on the card and its local copy. Only when the
    // station took the delete does the local copy go.
    Status DeleteFile(const std::string& name);

    std::string LocalPath(const std::string& name) const;
    const std::string& dataDir() const { return dataDir_; }

    // Router side (reader thread).
    void OnFileListEntry(const Report& data) override;
    void OnFileContent(std::string_view content) override;
    bool IsLastChunk() const override { return lastChunk_.load(); }
    void OnChunkEnd(bool lastChunk) override;

private:
    void SetTarget(LocalCopy* file, uint64_t total, const DownloadCallbacks* callbacks);

    StationChannel& channel_;
    std::string dataDir_;
    FileListing listing_;
    bool listComplete_ = false;

    std::mutex targetMutex_;  // the open local copy and the callbacks
    LocalCopy* file_ = nullptr;
    const DownloadCallbacks* callbacks_ = nullptr;
    uint64_t total_ = 0;
    uint64_t transferred_ = 0;
    bool writeFailed_ = false;

    std::atomic<uint64_t> chunkBytesReceived_{0};
    std::atomic<bool> lastChunk_{false};
};

}  // namespace corvalin
