// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiTest.h"

#include <fstream>

#include "support/ChildProcess.h"

// The window tests run in one QApplication, as the program does, with its
// settings in a folder of their own and a private session bus (the policy of
// a desktop's session bus, no services to start).
int main(int argc, char** argv) {
    test::TempDir home;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.File("config")));
    std::ofstream(home.File("bus.conf"))
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:dir="
        << home.path()
        << "</listen>"
           "<auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
    test::ChildProcess bus({"/usr/bin/dbus-daemon", "--config-file=" + home.File("bus.conf"),
                            "--print-address=1", "--nofork"});
    if (!bus.WaitFor([](const std::vector<std::string>& lines) { return !lines.empty(); })) {
        qFatal("no private session bus");
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(bus.Lines().front()));
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Corvalin"_s);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}
