#include "ui/list_view.h"

#include "common/dpi_scale.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kelvo::ui {

void ListView::Create(HWND parent, int id)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    CreateControl(WC_LISTVIEWA,
                  WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                  WS_EX_CLIENTEDGE, nullptr, 0, 0, 0, 0, parent, id);
    SendMessageA(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

int ListView::ColumnCount() const
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(Handle(), LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void ListView::SetColumns(const std::vector<Column>& columns)
{
    SetCount(0);
    for (int i = ColumnCount(); i > 0; --i)
        SendMessageA(Handle(), LVM_DELETECOLUMN, static_cast<WPARAM>(i - 1), 0);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = i > 0 && columns[i].rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = Scale(columns[i].width);
        column.pszText = const_cast<char*>(columns[i].title.c_str());
        SendMessageA(Handle(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    dpi_ = Dpi();
}

void ListView::RescaleColumns()
{
    const int dpi = Dpi();
    for (int i = 0; i < ColumnCount(); ++i) {
        const auto width = static_cast<int>(SendMessageA(Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
        SendMessageA(Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), dpi::Rescale(width, dpi_, dpi));
    }
    dpi_ = dpi;
}

void ListView::SetCount(int count)
{
    SendMessageA(Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

int ListView::Count() const { return static_cast<int>(SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0)); }

std::string ListView::Text(int row, int column) const
{
    std::vector<char> buffer(4096, '\0');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    SendMessageA(Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer.data();
}

int ListView::ItemIndex() const
{
    return static_cast<int>(SendMessageA(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListView::SetItemIndex(int row)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageA(Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

LRESULT ListView::Notify(const NMHDR& header)
{
    switch (header.code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
        // The same layout in both forms but for the text's character size.
        auto& item = reinterpret_cast<NMLVDISPINFOA&>(const_cast<NMHDR&>(header)).item;
        if (!(item.mask & LVIF_TEXT) || item.cchTextMax <= 0 || !item.pszText)
            return 0;
        const std::string text = ItemText ? ItemText(item.iItem, item.iSubItem) : std::string();
        if (header.code == LVN_GETDISPINFOA) {
            lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
        } else {
            std::wstring wide(text.size(), L'\0');
            const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(),
                                                   static_cast<int>(wide.size()));
            wide.resize(static_cast<std::size_t>(std::max(length, 0)));
            lstrcpynW(reinterpret_cast<wchar_t*>(item.pszText), wide.c_str(), item.cchTextMax);
        }
        return 0;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        const bool selected = (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
        if ((change.uChanged & LVIF_STATE) && selected && change.iItem >= 0 && OnSelect)
            OnSelect(change.iItem);
        return 0;
    }
    default:
        return 0;
    }
}

LRESULT ListView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kReflectBase + WM_NOTIFY)
        return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    if (message == kDpiChangedAfterParent)
        RescaleColumns();
    return Default(message, wParam, lParam);
}

} // namespace kelvo::ui
