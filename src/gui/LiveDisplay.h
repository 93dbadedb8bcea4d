#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>

#include "device/DeviceRecord.h"

namespace corvalin::gui {

// The eight channels' tiles over the panel background, painted from the
// device record. Painting never talks to the station.
class LiveDisplay : public QWidget {
    Q_OBJECT
public:
    static constexpr int WIDTH = 480;
    static constexpr int HEIGHT = 475;

    // `unit` gives the station's unit code at paint time.
    LiveDisplay(const DeviceRecord& record, std::function<int32_t()> unit,
                QWidget* parent = nullptr);

    QSize sizeHint() const override { return {WIDTH, HEIGHT}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const DeviceRecord& record_;
    std::function<int32_t()> unit_;
    QPixmap background_;
};

// The 3 x 3 light-grey panels, each with a title band and three white boxes.
QPixmap PanelBackground();

}  // namespace corvalin::gui
