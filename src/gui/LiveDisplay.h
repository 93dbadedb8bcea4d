// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>

#include "session/StationSession.h"

namespace corvalin::gui {

// The eight channels' tiles over the panel background, painted from the
// session's last readings. Painting never talks to the station.
class LiveDisplay : public QWidget {
    Q_OBJECT
public:
    static constexpr int WIDTH = 480;
    static constexpr int HEIGHT = 475;

    explicit LiveDisplay(const StationSession& session, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {WIDTH, HEIGHT}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const StationSession& session_;
    QPixmap background_;
};

}  // namespace corvalin::gui
