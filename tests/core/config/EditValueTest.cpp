#include <gtest/gtest.h>

#include "config/EditValue.h"
#include "device/ReadingFormat.h"

namespace corvalin {
namespace {

constexpr int32_t C = 0;
constexpr int32_t F = 1;

TEST(ParseEditValue, DashesMeanNoValueForEveryKind) {
    EXPECT_EQ(ParseEditValue("--", EditValueKind::TemperatureLimit, C), EDIT_NO_VALUE);
    EXPECT_EQ(ParseEditValue("  --  ", EditValueKind::TemperatureOffset, F), EDIT_NO_VALUE);
    EXPECT_EQ(ParseEditValue("--\t", EditValueKind::Humidity, C), EDIT_NO_VALUE);
    // Only the two dashes alone: anything else is read as a number.
    EXPECT_EQ(ParseEditValue("--5", EditValueKind::Humidity, C), 0);
    EXPECT_EQ(ParseEditValue("-", EditValueKind::TemperatureLimit, C), 0);
}

TEST(ParseEditValue, CelsiusTruncatesTowardZeroInDoublePrecision) {
    EXPECT_EQ(ParseEditValue("25.3", EditValueKind::TemperatureLimit, C), 253);
    EXPECT_EQ(ParseEditValue("60.0", EditValueKind::TemperatureLimit, C), 600);
    EXPECT_EQ(ParseEditValue("-40.05", EditValueKind::TemperatureLimit, C), -400);
    EXPECT_EQ(ParseEditValue("37.7", EditValueKind::TemperatureOffset, C), 377);
    EXPECT_EQ(ParseEditValue("-0.19", EditValueKind::TemperatureOffset, C), -1);
}

TEST(ParseEditValue, FahrenheitLimitsSubtract32OffsetsDoNot) {
    // (77.5 - 32) / 1.8 × 10 = 252.77
    EXPECT_EQ(ParseEditValue("77.5", EditValueKind::TemperatureLimit, F), 252);
    EXPECT_EQ(ParseEditValue("-40.0", EditValueKind::TemperatureLimit, F), -400);
    // 0.5 / 1.8 × 10 = 2.78; 1.8 / 1.8 × 10 = 10
    EXPECT_EQ(ParseEditValue("0.5", EditValueKind::TemperatureOffset, F), 2);
    EXPECT_EQ(ParseEditValue("1.8", EditValueKind::TemperatureOffset, F), 10);
    EXPECT_EQ(ParseEditValue("-1.8", EditValueKind::TemperatureOffset, F), -10);
}

TEST(ParseEditValue, HumidityIsTheLeadingInteger) {
    EXPECT_EQ(ParseEditValue("45  ", EditValueKind::Humidity, C), 45);
    EXPECT_EQ(ParseEditValue(" -3", EditValueKind::Humidity, C), -3);
    EXPECT_EQ(ParseEditValue("12.9", EditValueKind::Humidity, C), 12);
    EXPECT_EQ(ParseEditValue("abc", EditValueKind::Humidity, C), 0);
}

TEST(ReadEditText, LenientLikeTheEditBoxesButNeverUndefined) {
    EXPECT_EQ(ReadEditInteger("240min"), 240);
    EXPECT_EQ(ReadEditInteger("+7"), 7);
    EXPECT_EQ(ReadEditInteger(""), 0);
    EXPECT_EQ(ReadEditInteger("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ReadEditInteger("-99999999999999999999"), INT32_MIN);

    EXPECT_DOUBLE_EQ(ReadEditNumber("  23.4  "), 23.4);
    EXPECT_DOUBLE_EQ(ReadEditNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ReadEditNumber("5."), 5.0);
    EXPECT_DOUBLE_EQ(ReadEditNumber("1e1"), 10.0);
    EXPECT_DOUBLE_EQ(ReadEditNumber("2e"), 2.0);
    EXPECT_DOUBLE_EQ(ReadEditNumber("3,5"), 3.0);
    EXPECT_DOUBLE_EQ(ReadEditNumber("nan"), 0.0);
    EXPECT_DOUBLE_EQ(ReadEditNumber("x1"), 0.0);
    // Out of every range: held at the 32-bit bounds, no undefined conversion.
    EXPECT_EQ(ParseEditValue("1e999", EditValueKind::TemperatureLimit, C), INT32_MAX);
    EXPECT_EQ(ParseEditValue("-1e999", EditValueKind::TemperatureOffset, F), INT32_MIN);
    EXPECT_EQ(ParseEditValue("1e-999", EditValueKind::TemperatureLimit, C), 0);
}

TEST(WireBytes, TwoComplementHighByteFirstAndNoValue) {
    EXPECT_EQ(TemperatureWireBytes(252), (std::array<uint8_t, 2>{0x00, 0xFC}));
    EXPECT_EQ(TemperatureWireBytes(-400), (std::array<uint8_t, 2>{0xFE, 0x70}));
    EXPECT_EQ(TemperatureWireBytes(EDIT_NO_VALUE), (std::array<uint8_t, 2>{0xFF, 0xFF}));
    EXPECT_EQ(HumidityWireByte(-3), 0xFD);
    EXPECT_EQ(HumidityWireByte(99), 99);
    EXPECT_EQ(HumidityWireByte(EDIT_NO_VALUE), 0xFF);

    EXPECT_FLOAT_EQ(DecodeTemperatureBytes(0x00, 0xFD), 25.3f);
    EXPECT_FLOAT_EQ(DecodeTemperatureBytes(0xFF, 0xF6), -1.0f);
    EXPECT_EQ(DecodeTemperatureBytes(0xFF, 0xFF), NO_DATA);
    EXPECT_EQ(DecodeTemperatureBytes(0x7F, 0xFF), NO_DATA);
}

}  // namespace
}  // namespace corvalin
