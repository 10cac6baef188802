#include "ui/splitter.h"

#include <windowsx.h>

namespace kelvo::ui {

void Splitter::Create(HWND parent, Direction direction)
{
    direction_ = direction;
    CreateOwnWindow(direction == Direction::Horizontal ? "KelvoSplitterWE" : "KelvoSplitterNS",
                    WS_CHILD | WS_VISIBLE, 0, nullptr, 0, 0, 0, 0, parent, nullptr, 0,
                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

int Splitter::ParentPosition(LPARAM lParam) const
{
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MapWindowPoints(Handle(), GetParent(Handle()), &point, 1);
    return direction_ == Direction::Horizontal ? point.x : point.y;
}

LRESULT Splitter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(direction_ == Direction::Horizontal ? IDC_SIZEWE : IDC_SIZENS)));
        return TRUE;
    case WM_LBUTTONDOWN:
        grabOffset_ = direction_ == Direction::Horizontal ? GET_X_LPARAM(lParam) : GET_Y_LPARAM(lParam);
        dragging_ = true;
        SetCapture(Handle());
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_ && OnMoved)
            OnMoved(ParentPosition(lParam) - grabOffset_);
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragging_) {
            dragging_ = false;
            if (GetCapture() == Handle())
                ReleaseCapture();
        }
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}

} // namespace kelvo::ui
