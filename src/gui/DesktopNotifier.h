// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QObject>

#include "alert/DesktopAlerts.h"

namespace corvalin::gui {

// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). A channel's notice
// replaces its earlier one rather than stacking. Without a bus or a service
// nothing happens: the calls never wait.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    void Show(const DesktopNotice& notice);

private:
    QMap<int, uint> shown_;  // channel (0: the station) -> the service's id of its notice
};

}  // namespace corvalin::gui
