#include "components/statusbar/moxstatusbar.h"

#include <algorithm>
#include <utility>

namespace kelvo {

namespace {

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
        GetStatusBar().keyLocks_.Add(*this, registeredMonitored_);
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
        GetStatusBar().keyLocks_.Remove(*this, registeredMonitored_);
        break;
    case statusbar::PanelRegistration::None:
        break;
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
        panelType_, text_, dpi::Scale(borderWidth_, bar.LayoutDpi()), glyphSize_.cx,
        [&bar](std::string_view text) { return static_cast<int>(bar.TextExtent(text).cx); });
    bar.UpdateNativePanels();
}

// ---- TmoxStatusPanels -------------------------------------------------------

TmoxStatusPanels::~TmoxStatusPanels() { Clear(); }

TmoxStatusPanel& TmoxStatusPanels::Add()
{
    bar_.nativePanels_.push_back(std::make_unique<TStatusPanel>());
    TStatusPanel& native = *bar_.nativePanels_.back();
    native.Width = dpi::Scale(native.Width, bar_.LayoutDpi()); // the default width is for 96 DPI
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

} // namespace kelvo
