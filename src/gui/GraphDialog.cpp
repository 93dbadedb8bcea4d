// SPDX-License-Identifier: GPL-3.0-or-later
#include "GraphDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "chart/ChartImage.h"
#include "chart/GraphChart.h"
#include "graph/GraphQuery.h"
#include "graph/GraphTime.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"

namespace corvalin::gui {

namespace {

constexpr int DEFAULT_RANGE_SECONDS = 3600;

// The locale's short date, always with a four-digit year so that no
// century is guessed.
QString ShortDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QDateEdit* DatePicker(const QString& name, QDate date, QWidget* parent) {
    auto* picker = new QDateEdit(date, parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(ShortDateFormat());
    picker->setCalendarPopup(true);
    picker->setAlignment(Qt::AlignRight);
    return picker;
}

QTimeEdit* TimePicker(const QString& name, QTime time, QWidget* parent) {
    auto* picker = new QTimeEdit(time, parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    picker->setAlignment(Qt::AlignRight);
    return picker;
}

CivilTime Combined(QDate date, QTime time) {
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

// Reading a million rows takes a moment: say so with the cursor.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

GraphDialog::GraphDialog(UserPrompts& prompts, const std::string& dataDir, QString unitLabel,
                         QWidget* parent, const QDateTime& now)
    : QDialog(parent),
      prompts_(prompts),
      databasePath_(RecordDatabasePath(dataDir)),
      unitLabel_(std::move(unitLabel)),
      database_(std::make_unique<RecordDatabase>()) {
    setObjectName(QStringLiteral("graphDialog"));
    setWindowTitle(QStringLiteral("Graph"));

    const QDateTime start = now.addSecs(-DEFAULT_RANGE_SECONDS);
    startDate_ = DatePicker(QStringLiteral("startDate"), start.date(), this);
    startTime_ = TimePicker(QStringLiteral("startTime"), start.time(), this);
    endDate_ = DatePicker(QStringLiteral("endDate"), now.date(), this);
    endTime_ = TimePicker(QStringLiteral("endTime"), now.time(), this);

    quantity_ = new QComboBox(this);
    quantity_->setObjectName(QStringLiteral("quantityList"));
    quantity_->addItems({QStringLiteral("Temperature"), QStringLiteral("Humidity")});
    quantity_->setCurrentIndex(0);
    quantity_->setMinimumWidth(140);

    select_ = new QPushButton(QStringLiteral("Select"), this);
    select_->setObjectName(QStringLiteral("selectButton"));
    exit_ = new QPushButton(QStringLiteral("Exit"), this);
    exit_->setObjectName(QStringLiteral("exitButton"));
    saveImage_ = new QPushButton(QStringLiteral("Save Image\u2026"), this);
    saveImage_->setObjectName(QStringLiteral("saveImageButton"));
    for (QPushButton* button : {select_, exit_, saveImage_}) button->setAutoDefault(false);
    connect(select_, &QPushButton::clicked, this, &GraphDialog::OnSelect);
    connect(exit_, &QPushButton::clicked, this, &QDialog::reject);
    connect(saveImage_, &QPushButton::clicked, this, &GraphDialog::OnSaveImage);

    chart_ = new chart::GraphChart(this);
    chart_->SetTimeRange(ChartSecondsFromCivil(Combined(start.date(), start.time())),
                         ChartSecondsFromCivil(Combined(now.date(), now.time())));

    auto* controls = new QGridLayout;
    controls->addWidget(new QLabel(QStringLiteral("Start Time:"), this), 0, 0);
    controls->addWidget(startDate_, 0, 1);
    controls->addWidget(startTime_, 0, 2);
    controls->addWidget(quantity_, 0, 3);
    controls->addWidget(new QLabel(QStringLiteral("End Time:"), this), 1, 0);
    controls->addWidget(endDate_, 1, 1);
    controls->addWidget(endTime_, 1, 2);
    controls->setColumnStretch(4, 1);
    controls->addWidget(select_, 0, 5);
    controls->addWidget(exit_, 0, 6);
    controls->addWidget(saveImage_, 1, 5, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(chart_, 1);
    resize(1000, 560);
}

GraphDialog::~GraphDialog() = default;

GraphSelection GraphDialog::Selection() const {
    GraphSelection selection;
    selection.start = Combined(startDate_->date(), startTime_->time());
    selection.end = Combined(endDate_->date(), endTime_->time());
    selection.quantity =
        quantity_->currentIndex() == 1 ? GraphQuantity::Humidity : GraphQuantity::Temperature;
    selection.unitLabel = unitLabel_.toStdString();
    return selection;
}

void GraphDialog::OnSelect() {
    GraphResult result;
    {
        BusyCursor busy;
        result = QueryGraph(*database_, databasePath_, Selection());
        if (result.outcome != GraphOutcome::RangeRefused) chart_->Show(std::move(result.content));
    }
    if (result.outcome == GraphOutcome::RangeRefused) {
        prompts_.Critical(this, QString::fromStdString(result.message));
    } else if (result.outcome == GraphOutcome::ReadFailed) {
        prompts_.Warn(this, QString::fromStdString(result.message));
    }
}

void GraphDialog::OnSaveImage() {
    QString path = prompts_.ChooseFileToSave(this, QStringLiteral("Save Image"),
                                             QString::fromLatin1(chart::IMAGE_FILE_FILTER));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    const Status saved = chart::SaveChartImage(*chart_, path);
    if (!saved) prompts_.Warn(this, QString::fromStdString(saved.message));
}

}  // namespace corvalin::gui
