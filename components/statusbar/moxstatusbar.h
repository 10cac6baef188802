// TmoxStatusBar: a status bar that keeps the native status window and its
// row of parts but draws every part itself. Each native part is paired with
// a TmoxStatusPanel (same index) that knows a panel kind, a text and a gauge;
// every panel is painted through an off-screen bitmap and repaints at once
// when it changes, so progress shows even while the message loop waits.
// Besides text and gauges the panels show the date and time, the lock keys'
// states, glyphs and texts cut with an ellipsis; each has a hint (shown as
// the bar's tool tip) and a click event.
//
// Use: create the bar, add panels, then Create(parentWindow); the parent
// calls ParentResized() from its WM_SIZE. The parent must reflect
// WM_DRAWITEM to its children (every ui::Window does).
//
// moxstatusbar.cpp has the bar itself, status_panels.cpp the panels and
// their registrations, panel_painting.cpp the painting, panel_hints.cpp the
// hints and clicks; the lock keys are watched by the bar's
// TmoxKeyLockWatcher (key_lock_watcher.h).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/dpi_scale.h"
#include "components/statusbar/key_lock_watcher.h"
#include "components/statusbar/statusbar_rules.h"
#include "ui/canvas.h"
#include "ui/handles.h"
#include "ui/timer.h"
#include "ui/window.h"

namespace kelvo {

class TmoxStatusBar;
class TmoxStatusPanel;
class TmoxStatusPanels;

// Posted to the bar to repaint its key-lock panels (no parameters).
inline constexpr UINT WM_REFRESHLOCKINDICATORS = WM_APP + 230;

namespace statusbar {
// The window-free rules' rectangles and the system's.
inline PanelRect ToPanelRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline RECT ToRect(const PanelRect& r) { return {r.left, r.top, r.right, r.bottom}; }
} // namespace statusbar

// Draws a panel: the bar, the panel, the canvas to draw on and the part's rectangle.
using TmoxDrawPanelEvent =
    std::function<void(TmoxStatusBar& statusBar, TmoxStatusPanel& panel, ui::Canvas& canvas, const RECT& rect)>;

// May change the hint a panel shows.
using TmoxPanelHintTextEvent = std::function<void(TmoxStatusBar& statusBar, TmoxStatusPanel& panel, std::string& hint)>;

// The hint at a point of the bar, and the area in which it stays.
struct TmoxHintInfo {
    std::string text;
    RECT cursorRect{};
};

// One part of the native status window: what the window itself keeps.
struct TStatusPanel {
    int Width = 50;
    TAlignment Alignment = taLeftJustify;
    TStatusPanelBevel Bevel = pbLowered;
};

// The gauge of a panel: style, position, animation speed and colours.
class TmoxGaugeAttrs {
public:
    explicit TmoxGaugeAttrs(TmoxStatusPanel& owner) : owner_(owner) {}
    TmoxGaugeAttrs(const TmoxGaugeAttrs&) = delete;
    TmoxGaugeAttrs& operator=(const TmoxGaugeAttrs&) = delete;

    void Assign(const TmoxGaugeAttrs& source);

    TmoxGaugeStyle Style() const { return style_; }
    void SetStyle(TmoxGaugeStyle style);
    // 0..100; values outside are taken as the nearest end.
    int Position() const { return position_; }
    void SetPosition(int position);
    // Pixels an animated gauge moves per tick; only positive values are taken.
    int Speed() const { return speed_; }
    void SetSpeed(int speed);
    ui::TColor Color() const { return color_; }
    void SetColor(ui::TColor color);
    ui::TColor TextColor() const { return textColor_; }
    void SetTextColor(ui::TColor color);

private:
    TmoxStatusPanel& owner_;
    TmoxGaugeStyle style_ = gsPercent;
    std::uint8_t position_ = 0;
    int speed_ = 4;
    ui::TColor color_ = ui::clHighlight;
    ui::TColor textColor_ = ui::clHighlightText;
};

class TmoxStatusPanel : public statusbar::TimerClient {
public:
    // Panels are made by TmoxStatusPanels::Add only.
    class Key {
        Key() = default;
        friend class TmoxStatusPanels;
    };
    TmoxStatusPanel(Key, TmoxStatusPanels& collection);
    TmoxStatusPanel(const TmoxStatusPanel&) = delete;
    TmoxStatusPanel& operator=(const TmoxStatusPanel&) = delete;
    ~TmoxStatusPanel();

    // Copies another panel's settings (not its OnClick); the kind comes last,
    // so its registrations are made.
    void Assign(const TmoxStatusPanel& source);
    int Index() const;
    // Moves the panel, and its native part first, to another index.
    void SetIndex(int index);

    TmoxGaugeAttrs& GaugeAttrs() { return gauge_; }
    const TmoxGaugeAttrs& GaugeAttrs() const { return gauge_; }
    void SetGaugeAttrs(const TmoxGaugeAttrs& attrs) { gauge_.Assign(attrs); }
    TAlignment Alignment() const { return GetLinkedPanel().Alignment; }
    void SetAlignment(TAlignment alignment);
    TStatusPanelBevel Bevel() const { return GetLinkedPanel().Bevel; }
    void SetBevel(TStatusPanelBevel bevel);
    // In pixels at 96 DPI, scaled by the bar's DPI when drawn.
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    TmoxStatusPanelType PanelType() const { return panelType_; }
    void SetPanelType(TmoxStatusPanelType type);
    const std::string& Text() const { return text_; }
    void SetText(std::string_view text);
    // The panel's own flag and the bar's Enabled together.
    bool Enabled() const;
    void SetEnabled(bool enabled);
    int Width() const { return GetLinkedPanel().Width; }
    void SetWidth(int width);
    bool AutoFit() const { return autoFit_; }
    void SetAutoFit(bool autoFit);
    // Date and time formats in the system's picture language ("dd.MM.yyyy",
    // "HH:mm"); empty: the user's short date and long time formats.
    const std::string& DateFormat() const { return dateFormat_; }
    void SetDateFormat(std::string_view format);
    const std::string& TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(std::string_view format);
    // The picture of sptGlyph panels: a copy of the given bitmap (none clears
    // it); the colour of its bottom-left pixel is drawn transparent.
    HBITMAP Glyph() const { return glyph_.Get(); }
    void SetGlyph(HBITMAP bitmap);
    SIZE GlyphSize() const { return glyphSize_; }
    // "..." on ellipsis panels stands for the full Text.
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string_view hint) { hint_ = hint; }
    // The key's toggle state as the keyboard monitor last reported it.
    bool LockState() const { return lockState_; }

    // Draws sptOwnerDraw panels.
    TmoxDrawPanelEvent OnDrawPanel;
    TmoxPanelHintTextEvent OnHintText;
    std::function<void(TmoxStatusPanel& sender)> OnClick;

    // Repaints the panel now.
    void Invalidate();
    TmoxStatusBar& GetStatusBar() const;
    TStatusPanel& GetLinkedPanel() const;

    // Called by the bar for its native part: the owner-draw handler, or Redraw.
    void DrawPanel(ui::Canvas& canvas, const RECT& rect);
    // Paints the panel into rect (the whole native part) in one copy from an
    // off-screen bitmap; the part's frame (1 pixel) stays as it is.
    void Redraw(ui::Canvas& canvas, RECT rect);
    void DrawTextBased(ui::Canvas& canvas, const RECT& rect);
    // The caption in the font colour while the key is on, in grey while off.
    void DrawKeyLock(ui::Canvas& canvas, const RECT& rect);
    void DrawGlyph(ui::Canvas& canvas, const RECT& rect);
    // The percentage gauge: rect is in the canvas's device coordinates.
    void DrawGauge(ui::Canvas& canvas, const RECT& rect);
    // One animation step of an indeterminate gauge.
    void DrawIndeterminateGauge(ui::Canvas& canvas, const RECT& rect);
    // The colour ramp of gsIndeterminate2, 100 pixels wide at 96 DPI and as
    // high as the bar.
    std::unique_ptr<ui::BitmapCanvas> InitGaugeBitmap() const;
    ui::BitmapCanvas& GetGaugeBitmap();
    void UpdateAutoFitWidth();
    void EnabledChanged();
    // Date and time panels take the current date and time as their text.
    void UpdateDateTime();
    void GlyphChanged();
    // The hint to show, after OnHintText.
    std::string GetHint();
    void DoHintText(std::string& hint);
    // Moves a key-lock panel to the way of watching the keys that the bar's
    // UseMonitorDLL asks for.
    void UpdateKeyboardHook();
    void Click();

    // Where an animated gauge is.
    const statusbar::GaugeMotion& GaugeMotion() const { return motion_; }

    // Timer notification: an animated gauge moves one step.
    void TimerNotification() override;

private:
    friend class TmoxGaugeAttrs;
    friend class TmoxStatusBar;
    friend class TmoxKeyLockWatcher;
    TmoxStatusPanelType TimerPanelType() const override { return panelType_; }
    bool TimerIndeterminateGauge() const override { return IsAnimatedGauge(); }
    bool IsAnimatedGauge() const { return panelType_ == sptGauge && IsIndeterminate(gauge_.Style()); }
    void RegisterByKind();
    void DeregisterByKind();
    bool KeyIsOn() const;

    TmoxStatusPanels& collection_;
    TmoxGaugeAttrs gauge_{*this};
    int borderWidth_ = 0;
    TmoxStatusPanelType panelType_ = sptNormal;
    std::string text_;
    bool enabled_ = true;
    bool autoFit_ = false;
    std::string dateFormat_, timeFormat_, hint_;
    ui::OwnedBitmap glyph_;
    SIZE glyphSize_{};
    bool lockState_ = false;
    // What the panel is registered with (and for a key-lock panel, whether
    // through the monitor library), so each registration is undone once.
    statusbar::PanelRegistration registered_ = statusbar::PanelRegistration::None;
    bool registeredMonitored_ = false;
    statusbar::GaugeMotion motion_;
    std::unique_ptr<ui::BitmapCanvas> gaugeBitmap_;
};

// The bar's panels, and the one timer that the timed panels share.
class TmoxStatusPanels {
public:
    explicit TmoxStatusPanels(TmoxStatusBar& bar) : bar_(bar) {}
    TmoxStatusPanels(const TmoxStatusPanels&) = delete;
    TmoxStatusPanels& operator=(const TmoxStatusPanels&) = delete;
    ~TmoxStatusPanels();

    TmoxStatusPanel& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    // Throws EListError for an index outside 0..Count-1.
    TmoxStatusPanel& Items(int index) const;
    // Gives item index the settings of value, and its native part those of value's part.
    void SetItems(int index, const TmoxStatusPanel& value);
    void Delete(int index);
    void Clear();
    // Makes this collection a copy of source.
    void Assign(const TmoxStatusPanels& source);

    // Changes inside one bracket repaint the bar once at the end.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // Repaints one panel, or the whole bar for no panel.
    void Update(TmoxStatusPanel* item);

    void RegisterTimer(TmoxStatusPanel& panel);
    void DeregisterTimer(TmoxStatusPanel& panel);
    // The shared timer; none while no panel is registered.
    const ui::Timer* Timer() const { return timer_.get(); }

    TmoxStatusBar& GetOwner() const { return bar_; }

private:
    friend class TmoxStatusPanel;
    int IndexOf(const TmoxStatusPanel& panel) const;
    void Move(int from, int to);
    void Changed();
    void SyncTimer();

    TmoxStatusBar& bar_;
    std::vector<std::unique_ptr<TmoxStatusPanel>> items_;
    statusbar::PanelTimerSchedule schedule_;
    std::unique_ptr<ui::Timer> timer_;
    int updateCount_ = 0;
};

class TmoxStatusBar : public ui::Window {
public:
    TmoxStatusBar();
    ~TmoxStatusBar() override;

    // Creates the native status window at the bottom of parent; false if the
    // system refuses.
    bool Create(HWND parent, int id = 0);
    // Keeps the bar at the bottom of its parent: call from the parent's WM_SIZE.
    void ParentResized();
    // The DPI the panels' widths are for: the window's once it is made.
    int LayoutDpi() const { return dpi_; }

    TmoxStatusPanels& Panels() { return panels_; }
    const TmoxStatusPanels& Panels() const { return panels_; }
    void SetPanels(const TmoxStatusPanels& panels) { panels_.Assign(panels); }
    static std::string Version() { return "TmoxStatusBar v1.20"; }

    // Repaints panel index now; throws EListError outside 0..Count-1.
    void InvalidatePanel(int index);
    // The native part's rectangle; empty without a window or for a part it does not have.
    RECT GetPanelRect(int index) const;
    // The text's extent in the bar's font; (-1, -1) if measuring fails.
    SIZE TextExtent(std::string_view text) const;
    // Puts a fresh copy of Font into the measuring context.
    void UpdateExtentFont();
    TmoxStatusPanel* FindLinkedPanel(const TStatusPanel& panel) const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // The bar keeps its own copy of the font it is given, taken as made for
    // the bar's DPI; default the GUI font, made for the bar's DPI. A new DPI
    // scales the font and the panels' widths.
    HFONT Font() const { return font_.Get(); }
    void SetFont(HFONT font);
    ui::TColor FontColor() const { return fontColor_; }
    void SetFontColor(ui::TColor color);
    ui::TColor Color() const { return color_; }
    void SetColor(ui::TColor color);

    // Key-lock panels learn about key changes from the keyboard monitor
    // library instead of this thread's keyboard hook. Stays false when the
    // library cannot be loaded.
    bool UseMonitorDLL() const { return useMonitorDLL_; }
    void SetUseMonitorDLL(bool use);
    // The bar's own hint, shown where no panel has one.
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string_view hint) { hint_ = hint; }
    // The hint at a point in the bar's client area: the panel's there, else
    // the bar's own, narrowed to the neighbouring panels with hints.
    TmoxHintInfo CMHintShow(POINT point);
    // A click at the cursor: the panel's OnClick, then the bar's.
    void Click();

    // Called before any panel is drawn by its native part.
    TmoxDrawPanelEvent OnDrawPanel;
    std::function<void(TmoxStatusBar& sender)> OnClick;

    // The native parts, paired by index with Panels.
    int NativeCount() const { return static_cast<int>(nativePanels_.size()); }
    TStatusPanel& NativePanel(int index) const { return *nativePanels_.at(index); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawPanel(const TStatusPanel& panel, ui::Canvas& canvas, const RECT& rect);

private:
    friend class TmoxStatusPanels;
    friend class TmoxStatusPanel;
    // Writes the parts' edges and owner-draw styles to the native window.
    void UpdateNativePanels();
    void FontChanged();
    // Scales the font and the panels' widths to a DPI and lays the bar out.
    void ScaleToDpi(int dpi);
    void UpdateAutoFitWidths();
    void UpdateKeyboardHooks();
    // Paints the native part an owner-draw notification names.
    void DrawItem(const DRAWITEMSTRUCT& item);
    // The tool tip's and the clicks' messages; false for any other message.
    bool HandleHintMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The tool tip follows the mouse: a new tool whenever it leaves the hint's area.
    void RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam);

    ui::OwnedMemoryDc measureDc_;
    ui::OwnedFont measureFont_;
    std::optional<ui::SelectObjectScope> measureSelection_;
    ui::OwnedFont font_;
    int fontDpi_; // the DPI font_ is made for
    int dpi_ = dpi::kBaseDpi;
    ui::TColor fontColor_ = ui::clWindowText;
    ui::TColor color_ = ui::clBtnFace;
    bool enabled_ = true;
    bool useMonitorDLL_ = false;
    std::string hint_;
    ui::OwnedWindow toolTip_;
    UINT_PTR toolId_ = 0;
    RECT toolRect_{};
    std::string toolTipText_;
    std::vector<std::unique_ptr<TStatusPanel>> nativePanels_;
    TmoxKeyLockWatcher keyLocks_{*this};
    TmoxStatusPanels panels_{*this}; // last: the panels go first
};

} // namespace kelvo
