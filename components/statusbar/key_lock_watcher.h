// TmoxKeyLockWatcher: how one status bar learns that a lock key changed. Its
// key-lock panels are served either by the keyboard monitor library
// (moxkb.h), which reports the new state to the bar's window by message, or
// by this thread's keyboard hook together with a subclass of the bar's
// top-level window, which asks the bar to repaint the panels once the key
// message has been handled. The bar owns one watcher; every hook, subclass
// and library registration it still holds is undone when it goes.
#pragma once

#include <windows.h>

#include <vector>

namespace kelvo {

class TmoxStatusBar;
class TmoxStatusPanel;

class TmoxKeyLockWatcher {
public:
    explicit TmoxKeyLockWatcher(TmoxStatusBar& bar) : bar_(bar) {}
    TmoxKeyLockWatcher(const TmoxKeyLockWatcher&) = delete;
    TmoxKeyLockWatcher& operator=(const TmoxKeyLockWatcher&) = delete;
    ~TmoxKeyLockWatcher();

    // A key-lock panel starts or stops being served, through the monitor
    // library (monitored) or the thread's hook. Each Add is undone by one
    // Remove with the same monitored; a Remove without its Add throws
    // EAssertionFailed("Unbalanced MainWinHook registrations").
    void Add(TmoxStatusPanel& panel, bool monitored);
    void Remove(TmoxStatusPanel& panel, bool monitored);
    // True while a panel is served through the monitor library.
    bool Monitoring() const { return !monitoredPanels_.empty(); }

    // The bar's window was created, or is being destroyed: registrations
    // that need the window follow it.
    void WindowCreated();
    void WindowDestroyed();
    // The bar's messages about key locks; false for any other message.
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void StartMonitor();
    void StopMonitor();
    // Hooks the keyboard and the top-level window while a panel needs them.
    void SyncHooks();
    void Unsubclass();
    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MainWinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR watcher);
    void MainWinMessage(UINT message, WPARAM wParam);
    void RefreshLockIndicators();
    void MonitorReport(WPARAM wParam, LPARAM lParam);

    TmoxStatusBar& bar_;
    std::vector<TmoxStatusPanel*> hookedPanels_;    // served by the thread's hook
    std::vector<TmoxStatusPanel*> monitoredPanels_; // served by the monitor library
    HHOOK keyboardHook_ = nullptr;
    HWND hookedMainWindow_ = nullptr;
    UINT monitorMessage_ = 0;
    // Set when the application loses the focus: the first key event after
    // returning repaints every key-lock panel.
    bool refreshAll_ = false;
};

} // namespace kelvo
