// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmDialog.h"
#include "CalibrationDialog.h"
#include "GuiTest.h"
#include "LiveTiles.h"
#include "MainWindow.h"
#include "SetupDialog.h"
#include "WindowRaiser.h"
#include "common/Messages.h"
#include "protocol/CommandFrame.h"

namespace {

// What the display paints from: no reading at all.
bool AllTilesEmpty(const LiveReadings& readings) {
    const LiveReadings none;
    return readings.temperatureC == none.temperatureC && readings.humidityPct == none.humidityPct;
}

// A window on a simulated station, not started yet.
struct Shown {
    explicit Shown(SimOptions options = {}) : rig(std::move(options)) {}
    test::SimRig rig;
    ScriptedPrompts prompts;
    test::TempDir data;
    MainWindow window{rig.session(), prompts, data.path()};
};

}  // namespace

// The numbers are the core's to format; the tile adds its name and labels.
void WindowTest::tileTextsAsTheDisplayWritesThem() {
    LiveReadings readings;
    readings.temperatureC[1] = 23.4f;
    readings.humidityPct[1] = 45;
    const auto celsius = LiveTileTexts(readings, 0);
    const auto fahrenheit = LiveTileTexts(readings, 1);
    QCOMPARE(celsius[1].humidity, u"Humidity:\r\n 45  %"_s);
    QCOMPARE(fahrenheit[1].temperature, u"Temperature:\r\n 74.1  °F"_s);
    QCOMPARE(celsius[0].temperature, u"Temperature:\r\n --  °C"_s);
}

void WindowTest::windowPausesPollingForItsMenusAndFollowsTheStation() {
    Shown shown;
    auto& [rig, prompts, data, window] = shown;
    window.Start();
    QCOMPARE(window.StatusText(), u"Connected"_s);
    QTRY_VERIFY(window.poll().CyclesRun() >= 1);
    QVERIFY(!AllTilesEmpty(rig.session().Readings()));

    bool pausedDuringDialog = false;
    window.SetDialogOpener(MenuDialog::Setup,
                           [&] { pausedDuringDialog = window.poll().dialogOpen.load(); });
    window.findChild<QAction*>(u"setupAction"_s)->trigger();
    QVERIFY(pausedDuringDialog);
    QVERIFY(!window.poll().dialogOpen.load());

    // Sync Time in each state: Ok or Cancel, the last message, the frames written.
    QAction* sync = window.findChild<QAction*>(u"syncTimeAction"_s);
    const auto step = [&](bool answerOk, const QString& said, std::vector<uint8_t> written) {
        prompts.shown.clear();
        prompts.answerOk = answerOk;
        rig.ClearWritten();
        sync->trigger();
        QCOMPARE(prompts.shown.first(), u"Sync Time: Are you want to Synchronization Time?"_s);
        QCOMPARE(prompts.shown.last(), said);
        QCOMPARE(rig.WrittenCodes(), written);
    };
    step(false, u"Sync Time: Are you want to Synchronization Time?"_s, {});
    step(true, u"Sync Time Success."_s, {CMD_SCREEN_STATE, CMD_SET_TIME});
    // The window hears of the station going and coming as of a real one's.
    window.findChild<QAction*>(u"unplugAction"_s)->trigger();
    QTRY_COMPARE(window.StatusText(), u"Unconnected"_s);
    step(true, u"Unconnected"_s, {});
}

void WindowTest::windowNoticesTheStationLeavingByItselfAndEveryDialogRefusesAnIncompleteRead() {
    SimOptions unplugged;
    unplugged.faults.push_back(*ParseFaultSpec("unplug-after=5"));  // in the first read cycle
    Shown lost(unplugged);
    lost.window.Start();
    QTRY_COMPARE(lost.window.StatusText(), u"Unconnected"_s);
    QVERIFY(AllTilesEmpty(lost.rig.session().Readings()));
    lost.window.findChild<QAction*>(u"plugAction"_s)->trigger();
    QTRY_COMPARE(lost.window.StatusText(), u"Connected"_s);

    // Every answer has a stray report before it: no read is whole.
    SimOptions stray;
    stray.faults.push_back(*ParseFaultSpec("stray"));
    Shown shown(stray);
    auto& [rig, prompts, data, window] = shown;
    window.Start();
    QTRY_VERIFY(window.poll().CyclesRun() >= 1);
    QVERIFY(AllTilesEmpty(rig.session().Readings()));
    // Each settings dialog says so and offers no save, as when opened without a station.
    const std::pair<const char*, QDialog*> dialogs[] = {
        {"setupAction", window.setupDialog()},
        {"alarmAction", window.alarmDialog()},
        {"calibrationAction", window.calibrationDialog()}};
    for (const auto& [action, dialog] : dialogs) {
        QTimer::singleShot(0, dialog, &QDialog::reject);
        window.findChild<QAction*>(QString::fromLatin1(action))->trigger();
        QVERIFY2(!Child<QPushButton>(*dialog, "saveButton")->isEnabled(), action);
    }
    QCOMPARE(prompts.shown, QStringList(3, QString::fromUtf8(messages::INCOMPLETE_READ)));
}

void WindowTest::secondCopyEndsAtOnceAndRaisesTheFirst() {
    test::TempDir dir;
    const QString data = QString::fromStdString(dir.File("data"));
    QVERIFY(QDir().mkpath(data));
    // Where the copies meet, and that the data folder's files stay, is the core's to test.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, QString::fromStdString(dir.path()));
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    QProcess first, second;
    for (QProcess* process : {&first, &second}) {
        process->setProcessEnvironment(environment);
        process->setProgram(QStringLiteral(CORVALIN_BIN));
        process->setArguments({u"--simulate"_s, u"--sim-card"_s,
                               QString::fromStdString(dir.File("card")), u"--data-dir"_s, data});
    }
    first.start();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + u"/Main.ini"_s), 30000);
    second.start();
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();

    // The second copy's ring reaches the running one, which raises its window.
    const QString socket = QString::fromStdString(dir.File("raise.socket"));
    QVERIFY(!WindowRaiser::AskToRaise(socket));  // nobody listens yet
    WindowRaiser raiser(socket);
    QSignalSpy asked(&raiser, &WindowRaiser::RaiseAsked);
    QVERIFY(WindowRaiser::AskToRaise(socket));
    QVERIFY(asked.wait(30000));
}

void WindowTest::windowOffersAChoiceBetweenSeveralStations() {
    SimOptions options;
    options.serial = "A";
    options.secondStations = {"B"};
    Shown shown(options);
    auto& [rig, prompts, data, window] = shown;
    prompts.chosenItem = 1;
    window.Start();
    QCOMPARE(prompts.offered,
             QStringList({u"sim:kv7500 (serial A)"_s, u"sim:kv7500-2 (serial B)"_s}));
    QCOMPARE(rig.session().Serial(), "B");
    // The choice holds when the station comes back.
    rig.station().Unplug();
    QTRY_COMPARE(window.StatusText(), u"Unconnected"_s);
    prompts.offered.clear();
    rig.station().Plug();
    QTRY_COMPARE(window.StatusText(), u"Connected"_s);
    QVERIFY(prompts.offered.isEmpty());
    QCOMPARE(rig.session().Serial(), "B");
}
