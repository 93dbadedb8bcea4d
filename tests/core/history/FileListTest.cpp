#include <gtest/gtest.h>

#include <string>

#include "history/CardFiles.h"
#include "history/FileList.h"

namespace corvalin {
namespace {

Report Entry(const std::string& name, uint32_t size) {
    Report data{};
    data[0] = '{';
    std::copy(name.begin(), name.end(), data.begin() + 1);
    data[1 + name.size()] = ',';
    data[2 + name.size()] = static_cast<uint8_t>(size >> 24);
    data[3 + name.size()] = static_cast<uint8_t>(size >> 16);
    data[4 + name.size()] = static_cast<uint8_t>(size >> 8);
    data[5 + name.size()] = static_cast<uint8_t>(size);
    return data;
}

TEST(ParseFileListLine, NameUpToTheCommaAndBigEndianSize) {
    FileEntry entry = ParseFileListLine(Entry("CH1.CSV", 0x00012345));
    EXPECT_EQ(entry.name, "CH1.CSV");
    EXPECT_EQ(entry.size, 0x00012345u);
    // Size bytes may hold zeros and commas.
    entry = ParseFileListLine(Entry("A", 0x2C00002C));
    EXPECT_EQ(entry.name, "A");
    EXPECT_EQ(entry.size, 0x2C00002Cu);
    // A size of 3 GB stays unsigned.
    EXPECT_EQ(ParseFileListLine(Entry("BIG.CSV", 0xC0000000u)).size, 3221225472u);
}

TEST(ParseFileListLine, NoCommaBeforeTheFirstZero) {
    Report data{};
    const std::string text = "{NOCOMMA";
    std::copy(text.begin(), text.end(), data.begin());
    data[20] = ',';  // past the zero: not searched
    FileEntry entry = ParseFileListLine(data);
    EXPECT_EQ(entry.name, "NOCOMMA");
    EXPECT_EQ(entry.size, 0u);
}

TEST(FormatFileSize, KilobytesUpToOneMegabyte) {
    EXPECT_EQ(FormatFileSize(0), "0.00 KB");
    EXPECT_EQ(FormatFileSize(1536), "1.50 KB");
    EXPECT_EQ(FormatFileSize(1048576), "1024.00 KB");
    EXPECT_EQ(FormatFileSize(1048577), "1.00 MB");
    EXPECT_EQ(FormatFileSize(3221225472u), "3072.00 MB");
}

TEST(FileListing, LaterEntryOfTheSameNameReplacesTheSizeAndAllAreKept) {
    FileListing listing;
    for (int i = 0; i < 700; ++i) listing.Add({"F" + std::to_string(i), static_cast<uint32_t>(i)});
    listing.Add({"F5", 99});
    EXPECT_EQ(listing.Count(), 701u);
    EXPECT_EQ(listing.SizeOf("F5"), 99u);
    EXPECT_EQ(listing.Entries()[5].size, 5u);  // the row keeps what it was listed with
    EXPECT_EQ(listing.SizeOf("F699"), 699u);
    EXPECT_FALSE(listing.SizeOf("f5"));  // names compare case-sensitively
}

TEST(CardFiles, UnsafeNamesAreRefused) {
    for (const char* name : {"../x", "a/b", "a\\b", "..", ".", "x\x01y", "tab\tname"}) {
        EXPECT_FALSE(CheckLocalFileName(name)) << name;
    }
    EXPECT_EQ(CheckLocalFileName("").message, "Please select a file");
    for (const char* name : {"CH1.CSV", "INDOOR.CSV", "20240305 log.txt", "a.b.c"}) {
        EXPECT_TRUE(CheckLocalFileName(name)) << name;
    }
}

TEST(CardFiles, FramesCarryNameAndOffsets) {
    CommandFrame get = MakeFileGetFrame("CH1.CSV", 4096, 8192);
    const uint8_t expected[] = {0x7B, 0x02, 'C', 'H', '1', '.', 'C', 'S', 'V', 0x00, 0x00, 0x10,
                                0x00, 0x00, 0x00, 0x20, 0x00, 0x40, 0x7D, 0x00};
    for (size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(get[i], expected[i]) << i;
    CommandFrame full = MakeFileGetFrame(std::string(52, 'N'), 0, 0);
    EXPECT_EQ(full[62], 0x40);
    EXPECT_EQ(full[63], 0x7D);

    CommandFrame del = MakeDeleteFileFrame("IN.CSV");
    const uint8_t deleted[] = {0x7B, 0x20, 'I', 'N', '.', 'C', 'S', 'V', 0x40, 0x7D, 0x00};
    for (size_t i = 0; i < sizeof deleted; ++i) EXPECT_EQ(del[i], deleted[i]) << i;
}

}  // namespace
}  // namespace corvalin
