// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <tuple>

#include "history/HistoryTable.h"
#include "history/ImportHeader.h"
#include "history/ImportReading.h"
#include "store/OleDate.h"

namespace corvalin {
namespace {

using Texts = std::vector<std::string>;

Texts Row(const HistoryTable& table, size_t row) {
    Texts cells;
    for (size_t column = 0; column < 5; ++column) cells.emplace_back(table.Cell(row, column));
    return cells;
}

const std::string CHANNEL_HEADER = "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)";

TEST(HistoryTable, LinesSplitIntoTheirFields) {
    // The last field runs to the end of the line; lines end with LF or CR LF.
    const std::string text = CHANNEL_HEADER +
                             "\r\n2024-03-05 14:07:09,23.4,45,10.8,24.1\r\n"
                             "2024-03-05 14:17:09,--,45,1,2,3,4\n"
                             "2024-03-05 14:22:09,23.4\n\n1,2,3,4,\nonly";
    const HistoryTable table(text, false);
    EXPECT_EQ(table.Header(), CHANNEL_HEADER);
    ASSERT_EQ(table.RowCount(), 6u);
    EXPECT_EQ(Row(table, 0), (Texts{"2024-03-05 14:07:09", "23.4", "45", "10.8", "24.1"}));
    EXPECT_EQ(Row(table, 1), (Texts{"2024-03-05 14:17:09", "--", "45", "1", "2,3,4"}));
    // A short line lacks its last fields; an empty line has one empty field; a
    // trailing comma gives an empty last field, which is there.
    EXPECT_EQ(Row(table, 2), (Texts{"2024-03-05 14:22:09", "23.4", "", "", ""}));
    EXPECT_FALSE(table.Field(2, 2) || table.Field(2, 4));
    EXPECT_EQ(table.Field(3, 0), "");
    EXPECT_FALSE(table.Field(3, 1));
    EXPECT_EQ(table.Field(4, 4), "");
    EXPECT_FALSE(table.Field(6, 0));
    EXPECT_EQ(table.Cell(9, 0), "");

    // Indoor lines have three fields; the golden indoor log has longer ones.
    const HistoryTable indoor("Time,Temperature(C),Humidity(%)\n21:00,21.0,40,9.9,20.0", true);
    EXPECT_EQ(Row(indoor, 0), (Texts{"21:00", "21.0", "40,9.9,20.0", "", ""}));
    EXPECT_EQ(HistoryTable("Time,Humidity(%)\r\n", true).RowCount(), 0u);
}

TEST(HistoryTable, CellsShowTheFirst79BytesInUtf8AndTheTableMovesSafely) {
    const std::string longField(200, '7');
    HistoryTable table("h\n" + longField + ",1," + longField +
                           "\n\xB0"
                           "C,\x80\n",
                       true);
    EXPECT_EQ(table.Field(0, 0), longField);
    EXPECT_EQ(Row(table, 0),
              (Texts{longField.substr(0, 79), "1", longField.substr(0, 79), "", ""}));
    HistoryTable moved = std::move(table);
    EXPECT_EQ(moved.Header(), "h");
    EXPECT_EQ(moved.CellUtf8(1, 0), "°C");
    EXPECT_EQ(moved.CellUtf8(1, 1), "€");
}

TEST(ImportHeader, UnitTextIndoorNamesAndFirstColumns) {
    // No "(": the whole field, every C and F replaced. Windows-1252 arrives as UTF-8.
    const std::pair<const char*, const char*> rows[] = {
        {"Time,Temperature(C),Humidity(%)", "(°C)"},
        {"Time,Celsius,Humidity", "°Celsius"},
        {"Time,CF", "°C°F"},
        {"Time,Temp (deg F) x,Humidity", "(deg °F) x"},
        {"Time,Temperatur(\xB0)", "(°)"},
    };
    for (const auto& [header, unit] : rows) EXPECT_EQ(UnitTextFromHeader(header), unit) << header;

    // Indoor logs by an upper-case "IN" in the name.
    for (const char* name : {"IN_0305.CSV", "LOGIN.TXT"}) EXPECT_TRUE(IsIndoorFileName(name));
    for (const char* name : {"CH1_0305.CSV", "In.csv"}) EXPECT_FALSE(IsIndoorFileName(name));
    Texts titles;
    for (const HistoryColumn& column : InitialHistoryColumns()) titles.push_back(column.title);
    EXPECT_EQ(titles, (Texts{"Time", "Temperature", "Humidity", "Dewpoint", "HeatIndex"}));
}

TEST(TimeText, TheStationsFormsAndTheirRelatives) {
    constexpr auto M = DateOrder::MonthFirst, D = DateOrder::DayFirst;
    // Day and month follow the setting unless a number above 12 settles it.
    // clang-format off
    const std::tuple<const char*, DateOrder, const char*> rows[] = {
        {"2024/03/05 14:07", M, "2024-03-05 14:07:00"}, {"2024-03-05", M, "2024-03-05 00:00:00"},
        {"  2024-3-5   4:07:09  ", M, "2024-03-05 04:07:09"},
        {"14:07:09", M, "1899-12-30 14:07:09"}, {"05.03.29", D, "2029-03-05 00:00:00"},
        {"2024-03-05 PM 2:07:09", M, "2024-03-05 14:07:09"},
        {"2024-03-05 AM 12:30:00", M, "2024-03-05 00:30:00"},
        {"2024-03-05 12:30:00 pm", M, "2024-03-05 12:30:00"},
        {"03-05-2024 10:00", M, "2024-03-05 10:00:00"},
        {"03-05-2024 10:00", D, "2024-05-03 10:00:00"}, {"25/12/2024", M, "2024-12-25 00:00:00"},
        {"05.03.30", D, "1930-03-05 00:00:00"}, {"12/25/2024", D, "2024-12-25 00:00:00"},
    };
    // clang-format on
    for (const auto& [text, order, iso] : rows) {
        EXPECT_EQ(ImportTime(text, order), OleDateFromCivil(*ParseCivilText(iso))) << text;
    }
    EXPECT_EQ(
        (std::vector{DateOrderFromSetting(0), DateOrderFromSetting(1), DateOrderFromSetting(2)}),
        (std::vector{M, M, D}));
}

TEST(TimeText, NoDateGivesZeroAndADateThatDoesNotExistMinusOne) {
    for (const char* text : {"Time", "2024-03", "20240305 140709", "2024-03-05x", "2024-03-05 14",
                             "2024-03-05 14:07:09 extra", "2024-03/05", "2024-03-05 PM"}) {
        EXPECT_EQ(ImportTime(text, DateOrder::MonthFirst), TIME_NOT_A_DATE) << text;
    }
    for (const char* text : {"2023-02-29", "2024-03-05 25:00", "2024-03-05 10:00:60",
                             "2024-03-05 13:00 PM", "13/13/2024", "0000-01-01"}) {
        EXPECT_EQ(ImportTime(text, DateOrder::MonthFirst), TIME_INVALID_DATE) << text;
    }
}

}  // namespace
}  // namespace corvalin
