#include "platform/qt_row_model.h"

#include "platform/qt_text.h"

#include <QTextDocument>

namespace bk {

RowModel::RowModel(int columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(columns), titles_(static_cast<std::size_t>(columns)) {}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : announcedRows_;
}

int RowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= announcedRows_ ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    const QString text = ToQString(cells_[cellIndex(index.row(), index.column())]);
    if (role == Qt::ToolTipRole) {
        // The toolkit reads a tooltip that looks like markup as rich text; a file name must show
        // as the characters it has, so the tooltip is always given as escaped rich text.
        return Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
    }
    return text;
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columns_) {
        return {};
    }
    return ToQString(titles_[static_cast<std::size_t>(section)]);
}

void RowModel::insertRow(std::int64_t position, std::string_view firstColumn) {
    const std::int64_t count = rows();
    if (position < 0 || position >= count) {
        cells_.resize(cells_.size() + static_cast<std::size_t>(columns_));
        cells_[cellIndex(count, 0)] = firstColumn;
        return; // announced later, in a batch
    }
    announceAppendedRows();
    const int row = static_cast<int>(position);
    beginInsertRows(QModelIndex(), row, row);
    const auto at = cells_.begin() + static_cast<std::ptrdiff_t>(cellIndex(row, 0));
    cells_.insert(at, static_cast<std::size_t>(columns_), std::string());
    cells_[cellIndex(row, 0)] = firstColumn;
    ++announcedRows_;
    endInsertRows();
}

void RowModel::removeRowAt(std::int64_t row) {
    if (row < 0 || row >= rows()) {
        return;
    }
    announceAppendedRows();
    beginRemoveRows(QModelIndex(), static_cast<int>(row), static_cast<int>(row));
    const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(cellIndex(row, 0));
    cells_.erase(first, first + columns_);
    --announcedRows_;
    endRemoveRows();
}

void RowModel::clear() {
    beginResetModel();
    cells_.clear();
    announcedRows_ = 0;
    endResetModel();
}

void RowModel::setCell(std::int64_t row, int column, std::string_view text) {
    if (row < 0 || row >= rows() || column < 0 || column >= columns_) {
        return;
    }
    cells_[cellIndex(row, column)] = text;
    if (row < announcedRows_) {
        const QModelIndex changed = index(static_cast<int>(row), column);
        emit dataChanged(changed, changed);
    }
}

std::string RowModel::cell(std::int64_t row, int column) const {
    if (row < 0 || row >= rows() || column < 0 || column >= columns_) {
        return {};
    }
    return cells_[cellIndex(row, column)];
}

void RowModel::setColumnTitle(int column, std::string_view title) {
    if (column < 0 || column >= columns_) {
        return;
    }
    titles_[static_cast<std::size_t>(column)] = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void RowModel::announceAppendedRows() {
    const auto total = static_cast<int>(rows());
    if (total <= announcedRows_) {
        return;
    }
    beginInsertRows(QModelIndex(), announcedRows_, total - 1);
    announcedRows_ = total;
    endInsertRows();
}

std::size_t RowModel::cellIndex(std::int64_t row, int column) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
           static_cast<std::size_t>(column);
}

} // namespace bk
