#include "ui/tool_bar.h"

#include "common/dpi_scale.h"
#include "ui/action.h"

namespace kelvo::ui {

namespace {

constexpr int kBaseGlyphSize = 16;
constexpr int kGapWidth = 6;

} // namespace

void ToolBar::Create(HWND parent, int id, GlyphLoader loadGlyphs)
{
    CreateControl(TOOLBARCLASSNAMEA, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER,
                  0, nullptr, 0, 0, 0, 0, parent, id);
    SendMessageA(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const auto padding = static_cast<DWORD>(SendMessageA(Handle(), TB_GETPADDING, 0, 0));
    padding_ = SIZE{LOWORD(padding), HIWORD(padding)};
    loadGlyphs_ = std::move(loadGlyphs);
    ScaleToDpi();
}

void ToolBar::SetImages(OwnedImageList images)
{
    images_ = std::move(images);
    SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Get()));
}

void ToolBar::ScaleToDpi()
{
    const int dpi = Dpi();
    const int glyph = dpi::GlyphSize(dpi);
    // The padding makes the button the size the system gives a 16-pixel
    // glyph, scaled: the nearest glyph size need not be exactly to scale.
    const SIZE button{dpi::Scale(kBaseGlyphSize + padding_.cx, dpi), dpi::Scale(kBaseGlyphSize + padding_.cy, dpi)};
    SendMessageA(Handle(), TB_SETPADDING, 0, MAKELPARAM(button.cx - glyph, button.cy - glyph));
    SetImages(loadGlyphs_(glyph));
    SendMessageA(Handle(), TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
    for (int index = 0; index < ButtonCount(); ++index) {
        TBBUTTON gap{};
        SendMessageA(Handle(), TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&gap));
        if (!(gap.fsStyle & BTNS_SEP))
            continue;
        TBBUTTONINFOA info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_IMAGE;
        info.iImage = dpi::Scale(kGapWidth, dpi); // a gap's "image" is its width
        SendMessageA(Handle(), TB_SETBUTTONINFOA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
    }
    SendMessageA(Handle(), TB_AUTOSIZE, 0, 0);
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
    button.iBitmap = Scale(kGapWidth); // the gap's width
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

LRESULT ToolBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kDpiChangedAfterParent && loadGlyphs_)
        ScaleToDpi();
    return Default(message, wParam, lParam);
}

std::string ToolBar::ToolTip(int commandId) const
{
    auto found = toolTips_.find(commandId);
    return found == toolTips_.end() ? std::string() : found->second;
}

} // namespace kelvo::ui
