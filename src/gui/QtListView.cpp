#include "gui/QtListView.h"

#include <QListWidget>

namespace orvane {

QtListView::QtListView(QListWidget* list) : list_(list) {
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
}

int16_t QtListView::RowCount() const {
    return static_cast<int16_t>(list_->count());
}

void QtListView::InsertRow(int16_t row) {
    if (row >= 0 && row <= RowCount())
        list_->insertItem(row, QString());
}

void QtListView::DeleteRow(int16_t row) {
    if (Valid(row))
        delete list_->takeItem(row);
}

void QtListView::DeleteAllRows() {
    list_->clear();
}

void QtListView::SetCell(int16_t row, std::string_view text) {
    if (Valid(row))
        list_->item(row)->setText(
            QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string QtListView::GetCell(int16_t row) const {
    if (!Valid(row))
        return std::string();
    std::string text = list_->item(row)->text().toStdString();
    if (text.size() > static_cast<size_t>(kListCellCapacity))
        text.resize(static_cast<size_t>(kListCellCapacity));
    return text;
}

int16_t QtListView::SelectedRow() const {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? kNoListRow : static_cast<int16_t>(list_->row(selected.first()));
}

void QtListView::Select(int16_t row) {
    if (Valid(row))
        list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void QtListView::Deselect() {
    // The current row goes too, so that the list shows no focus on a row it does not hold.
    list_->clearSelection();
    list_->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
}

void QtListView::ScrollIntoView(int16_t row) {
    if (Valid(row))
        list_->scrollToItem(list_->item(row));
}

void QtListView::SetDrawing(bool on) {
    list_->setUpdatesEnabled(on);
}

} // namespace orvane
