// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ImportHistoryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

#include "common/Messages.h"
#include "history/ImportReading.h"
#include "history/ImportStaging.h"
#include "store/RecordDatabase.h"

namespace corvalin {

namespace {

// Lines read, staged and stored per step; also how often progress is told.
constexpr size_t CHUNK_ROWS = 16384;
// Beyond this many, failed lines are counted rather than listed one by one.
constexpr size_t LISTED_ROW_FAILURES = 10;
constexpr const char* PREVIOUS_RECORDS_KEPT = "The record database keeps its previous records.";

enum class ReadOutcome { Ok, Unreadable, TooLarge };

ReadOutcome ReadWholeFile(const std::string& path, std::string& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ReadOutcome::Unreadable;
    struct stat info {};
    ReadOutcome outcome = ReadOutcome::Ok;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        outcome = ReadOutcome::Unreadable;
    } else if (static_cast<uint64_t>(info.st_size) > HistoryTable::MAX_FILE_BYTES) {
        outcome = ReadOutcome::TooLarge;
    } else {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) outcome = ReadOutcome::Unreadable;
            if (got <= 0) break;
            done += static_cast<size_t>(got);
        }
        bytes.resize(done);  // the file may have shrunk meanwhile
    }
    close(fd);
    return outcome;
}

// One import from the opened database to the commit or the roll-back. The
// lines are read into the staging file on a thread of their own while this
// thread stores what is staged, so that both cores work.
class ImportRun {
public:
    ImportRun(const std::string& databasePath, const ImportProgress& progress,
              const ImportOptions& options, ImportResult& result)
        : databasePath_(databasePath), progress_(progress), options_(options), result_(result) {}

    void Run() {
        storing_ = Check(database_.Connect(databasePath_) == 0) &&
                   Check(database_.BeginTransaction() == 0) && Check(database_.ClearTables() == 0);
        if (storing_) storing_ = Check(staging_.Create());
        if (storing_) {
            storing_ = Check(database_.Connect(databasePath_) == 0) &&
                       Check(database_.OpenForAppend() == 0);
        }
        if (storing_) {
            std::jthread reader([this](std::stop_token stop) { Stage(stop); });
            Store();
            reader.request_stop();
            reader.join();
            if (!stagingError_.empty()) storing_ = Check(Status::Error(stagingError_));
        }
        if (storing_) storing_ = Check(database_.CloseCursor() == 0);
        Finish();
    }

private:
    bool Check(bool ok) {
        if (!ok) result_.errors.push_back(database_.LastError());
        return ok;
    }
    bool Check(const Status& status) {
        if (!status) result_.errors.push_back(status.message);
        return status.ok;
    }
    void Tell(ImportPhase phase, uint64_t done) const {
        if (progress_) progress_(phase, done, result_.table.RowCount());
    }

    // Reader thread: the table's lines as records, chunk by chunk, into the
    // staging file.
    void Stage(const std::stop_token& stop) {
        const HistoryTable& table = result_.table;
        std::vector<ReadingRecord> records;
        records.reserve(CHUNK_ROWS);
        for (size_t first = 0; first < table.RowCount() && !stop.stop_requested();
             first += CHUNK_ROWS) {
            const size_t last = std::min(first + CHUNK_ROWS, table.RowCount());
            records.clear();
            for (size_t row = first; row < last; ++row) {
                records.push_back(ReadingFromLine(table, row, options_.dateOrder));
            }
            const Status appended = staging_.Append(records);
            std::lock_guard lock(mutex_);
            if (!appended) {
                stagingError_ = appended.message;
                break;
            }
            staged_ = last;
            stagedChanged_.notify_one();
        }
        std::lock_guard lock(mutex_);
        stagingDone_ = true;
        stagedChanged_.notify_one();
    }

    // Waits for the records staged beyond `stored`; false when no more come.
    bool WaitForStaged(uint64_t stored, uint64_t& staged) {
        std::unique_lock lock(mutex_);
        stagedChanged_.wait(lock, [&] { return staged_ > stored || stagingDone_; });
        staged = staged_;
        return staged > stored;
    }

    void Store() {
        std::vector<ReadingRecord> records;
        uint64_t stored = 0;
        uint64_t staged = 0;
        uint64_t told = 0;
        while (storing_ && WaitForStaged(stored, staged)) {
            if (options_.stop && options_.stop()) {
                result_.stopped = true;
                storing_ = Check(Status::Error("The import was stopped."));
                break;
            }
            if (staged > told) Tell(ImportPhase::Reading, told = staged);
            const size_t count =
                static_cast<size_t>(std::min<uint64_t>(CHUNK_ROWS, staged - stored));
            if (!Check(staging_.Read(stored, count, records))) {
                storing_ = false;
                break;
            }
            const auto outcome =
                database_.AppendRecords(records, [&](size_t index, const std::string& message) {
                    RowFailed(stored + index, message);
                });
            result_.rowsStored += outcome.stored;
            if (outcome.stopped) storing_ = Check(false);
            stored += count;
            Tell(ImportPhase::Storing, stored);
        }
    }

    void RowFailed(uint64_t row, const std::string& message) {
        if (++result_.rowsSkipped <= LISTED_ROW_FAILURES) {
            // Line 1 is the header.
            result_.errors.push_back("Line " + std::to_string(row + 2) +
                                     " could not be stored: " + message);
        }
    }

    void Finish() {
        if (result_.rowsSkipped > LISTED_ROW_FAILURES) {
            result_.errors.push_back(std::to_string(result_.rowsSkipped - LISTED_ROW_FAILURES) +
                                     " more lines could not be stored.");
        }
        if (storing_ && Check(database_.CommitTransaction() == 0)) {
            result_.stored = true;
            return;
        }
        if (database_.IsConnected()) {
            database_.RollbackTransaction();
            result_.errors.push_back(PREVIOUS_RECORDS_KEPT);
        }
        result_.rowsStored = 0;
    }

    const std::string& databasePath_;
    const ImportProgress& progress_;
    const ImportOptions& options_;
    ImportResult& result_;
    RecordDatabase database_;
    StagingFile staging_;
    bool storing_ = false;

    // Between the reader thread and this one.
    std::mutex mutex_;
    std::condition_variable stagedChanged_;
    uint64_t staged_ = 0;
    bool stagingDone_ = false;
    std::string stagingError_;
};

}  // namespace

ImportResult ImportHistoryFile(const std::string& localPath, const std::string& fileName,
                               const std::string& databasePath, const ImportProgress& progress,
                               const ImportOptions& options) {
    ImportResult result;
    result.indoorFile = IsIndoorFileName(fileName);
    std::string bytes;
    switch (ReadWholeFile(localPath, bytes)) {
        case ReadOutcome::Unreadable:
            result.errors.push_back(messages::OPEN_ERROR_2);
            return result;
        case ReadOutcome::TooLarge:
            result.errors.push_back(messages::OPEN_ERROR_2);
            result.errors.push_back("The file is larger than 4 GB.");
            return result;
        case ReadOutcome::Ok:
            break;
    }
    result.table = HistoryTable(std::move(bytes), result.indoorFile);
    result.unitText = UnitTextFromHeader(result.table.Header());
    result.fileRead = true;

    RemoveAbandonedStagingFiles();
    ImportRun(databasePath, progress, options, result).Run();
    return result;
}

}  // namespace corvalin
