// SPDX-License-Identifier: GPL-3.0-or-later
#include "HistoryTableModel.h"

namespace corvalin::gui {

HistoryTableModel::HistoryTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryTableModel::SetColumns(const std::vector<HistoryColumn>& columns) {
    beginResetModel();
    table_.reset();
    columns_ = columns;
    endResetModel();
}

void HistoryTableModel::SetTable(std::shared_ptr<const HistoryTable> table,
                                 const std::vector<HistoryColumn>& columns) {
    beginResetModel();
    table_ = std::move(table);
    columns_ = columns;
    endResetModel();
}

int HistoryTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !table_) return 0;
    return static_cast<int>(std::min<size_t>(table_->RowCount(), INT32_MAX));
}

int HistoryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant HistoryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !table_ || index.row() >= rowCount() ||
        index.column() >= columnCount()) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole) return {};
    return QString::fromStdString(table_->CellUtf8(index.row(), index.column()));
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(columns_[section].title);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

}  // namespace corvalin::gui
