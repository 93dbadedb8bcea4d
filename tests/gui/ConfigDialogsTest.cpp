// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmDialog.h"
#include "CalibrationDialog.h"
#include "GuiTest.h"
#include "SetupDialog.h"
#include "protocol/CommandFrame.h"

namespace {

// A session on the simulated station after one read cycle.
struct Polled {
    explicit Polled(SimOptions options = {}) : rig(std::move(options)) {
        QVERIFY(rig.session().Open());
        rig.session().ReadStation();
        rig.session().TakeCalibrationReadings();
        rig.ClearWritten();
    }
    test::SimRig rig;
    ScriptedPrompts prompts;
};

}  // namespace

void WindowTest::setupKeepsAreaTicksSavesThroughTheScreenQueryAndSetsTheInterval() {
    Polled polled;
    SetupDialog dialog(polled.rig.session(), polled.prompts);
    dialog.Load();
    QCOMPARE(Child<QLineEdit>(dialog, "intervalEdit")->text(), u"5"_s);
    // "CH Area1" first: only the CH1 boxes can change (which box when is the core's).
    auto* area = Child<QComboBox>(dialog, "areaList");
    auto* box3 = Child<QCheckBox>(dialog, "dewPointBox3");
    QCOMPARE(area->currentText(), u"CH Area1"_s);
    QVERIFY(Child<QCheckBox>(dialog, "dewPointBox1")->isEnabled() && !box3->isEnabled());
    // A tick in area 2, kept while another area is shown, goes out in area 2's bytes.
    area->setCurrentIndex(1);
    box3->setChecked(true);
    area->setCurrentIndex(2);
    Child<QComboBox>(dialog, "unitList")->setCurrentIndex(1);

    Click(dialog, "saveButton");
    QVERIFY(polled.prompts.shown.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(polled.rig.WrittenCodes(),
             (std::vector<uint8_t>{CMD_SCREEN_STATE, CMD_WRITE_SETTINGS, CMD_COMMIT}));
    const Report settings = polled.rig.Written().at(1);
    QCOMPARE(settings[8], uint8_t{1});      // Fahrenheit
    QCOMPARE(settings[16], uint8_t{0x80});  // area 2's low byte: CH3's dew point

    // Set Interval: the range is the core's; the typed value is the dialog's.
    Type(dialog, "intervalEdit", "240");
    Click(dialog, "setIntervalButton");
    QCOMPARE(polled.prompts.shown.last(), u"Set Interval Success."_s);
    QCOMPARE(polled.rig.station().IntervalMinutes(), 240);
}

void WindowTest::alarmShowsARefusalAndSavesOnEnter() {
    Polled polled;
    AlarmDialog dialog(polled.rig.session(), polled.prompts);
    dialog.Load();
    QCOMPARE(Child<QLineEdit>(dialog, "humLowEdit8")->text(), u"10  "_s);
    // Switching the temperature alarm off disables its edits and boxes only.
    Child<QComboBox>(dialog, "temperatureAlarmList")->setCurrentIndex(1);
    QVERIFY(!Child<QCheckBox>(dialog, "tempHighBox1")->isEnabled());
    QVERIFY(Child<QLineEdit>(dialog, "humHighEdit1")->isEnabled());

    // A disabled edit still takes part in the checks; the refusal is shown, the dialog stays.
    Type(dialog, "tempHighEdit2", "60.1");
    Click(dialog, "saveButton");
    QCOMPARE(polled.prompts.shown.last(), u"Temp Error."_s);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(polled.rig.Written().empty());

    Type(dialog, "tempHighEdit2", "60.0");
    // Each box belongs to the edit on its right: CH1's high box clear, its low box ticked.
    Child<QCheckBox>(dialog, "humHighBox1")->setChecked(false);
    Child<QCheckBox>(dialog, "humLowBox1")->setChecked(true);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);  // Enter saves
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(polled.rig.WrittenCodes(),
             (std::vector<uint8_t>{CMD_SCREEN_STATE, CMD_WRITE_ALARM_1, CMD_WRITE_ALARM_3,
                                   CMD_WRITE_ALARM_4, CMD_COMMIT}));
    const Report block1 = polled.rig.station().AlarmAnswer(1);
    QCOMPARE(block1[2], uint8_t{1});  // temperature alarm off
    QCOMPARE((std::pair<int, int>(block1[3], block1[4])), (std::pair<int, int>(0xFE, 0xFF)));
}

void WindowTest::calibrationClosesOnEnterAndSavesTheOffsets() {
    SimOptions options;
    options.sensors.push_back({1, true, 23.5, 95});
    Polled polled(options);
    // Enter closes Setup and Calibration without a word to the station (Alarm's saves).
    SetupDialog setup(polled.rig.session(), polled.prompts);
    CalibrationDialog dialog(polled.rig.session(), polled.prompts);
    for (QDialog* shown : std::initializer_list<QDialog*>{&setup, &dialog}) {
        shown->show();
        QTest::keyClick(shown, Qt::Key_Return);
        QVERIFY(!shown->isVisible());
    }
    QVERIFY(polled.rig.Written().empty());
    dialog.Load();
    QVERIFY(!Child<QLineEdit>(dialog, "tempOffsetEdit8")->isEnabled());  // no sensor

    // Checked against the live readings (the form's to test): 23.5 + 36.5 is the most.
    Type(dialog, "tempOffsetEdit1", "36.5");
    Type(dialog, "humOffsetEdit1", "4");
    Click(dialog, "saveButton");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(polled.rig.WrittenCodes(),
             (std::vector<uint8_t>{CMD_SCREEN_STATE, CMD_WRITE_CALIBRATION, CMD_COMMIT}));
    const Report calibration = polled.rig.station().CalibrationAnswer();  // CH1: 365 tenths, 4 %
    QCOMPARE((std::vector<int>{calibration[1], calibration[2], calibration[3]}),
             (std::vector<int>{0x01, 0x6D, 4}));
}
