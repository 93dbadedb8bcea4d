// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/StationSession.h"

#include "common/Messages.h"
#include "device/DeviceLink.h"
#include "device/HidTransport.h"
#include "protocol/DeviceRecord.h"
#include "protocol/SettingsBlock.h"
#include "protocol/StationChannel.h"
#include "protocol/StationProbe.h"
#include "sim/SimTransport.h"
#include "sim/SimulatedStation.h"

namespace corvalin {

namespace {
// How long the question to a device waits for other programs to let it be.
constexpr std::chrono::seconds PROBE_LOCK_WAIT{5};
}  // namespace

StationSession::StationSession() : record_(std::make_unique<DeviceRecord>()) {}

Result<std::unique_ptr<StationSession>> StationSession::Create(const ConnectionOptions& options) {
    std::unique_ptr<StationSession> session(new StationSession());
    if (options.simulate) {
        session->simulator_ = std::make_unique<SimulatedStation>(options.sim);
        Status started = session->simulator_->Start();
        if (!started) return Result<std::unique_ptr<StationSession>>::Fail(started.message);
        session->transport_ = std::make_unique<SimTransport>(*session->simulator_, options.sim);
    } else {
        session->transport_ = std::make_unique<HidTransport>();
    }
    session->link_ = std::make_unique<DeviceLink>(*session->transport_);
    session->link_->SetChoice(options.choice);
    session->channel_ = std::make_unique<StationChannel>(*session->link_, *session->record_);
    session->link_->SetReceiver(session->channel_.get());
    StationSession* self = session.get();
    session->channel_->SetStationHolder(
        [self] { return self->stationLock_.Acquire(self->StationLockPath()); });
    session->link_->SetProbe([self](const std::string& path, TransportHandle& handle) {
        // Its answer reaches every program that has the device open: ask
        // only while none of them is in an exchange.
        DeviceLock lock;
        const std::string lockPath = self->simulator_ ? self->simulator_->CardDir() : path;
        const std::optional<DeviceLock::Hold> held = lock.AcquireWithin(lockPath, PROBE_LOCK_WAIT);
        if (!held) return StationAnswer::Busy;
        return AskWhetherStation(handle);
    });
    return Result<std::unique_ptr<StationSession>>::Of(std::move(session));
}

StationSession::~StationSession() {
    // The reader calls the channel: stop it before anything it uses goes away.
    if (simulator_) simulator_->SetPlugListener({});
    if (link_) link_->Shutdown();
    if (simulator_) simulator_->SaveState();
}

bool StationSession::Open() { return link_->OpenDevice(); }

bool StationSession::IsConnected() const { return link_->IsConnected(); }

bool StationSession::StillConnected() const { return link_->StillConnected(); }

bool StationSession::StationPresent() { return link_->StationPresent(); }

std::string StationSession::OpenError() const { return link_->LastOpenError(); }

std::vector<DeviceCandidate> StationSession::StationsToChooseFrom() const {
    return link_->StationsToChooseFrom();
}

std::vector<std::string> StationSession::OpenNotes() const { return link_->LastOpenNotes(); }

void StationSession::Choose(StationChoice choice) { link_->SetChoice(std::move(choice)); }

std::vector<DeviceCandidate> StationSession::ListDevices() { return link_->ListDevices(); }

std::string StationSession::Serial() const { return link_->Serial(); }

std::string StationSession::Description() const {
    if (simulated()) return "simulated station";
    return "station at " + link_->DevicePath();
}

std::string StationSession::DevicePath() const { return link_->DevicePath(); }

std::string StationSession::StationLockPath() const {
    if (simulator_) return simulator_->CardDir();
    return link_->IsConnected() ? link_->DevicePath() : std::string();
}

void StationSession::SetTrace(Trace trace) {
    if (!trace) {
        link_->SetTrace({});
        return;
    }
    link_->SetTrace([trace = std::move(trace)](char direction, const Report& data) {
        trace(direction, HexBytes(data));
    });
}

std::optional<bool> StationSession::HandleDeviceChange(DeviceEvent event) {
    const bool connected = link_->IsConnected();
    const bool relevant = (event == DeviceEvent::Arrival && !connected) ||
                          (event == DeviceEvent::Removal && connected);
    if (!relevant) return std::nullopt;

    if (link_->OpenDevice()) return true;
    record_->ClearLive();
    channel_->ReleaseWaiter();
    return false;
}

std::optional<bool> StationSession::CheckForDeviceChange() {
    if (!link_->IsConnected()) return HandleDeviceChange(DeviceEvent::Arrival);
    if (!link_->StillConnected()) return HandleDeviceChange(DeviceEvent::Removal);
    return std::nullopt;
}

bool StationSession::WatchDeviceChanges(std::function<void(DeviceEvent)> listener) {
    if (!simulator_) return false;
    simulator_->SetPlugListener([listener = std::move(listener)](bool plugged) {
        if (listener) listener(plugged ? DeviceEvent::Arrival : DeviceEvent::Removal);
    });
    return true;
}

ReadCycleAnswers StationSession::ReadStation() {
    const DeviceLock::Hold held = channel_->HoldStation();
    const ReadCycleAnswers answers = RunReadCycle(
        *channel_, *record_, oneShot_ ? ReadCycleMode::UntilFirstMissing : ReadCycleMode::Full);
    if (answers.settings) copies_.settings.Set(record_->SettingsReport());
    if (answers.interval) copies_.intervalMinutes = record_->intervalMinutes.load();
    if (answers.AlarmsFresh()) copies_.alarms.Set(record_->AlarmReports());
    if (answers.calibration) copies_.calibration.Set(record_->CalibrationReport());
    copies_.lastRead.Set(answers);
    return answers;
}

ReadCycleAnswers StationSession::LastRead() const { return copies_.lastRead.Get(); }

LiveReadings StationSession::Readings() const { return record_->Readings(); }

int32_t StationSession::UnitCode() const { return record_->unitFahrenheit.load(); }

std::optional<int32_t> StationSession::IntervalMinutes() const {
    if (!LastRead().interval) return std::nullopt;
    return copies_.intervalMinutes.load();
}

std::optional<bool> StationSession::QueryOnMainScreen() {
    // After a missing answer its answer would not be trusted: not asked.
    if (oneShot_ && !channel_->SequenceClean()) return std::nullopt;
    const DeviceLock::Hold held = channel_->HoldStation();
    const bool answered = channel_->Read(CMD_SCREEN_STATE, PT_SCREEN_STATE, SHORT_WAIT);
    channel_->Settle();
    // After a missing answer a late one may take this one's place.
    if (!answered || !channel_->SequenceClean()) return std::nullopt;
    return record_->notOnMainScreen == 0;
}

DateOrder StationSession::LogDateOrder() const {
    return DateOrderFromSetting(DecodeSettingsAnswer(copies_.settings.Get()).dateFormat);
}

bool StationSession::Load(SettingsForm& form) {
    const ReadCycleAnswers read = LastRead();
    const bool fresh = read.settings && read.interval;
    form.Fill(copies_.settings.Get(), copies_.intervalMinutes.load(), fresh && IsConnected());
    return fresh;
}

bool StationSession::Load(AlarmForm& form) {
    const bool fresh = LastRead().AlarmsFresh();
    form.Fill(copies_.alarms.Get(), fresh && IsConnected(), UnitCode());
    return fresh;
}

bool StationSession::Load(CalibrationForm& form) {
    const bool fresh = LastRead().calibration;
    form.Fill(copies_.calibration.Get(), copies_.liveForCalibration.Get(), fresh && IsConnected(),
              UnitCode());
    return fresh;
}

void StationSession::TakeCalibrationReadings() { copies_.liveForCalibration.Set(Readings()); }

namespace {
// A write never builds on a block the last read did not get.
SaveOutcome NotAnswered() { return {SaveResult::NoAnswer, messages::NO_ANSWER_NOTHING_WRITTEN}; }
}  // namespace

SaveOutcome StationSession::Save(const SettingsForm& form) {
    if (IsConnected() && !LastRead().settings) return NotAnswered();
    const DeviceLock::Hold held = channel_->HoldStation();
    return SaveForm(form, *channel_);
}

SaveOutcome StationSession::Save(const AlarmForm& form) {
    if (IsConnected() && !LastRead().AlarmsFresh()) return NotAnswered();
    const DeviceLock::Hold held = channel_->HoldStation();
    return SaveForm(form, *channel_);
}

SaveOutcome StationSession::Save(const CalibrationForm& form) {
    if (IsConnected() && !LastRead().calibration) return NotAnswered();
    const DeviceLock::Hold held = channel_->HoldStation();
    return SaveForm(form, *channel_);
}

IntervalResult StationSession::SetInterval(std::string_view text) {
    const DeviceLock::Hold held = channel_->HoldStation();
    return SetLoggingInterval(*channel_, text);
}

ClockSyncResult StationSession::SyncClock(const std::function<CivilTime()>& now,
                                          const std::function<void()>& waitForIdle) {
    const DeviceLock::Hold held = channel_->HoldStation();
    return SyncStationClock(*channel_, now, waitForIdle);
}

std::unique_ptr<SdCardClient> StationSession::OpenCard(std::string dataDir) {
    return std::make_unique<SdCardClient>(*channel_, std::move(dataDir));
}

}  // namespace corvalin
