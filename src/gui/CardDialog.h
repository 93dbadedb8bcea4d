// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "UserPrompts.h"
#include "session/StationSession.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTableWidget;

namespace corvalin {
class SdCardClient;
struct DownloadResult;
struct ImportResult;
}  // namespace corvalin

namespace corvalin::gui {

class HistoryTableModel;

// The "SDCard File" dialog: the card's files, the download of one into the
// data folder with its import into the record database on a worker thread,
// the imported lines in a table, and the deletion of card files. It cannot
// be closed while a transfer runs.
class CardDialog : public QDialog {
    Q_OBJECT
public:
    CardDialog(StationSession& session, UserPrompts& prompts, std::string dataDir,
               QWidget* parent = nullptr);
    ~CardDialog() override;

    // Asks the station for its files (when connected) and runs the dialog.
    int Open();
    // The two halves of Open around a dialog shown some other way.
    void Begin();
    void End();

    // Makes "Graph" open the graph with the last import's unit text.
    void SetGraphOpener(std::function<void(const QString& unitLabel)> open);

    bool TransferRunning() const { return running_.load(); }
    QString UnitText() const { return unitText_; }
    HistoryTableModel* model() const { return model_; }

signals:
    void TransferFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void RequestFileList();
    void OnFileClicked(int row);
    void OnSelect();
    void OnDelete();
    void Transfer(std::string name);
    void FinishTransfer(std::shared_ptr<DownloadResult> download,
                        std::shared_ptr<ImportResult> import);
    void SetButtonsEnabled(bool enabled);
    std::string DatabasePath() const;

    StationSession& session_;
    UserPrompts& prompts_;
    std::string dataDir_;
    std::unique_ptr<SdCardClient> card_;
    std::function<void(const QString&)> openGraph_;

    QTableWidget* files_ = nullptr;
    QTableView* table_ = nullptr;
    HistoryTableModel* model_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* select_ = nullptr;
    QPushButton* graph_ = nullptr;
    QPushButton* delete_ = nullptr;
    QLabel* selectedName_ = nullptr;
    std::string selectedCardName_;  // UTF-8, as the card and the local copy know it
    QLabel* sizeText_ = nullptr;

    QString unitText_;
    int selectedIndex_ = 0;
    std::atomic<bool> running_{false};
    std::thread worker_;
};

}  // namespace corvalin::gui
