// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelBackground.h"

#include <QPainter>

#include "LiveDisplay.h"

namespace corvalin::gui {

namespace {

// Each panel frames one channel's tiles: the panel columns start a few pixels
// left of the tile columns (10, 170, 320), the bands and boxes of each row
// lie under that row's name and value tiles.
constexpr int COLUMN_LEFT[] = {4, 164, 314};
constexpr int PANEL_WIDTH = 146;

struct RowLayout {
    int top, bottom;          // the panel
    int bandTop, bandBottom;  // the title band
    int boxTop[3], boxBottom[3];
};

constexpr RowLayout ROWS[] = {
    {3, 154, 5, 27, {29, 70, 110}, {68, 108, 150}},
    {157, 306, 159, 183, {185, 224, 264}, {222, 262, 302}},
    {309, 457, 311, 329, {331, 370, 409}, {368, 406, 452}},
};

}  // namespace

QPixmap PanelBackground() {
    QPixmap pixmap(LiveDisplay::WIDTH, LiveDisplay::HEIGHT);
    pixmap.fill(QColor(246, 247, 249));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    for (const RowLayout& row : ROWS) {
        for (int left : COLUMN_LEFT) {
            const QRectF panel(left + 0.5, row.top + 0.5, PANEL_WIDTH, row.bottom - row.top);
            painter.setPen(QPen(QColor(178, 182, 190), 1));
            painter.setBrush(QColor(218, 221, 226));
            painter.drawRoundedRect(panel, 9, 9);

            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(196, 201, 209));
            painter.drawRoundedRect(
                QRectF(left + 3, row.bandTop, PANEL_WIDTH - 5, row.bandBottom - row.bandTop), 6, 6);

            painter.setPen(QPen(QColor(190, 194, 201), 1));
            painter.setBrush(Qt::white);
            for (int box = 0; box < 3; ++box) {
                painter.drawRoundedRect(QRectF(left + 3.5, row.boxTop[box] + 0.5, PANEL_WIDTH - 6,
                                               row.boxBottom[box] - row.boxTop[box]),
                                        6, 6);
            }
        }
    }
    return pixmap;
}

}  // namespace corvalin::gui
