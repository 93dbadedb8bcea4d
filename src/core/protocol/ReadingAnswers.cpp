// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/ReadingAnswers.h"

#include "common/ByteOrder.h"
#include "protocol/DisplayMask.h"
#include "protocol/Protocol.h"
#include "protocol/WireValues.h"

namespace corvalin {

namespace {
constexpr size_t UNIT_BYTE = 7;
constexpr size_t FIRST_MASK_BYTE = 8;
constexpr float LOWEST_TEMPERATURE = -40.0f;
constexpr float HIGHEST_TEMPERATURE = 60.0f;
constexpr int32_t LOWEST_HUMIDITY = 1;
constexpr int32_t HIGHEST_HUMIDITY = 99;
}  // namespace

DecodedSettings DecodeSettingsReport(const Report& settings) {
    DecodedSettings decoded;
    decoded.unitFahrenheit = static_cast<int8_t>(settings[UNIT_BYTE]);
    uint32_t masks = 0;
    for (int area = 0; area < AREA_COUNT; ++area) {
        masks |= ReadBigEndian32(&settings[FIRST_MASK_BYTE + 4 * area]);
    }
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        decoded.channelEnabled[k] = (masks & (0x7u << (3 * k))) != 0;
    }
    return decoded;
}

void DecodeLiveReport(const Report& live, const std::array<bool, CHANNEL_COUNT>& channelEnabled,
                      LiveReadings& readings) {
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        float temperature = DecodeTemperature(live[1 + 3 * k], live[2 + 3 * k]);
        if (temperature != NO_DATA &&
            (temperature < LOWEST_TEMPERATURE || temperature > HIGHEST_TEMPERATURE)) {
            temperature = NO_DATA;
        }
        const uint8_t humidity = live[3 + 3 * k];
        int32_t humidityPct = humidity == NO_HUMIDITY_BYTE ? NO_DATA_INT : humidity;
        if (humidityPct < LOWEST_HUMIDITY || humidityPct > HIGHEST_HUMIDITY) {
            humidityPct = NO_DATA_INT;
        }
        if (!channelEnabled[k]) {
            temperature = NO_DATA;
            humidityPct = NO_DATA_INT;
        }
        readings.temperatureC[k] = temperature;
        readings.humidityPct[k] = humidityPct;
    }
}

}  // namespace corvalin
