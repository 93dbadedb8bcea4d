// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceMonitor.h"

#include <libudev.h>
#include <unistd.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstring>

namespace corvalin::gui {

namespace {
constexpr int POLL_INTERVAL_MS = 2000;
}  // namespace

DeviceMonitor::DeviceMonitor(StationSession& session, QObject* parent)
    : QObject(parent), session_(session) {
    // Told on the station's thread; the window hears of it on its own.
    watchedBySession_ = session_.WatchDeviceChanges([this](DeviceEvent event) {
        QMetaObject::invokeMethod(
            this, [this, event] { emit DeviceChanged(event); }, Qt::QueuedConnection);
    });
    if (watchedBySession_) return;

    // Without a running udev daemon the monitor would stay silent.
    const bool udevRunning = access("/run/udev/control", F_OK) == 0;
    if (udevRunning) udev_ = udev_new();
    if (udev_ != nullptr) monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ != nullptr &&
        (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
         udev_monitor_enable_receiving(monitor_) < 0)) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    if (monitor_ != nullptr) {
        notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &DeviceMonitor::ReadUdevEvents);
        return;
    }
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &DeviceMonitor::Poll);
    timer_->start(POLL_INTERVAL_MS);
}

DeviceMonitor::~DeviceMonitor() {
    // Once this returns the session calls no more.
    if (watchedBySession_) session_.WatchDeviceChanges({});
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    if (udev_ != nullptr) udev_unref(udev_);
}

void DeviceMonitor::ReadUdevEvents() {
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        if (action != nullptr && std::strcmp(action, "add") == 0) {
            emit DeviceChanged(DeviceEvent::Arrival);
        } else if (action != nullptr && std::strcmp(action, "remove") == 0) {
            emit DeviceChanged(DeviceEvent::Removal);
        }
        udev_device_unref(device);
    }
}

void DeviceMonitor::Poll() {
    if (!session_.IsConnected()) {
        emit DeviceChanged(DeviceEvent::Arrival);
    } else if (!session_.StationPresent()) {
        emit DeviceChanged(DeviceEvent::Removal);
    }
}

}  // namespace corvalin::gui
