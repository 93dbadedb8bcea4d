// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvalin {

// The lines of an imported log file as the data table shows them. It keeps
// the file's bytes once and, per data line, where its fields begin, so a log
// of a million lines costs little more than its own size.
//
// A line's fields are split at commas: an indoor line has 3 fields and a
// channel line 5, the last running to the end of the line (commas and all).
// A line with fewer fields lacks the rest; lines end with LF or CR LF.
class HistoryTable {
public:
    static constexpr size_t INDOOR_FIELDS = 3;
    static constexpr size_t CHANNEL_FIELDS = 5;
    // The most a cell shows, as the table's cells always held.
    static constexpr size_t MAX_CELL_BYTES = 79;
    // Offsets are 32-bit, as the station's file sizes are.
    static constexpr uint64_t MAX_FILE_BYTES = UINT32_MAX - 1;

    HistoryTable() = default;
    // `bytes` is a whole log file: a header line, then one line per reading.
    // Files over MAX_FILE_BYTES are cut there.
    HistoryTable(std::string bytes, bool indoorFile);
    // The same with no line indexed yet: IndexLines finds them, so that an
    // import can read the first lines while later ones are still being found.
    static HistoryTable Unindexed(std::string bytes, bool indoorFile);
    // Indexes up to `count` more lines; gives RowCount() after.
    size_t IndexLines(size_t count);
    // The data lines of the file, indexed or not.
    size_t LineCount() const { return lines_; }

    bool IndoorFile() const { return indoor_; }
    size_t FieldCount() const { return indoor_ ? INDOOR_FIELDS : CHANNEL_FIELDS; }
    size_t RowCount() const { return rows_; }
    std::string_view Header() const { return std::string_view(bytes_).substr(0, headerLength_); }

    // The whole field, as the import reads it; none when the line ends before it.
    std::optional<std::string_view> Field(size_t row, size_t field) const;
    // The cell's text as written in the file (Windows-1252), at most
    // MAX_CELL_BYTES; empty for a field the line lacks and for the two
    // columns an indoor file has not.
    std::string_view Cell(size_t row, size_t column) const;
    // The same in UTF-8, for display.
    std::string CellUtf8(size_t row, size_t column) const;

    // Bytes held: the file and the offsets.
    size_t MemoryBytes() const;

private:
    struct NoLinesIndexed {};
    HistoryTable(std::string bytes, bool indoorFile, NoLinesIndexed);

    std::string bytes_;
    size_t headerLength_ = 0;  // not a view: moving a short string moves its bytes
    bool indoor_ = false;
    size_t rows_ = 0;
    size_t lines_ = 0;
    size_t next_ = 0;  // where the first line not indexed starts
    // Per row FieldCount() + 1 offsets: where each field begins, then one
    // past the line's end (where a comma after the last field would be). A
    // field the line lacks begins at that last offset.
    std::vector<uint32_t> bounds_;
};

}  // namespace corvalin
