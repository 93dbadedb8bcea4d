#include <gtest/gtest.h>

#include "device/ReadingFormat.h"
#include "protocol/ReadCycle.h"
#include "session/DeviceChange.h"
#include "support/SimRig.h"

namespace corvalin {
namespace {

TEST(DeviceChange, FollowsTheStationOutAndIn) {
    test::SimRig rig;
    ASSERT_TRUE(rig.link().OpenDevice());
    RunReadCycle(rig.link(), rig.record(), rig.copies());
    ASSERT_NE(rig.record().Readings().temperatureC[0], NO_DATA);

    // Another HID device came: nothing to do while connected.
    EXPECT_EQ(HandleDeviceChange(rig.session(), DeviceEvent::Arrival), std::nullopt);
    // Another HID device went: the station is opened again and stays.
    EXPECT_EQ(HandleDeviceChange(rig.session(), DeviceEvent::Removal), true);
    EXPECT_NE(rig.record().Readings().temperatureC[0], NO_DATA);

    rig.link().responseEvent.Reset();  // a sender is waiting
    rig.station().Unplug();
    EXPECT_EQ(HandleDeviceChange(rig.session(), DeviceEvent::Removal), false);
    EXPECT_EQ(rig.link().connected, 0);
    EXPECT_TRUE(rig.link().responseEvent.IsSet());
    const LiveReadings cleared = rig.record().Readings();
    for (int k = 0; k < CHANNEL_COUNT; ++k) EXPECT_EQ(cleared.temperatureC[k], NO_DATA) << k;
    EXPECT_EQ(HandleDeviceChange(rig.session(), DeviceEvent::Removal), std::nullopt);

    rig.station().Plug();
    EXPECT_EQ(HandleDeviceChange(rig.session(), DeviceEvent::Arrival), true);
    RunReadCycle(rig.link(), rig.record(), rig.copies());
    EXPECT_NE(rig.record().Readings().temperatureC[0], NO_DATA);
}

}  // namespace
}  // namespace corvalin
