// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace corvalin::gui {

// Lets a second start of the program bring the running window to the front:
// the running copy listens on a local socket beside its lock file, and the
// second copy rings it before it ends.
class WindowRaiser : public QObject {
    Q_OBJECT
public:
    // The running copy: listens at `path` (the lock makes it the only one).
    explicit WindowRaiser(const QString& path, QObject* parent = nullptr);

    // The second copy: asks the running one to show itself; false when none
    // heard (within a second).
    static bool AskToRaise(const QString& path);

signals:
    void RaiseAsked();

private:
    QLocalServer* server_ = nullptr;
};

}  // namespace corvalin::gui
