#include "ui/memo.h"

#include <vector>

namespace kelvo::ui {

void Memo::Create(HWND parent, int id)
{
    CreateControl("EDIT", WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                  WS_EX_CLIENTEDGE, nullptr, 0, 0, 0, 0, parent, id);
    // The default limit is 30,000 characters; zero lifts it as far as the control goes.
    SendMessageA(Handle(), EM_SETLIMITTEXT, 0, 0);
}

void Memo::SetText(const std::string& text) { SetWindowTextA(Handle(), text.c_str()); }

std::string Memo::Text() const
{
    const int length = GetWindowTextLengthA(Handle());
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    const int copied = GetWindowTextA(Handle(), buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void Memo::Clear() { SetWindowTextA(Handle(), ""); }

} // namespace kelvo::ui
