// The window base class: one virtual message entry point for our own window
// classes and for native controls that we subclass. Exceptions stop at the
// window procedure and go to the application's error box.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace kelvo::ui {

// Notifications a parent reflects back to the child control that sent them,
// so a control can draw and answer for itself: the reflected message is
// kReflectBase + the original message, with the original parameters.
inline constexpr UINT kReflectBase = WM_USER + 0x1C00;

// WM_DPICHANGED_AFTERPARENT, which the headers of the systems we build for
// do not declare: a child control's top-level window took a new DPI.
inline constexpr UINT kDpiChangedAfterParent = 0x02E3;

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return handle_; }

    // The window's DPI (see DpiOf).
    int Dpi() const;
    // A size written for 96 DPI, in pixels at the window's DPI.
    int Scale(int size) const;

    // The Window object behind a window handle, when there is one.
    static Window* FromHandle(HWND window);

protected:
    // Creates a window of our own class (registered on first use under className).
    HWND CreateOwnWindow(const char* className, DWORD style, DWORD exStyle, const char* caption,
                         int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                         UINT classStyle = CS_DBLCLKS, HBRUSH background = nullptr);
    // Creates a native control (a system class) and subclasses it.
    HWND CreateControl(const char* className, DWORD style, DWORD exStyle, const char* caption,
                       int x, int y, int width, int height, HWND parent, int id);
    // Destroys the window now.
    void DestroyHandle();

    // Every message arrives here. The default passes it on (DefWindowProc, or
    // the control's own procedure) after reflecting child notifications.
    // Controls hear of a new DPI after their top-level window took it, by
    // kDpiChangedAfterParent (from the system, and from Form for systems
    // that send none): they rebuild every scaled size from the sizes written
    // for 96 DPI, so that hearing it twice does no harm.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The processing the window would have had without HandleMessage.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK OwnWindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool Reflect(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    HWND handle_ = nullptr;
    WNDPROC controlProc_ = nullptr; // the control's own procedure, when subclassed
};

// A window that paints every pixel of its client area in Paint, for
// WM_PAINT and WM_PRINTCLIENT alike, and so never erases its background.
class PaintedWindow : public Window {
protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void Paint(HDC dc, const RECT& client) const = 0;
};

// The DPI a window is drawn at: the system's per-window answer where it has
// one (looked up at run time: older systems lack it), else the screen's.
int DpiOf(HWND window);

// Shows an exception that reached a window procedure or the message loop:
// the application's error box (title "Kelvo", the exception's message).
// Tests may replace it to record errors instead.
void ShowException(const std::exception& error);
void SetExceptionHandler(std::function<void(const std::exception&)> handler);

} // namespace kelvo::ui
