#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "CMy7500Dlg.h"
#include "LiveTiles.h"
#include "device/ReadingFormat.h"
#include "protocol/CommandFrame.h"
#include "support/SimRig.h"
#include "support/TempDir.h"
#include "ScriptedPrompts.h"

using namespace corvalin;
using namespace corvalin::gui;

namespace {

bool AllTilesEmpty(const LiveReadings& readings, int32_t unit) {
    for (const TileTexts& tile : LiveTileTexts(readings, unit)) {
        if (!tile.temperature.endsWith(QStringLiteral("--  °C")) ||
            !tile.humidity.endsWith(QStringLiteral("--  %")) ||
            !tile.dewPoint.endsWith(QStringLiteral("--  °C"))) {
            return false;
        }
    }
    return true;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void tileTextsAsTheDisplayWritesThem() {
        LiveReadings readings;
        readings.temperatureC[1] = 23.4f;
        readings.humidityPct[1] = 45;
        readings.temperatureC[2] = 23.4f;  // humidity missing: no dew point
        auto celsius = LiveTileTexts(readings, 0);
        QCOMPARE(celsius[1].name, QStringLiteral("CH2"));
        QCOMPARE(celsius[1].temperature, QStringLiteral("Temperature:\r\n 23.4  °C"));
        QCOMPARE(celsius[1].humidity, QStringLiteral("Humidity:\r\n 45  %"));
        QCOMPARE(celsius[1].dewPoint, QStringLiteral("DewPoint:\r\n 10.8  °C"));
        QCOMPARE(celsius[2].dewPoint, QStringLiteral("DewPoint:\r\n --  °C"));
        auto fahrenheit = LiveTileTexts(readings, 1);
        QCOMPARE(fahrenheit[1].temperature, QStringLiteral("Temperature:\r\n 74.1  °F"));
        QCOMPARE(fahrenheit[1].dewPoint, QStringLiteral("DewPoint:\r\n 51.5  °F"));
        QVERIFY(AllTilesEmpty(LiveReadings(), 0));
    }

    void statusFollowsUnplugAndPlug() {
        test::SimRig rig;
        ScriptedPrompts prompts;
        test::TempDir data;
        CMy7500Dlg window(rig.session(), prompts, data.path());
        QCOMPARE(window.windowTitle(), QStringLiteral("Corvalin"));
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("simulatedStation")) != nullptr);
        window.Start();
        QCOMPARE(window.StatusText(), QStringLiteral("Connected"));
        QTRY_VERIFY(window.poll().CyclesRun() >= 1);
        QVERIFY(!AllTilesEmpty(rig.record().Readings(), 0));

        window.findChild<QAction*>(QStringLiteral("unplugAction"))->trigger();
        QCOMPARE(window.StatusText(), QStringLiteral("Unconnected"));
        QVERIFY(AllTilesEmpty(rig.record().Readings(), 0));

        window.findChild<QAction*>(QStringLiteral("plugAction"))->trigger();
        QCOMPARE(window.StatusText(), QStringLiteral("Connected"));
    }

    void menuDialogsPausePollingAndCalibrationGetsTheReadings() {
        test::SimRig rig;
        ScriptedPrompts prompts;
        test::TempDir data;
        CMy7500Dlg window(rig.session(), prompts, data.path());
        QAction* setup = window.findChild<QAction*>(QStringLiteral("setupAction"));
        QAction* calibration = window.findChild<QAction*>(QStringLiteral("calibrationAction"));
        QVERIFY(setup->isEnabled());
        window.Start();
        QTRY_VERIFY(window.poll().CyclesRun() >= 1);

        int pausedDuringDialog = -1;
        window.SetDialogOpener(MenuDialog::Setup,
                               [&] { pausedDuringDialog = window.poll().dialogOpen.load(); });
        QVERIFY(setup->isEnabled());
        setup->trigger();
        QCOMPARE(pausedDuringDialog, 1);
        QCOMPARE(window.poll().dialogOpen.load(), 0);

        float copied = 0;
        window.SetDialogOpener(MenuDialog::Calibration, [&] {
            copied = rig.copies().calibration.liveCopy.Get().temperatureC[0];
        });
        calibration->trigger();
        QCOMPARE(copied, rig.record().Readings().temperatureC[0]);
        QVERIFY(copied != NO_DATA);
    }

    void syncTimeAsksThenSendsAndReports() {
        test::SimRig rig;
        ScriptedPrompts prompts;
        test::TempDir data;
        CMy7500Dlg window(rig.session(), prompts, data.path());
        window.Start();
        QTRY_VERIFY(window.poll().CyclesRun() >= 1);
        QAction* sync = window.findChild<QAction*>(QStringLiteral("syncTimeAction"));

        rig.ClearWritten();
        prompts.answerOk = false;
        sync->trigger();
        QCOMPARE(prompts.shown,
                 QStringList{QStringLiteral("Sync Time: Are you want to Synchronization Time?")});
        QVERIFY(rig.Written().empty());

        prompts.shown.clear();
        prompts.answerOk = true;
        sync->trigger();
        QCOMPARE(prompts.shown.last(), QStringLiteral("Sync Time Success."));
        auto written = rig.WrittenCodes();
        QCOMPARE(written.size(), size_t{2});
        QCOMPARE(written[0], CMD_SCREEN_STATE);
        QCOMPARE(written[1], CMD_SET_TIME);

        window.findChild<QAction*>(QStringLiteral("mainScreenAction"))->setChecked(false);
        prompts.shown.clear();
        rig.ClearWritten();
        sync->trigger();
        QCOMPARE(prompts.shown.size(), 2);
        QCOMPARE(prompts.shown.last(), QStringLiteral("Please switch the device to the main screen."));
        QCOMPARE(rig.WrittenCodes(), std::vector<uint8_t>{CMD_SCREEN_STATE});

        window.findChild<QAction*>(QStringLiteral("unplugAction"))->trigger();
        prompts.shown.clear();
        rig.ClearWritten();
        sync->trigger();
        QCOMPARE(prompts.shown.last(), QStringLiteral("Unconnected"));
        QVERIFY(rig.Written().empty());
        QCOMPARE(window.poll().dialogOpen.load(), 0);
    }

    void secondCopyEndsAtOnceAndTheDataFolderIsKept() {
        test::TempDir dir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir.path()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QString data = QString::fromStdString(dir.File("data"));
        const QStringList arguments{QStringLiteral("--simulate"), QStringLiteral("--sim-card"),
                                    QString::fromStdString(dir.File("card")),
                                    QStringLiteral("--data-dir"), data};

        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(QStringLiteral(CORVALIN_BIN), arguments);
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + QStringLiteral("/Main.ini")), 10000);
        QVERIFY(QFile::exists(data + QStringLiteral("/7500.db")));
        QVERIFY(QFileInfo(data + QStringLiteral("/Main.ini")).isWritable());

        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(CORVALIN_BIN), arguments);
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardOutput().isEmpty());
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();

        // A later start leaves the database as it is.
        {
            std::ofstream(dir.File("data/7500.db"), std::ios::binary | std::ios::trunc)
                << "records of earlier runs";
        }
        QProcess later;
        later.setProcessEnvironment(environment);
        later.start(QStringLiteral(CORVALIN_BIN), arguments);
        QVERIFY(later.waitForStarted());
        QTest::qWait(1500);
        later.kill();
        later.waitForFinished();
        std::ifstream kept(dir.File("data/7500.db"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
        QCOMPARE(QString::fromStdString(bytes), QStringLiteral("records of earlier runs"));
    }
};

int RunMainWindowTests(int argc, char** argv) {
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"
