#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bk {

// The rows of a list control as UTF-8 texts, one or more columns a row. Texts are turned into
// display strings only when the view asks for them, and rows appended at the end are announced
// to the view in batches (announceAppendedRows), so that filling a list with a hundred thousand
// rows costs little more than storing their texts.
class RowModel final : public QAbstractTableModel {
  public:
    RowModel(int columns, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    std::int64_t rows() const { return static_cast<std::int64_t>(cells_.size()) / columns_; }
    void insertRow(std::int64_t position, std::string_view firstColumn);
    void removeRowAt(std::int64_t row);
    void clear();
    void setCell(std::int64_t row, int column, std::string_view text);
    std::string cell(std::int64_t row, int column) const;
    void setColumnTitle(int column, std::string_view title);

    // Tells the view about rows appended since the last announcement.
    void announceAppendedRows();

  private:
    std::size_t cellIndex(std::int64_t row, int column) const;

    int columns_;
    std::vector<std::string> cells_; // row after row, columns_ cells a row
    std::vector<std::string> titles_;
    int announcedRows_ = 0;
};

} // namespace bk
