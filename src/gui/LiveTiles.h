// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <array>

#include "common/Readings.h"

namespace corvalin::gui {

// Where each channel's texts stand on the 480 x 475 live display.
struct TileRects {
    QRect name;
    QRect temperature;
    QRect humidity;
    QRect dewPoint;
};

const std::array<TileRects, CHANNEL_COUNT>& LiveTileRects();

// What one channel's tiles say.
struct TileTexts {
    QString name;
    QString temperature;  // "Temperature:\r\n " and the value
    QString humidity;
    QString dewPoint;
};

// `unitCode` as the station sends it: 0 Celsius, other Fahrenheit.
std::array<TileTexts, CHANNEL_COUNT> LiveTileTexts(const LiveReadings& readings, int32_t unitCode);

}  // namespace corvalin::gui
