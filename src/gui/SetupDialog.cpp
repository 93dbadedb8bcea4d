// SPDX-License-Identifier: GPL-3.0-or-later
#include "SetupDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "DialogSupport.h"
#include "common/Messages.h"
#include "config/DialogLists.h"

namespace corvalin::gui {

namespace {
constexpr const char* ROW_NAMES[] = {"temperatureBox", "dewPointBox", "heatIndexBox"};
}  // namespace

SetupDialog::SetupDialog(StationSession& session, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), session_(session), prompts_(prompts) {
    setObjectName(QStringLiteral("settingDialog"));
    setWindowTitle(QStringLiteral("Setup"));

    graphType_ = MakeList(this, "graphTypeList", GRAPH_TYPE_ENTRIES);
    graphSpan_ = MakeList(this, "graphSpanList", GRAPH_SPAN_ENTRIES);
    timeFormat_ = MakeList(this, "timeFormatList", TIME_FORMAT_ENTRIES);
    dateFormat_ = MakeList(this, "dateFormatList", DATE_FORMAT_ENTRIES);
    dst_ = MakeList(this, "dstList", DST_ENTRIES);
    timeZone_ = MakeList(this, "timeZoneList", TIME_ZONE_ENTRIES);
    unit_ = MakeList(this, "unitList", UNIT_ENTRIES);
    area_ = MakeList(this, "areaList", AREA_ENTRIES);

    auto* options = new QGroupBox(this);
    auto* optionGrid = new QGridLayout(options);
    const std::pair<const char*, QComboBox*> lists[] = {{"GrapType", graphType_},
                                                        {"GrapTime", graphSpan_},
                                                        {"Time Format", timeFormat_},
                                                        {"Date Format", dateFormat_},
                                                        {"DST", dst_},
                                                        {"TimeZone", timeZone_},
                                                        {"Units", unit_}};
    int at = 0;
    for (const auto& [label, list] : lists) {
        optionGrid->addWidget(new QLabel(QString::fromLatin1(label), options), at / 4,
                              (at % 4) * 2);
        optionGrid->addWidget(list, at / 4, (at % 4) * 2 + 1);
        ++at;
    }

    auto* channels = new QGroupBox(this);
    auto* grid = new QGridLayout(channels);
    grid->addWidget(area_, 0, 0);
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        auto* head = new QLabel(QStringLiteral("CH%1").arg(k + 1), channels);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, k + 1);
    }
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(new QLabel(QString::fromLatin1(DISPLAY_ROW_LABELS[row]), channels), row + 1,
                        0);
        for (int k = 0; k < CHANNEL_COUNT; ++k) {
            const int box = 3 * k + row;
            auto* check = new QCheckBox(channels);
            check->setObjectName(
                QStringLiteral("%1%2").arg(QString::fromLatin1(ROW_NAMES[row])).arg(k + 1));
            connect(check, &QCheckBox::toggled, this,
                    [this, box](bool checked) { OnBoxToggled(box, checked); });
            grid->addWidget(check, row + 1, k + 1, Qt::AlignCenter);
            boxes_[box] = check;
        }
    }
    connect(area_, &QComboBox::currentIndexChanged, this, &SetupDialog::OnAreaChanged);

    interval_ = new QLineEdit(this);
    interval_->setObjectName(QStringLiteral("intervalEdit"));
    interval_->setMaximumWidth(60);
    auto* setInterval = new QPushButton(QStringLiteral("Set Interval"), this);
    setInterval->setObjectName(QStringLiteral("setIntervalButton"));
    connect(setInterval, &QPushButton::clicked, this, &SetupDialog::OnSetInterval);
    save_ = new QPushButton(QStringLiteral("Save"), this);
    save_->setObjectName(QStringLiteral("saveButton"));
    connect(save_, &QPushButton::clicked, this, &SetupDialog::OnSave);
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton* button : {setInterval, save_, exit}) button->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Interval:"), this));
    bottom->addWidget(interval_);
    bottom->addWidget(new QLabel(QStringLiteral("Minute"), this));
    bottom->addWidget(setInterval);
    bottom->addStretch(1);
    bottom->addWidget(save_);
    bottom->addWidget(exit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options);
    layout->addWidget(channels);
    layout->addLayout(bottom);
}

void SetupDialog::Load() {
    // A read that lacks the form's blocks shows nothing of it, and says so.
    if (!session_.Load(form_) && session_.IsConnected()) {
        prompts_.Inform(this, QString::fromUtf8(messages::INCOMPLETE_READ));
    }
    const std::pair<QComboBox*, int> selections[] = {{graphType_, form_.graphType},
                                                     {graphSpan_, form_.graphSpan},
                                                     {timeFormat_, form_.timeFormat},
                                                     {dateFormat_, form_.dateFormat},
                                                     {dst_, form_.dst},
                                                     {timeZone_, form_.timeZone},
                                                     {unit_, form_.unit}};
    for (const auto& [list, index] : selections) list->setCurrentIndex(index);
    {
        const QSignalBlocker blocker(area_);
        area_->setCurrentIndex(form_.areas.ShownArea());
    }
    ShowArea();
    interval_->setText(Utf8(form_.intervalText));
    save_->setEnabled(form_.saveEnabled);
}

int SetupDialog::Open() {
    Load();
    return exec();
}

void SetupDialog::ShowArea() {
    for (int box = 0; box < 24; ++box) {
        const QSignalBlocker blocker(boxes_[box]);
        boxes_[box]->setChecked(form_.areas.IsChecked(box));
        boxes_[box]->setEnabled(form_.areas.IsEnabled(box));
    }
}

void SetupDialog::OnAreaChanged(int index) {
    if (index < 0) return;
    form_.areas.ChangeArea(index);
    ShowArea();
}

void SetupDialog::OnBoxToggled(int box, bool checked) {
    form_.areas.SetChecked(box, checked);
    ShowArea();
}

void SetupDialog::TakeSelections() {
    form_.graphType = graphType_->currentIndex();
    form_.graphSpan = graphSpan_->currentIndex();
    form_.timeFormat = timeFormat_->currentIndex();
    form_.dateFormat = dateFormat_->currentIndex();
    form_.dst = dst_->currentIndex();
    form_.timeZone = timeZone_->currentIndex();
    form_.unit = unit_->currentIndex();
    form_.intervalText = Utf8(interval_->text());
}

void SetupDialog::OnSave() {
    TakeSelections();
    FinishSave(*this, prompts_, session_.Save(form_));
}

void SetupDialog::OnSetInterval() {
    const IntervalResult result = session_.SetInterval(Utf8(interval_->text()));
    prompts_.Inform(this, QString::fromLatin1(IntervalMessage(result)));
}

void SetupDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace corvalin::gui
