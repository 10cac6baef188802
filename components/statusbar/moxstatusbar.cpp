#include "components/statusbar/moxstatusbar.h"

#include <commctrl.h>

#include <algorithm>

#include "components/statusbar/moxkb.h"

namespace kelvo {

namespace {

// The DPI the system's stock fonts are made for.
int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : dpi::kBaseDpi;
}

// A copy of the font with its height scaled from one DPI to another.
ui::OwnedFont RescaledFont(HFONT font, int fromDpi, int toDpi)
{
    LOGFONTA logical{};
    if (!GetObjectA(font, sizeof logical, &logical))
        return {};
    logical.lfHeight = dpi::Rescale(logical.lfHeight, fromDpi, toDpi);
    logical.lfWidth = dpi::Rescale(logical.lfWidth, fromDpi, toDpi);
    return ui::OwnedFont(CreateFontIndirectA(&logical));
}

} // namespace

TmoxStatusBar::TmoxStatusBar()
    : measureDc_(CreateCompatibleDC(nullptr)), font_(ui::CopyFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)))),
      fontDpi_(ScreenDpi())
{
}

TmoxStatusBar::~TmoxStatusBar()
{
    // The panels go while the window, the parts, the fonts and the key-lock
    // watcher still exist.
    panels_.Clear();
}

bool TmoxStatusBar::Create(HWND parent, int id)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!CreateControl(STATUSCLASSNAMEA, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, "", 0, 0, 0, 0, parent, id))
        return false;
    ScaleToDpi(Dpi());
    SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    SendMessageA(Handle(), SB_SETBKCOLOR, 0, static_cast<LPARAM>(ui::ColorToRGB(color_)));
    EnableWindow(Handle(), enabled_);
    UpdateNativePanels();
    UpdateExtentFont();
    UpdateAutoFitWidths();
    keyLocks_.WindowCreated();
    toolTip_.Reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                   GetModuleHandleA(nullptr), nullptr));
    return true;
}

void TmoxStatusBar::ScaleToDpi(int dpi)
{
    if (fontDpi_ != dpi) {
        if (ui::OwnedFont font = RescaledFont(font_.Get(), fontDpi_, dpi)) {
            font_ = std::move(font);
            fontDpi_ = dpi;
        }
    }
    if (dpi_ != dpi) {
        for (const auto& panel : nativePanels_)
            panel->Width = dpi::Rescale(panel->Width, dpi_, dpi);
        dpi_ = dpi;
        for (int i = 0; i < panels_.Count(); ++i)
            panels_.Items(i).gaugeBitmap_.reset(); // remade as high as the bar
    }
}

void TmoxStatusBar::ParentResized()
{
    if (Handle())
        SendMessageA(Handle(), WM_SIZE, 0, 0); // the native bar places itself at the bottom
}

void TmoxStatusBar::UpdateNativePanels()
{
    if (!Handle())
        return;
    if (nativePanels_.empty()) {
        int edge = -1;
        SendMessageA(Handle(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&edge));
        SendMessageA(Handle(), SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(""));
        return;
    }
    // Each part ends where the next begins; the last one reaches the bar's end.
    std::vector<int> edges(nativePanels_.size());
    int edge = 0;
    for (std::size_t i = 0; i + 1 < nativePanels_.size(); ++i) {
        edge += std::max(nativePanels_[i]->Width, 0);
        edges[i] = edge;
    }
    edges.back() = -1;
    SendMessageA(Handle(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (std::size_t i = 0; i < nativePanels_.size(); ++i) {
        WPARAM style = i | SBT_OWNERDRAW;
        if (nativePanels_[i]->Bevel == pbNone)
            style |= SBT_NOBORDERS;
        else if (nativePanels_[i]->Bevel == pbRaised)
            style |= SBT_POPOUT;
        SendMessageA(Handle(), SB_SETTEXTA, style, 0);
    }
}

RECT TmoxStatusBar::GetPanelRect(int index) const
{
    RECT rect{};
    if (!Handle() || !SendMessageA(Handle(), SB_GETRECT, index, reinterpret_cast<LPARAM>(&rect)))
        return RECT{};
    return rect;
}

SIZE TmoxStatusBar::TextExtent(std::string_view text) const
{
    SIZE size{};
    if (!measureDc_ || !GetTextExtentPoint32A(measureDc_.Get(), text.data(), static_cast<int>(text.size()), &size))
        return SIZE{-1, -1};
    return size;
}

void TmoxStatusBar::UpdateExtentFont()
{
    measureSelection_.reset(); // the replaced font goes back first
    measureFont_ = ui::CopyFont(font_.Get());
    if (measureDc_ && measureFont_)
        measureSelection_.emplace(measureDc_.Get(), measureFont_.Get());
}

TmoxStatusPanel* TmoxStatusBar::FindLinkedPanel(const TStatusPanel& panel) const
{
    for (int i = 0; i < panels_.Count() && i < NativeCount(); ++i)
        if (nativePanels_[static_cast<std::size_t>(i)].get() == &panel)
            return &panels_.Items(i);
    return nullptr;
}

void TmoxStatusBar::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (Handle())
        EnableWindow(Handle(), enabled);
    for (int i = 0; i < panels_.Count(); ++i)
        panels_.Items(i).EnabledChanged();
    if (Handle())
        InvalidateRect(Handle(), nullptr, TRUE);
}

void TmoxStatusBar::SetFont(HFONT font)
{
    ui::OwnedFont copy = ui::CopyFont(font);
    if (!copy)
        return;
    font_ = std::move(copy);
    fontDpi_ = dpi_;
    if (Handle())
        SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
    FontChanged();
}

void TmoxStatusBar::FontChanged()
{
    UpdateExtentFont();
    panels_.BeginUpdate();
    UpdateAutoFitWidths();
    panels_.EndUpdate();
}

void TmoxStatusBar::UpdateAutoFitWidths()
{
    for (int i = 0; i < panels_.Count(); ++i)
        if (panels_.Items(i).AutoFit())
            panels_.Items(i).UpdateAutoFitWidth();
}

void TmoxStatusBar::SetFontColor(ui::TColor color)
{
    if (color == fontColor_)
        return;
    fontColor_ = color;
    if (Handle())
        InvalidateRect(Handle(), nullptr, TRUE);
}

void TmoxStatusBar::SetColor(ui::TColor color)
{
    if (color == color_)
        return;
    color_ = color;
    if (Handle()) {
        SendMessageA(Handle(), SB_SETBKCOLOR, 0, static_cast<LPARAM>(ui::ColorToRGB(color_)));
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void TmoxStatusBar::SetUseMonitorDLL(bool use)
{
    if (use == useMonitorDLL_)
        return;
    useMonitorDLL_ = use;
    UpdateKeyboardHooks();
    // Without key-lock panels nothing has tried the library yet.
    if (useMonitorDLL_ && !MoxKbDLL_Loaded() && (keyLocks_.Monitoring() || !CanLoadMoxKbDLL()))
        SetUseMonitorDLL(false);
}

void TmoxStatusBar::UpdateKeyboardHooks()
{
    for (int i = 0; i < panels_.Count(); ++i)
        panels_.Items(i).UpdateKeyboardHook();
}

LRESULT TmoxStatusBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (keyLocks_.HandleMessage(message, wParam, lParam))
        return 0;
    LRESULT result = 0;
    if (HandleHintMessage(message, wParam, lParam, result))
        return result;
    if (message == WM_DESTROY) {
        keyLocks_.WindowDestroyed();
        toolTip_.Reset();
    } else if (message == ui::kDpiChangedAfterParent) {
        ScaleToDpi(Dpi());
        SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        FontChanged();
        UpdateNativePanels();
        ParentResized();
        return 0;
    } else if (message == ui::kReflectBase + WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return Default(message, wParam, lParam);
}

} // namespace kelvo
