// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryTable.h"

#include <algorithm>
#include <cstring>

#include "common/Cp1252.h"

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
    : bytes_(std::move(bytes)), indoor_(indoorFile) {
    if (bytes_.size() > MAX_FILE_BYTES) bytes_.resize(MAX_FILE_BYTES);
    const size_t size = bytes_.size();
    size_t end = 0;
    size_t next = 0;
    FindLineEnd(bytes_, 0, end, next);
    headerLength_ = end;

    // Sized once, so that the offsets take no more room than they need.
    const size_t breaks =
        static_cast<size_t>(std::count(bytes_.begin() + next, bytes_.end(), '\n'));
    const bool unterminated = next < size && bytes_.back() != '\n';
    const size_t fields = FieldCount();
    bounds_.reserve((breaks + (unterminated ? 1 : 0)) * (fields + 1));

    const char* base = bytes_.data();
    for (size_t start = next; start < size; start = next) {
        FindLineEnd(bytes_, start, end, next);
        size_t fieldStart = start;
        for (size_t field = 0; field < fields; ++field) {
            bounds_.push_back(static_cast<uint32_t>(fieldStart));
            if (fieldStart > end) continue;  // the line has ended
            const void* comma = field + 1 < fields
                                    ? std::memchr(base + fieldStart, ',', end - fieldStart)
                                    : nullptr;
            fieldStart = comma != nullptr
                             ? static_cast<size_t>(static_cast<const char*>(comma) - base) + 1
                             : end + 1;
        }
        bounds_.push_back(static_cast<uint32_t>(end + 1));
        ++rows_;
    }
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
