#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "history/CardFiles.h"
#include "history/SdCardClient.h"
#include "support/SimRig.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::ReadAll;
using test::WriteAll;

namespace fs = std::filesystem;

// Log-like content of exactly `size` bytes.
std::string LogBytes(size_t size, char seed = 'a') {
    std::string text;
    while (text.size() < size) {
        text += "2024-03-05 14:07:09,23.4,45,10.8,24.1 ";
        // Letters only: '{' and '}' cannot travel in a data report.
        text += static_cast<char>('a' + (seed - 'a' + text.size()) % 26);
        text += "\r\n";
    }
    text.resize(size);
    return text;
}

SimOptions OnCard(const std::string& card, std::vector<const char*> faults = {}) {
    SimOptions options;
    options.cardDir = card;
    for (const char* fault : faults) options.faults.push_back(*ParseFaultSpec(fault));
    return options;
}

// (start, end) of every file request written.
std::vector<std::pair<uint32_t, uint32_t>> Requests(test::SimRig& rig) {
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    for (const Report& frame : rig.Written()) {
        if (frame[1] != CMD_FILE_GET) continue;
        size_t at = 63;
        while (frame[at] == 0) --at;  // the "}" of the terminator
        const size_t start = at - 9;
        auto word = [&](size_t i) {
            return (uint32_t{frame[i]} << 24) | (uint32_t{frame[i + 1]} << 16) |
                   (uint32_t{frame[i + 2]} << 8) | frame[i + 3];
        };
        ranges.emplace_back(word(start), word(start + 4));
    }
    return ranges;
}

class DownloadTest : public ::testing::Test {
protected:
    DownloadTest() { fs::create_directories(card()); }
    std::string card() const { return dir.File("card"); }
    std::string data() const { return dir.path(); }
    void OnTheCard(const std::string& name, const std::string& bytes) {
        WriteAll(card() + "/" + name, bytes);
    }
    DownloadResult Fetch(test::SimRig& rig, const std::string& name) {
        SdCardClient client(rig.session(), data());
        client.RequestFileList();
        return client.Download(name);
    }
    test::TempDir dir;
};

TEST_F(DownloadTest, CopyIsByteIdenticalAndChunksEndExactly) {
    OnTheCard("EMPTY.CSV", "");
    OnTheCard("EXACT.CSV", LogBytes(8192));
    OnTheCard("OVER.CSV", LogBytes(8193));
    test::SimRig rig(OnCard(card()));
    ASSERT_TRUE(rig.link().OpenDevice());

    DownloadResult empty = Fetch(rig, "EMPTY.CSV");
    ASSERT_TRUE(empty.ok) << empty.message;
    EXPECT_EQ(Requests(rig), (std::vector<std::pair<uint32_t, uint32_t>>{{0, 0}}));
    EXPECT_TRUE(fs::exists(data() + "/EMPTY.CSV"));

    rig.ClearWritten();
    ASSERT_TRUE(Fetch(rig, "EXACT.CSV").ok);
    EXPECT_EQ(Requests(rig),
              (std::vector<std::pair<uint32_t, uint32_t>>{{0, 4096}, {4096, 8192}}));
    EXPECT_EQ(ReadAll(data() + "/EXACT.CSV"), ReadAll(card() + "/EXACT.CSV"));

    rig.ClearWritten();
    DownloadResult over = Fetch(rig, "OVER.CSV");
    ASSERT_TRUE(over.ok);
    EXPECT_EQ(over.bytesFetched, 8193u);
    EXPECT_EQ(Requests(rig), (std::vector<std::pair<uint32_t, uint32_t>>{
                                 {0, 4096}, {4096, 8192}, {8192, 8193}}));
    EXPECT_EQ(ReadAll(data() + "/OVER.CSV"), ReadAll(card() + "/OVER.CSV"));
    EXPECT_EQ(rig.link().pendingType, PT_NONE);
}

TEST_F(DownloadTest, ResumesWithTheNewTailOnly) {
    OnTheCard("CH1.CSV", LogBytes(10000));
    test::SimRig rig(OnCard(card()));
    ASSERT_TRUE(rig.link().OpenDevice());
    ASSERT_TRUE(Fetch(rig, "CH1.CSV").ok);

    // Complete already: one request at the end, nothing to fetch.
    rig.ClearWritten();
    DownloadResult same = Fetch(rig, "CH1.CSV");
    ASSERT_TRUE(same.ok);
    EXPECT_EQ(same.bytesFetched, 0u);
    EXPECT_EQ(Requests(rig), (std::vector<std::pair<uint32_t, uint32_t>>{{10000, 10000}}));

    OnTheCard("CH1.CSV", LogBytes(10000) + LogBytes(10000, 'k'));
    rig.ClearWritten();
    DownloadResult grown = Fetch(rig, "CH1.CSV");
    ASSERT_TRUE(grown.ok) << grown.message;
    EXPECT_EQ(grown.resumedFrom, 10000u);
    EXPECT_EQ(grown.bytesFetched, 10000u);
    EXPECT_EQ(Requests(rig).front().first, 10000u);
    EXPECT_EQ(ReadAll(data() + "/CH1.CSV"), ReadAll(card() + "/CH1.CSV"));
}

TEST_F(DownloadTest, CopyLongerThanTheCardFileIsFetchedAgain) {
    OnTheCard("CH2.CSV", LogBytes(5000));
    test::SimRig rig(OnCard(card()));
    ASSERT_TRUE(rig.link().OpenDevice());
    for (size_t extra : {1, 2, 3000}) {
        WriteAll(data() + "/CH2.CSV", LogBytes(5000 + extra, 'z'));
        rig.ClearWritten();
        DownloadResult result = Fetch(rig, "CH2.CSV");
        ASSERT_TRUE(result.ok) << extra << ": " << result.message;
        EXPECT_EQ(Requests(rig).front().first, 0u) << extra;
        EXPECT_EQ(ReadAll(data() + "/CH2.CSV"), ReadAll(card() + "/CH2.CSV")) << extra;
        EXPECT_FALSE(fs::exists(data() + "/CH2.CSV.part"));
    }
}

TEST_F(DownloadTest, FailedTransferKeepsTheEarlierCopyAndTheNextOneCompletes) {
    OnTheCard("CH3.CSV", LogBytes(6000));
    {
        test::SimRig rig(OnCard(card()));
        ASSERT_TRUE(rig.link().OpenDevice());
        ASSERT_TRUE(Fetch(rig, "CH3.CSV").ok);
    }
    const std::string earlier = ReadAll(data() + "/CH3.CSV");
    OnTheCard("CH3.CSV", LogBytes(6000) + LogBytes(9000, 'q'));

    for (const char* fault : {"short-chunk=1", "unplug-after=40"}) {
        test::SimRig broken(OnCard(card(), {fault}));
        ASSERT_TRUE(broken.link().OpenDevice());
        DownloadResult result = Fetch(broken, "CH3.CSV");
        EXPECT_FALSE(result.ok) << fault;
        EXPECT_NE(result.message.find("CH3.CSV"), std::string::npos) << result.message;
        EXPECT_EQ(ReadAll(data() + "/CH3.CSV"), earlier) << fault;
    }

    // A first download that fails leaves no file behind.
    OnTheCard("NEW.CSV", LogBytes(7000));
    {
        test::SimRig broken(OnCard(card(), {"short-chunk=2"}));
        ASSERT_TRUE(broken.link().OpenDevice());
        EXPECT_FALSE(Fetch(broken, "NEW.CSV").ok);
        EXPECT_FALSE(fs::exists(data() + "/NEW.CSV"));
    }

    test::SimRig rig(OnCard(card()));
    ASSERT_TRUE(rig.link().OpenDevice());
    DownloadResult resumed = Fetch(rig, "CH3.CSV");
    ASSERT_TRUE(resumed.ok) << resumed.message;
    EXPECT_EQ(resumed.resumedFrom, 6000u);
    EXPECT_EQ(ReadAll(data() + "/CH3.CSV"), ReadAll(card() + "/CH3.CSV"));
}

TEST_F(DownloadTest, UnsafeOrOverlongNamesSendNothingAndWriteNothing) {
    for (const std::string& name : {std::string("../x"), std::string("a/b"),
                                    std::string(53, 'L')}) {
        const std::string fault = "list-name=" + name;
        test::SimRig rig(OnCard(card(), {fault.c_str()}));
        ASSERT_TRUE(rig.link().OpenDevice());
        SdCardClient client(rig.session(), data() + "/inner");
        fs::create_directories(data() + "/inner");
        std::vector<FileEntry> entries = client.RequestFileList();
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(entries.back().name, name);
        rig.ClearWritten();
        DownloadResult result = client.Download(name);
        EXPECT_FALSE(result.ok) << name;
        if (name.size() > MAX_FILE_NAME_BYTES) {
            EXPECT_EQ(result.message, "File name too long");
        }
        EXPECT_TRUE(rig.Written().empty()) << name;
    }
    EXPECT_FALSE(fs::exists(data() + "/x"));
    EXPECT_TRUE(fs::is_empty(data() + "/inner"));
}

TEST_F(DownloadTest, MessagesOfTheDialog) {
    OnTheCard("CH1.CSV", LogBytes(100));
    test::SimRig rig(OnCard(card()));
    ASSERT_TRUE(rig.link().OpenDevice());
    SdCardClient client(rig.session(), data());
    EXPECT_EQ(client.Download("").message, "Please select a file");
    // Not asked for the list: the size is unknown.
    EXPECT_EQ(client.Download("CH1.CSV").message, " m_FilenameSize Error.");
    EXPECT_FALSE(fs::exists(data() + "/CH1.CSV"));

    SdCardClient elsewhere(rig.session(), data() + "/missing-folder");
    elsewhere.RequestFileList();
    EXPECT_EQ(elsewhere.Download("CH1.CSV").message, "Create Error");
}

TEST_F(DownloadTest, ProgressCountsContentBytesAndFinishesOnce) {
    OnTheCard("CH4.CSV", LogBytes(9000));
    test::SimRig rig(OnCard(card()));
    ASSERT_TRUE(rig.link().OpenDevice());
    SdCardClient client(rig.session(), data());
    client.RequestFileList();
    uint64_t lastReceived = 0, lastTotal = 0;
    int finished = 0;
    DownloadCallbacks callbacks;
    callbacks.progress = [&](uint64_t received, uint64_t total) {
        EXPECT_GE(received, lastReceived);
        lastReceived = received;
        lastTotal = total;
    };
    callbacks.finished = [&] { ++finished; };
    ASSERT_TRUE(client.Download("CH4.CSV", callbacks).ok);
    EXPECT_EQ(lastReceived, 9000u);
    EXPECT_EQ(lastTotal, 9000u);
    EXPECT_EQ(finished, 1);
}

TEST_F(DownloadTest, DeleteRemovesTheCardFileAndTheLocalCopy) {
    OnTheCard("CH5.CSV", LogBytes(300));
    test::SimRig rig(OnCard(card()));
    ASSERT_TRUE(rig.link().OpenDevice());
    ASSERT_TRUE(Fetch(rig, "CH5.CSV").ok);
    SdCardClient client(rig.session(), data());
    rig.ClearWritten();
    ASSERT_TRUE(client.DeleteFile("CH5.CSV"));
    ASSERT_EQ(rig.Written().size(), 1u);
    EXPECT_EQ(rig.Written()[0], MakeDeleteFileFrame("CH5.CSV"));
    EXPECT_FALSE(fs::exists(card() + "/CH5.CSV"));
    EXPECT_FALSE(fs::exists(data() + "/CH5.CSV"));
    EXPECT_EQ(client.DeleteFile("").message, "Please select a file");
    EXPECT_FALSE(client.DeleteFile("../CH6.CSV"));
}

TEST_F(DownloadTest, EveryListEntryIsKept) {
    for (int i = 0; i < 520; ++i) OnTheCard("F" + std::to_string(i) + ".CSV", "x");
    test::SimRig rig(OnCard(card()));
    ASSERT_TRUE(rig.link().OpenDevice());
    SdCardClient client(rig.session(), data());
    EXPECT_EQ(client.RequestFileList().size(), 520u);
}

}  // namespace
}  // namespace corvalin
