// SPDX-License-Identifier: GPL-3.0-or-later
// Writes PNGs of the main window and its dialogs against the simulated
// station, for checking them by eye: corvalin-screenshots OUTPUT_DIR.
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "AboutDialog.h"
#include "AlarmDialog.h"
#include "CalibrationDialog.h"
#include "CardDialog.h"
#include "GraphDialog.h"
#include "MainWindow.h"
#include "MessageBoxPrompts.h"
#include "SetupDialog.h"

namespace {

void Settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Picks the card file `name` as a click does.
void ClickFile(QTableWidget* files, const QString& name) {
    for (int row = 0; row < files->rowCount(); ++row) {
        if (files->item(row, 0)->text() == name) {
            files->setCurrentCell(row, 0);
            emit files->cellClicked(row, 0);
        }
    }
}

bool Save(QWidget* widget, const QString& dir, const QString& name) {
    const QString path = dir + QLatin1Char('/') + name;
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalin"));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(out);

    const auto scratch = std::filesystem::temp_directory_path() / "corvalin-screenshots";
    std::filesystem::remove_all(scratch);
    const std::string card = (scratch / "card").string();
    const std::string data = (scratch / "data").string();
    std::filesystem::create_directories(data);
    corvalin::ConnectionOptions options;
    options.simulate = true;
    options.sim.cardDir = card;
    auto session = corvalin::StationSession::Create(options);
    if (!session) {
        std::fprintf(stderr, "%s\n", session.error.c_str());
        return 1;
    }
    corvalin::gui::MessageBoxPrompts prompts;
    corvalin::gui::MainWindow window(**session.value, prompts, data);
    window.show();
    window.Start();

    bool ok = true;
    for (int i = 0; i < 100 && window.poll().CyclesRun() == 0; ++i) Settle(50);
    Settle(300);
    ok &= Save(&window, out, QStringLiteral("main.png"));

    // The menu, with the desktop notifications' switch.
    if (auto* menu = window.findChild<QMenu*>(QStringLiteral("mainMenu"))) {
        menu->popup(window.mapToGlobal(QPoint(0, 0)));
        Settle(300);
        ok &= Save(menu, out, QStringLiteral("menu.png"));
        menu->hide();
    }

    // The configuration dialogs, filled from the station's answers.
    (*session.value)->TakeCalibrationReadings();
    window.setupDialog()->Load();
    window.alarmDialog()->Load();
    window.calibrationDialog()->Load();
    const std::pair<QDialog*, const char*> dialogs[] = {
        {window.setupDialog(), "setup.png"},
        {window.alarmDialog(), "alarm.png"},
        {window.calibrationDialog(), "calibration.png"}};
    for (const auto& [dialog, file] : dialogs) {
        dialog->show();
        Settle(200);
        ok &= Save(dialog, out, QString::fromLatin1(file));
        dialog->hide();
    }

    {
        // The SD-card dialog after a download of a default card file.
        corvalin::gui::CardDialog* cardDialog = window.cardDialog();
        window.poll().dialogOpen = true;
        cardDialog->Begin();
        cardDialog->show();
        auto* files = cardDialog->findChild<QTableWidget*>(QStringLiteral("fileList"));
        ClickFile(files, QStringLiteral("CH2.CSV"));
        QSignalSpy finished(cardDialog, &corvalin::gui::CardDialog::TransferFinished);
        cardDialog->findChild<QPushButton*>(QStringLiteral("selectButton"))->click();
        for (int i = 0; i < 300 && finished.isEmpty(); ++i) Settle(50);
        Settle(300);
        ok &= !finished.isEmpty() && Save(cardDialog, out, QStringLiteral("sdcard.png"));

        // The graph of that file, as the dialog's Graph button opens it, in both modes.
        bool graphed = false;
        QTimer::singleShot(0, cardDialog, [&] {
            auto* graph = cardDialog->findChild<corvalin::gui::GraphDialog*>();
            if (graph == nullptr) return;
            auto* startDate = graph->findChild<QDateTimeEdit*>(QStringLiteral("startDate"));
            startDate->setDate(startDate->date().addDays(-4));  // the card holds three days
            auto* quantity = graph->findChild<QComboBox*>(QStringLiteral("quantityList"));
            auto* select = graph->findChild<QPushButton*>(QStringLiteral("selectButton"));
            const std::pair<int, const char*> modes[] = {{0, "graph-temperature.png"},
                                                         {1, "graph-humidity.png"}};
            graphed = true;
            for (const auto& [index, name] : modes) {
                quantity->setCurrentIndex(index);
                select->click();
                Settle(300);
                graphed &= Save(graph, out, QString::fromLatin1(name));
            }
            graph->reject();
        });
        cardDialog->findChild<QPushButton*>(QStringLiteral("graphButton"))->click();
        ok &= graphed;

        // After deleting a file in the middle of the list: the first file is
        // picked, highlighted and named.
        ClickFile(files, QStringLiteral("CH3.CSV"));
        QTimer::singleShot(300, cardDialog, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->button(QMessageBox::Ok)->click();
            }
        });
        cardDialog->findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
        Settle(300);
        ok &= Save(cardDialog, out, QStringLiteral("sdcard-after-delete.png"));
        cardDialog->hide();
        cardDialog->End();

        // Opened again: as at its first opening.
        cardDialog->Begin();
        cardDialog->show();
        Settle(300);
        ok &= Save(cardDialog, out, QStringLiteral("sdcard-reopened.png"));
        cardDialog->hide();
        cardDialog->End();
        window.poll().dialogOpen = false;
    }

    window.findChild<QAction*>(QStringLiteral("unplugAction"))->trigger();
    Settle(300);
    ok &= Save(&window, out, QStringLiteral("main-unplugged.png"));

    corvalin::gui::AboutDialog about(&window);
    about.show();
    Settle(300);
    ok &= Save(&about, out, QStringLiteral("about.png"));
    about.close();

    std::filesystem::remove_all(scratch);
    return ok ? 0 : 1;
}
