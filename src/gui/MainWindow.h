// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "UserPrompts.h"
#include "alert/DesktopAlerts.h"
#include "session/PollThread.h"
#include "session/StationSession.h"

class QAction;
class QLabel;
class QMenu;

namespace corvalin::gui {

class AlarmDialog;
class CalibrationDialog;
class CardDialog;
class DesktopNotifier;
class DeviceMonitor;
class LiveDisplay;
class SetupDialog;

// The member dialogs the menu opens.
enum class MenuDialog { Setup, Alarm, Calibration, SdCard };

// The main window: live display, connection status, the menu, polling and
// the station's arrival and removal.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `dataDir` holds the local copies of card files and the record database.
    MainWindow(StationSession& session, UserPrompts& prompts, std::string dataDir,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens the station, starts following arrival and removal, starts polling.
    void Start();

    // Makes a menu item open its dialog (run modally by `open`).
    void SetDialogOpener(MenuDialog dialog, std::function<void()> open);

    // Sets the station's clock after asking, as the "Sync Time" menu item does.
    void SyncClock();
    void OnDeviceChange(DeviceEvent event);

    PollThread& poll() { return *poll_; }
    QString StatusText() const;
    LiveDisplay* display() const { return display_; }
    CardDialog* cardDialog() const { return cardDialog_; }
    SetupDialog* setupDialog() const { return setupDialog_; }
    AlarmDialog* alarmDialog() const { return alarmDialog_; }
    CalibrationDialog* calibrationDialog() const { return calibrationDialog_; }

private:
    void BuildMenus();
    void RunMenuDialog(MenuDialog dialog);
    void ShowAbout();
    void ShowConnection(bool connected);
    void BuildNotificationSwitch(QMenu* menu);
    // Shows the notices while the menu's switch is on.
    void Notify(const std::vector<DesktopNotice>& notices);
    // Several stations answered and none was named: the user picks one.
    bool OpenChosenStation();

    StationSession& session_;
    UserPrompts& prompts_;
    std::string dataDir_;
    CardDialog* cardDialog_ = nullptr;
    SetupDialog* setupDialog_ = nullptr;
    AlarmDialog* alarmDialog_ = nullptr;
    CalibrationDialog* calibrationDialog_ = nullptr;
    std::unique_ptr<PollThread> poll_;
    LiveDisplay* display_ = nullptr;
    QLabel* status_ = nullptr;
    DeviceMonitor* monitor_ = nullptr;
    std::map<MenuDialog, QAction*> dialogActions_;
    std::map<MenuDialog, std::function<void()>> dialogOpeners_;
    DesktopAlerts desktopAlerts_;  // used on this thread only
    DesktopNotifier* notifier_ = nullptr;
    QAction* notificationsAction_ = nullptr;
};

}  // namespace corvalin::gui
