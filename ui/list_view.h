// The system's list-view control in report mode, virtual: it holds a count
// and asks ItemText for the cells it shows, so thousands of rows list at
// once. One row at a time can be selected.
#pragma once

#include "ui/window.h"

#include <functional>
#include <string>
#include <vector>

namespace kelvo::ui {

class ListView : public Window {
public:
    struct Column {
        std::string title;
        int width = 80; // at 96 DPI
        bool rightAligned = false; // the first column is always left-aligned
    };

    // Creates the list as a hidden child of parent.
    void Create(HWND parent, int id);
    // Replaces the columns, scaling their widths to the list's DPI; the rows
    // are cleared.
    void SetColumns(const std::vector<Column>& columns);
    int ColumnCount() const;
    // The number of rows (the selection is cleared).
    void SetCount(int count);
    int Count() const;
    // A cell's text.
    std::function<std::string(int row, int column)> ItemText;
    // The cell text the control shows (as another program would read it).
    std::string Text(int row, int column) const;
    // The selected row, -1 when none.
    int ItemIndex() const;
    // Selects a row and brings it into view, as a click would.
    void SetItemIndex(int row);

    // A row became selected (by the user or by SetItemIndex).
    std::function<void(int row)> OnSelect;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT Notify(const NMHDR& header);
    // Brings the column widths (the user may have dragged them) to the DPI.
    void RescaleColumns();

    int dpi_ = 0; // the DPI the column widths are at
};

} // namespace kelvo::ui
