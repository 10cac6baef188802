#include "ui/form.h"

#include "common/dpi_scale.h"

#include <vector>

namespace kelvo::ui {

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

// Every window below a window, at any depth.
std::vector<HWND> Descendants(HWND window)
{
    std::vector<HWND> found;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

void Form::Create(const char* className, const std::string& caption, int width, int height)
{
    // Made at its 96-DPI size, then sized for the DPI the system gave it:
    // only the window itself knows its DPI. It is still hidden.
    CreateOwnWindow(className, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, caption.c_str(), 0, 0, width, height,
                    nullptr, nullptr, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (!Handle())
        return;
    dpi_ = Dpi();
    width = Scale(width);
    height = Scale(height);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetFont(const char* face, int height)
{
    fontFace_ = face;
    fontHeight_ = height;
    MakeFont();
}

void Form::MakeFont()
{
    font_.Reset(CreateFontA(Scale(fontHeight_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                            fontFace_.c_str()));
}

void Form::DpiChanged(int newDpi, const RECT& suggested)
{
    // Fonts and sizes change first and the window moves once, so it lays
    // out and paints once, at the new size with the new fonts.
    const int oldDpi = dpi_;
    dpi_ = newDpi;
    const std::vector<HWND> descendants = Descendants(Handle());
    if (font_) {
        const OwnedFont old = std::move(font_);
        MakeFont();
        for (HWND child : descendants)
            if (reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)) == old.Get())
                SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    }
    for (HWND child : descendants)
        if (FromHandle(child))
            SendMessageA(child, kDpiChangedAfterParent, 0, 0);
    FormDpiChanged(oldDpi, newDpi);
    RECT before{}, after{};
    GetClientRect(Handle(), &before);
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A rectangle of the same size sends no WM_SIZE: lay out all the same.
    GetClientRect(Handle(), &after);
    if (after.right == before.right && after.bottom == before.bottom)
        FormResize();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form::ApplyFont(HWND control) const
{
    if (control && font_)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
}

void Form::Show(int showCommand)
{
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
}

void Form::Close() { SendMessageA(Handle(), WM_CLOSE, 0, 0); }

void Form::SetMenu(OwnedMenu menu)
{
    ::SetMenu(Handle(), menu.Get());
    menu_ = std::move(menu);
}

void Form::SetAccelerators(OwnedAccelerators accelerators) { accelerators_ = std::move(accelerators); }

bool Form::TranslateAccelerator(MSG& message) const
{
    return accelerators_ && Handle() && ::TranslateAcceleratorA(Handle(), accelerators_.Get(), &message);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam && OnShow)
            OnShow(*this);
        break;
    case WM_CLOSE: {
        bool canClose = true;
        if (OnCloseQuery)
            OnCloseQuery(*this, canClose);
        if (canClose) {
            FormClosing();
            DestroyWindow(Handle());
        }
        return 0;
    }
    case WM_SIZE:
        FormResize();
        return 0;
    case WM_DPICHANGED:
        DpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DESTROY:
        FormDestroy();
        // The menu goes with the window.
        menu_.Release();
        destroyed_ = true;
        if (QuitOnDestroy)
            PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

int RunMessageLoop(const Form& mainForm)
{
    MSG message;
    for (;;) {
        try {
            BOOL got = GetMessageA(&message, nullptr, 0, 0);
            if (got == 0 || got == -1)
                break;
            if (!mainForm.TranslateAccelerator(message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        } catch (const std::exception& error) {
            ShowException(error);
        }
    }
    return static_cast<int>(message.wParam);
}

void ProcessMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace kelvo::ui
