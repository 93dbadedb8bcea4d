// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <array>

#include "UserPrompts.h"
#include "config/SettingsForm.h"
#include "session/StationSession.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace corvalin::gui {

// The "Setup" dialog: the station's display and clock settings, the five
// display areas and the logging interval. One object lives as long as the
// main window, so the area masks survive from one opening to the next.
class SetupDialog : public QDialog {
    Q_OBJECT
public:
    SetupDialog(StationSession& session, UserPrompts& prompts, QWidget* parent = nullptr);

    // Fills the controls from the copies the last read cycle left.
    void Load();
    int Open();

    const SettingsForm& form() const { return form_; }

protected:
    // Enter closes the dialog without sending anything, as its OK does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowArea();
    void OnAreaChanged(int index);
    void OnBoxToggled(int box, bool checked);
    void OnSave();
    void OnSetInterval();
    void TakeSelections();

    StationSession& session_;
    UserPrompts& prompts_;
    SettingsForm form_;

    QComboBox* graphType_ = nullptr;
    QComboBox* graphSpan_ = nullptr;
    QComboBox* timeFormat_ = nullptr;
    QComboBox* dateFormat_ = nullptr;
    QComboBox* dst_ = nullptr;
    QComboBox* timeZone_ = nullptr;
    QComboBox* unit_ = nullptr;
    QComboBox* area_ = nullptr;
    std::array<QCheckBox*, 24> boxes_{};
    QLineEdit* interval_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace corvalin::gui
