// Finding and reading top-level windows the way a user sees them: a visible
// window of a process by its class, window texts, waiting for a state, and
// the left button as the drag loop reads it.
#pragma once

#include <windows.h>

#include <string>

namespace kelvo::test {

// How long a test waits for another thread or process, in milliseconds.
constexpr DWORD kPatience = 30000;

inline std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

inline std::string TextOf(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Polls until the condition holds; false when it still does not after kPatience.
template <class Condition>
bool WaitFor(Condition condition)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > kPatience)
            return false;
        Sleep(30);
    }
    return true;
}

// Holds or lets go of the left mouse button in this thread's key state,
// which the platform's drag loop reads.
inline void SetLeftButton(bool down)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_LBUTTON] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

struct WindowSearch {
    DWORD process;
    const char* className;
    HWND except, found;
};

// The enumeration callback: named, because it must be CALLBACK (stdcall on 32-bit).
inline BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search.process || window == search.except || !IsWindowVisible(window) ||
        ClassOf(window) != search.className)
        return TRUE;
    search.found = window;
    return FALSE;
}

// A visible top-level window of the process with the class name, other than except; null if none.
inline HWND FindProcessWindow(DWORD process, const char* className, HWND except = nullptr)
{
    WindowSearch search{process, className, except, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace kelvo::test
