#include "ui/form.h"

namespace kelvo::ui {

void Form::Create(const char* className, const std::string& caption, int width, int height)
{
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    CreateOwnWindow(className, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, caption.c_str(), x, y,
                    width, height, nullptr, nullptr, CS_DBLCLKS,
                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

void Form::SetFont(const char* face, int height)
{
    font_.Reset(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, face));
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
