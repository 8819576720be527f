#include "gui/QtListView.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace orvane {

// The core changes the lists; only the user's own selections are reported as item hits, so
// every change made here is made with the list's signals held back.

QtListView::QtListView(QListWidget* list) : list_(list) {
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
}

int16_t QtListView::RowCount() const {
    return static_cast<int16_t>(list_->count());
}

void QtListView::InsertRow(int16_t row) {
    const QSignalBlocker quiet(list_);
    if (row >= 0 && row <= RowCount())
        list_->insertItem(row, QString());
}

void QtListView::DeleteRow(int16_t row) {
    if (!Valid(row))
        return;
    const QSignalBlocker quiet(list_);
    // Removing the current row would make Qt select the next one; the selection goes with
    // its row instead.
    if (list_->currentRow() == row)
        list_->selectionModel()->clear();
    delete list_->takeItem(row);
}

void QtListView::DeleteAllRows() {
    const QSignalBlocker quiet(list_);
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
    const QSignalBlocker quiet(list_);
    if (Valid(row))
        list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void QtListView::Deselect() {
    // The current row goes too, so that the list shows no focus on a row it does not hold.
    const QSignalBlocker quiet(list_);
    list_->selectionModel()->clear();
}

void QtListView::ScrollIntoView(int16_t row) {
    if (Valid(row))
        list_->scrollToItem(list_->item(row));
}

void QtListView::SetDrawing(bool on) {
    list_->setUpdatesEnabled(on);
}

} // namespace orvane
