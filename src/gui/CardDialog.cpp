// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "HistoryTableModel.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "history/DeleteHistoryFile.h"
#include "history/FileList.h"
#include "history/ImportHistoryFile.h"
#include "history/SdCardClient.h"
#include "store/RecordSchema.h"

namespace corvalin::gui {

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// Single-byte card names shown as text.
// The name as shown: control characters escaped. The name itself, as the
// card and the local copy know it (UTF-8), goes with the item.
QTableWidgetItem* CardNameItem(const std::string& cardBytes) {
    const std::string name = CardNameText(cardBytes);
    auto* item = new QTableWidgetItem(QString::fromStdString(Printable(name)));
    item->setData(Qt::UserRole, QByteArray::fromStdString(name));
    return item;
}

}  // namespace

CardDialog::CardDialog(StationSession& session, UserPrompts& prompts, std::string dataDir,
                       QWidget* parent)
    : QDialog(parent), session_(session), prompts_(prompts), dataDir_(std::move(dataDir)) {
    setObjectName(QStringLiteral("historyDialog"));
    setWindowTitle(QStringLiteral("SDCard File"));

    files_ = new QTableWidget(0, 2, this);
    files_->setObjectName(QStringLiteral("fileList"));
    files_->setHorizontalHeaderLabels({QStringLiteral("File Name"), QStringLiteral("Size")});
    files_->setColumnWidth(0, 135);
    files_->setColumnWidth(1, 100);
    files_->setSelectionBehavior(QAbstractItemView::SelectRows);
    files_->setSelectionMode(QAbstractItemView::SingleSelection);
    files_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    files_->verticalHeader()->hide();
    files_->setMinimumWidth(260);
    connect(files_, &QTableWidget::cellClicked, this, [this](int row, int) { OnFileClicked(row); });
    // A row picked with the keyboard is picked as by a click: the highlighted
    // row is always the one "Select:" names.
    connect(files_, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem*> picked = files_->selectedItems();
        if (!picked.isEmpty()) OnFileClicked(picked.first()->row());
    });

    model_ = new HistoryTableModel(this);
    model_->SetColumns(InitialHistoryColumns());
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("dataTable"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setDefaultSectionSize(20);
    table_->setMinimumWidth(580);
    auto applyWidths = [this] {
        for (size_t c = 0; c < model_->Columns().size(); ++c) {
            // The log's own width, or more where the title needs it.
            const int title = table_->horizontalHeader()->fontMetrics().horizontalAdvance(
                                  QString::fromStdString(model_->Columns()[c].title)) +
                              16;
            table_->setColumnWidth(static_cast<int>(c),
                                   std::max(model_->Columns()[c].width, title));
        }
    };
    connect(model_, &QAbstractItemModel::modelReset, this, applyWidths);
    applyWidths();

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setRange(0, 100);
    progress_->setValue(0);

    select_ = new QPushButton(QStringLiteral("Select"), this);
    select_->setObjectName(QStringLiteral("selectButton"));
    graph_ = new QPushButton(QStringLiteral("Graph"), this);
    graph_->setObjectName(QStringLiteral("graphButton"));
    graph_->setEnabled(false);  // until there is a graph to open
    delete_ = new QPushButton(QStringLiteral("Delete"), this);
    delete_->setObjectName(QStringLiteral("deleteButton"));
    for (QPushButton* button : {select_, graph_, delete_}) button->setAutoDefault(false);
    connect(select_, &QPushButton::clicked, this, &CardDialog::OnSelect);
    connect(delete_, &QPushButton::clicked, this, &CardDialog::OnDelete);
    connect(graph_, &QPushButton::clicked, this, [this] {
        if (openGraph_) openGraph_(unitText_);
    });

    selectedName_ = new QLabel(this);
    selectedName_->setObjectName(QStringLiteral("selectedName"));
    sizeText_ = new QLabel(QStringLiteral("Static"), this);
    sizeText_->setObjectName(QStringLiteral("sizeText"));
    sizeText_->hide();

    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(new QLabel(QStringLiteral("Select:"), this));
    selectRow->addWidget(selectedName_, 1);
    selectRow->addWidget(sizeText_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(select_);
    buttons->addWidget(graph_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(files_, 1);
    left->addLayout(selectRow);
    left->addLayout(buttons);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(table_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(progress_);
    resize(900, 560);
}

CardDialog::~CardDialog() {
    if (worker_.joinable()) worker_.join();
}

std::string CardDialog::DatabasePath() const { return dataDir_ + "/" + RECORD_DATABASE_FILE; }

void CardDialog::SetGraphOpener(std::function<void(const QString& unitLabel)> open) {
    openGraph_ = std::move(open);
    graph_->setEnabled(static_cast<bool>(openGraph_) && !running_);
}

int CardDialog::Open() {
    Begin();
    const int result = exec();
    End();
    return result;
}

void CardDialog::Begin() {
    // Each opening starts as the first: no file picked, the table of no
    // import, the progress empty. The last import's unit stays for Graph,
    // as the database still holds its readings.
    files_->setRowCount(0);
    selectedName_->clear();
    selectedCardName_.clear();
    selectedIndex_ = 0;
    sizeText_->setText(QStringLiteral("Static"));
    sizeText_->hide();
    model_->SetColumns(InitialHistoryColumns());
    progress_->setRange(0, 100);
    progress_->setValue(0);
    card_ = session_.OpenCard(dataDir_);
    if (session_.IsConnected()) RequestFileList();
}

void CardDialog::End() {
    if (worker_.joinable()) worker_.join();
    card_.reset();  // the card's reports no longer come here
}

void CardDialog::RequestFileList() {
    const std::vector<FileEntry> entries = card_->RequestFileList();
    files_->setRowCount(static_cast<int>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        QTableWidgetItem* name = CardNameItem(entries[i].name);
        name->setTextAlignment(Qt::AlignCenter);
        auto* size = new QTableWidgetItem(Text(FormatFileSize(entries[i].size)));
        size->setTextAlignment(Qt::AlignCenter);
        files_->setItem(static_cast<int>(i), 0, name);
        files_->setItem(static_cast<int>(i), 1, size);
    }
    // What came is shown; that it is not the whole card is said.
    if (!card_->ListComplete()) {
        prompts_.Inform(this, QString::fromUtf8(session_.StillConnected() ? messages::NO_ANSWER
                                                                          : messages::UNCONNECTED));
    }
}

void CardDialog::OnFileClicked(int row) {
    selectedIndex_ = row;
    if (QTableWidgetItem* name = files_->item(row, 0)) {
        selectedName_->setText(name->text());
        selectedCardName_ = name->data(Qt::UserRole).toByteArray().toStdString();
    }
    if (QTableWidgetItem* size = files_->item(row, 1)) {
        sizeText_->setText(size->text());
        sizeText_->show();
    }
}

void CardDialog::SetButtonsEnabled(bool enabled) {
    select_->setEnabled(enabled);
    delete_->setEnabled(enabled);
    graph_->setEnabled(enabled && static_cast<bool>(openGraph_));
}

void CardDialog::OnSelect() {
    if (running_ || !card_) return;
    if (selectedName_->text().isEmpty()) {
        prompts_.Inform(this, QString::fromLatin1(messages::SELECT_A_FILE));
        return;
    }
    running_ = true;
    SetButtonsEnabled(false);
    progress_->setValue(0);
    if (worker_.joinable()) worker_.join();
    worker_ = std::thread([this, name = selectedCardName_] { Transfer(name); });
}

void CardDialog::Transfer(std::string name) {
    // Runs on the worker: every widget change goes to the UI thread.
    auto onUi = [this](auto function) {
        QMetaObject::invokeMethod(this, std::move(function), Qt::QueuedConnection);
    };
    DownloadCallbacks callbacks;
    callbacks.progress = [this, onUi](uint64_t done, uint64_t total) {
        // Bytes as the range, scaled only where they would not fit an int.
        const uint64_t scale = total > INT_MAX ? total / INT_MAX + 1 : 1;
        onUi(
            [this, done = static_cast<int>(done / scale), total = static_cast<int>(total / scale)] {
                progress_->setRange(0, std::max(total, 1));
                progress_->setValue(done);
            });
    };
    callbacks.finished = [this, onUi] {
        onUi([this] {
            sizeText_->setText(QString::fromLatin1(messages::DOWNLOAD_DONE));
            sizeText_->show();
        });
    };
    auto download = std::make_shared<DownloadResult>(card_->Download(name, callbacks));
    std::shared_ptr<ImportResult> import;
    if (download->ok) {
        ImportOptions options;
        options.dateOrder = session_.LogDateOrder();
        import = std::make_shared<ImportResult>(
            ImportHistoryFile(download->localPath, name, DatabasePath(), {}, options));
    }
    onUi([this, download, import] { FinishTransfer(download, import); });
}

void CardDialog::FinishTransfer(std::shared_ptr<DownloadResult> download,
                                std::shared_ptr<ImportResult> import) {
    if (worker_.joinable()) worker_.join();
    if (!download->ok) {
        prompts_.Inform(this, Text(download->message));
    } else if (import) {
        for (const std::string& error : import->errors) prompts_.Inform(this, Text(error));
        // A failed import changed nothing in the database: neither does it here.
        if (import->stored) {
            unitText_ = Text(import->unitText);
            auto table = std::make_shared<const HistoryTable>(std::move(import->table));
            model_->SetTable(table, import->Columns());
        }
    }
    running_ = false;
    SetButtonsEnabled(true);
    emit TransferFinished();
}

void CardDialog::OnDelete() {
    const QString selected = selectedName_->text();
    if (selected.isEmpty()) {
        prompts_.Inform(this, QString::fromLatin1(messages::SELECT_A_FILE));
        return;
    }
    if (!prompts_.ConfirmOkCancel(this, QStringLiteral("Corvalin"),
                                  QString::fromLatin1(messages::CONFIRM_DELETE))) {
        return;
    }
    Status deleted = DeleteHistoryFile(*card_, selectedCardName_, DatabasePath());
    if (!deleted) {
        prompts_.Inform(this, Text(deleted.message));
        return;
    }
    if (selectedIndex_ >= 0 && selectedIndex_ < files_->rowCount())
        files_->removeRow(selectedIndex_);
    // The first file is picked now, and shown picked: the list's own
    // selection would have moved to the row after the deleted one.
    selectedIndex_ = 0;
    if (files_->rowCount() > 0) {
        files_->setCurrentCell(0, 0);
        OnFileClicked(0);
    } else {
        files_->clearSelection();
        selectedName_->clear();
        selectedCardName_.clear();
        sizeText_->hide();
    }
}

void CardDialog::closeEvent(QCloseEvent* event) {
    // A transfer must not outlive the dialog.
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CardDialog::reject() {
    if (running_) return;
    QDialog::reject();
}

}  // namespace corvalin::gui
