// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartApplication.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace corvalin::chart {

namespace {

QtMessageHandler previousHandler = nullptr;

// Qt's notes about the platform (no runtime folder, no display) mean
// nothing to a user of the command line; its errors still show.
void ShowOnlyErrors(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtCriticalMsg && type != QtFatalMsg) return;
    if (previousHandler != nullptr) {
        previousHandler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

}  // namespace

ChartApplication::ChartApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    // No display is needed, nor used when there is one.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    previousHandler = qInstallMessageHandler(ShowOnlyErrors);
    owned_ = std::make_unique<QApplication>(argc_, argv_);
}

ChartApplication::~ChartApplication() {
    if (!owned_) return;
    owned_.reset();
    qInstallMessageHandler(previousHandler);
}

}  // namespace corvalin::chart
