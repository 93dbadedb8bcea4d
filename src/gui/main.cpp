#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <filesystem>
#include <iostream>

#include "GuiArguments.h"
#include "MainWindow.h"
#include "MessageBoxPrompts.h"
#include "app/DataFolder.h"
#include "app/SingleInstance.h"

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

    // A second copy ends at once and says nothing.
    SingleInstance instance;
    if (instance.state() == SingleInstance::State::AnotherIsRunning) return 0;

    const std::string dataDir =
        arguments.dataDir.empty() ? DefaultDataDirectory() : arguments.dataDir;
    for (const std::string& problem : PrepareDataFolder(dataDir, ProgramDirectory()).problems) {
        std::cerr << problem << "\n";  // not fatal: the features that need the file say so
    }

    QApplication app(argc, argv);
    // Qt takes the desktop's locale; the texts the core formats keep their point.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Corvalin"));

    auto session = StationSession::Create(*options);
    if (!session) {
        QMessageBox::critical(nullptr, QStringLiteral("Corvalin"),
                              QString::fromStdString(session.error));
        return 1;
    }
    gui::MessageBoxPrompts prompts;
    gui::MainWindow window(**session.value, prompts, dataDir);
    window.show();
    window.Start();
    return app.exec();
}
