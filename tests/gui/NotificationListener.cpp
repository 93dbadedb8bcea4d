// SPDX-License-Identifier: GPL-3.0-or-later
#include "NotificationListener.h"

namespace {
const QString SERVICE = QStringLiteral("org.freedesktop.Notifications");
const QString PATH = QStringLiteral("/org/freedesktop/Notifications");
}  // namespace

bool NotificationListener::Register() {
    return bus_.isConnected() && bus_.registerObject(PATH, this, QDBusConnection::ExportAllSlots) &&
           bus_.registerService(SERVICE);
}

void NotificationListener::Unregister() {
    bus_.unregisterService(SERVICE);
    bus_.unregisterObject(PATH);
}

uint NotificationListener::Notify(const QString&, uint replaces, const QString&,
                                  const QString& summary, const QString& body, const QStringList&,
                                  const QVariantMap& hints, int) {
    const uint id = replaces != 0 ? replaces : static_cast<uint>(calls.size() + 1);
    calls.append({replaces, summary, body, hints, id});
    return id;
}
