#include "ui/custom_grid.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace kelvo::ui {

namespace {

// Puts a context's objects, colours and clip region back as they were.
class SavedDcScope {
public:
    explicit SavedDcScope(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    SavedDcScope(const SavedDcScope&) = delete;
    SavedDcScope& operator=(const SavedDcScope&) = delete;
    ~SavedDcScope() { RestoreDC(dc_, saved_); }

private:
    HDC dc_;
    int saved_;
};

// Clears a flag when the scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag_ = false; }

private:
    bool& flag_;
};

void FillArea(HDC dc, const RECT& rect, COLORREF color)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    OwnedBrush brush(CreateSolidBrush(color));
    ::FillRect(dc, &rect, brush.Get());
}

} // namespace

CustomGrid::~CustomGrid() { DestroyHandle(); }

void CustomGrid::CreateGrid(HWND parent, int id)
{
    CreateOwnWindow("KelvoGrid", WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL | WS_BORDER,
                    0, "", 0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
    UpdateScrollBars();
}

// --- Shape ------------------------------------------------------------------

void CustomGrid::SetColCount(int count)
{
    colWidths_.resize(static_cast<std::size_t>(std::max(count, 1)), 0);
    fixedCols_ = std::min(fixedCols_, ColCount() - 1);
    UpdateScrollBars();
    InvalidateGrid();
}

void CustomGrid::SetFixedCols(int count)
{
    fixedCols_ = std::clamp(count, 0, ColCount() - 1);
    UpdateScrollBars();
    InvalidateGrid();
}

void CustomGrid::SetRowCount(int count)
{
    rowCount_ = std::max(count, 1);
    UpdateScrollBars();
    InvalidateGrid();
}

int CustomGrid::ColWidth(int col) const
{
    return col >= 0 && col < ColCount() ? colWidths_[static_cast<std::size_t>(col)] : 0;
}

void CustomGrid::SetColWidth(int col, int width)
{
    if (col < 0 || col >= ColCount() || ColWidth(col) == std::max(width, 0))
        return;
    colWidths_[static_cast<std::size_t>(col)] = std::max(width, 0);
    UpdateScrollBars();
    InvalidateGrid();
}

void CustomGrid::SetColWidths(std::vector<int> widths)
{
    if (widths.empty())
        widths.push_back(0);
    for (int& width : widths)
        width = std::max(width, 0);
    if (widths == colWidths_)
        return;
    colWidths_ = std::move(widths);
    fixedCols_ = std::min(fixedCols_, ColCount() - 1);
    UpdateScrollBars();
    InvalidateGrid();
}

void CustomGrid::SetDefaultRowHeight(int height)
{
    if (std::max(height, 0) == rowHeight_)
        return;
    rowHeight_ = std::max(height, 0);
    UpdateScrollBars();
    InvalidateGrid();
}

void CustomGrid::SetColor(TColor color)
{
    color_ = color;
    InvalidateGrid();
}

// --- View -------------------------------------------------------------------

int CustomGrid::ClientWidth() const
{
    RECT client{};
    if (Handle())
        GetClientRect(Handle(), &client);
    return client.right;
}

int CustomGrid::ClientHeight() const
{
    RECT client{};
    if (Handle())
        GetClientRect(Handle(), &client);
    return client.bottom;
}

int CustomGrid::FixedWidth() const
{
    int width = 0;
    for (int col = 0; col < fixedCols_; ++col)
        width += colWidths_[static_cast<std::size_t>(col)];
    return width;
}

int CustomGrid::VisibleRowCount() const
{
    return rowHeight_ > 0 ? std::max(ClientHeight() / rowHeight_, 1) : 1;
}

int CustomGrid::VisibleColCount() const
{
    const long long available = ClientWidth() - FixedWidth();
    long long used = 0;
    int count = 0;
    for (int col = leftCol_; col < ColCount(); ++col) {
        used += colWidths_[static_cast<std::size_t>(col)];
        if (used > available)
            break;
        ++count;
    }
    return std::max(count, 1);
}

int CustomGrid::MaxTopRow() const { return std::max(rowCount_ - VisibleRowCount(), 0); }

int CustomGrid::MaxLeftCol() const
{
    // The leftmost column from which all later columns still fit.
    const long long available = ClientWidth() - FixedWidth();
    long long used = 0;
    for (int col = ColCount() - 1; col >= fixedCols_; --col) {
        used += colWidths_[static_cast<std::size_t>(col)];
        if (used > available)
            return std::min(col + 1, ColCount() - 1);
    }
    return fixedCols_;
}

long long CustomGrid::ColLeft(int col) const
{
    long long x = 0;
    if (col < fixedCols_) {
        for (int c = 0; c < col; ++c)
            x += colWidths_[static_cast<std::size_t>(c)];
        return x;
    }
    x = FixedWidth();
    for (int c = leftCol_; c < col; ++c)
        x += colWidths_[static_cast<std::size_t>(c)];
    for (int c = col; c < leftCol_; ++c)
        x -= colWidths_[static_cast<std::size_t>(c)];
    return x;
}

void CustomGrid::SetTopRow(int row) { SetTopLeft(row, leftCol_); }

void CustomGrid::SetLeftCol(int col) { SetTopLeft(topRow_, col); }

void CustomGrid::SetTopLeft(int top, int left)
{
    top = std::clamp(top, 0, MaxTopRow());
    left = std::clamp(left, fixedCols_, std::max(MaxLeftCol(), fixedCols_));
    if (top == topRow_ && left == leftCol_)
        return;
    HWND window = Handle();
    // What waits to be painted is painted at its present place before the
    // picture moves.
    if (window && IsWindowVisible(window))
        UpdateWindow(window);
    const long long dy = static_cast<long long>(topRow_ - top) * rowHeight_;
    // Columns between the old and the new left column leave or enter the view.
    long long dx = 0;
    for (int c = std::min(left, leftCol_); c < std::max(left, leftCol_); ++c)
        dx += colWidths_[static_cast<std::size_t>(c)];
    if (left > leftCol_)
        dx = -dx;
    topRow_ = top;
    leftCol_ = left;
    if (window) {
        RECT client;
        GetClientRect(window, &client);
        RECT scrolling{FixedWidth(), 0, client.right, client.bottom};
        if (dx == 0 && std::llabs(dy) < client.bottom)
            ScrollWindowEx(window, 0, static_cast<int>(dy), nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
        else if (dy == 0 && std::llabs(dx) < scrolling.right - scrolling.left)
            ScrollWindowEx(window, static_cast<int>(dx), 0, &scrolling, &scrolling, nullptr, nullptr, SW_INVALIDATE);
        else
            InvalidateGrid();
    }
    UpdateScrollBars();
    TopLeftChanged();
}

void CustomGrid::ClampView()
{
    col_ = std::clamp(col_, fixedCols_, ColCount() - 1);
    row_ = std::clamp(row_, 0, rowCount_ - 1);
    const int top = std::clamp(topRow_, 0, MaxTopRow());
    const int left = std::clamp(leftCol_, fixedCols_, std::max(MaxLeftCol(), fixedCols_));
    if (top == topRow_ && left == leftCol_)
        return;
    topRow_ = top;
    leftCol_ = left;
    InvalidateGrid();
    TopLeftChanged();
}

void CustomGrid::UpdateScrollBars()
{
    if (!Handle()) {
        ClampView();
        return;
    }
    if (updatingScrollBars_)
        return;
    FlagScope guard(updatingScrollBars_);
    // Showing or hiding one bar changes the room for the other: repeat until
    // the client area stays as it is.
    for (int pass = 0; pass < 3; ++pass) {
        RECT before;
        GetClientRect(Handle(), &before);
        ClampView();
        SCROLLINFO vertical{sizeof vertical, SIF_RANGE | SIF_PAGE | SIF_POS, 0, rowCount_ - 1,
                            static_cast<UINT>(VisibleRowCount()), topRow_, 0};
        SetScrollInfo(Handle(), SB_VERT, &vertical, TRUE);
        const int maxLeft = std::max(MaxLeftCol(), fixedCols_);
        SCROLLINFO horizontal{sizeof horizontal, SIF_RANGE | SIF_PAGE | SIF_POS, 0, ColCount() - fixedCols_ - 1,
                              static_cast<UINT>(ColCount() - maxLeft), leftCol_ - fixedCols_, 0};
        SetScrollInfo(Handle(), SB_HORZ, &horizontal, TRUE);
        RECT after;
        GetClientRect(Handle(), &after);
        if (EqualRect(&before, &after))
            break;
    }
}

void CustomGrid::Scroll(int bar, WORD code)
{
    const bool vertical = bar == SB_VERT;
    const long long position = vertical ? topRow_ : leftCol_;
    const int page = vertical ? VisibleRowCount() : VisibleColCount();
    long long target = position;
    switch (code) {
    case SB_LINEUP: target = position - 1; break;
    case SB_LINEDOWN: target = position + 1; break;
    case SB_PAGEUP: target = position - page; break;
    case SB_PAGEDOWN: target = position + page; break;
    case SB_TOP: target = 0; break;
    case SB_BOTTOM: target = vertical ? rowCount_ : ColCount(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The 32-bit position: the message carries only 16 bits of it.
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        if (!GetScrollInfo(Handle(), bar, &info))
            return;
        target = vertical ? info.nTrackPos : info.nTrackPos + fixedCols_;
        break;
    }
    default: return;
    }
    const int clamped = static_cast<int>(std::clamp<long long>(target, 0, vertical ? rowCount_ : ColCount()));
    if (vertical)
        SetTopLeft(clamped, leftCol_);
    else
        SetTopLeft(topRow_, clamped);
}

void CustomGrid::MouseWheel(int delta)
{
    wheelDelta_ += delta;
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    int rows = 0;
    while (std::abs(wheelDelta_) >= WHEEL_DELTA) {
        const int step = wheelDelta_ > 0 ? -1 : 1;
        wheelDelta_ += step * WHEEL_DELTA;
        rows += step * (lines == WHEEL_PAGESCROLL ? VisibleRowCount() : static_cast<int>(lines));
    }
    if (rows != 0)
        SetTopRow(static_cast<int>(std::clamp<long long>(static_cast<long long>(topRow_) + rows, 0, rowCount_)));
}

// --- Current cell -------------------------------------------------------------

bool CustomGrid::SelectCell(int, int) { return true; }

bool CustomGrid::MoveCurrent(int col, int row)
{
    if (col < fixedCols_ || col >= ColCount() || row < 0 || row >= rowCount_)
        return false;
    if (!SelectCell(col, row))
        return false;
    InvalidateCell(col_, row_);
    col_ = col;
    row_ = row;
    InvalidateCell(col_, row_);
    ScrollIntoView(col, row);
    return true;
}

void CustomGrid::ScrollIntoView(int col, int row)
{
    int top = topRow_;
    if (row < top)
        top = row;
    else if (row >= static_cast<long long>(top) + VisibleRowCount())
        top = row - VisibleRowCount() + 1;
    int left = leftCol_;
    if (col >= fixedCols_) {
        if (col < left) {
            left = col;
        } else {
            const long long available = ClientWidth() - FixedWidth();
            long long width = 0;
            for (int c = left; c <= col; ++c)
                width += colWidths_[static_cast<std::size_t>(c)];
            while (left < col && width > available)
                width -= colWidths_[static_cast<std::size_t>(left++)];
        }
    }
    SetTopLeft(top, left);
}

bool CustomGrid::GridKeyDown(WORD key)
{
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const int page = VisibleRowCount();
    int col = col_;
    long long row = row_;
    switch (key) {
    case VK_UP: --row; break;
    case VK_DOWN: ++row; break;
    case VK_LEFT: --col; break;
    case VK_RIGHT: ++col; break;
    case VK_PRIOR:
        row -= page;
        SetTopRow(std::max(topRow_ - page, 0));
        break;
    case VK_NEXT:
        row += page;
        SetTopRow(static_cast<int>(std::min<long long>(static_cast<long long>(topRow_) + page, rowCount_)));
        break;
    case VK_HOME:
        col = fixedCols_;
        if (ctrl)
            row = 0;
        break;
    case VK_END:
        col = ColCount() - 1;
        if (ctrl)
            row = rowCount_ - 1;
        break;
    default: return false;
    }
    col = std::clamp(col, fixedCols_, ColCount() - 1);
    row = std::clamp<long long>(row, 0, rowCount_ - 1);
    if (col != col_ || row != row_)
        MoveCurrent(col, static_cast<int>(row));
    return true;
}

// --- Cells on screen ----------------------------------------------------------

RECT CustomGrid::CellRect(int col, int row) const
{
    RECT none{0, 0, 0, 0};
    if (col < 0 || col >= ColCount() || row < topRow_ || row >= rowCount_ || (col >= fixedCols_ && col < leftCol_))
        return none;
    const long long top = static_cast<long long>(row - topRow_) * rowHeight_;
    const long long left = ColLeft(col);
    const int width = colWidths_[static_cast<std::size_t>(col)];
    if (top >= ClientHeight() || left >= ClientWidth() || width == 0 || rowHeight_ == 0)
        return none;
    return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + width),
                static_cast<LONG>(top + rowHeight_)};
}

bool CustomGrid::CellAt(POINT point, int& col, int& row) const
{
    if (point.x < 0 || point.y < 0 || point.x >= ClientWidth() || point.y >= ClientHeight() || rowHeight_ == 0)
        return false;
    const long long r = topRow_ + static_cast<long long>(point.y / rowHeight_);
    if (r >= rowCount_)
        return false;
    long long x = 0;
    for (int c = 0; c < ColCount(); ++c) {
        if (c == fixedCols_)
            c = leftCol_;
        x += colWidths_[static_cast<std::size_t>(c)];
        if (point.x < x) {
            col = c;
            row = static_cast<int>(r);
            return true;
        }
    }
    return false;
}

void CustomGrid::InvalidateCell(int col, int row)
{
    const RECT rect = CellRect(col, row);
    if (Handle() && !IsRectEmpty(&rect))
        InvalidateRect(Handle(), &rect, FALSE);
}

void CustomGrid::InvalidateRow(int row)
{
    if (!Handle() || row < topRow_ || row >= rowCount_)
        return;
    const long long top = static_cast<long long>(row - topRow_) * rowHeight_;
    if (top >= ClientHeight())
        return;
    const RECT rect{0, static_cast<LONG>(top), ClientWidth(), static_cast<LONG>(top + rowHeight_)};
    InvalidateRect(Handle(), &rect, FALSE);
}

void CustomGrid::InvalidateGrid()
{
    if (Handle())
        InvalidateRect(Handle(), nullptr, FALSE);
}

bool CustomGrid::Focused() const { return Handle() && focused_; }

void CustomGrid::PaintTo(HDC dc, const RECT& area)
{
    RECT client{0, 0, ClientWidth(), ClientHeight()};
    RECT clip;
    if (!IntersectRect(&clip, &area, &client))
        return;
    SavedDcScope saved(dc);
    // Cells cut by the window's edge are drawn whole: keep them inside it.
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);

    // The columns on screen, left to right.
    struct Column {
        int col;
        LONG left, right;
    };
    std::vector<Column> columns;
    long long x = 0;
    for (int c = 0; c < ColCount() && x < client.right; ++c) {
        if (c == fixedCols_)
            c = leftCol_;
        const int width = colWidths_[static_cast<std::size_t>(c)];
        if (width > 0 && x + width > clip.left && x < clip.right)
            columns.push_back({c, static_cast<LONG>(x), static_cast<LONG>(x + width)});
        x += width;
    }
    const LONG cellsRight = static_cast<LONG>(std::min<long long>(x, client.right));

    LONG cellsBottom = 0;
    if (rowHeight_ > 0) {
        const long long shown = std::min<long long>(rowCount_ - topRow_, client.bottom / rowHeight_ + 1);
        cellsBottom = static_cast<LONG>(std::min<long long>(shown * rowHeight_, client.bottom));
        const long long first = topRow_ + static_cast<long long>(clip.top / rowHeight_);
        const long long last = std::min<long long>(rowCount_ - 1, topRow_ + static_cast<long long>((clip.bottom - 1) / rowHeight_));
        for (long long row = first; row <= last; ++row) {
            const LONG top = static_cast<LONG>((row - topRow_) * rowHeight_);
            for (const Column& column : columns) {
                const RECT rect{column.left, top, column.right, top + rowHeight_};
                if (RectVisible(dc, &rect))
                    DrawCell(column.col, static_cast<int>(row), rect, dc);
            }
        }
    }

    const COLORREF color = ColorToRGB(color_);
    FillArea(dc, RECT{std::max(cellsRight, clip.left), clip.top, clip.right, clip.bottom}, color);
    FillArea(dc, RECT{clip.left, std::max(cellsBottom, clip.top), std::min(cellsRight, clip.right), clip.bottom}, color);
}

// --- Messages -------------------------------------------------------------------

void CustomGrid::MouseToCell(LPARAM lParam, bool clamp)
{
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (clamp) {
        // A drag past an edge keeps to the nearest cell of the view.
        point.x = std::clamp<LONG>(point.x, FixedWidth(), std::max(ClientWidth() - 1, 0));
        point.y = std::clamp<LONG>(point.y, 0, std::max(ClientHeight() - 1, 0));
    }
    int col = 0, row = 0;
    if (!CellAt(point, col, row) || col < fixedCols_)
        return;
    if (clamp && col == col_ && row == row_)
        return;
    FlagScope moving(movingByMouse_);
    MoveCurrent(col, row);
}

LRESULT CustomGrid::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: return 1; // every pixel is painted in WM_PAINT
    case WM_PAINT:
        if (wParam) {
            PaintTo(reinterpret_cast<HDC>(wParam), RECT{0, 0, ClientWidth(), ClientHeight()});
        } else {
            PaintScope paint(Handle());
            PaintTo(paint.Paint().hdc, paint.Paint().rcPaint);
        }
        return 0;
    case WM_PRINTCLIENT: PaintTo(reinterpret_cast<HDC>(wParam), RECT{0, 0, ClientWidth(), ClientHeight()}); return 0;
    case WM_SIZE: UpdateScrollBars(); break;
    case WM_VSCROLL:
    case WM_HSCROLL:
        if (lParam == 0) {
            Scroll(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
            return 0;
        }
        break;
    case WM_MOUSEWHEEL: MouseWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (GridKeyDown(static_cast<WORD>(wParam)))
            return 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetFocus() != Handle())
            SetFocus(Handle());
        SetCapture(Handle());
        MouseToCell(lParam, false);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == Handle() && (wParam & MK_LBUTTON))
            MouseToCell(lParam, true);
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == Handle())
            ReleaseCapture();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        focused_ = message == WM_SETFOCUS;
        InvalidateCell(col_, row_);
        break;
    default: break;
    }
    return Default(message, wParam, lParam);
}

} // namespace kelvo::ui
