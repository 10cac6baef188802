// A stand-in for the hex view's grid, for the window-free model's tests and
// benchmark.
#pragma once

#include "components/hexview/hex_edit_model.h"

namespace kelvo {

// A grid as the control keeps it: a current cell moved only where the
// model's SelectCell agrees, a view of visible rows, the Shift key and the
// left button as a user holds them.
class FakeGrid : public HexGridView {
public:
    HexEditModel* model = nullptr;
    HexDocument* doc = nullptr;
    int col = 2, row = 0, top = 0, visible = 4;
    bool shift = false, button = false;
    int notifications = 0, immediate = 0;

    int Col() const override { return col; }
    int Row() const override { return row; }
    int TopRow() const override { return top; }
    void SetTopRow(int value) override { top = value; }
    int VisibleRowCount() const override { return visible; }
    bool MoveCurrent(int c, int r) override
    {
        if (c < 2 || c >= doc->ColCount() || r < 0 || r >= doc->RowCount() || !model->SelectCell(c, r))
            return false;
        col = c, row = r;
        return true;
    }
    void InvalidateCell(int, int) override {}
    void InvalidateRow(int) override {}
    void InvalidateGrid() override {}
    void PlaceCaret(int, int) override {}
    void SizesChanged() override {}
    void InsertModeChanged() override {}
    void StateNotification() override { ++notifications; }
    void StateChangedNow() override { ++immediate; }
    bool ShiftDown() const override { return shift; }
    bool LeftButtonDown() const override { return button; }
};

} // namespace kelvo
