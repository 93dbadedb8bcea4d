#include "CMy7500Dlg.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMetaObject>
#include <QStatusBar>

#include "AboutDialog.h"
#include "Alarm.h"
#include "Calib.h"
#include "DeviceMonitor.h"
#include "Grapsh.h"
#include "History.h"
#include "LiveDisplay.h"
#include "Setting.h"
#include "protocol/ClockSync.h"
#include "protocol/Messages.h"
#include "sim/SimulatedStation.h"

// The resources live in a static library: register them before first use.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace corvalin::gui {

CMy7500Dlg::CMy7500Dlg(StationSession& session, UserPrompts& prompts, std::string dataDir,
                       QWidget* parent)
    : QMainWindow(parent), session_(session), prompts_(prompts), dataDir_(std::move(dataDir)) {
    InitResources();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Corvalin"));
    setWindowIcon(QIcon(QStringLiteral(":/corvalin.png")));

    display_ = new LiveDisplay(session_.record(), [this] { return session_.link().unitFahrenheit.load(); }, this);
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

    setting_ = new Setting(session_, prompts_, this);
    SetDialogOpener(MenuDialog::Setup, [this] { setting_->Open(); });
    alarm_ = new Alarm(session_, prompts_, this);
    SetDialogOpener(MenuDialog::Alarm, [this] { alarm_->Open(); });
    calib_ = new Calib(session_, prompts_, this);
    SetDialogOpener(MenuDialog::Calibration, [this] { calib_->Open(); });
    history_ = new History(session_, prompts_, dataDir_, this);
    SetDialogOpener(MenuDialog::SdCard, [this] { history_->Open(); });
    history_->SetGraphOpener([this](const QString& unitLabel) {
        Grapsh graph(prompts_, dataDir_, unitLabel, history_);
        graph.exec();
    });

    // Repaints are asked for from the poll thread and run on this thread.
    poll_ = std::make_unique<PollThread>(session_, [display = display_] {
        QMetaObject::invokeMethod(display, [display] { display->update(); }, Qt::QueuedConnection);
    });
}

CMy7500Dlg::~CMy7500Dlg() {
    // The poll thread uses the session and posts to the display: end it first.
    poll_->Stop();
}

void CMy7500Dlg::Start() {
    ShowConnection(session_.link().OpenDevice());
    if (!session_.simulated()) {
        DeviceLink& link = session_.link();
        monitor_ = new DeviceMonitor([&link] { return link.connected == 1; },
                                     [&link] { return link.StationPresent(); }, this);
        connect(monitor_, &DeviceMonitor::DeviceChanged, this, &CMy7500Dlg::OnDeviceChange);
    }
    poll_->Start();
}

void CMy7500Dlg::BuildMenus() {
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
    connect(sync, &QAction::triggered, this, &CMy7500Dlg::SyncClock);

    if (SimulatedStation* station = session_.simulator()) {
        QMenu* simulation = menuBar()->addMenu(QStringLiteral("Simulation"));
        simulation->setObjectName(QStringLiteral("simulationMenu"));
        QAction* unplug = simulation->addAction(QStringLiteral("Unplug station"));
        unplug->setObjectName(QStringLiteral("unplugAction"));
        connect(unplug, &QAction::triggered, this, [this, station] {
            station->Unplug();
            OnDeviceChange(DeviceEvent::Removal);
        });
        QAction* plug = simulation->addAction(QStringLiteral("Plug in station"));
        plug->setObjectName(QStringLiteral("plugAction"));
        connect(plug, &QAction::triggered, this, [this, station] {
            station->Plug();
            OnDeviceChange(DeviceEvent::Arrival);
        });
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
    connect(about, &QAction::triggered, this, &CMy7500Dlg::ShowAbout);
}

void CMy7500Dlg::SetDialogOpener(MenuDialog dialog, std::function<void()> open) {
    dialogOpeners_[dialog] = std::move(open);
    dialogActions_[dialog]->setEnabled(static_cast<bool>(dialogOpeners_[dialog]));
}

void CMy7500Dlg::RunMenuDialog(MenuDialog dialog) {
    auto opener = dialogOpeners_.find(dialog);
    if (opener == dialogOpeners_.end() || !opener->second) return;
    poll_->WaitForIdle(POLL_IDLE_WAIT);
    if (dialog == MenuDialog::Calibration) {
        session_.copies().calibration.liveCopy.Set(session_.record().Readings());
    }
    DialogOpenScope open(*poll_);
    opener->second();
}

void CMy7500Dlg::SyncClock() {
    DialogOpenScope open(*poll_);
    if (!prompts_.ConfirmOkCancel(this, QString::fromLatin1(messages::SYNC_TIME_TITLE),
                                  QString::fromLatin1(messages::SYNC_TIME_QUESTION))) {
        return;
    }
    DeviceLink& link = session_.link();
    if (link.connected != 1) {
        prompts_.Inform(this, QString::fromLatin1(messages::UNCONNECTED));
        return;
    }
    const ClockSyncResult result =
        SyncStationClock(link, session_.record().notOnMainScreen, LocalTimeNow,
                         [this] { poll_->WaitForIdle(POLL_IDLE_WAIT); });
    prompts_.Inform(this, QString::fromLatin1(ClockSyncMessage(result)));
}

void CMy7500Dlg::OnDeviceChange(DeviceEvent event) {
    const std::optional<bool> connected = HandleDeviceChange(session_, event);
    if (!connected) return;
    ShowConnection(*connected);
    if (!*connected) display_->update();
}

void CMy7500Dlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMy7500Dlg::ShowConnection(bool connected) {
    status_->setText(QString::fromLatin1(connected ? messages::CONNECTED : messages::UNCONNECTED));
}

QString CMy7500Dlg::StatusText() const { return status_->text(); }

}  // namespace corvalin::gui
