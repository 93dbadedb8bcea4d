// SPDX-License-Identifier: GPL-3.0-or-later
#include "LiveDisplay.h"

#include <QFont>
#include <QPainter>

#include "LiveTiles.h"
#include "PanelBackground.h"

namespace corvalin::gui {

namespace {

QFont TileFont() {
    // Arial where it exists; Liberation Sans has the same metrics.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// The tile texts carry Windows line ends; Qt breaks lines on the line feed alone.
QString ForDrawing(const QString& text) {
    QString drawn = text;
    drawn.remove(QLatin1Char('\r'));
    return drawn;
}

}  // namespace

LiveDisplay::LiveDisplay(const StationSession& session, QWidget* parent)
    : QWidget(parent), session_(session), background_(PanelBackground()) {
    setFixedSize(WIDTH, HEIGHT);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the background covers everything
}

void LiveDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
    painter.setFont(TileFont());
    painter.setPen(Qt::black);

    const auto texts = LiveTileTexts(session_.Readings(), session_.UnitCode());
    const auto& rects = LiveTileRects();
    // Some tiles are lower than two lines of text: let the value show in full
    // rather than cut it off at the tile's edge.
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        painter.drawText(rects[k].name, flags, texts[k].name);
        painter.drawText(rects[k].temperature, flags, ForDrawing(texts[k].temperature));
        painter.drawText(rects[k].humidity, flags, ForDrawing(texts[k].humidity));
        painter.drawText(rects[k].dewPoint, flags, ForDrawing(texts[k].dewPoint));
    }
}

}  // namespace corvalin::gui
