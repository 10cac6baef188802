// The hourglass while a long command runs without returning to the message loop.
#pragma once

#include <windows.h>

namespace kelvo::ui {

class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)))) {}
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { SetCursor(previous_ ? previous_ : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW))); }

private:
    HCURSOR previous_;
};

} // namespace kelvo::ui
