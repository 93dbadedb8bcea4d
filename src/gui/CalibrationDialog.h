// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <array>

#include "UserPrompts.h"
#include "config/CalibrationForm.h"
#include "session/StationSession.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvalin::gui {

// The "Calibration" dialog: the offsets the station adds to each channel's
// temperature and humidity, checked against the live readings copied when
// the dialog opened.
class CalibrationDialog : public QDialog {
    Q_OBJECT
public:
    CalibrationDialog(StationSession& session, UserPrompts& prompts, QWidget* parent = nullptr);

    void Load();
    int Open();

protected:
    // Enter closes the dialog without sending anything, as its OK does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnSave();

    StationSession& session_;
    UserPrompts& prompts_;
    CalibrationForm form_;
    std::array<QLineEdit*, CHANNEL_COUNT> temperature_{};
    std::array<QLineEdit*, CHANNEL_COUNT> humidity_{};
    std::array<QLabel*, CHANNEL_COUNT> units_{};
    QPushButton* save_ = nullptr;
};

}  // namespace corvalin::gui
