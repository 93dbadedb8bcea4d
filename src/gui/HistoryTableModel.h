// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>

#include "history/HistoryTable.h"
#include "history/ImportHeader.h"

namespace corvalin::gui {

// The data table of the SD-card dialog: the view asks for the cells it shows,
// straight from the imported file's bytes.
class HistoryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HistoryTableModel(QObject* parent = nullptr);

    // Columns without rows (before any import, or while one runs).
    void SetColumns(const std::vector<HistoryColumn>& columns);
    void SetTable(std::shared_ptr<const HistoryTable> table,
                  const std::vector<HistoryColumn>& columns);
    const std::vector<HistoryColumn>& Columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::shared_ptr<const HistoryTable> table_;
    std::vector<HistoryColumn> columns_;
};

}  // namespace corvalin::gui
