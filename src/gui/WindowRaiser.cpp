// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowRaiser.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace corvalin::gui {

namespace {
constexpr int ASK_WAIT_MS = 1000;
constexpr char RAISE = 'R';
}  // namespace

WindowRaiser::WindowRaiser(const QString& path, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
    // A socket left by a copy that crashed: the lock says none runs now.
    QLocalServer::removeServer(path);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(path);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(RAISE)) emit RaiseAsked();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool WindowRaiser::AskToRaise(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(ASK_WAIT_MS)) return false;
    socket.write(&RAISE, 1);
    const bool sent = socket.waitForBytesWritten(ASK_WAIT_MS);
    socket.disconnectFromServer();
    return sent;
}

}  // namespace corvalin::gui
