// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryTable.h"

#include <algorithm>
#include <cstring>

#include "common/Cp1252.h"
#include "common/LargePages.h"
#include "history/LogLine.h"

namespace corvalin {

namespace {

// The line starting at `start`: its end without the line break, and where
// the next line starts.
void FindLineEnd(const std::string& bytes, size_t start, size_t& end, size_t& next) {
    const char* base = bytes.data();
    const void* found = std::memchr(base + start, '\n', bytes.size() - start);
    end = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - base)
                           : bytes.size();
    next = found != nullptr ? end + 1 : end;
    if (end > start && base[end - 1] == '\r') --end;
}

}  // namespace

HistoryTable::HistoryTable(std::string bytes, bool indoorFile)
    : HistoryTable(std::move(bytes), indoorFile, NoLinesIndexed{}) {
    IndexLines(lines_);
}

HistoryTable HistoryTable::Unindexed(std::string bytes, bool indoorFile) {
    return HistoryTable(std::move(bytes), indoorFile, NoLinesIndexed{});
}

HistoryTable::HistoryTable(std::string bytes, bool indoorFile, NoLinesIndexed)
    : bytes_(std::move(bytes)), indoor_(indoorFile) {
    if (bytes_.size() > MAX_FILE_BYTES) bytes_.resize(MAX_FILE_BYTES);
    const size_t size = bytes_.size();
    size_t end = 0;
    FindLineEnd(bytes_, 0, end, next_);
    headerLength_ = end;

    // Sized once, so that the offsets take no more room than they need.
    const size_t breaks =
        static_cast<size_t>(std::count(bytes_.begin() + next_, bytes_.end(), '\n'));
    const bool unterminated = next_ < size && bytes_.back() != '\n';
    lines_ = breaks + (unterminated ? 1 : 0);
    bounds_.reserve(lines_ * (FieldCount() + 1));
    PreferLargePages(bounds_.data(), bounds_.capacity() * sizeof(uint32_t));
}

size_t HistoryTable::IndexLines(size_t count) {
    const size_t size = bytes_.size();
    const size_t fields = FieldCount();
    const char* base = bytes_.data();
    for (; count > 0 && next_ < size; --count) {
        size_t end = 0;
        const size_t start = next_;
        FindLineEnd(bytes_, start, end, next_);
        const LogLineFields line =
            SplitLogLine(std::string_view(base + start, end - start), fields);
        for (size_t field = 0; field < line.count; ++field) {
            bounds_.push_back(static_cast<uint32_t>(line.fields[field].data() - base));
        }
        // A field the line lacks begins one past its end, where the last offset points.
        for (size_t field = line.count; field <= fields; ++field) {
            bounds_.push_back(static_cast<uint32_t>(end + 1));
        }
        ++rows_;
    }
    return rows_;
}

std::optional<std::string_view> HistoryTable::Field(size_t row, size_t field) const {
    const size_t fields = FieldCount();
    if (row >= rows_ || field >= fields) return std::nullopt;
    const uint32_t* bounds = bounds_.data() + row * (fields + 1);
    const uint32_t lineEnd = bounds[fields];
    if (bounds[field] >= lineEnd) return std::nullopt;
    // Each field ends where the comma before the next one is.
    const size_t length = std::min(bounds[field + 1], lineEnd) - 1 - bounds[field];
    return std::string_view(bytes_).substr(bounds[field], length);
}

std::string_view HistoryTable::Cell(size_t row, size_t column) const {
    const auto field = Field(row, column);
    if (!field) return {};
    return field->substr(0, MAX_CELL_BYTES);
}

std::string HistoryTable::CellUtf8(size_t row, size_t column) const {
    return Cp1252ToUtf8(Cell(row, column));
}

size_t HistoryTable::MemoryBytes() const {
    return sizeof(*this) + bytes_.capacity() + bounds_.capacity() * sizeof(uint32_t);
}

}  // namespace corvalin
