// A settings list on screen: the core's ListView over a QListWidget (one column, one
// selected row at most, cells in UTF-8).
#pragma once

#include "host/ui/ListView.h"

class QListWidget;

namespace orvane {

class QtListView final : public ListView {
public:
    explicit QtListView(QListWidget* list);

    int16_t RowCount() const override;
    void InsertRow(int16_t row) override;
    void DeleteRow(int16_t row) override;
    void DeleteAllRows() override;
    void SetCell(int16_t row, std::string_view text) override;
    std::string GetCell(int16_t row) const override;
    int16_t SelectedRow() const override;
    void Select(int16_t row) override;
    void Deselect() override;
    void ScrollIntoView(int16_t row) override;
    void SetDrawing(bool on) override;

    QListWidget* Widget() const { return list_; }

private:
    bool Valid(int16_t row) const { return row >= 0 && row < RowCount(); }
    QListWidget* list_;
};

} // namespace orvane
