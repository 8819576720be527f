// A list of rows with one text cell each and at most one selected row: what the Adjust
// Halftone dialog shows its two settings lists in. The list operations keep its rows in
// step with the records they show (row i shows setting i); the front ends draw it.
//
// Cells hold a setting's name in UTF-8.
// Row numbers are 0-based. Out-of-range rows are ignored by the setters and read as empty
// by the getters, so a caller's mistake never touches memory outside the list.
#pragma once

#include "base/Types.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Room a cell is read back with: one setting name of 32 stored bytes, each of which may
// take up to three bytes in UTF-8.
inline constexpr int16_t kListCellCapacity = 96;
inline constexpr int16_t kNoListRow = -1;

class ListView {
public:
    virtual ~ListView() = default;

    virtual int16_t RowCount() const = 0;
    // Inserts an empty row before `row` (RowCount() appends); later rows move down. The
    // selection stays with the row it was on.
    virtual void InsertRow(int16_t row) = 0;
    // Removes a row; a selection on it is dropped.
    virtual void DeleteRow(int16_t row) = 0;
    virtual void DeleteAllRows() = 0;
    virtual void SetCell(int16_t row, std::string_view text) = 0;
    // The cell's text, at most kListCellCapacity bytes.
    virtual std::string GetCell(int16_t row) const = 0;

    // The selected row, or kNoListRow.
    virtual int16_t SelectedRow() const = 0;
    // Selecting a row deselects any other; deselecting a row that is not selected does
    // nothing.
    virtual void Select(int16_t row) = 0;
    virtual void Deselect() = 0;
    // Scrolls so that the row is visible.
    virtual void ScrollIntoView(int16_t row) = 0;
    // Drawing off while the rows are rebuilt, on again afterwards (front ends may batch).
    virtual void SetDrawing(bool on) = 0;
};

// A list held in memory only: the command line's and the tests' list.
class MemoryListView final : public ListView {
public:
    int16_t RowCount() const override;
    void InsertRow(int16_t row) override;
    void DeleteRow(int16_t row) override;
    void DeleteAllRows() override;
    void SetCell(int16_t row, std::string_view text) override;
    std::string GetCell(int16_t row) const override;
    int16_t SelectedRow() const override { return selected_; }
    void Select(int16_t row) override;
    void Deselect() override { selected_ = kNoListRow; }
    void ScrollIntoView(int16_t row) override;
    void SetDrawing(bool on) override { drawing_ = on; }

    // For tests: every cell in order, the last row scrolled to, the drawing switch.
    const std::vector<std::string>& rows() const { return rows_; }
    int16_t lastScrolledRow() const { return lastScrolled_; }
    bool drawing() const { return drawing_; }

private:
    bool Valid(int16_t row) const;

    std::vector<std::string> rows_;
    int16_t selected_ = kNoListRow;
    int16_t lastScrolled_ = kNoListRow;
    bool drawing_ = true;
};

} // namespace orvane
