// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <array>

#include "UserPrompts.h"
#include "config/AlarmForm.h"
#include "session/StationSession.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvalin::gui {

// The "Alarm" dialog: the two alarm switches and, per channel, the high and
// low temperature and humidity limits with their enable boxes.
class AlarmDialog : public QDialog {
    Q_OBJECT
public:
    AlarmDialog(StationSession& session, UserPrompts& prompts, QWidget* parent = nullptr);

    void Load();
    int Open();

private:
    struct Row {
        QLineEdit* temperatureHigh;
        QLineEdit* temperatureLow;
        QLineEdit* humidityHigh;
        QLineEdit* humidityLow;
        QCheckBox* temperatureHighEnabled;
        QCheckBox* temperatureLowEnabled;
        QCheckBox* humidityHighEnabled;
        QCheckBox* humidityLowEnabled;
        QLabel* highUnit;
        QLabel* lowUnit;
    };

    void ApplySwitches();
    void OnSave();

    StationSession& session_;
    UserPrompts& prompts_;
    AlarmForm form_;
    QComboBox* temperatureSwitch_ = nullptr;
    QComboBox* humiditySwitch_ = nullptr;
    std::array<Row, CHANNEL_COUNT> rows_{};
    QPushButton* save_ = nullptr;
};

}  // namespace corvalin::gui
