// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>

#include "session/StationSession.h"

class QSocketNotifier;
class QTimer;
struct udev;
struct udev_monitor;

namespace corvalin::gui {

// Tells the window when HID interfaces come and go: the simulated station's
// own plug and unplug, a udev monitor on the hidraw subsystem, or, where no
// udev runs, a look every 2 s.
class DeviceMonitor : public QObject {
    Q_OBJECT
public:
    explicit DeviceMonitor(StationSession& session, QObject* parent = nullptr);
    ~DeviceMonitor() override;

signals:
    void DeviceChanged(corvalin::DeviceEvent event);

private:
    void ReadUdevEvents();
    void Poll();

    StationSession& session_;
    bool watchedBySession_ = false;
    struct udev* udev_ = nullptr;
    struct udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace corvalin::gui
