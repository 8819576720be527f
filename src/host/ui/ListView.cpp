#include "host/ui/ListView.h"

namespace orvane {

bool MemoryListView::Valid(int16_t row) const {
    return row >= 0 && static_cast<size_t>(row) < rows_.size();
}

int16_t MemoryListView::RowCount() const {
    return static_cast<int16_t>(rows_.size());
}

void MemoryListView::InsertRow(int16_t row) {
    if (row < 0 || static_cast<size_t>(row) > rows_.size() || rows_.size() >= INT16_MAX)
        return;
    rows_.insert(rows_.begin() + row, std::string());
    if (selected_ != kNoListRow && selected_ >= row)
        ++selected_;
}

void MemoryListView::DeleteRow(int16_t row) {
    if (!Valid(row))
        return;
    rows_.erase(rows_.begin() + row);
    if (selected_ == row)
        selected_ = kNoListRow;
    else if (selected_ > row)
        --selected_;
}

void MemoryListView::DeleteAllRows() {
    rows_.clear();
    selected_ = kNoListRow;
}

void MemoryListView::SetCell(int16_t row, std::string_view text) {
    if (Valid(row))
        rows_[static_cast<size_t>(row)] = std::string(text);
}

std::string MemoryListView::GetCell(int16_t row) const {
    if (!Valid(row))
        return std::string();
    const std::string& cell = rows_[static_cast<size_t>(row)];
    return cell.substr(0, kListCellCapacity);
}

void MemoryListView::Select(int16_t row) {
    if (Valid(row))
        selected_ = row;
}

void MemoryListView::ScrollIntoView(int16_t row) {
    if (Valid(row))
        lastScrolled_ = row;
}

} // namespace orvane
