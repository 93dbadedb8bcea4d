// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "common/Cp1252.h"
#include "common/NumberText.h"
#include "common/Text.h"

namespace corvalin {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

// Edit boxes and log fields alike: the leading number, the rest ignored.
TEST(NumberText, LeadingNumberOfAText) {
    struct Row {
        const char* text;
        double number;
    };
    // Beyond a double: infinity with its sign; too small for one: zero.
    const Row rows[] = {
        {"23.4", 23.4},  {"  23.4  ", 23.4},   {"-3.5", -3.5},       {"\t+7.25C", 7.25},
        {".5", 0.5},     {"5.", 5.0},          {"12.3.4", 12.3},     {"1e2x", 100.0},
        {"2E-1", 0.2},   {"2e", 2.0},          {"2e+", 2.0},         {"3,5", 3.0},
        {"", 0.0},       {"abc", 0.0},         {"x1", 0.0},          {"nan", 0.0},
        {"inf", 0.0},    {"-", 0.0},           {"- 3", 0.0},         {".", 0.0},
        {"1e999", INF},  {"-1e999", -INF},     {"1000e306", INF},    {"1e99999999999", INF},
        {"1e-999", 0.0}, {"100000e-330", 0.0}, {"0.001e310", 1e307},
    };
    for (const Row& row : rows) EXPECT_EQ(ReadLeadingNumber(row.text), row.number) << row.text;

    // Plain decimals of every length up to the longest, rounded as strtod rounds them.
    uint64_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const int digits = 1 + static_cast<int>((seed >> 40) % 19);  // 1 to 19
        std::string text =
            std::to_string(seed | (uint64_t{1} << 63)).substr(0, static_cast<size_t>(digits));
        text.insert(static_cast<size_t>(seed >> 20) % (text.size() + 1), ".");
        if (i % 2 == 1) text.insert(0, "-");
        EXPECT_EQ(ReadLeadingNumber(text), std::strtod(text.c_str(), nullptr)) << text;
    }
}

TEST(NumberText, LeadingIntegerSaturates) {
    struct Row {
        const char* text;
        int32_t number;
    };
    // clang-format off
    const Row rows[] = {
        {" 45.9", 45}, {"-7%", -7}, {"+7", 7}, {"%", 0}, {"--5", 0},
        {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN}, {"99999999999999999999", INT32_MAX},
        {"-99999999999999999999", INT32_MIN},
    };
    // clang-format on
    for (const Row& row : rows) EXPECT_EQ(ReadLeadingInteger(row.text), row.number) << row.text;
}

TEST(NumberText, NeverReadsPastTheEndOfAField) {
    const std::string line = "12345e2";
    EXPECT_EQ(ReadLeadingNumber(std::string_view(line).substr(0, 2)), 12.0);
    EXPECT_EQ(ReadLeadingNumber(std::string_view(line).substr(0, 6)), 12345.0);
    EXPECT_EQ(ReadLeadingInteger(std::string_view(line).substr(0, 3)), 123);
    // A whole field as a number, or none.
    EXPECT_EQ(ReadExactNumber("+2.5"), 2.5);
    EXPECT_FALSE(ReadExactNumber("2.5x") || ReadExactNumber("nan") || ReadExactNumber(""));
}

TEST(Cp1252, ConvertsTheUpperHalfToUtf8) {
    EXPECT_EQ(Cp1252ToUtf8("\xB0"), "°");
    EXPECT_EQ(Cp1252ToUtf8("\x80") + Cp1252ToUtf8("\x9F\xFF"), "€Ÿÿ");
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");  // undefined: kept as its code point
    EXPECT_EQ(Cp1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    // Text that is UTF-8 stays; an overlong form is none, so it is read as CP1252.
    EXPECT_EQ(AsUtf8("\xE2\x82\xAC"), "€");
    EXPECT_EQ(AsUtf8("\xE0\x82\xAC") + AsUtf8("\xC1\xBF"), "à‚¬Á¿");
    EXPECT_EQ(AsUtf8("\xF0\x82\x82\xAC"), "ð‚‚¬");
}

TEST(NumberText, WrittenShortestAndReadBackExactly) {
    for (double value : {0.1 + 0.2, -0.1, 1e-7, 123456.789, -40.0, 23.4, 1e300}) {
        const std::string text = ShortestText(value);
        EXPECT_EQ(ReadLeadingNumber(text), value) << text;
        EXPECT_LE(text.size(), 23u) << text;
    }
    EXPECT_EQ(ShortestText(23.4), "23.4");
    struct Ratio {
        double percent;
        const char* text;
    };
    for (const Ratio& r : {Ratio{57, "0.57"}, Ratio{100, "1"}, Ratio{5, "0.05"}, Ratio{0, "0"},
                           Ratio{99.9, "0.999"}, Ratio{0.5, "0.005"}, Ratio{45.3, "0.453"},
                           Ratio{-2.5, "-0.025"}, Ratio{123.4, "1.234"}, Ratio{-0.0, "0"}}) {
        EXPECT_EQ(PercentAsRatioText(r.percent), r.text) << r.percent;
    }
}

}  // namespace
}  // namespace corvalin
