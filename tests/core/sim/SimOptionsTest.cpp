#include <gtest/gtest.h>

#include "sim/SimOptions.h"

namespace corvalin {
namespace {

TEST(SimOptionsTest, SensorSpecsAreRead) {
    auto sensor = ParseSensorSpec("2=23.4,45");
    ASSERT_TRUE(sensor) << sensor.error;
    EXPECT_EQ(sensor->channel, 2);
    EXPECT_TRUE(sensor->present);
    EXPECT_DOUBLE_EQ(sensor->temperatureC, 23.4);
    EXPECT_EQ(sensor->humidityPct, 45);

    sensor = ParseSensorSpec("8=-12.5,99");
    ASSERT_TRUE(sensor) << sensor.error;
    EXPECT_EQ(sensor->channel, 8);
    EXPECT_DOUBLE_EQ(sensor->temperatureC, -12.5);

    sensor = ParseSensorSpec("5=none");
    ASSERT_TRUE(sensor) << sensor.error;
    EXPECT_EQ(sensor->channel, 5);
    EXPECT_FALSE(sensor->present);
}

TEST(SimOptionsTest, BadSensorSpecsNameTheBadText) {
    for (const char* text :
         {"", "2", "0=20,40", "9=20,40", "x=20,40", "2=20", "2=abc,40", "2=20,4x", "2=20,101",
          "2=20,-1", "2=20.5.1,40", "2=500,40", "2=20,45.5", "2=nan,40", "2=,40"}) {
        auto sensor = ParseSensorSpec(text);
        EXPECT_FALSE(sensor) << text;
        EXPECT_NE(sensor.error.find('"' + std::string(text) + '"'), std::string::npos)
            << sensor.error;
    }
}

TEST(SimOptionsTest, FaultSpecsAreRead) {
    struct Case {
        const char* text;
        FaultSpec::Kind kind;
        int value;
    };
    for (const Case& c :
         {Case{"drop=3", FaultSpec::Kind::Drop, 3}, Case{"delay=250", FaultSpec::Kind::Delay, 250},
          Case{"short-chunk=1", FaultSpec::Kind::ShortChunk, 1},
          Case{"stray", FaultSpec::Kind::Stray, 0},
          Case{"unplug-after=12", FaultSpec::Kind::UnplugAfter, 12}}) {
        auto fault = ParseFaultSpec(c.text);
        ASSERT_TRUE(fault) << c.text << ": " << fault.error;
        EXPECT_EQ(fault->kind, c.kind) << c.text;
        EXPECT_EQ(fault->value, c.value) << c.text;
    }
    auto fault = ParseFaultSpec("list-name=../A=B.CSV");
    ASSERT_TRUE(fault) << fault.error;
    EXPECT_EQ(fault->kind, FaultSpec::Kind::ListName);
    EXPECT_EQ(fault->text, "../A=B.CSV");
}

TEST(SimOptionsTest, BadFaultSpecsNameTheBadText) {
    for (const char* text : {"", "drop", "drop=", "drop=-1", "drop=x", "delay=1e3", "short-chunk=0",
                             "unplug-after=0", "stray=2", "list-name=", "explode=1"}) {
        auto fault = ParseFaultSpec(text);
        EXPECT_FALSE(fault) << text;
        EXPECT_NE(fault.error.find('"' + std::string(text) + '"'), std::string::npos)
            << fault.error;
    }
}

}  // namespace
}  // namespace corvalin
