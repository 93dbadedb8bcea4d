// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// The freedesktop notification service as a desktop runs it, on its own
// connection to the test's private session bus: it keeps every Notify.
class NotificationListener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        uint replaces;
        QString summary;
        QString body;
        QVariantMap hints;
        uint id;
    };

    // False when the bus refused the name or the object.
    bool Register();
    void Unregister();
    QList<Call> calls;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout);

private:
    QDBusConnection bus_{QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                       QStringLiteral("notification-listener"))};
};
