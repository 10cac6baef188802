#include "ui/window.h"

#include "common/dpi_scale.h"
#include "ui/handles.h"

#include <commctrl.h>

#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

namespace kelvo::ui {

namespace {

// Our windows by handle. A map in this process rather than a window
// property: every message looks its window up, and properties live in the
// window server under Wine.
class WindowRegistry {
public:
    void Add(HWND window, Window* object)
    {
        std::lock_guard lock(mutex_);
        windows_[window] = object;
    }
    void Remove(HWND window)
    {
        std::lock_guard lock(mutex_);
        windows_.erase(window);
    }
    Window* Find(HWND window)
    {
        std::lock_guard lock(mutex_);
        auto found = windows_.find(window);
        return found == windows_.end() ? nullptr : found->second;
    }

private:
    std::mutex mutex_;
    std::unordered_map<HWND, Window*> windows_;
};

WindowRegistry& Registry()
{
    static WindowRegistry registry;
    return registry;
}

std::function<void(const std::exception&)>& ExceptionHandler()
{
    static std::function<void(const std::exception&)> handler;
    return handler;
}

} // namespace

int DpiOf(HWND window)
{
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    }
    WindowDc screen(nullptr);
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? dpi : dpi::kBaseDpi;
}

void ShowException(const std::exception& error)
{
    if (ExceptionHandler()) {
        ExceptionHandler()(error);
        return;
    }
    MessageBoxA(GetActiveWindow(), error.what(), "Kelvo", MB_OK | MB_ICONERROR);
}

void SetExceptionHandler(std::function<void(const std::exception&)> handler)
{
    ExceptionHandler() = std::move(handler);
}

Window::~Window() { DestroyHandle(); }

int Window::Dpi() const { return DpiOf(handle_); }

int Window::Scale(int size) const { return dpi::Scale(size, Dpi()); }

Window* Window::FromHandle(HWND window)
{
    return window ? Registry().Find(window) : nullptr;
}

HWND Window::CreateOwnWindow(const char* className, DWORD style, DWORD exStyle, const char* caption,
                             int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                             UINT classStyle, HBRUSH background)
{
    static std::set<std::string> registered;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered.count(className)) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = classStyle;
        wc.lpfnWndProc = OwnWindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = background;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
        wc.lpszClassName = className;
        if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return nullptr;
        registered.insert(className);
    }
    // The handle is attached in WM_NCCREATE, so early messages reach HandleMessage.
    return CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent,
                           menuOrId, instance, this);
}

HWND Window::CreateControl(const char* className, DWORD style, DWORD exStyle, const char* caption,
                           int x, int y, int width, int height, HWND parent, int id)
{
    HWND window = CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window)
        return nullptr;
    handle_ = window;
    Registry().Add(window, this);
    // Subclassed through the ANSI window procedure: the controls are ANSI
    // windows, and a Unicode subclass makes every text message convert twice.
    controlProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc)));
    return window;
}

void Window::DestroyHandle()
{
    if (handle_ && IsWindow(handle_))
        DestroyWindow(handle_); // WM_NCDESTROY detaches
    handle_ = nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT reflected = 0;
    switch (message) {
    case WM_DRAWITEM:
        if (Reflect(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem, message, wParam, lParam, reflected))
            return reflected;
        break;
    case WM_NOTIFY:
        if (Reflect(reinterpret_cast<const NMHDR*>(lParam)->hwndFrom, message, wParam, lParam, reflected))
            return reflected;
        break;
    case WM_COMMAND:
        if (lParam && Reflect(reinterpret_cast<HWND>(lParam), message, wParam, lParam, reflected))
            return reflected;
        break;
    default:
        break;
    }
    if (controlProc_)
        return CallWindowProcA(controlProc_, handle_, message, wParam, lParam);
    return DefWindowProcA(handle_, message, wParam, lParam);
}

bool Window::Reflect(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (!child || child == handle_ || !FromHandle(child))
        return false;
    result = SendMessageA(child, kReflectBase + message, wParam, lParam);
    return true;
}

LRESULT Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ShowException(error);
        return 0;
    }
}

LRESULT CALLBACK Window::OwnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* self = FromHandle(window);
    if (!self && message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->handle_ = window;
        Registry().Add(window, self);
    }
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        Registry().Remove(window);
        self->handle_ = nullptr;
    }
    return result;
}

LRESULT CALLBACK Window::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* self = FromHandle(window);
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->controlProc_));
        Registry().Remove(window);
        self->handle_ = nullptr;
        self->controlProc_ = nullptr;
    }
    return result;
}

LRESULT PaintedWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers every pixel
    case WM_PAINT: {
        PaintScope paint(Handle());
        RECT client{};
        GetClientRect(Handle(), &client);
        Paint(paint.Paint().hdc, client);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(Handle(), &client);
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    default:
        return Window::HandleMessage(message, wParam, lParam);
    }
}

} // namespace kelvo::ui
