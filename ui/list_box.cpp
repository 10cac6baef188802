#include "ui/list_box.h"

#include <vector>

namespace kelvo::ui {

void ListBox::Create(HWND parent, int id, int itemHeight)
{
    CreateControl("LISTBOX", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                  WS_EX_CLIENTEDGE, nullptr, 0, 0, 0, 0, parent, id);
    SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, itemHeight);
}

void ListBox::Add(const std::string& text) { SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())); }

void ListBox::Clear() { SendMessageA(Handle(), LB_RESETCONTENT, 0, 0); }

int ListBox::Count() const { return static_cast<int>(SendMessageA(Handle(), LB_GETCOUNT, 0, 0)); }

std::string ListBox::Text(int index) const
{
    LRESULT length = SendMessageA(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    SendMessageA(Handle(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data());
}

int ListBox::ItemIndex() const { return static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)); }

void ListBox::SetItemIndex(int index) { SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ListBox::Reserve(int lines, int bytes) { SendMessageA(Handle(), LB_INITSTORAGE, static_cast<WPARAM>(lines), bytes); }

void ListBox::BeginUpdate() { SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0); }

void ListBox::EndUpdate()
{
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT ListBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && OnKeyDown)
        OnKeyDown(static_cast<WORD>(wParam));
    if (message == kReflectBase + WM_COMMAND) {
        if (HIWORD(wParam) == LBN_SELCHANGE && OnClick)
            OnClick();
        return 0;
    }
    return Default(message, wParam, lParam);
}

} // namespace kelvo::ui
