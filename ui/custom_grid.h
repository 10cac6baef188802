// A grid whose cells the owner draws: fixed columns at the left that do not
// scroll sideways, scrolling columns of their own widths, rows of one height,
// a current cell moved by keys and clicks and kept in view, and scroll bars in
// step with the view. Nothing is kept per row, so a grid may have millions of
// rows; painting calls DrawCell only for the cells the update region touches.
#pragma once

#include "ui/canvas.h"
#include "ui/window.h"

#include <vector>

namespace kelvo::ui {

class CustomGrid : public Window {
public:
    CustomGrid() = default;
    ~CustomGrid() override;

    // --- Shape ------------------------------------------------------------
    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    void SetColCount(int count); // at least 1; new columns are 0 wide
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int count); // 0..ColCount-1
    int RowCount() const { return rowCount_; }
    void SetRowCount(int count); // at least 1
    int ColWidth(int col) const;
    void SetColWidth(int col, int width);
    // All widths at once, one repaint; the vector's size becomes the column count.
    void SetColWidths(std::vector<int> widths);
    int DefaultRowHeight() const { return rowHeight_; }
    void SetDefaultRowHeight(int height);
    // The colour of the area beside and below the cells.
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    // --- View -------------------------------------------------------------
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);
    // The first scrolling column shown right of the fixed ones.
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int col);
    // Rows that fit wholly in the window (at least 1).
    int VisibleRowCount() const;
    // Scrolling columns that fit wholly right of the fixed ones, from LeftCol.
    int VisibleColCount() const;

    // --- Current cell -----------------------------------------------------
    int Col() const { return col_; }
    int Row() const { return row_; }
    // Makes (col, row) the current cell when SelectCell agrees, then scrolls
    // it into view. False when the cell is outside the scrolling part of the
    // grid or refused.
    bool MoveCurrent(int col, int row);
    void ScrollIntoView(int col, int row);

    // --- Cells on screen --------------------------------------------------
    // The cell's rectangle in client coordinates; empty when no part of it
    // is in the window.
    RECT CellRect(int col, int row) const;
    // The cell at a client point; false outside the cells.
    bool CellAt(POINT point, int& col, int& row) const;
    void InvalidateCell(int col, int row);
    void InvalidateRow(int row);
    void InvalidateGrid();
    // Whether the grid has the keyboard focus, as its focus messages told it
    // (asked per painted cell, so it keeps the answer itself).
    bool Focused() const;

    // Paints the part of the client area inside area into dc, as WM_PAINT does.
    void PaintTo(HDC dc, const RECT& area);

protected:
    // Creates the grid's window (hidden) as a child of parent, with both
    // scroll bars and a single border.
    void CreateGrid(HWND parent, int id);

    // Paints one cell; rect is the whole cell in client coordinates.
    virtual void DrawCell(int col, int row, const RECT& rect, HDC dc) = 0;
    // May the current cell move to (col, row)? Asked before every move.
    virtual bool SelectCell(int col, int row);
    // The top row or the left column changed.
    virtual void TopLeftChanged() {}

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The grid's own keys: arrows, Page Up/Down, Home/End, with Ctrl to the
    // grid's corners. True when the key was one of them.
    bool GridKeyDown(WORD key);
    // True while a click or a drag moves the current cell.
    bool MovingByMouse() const { return movingByMouse_; }

private:
    int ClientWidth() const;
    int ClientHeight() const;
    int FixedWidth() const;
    int MaxTopRow() const;
    int MaxLeftCol() const;
    // The left edge of a column in client coordinates (scrolled columns left
    // of LeftCol lie at negative positions).
    long long ColLeft(int col) const;
    void SetTopLeft(int top, int left);
    void UpdateScrollBars();
    void ClampView();
    void Scroll(int bar, WORD code);
    void MouseWheel(int delta);
    void MouseToCell(LPARAM lParam, bool clamp);

    std::vector<int> colWidths_ = std::vector<int>(5, 64);
    int fixedCols_ = 1;
    int rowCount_ = 5;
    int rowHeight_ = 24;
    TColor color_ = SystemColor(COLOR_WINDOW);
    int topRow_ = 0;
    int leftCol_ = 1;
    int col_ = 1;
    int row_ = 0;
    int wheelDelta_ = 0;
    bool updatingScrollBars_ = false;
    bool movingByMouse_ = false;
    bool focused_ = false;
};

} // namespace kelvo::ui
