#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corvalin {

// How the configuration dialogs read the numbers typed into their edit boxes,
// and how those numbers travel to the station.

// What an edit box holds.
enum class EditValueKind {
    TemperatureLimit,   // an alarm limit: Fahrenheit converts with (x - 32) / 1.8
    TemperatureOffset,  // a calibration offset, a difference: Fahrenheit converts with x / 1.8
    Humidity,           // percent, an integer
};

// The value of "--": no limit, no offset.
constexpr int32_t EDIT_NO_VALUE = 0xFFFF;

// Leading blanks, an optional sign and the digits that follow; no digits reads as 0.
// Values beyond the 32-bit range saturate.
int32_t ReadEditInteger(std::string_view text);
// Leading blanks, an optional sign, digits with an optional fraction and exponent;
// no number reads as 0.0.
double ReadEditNumber(std::string_view text);

// A temperature text as tenths of a degree Celsius, not yet truncated
// (the "--" rule does not apply: "--" reads as 0.0 in the user's unit).
double TemperatureTenths(std::string_view text, EditValueKind kind, int32_t unitFahrenheit);
// Truncated toward zero and held inside the 32-bit range.
int32_t TruncateTenths(double tenths);

// The wire value of an edit text: EDIT_NO_VALUE for "--" (blanks around it
// allowed), else the integer (humidity) or the truncated tenths of °C.
int32_t ParseEditValue(std::string_view text, EditValueKind kind, int32_t unitFahrenheit);

// Wire bytes: EDIT_NO_VALUE gives 0xFF 0xFF (0xFF), any other value its low
// 16 bits (8 bits) in two's complement, high byte first.
std::array<uint8_t, 2> TemperatureWireBytes(int32_t value);
uint8_t HumidityWireByte(int32_t value);

// The unit sign beside a temperature edit: "°C", or "°F" for a non-zero unit code.
const char* TemperatureUnitText(int32_t unitFahrenheit);

// A temperature pair of an answer in °C; the no-value pairs (0xFF 0xFF and
// 0x7F 0xFF) give NO_DATA.
float DecodeTemperatureBytes(uint8_t high, uint8_t low);

}  // namespace corvalin
