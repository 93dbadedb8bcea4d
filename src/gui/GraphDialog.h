// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QDialog>
#include <memory>
#include <string>

#include "UserPrompts.h"
#include "graph/GraphSelection.h"

class QComboBox;
class QDateEdit;
class QPushButton;
class QTimeEdit;

namespace corvalin {
class RecordDatabase;
}

namespace corvalin::chart {
class GraphChart;
}

namespace corvalin::gui {

// The "Graph" dialog: the readings of the record database over the range
// the user picks, as temperature with dew point and heat index, or as
// humidity. Nothing is drawn until Select; the chart can be saved as an image.
class GraphDialog : public QDialog {
    Q_OBJECT
public:
    // `unitLabel` titles the value axis of the temperature graph. The
    // default range is the hour before `now`, local time.
    GraphDialog(UserPrompts& prompts, const std::string& dataDir, QString unitLabel,
                QWidget* parent = nullptr, const QDateTime& now = QDateTime::currentDateTime());
    ~GraphDialog() override;

    // The range and quantity the controls hold.
    GraphSelection Selection() const;
    QString unitLabel() const { return unitLabel_; }
    chart::GraphChart* chart() const { return chart_; }

private:
    void OnSelect();
    void OnSaveImage();

    UserPrompts& prompts_;
    std::string databasePath_;
    QString unitLabel_;
    std::unique_ptr<RecordDatabase> database_;

    QDateEdit* startDate_ = nullptr;
    QTimeEdit* startTime_ = nullptr;
    QDateEdit* endDate_ = nullptr;
    QTimeEdit* endTime_ = nullptr;
    QComboBox* quantity_ = nullptr;
    QPushButton* select_ = nullptr;
    QPushButton* exit_ = nullptr;
    QPushButton* saveImage_ = nullptr;
    chart::GraphChart* chart_ = nullptr;
};

}  // namespace corvalin::gui
