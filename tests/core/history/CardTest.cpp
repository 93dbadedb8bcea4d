// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "common/ByteOrder.h"
#include "history/CardFileNames.h"
#include "history/LocalCopy.h"
#include "history/SdCardClient.h"
#include "support/Files.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;
using Ranges = std::vector<std::pair<uint32_t, uint32_t>>;

// Content of exactly `size` bytes; letters only: '{' and '}' cannot travel in a data report.
std::string LogBytes(size_t size, char seed = 'a') {
    std::string text(size, ' ');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (seed + i * 7) % 26);
    return text;
}

// (start, end) of every file request written.
Ranges Requests(const test::SimRig& rig) {
    Ranges ranges;
    for (const Report& frame : rig.Written()) {
        if (frame[1] != CMD_FILE_GET) continue;
        size_t at = 63;
        while (frame[at] == 0) --at;  // the "}" of the terminator
        ranges.emplace_back(ReadBigEndian32(&frame[at - 9]), ReadBigEndian32(&frame[at - 5]));
    }
    return ranges;
}

class CardTest : public ::testing::Test {
protected:
    CardTest() { fs::create_directories(card); }
    void OnTheCard(const std::string& name, const std::string& bytes) {
        test::WriteAll(card + "/" + name, bytes);
    }
    // A session on the card, with one fault or none.
    std::unique_ptr<test::SimRig> Rig(const std::string& fault = {}, bool open = true) {
        SimOptions options;
        options.cardDir = card;
        if (!fault.empty()) options.faults.push_back(*ParseFaultSpec(fault));
        auto rig = std::make_unique<test::SimRig>(options);
        EXPECT_TRUE(!open || rig->session().Open());
        return rig;
    }
    DownloadResult Fetch(test::SimRig& rig, const std::string& name,
                         const DownloadCallbacks& callbacks = {}) {
        std::unique_ptr<SdCardClient> client = rig.session().OpenCard(data);
        client->RequestFileList();
        rig.ClearWritten();
        return client->Download(name, callbacks);
    }
    std::string Copy(const std::string& name) const { return test::ReadAll(data + "/" + name); }
    std::string OnCard(const std::string& name) const { return test::ReadAll(card + "/" + name); }

    test::TempDir dir;
    std::string data = dir.path();
    std::string card = dir.File("card");
};

TEST_F(CardTest, CopyIsByteIdenticalAndChunksEndExactly) {
    const std::vector<std::tuple<const char*, size_t, Ranges>> rows = {
        {"EMPTY.CSV", 0, {{0, 0}}},
        {"EXACT.CSV", 8192, {{0, 4096}, {4096, 8192}}},
        {"OVER.CSV", 8193, {{0, 4096}, {4096, 8192}, {8192, 8193}}},
    };
    for (const auto& [name, size, requests] : rows) OnTheCard(name, LogBytes(size));
    auto rig = Rig();
    for (const auto& [name, size, requests] : rows) {
        uint64_t received = 0, total = 0;
        int finished = 0;
        DownloadCallbacks callbacks;
        callbacks.progress = [&](uint64_t bytes, uint64_t all) {
            EXPECT_GE(bytes, received);
            received = bytes;
            total = all;
        };
        callbacks.finished = [&] { ++finished; };
        const DownloadResult result = Fetch(*rig, name, callbacks);
        ASSERT_TRUE(result.ok) << name << ": " << result.message;
        EXPECT_EQ((std::vector{result.bytesFetched, received, total}),
                  std::vector<uint64_t>(3, size))
            << name;
        EXPECT_EQ(finished, 1) << name;
        EXPECT_EQ(Requests(*rig), requests) << name;
        EXPECT_TRUE(fs::exists(data + "/" + name) && Copy(name) == OnCard(name)) << name;
    }
}

TEST_F(CardTest, ACompleteCopyFetchesNothingAndOneTooLongIsFetchedAnew) {
    OnTheCard("CH1.CSV", LogBytes(10000));
    auto rig = Rig();
    ASSERT_TRUE(Fetch(*rig, "CH1.CSV").ok);
    // Complete already: one request at the end, nothing to fetch.
    DownloadResult same = Fetch(*rig, "CH1.CSV");
    EXPECT_TRUE(same.ok && same.bytesFetched == 0);
    EXPECT_EQ(Requests(*rig), (Ranges{{10000, 10000}}));

    // A copy longer than the card's file is out of step with it: fetched anew,
    // aside, so that a card file of the aside name is untouched.
    OnTheCard("CH1.CSV.part", "its own bytes");
    ASSERT_TRUE(Fetch(*rig, "CH1.CSV.part").ok);
    test::WriteAll(data + "/CH1.CSV", LogBytes(20001, 'z'));
    ASSERT_TRUE(Fetch(*rig, "CH1.CSV").ok);
    EXPECT_EQ(Requests(*rig).front().first, 0u);
    EXPECT_EQ(Copy("CH1.CSV"), OnCard("CH1.CSV"));
    EXPECT_EQ(Copy("CH1.CSV.part"), "its own bytes");
}

TEST_F(CardTest, OnlyTheCopyItselfIsWrittenNeverThroughALinkNorTwiceAtOnce) {
    const std::string outside = dir.File("outside.txt");
    test::WriteAll(outside, "not the program's");
    OnTheCard("LINKED.CSV", LogBytes(100));
    OnTheCard("DANGLING.CSV", LogBytes(100));
    OnTheCard("BUSY.CSV", LogBytes(100));
    OnTheCard("7500.DB", LogBytes(100));
    OnTheCard("CH2_\xB0.TXT", LogBytes(100));  // the station's own code page
    auto rig = Rig();
    fs::create_symlink(outside, data + "/LINKED.CSV");
    fs::create_symlink(dir.File("created-by-a-link"), data + "/DANGLING.CSV");
    test::WriteAll(data + "/7500.db", "the database");
    for (const std::string& name : {"LINKED.CSV", "DANGLING.CSV", "7500.DB"}) {
        const DownloadResult result = Fetch(*rig, name);
        EXPECT_FALSE(result.ok) << name;
        EXPECT_FALSE(result.message.empty()) << name;
        EXPECT_TRUE(Requests(*rig).empty()) << name;
    }
    EXPECT_EQ(test::ReadAll(outside), "not the program's");
    EXPECT_FALSE(fs::exists(dir.File("created-by-a-link")));
    EXPECT_EQ(test::ReadAll(data + "/7500.db"), "the database");
    EXPECT_FALSE(rig->session().OpenCard(data)->DeleteFile("7500.db").ok);

    // Another transfer of the same copy, from this program or another, is refused at once.
    Result<std::unique_ptr<LocalCopy>> held = LocalCopy::Lock(data, "BUSY.CSV");
    ASSERT_TRUE(held) << held.error;
    const DownloadResult busy = Fetch(*rig, "BUSY.CSV");
    EXPECT_NE(busy.message.find("in use"), std::string::npos) << busy.message;
    EXPECT_FALSE(fs::exists(data + "/BUSY.CSV"));
    held = Result<std::unique_ptr<LocalCopy>>::Fail("released");
    EXPECT_TRUE(Fetch(*rig, "BUSY.CSV").ok);

    // Typed in UTF-8, fetched by the card's own bytes, kept under the UTF-8 name.
    ASSERT_TRUE(Fetch(*rig, "CH2_\u00B0.TXT").ok);
    EXPECT_EQ(Copy("CH2_\u00B0.TXT"), OnCard("CH2_\xB0.TXT"));
}

TEST_F(CardTest, FailedTransferKeepsTheEarlierCopyAndTheNextOneFetchesTheNewTailOnly) {
    OnTheCard("CH3.CSV", LogBytes(6000));
    ASSERT_TRUE(Fetch(*Rig(), "CH3.CSV").ok);
    const std::string earlier = Copy("CH3.CSV");
    OnTheCard("CH3.CSV", LogBytes(6000) + LogBytes(9000, 'q'));
    OnTheCard("NEW.CSV", LogBytes(7000));
    for (const char* fault : {"short-chunk=1", "unplug-after=40"}) {
        auto broken = Rig(fault);
        DownloadResult result = Fetch(*broken, "CH3.CSV");
        EXPECT_FALSE(result.ok) << fault;
        EXPECT_NE(result.message.find("CH3.CSV"), std::string::npos) << result.message;
        EXPECT_EQ(Copy("CH3.CSV"), earlier) << fault;
    }
    // A first download that fails leaves no file behind.
    EXPECT_FALSE(Fetch(*Rig("short-chunk=2"), "NEW.CSV").ok);
    EXPECT_FALSE(fs::exists(data + "/NEW.CSV"));
    auto rig = Rig();
    DownloadResult resumed = Fetch(*rig, "CH3.CSV");
    ASSERT_TRUE(resumed.ok) << resumed.message;
    EXPECT_EQ(std::pair(resumed.resumedFrom, resumed.bytesFetched), std::pair(6000ul, 9000ul));
    EXPECT_EQ(Requests(*rig).front().first, 6000u);
    EXPECT_EQ(Copy("CH3.CSV"), OnCard("CH3.CSV"));
}

// Resuming from the copy kept is the failed transfer's test.
TEST_F(CardTest, AStoppedTransferKeepsItsWholeChunks) {
    OnTheCard("CH4.CSV", LogBytes(3 * CHUNK_SIZE + 100));
    int chunksAllowed = 2;
    DownloadCallbacks callbacks;
    callbacks.stop = [&] { return chunksAllowed-- <= 0; };
    DownloadResult stopped = Fetch(*Rig(), "CH4.CSV", callbacks);
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(Copy("CH4.CSV"), OnCard("CH4.CSV").substr(0, 2 * CHUNK_SIZE));
}

TEST_F(CardTest, NamesTheDataFolderOrAFrameCannotHoldSendNothing) {
    const std::string longest(48, 'L'), longestDelete(56, 'D');
    for (const std::string& stem : {longest, longest + "L", longestDelete, longestDelete + "D"}) {
        OnTheCard(stem + ".CSV", std::to_string(stem.size() + 4));
    }
    // A card name that leaves the data folder: nothing sent, nothing written.
    auto evil = Rig("list-name=../x");
    std::unique_ptr<SdCardClient> inner = evil->session().OpenCard(data + "/inner");
    fs::create_directories(data + "/inner");
    ASSERT_EQ(inner->RequestFileList().back().name, "../x");
    evil->ClearWritten();
    EXPECT_FALSE(inner->Download("../x").ok);
    EXPECT_FALSE(inner->DeleteFile("../x"));
    EXPECT_TRUE(evil->Written().empty());
    EXPECT_TRUE(fs::is_empty(data + "/inner"));
    EXPECT_FALSE(fs::exists(data + "/x"));

    // Download names of 52 bytes fit the frame, delete names of 60.
    auto rig = Rig();
    EXPECT_TRUE(Fetch(*rig, longest + ".CSV").ok);
    EXPECT_EQ(Copy(longest + ".CSV"), "52");
    EXPECT_EQ(Fetch(*rig, longest + "L.CSV").message, "File name too long");
    EXPECT_TRUE(rig->Written().empty());
    EXPECT_FALSE(fs::exists(data + "/" + longest + "L.CSV"));
    std::unique_ptr<SdCardClient> client = rig->session().OpenCard(data);
    EXPECT_EQ(client->DeleteFile(longestDelete + "D.CSV").message, "File name too long");
    EXPECT_TRUE(rig->Written().empty());
    // A delete removes the card file and its local copy.
    test::WriteAll(data + "/" + longestDelete + ".CSV", "60");
    EXPECT_TRUE(client->DeleteFile(longestDelete + ".CSV"));
    EXPECT_EQ(rig->WrittenCodes(), std::vector<uint8_t>{CMD_DELETE_FILE});
    EXPECT_FALSE(fs::exists(card + "/" + longestDelete + ".CSV"));
    EXPECT_FALSE(fs::exists(data + "/" + longestDelete + ".CSV"));
}

TEST_F(CardTest, MessagesOfTheDialogAndEveryListEntry) {
    for (int i = 0; i < 520; ++i) OnTheCard("F" + std::to_string(i) + ".CSV", "x");
    auto unconnected = Rig({}, false);
    EXPECT_EQ(unconnected->session().OpenCard(data)->Download("F1.CSV").message, "Unconnected");
    // Unconnected, a delete fails too and the local copy stays.
    test::WriteAll(data + "/F2.CSV", "copy");
    EXPECT_EQ(unconnected->session().OpenCard(data)->DeleteFile("F2.CSV").message, "Unconnected");
    EXPECT_EQ(test::ReadAll(data + "/F2.CSV"), "copy");
    EXPECT_TRUE(unconnected->Written().empty());

    auto rig = Rig();
    std::unique_ptr<SdCardClient> client = rig->session().OpenCard(data);
    EXPECT_EQ(client->Download("").message, "Please select a file");
    EXPECT_EQ(client->DeleteFile("").message, "Please select a file");
    // Not asked for the list: the size is unknown.
    EXPECT_EQ(client->Download("F1.CSV").message, " m_FilenameSize Error.");
    EXPECT_EQ(client->RequestFileList().size(), 520u);
    EXPECT_EQ(rig->session().OpenCard(data + "/missing")->Download("F1.CSV").message,
              "Create Error");
    EXPECT_FALSE(fs::exists(data + "/F1.CSV"));
}

Report Entry(const std::string& name, uint32_t size) {
    Report data{'{'};
    std::copy(name.begin(), name.end(), data.begin() + 1);
    data[1 + name.size()] = ',';
    for (size_t i = 0; i < 4; ++i) data[2 + name.size() + i] = size >> (24 - 8 * i);
    return data;
}

TEST(ParseFileListLine, NameUpToTheCommaAndBigEndianSize) {
    // Size bytes may hold zeros and commas; 3 GB stays unsigned.
    for (uint32_t size : {0x00012345u, 0x2C00002Cu, 0xC0000000u}) {
        const FileEntry entry = ParseFileListLine(Entry("CH1.CSV", size));
        EXPECT_EQ(entry.name + "=" + std::to_string(entry.size), "CH1.CSV=" + std::to_string(size));
    }
    // No comma before the first zero: the name alone, of size 0.
    Report data = Entry("NOCOMMA", 5);
    data[8] = 0;
    const FileEntry entry = ParseFileListLine(data);
    EXPECT_EQ(entry.name + "=" + std::to_string(entry.size), "NOCOMMA=0");
}

TEST(FileListing, SizesAndCardNames) {
    // clang-format off
    const std::pair<uint32_t, const char*> sizes[] = {{1536, "1.50 KB"}, {1048576, "1024.00 KB"},
        {1048577, "1.00 MB"}, {3221225472u, "3072.00 MB"}};
    // clang-format on
    for (const auto& [size, text] : sizes) EXPECT_EQ(FormatFileSize(size), text) << size;

    // A later entry of the same name replaces the size; all are kept.
    FileListing listing;
    for (int i = 0; i < 700; ++i) listing.Add({"F" + std::to_string(i), static_cast<uint32_t>(i)});
    listing.Add({"F5", 99});
    EXPECT_EQ(listing.Count(), 701u);
    EXPECT_EQ(listing.SizeOf("F5"), 99u);
    EXPECT_EQ(listing.Entries()[5].size, 5u);  // the row keeps what it was listed with
    EXPECT_FALSE(listing.SizeOf("f5"));        // names compare case-sensitively

    // Paths are refused by the download test; these are the other names.
    for (const char* name : {"a\\b", "..", ".", "x\x01y", "del\x7F"}) {
        EXPECT_FALSE(CheckLocalFileName(name)) << name;
    }
    EXPECT_EQ(CheckLocalFileName("").message, "Please select a file");
    for (const char* name : {"20240305 log.txt", "a.b.c", ".hidden"}) {
        EXPECT_TRUE(CheckLocalFileName(name)) << name;
    }
}

}  // namespace
}  // namespace corvalin
