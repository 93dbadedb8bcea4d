#include <gtest/gtest.h>

#include "common/Cp1252.h"
#include "history/ImportHeader.h"

namespace corvalin {
namespace {

std::vector<std::string> Titles(const std::vector<HistoryColumn>& columns) {
    std::vector<std::string> titles;
    for (const HistoryColumn& column : columns) titles.push_back(column.title);
    return titles;
}

TEST(ImportHeader, UnitTextFromTheSecondHeaderField) {
    EXPECT_EQ(UnitTextFromHeader("Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)"),
              "(°C)");
    EXPECT_EQ(UnitTextFromHeader("Time,Temperature(F),Humidity(%)"), "(°F)");
    // No "(": the whole field, every C and F replaced.
    EXPECT_EQ(UnitTextFromHeader("Time,Celsius,Humidity"), "°Celsius");
    EXPECT_EQ(UnitTextFromHeader("Time,CF"), "°C°F");
    EXPECT_EQ(UnitTextFromHeader("Time,Temp (deg F) x,Humidity"), "(deg °F) x");
    EXPECT_EQ(UnitTextFromHeader(""), "");
    EXPECT_EQ(UnitTextFromHeader("Time"), "");
    // Windows-1252 text arrives as UTF-8.
    EXPECT_EQ(UnitTextFromHeader("Time,Temperatur(\xB0)"), "(°)");
}

TEST(ImportHeader, IndoorFilesByUpperCaseInInTheName) {
    EXPECT_TRUE(IsIndoorFileName("IN_0305.CSV"));
    EXPECT_TRUE(IsIndoorFileName("LOGIN.TXT"));
    EXPECT_FALSE(IsIndoorFileName("CH1_0305.CSV"));
    EXPECT_FALSE(IsIndoorFileName("indoor.csv"));
    EXPECT_FALSE(IsIndoorFileName("In.csv"));
}

TEST(ImportHeader, ColumnTitlesCarryTheUnit) {
    EXPECT_EQ(
        Titles(InitialHistoryColumns()),
        (std::vector<std::string>{"Time", "Temperature", "Humidity", "Dewpoint", "HeatIndex"}));
    EXPECT_EQ(Titles(ImportedHistoryColumns(true, "(°F)")),
              (std::vector<std::string>{"Time", "Temperature(°F)", "Humidity(%)"}));
    EXPECT_EQ(Titles(ImportedHistoryColumns(false, "(°F)")),
              (std::vector<std::string>{"Time", "Temperature(°F)", "Humidity(%)", "Dewpoint(°F)",
                                        "Heatindex(°F)"}));
    // An empty file: no unit.
    EXPECT_EQ(Titles(ImportedHistoryColumns(true, ""))[1], "Temperature");
    EXPECT_EQ(ImportedHistoryColumns(false, "")[0].width, 150);
    EXPECT_EQ(ImportedHistoryColumns(false, "")[4].width, 100);
}

TEST(Cp1252, ConvertsTheUpperHalfToUtf8) {
    EXPECT_EQ(Cp1252ToUtf8("plain"), "plain");
    EXPECT_EQ(Cp1252ToUtf8("\xB0"), "°");
    EXPECT_EQ(Cp1252ToUtf8("\x80\x9F\xFF"), "€Ÿÿ");
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");  // undefined: kept as its code point
    EXPECT_EQ(Cp1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace corvalin
