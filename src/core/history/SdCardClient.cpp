// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SdCardClient.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/Messages.h"
#include "history/CardFileNames.h"
#include "history/LocalCopy.h"
#include "protocol/CardFrames.h"
#include "protocol/StationChannel.h"

namespace corvalin {

namespace fs = std::filesystem;

namespace {

std::string Range(uint32_t start, uint32_t end) {
    return "bytes " + std::to_string(start) + " to " + std::to_string(end);
}

}  // namespace

SdCardClient::SdCardClient(StationChannel& channel, std::string dataDir)
    : channel_(channel), dataDir_(std::move(dataDir)) {
    channel_.SetFileSink(this);
}

SdCardClient::~SdCardClient() { channel_.SetFileSink(nullptr); }

std::string SdCardClient::LocalPath(const std::string& name) const {
    return (fs::path(dataDir_) / name).string();
}

std::vector<FileEntry> SdCardClient::RequestFileList() {
    const DeviceLock::Hold held = channel_.HoldStation();
    listing_.Clear();
    channel_.BeginSequence();
    const bool ended =
        channel_.Request(MakeCommandFrame(CMD_FILE_LIST), PT_FILE_LIST, FILE_WAIT, SHORT_WAIT);
    channel_.Settle();
    listComplete_ = ended && channel_.AllReportsPaired() && channel_.StillConnected();
    return listing_.Entries();
}

void SdCardClient::SetTarget(LocalCopy* file, uint64_t total, const DownloadCallbacks* callbacks) {
    std::lock_guard lock(targetMutex_);
    file_ = file;
    total_ = total;
    transferred_ = 0;
    writeFailed_ = false;
    callbacks_ = callbacks;
}

DownloadResult SdCardClient::Download(const std::string& name, const DownloadCallbacks& callbacks) {
    const DeviceLock::Hold held = channel_.HoldStation();
    const auto began = std::chrono::steady_clock::now();
    DownloadResult result;
    auto fail = [&](std::string message) {
        result.message = std::move(message);
        return result;
    };
    if (name.empty()) return fail(messages::SELECT_A_FILE);
    if (Status safe = CheckLocalFileName(name); !safe) return fail(safe.message);
    // The card knows the file by its own bytes; the user by their UTF-8 form.
    const std::optional<FileEntry> entry = listing_.FindShown(name);
    const std::string cardName = entry ? entry->name : name;
    if (cardName.size() > MAX_FILE_NAME_BYTES) return fail(messages::NAME_TOO_LONG);
    if (!channel_.IsConnected()) return fail(messages::UNCONNECTED);

    Result<std::unique_ptr<LocalCopy>> locked = LocalCopy::Lock(dataDir_, name);
    if (!locked) return fail(locked.error);
    LocalCopy& copy = **locked.value;
    if (Status opened = copy.OpenForWriting(); !opened) return fail(opened.message);
    if (!entry) {
        copy.Restore();
        return fail(messages::SIZE_ERROR);
    }
    const uint32_t deviceSize = entry->size;

    // A copy longer than the card's file is out of step with it: fetch the
    // whole file again, beside the old copy, which stays until the new one is complete.
    uint64_t offset = copy.OriginalLength();
    if (!copy.Created() && offset > deviceSize) {
        if (Status opened = copy.OpenReplacement(); !opened) return fail(opened.message);
        offset = 0;
    }
    result.resumedFrom = offset;

    SetTarget(&copy, deviceSize - offset, &callbacks);
    lastChunk_ = false;
    bool last = false;
    bool stopped = false;
    std::string failure;
    while (!last) {
        if (callbacks.stop && callbacks.stop()) {
            stopped = true;
            break;
        }
        chunkBytesReceived_ = 0;
        uint64_t end = offset + CHUNK_SIZE;
        uint64_t length = CHUNK_SIZE;
        if (end >= deviceSize) {
            end = deviceSize;
            length = deviceSize - offset;
            lastChunk_ = true;
            last = true;
        }
        const bool answered = channel_.RequestChunk(
            MakeFileGetFrame(cardName, static_cast<uint32_t>(offset), static_cast<uint32_t>(end)),
            callbacks.stop);
        if (!answered && callbacks.stop && callbacks.stop()) {
            stopped = true;
            break;
        }
        bool writeFailed;
        {
            std::lock_guard lock(targetMutex_);
            writeFailed = writeFailed_;
        }
        if (!answered) {
            failure = "no end of the chunk came for the " + Range(offset, end) + ".";
        } else if (chunkBytesReceived_ != length) {
            failure = std::to_string(chunkBytesReceived_.load()) + " of " + std::to_string(length) +
                      " bytes came for the " + Range(offset, end) + ".";
        } else if (writeFailed) {
            failure = "the local copy could not be written.";
        }
        if (!failure.empty()) break;
        result.bytesFetched += length;
        offset = end;
        if (!last) std::this_thread::sleep_for(WRITE_PAUSE);
    }
    channel_.EndChunks();            // late data reports are dropped
    SetTarget(nullptr, 0, nullptr);  // the reader no longer touches the file

    if (stopped) {
        // What came in whole chunks stays: a later download goes on from there.
        const bool replacing = copy.Replacing();
        copy.KeepPrefix(offset);
        result.stopped = true;
        result.bytesFetched = replacing ? 0 : offset - copy.OriginalLength();
        const uint64_t held = replacing ? copy.OriginalLength() : offset;
        return fail("The download of " + name + " was stopped; the local copy holds " +
                    std::to_string(held) + " bytes.");
    }
    if (failure.empty()) {
        if (Status completed = copy.Complete(); !completed) failure = completed.message;
    }
    if (!failure.empty()) {
        copy.Restore();
        result.bytesFetched = 0;
        return fail("The download of " + name + " failed: " + failure);
    }
    result.ok = true;
    result.localPath = LocalPath(name);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return result;
}

Status SdCardClient::DeleteFile(const std::string& name) {
    const DeviceLock::Hold held = channel_.HoldStation();
    if (name.empty()) return Status::Error(messages::SELECT_A_FILE);
    // The local copy goes too, so the name must be one the data folder can hold.
    if (Status safe = CheckLocalFileName(name); !safe) return safe;
    const std::optional<FileEntry> entry = listing_.FindShown(name);
    const std::string cardName = entry ? entry->name : name;
    if (cardName.size() > MAX_DELETE_NAME_BYTES) return Status::Error(messages::NAME_TOO_LONG);

    Result<std::unique_ptr<LocalCopy>> locked = LocalCopy::Lock(dataDir_, name);
    if (!locked) return Status::Error(locked.error);
    LocalCopy& copy = **locked.value;
    if (Status removable = copy.CheckRemovable(); !removable) return removable;

    // Not answered: only the link can tell that it went out.
    if (!channel_.SendUnanswered(MakeDeleteFileFrame(cardName), DELETE_FIRST_WAIT,
                                 DELETE_FINAL_WAIT)) {
        return Status::Error(messages::UNCONNECTED);
    }
    copy.Remove();
    return Status::Ok();
}

void SdCardClient::OnFileListEntry(const Report& data) { listing_.Add(ParseFileListLine(data)); }

void SdCardClient::OnFileContent(std::string_view content) {
    chunkBytesReceived_ += content.size();
    std::lock_guard lock(targetMutex_);
    if (file_ == nullptr) return;
    if (!content.empty() && !file_->Append(content)) {
        writeFailed_ = true;
    }
    transferred_ += content.size();
    if (callbacks_ != nullptr && callbacks_->progress) callbacks_->progress(transferred_, total_);
}

void SdCardClient::OnChunkEnd(bool lastChunk) {
    if (!lastChunk) return;
    std::lock_guard lock(targetMutex_);
    if (callbacks_ != nullptr && callbacks_->finished) callbacks_->finished();
}

}  // namespace corvalin
