// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindow.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMetaObject>
#include <QSettings>
#include <QStatusBar>
#include <algorithm>
#include <ctime>

#include "AboutDialog.h"
#include "AlarmDialog.h"
#include "CalibrationDialog.h"
#include "CardDialog.h"
#include "DesktopNotifier.h"
#include "DeviceMonitor.h"
#include "GraphDialog.h"
#include "LiveDisplay.h"
#include "SetupDialog.h"
#include "common/Messages.h"
#include "common/ZonedTime.h"
#include "logger/SessionSnapshot.h"
#include "sim/SimulatedStation.h"

// The resources live in a static library: register them before first use.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace corvalin::gui {

namespace {

// Where the window keeps the one choice of its own: the notification switch.
constexpr const char* NOTIFICATIONS_KEY = "desktopNotifications";

QSettings WindowSettings() {
    return QSettings(QStringLiteral("Corvalin"), QStringLiteral("corvalin"));
}

}  // namespace

MainWindow::MainWindow(StationSession& session, UserPrompts& prompts, std::string dataDir,
                       QWidget* parent)
    : QMainWindow(parent), session_(session), prompts_(prompts), dataDir_(std::move(dataDir)) {
    InitResources();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Corvalin"));
    setWindowIcon(QIcon(QStringLiteral(":/corvalin.png")));

    display_ = new LiveDisplay(session_, this);
    display_->setObjectName(QStringLiteral("liveDisplay"));
    setCentralWidget(display_);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("connectionStatus"));
    statusBar()->addWidget(status_, 1);
    if (session_.simulated()) {
        auto* simulated = new QLabel(QStringLiteral("Simulated station"), this);
        simulated->setObjectName(QStringLiteral("simulatedStation"));
        statusBar()->addPermanentWidget(simulated);
    }
    statusBar()->setSizeGripEnabled(false);
    ShowConnection(false);

    BuildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    setupDialog_ = new SetupDialog(session_, prompts_, this);
    SetDialogOpener(MenuDialog::Setup, [this] { setupDialog_->Open(); });
    alarmDialog_ = new AlarmDialog(session_, prompts_, this);
    SetDialogOpener(MenuDialog::Alarm, [this] { alarmDialog_->Open(); });
    calibrationDialog_ = new CalibrationDialog(session_, prompts_, this);
    SetDialogOpener(MenuDialog::Calibration, [this] { calibrationDialog_->Open(); });
    cardDialog_ = new CardDialog(session_, prompts_, dataDir_, this);
    SetDialogOpener(MenuDialog::SdCard, [this] { cardDialog_->Open(); });
    cardDialog_->SetGraphOpener([this](const QString& unitLabel) {
        GraphDialog graph(prompts_, dataDir_, unitLabel, cardDialog_);
        graph.exec();
    });

    // Repaints are asked for from the poll thread and run on this thread.
    poll_ = std::make_unique<PollThread>(session_, [display = display_] {
        QMetaObject::invokeMethod(
            display, [display] { display->update(); }, Qt::QueuedConnection);
    });
    // Each fresh reading is judged on this thread, in the order taken.
    notifier_ = new DesktopNotifier(this);
    poll_->SetCycleListener([this](const ReadCycleAnswers& answers) {
        if (!answers.live) return;
        const ReadingSnapshot reading = SnapshotOfLastRead(session_, answers, std::time(nullptr));
        const int32_t unit = session_.UnitCode();
        QMetaObject::invokeMethod(
            this, [this, reading, unit] { Notify(desktopAlerts_.OnReading(reading, unit)); },
            Qt::QueuedConnection);
    });
}

MainWindow::~MainWindow() {
    // The poll thread uses the session and posts to the display: end it first.
    poll_->Stop();
}

void MainWindow::Start() {
    const bool connected = session_.Open() || OpenChosenStation();
    ShowConnection(connected);
    Notify(desktopAlerts_.OnStation(connected, std::time(nullptr)));
    monitor_ = new DeviceMonitor(session_, this);
    connect(monitor_, &DeviceMonitor::DeviceChanged, this, &MainWindow::OnDeviceChange);
    poll_->Start();
}

void MainWindow::BuildMenus() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Menu"));
    menu->setObjectName(QStringLiteral("mainMenu"));
    const std::pair<MenuDialog, const char*> items[] = {
        {MenuDialog::Setup, "Setup"},
        {MenuDialog::Alarm, "Alarm"},
        {MenuDialog::Calibration, "Calibration"},
        {MenuDialog::SdCard, "SDCard File"},
    };
    const char* names[] = {"setupAction", "alarmAction", "calibrationAction", "sdCardAction"};
    int index = 0;
    for (const auto& [dialog, text] : items) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setObjectName(QString::fromLatin1(names[index++]));
        action->setEnabled(false);  // until its dialog is there
        const MenuDialog which = dialog;
        connect(action, &QAction::triggered, this, [this, which] { RunMenuDialog(which); });
        dialogActions_[dialog] = action;
    }
    QAction* sync = menu->addAction(QStringLiteral("Sync Time"));
    sync->setObjectName(QStringLiteral("syncTimeAction"));
    connect(sync, &QAction::triggered, this, &MainWindow::SyncClock);
    BuildNotificationSwitch(menu);
    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    if (SimulatedStation* station = session_.simulator()) {
        QMenu* simulation = menuBar()->addMenu(QStringLiteral("Simulation"));
        simulation->setObjectName(QStringLiteral("simulationMenu"));
        QAction* unplug = simulation->addAction(QStringLiteral("Unplug station"));
        unplug->setObjectName(QStringLiteral("unplugAction"));
        // The monitor hears of it as of a real station's removal.
        connect(unplug, &QAction::triggered, this, [station] { station->Unplug(); });
        QAction* plug = simulation->addAction(QStringLiteral("Plug in station"));
        plug->setObjectName(QStringLiteral("plugAction"));
        connect(plug, &QAction::triggered, this, [station] { station->Plug(); });
        QAction* mainScreen = simulation->addAction(QStringLiteral("Station on main screen"));
        mainScreen->setObjectName(QStringLiteral("mainScreenAction"));
        mainScreen->setCheckable(true);
        mainScreen->setChecked(station->OnMainScreen());
        connect(mainScreen, &QAction::toggled, this,
                [station](bool on) { station->SetOnMainScreen(on); });
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    QAction* about = help->addAction(QStringLiteral("About Corvalin"));
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
}

void MainWindow::SetDialogOpener(MenuDialog dialog, std::function<void()> open) {
    dialogOpeners_[dialog] = std::move(open);
    dialogActions_[dialog]->setEnabled(static_cast<bool>(dialogOpeners_[dialog]));
}

void MainWindow::RunMenuDialog(MenuDialog dialog) {
    auto opener = dialogOpeners_.find(dialog);
    if (opener == dialogOpeners_.end() || !opener->second) return;
    // No new cycle from here on; then let a running one end.
    DialogOpenScope open(*poll_);
    poll_->WaitForIdle(POLL_IDLE_WAIT);
    if (dialog == MenuDialog::Calibration) session_.TakeCalibrationReadings();
    opener->second();
}

void MainWindow::SyncClock() {
    DialogOpenScope open(*poll_);
    if (!prompts_.ConfirmOkCancel(this, QString::fromLatin1(messages::SYNC_TIME_TITLE),
                                  QString::fromLatin1(messages::SYNC_TIME_QUESTION))) {
        return;
    }
    const ClockSyncResult result =
        session_.SyncClock(LocalTimeNow, [this] { poll_->WaitForIdle(POLL_IDLE_WAIT); });
    prompts_.Inform(this, QString::fromLatin1(ClockSyncMessage(result)));
}

void MainWindow::OnDeviceChange(DeviceEvent event) {
    std::optional<bool> connected = session_.HandleDeviceChange(event);
    if (!connected) return;
    if (!*connected) connected = OpenChosenStation();
    ShowConnection(*connected);
    if (!*connected) display_->update();
    Notify(desktopAlerts_.OnStation(*connected, std::time(nullptr)));
}

void MainWindow::BuildNotificationSwitch(QMenu* menu) {
    menu->addSeparator();
    notificationsAction_ = menu->addAction(QStringLiteral("Desktop notifications"));
    notificationsAction_->setObjectName(QStringLiteral("notificationsAction"));
    notificationsAction_->setCheckable(true);
    notificationsAction_->setChecked(
        WindowSettings().value(QString::fromLatin1(NOTIFICATIONS_KEY), true).toBool());
    connect(notificationsAction_, &QAction::toggled, this,
            [](bool on) { WindowSettings().setValue(QString::fromLatin1(NOTIFICATIONS_KEY), on); });
}

void MainWindow::Notify(const std::vector<DesktopNotice>& notices) {
    if (!notificationsAction_->isChecked()) return;
    for (const DesktopNotice& notice : notices) notifier_->Show(notice);
}

bool MainWindow::OpenChosenStation() {
    const std::vector<DeviceCandidate> stations = session_.StationsToChooseFrom();
    if (stations.empty()) return false;
    QStringList items;
    for (const DeviceCandidate& station : stations) {
        items << QString::fromStdString(DescribeDevice(station.path, station.serial));
    }
    const int picked = prompts_.ChooseItem(
        this, QStringLiteral("Choose the station"),
        QStringLiteral("Several stations are attached. Which one should Corvalin use?"), items);
    if (picked < 0 || picked >= static_cast<int>(stations.size())) return false;
    const DeviceCandidate& chosen = stations[static_cast<size_t>(picked)];
    // By its serial where that tells it apart: it stays so after a replug
    // into another port.
    const bool serialUnique =
        !chosen.serial.empty() &&
        std::count_if(stations.begin(), stations.end(), [&](const DeviceCandidate& other) {
            return other.serial == chosen.serial;
        }) == 1;
    session_.Choose(serialUnique ? StationChoice{"", chosen.serial}
                                 : StationChoice{chosen.path, ""});
    return session_.Open();
}

void MainWindow::ShowAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::ShowConnection(bool connected) {
    status_->setText(QString::fromLatin1(connected ? messages::CONNECTED : messages::UNCONNECTED));
}

QString MainWindow::StatusText() const { return status_->text(); }

}  // namespace corvalin::gui
