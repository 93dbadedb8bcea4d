// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "DialogSupport.h"
#include "common/Messages.h"
#include "config/DialogLists.h"

namespace corvalin::gui {

namespace {

QLineEdit* LimitEdit(QWidget* parent, const char* name, int channel) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(name)).arg(channel));
    edit->setMaximumWidth(60);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

QCheckBox* EnableBox(QWidget* parent, const char* name, int channel) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(name)).arg(channel));
    return box;
}

// A group's grid: its switch on top, then the heads "High" and "Low" over
// their box, edit and unit columns.
QGridLayout* AlarmGrid(QGroupBox* group, const QString& switchLabel, QComboBox* list) {
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(switchLabel, group), 0, 0, 1, 3);
    list->setParent(group);
    grid->addWidget(list, 0, 3, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("High"), group), 1, 1, 1, 3, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Low"), group), 1, 4, 1, 3, Qt::AlignCenter);
    return grid;
}

}  // namespace

AlarmDialog::AlarmDialog(StationSession& session, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), session_(session), prompts_(prompts) {
    setObjectName(QStringLiteral("alarmDialog"));
    setWindowTitle(QStringLiteral("Alarm"));

    temperatureSwitch_ = MakeList(this, "temperatureAlarmList", ALARM_SWITCH_ENTRIES);
    humiditySwitch_ = MakeList(this, "humidityAlarmList", ALARM_SWITCH_ENTRIES);
    connect(temperatureSwitch_, &QComboBox::currentIndexChanged, this, &AlarmDialog::ApplySwitches);
    connect(humiditySwitch_, &QComboBox::currentIndexChanged, this, &AlarmDialog::ApplySwitches);

    // Two group boxes side by side, each with its switch and a grid of
    // CH1..CH8 against High and Low: enable box, limit, and its unit.
    auto* temperatureGroup = new QGroupBox(QStringLiteral("Temperature Alarm"), this);
    temperatureGroup->setObjectName(QStringLiteral("temperatureAlarmGroup"));
    auto* humidityGroup = new QGroupBox(QStringLiteral("Humidity Alarm"), this);
    humidityGroup->setObjectName(QStringLiteral("humidityAlarmGroup"));
    QGridLayout* temperatureGrid =
        AlarmGrid(temperatureGroup, QStringLiteral("Temperature Alarm:"), temperatureSwitch_);
    QGridLayout* humidityGrid =
        AlarmGrid(humidityGroup, QStringLiteral("Humidity Alarm:"), humiditySwitch_);
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const int channel = k + 1;
        const int line = channel + 1;  // below the switch and the column heads
        Row& row = rows_[k];
        row.temperatureHighEnabled = EnableBox(temperatureGroup, "tempHighBox", channel);
        row.temperatureHigh = LimitEdit(temperatureGroup, "tempHighEdit", channel);
        row.highUnit = new QLabel(temperatureGroup);
        row.temperatureLowEnabled = EnableBox(temperatureGroup, "tempLowBox", channel);
        row.temperatureLow = LimitEdit(temperatureGroup, "tempLowEdit", channel);
        row.lowUnit = new QLabel(temperatureGroup);
        row.humidityHighEnabled = EnableBox(humidityGroup, "humHighBox", channel);
        row.humidityHigh = LimitEdit(humidityGroup, "humHighEdit", channel);
        row.humidityLowEnabled = EnableBox(humidityGroup, "humLowBox", channel);
        row.humidityLow = LimitEdit(humidityGroup, "humLowEdit", channel);

        QWidget* temperatureCells[] = {
            row.temperatureHighEnabled, row.temperatureHigh, row.highUnit,
            row.temperatureLowEnabled,  row.temperatureLow,  row.lowUnit};
        QWidget* humidityCells[] = {row.humidityHighEnabled,
                                    row.humidityHigh,
                                    new QLabel(QStringLiteral("%"), humidityGroup),
                                    row.humidityLowEnabled,
                                    row.humidityLow,
                                    new QLabel(QStringLiteral("%"), humidityGroup)};
        temperatureGrid->addWidget(new QLabel(QStringLiteral("CH%1:").arg(channel), this), line, 0);
        humidityGrid->addWidget(new QLabel(QStringLiteral("CH%1:").arg(channel), this), line, 0);
        for (int c = 0; c < 6; ++c) {
            temperatureGrid->addWidget(temperatureCells[c], line, c + 1);
            humidityGrid->addWidget(humidityCells[c], line, c + 1);
        }
    }

    save_ = new QPushButton(QStringLiteral("Save"), this);
    save_->setObjectName(QStringLiteral("saveButton"));
    save_->setDefault(true);  // Enter saves, as the dialog's OK button
    connect(save_, &QPushButton::clicked, this, &AlarmDialog::OnSave);
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(exit);

    auto* groups = new QHBoxLayout;
    groups->addWidget(temperatureGroup);
    groups->addWidget(humidityGroup);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

void AlarmDialog::Load() {
    // A read that lacks the form's blocks shows nothing of it, and says so.
    if (!session_.Load(form_) && session_.IsConnected()) {
        prompts_.Inform(this, QString::fromUtf8(messages::INCOMPLETE_READ));
    }
    temperatureSwitch_->setCurrentIndex(form_.temperatureAlarm);
    humiditySwitch_->setCurrentIndex(form_.humidityAlarm);
    const QString unit = QString::fromUtf8(form_.UnitText());
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const AlarmChannelEdits& edits = form_.channels[k];
        Row& row = rows_[k];
        row.temperatureHigh->setText(Utf8(edits.temperatureHigh));
        row.temperatureLow->setText(Utf8(edits.temperatureLow));
        row.humidityHigh->setText(Utf8(edits.humidityHigh));
        row.humidityLow->setText(Utf8(edits.humidityLow));
        row.temperatureHighEnabled->setChecked(edits.temperatureHighEnabled);
        row.temperatureLowEnabled->setChecked(edits.temperatureLowEnabled);
        row.humidityHighEnabled->setChecked(edits.humidityHighEnabled);
        row.humidityLowEnabled->setChecked(edits.humidityLowEnabled);
        row.highUnit->setText(unit);
        row.lowUnit->setText(unit);
    }
    save_->setEnabled(form_.saveEnabled);
    ApplySwitches();
}

int AlarmDialog::Open() {
    Load();
    return exec();
}

void AlarmDialog::ApplySwitches() {
    form_.temperatureAlarm = temperatureSwitch_->currentIndex();
    form_.humidityAlarm = humiditySwitch_->currentIndex();
    const bool temperature = form_.TemperatureControlsEnabled();
    const bool humidity = form_.HumidityControlsEnabled();
    for (Row& row : rows_) {
        for (QWidget* widget :
             {static_cast<QWidget*>(row.temperatureHigh), static_cast<QWidget*>(row.temperatureLow),
              static_cast<QWidget*>(row.temperatureHighEnabled),
              static_cast<QWidget*>(row.temperatureLowEnabled)}) {
            widget->setEnabled(temperature);
        }
        for (QWidget* widget :
             {static_cast<QWidget*>(row.humidityHigh), static_cast<QWidget*>(row.humidityLow),
              static_cast<QWidget*>(row.humidityHighEnabled),
              static_cast<QWidget*>(row.humidityLowEnabled)}) {
            widget->setEnabled(humidity);
        }
    }
}

void AlarmDialog::OnSave() {
    if (!save_->isEnabled()) return;  // Enter while not connected
    form_.temperatureAlarm = temperatureSwitch_->currentIndex();
    form_.humidityAlarm = humiditySwitch_->currentIndex();
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        AlarmChannelEdits& edits = form_.channels[k];
        const Row& row = rows_[k];
        edits.temperatureHigh = Utf8(row.temperatureHigh->text());
        edits.temperatureLow = Utf8(row.temperatureLow->text());
        edits.humidityHigh = Utf8(row.humidityHigh->text());
        edits.humidityLow = Utf8(row.humidityLow->text());
        edits.temperatureHighEnabled = row.temperatureHighEnabled->isChecked();
        edits.temperatureLowEnabled = row.temperatureLowEnabled->isChecked();
        edits.humidityHighEnabled = row.humidityHighEnabled->isChecked();
        edits.humidityLowEnabled = row.humidityLowEnabled->isChecked();
    }
    FinishSave(*this, prompts_, session_.Save(form_));
}

}  // namespace corvalin::gui
