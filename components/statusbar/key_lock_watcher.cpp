#include "components/statusbar/key_lock_watcher.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "components/statusbar/moxkb.h"
#include "components/statusbar/moxstatusbar.h"

namespace kelvo {

namespace {

// A keyboard hook carries no context, so it tells every top-level window of
// its thread about a key event by this message; the watchers hear it through
// their subclass of the bar's top-level window. wParam: the lock-key kind of
// a first press of a lock key, sptNormal for any other key event.
UINT KeyEventMessage() { return RegisterWindowMessageA("Kelvo.TmoxStatusBar.KeyEvent"); }

struct KeyEvent {
    UINT message;
    WPARAM kind;
};

BOOL CALLBACK PostKeyEvent(HWND window, LPARAM event)
{
    const auto& keyEvent = *reinterpret_cast<const KeyEvent*>(event);
    PostMessageA(window, keyEvent.message, keyEvent.kind, 0);
    return TRUE;
}

void RemoveOnce(std::vector<TmoxStatusPanel*>& panels, TmoxStatusPanel& panel)
{
    auto found = std::find(panels.begin(), panels.end(), &panel);
    if (found == panels.end())
        throw EAssertionFailed("Unbalanced MainWinHook registrations");
    panels.erase(found);
}

} // namespace

TmoxKeyLockWatcher::~TmoxKeyLockWatcher()
{
    // The panels leave before the bar's watcher goes; whatever they left
    // registered is undone here.
    if (Monitoring()) {
        monitoredPanels_.clear();
        StopMonitor();
    }
    hookedPanels_.clear();
    SyncHooks();
}

void TmoxKeyLockWatcher::Add(TmoxStatusPanel& panel, bool monitored)
{
    if (monitored) {
        monitoredPanels_.push_back(&panel);
        if (monitoredPanels_.size() == 1)
            StartMonitor();
        panel.lockState_ = (GetKeyState(static_cast<int>(statusbar::KeyLockVirtualKey(panel.PanelType()))) & 1) != 0;
    } else {
        hookedPanels_.push_back(&panel);
        SyncHooks();
    }
}

void TmoxKeyLockWatcher::Remove(TmoxStatusPanel& panel, bool monitored)
{
    if (monitored) {
        RemoveOnce(monitoredPanels_, panel);
        if (monitoredPanels_.empty())
            StopMonitor();
    } else {
        RemoveOnce(hookedPanels_, panel);
        SyncHooks();
    }
}

void TmoxKeyLockWatcher::StartMonitor()
{
    if (!MoxKbDLL_Loaded())
        InitMoxKbDLL();
    if (bar_.Handle() && MoxKbDLL_Loaded())
        monitorMessage_ = DLLRegisterKeyboardHook(bar_.Handle());
}

void TmoxKeyLockWatcher::StopMonitor()
{
    if (MoxKbDLL_Loaded() && bar_.Handle())
        DLLDeregisterKeyboardHook(bar_.Handle());
    monitorMessage_ = 0;
    if (MoxKbDLL_Loaded())
        UnloadMoxKbDLL();
}

void TmoxKeyLockWatcher::WindowCreated()
{
    if (Monitoring())
        monitorMessage_ = DLLRegisterKeyboardHook(bar_.Handle());
    SyncHooks();
}

void TmoxKeyLockWatcher::WindowDestroyed()
{
    // The library must not report to a window that is gone.
    if (Monitoring() && MoxKbDLL_Loaded())
        DLLDeregisterKeyboardHook(bar_.Handle());
    monitorMessage_ = 0;
    Unsubclass();
}

void TmoxKeyLockWatcher::SyncHooks()
{
    const bool wanted = !hookedPanels_.empty();
    if (wanted && !keyboardHook_)
        keyboardHook_ = SetWindowsHookExA(WH_KEYBOARD, KeyboardProc, nullptr, GetCurrentThreadId());
    else if (!wanted && keyboardHook_)
        UnhookWindowsHookEx(std::exchange(keyboardHook_, nullptr));

    if (wanted && bar_.Handle() && !hookedMainWindow_) {
        HWND mainWindow = GetAncestor(bar_.Handle(), GA_ROOT);
        const auto id = reinterpret_cast<UINT_PTR>(this);
        if (SetWindowSubclass(mainWindow, MainWinProc, id, reinterpret_cast<DWORD_PTR>(this)))
            hookedMainWindow_ = mainWindow;
    } else if (!wanted) {
        Unsubclass();
    }
}

void TmoxKeyLockWatcher::Unsubclass()
{
    if (hookedMainWindow_)
        RemoveWindowSubclass(std::exchange(hookedMainWindow_, nullptr), MainWinProc, reinterpret_cast<UINT_PTR>(this));
}

LRESULT CALLBACK TmoxKeyLockWatcher::KeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    // The panels repaint once the key message has been taken from the queue
    // (before that the thread's key state still has the old toggle), so the
    // hook only posts.
    if (code >= 0) {
        const TmoxStatusPanelType pressed = statusbar::KeyLockKindOfPress(wParam, static_cast<std::uintptr_t>(lParam));
        const KeyEvent event{KeyEventMessage(), pressed};
        EnumThreadWindows(GetCurrentThreadId(), PostKeyEvent, reinterpret_cast<LPARAM>(&event));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TmoxKeyLockWatcher::MainWinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR watcher)
{
    reinterpret_cast<TmoxKeyLockWatcher*>(watcher)->MainWinMessage(message, wParam);
    return DefSubclassProc(window, message, wParam, lParam);
}

void TmoxKeyLockWatcher::MainWinMessage(UINT message, WPARAM wParam)
{
    if (!bar_.Handle())
        return;
    if (message == WM_ACTIVATEAPP) {
        // Lock keys pressed in another application show when the user comes back.
        if (wParam == 0)
            refreshAll_ = true;
        PostMessageA(bar_.Handle(), WM_REFRESHLOCKINDICATORS, 0, 0);
    } else if (message == KeyEventMessage()) {
        const bool all = std::exchange(refreshAll_, false);
        const bool shown = std::any_of(hookedPanels_.begin(), hookedPanels_.end(),
                                       [wParam](const TmoxStatusPanel* panel) { return panel->PanelType() == wParam; });
        if (all || shown)
            PostMessageA(bar_.Handle(), WM_REFRESHLOCKINDICATORS, 0, 0);
    }
}

bool TmoxKeyLockWatcher::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (monitorMessage_ != 0 && message == monitorMessage_) {
        MonitorReport(wParam, lParam);
        return true;
    }
    if (message == WM_REFRESHLOCKINDICATORS) {
        RefreshLockIndicators();
        return true;
    }
    return false;
}

void TmoxKeyLockWatcher::RefreshLockIndicators()
{
    TmoxStatusPanels& panels = bar_.Panels();
    panels.BeginUpdate();
    for (int i = 0; i < panels.Count(); ++i)
        if (IsKeyLockKind(panels.Items(i).PanelType()))
            bar_.InvalidatePanel(i);
    panels.EndUpdate();
}

void TmoxKeyLockWatcher::MonitorReport(WPARAM wParam, LPARAM lParam)
{
    const TmoxStatusPanelType kind = statusbar::KeyLockKindOfReport(wParam);
    for (TmoxStatusPanel* panel : monitoredPanels_) {
        if (panel->PanelType() == kind) {
            panel->lockState_ = (lParam & 1) != 0;
            panel->Invalidate();
        }
    }
}

} // namespace kelvo
