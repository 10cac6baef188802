#include "components/statusbar/statusbar_rules.h"

#include <algorithm>
#include <cstdlib>

namespace kelvo {

EListError::EListError(int index)
    : ComponentError("List index out of bounds (" + std::to_string(index) + ")")
{
}

namespace statusbar {

namespace {

int registrationCount = 0;

} // namespace

int TimerRegistrationCount() { return registrationCount; }

void PanelTimerSchedule::Register(TimerClient& panel, int today)
{
    if (!active_) {
        active_ = true;
        interval_ = 1000;
        lastDate_ = today;
    }
    if (IsRegistered(panel))
        return;
    panels_.push_back(&panel);
    ++registrationCount;
    const bool only = panels_.size() == 1;
    const TmoxStatusPanelType kind = panel.TimerPanelType();
    if (kind == sptDate) {
        if (only)
            interval_ = 60000;
    } else if (IsTimeKind(kind)) {
        if (only || interval_ > 1000)
            interval_ = 1000;
    } else if (panel.TimerIndeterminateGauge()) {
        interval_ = INDETERMINATE_GAUGE_UPDATE_INTERVAL;
    }
}

void PanelTimerSchedule::Deregister(TimerClient& panel)
{
    auto found = std::find(panels_.begin(), panels_.end(), &panel);
    if (found != panels_.end()) {
        panels_.erase(found);
        --registrationCount;
    }
    if (panels_.empty()) {
        active_ = false;
        return;
    }
    unsigned interval = 60000;
    for (TimerClient* each : panels_) {
        if (IsTimeKind(each->TimerPanelType())) {
            interval = 1000;
        } else if (each->TimerIndeterminateGauge()) {
            interval = INDETERMINATE_GAUGE_UPDATE_INTERVAL;
            break;
        }
    }
    interval_ = interval;
}

bool PanelTimerSchedule::IsRegistered(const TimerClient& panel) const
{
    return std::find(panels_.begin(), panels_.end(), &panel) != panels_.end();
}

void PanelTimerSchedule::Tick(int today)
{
    const bool dateChanged = today != lastDate_;
    lastDate_ = today;
    // By index: a notification may register or deregister panels.
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        TimerClient& panel = *panels_[i];
        const TmoxStatusPanelType kind = panel.TimerPanelType();
        if (IsTimeKind(kind) || (kind == sptDate && dateChanged) || panel.TimerIndeterminateGauge())
            panel.TimerNotification();
    }
}

PanelRegistration RegistrationOf(TmoxStatusPanelType kind, TmoxGaugeStyle gaugeStyle)
{
    if (IsDateTimeKind(kind) || (kind == sptGauge && IsIndeterminate(gaugeStyle)))
        return PanelRegistration::Timer;
    if (IsKeyLockKind(kind))
        return PanelRegistration::KeyboardHook;
    return PanelRegistration::None;
}

std::string DateTimeText(TmoxStatusPanelType kind, std::string_view dateFormat, std::string_view timeFormat,
                         const DateTimeFormatter& format)
{
    switch (kind) {
    case sptDate:
        return format(DateTimePart::Date, dateFormat);
    case sptTime:
        return format(DateTimePart::Time, timeFormat);
    case sptDateTime:
        return format(DateTimePart::Date, dateFormat) + " " + format(DateTimePart::Time, timeFormat);
    case sptTimeDate:
        return format(DateTimePart::Time, timeFormat) + " " + format(DateTimePart::Date, dateFormat);
    default:
        return {};
    }
}

unsigned KeyLockVirtualKey(TmoxStatusPanelType kind)
{
    switch (kind) {
    case sptCapsLock:
        return kVkCapsLock;
    case sptNumLock:
        return kVkNumLock;
    case sptScrollLock:
        return kVkScrollLock;
    default:
        return 0;
    }
}

std::string_view KeyLockCaption(TmoxStatusPanelType kind)
{
    switch (kind) {
    case sptCapsLock:
        return " CAPS ";
    case sptNumLock:
        return " NUM ";
    case sptScrollLock:
        return " SCROLL ";
    default:
        return {};
    }
}

TmoxStatusPanelType KeyLockKindOfReport(std::uintptr_t firstParameter)
{
    switch (firstParameter & 0xFF) {
    case kVkNumLock:
        return sptNumLock;
    case kVkScrollLock:
        return sptScrollLock;
    default:
        return sptCapsLock;
    }
}

TmoxStatusPanelType KeyLockKindOfPress(std::uintptr_t virtualKey, std::uintptr_t keyData)
{
    constexpr std::uintptr_t kWasDown = 1u << 30, kGoingUp = 1u << 31;
    if (keyData & (kWasDown | kGoingUp))
        return sptNormal;
    for (TmoxStatusPanelType kind : {sptCapsLock, sptNumLock, sptScrollLock})
        if (virtualKey == KeyLockVirtualKey(kind))
            return kind;
    return sptNormal;
}

unsigned KeyLockFormat(TAlignment alignment, bool autoFit)
{
    if (autoFit || alignment == taCenter)
        return kDtPanelBase | kDtCenter;
    return alignment == taRightJustify ? kDtPanelBase | kDtRight : kDtPanelBase;
}

int AutoFitWidth(TmoxStatusPanelType kind, std::string_view text, int borderWidth, int glyphWidth,
                 const TextMeasure& measure)
{
    if (kind != sptGlyph)
        return measure(text) + 6 + borderWidth;
    if (!text.empty())
        return measure(text) + 2 + 2 * borderWidth + glyphWidth + 4;
    return glyphWidth + borderWidth + 4;
}

TextLayout TextBasedLayout(TmoxStatusPanelType kind, TAlignment alignment, bool autoFit, PanelRect rect)
{
    TextLayout layout{kDtPanelBase, rect};
    if (autoFit) {
        layout.format |= kDtCenter;
    } else if (alignment == taRightJustify) {
        layout.format |= kDtRight;
        layout.rect.right -= 1;
    } else if (alignment == taCenter) {
        layout.format |= kDtCenter;
    }
    if (kind == sptEllipsisText)
        layout.format |= kDtEndEllipsis;
    else if (kind == sptEllipsisPath)
        layout.format |= kDtPathEllipsis;
    return layout;
}

unsigned GaugeCaptionFormat(TAlignment alignment)
{
    if (alignment == taRightJustify)
        return kDtPanelBase | kDtRight;
    if (alignment == taCenter)
        return kDtPanelBase | kDtCenter;
    return kDtPanelBase;
}

GlyphPlacement PlaceGlyph(TAlignment alignment, bool autoFit, PanelRect rect, int glyphWidth, int glyphHeight,
                          int textWidth)
{
    GlyphPlacement placement;
    if (alignment == taCenter || autoFit)
        placement.x = rect.left + (rect.Width() - glyphWidth - textWidth) / 2;
    else if (alignment == taRightJustify)
        placement.x = rect.right - glyphWidth;
    else
        placement.x = rect.left;
    placement.y = rect.top + (rect.Height() - glyphHeight) / 2;
    placement.textRect = rect;
    placement.textRect.left =
        alignment == taRightJustify ? placement.x - textWidth - 2 : placement.x + glyphWidth + 2;
    return placement;
}

std::string PanelHint(TmoxStatusPanelType kind, std::string_view hint, std::string_view text)
{
    return std::string(IsEllipsisKind(kind) && hint == kFullTextHint ? text : hint);
}

namespace {

bool Contains(const PanelRect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// The last panel (by index) whose left edge lies left of x, or -1.
int LastLeftOf(const std::vector<HintPanel>& panels, int x)
{
    int found = -1;
    for (std::size_t i = 0; i < panels.size(); ++i)
        if (panels[i].rect.left < x)
            found = static_cast<int>(i);
    return found;
}

// The first panel (by index) whose right edge lies right of x, or -1.
int FirstRightOf(const std::vector<HintPanel>& panels, int x)
{
    for (std::size_t i = 0; i < panels.size(); ++i)
        if (panels[i].rect.right > x)
            return static_cast<int>(i);
    return -1;
}

} // namespace

HintChoice ChooseHint(const std::vector<HintPanel>& panels, int x, int y, PanelRect barRect)
{
    for (std::size_t i = 0; i < panels.size(); ++i) {
        if (!Contains(panels[i].rect, x, y))
            continue;
        if (panels[i].hasHint)
            return {static_cast<int>(i), panels[i].rect};
        break;
    }
    HintChoice choice{-1, barRect};
    // Each walk moves strictly outward, so it ends.
    for (int i = LastLeftOf(panels, x); i >= 0; i = LastLeftOf(panels, panels[i].rect.left)) {
        if (panels[i].hasHint) {
            choice.cursorRect.left = panels[i].rect.right;
            break;
        }
    }
    for (int i = FirstRightOf(panels, x); i >= 0; i = FirstRightOf(panels, panels[i].rect.right)) {
        if (panels[i].hasHint) {
            choice.cursorRect.right = panels[i].rect.left;
            break;
        }
    }
    return choice;
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long magnitude = (std::llabs(product) + std::llabs(c) / 2) / std::llabs(c);
    return static_cast<int>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

GaugeParts PercentGaugeParts(PanelRect rect, int position)
{
    GaugeParts parts{rect, rect};
    parts.filled.right = rect.left + MulDiv(rect.Width(), position, 100);
    parts.rest.left = parts.filled.right;
    return parts;
}

std::string GaugeCaption(std::string_view text, int position)
{
    if (!text.empty())
        return std::string(text);
    return std::to_string(position) + "%";
}

int TakeSpeed(int current, int requested)
{
    return requested != current && current > 0 && requested > 0 ? requested : current;
}

int StepForSpeed(int step, int speed) { return step >= 0 ? speed : -speed; }

PanelRect BallStep(GaugeMotion& motion, PanelRect rect, int speed)
{
    motion.offset += motion.step;
    const int shrink = rect.Height() / 3;
    rect.top += shrink;
    rect.bottom -= shrink;
    const int size = rect.Height();
    if (motion.step > 0 && motion.offset + size + 1 >= rect.Width())
        motion.step = -speed;
    else if (motion.step < 0 && motion.offset < 2)
        motion.step = speed;
    PanelRect ball = rect;
    ball.left = rect.left + motion.offset;
    ball.right = ball.left + size;
    return {ball.left - 1, ball.top - 1, ball.right + 1, ball.bottom + 1};
}

RampPlacement RampStep(GaugeMotion& motion, PanelRect rect, int rampWidth, int rampHeight, int speed)
{
    motion.offset += motion.step;
    if (motion.step > 0 && motion.offset + 1 >= rect.Width())
        motion.step = -speed;
    else if (motion.step < 0 && motion.offset <= -rampWidth)
        motion.step = speed;
    RampPlacement placement{rect, {0, 0, rampWidth, rampHeight}, motion.step <= 0};
    placement.dest.left += motion.offset;
    const int destWidth = placement.dest.Width();
    if (rampWidth < destWidth) {
        placement.dest.right = placement.dest.left + rampWidth;
    } else if (rampWidth > destWidth) {
        if (motion.step > 0)
            placement.source.right = destWidth;
        else
            placement.source.left = placement.source.right - destWidth;
    }
    return placement;
}

std::uint32_t RampColumnColor(std::uint32_t start, std::uint32_t end, int column)
{
    const double f = column / static_cast<double>(kRampWidth - 1);
    std::uint32_t color = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int from = static_cast<int>((start >> shift) & 0xFF);
        const int to = static_cast<int>((end >> shift) & 0xFF);
        const int value = static_cast<int>(from + (to - from) * f); // truncates toward zero
        color |= static_cast<std::uint32_t>(value) << shift;
    }
    return color;
}

} // namespace statusbar
} // namespace kelvo
