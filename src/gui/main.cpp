// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <filesystem>
#include <iostream>

#include "GuiArguments.h"
#include "MainWindow.h"
#include "MessageBoxPrompts.h"
#include "WindowRaiser.h"
#include "app/DataFolder.h"
#include "app/SingleInstance.h"
#include "common/Version.h"

namespace {

std::string ProgramDirectory() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvalin;
    gui::GuiArguments arguments;
    const gui::GuiParse parsed =
        gui::ParseGuiArguments(std::vector<std::string>(argv + 1, argv + argc), arguments);
    if (!parsed.run) {
        (parsed.exitCode == 0 ? std::cout : std::cerr) << parsed.output;
        return parsed.exitCode;
    }
    Result<ConnectionOptions> options = MakeConnectionOptions(arguments.station);
    if (!options) {
        std::cerr << options.error << "\n";
        return 2;
    }

    // A second copy brings the running window to the front and ends, saying nothing.
    SingleInstance instance;
    const QString raisePath = QString::fromStdString(instance.lockPath() + ".socket");
    if (instance.state() == SingleInstance::State::AnotherIsRunning) {
        QCoreApplication app(argc, argv);
        gui::WindowRaiser::AskToRaise(raisePath);
        return 0;
    }

    const std::string dataDir =
        arguments.dataDir.empty() ? DefaultDataDirectory() : arguments.dataDir;
    for (const std::string& problem : PrepareDataFolder(dataDir, ProgramDirectory()).problems) {
        std::cerr << problem << "\n";  // not fatal: the features that need the file say so
    }

    QApplication app(argc, argv);
    // Qt takes the desktop's locale; the texts the core formats keep their point.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Corvalin"));
    QApplication::setApplicationVersion(QString::fromLatin1(CORVALIN_VERSION));
    // The installed desktop file (named after the AppStream id): its icon and
    // name under Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.corvalin.corvalin"));

    auto session = StationSession::Create(*options);
    if (!session) {
        QMessageBox::critical(nullptr, QStringLiteral("Corvalin"),
                              QString::fromStdString(session.error));
        return 1;
    }
    gui::MessageBoxPrompts prompts;
    gui::MainWindow window(**session.value, prompts, dataDir);
    gui::WindowRaiser raiser(raisePath);
    QObject::connect(&raiser, &gui::WindowRaiser::RaiseAsked, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    window.Start();
    return app.exec();
}
