// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiTest.h"

// The window tests run in one QApplication, as the program does.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Corvalin"_s);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}
