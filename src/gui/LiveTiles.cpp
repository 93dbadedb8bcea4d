// SPDX-License-Identifier: GPL-3.0-or-later
#include "LiveTiles.h"

#include "common/ReadingFormat.h"

namespace corvalin::gui {

namespace {

QRect Tile(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

}  // namespace

const std::array<TileRects, CHANNEL_COUNT>& LiveTileRects() {
    static const std::array<TileRects, CHANNEL_COUNT> rects = {{
        {Tile(10, 8, 110, 25), Tile(10, 30, 110, 70), Tile(10, 70, 110, 110),
         Tile(10, 110, 110, 150)},
        {Tile(170, 8, 270, 25), Tile(170, 30, 270, 70), Tile(170, 70, 270, 110),
         Tile(170, 110, 270, 150)},
        {Tile(320, 8, 420, 25), Tile(320, 30, 420, 70), Tile(320, 70, 420, 110),
         Tile(320, 110, 420, 150)},
        {Tile(10, 162, 110, 185), Tile(10, 185, 110, 222), Tile(10, 225, 110, 262),
         Tile(10, 265, 110, 342)},
        {Tile(170, 162, 270, 185), Tile(170, 185, 270, 222), Tile(170, 225, 270, 262),
         Tile(170, 265, 270, 302)},
        {Tile(320, 162, 420, 185), Tile(320, 185, 420, 222), Tile(320, 225, 420, 262),
         Tile(320, 265, 420, 302)},
        {Tile(10, 315, 110, 335), Tile(10, 330, 110, 370), Tile(10, 370, 110, 400),
         Tile(10, 410, 110, 450)},
        {Tile(170, 315, 270, 335), Tile(170, 330, 270, 370), Tile(170, 370, 270, 400),
         Tile(170, 410, 270, 450)},
    }};
    return rects;
}

std::array<TileTexts, CHANNEL_COUNT> LiveTileTexts(const LiveReadings& readings, int32_t unitCode) {
    std::array<TileTexts, CHANNEL_COUNT> texts;
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const float t = readings.temperatureC[k];
        const int32_t h = readings.humidityPct[k];
        texts[k].name = QStringLiteral("CH%1").arg(k + 1);
        texts[k].temperature = QStringLiteral("Temperature:\r\n ") +
                               QString::fromStdString(FormatTemperature(t, 0, unitCode));
        texts[k].humidity =
            QStringLiteral("Humidity:\r\n ") + QString::fromStdString(FormatHumidity(h, 0));
        texts[k].dewPoint =
            QStringLiteral("DewPoint:\r\n ") +
            QString::fromStdString(FormatTemperature(DewPointOfReading(t, h), 0, unitCode));
    }
    return texts;
}

}  // namespace corvalin::gui
