// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimulatedStation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <utility>

#include "sim/SimCard.h"
#include "sim/SimCardFrames.h"
#include "sim/SimLogs.h"
#include "sim/SimWeather.h"

namespace corvalin {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint8_t STRAY_CODE = 0xEE;
constexpr int LOG_DAYS = 3;

Report Answer() {
    Report report{};
    report[0] = FRAME_START;
    return report;
}

// A frame whose terminator is not where its code puts it is line noise to the
// station: nothing is staged or answered for it.
bool TerminatedAfter(const Report& frame, size_t payloadSize) {
    return frame[2 + payloadSize] == FRAME_AT && frame[3 + payloadSize] == FRAME_END;
}

int TemperatureOffsetTenths(const Report& calibration, int k) {
    const uint16_t pair =
        static_cast<uint16_t>(calibration[1 + 3 * k] << 8 | calibration[2 + 3 * k]);
    if (pair == NO_TEMPERATURE_WORD || pair == NO_TEMPERATURE_WORD_ALT) return 0;
    return static_cast<int16_t>(pair);
}

int HumidityOffset(const Report& calibration, int k) {
    return static_cast<int8_t>(calibration[3 + 3 * k]);
}

// The log lines served for the extra list entry of the list-name fault.
std::string ExtraEntryContent() {
    return "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n"
           "2024-03-05 14:00:09,23.1,46,10.8,23.1\r\n"
           "2024-03-05 14:05:09,23.3,45,10.7,23.3\r\n"
           "2024-03-05 14:10:09,23.4,45,10.8,23.4\r\n";
}

bool DaysInMonthOk(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = month == 2 && leap ? 29 : days[month - 1];
    return day >= 1 && day <= last;
}

// What a fault may still do: the answers a drop drops, the one stray of a stray "@K".
int64_t FaultBudget(const FaultSpec& fault) {
    if (fault.kind == FaultSpec::Kind::Drop) return std::max(fault.value, 0);
    return fault.kind == FaultSpec::Kind::Stray && fault.after ? 1 : 0;
}

}  // namespace

SimulatedStation::SimulatedStation(SimOptions options)
    : options_(std::move(options)), faults_(options_.faults), state_(DefaultSimState()) {
    for (int k = 0; k < 8; ++k) sensors_[k] = DefaultSensor(k + 1);
    for (const SensorSpec& sensor : options_.sensors) {
        if (sensor.channel < 1 || sensor.channel > 8) continue;
        sensors_[sensor.channel - 1] = sensor;
        sensorFixed_[sensor.channel - 1] = true;
    }
    for (const FaultSpec& fault : faults_) faultRemaining_.push_back(FaultBudget(fault));
}

SimulatedStation::~SimulatedStation() {
    if (!options_.stateFile.empty()) SaveState();  // a failure has nowhere to go here
    std::lock_guard lock(mutex_);
    if (temporaryCard_) {
        std::error_code ignored;
        fs::remove_all(cardDir_, ignored);
    }
}

Status SimulatedStation::Start() {
    std::lock_guard lock(mutex_);
    if (started_) return Status::Ok();
    if (!options_.stateFile.empty()) {
        std::error_code ec;
        if (fs::exists(options_.stateFile, ec)) {
            Status loaded = LoadSimState(options_.stateFile, state_);
            if (!loaded) return loaded;
        }
        stateWritable_ = true;
    }
    if (options_.notOnMainScreen) {
        // Off the main screen for this run only: the state file keeps what it had.
        screenForcedFrom_ = state_.onMainScreen;
        state_.onMainScreen = false;
    }
    Status card = PrepareCardLocked();
    if (!card) return card;
    started_ = true;
    return Status::Ok();
}

Status SimulatedStation::SaveState() {
    SimState snapshot;
    {
        std::lock_guard lock(mutex_);
        if (options_.stateFile.empty()) return Status::Ok();
        if (!stateWritable_) {
            return Status::Error("The simulated station's state was not loaded from \"" +
                                 options_.stateFile + "\", so it is not saved over it");
        }
        snapshot = state_;
        if (screenForcedFrom_) snapshot.onMainScreen = *screenForcedFrom_;
    }
    return SaveSimState(options_.stateFile, snapshot);
}

Status SimulatedStation::PrepareCardLocked() {
    std::error_code ec;
    if (options_.cardDir.empty()) {
        std::string pattern = (fs::temp_directory_path(ec) / "corvalin-card-XXXXXX").string();
        if (ec || ::mkdtemp(pattern.data()) == nullptr) {
            return Status::Error("Cannot create a temporary folder for the simulated SD card");
        }
        cardDir_ = pattern;
        temporaryCard_ = true;
    } else {
        cardDir_ = options_.cardDir;
        if (fs::exists(cardDir_, ec)) {
            if (fs::is_directory(cardDir_, ec)) return Status::Ok();
            return Status::Error("The simulated SD card \"" + cardDir_ + "\" is not a folder");
        }
        if (!fs::create_directories(cardDir_, ec)) {
            return Status::Error("Cannot create the simulated SD card folder \"" + cardDir_ +
                                 "\": " + ec.message());
        }
    }

    LogPlan plan;
    plan.endTime = std::time(nullptr) + state_.clockOffsetSeconds;
    plan.intervalMinutes = state_.intervalMinutes;
    plan.days = LOG_DAYS;
    plan.fahrenheit = state_.settings[7] != 0;
    Status written = WriteCardFile(cardDir_, "INDOOR.CSV", IndoorLogText(plan));
    for (int k = 0; k < 8 && written; ++k) {
        if (!sensors_[k].present) continue;
        const LogOffsets offsets{TemperatureOffsetTenths(state_.calibration, k),
                                 HumidityOffset(state_.calibration, k)};
        written = WriteCardFile(cardDir_, "CH" + std::to_string(k + 1) + ".CSV",
                                ChannelLogText(sensors_[k], !sensorFixed_[k], offsets, plan));
    }
    if (!written) {
        // A half-filled card would never be filled again: start afresh next time.
        fs::remove_all(cardDir_, ec);
        temporaryCard_ = false;
    }
    return written;
}

const FaultSpec* SimulatedStation::Fault(FaultSpec::Kind kind) const {
    for (const FaultSpec& fault : faults_) {
        if (fault.kind == kind) return &fault;
    }
    return nullptr;
}

bool SimulatedStation::IsPlugged() const {
    std::lock_guard lock(mutex_);
    return plugged_;
}

uint64_t SimulatedStation::Generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

bool SimulatedStation::ReceiveFrame(uint64_t generation, const Report& frame) {
    std::lock_guard lock(mutex_);
    if (!plugged_ || generation != generation_) return false;
    ++framesReceived_;
    HandleFrameLocked(frame);
    return true;
}

void SimulatedStation::HandleFrameLocked(const Report& frame) {
    if (frame[0] != FRAME_START) return;
    const uint64_t command = commandsReceived_++;
    const bool answerDropped = TakeFaultLocked(FaultSpec::Kind::Drop, command);
    // A stray waits for the next answer that goes out.
    strayDue_ = TakeFaultLocked(FaultSpec::Kind::Stray, command) || strayDue_;

    std::vector<Report> answer;
    auto single = [&](const Report& report) { answer.push_back(report); };
    auto stage = [&](size_t payloadSize) {
        if (TerminatedAfter(frame, payloadSize)) staged_.push_back(frame);
    };
    const bool bare = TerminatedAfter(frame, 0);

    switch (frame[1]) {
        case CMD_READ_SETTINGS:
            if (bare) single(state_.settings);
            break;
        case CMD_READ_CALIBRATION:
            if (bare) single(state_.calibration);
            break;
        case CMD_READ_ALARM_1:
            if (bare) single(state_.alarm1);
            break;
        case CMD_READ_ALARM_3:
            if (bare) single(state_.alarm3);
            break;
        case CMD_READ_ALARM_4:
            if (bare) single(state_.alarm4);
            break;
        case CMD_READ_LIVE:
            if (bare) single(LiveAnswerLocked());
            break;
        case CMD_READ_INTERVAL:
            if (bare) {
                Report report = Answer();
                report[1] = state_.intervalMinutes;
                single(report);
            }
            break;
        case CMD_SCREEN_STATE:
            if (bare) {
                Report report = Answer();
                report[1] = state_.onMainScreen ? 0 : 1;
                single(report);
            }
            break;
        case CMD_WRITE_SETTINGS:
            stage(SETTINGS_PAYLOAD_SIZE);
            break;
        case CMD_WRITE_CALIBRATION:
            stage(CALIBRATION_PAYLOAD_SIZE);
            break;
        case CMD_WRITE_ALARM_1:
            stage(ALARM_1_PAYLOAD_SIZE);
            break;
        case CMD_WRITE_ALARM_3:
            stage(ALARM_3_PAYLOAD_SIZE);
            break;
        case CMD_WRITE_ALARM_4:
            stage(ALARM_4_PAYLOAD_SIZE);
            break;
        case CMD_COMMIT:
            if (bare) CommitLocked();
            break;
        case CMD_SET_TIME:
            if (TerminatedAfter(frame, TIME_PAYLOAD_SIZE)) SetTimeLocked(frame);
            break;
        case CMD_SET_INTERVAL:
            if (TerminatedAfter(frame, INTERVAL_PAYLOAD_SIZE) && frame[2] >= LOGGING_INTERVAL_MIN &&
                frame[2] <= LOGGING_INTERVAL_MAX) {
                state_.intervalMinutes = frame[2];
            }
            break;
        case CMD_FILE_LIST:
            if (bare) answer = FileListLocked();
            break;
        case CMD_FILE_GET:
            answer = FileChunkLocked(frame);
            break;
        case CMD_DELETE_FILE:
            DeleteFileLocked(frame);
            break;
        default:
            break;  // the station ignores codes it does not know
    }
    if (!answer.empty() && !answerDropped) QueueAnswerLocked(std::move(answer));
}

void SimulatedStation::CommitLocked() {
    for (const Report& frame : staged_) {
        Report* target = nullptr;
        size_t length = 0;
        switch (frame[1]) {
            case CMD_WRITE_SETTINGS:
                target = &state_.settings;
                length = SETTINGS_PAYLOAD_SIZE;
                break;
            case CMD_WRITE_CALIBRATION:
                target = &state_.calibration;
                length = CALIBRATION_PAYLOAD_SIZE;
                break;
            case CMD_WRITE_ALARM_1:
                target = &state_.alarm1;
                length = ALARM_1_PAYLOAD_SIZE;
                break;
            case CMD_WRITE_ALARM_3:
                target = &state_.alarm3;
                length = ALARM_3_PAYLOAD_SIZE;
                break;
            case CMD_WRITE_ALARM_4:
                target = &state_.alarm4;
                length = ALARM_4_PAYLOAD_SIZE;
                break;
            default:
                continue;
        }
        // The payload is the answer shifted one place on.
        for (size_t i = 1; i <= length; ++i) (*target)[i] = frame[i + 1];
    }
    staged_.clear();
}

void SimulatedStation::SetTimeLocked(const Report& frame) {
    const int year = frame[2] << 8 | frame[3];
    const int month = frame[4];
    const int day = frame[5];
    const int hour = frame[6];
    const int minute = frame[7];
    const int second = frame[8];
    // An impossible time is ignored rather than normalised into another one.
    if (year < STATION_YEAR_MIN || year > STATION_YEAR_MAX || month < 1 || month > 12 ||
        !DaysInMonthOk(year, month, day) || hour > 23 || minute > 59 || second > 59) {
        return;
    }
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t stationTime = std::mktime(&local);
    if (stationTime == static_cast<std::time_t>(-1)) return;
    state_.clockOffsetSeconds = static_cast<int64_t>(stationTime - std::time(nullptr));
}

void SimulatedStation::InjectFault(FaultSpec fault) {
    std::lock_guard lock(mutex_);
    if (fault.after) fault.after = *fault.after + static_cast<int>(commandsReceived_);
    faultRemaining_.push_back(FaultBudget(fault));
    faults_.push_back(std::move(fault));
}

bool SimulatedStation::TakeFaultLocked(FaultSpec::Kind kind, uint64_t command) {
    for (size_t i = 0; i < faults_.size(); ++i) {
        const FaultSpec& fault = faults_[i];
        if (fault.kind != kind) continue;
        if (!fault.after && kind == FaultSpec::Kind::Stray) return true;  // before every answer
        if (command < static_cast<uint64_t>(fault.after.value_or(0))) continue;
        if (faultRemaining_[i] > 0) {
            --faultRemaining_[i];
            return true;
        }
    }
    return false;
}

void SimulatedStation::QueueAnswerLocked(std::vector<Report> reports) {
    if (std::exchange(strayDue_, false)) {
        Report stray = Answer();
        stray[1] = STRAY_CODE;
        reports.insert(reports.begin(), stray);
    }
    const FaultSpec* delay = Fault(FaultSpec::Kind::Delay);
    const auto pace = std::chrono::milliseconds(std::max(options_.paceMs, 0));
    const auto now = Clock::now();
    bool first = true;
    for (const Report& report : reports) {
        auto readyAt = std::max(now, lastReadyAt_) + pace;
        if (first && delay) readyAt += std::chrono::milliseconds(std::max(delay->value, 0));
        first = false;
        outbox_.push_back({report, readyAt});
        lastReadyAt_ = readyAt;
    }
    reportReady_.notify_all();
}

int SimulatedStation::NextReport(uint64_t generation, Report& out, int timeoutMs) {
    std::unique_lock lock(mutex_);
    const bool forever = timeoutMs < 0;
    const auto deadline =
        forever ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        if (!plugged_ || generation != generation_) return -1;
        const auto now = Clock::now();
        if (!outbox_.empty() && outbox_.front().readyAt <= now) {
            out = outbox_.front().report;
            outbox_.pop_front();
            ++reportsSent_;
            const FaultSpec* unplug = Fault(FaultSpec::Kind::UnplugAfter);
            if (unplug && !unplugFaultDone_ &&
                reportsSent_ >= static_cast<uint64_t>(unplug->value)) {
                unplugFaultDone_ = true;
                UnplugLocked();
                lock.unlock();
                NotifyPlugged(false);
            }
            return 1;
        }
        if (!forever && now >= deadline) return 0;
        auto wakeAt = deadline;
        if (!outbox_.empty()) wakeAt = std::min(wakeAt, outbox_.front().readyAt);
        if (wakeAt == Clock::time_point::max()) {
            reportReady_.wait(lock);
        } else {
            reportReady_.wait_until(lock, wakeAt);
        }
    }
}

void SimulatedStation::Plug() {
    {
        std::lock_guard lock(mutex_);
        if (plugged_) return;
        plugged_ = true;
        ++generation_;
    }
    NotifyPlugged(true);
}

void SimulatedStation::Unplug() {
    {
        std::lock_guard lock(mutex_);
        if (!plugged_) return;
        UnplugLocked();
    }
    NotifyPlugged(false);
}

void SimulatedStation::SetPlugListener(std::function<void(bool plugged)> listener) {
    std::lock_guard lock(listenerMutex_);
    plugListener_ = std::move(listener);
}

void SimulatedStation::NotifyPlugged(bool plugged) {
    std::lock_guard lock(listenerMutex_);
    if (plugListener_) plugListener_(plugged);
}

void SimulatedStation::UnplugLocked() {
    if (!plugged_) return;
    plugged_ = false;
    ++generation_;
    outbox_.clear();
    staged_.clear();  // uncommitted writes die with the power
    lastReadyAt_ = {};
    reportReady_.notify_all();
}

void SimulatedStation::SetOnMainScreen(bool onMainScreen) {
    std::lock_guard lock(mutex_);
    screenForcedFrom_.reset();  // switched by hand: that is the station's state now
    state_.onMainScreen = onMainScreen;
}

bool SimulatedStation::OnMainScreen() const {
    std::lock_guard lock(mutex_);
    return state_.onMainScreen;
}

void SimulatedStation::SetSensor(const SensorSpec& sensor) {
    if (sensor.channel < 1 || sensor.channel > 8) return;
    std::lock_guard lock(mutex_);
    sensors_[sensor.channel - 1] = sensor;
    sensorFixed_[sensor.channel - 1] = true;
}

std::string SimulatedStation::CardDir() const {
    std::lock_guard lock(mutex_);
    return cardDir_;
}

Report SimulatedStation::SettingsAnswer() const {
    std::lock_guard lock(mutex_);
    return state_.settings;
}

Report SimulatedStation::CalibrationAnswer() const {
    std::lock_guard lock(mutex_);
    return state_.calibration;
}

Report SimulatedStation::AlarmAnswer(int block) const {
    std::lock_guard lock(mutex_);
    switch (block) {
        case 1:
            return state_.alarm1;
        case 3:
            return state_.alarm3;
        case 4:
            return state_.alarm4;
        default:
            return Answer();
    }
}

Report SimulatedStation::LiveAnswerLocked() const {
    Report report = Answer();
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    for (int k = 0; k < 8; ++k) {
        uint8_t* slot = &report[1 + 3 * k];
        if (!sensors_[k].present) {
            slot[0] = 0x7F;
            slot[1] = 0xFF;
            slot[2] = NO_HUMIDITY_BYTE;
            continue;
        }
        const SimReading raw = ReadSensor(sensors_[k], !sensorFixed_[k], now);
        long tenths =
            std::lround(raw.temperatureC * 10.0) + TemperatureOffsetTenths(state_.calibration, k);
        // 0x7FFF would read as "no reading"; -0.1 °C (0xFFFF) is the wire's own ambiguity.
        tenths = std::clamp(tenths, -32768L, 32766L);
        const auto word = static_cast<uint16_t>(static_cast<int16_t>(tenths));
        slot[0] = static_cast<uint8_t>(word >> 8);
        slot[1] = static_cast<uint8_t>(word & 0xFF);
        slot[2] = static_cast<uint8_t>(
            std::clamp(raw.humidityPct + HumidityOffset(state_.calibration, k), 0, 100));
    }
    return report;
}

uint8_t SimulatedStation::IntervalMinutes() const {
    std::lock_guard lock(mutex_);
    return state_.intervalMinutes;
}

int64_t SimulatedStation::ClockOffsetSeconds() const {
    std::lock_guard lock(mutex_);
    return state_.clockOffsetSeconds;
}

uint64_t SimulatedStation::FramesReceived() const {
    std::lock_guard lock(mutex_);
    return framesReceived_;
}

std::vector<Report> SimulatedStation::FileListLocked() const {
    std::vector<Report> reports;
    if (!cardDir_.empty()) {
        for (const CardEntry& entry : ListCard(cardDir_)) {
            reports.push_back(FileListEntry(entry.name, entry.size));
        }
    }
    if (const FaultSpec* extra = Fault(FaultSpec::Kind::ListName); extra && !extraEntryDeleted_) {
        reports.push_back(FileListEntry(extra->text, ExtraEntryContent().size()));
    }
    reports.push_back(EndMarkerReport());
    return reports;
}

bool SimulatedStation::IsExtraEntryLocked(const std::string& name) const {
    const FaultSpec* extra = Fault(FaultSpec::Kind::ListName);
    return extra && !extraEntryDeleted_ && name == extra->text.substr(0, MAX_LIST_NAME);
}

std::vector<Report> SimulatedStation::FileChunkLocked(const Report& frame) const {
    const std::optional<FileRequest> request = ParseFileGet(frame);
    if (!request || request->start >= request->end) return {EndMarkerReport()};

    std::string content;
    if (IsExtraEntryLocked(request->name)) {
        const std::string text = ExtraEntryContent();
        if (request->start < text.size()) {
            content = text.substr(request->start, request->end - request->start);
        }
    } else if (!cardDir_.empty()) {
        content = ReadCardRange(cardDir_, request->name, request->start, request->end)
                      .value_or(std::string());
    }
    if (const FaultSpec* cut = Fault(FaultSpec::Kind::ShortChunk)) {
        content.resize(content.size() - std::min<size_t>(content.size(), std::max(cut->value, 0)));
    }
    return FileDataReports(content);
}

void SimulatedStation::DeleteFileLocked(const Report& frame) {
    const std::optional<std::string> name = ParseDeleteName(frame);
    if (!name) return;
    if (IsExtraEntryLocked(*name)) {
        extraEntryDeleted_ = true;  // it never was on the disk
    } else if (!cardDir_.empty()) {
        RemoveCardFile(cardDir_, *name);
    }
}

}  // namespace corvalin
