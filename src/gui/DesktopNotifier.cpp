// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace corvalin::gui {

namespace {
// The urgency hint the notification service takes, a byte.
constexpr uchar URGENCY_NORMAL = 1;
constexpr uchar URGENCY_CRITICAL = 2;
}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

void DesktopNotifier::Show(const DesktopNotice& notice) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(notice.critical ? URGENCY_CRITICAL : URGENCY_NORMAL));
    call << QStringLiteral("Corvalin") << shown_.value(notice.channel, 0u)
         << QStringLiteral("io.github.corvalin.corvalin") << QString::fromStdString(notice.summary)
         << QString::fromStdString(notice.body) << QStringList() << hints << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, channel = notice.channel](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                if (!reply.isError()) shown_.insert(channel, reply.value());
                finished->deleteLater();
            });
}

}  // namespace corvalin::gui
