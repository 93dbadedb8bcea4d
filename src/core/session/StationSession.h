// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/CivilTime.h"
#include "common/LogTime.h"
#include "common/Readings.h"
#include "common/Status.h"
#include "config/AlarmForm.h"
#include "config/CalibrationForm.h"
#include "config/ConfigSave.h"
#include "config/IntervalSetting.h"
#include "config/SettingsForm.h"
#include "device/DeviceLock.h"
#include "device/StationChoice.h"
#include "history/SdCardClient.h"
#include "protocol/ClockSync.h"
#include "protocol/ReadCycle.h"
#include "session/DialogCopies.h"
#include "sim/SimOptions.h"

namespace corvalin {

class DeviceLink;
class DeviceRecord;
class SimulatedStation;
class StationChannel;
class Transport;

struct ConnectionOptions {
    bool simulate = false;  // the simulated station instead of a real one
    SimOptions sim;
    StationChoice choice;  // which station, where several may be attached
};

enum class DeviceEvent { Arrival, Removal };

// The one door through which the window, the command-line tool and the
// logger talk to the station: the transport (hidapi or the simulated
// station), the link and its reader, the request/answer channel, the device
// record and the dialogs' copies, wired together and torn down in order.
class StationSession {
public:
    static Result<std::unique_ptr<StationSession>> Create(const ConnectionOptions& options);
    ~StationSession();

    StationSession(const StationSession&) = delete;
    StationSession& operator=(const StationSession&) = delete;

    // --- The connection.
    // Forgets the current connection and looks for the station; true when one is open.
    bool Open();
    bool IsConnected() const;
    // Connected, and the reader has not seen the station go since.
    bool StillConnected() const;
    // True while the opened station is still among the present interfaces.
    bool StationPresent();
    // Why the last Open found no usable station (empty when none was present).
    std::string OpenError() const;
    // When the last Open found several stations and no choice between them:
    // those stations, for the user to choose from.
    std::vector<DeviceCandidate> StationsToChooseFrom() const;
    // Devices the last Open passed over beside the station it opened, named
    // with the reason.
    std::vector<std::string> OpenNotes() const;
    // Which station the next Open takes.
    void Choose(StationChoice choice);
    // Every device with the station's USB ids, each asked whether it is a
    // station (none of them is opened for use).
    std::vector<DeviceCandidate> ListDevices();
    // The opened station's USB serial number; empty where it has none.
    std::string Serial() const;
    // "simulated station" or "station at PATH".
    std::string Description() const;
    std::string DevicePath() const;
    // What every program using the station locks for one sequence of
    // exchanges: the device node, or the simulated station's card folder.
    std::string StationLockPath() const;
    // Called for every report written ('>') and read ('<'), as hex bytes, on
    // the thread doing it.
    using Trace = std::function<void(char direction, const std::string& hexBytes)>;
    void SetTrace(Trace trace);
    // A HID interface came or went. Searches again on an arrival while
    // unconnected and on a removal while connected; when no station is found
    // the live readings are cleared and a waiting sender is released.
    // Returns the new connection state, or nothing when the event was ignored.
    std::optional<bool> HandleDeviceChange(DeviceEvent event);
    // For programs without device notifications: searches again when the
    // station was lost or none was open. Returns as HandleDeviceChange.
    std::optional<bool> CheckForDeviceChange();
    // Where the session itself learns of arrival and removal (the simulated
    // station), `listener` hears of them, on any thread; false where it does
    // not, and the caller watches the system's devices instead.
    bool WatchDeviceChanges(std::function<void(DeviceEvent)> listener);

    // --- Reading.
    // A session for one command that ends (the command-line tool): reads
    // stop at the first answer that does not come, and the screen is not
    // asked for after one. The window and the logger keep full cycles.
    void SetOneShot(bool oneShot) { oneShot_ = oneShot; }
    // One poll of the station; the dialogs' copies follow what it read.
    ReadCycleAnswers ReadStation();
    // Which blocks the last poll got fresh.
    ReadCycleAnswers LastRead() const;
    // The live readings of the last poll: no data where it got none.
    LiveReadings Readings() const;
    // The unit code of the last settings answer: 0 Celsius, other Fahrenheit.
    int32_t UnitCode() const;
    // The logging interval of the last poll, if it got one.
    std::optional<int32_t> IntervalMinutes() const;
    // Asks the station which screen it shows: true on its main screen;
    // nothing when no answer came that can be trusted.
    std::optional<bool> QueryOnMainScreen();
    // How the station writes dates in its logs, from the last settings answer.
    DateOrder LogDateOrder() const;

    // --- The configuration dialogs: filled from the copies, saved through
    // the guarded write. Load is false when the last poll did not get the
    // form's blocks: the form is then filled as without a station, and Save
    // refuses it.
    bool Load(SettingsForm& form);
    bool Load(AlarmForm& form);
    // With the live readings taken by TakeCalibrationReadings.
    bool Load(CalibrationForm& form);
    // The Calibration dialog checks offsets against the readings of its opening.
    void TakeCalibrationReadings();
    SaveOutcome Save(const SettingsForm& form);
    SaveOutcome Save(const AlarmForm& form);
    SaveOutcome Save(const CalibrationForm& form);
    IntervalResult SetInterval(std::string_view text);
    // Sets the station's clock to `now()`, read after `waitForIdle`.
    ClockSyncResult SyncClock(const std::function<CivilTime()>& now,
                              const std::function<void()>& waitForIdle = {});

    // --- The SD card: a client for local copies in `dataDir`. It receives
    // the card's answers while it exists; one at a time.
    std::unique_ptr<SdCardClient> OpenCard(std::string dataDir);

    // --- The simulated station, or nullptr for a real one.
    SimulatedStation* simulator() { return simulator_.get(); }
    bool simulated() const { return simulator_ != nullptr; }

private:
    StationSession();

    std::unique_ptr<SimulatedStation> simulator_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<DeviceRecord> record_;
    DialogCopies copies_;
    DeviceLock stationLock_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<StationChannel> channel_;
    bool oneShot_ = false;
};

}  // namespace corvalin
