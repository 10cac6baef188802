#include "components/statusbar/moxstatusbar.h"

#include <commctrl.h>

namespace kelvo {

using statusbar::ToPanelRect;
using statusbar::ToRect;

std::string TmoxStatusPanel::GetHint()
{
    std::string hint = statusbar::PanelHint(panelType_, hint_, text_);
    DoHintText(hint);
    return hint;
}

void TmoxStatusPanel::DoHintText(std::string& hint)
{
    if (OnHintText)
        OnHintText(GetStatusBar(), *this, hint);
}

void TmoxStatusPanel::Click()
{
    if (OnClick)
        OnClick(*this);
}

TmoxHintInfo TmoxStatusBar::CMHintShow(POINT point)
{
    RECT client{};
    GetClientRect(Handle(), &client);
    std::vector<statusbar::HintPanel> places;
    std::vector<std::string> hints;
    for (int i = 0; i < panels_.Count(); ++i) {
        hints.push_back(panels_.Items(i).GetHint());
        places.push_back({ToPanelRect(GetPanelRect(i)), !hints.back().empty()});
    }
    const statusbar::HintChoice choice = statusbar::ChooseHint(places, point.x, point.y, ToPanelRect(client));
    return {choice.panel >= 0 ? hints[static_cast<std::size_t>(choice.panel)] : hint_, ToRect(choice.cursorRect)};
}

void TmoxStatusBar::RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG relayed{Handle(), message, wParam, lParam, 0, {}};
    SendMessageA(toolTip_.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (message != WM_MOUSEMOVE || PtInRect(&toolRect_, point))
        return;
    // A new tool (with a new id) makes the tool tip ask for the new hint.
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = Handle();
    tool.uId = toolId_;
    SendMessageA(toolTip_.Get(), TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    toolRect_ = CMHintShow(point).cursorRect;
    tool.uId = ++toolId_;
    tool.rect = toolRect_;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(toolTip_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void TmoxStatusBar::Click()
{
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(Handle(), &point);
    for (int i = 0; i < panels_.Count(); ++i) {
        const RECT rect = GetPanelRect(i);
        if (PtInRect(&rect, point)) {
            panels_.Items(i).Click();
            break;
        }
    }
    if (OnClick)
        OnClick(*this);
}

bool TmoxStatusBar::HandleHintMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (toolTip_)
            RelayToToolTip(message, wParam, lParam);
        return false; // the native bar sees them too
    case WM_NOTIFYFORMAT: // the tool tip asks: its hints come as ANSI text
        if (!toolTip_ || reinterpret_cast<HWND>(wParam) != toolTip_.Get())
            return false;
        result = NFR_ANSI;
        return true;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (!toolTip_ || header.hwndFrom != toolTip_.Get() || header.code != TTN_GETDISPINFOA)
            return false;
        POINT point{};
        GetCursorPos(&point);
        ScreenToClient(Handle(), &point);
        toolTipText_ = CMHintShow(point).text;
        reinterpret_cast<NMTTDISPINFOA*>(lParam)->lpszText = toolTipText_.data();
        result = 0;
        return true;
    }
    case ui::kReflectBase + WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code != NM_CLICK)
            return false;
        Click();
        result = 0;
        return true;
    default:
        return false;
    }
}

} // namespace kelvo
