// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalibrationDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "DialogSupport.h"
#include "common/Messages.h"

namespace corvalin::gui {

CalibrationDialog::CalibrationDialog(StationSession& session, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), session_(session), prompts_(prompts) {
    setObjectName(QStringLiteral("calibrationDialog"));
    setWindowTitle(QStringLiteral("Calibration"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Temperature"), this), 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Humidity"), this), 0, 3, 1, 2);
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const int channel = k + 1;
        grid->addWidget(new QLabel(QStringLiteral("CH%1:").arg(channel), this), channel, 0);
        temperature_[k] = new QLineEdit(this);
        temperature_[k]->setObjectName(QStringLiteral("tempOffsetEdit%1").arg(channel));
        humidity_[k] = new QLineEdit(this);
        humidity_[k]->setObjectName(QStringLiteral("humOffsetEdit%1").arg(channel));
        units_[k] = new QLabel(this);
        units_[k]->setObjectName(QStringLiteral("tempUnit%1").arg(channel));
        for (QLineEdit* edit : {temperature_[k], humidity_[k]}) {
            edit->setMaximumWidth(70);
            edit->setAlignment(Qt::AlignRight);
        }
        grid->addWidget(temperature_[k], channel, 1);
        grid->addWidget(units_[k], channel, 2);
        grid->addWidget(humidity_[k], channel, 3);
        grid->addWidget(new QLabel(QStringLiteral("%"), this), channel, 4);
    }

    save_ = new QPushButton(QStringLiteral("Save"), this);
    save_->setObjectName(QStringLiteral("saveButton"));
    connect(save_, &QPushButton::clicked, this, &CalibrationDialog::OnSave);
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton* button : {save_, exit}) button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(exit);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void CalibrationDialog::Load() {
    // A read that lacks the form's blocks shows nothing of it, and says so.
    if (!session_.Load(form_) && session_.IsConnected()) {
        prompts_.Inform(this, QString::fromUtf8(messages::INCOMPLETE_READ));
    }
    const QString unit = QString::fromUtf8(form_.UnitText());
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        temperature_[k]->setText(Utf8(form_.channels[k].temperature));
        humidity_[k]->setText(Utf8(form_.channels[k].humidity));
        temperature_[k]->setEnabled(form_.channels[k].temperatureEditable);
        humidity_[k]->setEnabled(form_.channels[k].humidityEditable);
        units_[k]->setText(unit);
    }
    save_->setEnabled(form_.saveEnabled);
}

int CalibrationDialog::Open() {
    Load();
    return exec();
}

void CalibrationDialog::OnSave() {
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        form_.channels[k].temperature = Utf8(temperature_[k]->text());
        form_.channels[k].humidity = Utf8(humidity_[k]->text());
    }
    FinishSave(*this, prompts_, session_.Save(form_));
}

void CalibrationDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace corvalin::gui
