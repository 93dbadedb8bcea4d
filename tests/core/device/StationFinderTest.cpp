// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "device/StationFinder.h"
#include "support/FakeTransport.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::FakeTransport;

FakeTransport::Device WithIds(const std::string& path, const std::string& serial,
                              std::string openError = {}) {
    return {{path, STATION_VENDOR_ID, STATION_PRODUCT_ID, serial}, std::move(openError)};
}

// A finder whose devices answer as the test says; it counts who was asked.
struct FinderRig {
    FakeTransport transport;
    StationFinder finder{transport};
    std::map<std::string, StationAnswer> answers;
    std::vector<std::string> asked;

    FinderRig() {
        finder.SetProbe([this](const std::string& path, TransportHandle&) {
            asked.push_back(path);
            const auto answer = answers.find(path);
            return answer == answers.end() ? StationAnswer::Silent : answer->second;
        });
    }
};

struct FindCase {
    const char* name;
    std::vector<FakeTransport::Device> devices;
    std::map<std::string, StationAnswer> answers;
    StationChoice choice;
    std::string taken;                 // the path opened; empty: none
    std::vector<std::string> asked;    // who was asked, in order
    std::vector<std::string> sayings;  // in the error, or else in the notes
    bool several = false;
};

TEST(StationFinder, TakesTheOneStationAndNamesWhatItPassesOver) {
    const auto answered = StationAnswer::Answered;
    const FakeTransport::Device gadget{{"/dev/hidraw0", 0x046D, 0xC52B, "G"}, ""};
    // clang-format off
    const std::vector<FindCase> cases = {
        {"a lone station is taken as it is, unasked",
         {gadget, WithIds("/dev/hidraw1", "", "permission denied"), WithIds("/dev/hidraw2", "A")},
         {}, {}, "/dev/hidraw2", {}, {}},
        {"a silent look-alike beside the station is skipped and named",
         {WithIds("/dev/hidraw1", "X"), WithIds("/dev/hidraw2", "A")}, {{"/dev/hidraw2", answered}},
         {}, "/dev/hidraw2", {"/dev/hidraw1", "/dev/hidraw2"},
         {"Skipped /dev/hidraw1 (serial X): it did not answer as a station"}},
        {"two stations and no choice: none, both named; the one without a serial too",
         {WithIds("/dev/hidraw1", "A"), WithIds("/dev/hidraw2", "")},
         {{"/dev/hidraw1", answered}, {"/dev/hidraw2", answered}}, {}, "",
         {"/dev/hidraw1", "/dev/hidraw2"}, {"  /dev/hidraw2 (no serial)\n"}, true},
        {"a station and a look-alike sharing its serial are told apart by asking",
         {WithIds("/dev/hidraw1", "A"), WithIds("/dev/hidraw2", "A")}, {{"/dev/hidraw2", answered}},
         {"", "A"}, "/dev/hidraw2", {"/dev/hidraw1", "/dev/hidraw2"},
         {"Skipped /dev/hidraw1 (serial A)"}},
        {"a serial nobody has names what is attached", {WithIds("/dev/hidraw1", "A"), gadget}, {},
         {"", "Z"}, "", {}, {"No station matches --serial Z; attached: /dev/hidraw1 (serial A)"}},
        {"none answers: each is named with its reason",
         {WithIds("/dev/hidraw1", "X"), WithIds("/dev/hidraw2", "Y"),
          WithIds("/dev/hidraw3", "Z", "permission denied")},
         {{"/dev/hidraw2", StationAnswer::Busy}}, {}, "", {"/dev/hidraw1", "/dev/hidraw2"},
         {"No device answered as a station:\n  /dev/hidraw3 (serial Z): permission denied\n"
          "  /dev/hidraw1 (serial X): it did not answer as a station\n"
          "  /dev/hidraw2 (serial Y): another program kept it busy"}},
    };
    // clang-format on
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.name);
        FinderRig rig;
        rig.transport.SetDevices(c.devices);
        rig.answers = c.answers;
        rig.finder.SetChoice(c.choice);
        const StationFinder::Found found = rig.finder.Find();
        EXPECT_EQ(found.path, c.taken);
        EXPECT_EQ(found.handle != nullptr, !c.taken.empty());
        EXPECT_EQ(rig.asked, c.asked);
        EXPECT_EQ(found.several, c.several);
        std::string said = found.error;
        for (const std::string& note : found.notes) said += note + "\n";
        for (const std::string& saying : c.sayings) {
            EXPECT_NE(said.find(saying), std::string::npos) << said;
        }
        if (c.sayings.empty()) EXPECT_EQ(said, "");
    }
}

TEST(StationFinder, ADeviceIsChosenByALinkToItsNode) {
    test::TempDir dir;
    std::ofstream(dir.File("hidraw1")) << "";
    std::ofstream(dir.File("hidraw2")) << "";
    std::filesystem::create_directories(dir.File("kv7500"));
    std::filesystem::create_symlink(dir.File("hidraw2"), dir.File("kv7500/B"));
    FinderRig rig;
    rig.transport.SetDevices(
        {WithIds(dir.File("hidraw1"), "A"), WithIds(dir.File("hidraw2"), "B")});
    rig.finder.SetChoice({dir.File("kv7500/B"), ""});
    EXPECT_EQ(rig.finder.Find().path, dir.File("hidraw2"));
    EXPECT_TRUE(rig.asked.empty());
}

TEST(StationFinder, ADeviceIsAskedAgainOnlyAfterItWasAwayOrBusy) {
    FinderRig rig;
    const auto station = WithIds("/dev/hidraw2", "A");
    rig.transport.SetDevices({WithIds("/dev/hidraw1", "X"), station});
    rig.answers = {{"/dev/hidraw2", StationAnswer::Answered},
                   {"/dev/hidraw1", StationAnswer::Busy}};
    rig.finder.Find();
    rig.answers["/dev/hidraw1"] = StationAnswer::Silent;
    EXPECT_EQ(rig.finder.Find().path, "/dev/hidraw2");
    // The busy one was asked again; the station was not.
    EXPECT_EQ(rig.asked,
              (std::vector<std::string>{"/dev/hidraw1", "/dev/hidraw2", "/dev/hidraw1"}));
    rig.finder.Find();
    EXPECT_EQ(rig.asked.size(), 3u);

    // Unplugged and back: whatever is there now is asked.
    rig.transport.SetDevices({station});
    rig.finder.Find();
    rig.transport.SetDevices({WithIds("/dev/hidraw1", "X"), station});
    rig.finder.Find();
    EXPECT_EQ(rig.asked.back(), "/dev/hidraw1");
    EXPECT_EQ(rig.asked.size(), 4u);
}

}  // namespace
}  // namespace corvalin
