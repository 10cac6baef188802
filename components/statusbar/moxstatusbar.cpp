#include "components/statusbar/moxstatusbar.h"

#include <commctrl.h>

#include <algorithm>

#include "components/statusbar/moxkb.h"

namespace kelvo {

using statusbar::PanelRect;

static_assert(statusbar::kDtCenter == DT_CENTER && statusbar::kDtRight == DT_RIGHT &&
              statusbar::kDtVCenter == DT_VCENTER && statusbar::kDtSingleLine == DT_SINGLELINE &&
              statusbar::kDtNoPrefix == DT_NOPREFIX && statusbar::kDtPathEllipsis == DT_PATH_ELLIPSIS &&
              statusbar::kDtEndEllipsis == DT_END_ELLIPSIS);

namespace {

PanelRect ToPanelRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const PanelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// Today's local date as a day number, for the date panels' day change.
int Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME stamp;
    SystemTimeToFileTime(&now, &stamp);
    const unsigned long long ticks = (static_cast<unsigned long long>(stamp.dwHighDateTime) << 32) | stamp.dwLowDateTime;
    return static_cast<int>(ticks / 864000000000ULL);
}

// A broken invariant found where nothing can be thrown.
void ReportAssertion(const char* message) { MessageBoxA(nullptr, message, "MoxStatusBar", MB_OK | MB_ICONERROR); }

// The key-lock panels of every bar that this thread's keyboard hook serves.
struct KeyLockHook {
    std::vector<TmoxStatusPanel*> panels;
    HHOOK hook = nullptr;
    // Set when the application loses the focus: the first key event after
    // returning repaints every key-lock panel.
    bool refreshAll = false;

    // Every hook and timer registration must be undone before the program ends.
    ~KeyLockHook()
    {
        if (hook) {
            UnhookWindowsHookEx(hook);
            ReportAssertion("TmoxStatusBar: Keyboard hook still installed");
        }
        try {
            statusbar::CheckTimerRegistrations();
        } catch (const EAssertionFailed& failure) {
            ReportAssertion(failure.what());
        }
    }
} keyLocks;

// The panels repaint once the key message has been taken from the queue
// (before that the thread's key state still has the old toggle), so the
// hook asks their bars for a repaint by message.
LRESULT CALLBACK KeyLockHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0) {
        const TmoxStatusPanelType pressed = statusbar::KeyLockKindOfPress(wParam, static_cast<std::uintptr_t>(lParam));
        const bool all = std::exchange(keyLocks.refreshAll, false);
        std::vector<HWND> bars;
        for (TmoxStatusPanel* panel : keyLocks.panels) {
            HWND bar = panel->GetStatusBar().Handle();
            if ((all || panel->PanelType() == pressed) && bar && std::find(bars.begin(), bars.end(), bar) == bars.end())
                bars.push_back(bar);
        }
        for (HWND bar : bars)
            PostMessageA(bar, WM_REFRESHLOCKINDICATORS, 0, 0);
    }
    return CallNextHookEx(keyLocks.hook, code, wParam, lParam);
}

void AddKeyLockPanel(TmoxStatusPanel& panel)
{
    keyLocks.panels.push_back(&panel);
    if (!keyLocks.hook)
        keyLocks.hook = SetWindowsHookExA(WH_KEYBOARD, KeyLockHookProc, nullptr, GetCurrentThreadId());
}

void RemoveKeyLockPanel(TmoxStatusPanel& panel)
{
    auto found = std::find(keyLocks.panels.begin(), keyLocks.panels.end(), &panel);
    if (found != keyLocks.panels.end())
        keyLocks.panels.erase(found);
    if (keyLocks.panels.empty() && keyLocks.hook) {
        UnhookWindowsHookEx(keyLocks.hook);
        keyLocks.hook = nullptr;
    }
}

std::string FormatNow(statusbar::DateTimePart part, std::string_view format)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string picture(format);
    const char* pictureOrDefault = picture.empty() ? nullptr : picture.c_str();
    char text[256];
    const int length = part == statusbar::DateTimePart::Date
        ? GetDateFormatA(LOCALE_USER_DEFAULT, picture.empty() ? DATE_SHORTDATE : 0, &now, pictureOrDefault, text,
                         sizeof text)
        : GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, pictureOrDefault, text, sizeof text);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length - 1)) : std::string();
}

} // namespace

// ---- TmoxGaugeAttrs ---------------------------------------------------------

void TmoxGaugeAttrs::Assign(const TmoxGaugeAttrs& source)
{
    if (&source == this)
        return;
    SetSpeed(source.speed_);
    SetColor(source.color_);
    SetTextColor(source.textColor_);
    SetPosition(source.position_);
    SetStyle(source.style_);
}

void TmoxGaugeAttrs::SetStyle(TmoxGaugeStyle style)
{
    if (style == style_)
        return;
    // An animated gauge runs on the panel timer, a percentage gauge does not.
    const bool running = owner_.PanelType() == sptGauge && owner_.Enabled();
    if (running)
        owner_.DeregisterByKind();
    style_ = style;
    owner_.Invalidate();
    if (running)
        owner_.RegisterByKind();
}

void TmoxGaugeAttrs::SetPosition(int position)
{
    position = std::clamp(position, 0, 100);
    if (position == position_)
        return;
    position_ = static_cast<std::uint8_t>(position);
    owner_.Invalidate();
}

void TmoxGaugeAttrs::SetSpeed(int speed)
{
    speed_ = statusbar::TakeSpeed(speed_, speed);
    owner_.motion_.step = statusbar::StepForSpeed(owner_.motion_.step, speed_);
}

void TmoxGaugeAttrs::SetColor(ui::TColor color)
{
    if (color == color_)
        return;
    color_ = color;
    owner_.gaugeBitmap_.reset();
    owner_.Invalidate();
}

void TmoxGaugeAttrs::SetTextColor(ui::TColor color)
{
    if (color == textColor_)
        return;
    textColor_ = color;
    owner_.Invalidate();
}

// ---- TmoxStatusPanel --------------------------------------------------------

TmoxStatusPanel::TmoxStatusPanel(Key, TmoxStatusPanels& collection) : collection_(collection) {}

TmoxStatusPanel::~TmoxStatusPanel() { DeregisterByKind(); }

void TmoxStatusPanel::Assign(const TmoxStatusPanel& source)
{
    if (&source == this)
        return;
    gauge_.Assign(source.gauge_);
    SetAlignment(source.Alignment());
    SetBevel(source.Bevel());
    SetBorderWidth(source.BorderWidth());
    SetGlyph(source.Glyph());
    SetText(source.Text());
    SetDateFormat(source.DateFormat());
    SetTimeFormat(source.TimeFormat());
    SetEnabled(source.Enabled());
    SetWidth(source.Width());
    SetAutoFit(source.AutoFit());
    hint_ = source.hint_;
    OnDrawPanel = source.OnDrawPanel;
    OnHintText = source.OnHintText;
    SetPanelType(source.PanelType());
}

int TmoxStatusPanel::Index() const { return collection_.IndexOf(*this); }

void TmoxStatusPanel::SetIndex(int index)
{
    const int current = Index();
    if (current < 0 || current == index)
        return;
    if (index < 0 || index >= collection_.Count())
        throw EListError(index);
    collection_.Move(current, index);
}

TmoxStatusBar& TmoxStatusPanel::GetStatusBar() const { return collection_.GetOwner(); }

TStatusPanel& TmoxStatusPanel::GetLinkedPanel() const { return GetStatusBar().NativePanel(Index()); }

void TmoxStatusPanel::SetAlignment(TAlignment alignment)
{
    if (alignment == Alignment())
        return;
    GetLinkedPanel().Alignment = alignment;
    Invalidate();
}

void TmoxStatusPanel::SetBevel(TStatusPanelBevel bevel)
{
    if (bevel == Bevel())
        return;
    GetLinkedPanel().Bevel = bevel;
    GetStatusBar().UpdateNativePanels();
}

void TmoxStatusPanel::SetBorderWidth(int width)
{
    width = std::max(width, 0);
    if (width == borderWidth_)
        return;
    borderWidth_ = width;
    UpdateAutoFitWidth();
    Invalidate();
}

void TmoxStatusPanel::SetText(std::string_view text)
{
    if (text == text_)
        return;
    text_ = text;
    Invalidate();
    UpdateAutoFitWidth();
}

bool TmoxStatusPanel::Enabled() const { return enabled_ && GetStatusBar().Enabled(); }

void TmoxStatusPanel::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    EnabledChanged();
}

void TmoxStatusPanel::SetWidth(int width)
{
    // An automatic width is the panel's own business.
    if (!autoFit_ && width != Width()) {
        GetLinkedPanel().Width = width;
        GetStatusBar().UpdateNativePanels();
    }
    if (IsAnimatedGauge()) {
        motion_.Restart(gauge_.Speed());
        Invalidate();
    }
}

void TmoxStatusPanel::SetAutoFit(bool autoFit)
{
    if (autoFit == autoFit_)
        return;
    autoFit_ = autoFit;
    UpdateAutoFitWidth();
}

void TmoxStatusPanel::SetDateFormat(std::string_view format)
{
    if (format == dateFormat_)
        return;
    dateFormat_ = format;
    UpdateDateTime();
}

void TmoxStatusPanel::SetTimeFormat(std::string_view format)
{
    if (format == timeFormat_)
        return;
    timeFormat_ = format;
    UpdateDateTime();
}

void TmoxStatusPanel::SetGlyph(HBITMAP bitmap)
{
    if (bitmap == glyph_.Get())
        return;
    glyph_.Reset(bitmap ? static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)) : nullptr);
    BITMAP info{};
    glyphSize_ = glyph_ && GetObjectA(glyph_.Get(), sizeof info, &info) ? SIZE{info.bmWidth, info.bmHeight} : SIZE{};
    GlyphChanged();
}

void TmoxStatusPanel::GlyphChanged()
{
    if (panelType_ != sptGlyph)
        return;
    Invalidate();
    UpdateAutoFitWidth();
}

void TmoxStatusPanel::SetPanelType(TmoxStatusPanelType type)
{
    if (type == panelType_)
        return;
    DeregisterByKind();
    panelType_ = type;
    if (IsDateTimeKind(type)) {
        SetAutoFit(false);
        if (Enabled())
            RegisterByKind();
        UpdateDateTime();
    } else if (IsKeyLockKind(type)) {
        SetText(statusbar::KeyLockCaption(type));
        SetAutoFit(true);
        if (Enabled())
            RegisterByKind();
    } else if (IsEllipsisKind(type)) {
        SetAutoFit(false);
        if (hint_.empty())
            hint_ = statusbar::kFullTextHint;
    } else if (type == sptGlyph) {
        SetAutoFit(true);
    } else if (type == sptGauge) {
        SetAutoFit(false);
        SetAlignment(taCenter);
        if (IsIndeterminate(gauge_.Style())) {
            // An animated gauge starts stopped; enabling it starts it.
            SetEnabled(false);
            motion_.Restart(gauge_.Speed());
        }
    } else {
        SetAutoFit(false);
    }
    Invalidate();
}

void TmoxStatusPanel::RegisterByKind()
{
    if (registered_ != statusbar::PanelRegistration::None)
        return;
    const statusbar::PanelRegistration kind = statusbar::RegistrationOf(panelType_, gauge_.Style());
    switch (kind) {
    case statusbar::PanelRegistration::Timer:
        collection_.RegisterTimer(*this);
        break;
    case statusbar::PanelRegistration::KeyboardHook:
        registeredMonitored_ = GetStatusBar().UseMonitorDLL();
        RegisterKeyLock(registeredMonitored_);
        break;
    case statusbar::PanelRegistration::None:
        break;
    }
    registered_ = kind;
}

void TmoxStatusPanel::DeregisterByKind()
{
    // What was registered is undone, once; a panel never registered (a
    // disabled one whose bar is switched) has nothing to undo.
    switch (std::exchange(registered_, statusbar::PanelRegistration::None)) {
    case statusbar::PanelRegistration::Timer:
        collection_.DeregisterTimer(*this);
        break;
    case statusbar::PanelRegistration::KeyboardHook:
        DeregisterKeyLock(registeredMonitored_);
        break;
    case statusbar::PanelRegistration::None:
        break;
    }
}

void TmoxStatusPanel::RegisterKeyLock(bool monitored)
{
    TmoxStatusBar& bar = GetStatusBar();
    if (monitored) {
        bar.RegisterSystemHook();
        lockState_ = (GetKeyState(static_cast<int>(statusbar::KeyLockVirtualKey(panelType_))) & 1) != 0;
    } else {
        AddKeyLockPanel(*this);
        bar.RegisterMainWinHook(*this);
    }
}

void TmoxStatusPanel::DeregisterKeyLock(bool monitored)
{
    TmoxStatusBar& bar = GetStatusBar();
    if (monitored) {
        bar.DeregisterSystemHook();
    } else {
        RemoveKeyLockPanel(*this);
        bar.DeregisterMainWinHook(*this);
    }
}

void TmoxStatusPanel::UpdateKeyboardHook()
{
    if (registered_ != statusbar::PanelRegistration::KeyboardHook ||
        registeredMonitored_ == GetStatusBar().UseMonitorDLL())
        return;
    DeregisterByKind();
    RegisterByKind();
}

void TmoxStatusPanel::UpdateDateTime()
{
    if (!IsDateTimeKind(panelType_))
        return;
    // Setting the text repaints the panel at once.
    SetText(statusbar::DateTimeText(panelType_, dateFormat_, timeFormat_, FormatNow));
}

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

void TmoxStatusPanel::EnabledChanged()
{
    const bool enabled = Enabled();
    if (enabled)
        RegisterByKind();
    else
        DeregisterByKind();
    Invalidate();
    if (!enabled)
        motion_.Restart(gauge_.Speed());
}

void TmoxStatusPanel::Invalidate() { GetStatusBar().InvalidatePanel(Index()); }

void TmoxStatusPanel::TimerNotification()
{
    if (IsDateTimeKind(panelType_))
        UpdateDateTime();
    else if (IsAnimatedGauge())
        Invalidate(); // paints the next step at once
}

void TmoxStatusPanel::UpdateAutoFitWidth()
{
    TmoxStatusBar& bar = GetStatusBar();
    if (!autoFit_ || !bar.Handle())
        return;
    GetLinkedPanel().Width = statusbar::AutoFitWidth(
        panelType_, text_, borderWidth_, glyphSize_.cx,
        [&bar](std::string_view text) { return static_cast<int>(bar.TextExtent(text).cx); });
    bar.UpdateNativePanels();
}

void TmoxStatusPanel::DrawPanel(ui::Canvas& canvas, const RECT& rect)
{
    TmoxStatusBar& bar = GetStatusBar();
    if (OnDrawPanel && panelType_ == sptOwnerDraw) {
        OnDrawPanel(bar, *this, canvas, rect);
        return;
    }
    Redraw(canvas, bar.GetPanelRect(Index()));
}

void TmoxStatusPanel::Redraw(ui::Canvas& canvas, RECT rect)
{
    const TmoxStatusBar& bar = GetStatusBar();
    if (!bar.Handle() || IsRectEmpty(&rect))
        return;
    InflateRect(&rect, -1, -1);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    ui::BitmapCanvas bitmap(canvas.Handle(), width, height);
    if (!bitmap.Valid())
        return;
    ui::Canvas& target = bitmap.canvas();
    target.SetFontCopy(canvas.Font());
    target.SetBrushColor(ui::ColorToRGB(bar.Color()));
    RECT inner{0, 0, width, height};
    target.FillRect(inner);
    if (borderWidth_ != 0)
        InflateRect(&inner, -borderWidth_, -borderWidth_);
    if (Enabled()) {
        switch (panelType_) {
        case sptOwnerDraw:
            return; // drawn by its handler only; the part keeps what it shows
        case sptGauge:
            if (IsIndeterminate(gauge_.Style()))
                DrawIndeterminateGauge(target, inner);
            else
                DrawGauge(target, inner);
            break;
        case sptCapsLock:
        case sptNumLock:
        case sptScrollLock:
            DrawKeyLock(target, inner);
            break;
        case sptGlyph:
            DrawGlyph(target, inner);
            break;
        default:
            DrawTextBased(target, inner);
            break;
        }
    }
    canvas.Draw(rect.left, rect.top, target, width, height);
}

void TmoxStatusPanel::DrawTextBased(ui::Canvas& canvas, const RECT& rect)
{
    const statusbar::TextLayout layout =
        statusbar::TextBasedLayout(panelType_, Alignment(), autoFit_, ToPanelRect(rect));
    canvas.SetTextColor(ui::ColorToRGB(GetStatusBar().FontColor()));
    canvas.DrawText(text_, ToRect(layout.rect), layout.format);
}

bool TmoxStatusPanel::KeyIsOn() const
{
    if (GetStatusBar().UseMonitorDLL())
        return lockState_;
    return (GetKeyState(static_cast<int>(statusbar::KeyLockVirtualKey(panelType_))) & 1) != 0;
}

void TmoxStatusPanel::DrawKeyLock(ui::Canvas& canvas, const RECT& rect)
{
    const COLORREF savedTextColor = canvas.TextColor();
    canvas.SetTextColor(KeyIsOn() ? ui::ColorToRGB(GetStatusBar().FontColor()) : GetSysColor(COLOR_GRAYTEXT));
    canvas.DrawText(text_, rect, statusbar::KeyLockFormat(Alignment(), autoFit_));
    canvas.SetTextColor(savedTextColor);
}

void TmoxStatusPanel::DrawGlyph(ui::Canvas& canvas, const RECT& rect)
{
    const int textWidth = text_.empty() ? 0 : static_cast<int>(canvas.TextExtent(text_).value_or(SIZE{}).cx) + 2;
    const statusbar::GlyphPlacement placement =
        statusbar::PlaceGlyph(Alignment(), autoFit_, ToPanelRect(rect), glyphSize_.cx, glyphSize_.cy, textWidth);
    if (glyph_) {
        const ui::OwnedMemoryDc source(CreateCompatibleDC(canvas.Handle()));
        if (source) {
            const ui::SelectObjectScope selection(source.Get(), glyph_.Get());
            const COLORREF transparent = GetPixel(source.Get(), 0, glyphSize_.cy - 1);
            TransparentBlt(canvas.Handle(), placement.x, placement.y, glyphSize_.cx, glyphSize_.cy, source.Get(), 0, 0,
                           glyphSize_.cx, glyphSize_.cy, transparent);
        }
    }
    if (!text_.empty()) {
        canvas.SetTextColor(ui::ColorToRGB(GetStatusBar().FontColor()));
        canvas.DrawText(text_, ToRect(placement.textRect), statusbar::kDtPanelBase);
    }
}

void TmoxStatusPanel::DrawGauge(ui::Canvas& canvas, const RECT& rect)
{
    const TmoxStatusBar& bar = GetStatusBar();
    const statusbar::GaugeParts parts = statusbar::PercentGaugeParts(ToPanelRect(rect), gauge_.Position());
    const RECT filled = ToRect(parts.filled), rest = ToRect(parts.rest);
    canvas.SetBrushColor(ui::ColorToRGB(gauge_.Color()));
    canvas.FillRect(filled);
    canvas.SetBrushColor(ui::ColorToRGB(bar.Color()));
    canvas.FillRect(rest);

    // One caption over the whole gauge, drawn twice: clipped to the filled
    // part in the gauge's text colour, then to the rest in the font colour.
    const std::string caption = statusbar::GaugeCaption(text_, gauge_.Position());
    canvas.SetBrushClear();
    const COLORREF savedTextColor = canvas.TextColor();
    const ui::OwnedRegion filledRegion(CreateRectRgnIndirect(&filled));
    const ui::OwnedRegion restRegion(CreateRectRgnIndirect(&rest));
    const ui::Canvas::SavedClip savedClip = canvas.SaveClip();
    const UINT format = statusbar::GaugeCaptionFormat(Alignment());
    const auto drawClipped = [&](const ui::OwnedRegion& region, ui::TColor color) {
        if (!region || !canvas.SelectClip(region.Get()))
            return;
        canvas.SetTextColor(ui::ColorToRGB(color));
        canvas.DrawText(caption, rect, format);
        canvas.RestoreClip(savedClip);
    };
    drawClipped(filledRegion, gauge_.TextColor());
    drawClipped(restRegion, bar.FontColor());
    canvas.SetTextColor(savedTextColor);
}

void TmoxStatusPanel::DrawIndeterminateGauge(ui::Canvas& canvas, const RECT& rect)
{
    if (gauge_.Style() == gsIndeterminate) {
        const COLORREF color = ui::ColorToRGB(gauge_.Color());
        canvas.SetBrushColor(color);
        canvas.SetPenColor(color);
        canvas.Ellipse(ToRect(statusbar::BallStep(motion_, ToPanelRect(rect), gauge_.Speed())));
        return;
    }
    ui::BitmapCanvas& ramp = GetGaugeBitmap();
    const statusbar::RampPlacement placement =
        statusbar::RampStep(motion_, ToPanelRect(rect), ramp.Width(), ramp.Height(), gauge_.Speed());
    if (!ramp.Valid() || placement.dest.Width() <= 0 || placement.source.Width() <= 0)
        return;
    PanelRect source = placement.source;
    if (placement.mirrored)
        source = {source.right - 1, source.bottom - 1, source.left - 1, source.top - 1};
    canvas.CopyRect(ToRect(placement.dest), ramp.canvas(), ToRect(source));
}

std::unique_ptr<ui::BitmapCanvas> TmoxStatusPanel::InitGaugeBitmap() const
{
    const TmoxStatusBar& bar = GetStatusBar();
    const COLORREF start = ui::ColorToRGB(bar.Color()), end = ui::ColorToRGB(gauge_.Color());
    RECT barRect{};
    if (bar.Handle())
        GetWindowRect(bar.Handle(), &barRect);
    const int height = barRect.bottom - barRect.top;
    auto bitmap = std::make_unique<ui::BitmapCanvas>(nullptr, statusbar::kRampWidth, height);
    if (bitmap->Valid()) {
        for (int column = 0; column < statusbar::kRampWidth; ++column) {
            bitmap->canvas().SetBrushColor(statusbar::RampColumnColor(start, end, column));
            bitmap->canvas().FillRect(RECT{column, 0, column + 1, height});
        }
    }
    return bitmap;
}

ui::BitmapCanvas& TmoxStatusPanel::GetGaugeBitmap()
{
    if (!gaugeBitmap_)
        gaugeBitmap_ = InitGaugeBitmap();
    return *gaugeBitmap_;
}

// ---- TmoxStatusPanels -------------------------------------------------------

TmoxStatusPanels::~TmoxStatusPanels() { Clear(); }

TmoxStatusPanel& TmoxStatusPanels::Add()
{
    bar_.nativePanels_.push_back(std::make_unique<TStatusPanel>());
    items_.push_back(std::make_unique<TmoxStatusPanel>(TmoxStatusPanel::Key{}, *this));
    bar_.UpdateNativePanels();
    Changed();
    return *items_.back();
}

TmoxStatusPanel& TmoxStatusPanels::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(index);
    return *items_[static_cast<std::size_t>(index)];
}

void TmoxStatusPanels::SetItems(int index, const TmoxStatusPanel& value)
{
    TmoxStatusPanel& item = Items(index);
    item.Assign(value);
    item.GetLinkedPanel() = value.GetLinkedPanel();
    bar_.UpdateNativePanels();
}

void TmoxStatusPanels::Delete(int index)
{
    Items(index); // checks the index
    const auto at = static_cast<std::ptrdiff_t>(index);
    items_.erase(items_.begin() + at); // the panel undoes its registrations
    bar_.nativePanels_.erase(bar_.nativePanels_.begin() + at);
    bar_.UpdateNativePanels();
    Changed();
}

void TmoxStatusPanels::Clear()
{
    if (items_.empty())
        return;
    BeginUpdate();
    while (!items_.empty())
        Delete(Count() - 1);
    EndUpdate();
}

void TmoxStatusPanels::Assign(const TmoxStatusPanels& source)
{
    if (&source == this)
        return;
    BeginUpdate();
    Clear();
    for (const auto& panel : source.items_)
        Add().Assign(*panel);
    EndUpdate();
}

void TmoxStatusPanels::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        Changed();
}

void TmoxStatusPanels::Changed()
{
    if (updateCount_ == 0)
        Update(nullptr);
}

void TmoxStatusPanels::Update(TmoxStatusPanel* item)
{
    if (item)
        item->Invalidate();
    else if (bar_.Handle())
        InvalidateRect(bar_.Handle(), nullptr, TRUE);
}

int TmoxStatusPanels::IndexOf(const TmoxStatusPanel& panel) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == &panel)
            return static_cast<int>(i);
    return -1;
}

void TmoxStatusPanels::Move(int from, int to)
{
    const auto moveItem = [from, to](auto& list) {
        auto item = std::move(list[static_cast<std::size_t>(from)]);
        list.erase(list.begin() + from);
        list.insert(list.begin() + to, std::move(item));
    };
    moveItem(bar_.nativePanels_); // the native part moves first
    moveItem(items_);
    bar_.UpdateNativePanels();
    Changed();
}

void TmoxStatusPanels::RegisterTimer(TmoxStatusPanel& panel)
{
    schedule_.Register(panel, Today());
    SyncTimer();
}

void TmoxStatusPanels::DeregisterTimer(TmoxStatusPanel& panel)
{
    schedule_.Deregister(panel);
    SyncTimer();
}

void TmoxStatusPanels::SyncTimer()
{
    if (!schedule_.Active()) {
        timer_.reset();
        return;
    }
    if (!timer_)
        timer_ = std::make_unique<ui::Timer>([this] { schedule_.Tick(Today()); });
    timer_->SetInterval(schedule_.Interval());
    timer_->SetEnabled(true);
}

// ---- TmoxStatusBar ----------------------------------------------------------

TmoxStatusBar::TmoxStatusBar()
    : measureDc_(CreateCompatibleDC(nullptr)), font_(ui::CopyFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))))
{
}

TmoxStatusBar::~TmoxStatusBar()
{
    // The panels go while the window, the parts and the fonts still exist.
    panels_.Clear();
    if (!mainWinHookPanels_.empty()) {
        mainWinHookPanels_.clear();
        ReportAssertion("Unbalanced MainWinHook registrations");
    }
    SyncMainWinHook();
}

bool TmoxStatusBar::Create(HWND parent, int id)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!CreateControl(STATUSCLASSNAMEA, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, "", 0, 0, 0, 0, parent, id))
        return false;
    SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    SendMessageA(Handle(), SB_SETBKCOLOR, 0, static_cast<LPARAM>(ui::ColorToRGB(color_)));
    EnableWindow(Handle(), enabled_);
    UpdateNativePanels();
    UpdateExtentFont();
    UpdateAutoFitWidths();
    if (systemHookCount_ > 0)
        monitorMessage_ = DLLRegisterKeyboardHook(Handle());
    SyncMainWinHook();
    toolTip_.Reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                   GetModuleHandleA(nullptr), nullptr));
    return true;
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

void TmoxStatusBar::InvalidatePanel(int index)
{
    TmoxStatusPanel& panel = panels_.Items(index);
    const RECT rect = GetPanelRect(index);
    if (IsRectEmpty(&rect))
        return;
    ui::WindowDc dc(Handle());
    ui::Canvas canvas(dc.Get());
    ui::SelectObjectScope font(dc.Get(), measureFont_ ? measureFont_.Get() : font_.Get());
    panel.Redraw(canvas, rect);
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
    if (useMonitorDLL_ && !MoxKbDLL_Loaded() && (systemHookCount_ > 0 || !CanLoadMoxKbDLL()))
        SetUseMonitorDLL(false);
}

void TmoxStatusBar::UpdateKeyboardHooks()
{
    for (int i = 0; i < panels_.Count(); ++i)
        panels_.Items(i).UpdateKeyboardHook();
}

void TmoxStatusBar::RegisterSystemHook()
{
    if (++systemHookCount_ != 1)
        return;
    if (!MoxKbDLL_Loaded())
        InitMoxKbDLL();
    if (Handle() && MoxKbDLL_Loaded())
        monitorMessage_ = DLLRegisterKeyboardHook(Handle());
}

void TmoxStatusBar::DeregisterSystemHook()
{
    if (--systemHookCount_ >= 1)
        return;
    if (MoxKbDLL_Loaded() && Handle())
        DLLDeregisterKeyboardHook(Handle());
    systemHookCount_ = 0;
    monitorMessage_ = 0;
    if (MoxKbDLL_Loaded())
        UnloadMoxKbDLL();
}

void TmoxStatusBar::RegisterMainWinHook(TmoxStatusPanel& panel)
{
    mainWinHookPanels_.push_back(&panel);
    SyncMainWinHook();
}

void TmoxStatusBar::DeregisterMainWinHook(TmoxStatusPanel& panel)
{
    auto found = std::find(mainWinHookPanels_.begin(), mainWinHookPanels_.end(), &panel);
    if (found == mainWinHookPanels_.end())
        throw EAssertionFailed("Unbalanced MainWinHook registrations");
    mainWinHookPanels_.erase(found);
    SyncMainWinHook();
}

void TmoxStatusBar::SyncMainWinHook()
{
    const bool wanted = !mainWinHookPanels_.empty() && Handle();
    if (wanted && !hookedMainWindow_) {
        HWND mainWindow = GetAncestor(Handle(), GA_ROOT);
        if (SetWindowSubclass(mainWindow, MainWinProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)))
            hookedMainWindow_ = mainWindow;
    } else if (!wanted && hookedMainWindow_) {
        RemoveWindowSubclass(hookedMainWindow_, MainWinProc, reinterpret_cast<UINT_PTR>(this));
        hookedMainWindow_ = nullptr;
    }
}

LRESULT CALLBACK TmoxStatusBar::MainWinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR bar)
{
    reinterpret_cast<TmoxStatusBar*>(bar)->AppWinHook(message, wParam);
    return DefSubclassProc(window, message, wParam, lParam);
}

bool TmoxStatusBar::AppWinHook(UINT message, WPARAM wParam)
{
    // Lock keys pressed in another application show when the user comes back.
    if (message == WM_ACTIVATEAPP && !useMonitorDLL_) {
        if (wParam == 0)
            keyLocks.refreshAll = true;
        PostMessageA(Handle(), WM_REFRESHLOCKINDICATORS, 0, 0);
    }
    return false;
}

void TmoxStatusBar::WMRefreshLockIndicators()
{
    panels_.BeginUpdate();
    for (int i = 0; i < panels_.Count(); ++i)
        if (IsKeyLockKind(panels_.Items(i).PanelType()))
            InvalidatePanel(i);
    panels_.EndUpdate();
}

void TmoxStatusBar::MonitorReport(WPARAM wParam, LPARAM lParam)
{
    const TmoxStatusPanelType kind = statusbar::KeyLockKindOfReport(wParam);
    for (int i = 0; i < panels_.Count(); ++i) {
        TmoxStatusPanel& panel = panels_.Items(i);
        if (panel.PanelType() == kind) {
            panel.lockState_ = (lParam & 1) != 0;
            panel.Invalidate();
        }
    }
}

void TmoxStatusBar::WMDestroy()
{
    // The library must not report to a window that is gone.
    if (useMonitorDLL_ && systemHookCount_ > 0 && MoxKbDLL_Loaded())
        DLLDeregisterKeyboardHook(Handle());
    if (hookedMainWindow_) {
        RemoveWindowSubclass(hookedMainWindow_, MainWinProc, reinterpret_cast<UINT_PTR>(this));
        hookedMainWindow_ = nullptr;
    }
    toolTip_.Reset();
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

LRESULT TmoxStatusBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (monitorMessage_ != 0 && message == monitorMessage_) {
        MonitorReport(wParam, lParam);
        return 0;
    }
    switch (message) {
    case WM_REFRESHLOCKINDICATORS:
        WMRefreshLockIndicators();
        return 0;
    case WM_DESTROY:
        WMDestroy();
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (toolTip_)
            RelayToToolTip(message, wParam, lParam);
        break;
    case WM_NOTIFYFORMAT: // the tool tip asks: its hints come as ANSI text
        if (toolTip_ && reinterpret_cast<HWND>(wParam) == toolTip_.Get())
            return NFR_ANSI;
        break;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (toolTip_ && header.hwndFrom == toolTip_.Get() && header.code == TTN_GETDISPINFOA) {
            POINT point{};
            GetCursorPos(&point);
            ScreenToClient(Handle(), &point);
            toolTipText_ = CMHintShow(point).text;
            reinterpret_cast<NMTTDISPINFOA*>(lParam)->lpszText = toolTipText_.data();
            return 0;
        }
        break;
    }
    case ui::kReflectBase + WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == NM_CLICK) {
            Click();
            return 0;
        }
        break;
    default:
        break;
    }
    if (message == ui::kReflectBase + WM_DRAWITEM) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.itemID >= nativePanels_.size())
            throw EAssertionFailed("Panel links corrupted");
        ui::Canvas canvas(item.hDC);
        DrawPanel(*nativePanels_[item.itemID], canvas, item.rcItem);
        return TRUE;
    }
    return Default(message, wParam, lParam);
}

void TmoxStatusBar::DrawPanel(const TStatusPanel& native, ui::Canvas& canvas, const RECT& rect)
{
    TmoxStatusPanel* panel = FindLinkedPanel(native);
    if (!panel)
        throw EAssertionFailed("Panel links corrupted");
    ui::SelectObjectScope font(canvas.Handle(), measureFont_ ? measureFont_.Get() : font_.Get());
    if (OnDrawPanel)
        OnDrawPanel(*this, *panel, canvas, rect);
    panel->DrawPanel(canvas, rect);
}

} // namespace kelvo
