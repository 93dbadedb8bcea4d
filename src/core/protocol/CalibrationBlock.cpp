// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/CalibrationBlock.h"

#include "protocol/WireValues.h"

namespace corvalin {

float DecodeTemperatureOffset(const Report& answer, int channel) {
    return DecodeTemperature(answer[1 + 3 * channel], answer[2 + 3 * channel]);
}

int32_t DecodeHumidityOffset(const Report& answer, int channel) {
    return static_cast<int8_t>(answer[3 + 3 * channel]);
}

CalibrationOffsets DecodeCalibrationOffsets(const Report& answer) {
    CalibrationOffsets offsets;
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        offsets.temperature[k] = TemperatureWireValue(answer[1 + 3 * k], answer[2 + 3 * k]);
        offsets.humidity[k] = DecodeHumidityOffset(answer, k);
    }
    return offsets;
}

CommandFrame MakeCalibrationFrame(const CalibrationOffsets& offsets) {
    std::array<uint8_t, CALIBRATION_PAYLOAD_SIZE> payload{};
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const auto temperature = TemperatureWireBytes(offsets.temperature[k]);
        payload[3 * k] = temperature[0];
        payload[3 * k + 1] = temperature[1];
        payload[3 * k + 2] = HumidityWireByte(offsets.humidity[k]);
    }
    return MakeCommandFrame(CMD_WRITE_CALIBRATION, payload);
}

}  // namespace corvalin
