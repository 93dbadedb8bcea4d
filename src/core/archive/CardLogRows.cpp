// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/CardLogRows.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/NumberText.h"
#include "history/ImportHeader.h"
#include "history/LogLine.h"

namespace corvalin {

namespace {

constexpr size_t READ_BLOCK = 1 << 20;
constexpr size_t ROWS_PER_BATCH = 50000;
constexpr size_t MAX_HEADER = 4096;

// The archive keeps no value where the station had none or the field holds
// no number.
std::optional<double> Value(const std::optional<std::string_view>& field, bool temperature,
                            bool fahrenheit) {
    if (KindOfLogValue(field) != LogValueKind::Number) return std::nullopt;
    const double value = ReadLeadingNumber(*field);
    if (!std::isfinite(value) || std::fabs(value) > 1e6) return std::nullopt;
    if (!temperature || !fahrenheit) return value;
    return std::round((value - 32.0) / 1.8 * 100.0) / 100.0;
}

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

class FileHandle {
public:
    explicit FileHandle(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Reads up to `size` bytes at `offset`; fewer only at the end of the file.
ssize_t ReadAt(int fd, char* buffer, size_t size, uint64_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

std::optional<int> ChannelOfCardLog(std::string_view fileName) {
    if (fileName.size() < 3 || (fileName[0] != 'C' && fileName[0] != 'c') ||
        (fileName[1] != 'H' && fileName[1] != 'h') || fileName[2] < '1' || fileName[2] > '8') {
        return std::nullopt;
    }
    if (fileName.size() > 3 && fileName[3] >= '0' && fileName[3] <= '9') return std::nullopt;
    return fileName[2] - '0';
}

std::optional<CardLine> ParseCardLine(std::string_view line, DateOrder order, bool fahrenheit) {
    const LogLineFields fields = SplitLogLine(TrimLineEnd(line), CHANNEL_LOG_FIELDS);
    const LogTime time = ParseLogTime(fields.Field(0).value_or(std::string_view{}), order);
    if (time.kind != LogTime::Kind::Time) return std::nullopt;
    CardLine parsed;
    parsed.wall = time.time;
    ArchiveRow& row = parsed.values;
    row.source = RowSource::Card;
    row.temperature = Value(fields.Field(1), true, fahrenheit);
    row.humidity = Value(fields.Field(2), false, fahrenheit);
    row.dewPoint = Value(fields.Field(3), true, fahrenheit);
    row.heatIndex = Value(fields.Field(4), true, fahrenheit);
    return parsed;
}

CardLogOutcome AddCardLog(ArchiveDatabase& archive, const CardLogSource& source,
                          const WallTimeZone& zone, DateOrder order,
                          const std::function<bool()>& stop) {
    CardLogOutcome outcome;
    FileHandle file(source.path);
    struct stat info {};
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
        outcome.status = Status::Error("Cannot read " + source.path + ": " + std::strerror(errno));
        return outcome;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    CardPosition position = archive.Position(source.station, source.file);
    if (position.offset > size) position = {};

    // The header names the unit; it is the file's first line.
    std::string header(MAX_HEADER, '\0');
    const ssize_t headerBytes = ReadAt(file.fd(), header.data(), header.size(), 0);
    if (headerBytes < 0) {
        outcome.status = Status::Error("Cannot read " + source.path + ": " + std::strerror(errno));
        return outcome;
    }
    header.resize(static_cast<size_t>(headerBytes));
    const size_t headerEnd = header.find('\n');
    if (headerEnd == std::string::npos) return outcome;  // not even a whole header yet
    const bool fahrenheit =
        UnitTextFromHeader(TrimLineEnd(std::string_view(header).substr(0, headerEnd))).find('F') !=
        std::string::npos;
    if (position.offset == 0) position.offset = headerEnd + 1;

    std::vector<ArchiveRow> rows;
    rows.reserve(std::min<uint64_t>(ROWS_PER_BATCH, (size - position.offset) / 16 + 1));
    std::string buffer;
    uint64_t readAt = position.offset;
    const auto flush = [&]() {
        const Result<int64_t> added =
            archive.AddCardRows(source.station, source.file, rows, position);
        rows.clear();
        if (!added) {
            outcome.status = Status::Error(added.error);
            return false;
        }
        outcome.rowsAdded += *added;
        return true;
    };
    std::vector<char> block(READ_BLOCK);
    while (readAt < size) {
        const ssize_t got = ReadAt(file.fd(), block.data(), block.size(), readAt);
        if (got <= 0) break;
        readAt += static_cast<uint64_t>(got);
        buffer.append(block.data(), static_cast<size_t>(got));
        size_t start = 0;
        size_t end;
        while ((end = buffer.find('\n', start)) != std::string::npos) {
            const std::string_view line(buffer.data() + start, end - start);
            start = end + 1;
            position.offset += line.size() + 1;
            std::optional<CardLine> parsed = ParseCardLine(line, order, fahrenheit);
            if (!parsed) {
                if (!TrimLineEnd(line).empty()) ++outcome.linesSkipped;
                continue;
            }
            ArchiveRow& row = parsed->values;
            row.channel = source.channel;
            row.time = zone.ToUtc(parsed->wall, position.lastTime);
            position.lastTime = row.time;
            rows.push_back(row);
            if (rows.size() >= ROWS_PER_BATCH) {
                if (!flush()) return outcome;
                if (stop && stop()) {
                    outcome.stopped = true;
                    return outcome;
                }
            }
        }
        buffer.erase(0, start);
    }
    // Lines without their end yet stay for the next sync.
    if (!flush()) return outcome;
    return outcome;
}

}  // namespace corvalin
