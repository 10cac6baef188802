// MoxKbMon.dll: tells registered windows when caps lock, num lock or scroll
// lock changes, wherever the keyboard focus is. A watcher thread holds a
// low-level keyboard hook while at least one window is registered; each
// first press of a lock key flips the toggle state it keeps and is reported
// to every registered window as the message RegisterKeyboardHook returned:
// the key in the first parameter, the new toggle state in bit 0 of the second.
#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

constexpr DWORD kLockKeys[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};

HINSTANCE module;
SRWLOCK lock = SRWLOCK_INIT; // registrations come from the callers' threads, reports from the watcher
std::vector<HWND> windows;
bool toggled[3], down[3];
HANDLE watcher;
DWORD watcherId;

UINT ReportMessage()
{
    static const UINT message = RegisterWindowMessageA("MoxKbMon.LockKeyChanged");
    return message;
}

int IndexOfKey(DWORD key)
{
    const auto found = std::find(std::begin(kLockKeys), std::end(kLockKeys), key);
    return found == std::end(kLockKeys) ? -1 : static_cast<int>(found - std::begin(kLockKeys));
}

LRESULT CALLBACK LowLevelKeyboard(int code, WPARAM wParam, LPARAM lParam)
{
    const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    const int index = code == HC_ACTION ? IndexOfKey(event.vkCode) : -1;
    if (index >= 0) {
        const bool up = (event.flags & LLKHF_UP) != 0;
        AcquireSRWLockExclusive(&lock);
        if (!up && !down[index]) { // a first press toggles; auto-repeats do not
            toggled[index] = !toggled[index];
            // Not waiting for the windows: a hook that blocks stalls the desktop's keyboard.
            for (HWND window : windows)
                SendNotifyMessageA(window, ReportMessage(), event.vkCode, toggled[index]);
        }
        down[index] = !up;
        ReleaseSRWLockExclusive(&lock);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI Watch(void* ready)
{
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue, for the quit message
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, LowLevelKeyboard, module, 0);
    SetEvent(static_cast<HANDLE>(ready));
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    if (hook)
        UnhookWindowsHookEx(hook);
    // The thread holds a reference on the library, so it is never unmapped under it.
    FreeLibraryAndExitThread(module, 0);
}

void StartWatcher()
{
    HMODULE pinned = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&Watch), &pinned))
        return;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    watcher = ready ? CreateThread(nullptr, 0, Watch, ready, 0, &watcherId) : nullptr;
    if (watcher)
        WaitForSingleObject(ready, INFINITE);
    else
        FreeLibrary(pinned);
    if (ready)
        CloseHandle(ready);
}

void StopWatcher()
{
    if (!watcher)
        return;
    PostThreadMessageA(watcherId, WM_QUIT, 0, 0);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    watcher = nullptr;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

// Registers window for reports and returns their message number. The
// toggle states start from those of the calling thread.
UINT WINAPI RegisterKeyboardHook(HWND window)
{
    AcquireSRWLockExclusive(&lock);
    for (std::size_t i = 0; i < std::size(kLockKeys); ++i)
        toggled[i] = (GetKeyState(static_cast<int>(kLockKeys[i])) & 1) != 0;
    const bool first = windows.empty();
    windows.push_back(window);
    ReleaseSRWLockExclusive(&lock);
    if (first)
        StartWatcher();
    return ReportMessage();
}

UINT WINAPI DeregisterKeyboardHook(HWND window)
{
    AcquireSRWLockExclusive(&lock);
    const auto found = std::find(windows.begin(), windows.end(), window);
    const bool was = found != windows.end();
    if (was)
        windows.erase(found);
    const bool last = was && windows.empty();
    ReleaseSRWLockExclusive(&lock);
    if (last)
        StopWatcher();
    return was;
}

} // extern "C"
