#include "ui/list_box.h"

#include <windowsx.h>

#include <cstring>
#include <vector>

namespace kelvo::ui {

void ListBox::CreateList(HWND parent, int id, int itemHeight, DWORD extraStyle)
{
    CreateControl("LISTBOX",
                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | extraStyle,
                  WS_EX_CLIENTEDGE, nullptr, 0, 0, 0, 0, parent, id);
    itemHeight_ = itemHeight;
    SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, Scale(itemHeight_));
}

void ListBox::Create(HWND parent, int id, int itemHeight) { CreateList(parent, id, itemHeight, 0); }

void ListBox::CreateVirtual(HWND parent, int id, int itemHeight, bool extendedSelection)
{
    virtual_ = true;
    extended_ = extendedSelection;
    CreateList(parent, id, itemHeight, LBS_NODATA | LBS_OWNERDRAWFIXED | (extendedSelection ? LBS_EXTENDEDSEL : 0));
    // The list answers for its lines itself (below); with this style bit the
    // system also carries them to other processes that ask.
    SetWindowLongPtrA(Handle(), GWL_STYLE, GetWindowLongPtrA(Handle(), GWL_STYLE) | LBS_HASSTRINGS);
}

void ListBox::Add(const std::string& text) { SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())); }

void ListBox::SetCount(int count)
{
    SendMessageA(Handle(), LB_SETCOUNT, static_cast<WPARAM>(count), 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

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

int ListBox::ItemIndex() const
{
    if (!extended_)
        return static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0));
    if (SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0) <= 0)
        return -1;
    return static_cast<int>(SendMessageA(Handle(), LB_GETCARETINDEX, 0, 0));
}

void ListBox::SetItemIndex(int index)
{
    if (!extended_) {
        SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    SendMessageA(Handle(), LB_SETSEL, FALSE, -1);
    if (index < 0)
        return;
    SendMessageA(Handle(), LB_SETSEL, TRUE, index);
    // Shift with a click or an arrow key selects from here.
    SendMessageA(Handle(), LB_SETANCHORINDEX, static_cast<WPARAM>(index), 0);
    SendMessageA(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

std::vector<int> ListBox::SelectedIndexes() const
{
    if (!extended_) {
        const int index = ItemIndex();
        return index < 0 ? std::vector<int>() : std::vector<int>{index};
    }
    const LRESULT count = SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0);
    std::vector<int> indexes(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (!indexes.empty())
        SendMessageA(Handle(), LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(indexes.data()));
    return indexes;
}

void ListBox::SelectAll()
{
    if (extended_ && Count() > 0)
        SendMessageA(Handle(), LB_SETSEL, TRUE, -1);
}

void ListBox::BeginUpdate() { SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0); }

void ListBox::EndUpdate()
{
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void ListBox::DrawItem(const DRAWITEMSTRUCT& item) const
{
    if (item.itemID == static_cast<UINT>(-1)) {
        if (item.itemState & ODS_FOCUS)
            DrawFocusRect(item.hDC, &item.rcItem);
        return;
    }
    // Every action repaints the whole line: a focus change alone would
    // otherwise leave the line filled without its text.
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const std::string text = ItemText ? ItemText(static_cast<int>(item.itemID)) : std::string();
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT area = item.rcItem;
    area.left += Scale(2);
    DrawTextA(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &item.rcItem);
}

bool ListBox::BeginsDrag(WPARAM keys, LPARAM at)
{
    // Only a plain press on a line that is selected already can start a
    // drag: a press elsewhere, or with Shift or Ctrl, selects, as it always has.
    const LRESULT hit = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, at);
    if (HIWORD(hit) != 0 || (keys & (MK_SHIFT | MK_CONTROL)) != 0)
        return false;
    const int selected = LOWORD(hit);
    if (extended_ ? SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(selected), 0) <= 0 : selected != ItemIndex())
        return false;
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ClientToScreen(Handle(), &point);
    if (!DragDetect(Handle(), point)) {
        // The button came up within the drag distance: a plain click, whose
        // release the drag test has taken.
        Default(WM_LBUTTONDOWN, keys, at);
        Default(WM_LBUTTONUP, keys & ~static_cast<WPARAM>(MK_LBUTTON), at);
        return true;
    }
    OnBeginDrag(selected);
    return true;
}

LRESULT ListBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        if (OnKeyDown)
            OnKeyDown(static_cast<WORD>(wParam));
        break;
    case WM_LBUTTONDOWN:
        if (OnBeginDrag && BeginsDrag(wParam, lParam))
            return 0;
        break;
    case kReflectBase + WM_COMMAND:
        if (HIWORD(wParam) == LBN_SELCHANGE && OnClick)
            OnClick();
        return 0;
    case kDpiChangedAfterParent:
        if (virtual_)
            SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, Scale(itemHeight_));
        break;
    case kReflectBase + WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case LB_GETTEXTLEN:
    case LB_GETTEXT:
        if (virtual_) {
            const int index = static_cast<int>(wParam);
            if (index < 0 || index >= Count())
                return LB_ERR;
            const std::string text = ItemText ? ItemText(index) : std::string();
            if (message == LB_GETTEXT)
                std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
            return static_cast<LRESULT>(text.size());
        }
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

} // namespace kelvo::ui
