#include "ui/tool_bar.h"

#include "ui/action.h"

namespace kelvo::ui {

void ToolBar::Create(HWND parent, int id, OwnedImageList images)
{
    CreateControl(TOOLBARCLASSNAMEA, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER,
                  0, nullptr, 0, 0, 0, 0, parent, id);
    SendMessageA(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    images_ = std::move(images);
    SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Get()));
}

void ToolBar::AddButton(int commandId, int image, BYTE style, const std::string& hint)
{
    TBBUTTON button{};
    button.iBitmap = image;
    button.idCommand = commandId;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = style;
    button.iString = -1;
    SendMessageA(Handle(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    toolTips_[commandId] = ShortHintOf(hint);
}

void ToolBar::AddSeparator()
{
    TBBUTTON button{};
    button.fsStyle = BTNS_SEP;
    button.iBitmap = 6; // the gap's width
    SendMessageA(Handle(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
}

bool ToolBar::Checked(int commandId) const
{
    return SendMessageA(Handle(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(commandId), 0) != 0;
}

void ToolBar::SetChecked(int commandId, bool checked)
{
    SendMessageA(Handle(), TB_CHECKBUTTON, static_cast<WPARAM>(commandId), MAKELPARAM(checked ? TRUE : FALSE, 0));
}

void ToolBar::SetEnabled(int commandId, bool enabled)
{
    SendMessageA(Handle(), TB_ENABLEBUTTON, static_cast<WPARAM>(commandId), MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

int ToolBar::ButtonCount() const { return static_cast<int>(SendMessageA(Handle(), TB_BUTTONCOUNT, 0, 0)); }

void ToolBar::Layout(int height)
{
    RECT parent{};
    GetClientRect(GetParent(Handle()), &parent);
    MoveWindow(Handle(), 0, 0, parent.right, height, TRUE);
}

bool ToolBar::HandleToolTip(const NMHDR& header)
{
    if (header.code != TTN_GETDISPINFOA)
        return false;
    auto found = toolTips_.find(static_cast<int>(header.idFrom));
    if (found == toolTips_.end())
        return false;
    auto& info = const_cast<NMTTDISPINFOA&>(reinterpret_cast<const NMTTDISPINFOA&>(header));
    info.lpszText = const_cast<char*>(found->second.c_str());
    return true;
}

std::string ToolBar::ToolTip(int commandId) const
{
    auto found = toolTips_.find(commandId);
    return found == toolTips_.end() ? std::string() : found->second;
}

} // namespace kelvo::ui
