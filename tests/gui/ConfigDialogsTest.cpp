#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "Alarm.h"
#include "Calib.h"
#include "ScriptedPrompts.h"
#include "Setting.h"
#include "protocol/CommandFrame.h"
#include "protocol/ReadCycle.h"
#include "support/SimRig.h"

using namespace corvalin;
using namespace corvalin::gui;

namespace {

template <class T>
T* Child(QWidget& dialog, const QString& name) {
    T* child = dialog.findChild<T*>(name);
    if (child == nullptr) qFatal("no control %s", qPrintable(name));
    return child;
}

void Click(QWidget& dialog, const char* button) {
    Child<QPushButton>(dialog, QString::fromLatin1(button))->click();
}

// A session on the simulated station after one read cycle.
struct Polled {
    explicit Polled(SimOptions options = {}) : rig(options) {
        QVERIFY(rig.link().OpenDevice());
        RunReadCycle(rig.link(), rig.record(), rig.copies());
        rig.copies().calibration.liveCopy.Set(rig.record().Readings());
        rig.ClearWritten();
    }
    test::SimRig rig;
};

}  // namespace

class ConfigDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void setupShowsTheStationAndSavesThroughTheScreenQuery() {
        Polled polled;
        ScriptedPrompts prompts;
        Setting dialog(polled.rig.session(), prompts);
        dialog.Load();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(Child<QComboBox>(dialog, "unitList")->currentText(), QStringLiteral("°C"));
        QCOMPARE(Child<QComboBox>(dialog, "graphSpanList")->currentText(), QStringLiteral("24H"));
        QCOMPARE(Child<QComboBox>(dialog, "timeZoneList")->count(), 25);
        QCOMPARE(Child<QComboBox>(dialog, "areaList")->currentText(), QStringLiteral("CH Area1"));
        QCOMPARE(Child<QLineEdit>(dialog, "intervalEdit")->text(), QStringLiteral("5"));
        // "CH Area1": only the CH1 boxes can change.
        QVERIFY(Child<QCheckBox>(dialog, "dewPointBox1")->isEnabled());
        QVERIFY(!Child<QCheckBox>(dialog, "dewPointBox3")->isEnabled());

        // A tick in area 2 survives switching away and back.
        Child<QComboBox>(dialog, "areaList")->setCurrentIndex(1);
        QVERIFY(Child<QCheckBox>(dialog, "dewPointBox3")->isEnabled());
        Child<QCheckBox>(dialog, "dewPointBox3")->setChecked(true);
        Child<QComboBox>(dialog, "areaList")->setCurrentIndex(2);
        QVERIFY(!Child<QCheckBox>(dialog, "dewPointBox3")->isChecked());
        Child<QComboBox>(dialog, "areaList")->setCurrentIndex(1);
        QVERIFY(Child<QCheckBox>(dialog, "dewPointBox3")->isChecked());
        QCOMPARE(dialog.form().areas.Mask(1), 0x80u);

        Child<QComboBox>(dialog, "unitList")->setCurrentIndex(1);
        Click(dialog, "saveButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(prompts.shown.isEmpty());
        const auto frames = polled.rig.Written();
        QCOMPARE(frames.size(), size_t{3});
        QCOMPARE(frames[0][1], CMD_SCREEN_STATE);
        QCOMPARE(frames[1][1], CMD_WRITE_SETTINGS);
        QCOMPARE(frames[1][8], uint8_t{1});                   // Fahrenheit
        QCOMPARE(frames[1][16], uint8_t{0x80});               // area 2's low byte
        QCOMPARE(frames[2], MakeCommandFrame(CMD_COMMIT));
        RunReadCycle(polled.rig.link(), polled.rig.record(), polled.rig.copies());
        QCOMPARE(polled.rig.link().unitFahrenheit.load(), 1);
    }

    void setIntervalChecksItsRange() {
        Polled polled;
        ScriptedPrompts prompts;
        Setting dialog(polled.rig.session(), prompts);
        dialog.Load();
        for (const char* text : {"4", "241", "abc"}) {
            Child<QLineEdit>(dialog, "intervalEdit")->setText(QString::fromLatin1(text));
            Click(dialog, "setIntervalButton");
            QCOMPARE(prompts.shown.last(), QStringLiteral("Interval Range of values: 5 to 240 Minute"));
        }
        QVERIFY(polled.rig.Written().empty());
        Child<QLineEdit>(dialog, "intervalEdit")->setText(QStringLiteral("240"));
        Click(dialog, "setIntervalButton");
        QCOMPARE(prompts.shown.last(), QStringLiteral("Set Interval Success."));
        const uint8_t interval[] = {240};
        QCOMPARE(polled.rig.Written().at(0), MakeCommandFrame(CMD_SET_INTERVAL, interval));
        QCOMPARE(polled.rig.station().IntervalMinutes(), uint8_t{240});
    }

    void offTheMainScreenOnlyTheQueryGoesOutAndTheDialogCloses() {
        SimOptions options;
        options.notOnMainScreen = true;
        Polled polled(options);
        ScriptedPrompts prompts;
        Setting dialog(polled.rig.session(), prompts);
        dialog.Load();
        Click(dialog, "saveButton");
        QCOMPARE(prompts.shown, QStringList{QStringLiteral("Please switch the device to the main screen.")});
        QCOMPARE(polled.rig.WrittenCodes(), std::vector<uint8_t>{CMD_SCREEN_STATE});
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void unconnectedOpeningDisablesSave() {
        test::SimRig rig;
        rig.station().Unplug();
        QVERIFY(!rig.link().OpenDevice());
        ScriptedPrompts prompts;
        Setting setting(rig.session(), prompts);
        setting.Load();
        QVERIFY(!Child<QPushButton>(setting, "saveButton")->isEnabled());
        QCOMPARE(Child<QLineEdit>(setting, "intervalEdit")->text(), QStringLiteral("5"));
        Alarm alarm(rig.session(), prompts);
        alarm.Load();
        QVERIFY(!Child<QPushButton>(alarm, "saveButton")->isEnabled());
        // Shown as the station's other texts are, with their two trailing blanks.
        QCOMPARE(Child<QLineEdit>(alarm, "tempHighEdit1")->text(), QStringLiteral("--  "));
        Calib calib(rig.session(), prompts);
        calib.Load();
        QVERIFY(!Child<QPushButton>(calib, "saveButton")->isEnabled());
        QCOMPARE(Child<QLineEdit>(calib, "tempOffsetEdit1")->text(), QStringLiteral("0.0"));
    }

    void alarmChecksEveryLimitAndItsSwitchesEnableTheEdits() {
        Polled polled;
        ScriptedPrompts prompts;
        Alarm dialog(polled.rig.session(), prompts);
        dialog.Load();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Alarm"));
        QCOMPARE(Child<QLineEdit>(dialog, "tempHighEdit1")->text(), QStringLiteral("40.0  "));
        QCOMPARE(Child<QLineEdit>(dialog, "humLowEdit8")->text(), QStringLiteral("10  "));
        QVERIFY(Child<QCheckBox>(dialog, "tempLowBox3")->isChecked());

        Child<QComboBox>(dialog, "temperatureAlarmList")->setCurrentIndex(1);  // OFF
        QVERIFY(!Child<QLineEdit>(dialog, "tempHighEdit1")->isEnabled());
        QVERIFY(!Child<QCheckBox>(dialog, "tempHighBox1")->isEnabled());
        QVERIFY(Child<QLineEdit>(dialog, "humHighEdit1")->isEnabled());

        // A disabled edit still takes part in the checks.
        Child<QLineEdit>(dialog, "tempHighEdit2")->setText(QStringLiteral("60.1"));
        Child<QLineEdit>(dialog, "humHighEdit1")->setText(QStringLiteral("100"));
        Click(dialog, "saveButton");
        QCOMPARE(prompts.shown.last(), QStringLiteral("Temp Error."));
        QVERIFY(polled.rig.Written().empty());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        Child<QLineEdit>(dialog, "tempHighEdit2")->setText(QStringLiteral("60.0"));
        Click(dialog, "saveButton");
        QCOMPARE(prompts.shown.last(), QStringLiteral("Humi Error."));
        QVERIFY(polled.rig.Written().empty());

        Child<QLineEdit>(dialog, "humHighEdit1")->setText(QStringLiteral("99"));
        Click(dialog, "saveButton");
        QCOMPARE(polled.rig.WrittenCodes(),
                 (std::vector<uint8_t>{CMD_SCREEN_STATE, CMD_WRITE_ALARM_1, CMD_WRITE_ALARM_3,
                                       CMD_WRITE_ALARM_4, CMD_COMMIT}));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(polled.rig.station().AlarmAnswer(1)[2], uint8_t{1});  // temperature alarm off
    }

    void calibrationChecksAgainstTheLiveReadings() {
        SimOptions options;
        options.sensors.push_back({1, true, 23.5, 95});
        Polled polled(options);
        ScriptedPrompts prompts;
        Calib dialog(polled.rig.session(), prompts);
        dialog.Load();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Calibration"));
        QCOMPARE(Child<QLineEdit>(dialog, "tempOffsetEdit1")->text(), QStringLiteral("0.0"));
        QVERIFY(!Child<QLineEdit>(dialog, "tempOffsetEdit8")->isEnabled());  // no sensor

        Child<QLineEdit>(dialog, "tempOffsetEdit1")->setText(QStringLiteral("36.6"));
        Click(dialog, "saveButton");
        QCOMPARE(prompts.shown.last(), QStringLiteral(" CH1 Temp Out of value."));
        Child<QLineEdit>(dialog, "tempOffsetEdit1")->setText(QStringLiteral("36.5"));  // 235 + 365
        Child<QLineEdit>(dialog, "humOffsetEdit1")->setText(QStringLiteral("5"));
        Click(dialog, "saveButton");
        QCOMPARE(prompts.shown.last(), QStringLiteral(" CH1 Humi Out of value."));
        QVERIFY(polled.rig.Written().empty());

        Child<QLineEdit>(dialog, "humOffsetEdit1")->setText(QStringLiteral("4"));
        Click(dialog, "saveButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(polled.rig.WrittenCodes(),
                 (std::vector<uint8_t>{CMD_SCREEN_STATE, CMD_WRITE_CALIBRATION, CMD_COMMIT}));
        const Report calibration = polled.rig.station().CalibrationAnswer();
        QCOMPARE(calibration[1], uint8_t{0x01});
        QCOMPARE(calibration[2], uint8_t{0x6D});  // 365 tenths
        QCOMPARE(calibration[3], uint8_t{4});
    }
};

int RunConfigDialogsTests(int argc, char** argv) {
    ConfigDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConfigDialogsTest.moc"
