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

#include "common/LargePages.h"
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

// Lines looked at per step while looking for the first reading.
constexpr size_t LINES_PER_LOOK = 256;

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
        bytes.reserve(static_cast<size_t>(info.st_size));
        PreferLargePages(bytes.data(), bytes.capacity());
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

// One import from opening the database to the commit or the roll-back. A
// reading thread finds the file's lines, turns them into rows ready to
// store and puts them in the staging file, while this thread prepares the
// database and then stores what is staged: both cores work, and the
// database's single writer does nothing but store.
class ImportRun {
public:
    ImportRun(const std::string& databasePath, const ImportProgress& progress,
              const ImportOptions& options, ImportResult& result)
        : databasePath_(databasePath), progress_(progress), options_(options), result_(result) {}

    void Run() {
        {
            std::jthread reader([this](std::stop_token stop) { Stage(stop); });
            storing_ = Check(database_.Connect(databasePath_) == 0) &&
                       Check(database_.BeginTransaction() == 0) &&
                       Check(database_.ClearTables() == 0) && Check(database_.OpenForAppend() == 0);
            if (storing_) Store();
            reader.request_stop();
        }
        // A staging failure counts only while storing was still going on.
        if (storing_ && !stagingError_.empty()) storing_ = Check(Status::Error(stagingError_));
        if (storing_) storing_ = Check(database_.CloseCursor() == 0);
        // The table shows the whole file, however far the reading got.
        result_.table.IndexLines(result_.table.LineCount());
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
        if (progress_) progress_(phase, done, lines_);
    }

    // Reading thread: the table's lines, chunk by chunk, found, read and
    // staged as rows ready to store. Only this thread touches the table
    // until it is joined.
    void Stage(const std::stop_token& stop) {
        HistoryTable& table = result_.table;
        std::vector<StoredRow> rows;
        rows.reserve(CHUNK_ROWS);
        Status staged = staging_.Create();
        for (size_t first = 0; staged && first < lines_ && !stop.stop_requested();) {
            const size_t last = table.IndexLines(CHUNK_ROWS);
            if (last == first) break;  // the file held fewer lines than counted
            rows.clear();
            for (size_t row = first; row < last; ++row) {
                rows.push_back(StoredRowFromLine(table, row, options_.dateOrder));
            }
            staged = staging_.Append(rows);
            if (staged) {
                std::lock_guard lock(mutex_);
                staged_ = first = last;
                stagedChanged_.notify_one();
            }
        }
        std::lock_guard lock(mutex_);
        if (!staged) stagingError_ = staged.message;
        stagingDone_ = true;
        stagedChanged_.notify_one();
    }

    // Waits for the rows staged beyond `stored`; false when no more come.
    bool WaitForStaged(uint64_t stored, uint64_t& staged) {
        std::unique_lock lock(mutex_);
        stagedChanged_.wait(lock, [&] { return staged_ > stored || stagingDone_; });
        staged = staged_;
        return staged > stored;
    }

    void Store() {
        std::vector<StoredRow> rows;
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
            if (!Check(staging_.Read(stored, count, rows))) {
                storing_ = false;
                break;
            }
            const auto outcome =
                database_.AppendRows(rows, [&](size_t index, const std::string& message) {
                    RowFailed(stored + index, message);
                });
            staging_.Release(stored, count);
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
    const uint64_t lines_ = result_.table.LineCount();
    RecordDatabase database_;
    StagingFile staging_;
    bool storing_ = false;

    // Between the reading thread and this one.
    std::mutex mutex_;
    std::condition_variable stagedChanged_;
    uint64_t staged_ = 0;
    bool stagingDone_ = false;
    std::string stagingError_;
};

// True when some data line's time is a date and time: the line is a
// reading (a time of day alone is none). A log's first line is one, so this
// usually looks at one line.
bool HoldsAReading(HistoryTable& table, DateOrder order) {
    for (size_t row = 0;;) {
        const size_t indexed = table.IndexLines(LINES_PER_LOOK);
        if (indexed == row) return false;  // every line looked at
        for (; row < indexed; ++row) {
            const LogTime time =
                ParseLogTime(table.Field(row, 0).value_or(std::string_view{}), order);
            if (time.kind == LogTime::Kind::Time && time.time != CivilTime{}) return true;
        }
    }
}

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
    result.table = HistoryTable::Unindexed(std::move(bytes), result.indoorFile);
    result.unitText = UnitTextFromHeader(result.table.Header());
    result.fileRead = true;
    if (options.requireReading && !HoldsAReading(result.table, options.dateOrder)) {
        result.noReading = true;
        result.errors.push_back(
            "No line of the file is a reading (a date and time, then the "
            "values): it is no log of the station. Nothing was imported.");
        result.errors.push_back(PREVIOUS_RECORDS_KEPT);
        return result;
    }

    RemoveAbandonedStagingFiles();
    ImportRun(databasePath, progress, options, result).Run();
    return result;
}

}  // namespace corvalin
