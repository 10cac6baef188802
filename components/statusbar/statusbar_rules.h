// The window-free rules of the status bar: panel kinds and gauge styles, the
// shared panel timer's interval and notification rules, automatic widths,
// gauge geometry and animation, the text formats the panels draw with, date
// and time texts, key-lock indicators, glyph placement and panel hints.
// The Win32 status bar (moxstatusbar.h) paints what these rules decide.
#pragma once

#include "components/component_error.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

// Panel kinds, in their stored order.
enum TmoxStatusPanelType : std::uint8_t {
    sptNormal,
    sptCapsLock,
    sptNumLock,
    sptScrollLock,
    sptDate,
    sptTime,
    sptDateTime,
    sptTimeDate,
    sptEllipsisText,
    sptEllipsisPath,
    sptGlyph,
    sptGauge,
    sptOwnerDraw,
};

enum TmoxGaugeStyle : std::uint8_t { gsPercent, gsIndeterminate, gsIndeterminate2 };

// The styles in the set IndeterminateGuages: the animated gauges.
constexpr bool IsIndeterminate(TmoxGaugeStyle style)
{
    return style == gsIndeterminate || style == gsIndeterminate2;
}

// Milliseconds between two animation steps of an indeterminate gauge.
inline constexpr unsigned INDETERMINATE_GAUGE_UPDATE_INTERVAL = 50;

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TStatusPanelBevel : std::uint8_t { pbNone, pbLowered, pbRaised };

constexpr bool IsDateTimeKind(TmoxStatusPanelType kind) { return kind >= sptDate && kind <= sptTimeDate; }
constexpr bool IsTimeKind(TmoxStatusPanelType kind) { return kind >= sptTime && kind <= sptTimeDate; }
constexpr bool IsKeyLockKind(TmoxStatusPanelType kind) { return kind >= sptCapsLock && kind <= sptScrollLock; }
constexpr bool IsEllipsisKind(TmoxStatusPanelType kind) { return kind == sptEllipsisText || kind == sptEllipsisPath; }

// A list index outside the list: "List index out of bounds (5)".
class EListError : public ComponentError {
public:
    explicit EListError(int index);
};

// A broken internal invariant of the status bar, with its fixed message.
class EAssertionFailed : public ComponentError {
public:
    using ComponentError::ComponentError;
};

namespace statusbar {

struct PanelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PanelRect&) const = default;
};

// ---- the shared panel timer -------------------------------------------

// A panel as the timer sees it.
class TimerClient {
public:
    virtual TmoxStatusPanelType TimerPanelType() const = 0;
    virtual bool TimerIndeterminateGauge() const = 0; // a gauge panel with an animated style
    virtual void TimerNotification() = 0;

protected:
    ~TimerClient() = default;
};

// Registrations with all panel timers of the process; each registration
// counts one up, each deregistration one down.
int TimerRegistrationCount();

// Which panels one bar's timer serves and how often it must tick. The timer
// exists (Active) exactly while a panel is registered.
class PanelTimerSchedule {
public:
    PanelTimerSchedule() = default;
    PanelTimerSchedule(const PanelTimerSchedule&) = delete;
    PanelTimerSchedule& operator=(const PanelTimerSchedule&) = delete;

    // today: the local date as a day number, noted when the timer starts.
    void Register(TimerClient& panel, int today);
    void Deregister(TimerClient& panel);
    bool IsRegistered(const TimerClient& panel) const;

    bool Active() const { return active_; }
    unsigned Interval() const { return interval_; }
    std::size_t Count() const { return panels_.size(); }

    // One timer tick: time panels and animated gauges are notified on every
    // tick, date panels only on the first tick of a new day.
    void Tick(int today);

private:
    std::vector<TimerClient*> panels_;
    bool active_ = false;
    unsigned interval_ = 1000;
    int lastDate_ = 0;
};

// What an enabled panel of a kind is registered with while it is enabled:
// date, time and animated gauge panels with the panel timer, key-lock
// panels with a keyboard watcher.
enum class PanelRegistration : std::uint8_t { None, Timer, KeyboardHook };
PanelRegistration RegistrationOf(TmoxStatusPanelType kind, TmoxGaugeStyle gaugeStyle);

// ---- date and time panels --------------------------------------------------

enum class DateTimePart : std::uint8_t { Date, Time };
// Formats the current date or time; an empty format stands for the user's
// short date or long time format.
using DateTimeFormatter = std::function<std::string(DateTimePart part, std::string_view format)>;

// The text of a date or time panel: the date, the time, or both joined by a
// blank in the kind's order. Empty for other kinds.
std::string DateTimeText(TmoxStatusPanelType kind, std::string_view dateFormat, std::string_view timeFormat,
                         const DateTimeFormatter& format);

// ---- key-lock panels -----------------------------------------------------------

inline constexpr unsigned kVkCapsLock = 0x14;
inline constexpr unsigned kVkNumLock = 0x90;
inline constexpr unsigned kVkScrollLock = 0x91;

// The key whose toggle state a key-lock panel shows; 0 for other kinds.
unsigned KeyLockVirtualKey(TmoxStatusPanelType kind);
// The caption a panel takes when it becomes a key-lock kind: " CAPS ", " NUM ", " SCROLL ".
std::string_view KeyLockCaption(TmoxStatusPanelType kind);
// The kind a keyboard monitor's report is about, from the low byte of its
// first parameter: num lock, scroll lock, anything else caps lock.
TmoxStatusPanelType KeyLockKindOfReport(std::uintptr_t firstParameter);
// The key-lock kind of a keyboard event (key code and key data as a
// keyboard hook gets them) when it is the first press of a lock key, not a
// release and not an auto-repeat; sptNormal otherwise.
TmoxStatusPanelType KeyLockKindOfPress(std::uintptr_t virtualKey, std::uintptr_t keyData);
// The text format of a key-lock caption.
unsigned KeyLockFormat(TAlignment alignment, bool autoFit);

// ---- widths ----------------------------------------------------------------

// Width of a panel's text in the bar's font; -1 when measuring fails.
using TextMeasure = std::function<int(std::string_view text)>;

// The automatic width of a panel of this kind.
int AutoFitWidth(TmoxStatusPanelType kind, std::string_view text, int borderWidth, int glyphWidth,
                 const TextMeasure& measure);

// ---- text formats ----------------------------------------------------------

// The text-drawing flags the panels use (same values as the platform's DT_*).
inline constexpr unsigned kDtCenter = 0x0001;
inline constexpr unsigned kDtRight = 0x0002;
inline constexpr unsigned kDtVCenter = 0x0004;
inline constexpr unsigned kDtSingleLine = 0x0020;
inline constexpr unsigned kDtNoPrefix = 0x0800;
inline constexpr unsigned kDtPathEllipsis = 0x4000;
inline constexpr unsigned kDtEndEllipsis = 0x8000;
inline constexpr unsigned kDtPanelBase = kDtSingleLine | kDtVCenter | kDtNoPrefix; // 0x824

struct TextLayout {
    unsigned format = kDtPanelBase;
    PanelRect rect;
};

// How a text-based panel places its text in rect.
TextLayout TextBasedLayout(TmoxStatusPanelType kind, TAlignment alignment, bool autoFit, PanelRect rect);
// The text format of the gauge caption.
unsigned GaugeCaptionFormat(TAlignment alignment);

// ---- glyph panels ---------------------------------------------------------------

struct GlyphPlacement {
    int x = 0, y = 0;   // the glyph's top-left corner
    PanelRect textRect; // where the text goes, drawn left-aligned
};
// Places a glyph (and the text beside it) in rect; textWidth is the text's
// width + 2, or 0 without text.
GlyphPlacement PlaceGlyph(TAlignment alignment, bool autoFit, PanelRect rect, int glyphWidth, int glyphHeight,
                          int textWidth);

// ---- hints -----------------------------------------------------------------------

// On ellipsis panels this hint stands for the panel's full text.
inline constexpr std::string_view kFullTextHint = "...";

// A panel's hint before its OnHintText handler sees it.
std::string PanelHint(TmoxStatusPanelType kind, std::string_view hint, std::string_view text);

struct HintPanel {
    PanelRect rect;
    bool hasHint;
};
struct HintChoice {
    int panel = -1;        // the panel whose hint shows; -1: the bar's own hint
    PanelRect cursorRect;  // while the mouse stays inside, the hint stays
};
// Whose hint shows at (x, y) over panels in index order. The bar's own hint
// keeps barRect's top and bottom, but its sides are narrowed to the nearest
// panels with hints of their own, so moving onto one renews the hint.
HintChoice ChooseHint(const std::vector<HintPanel>& panels, int x, int y, PanelRect barRect);

// ---- the percentage gauge ---------------------------------------------------

// a * b / c rounded to the nearest integer, halves away from zero; -1 for c == 0.
int MulDiv(int a, int b, int c);

struct GaugeParts {
    PanelRect filled; // drawn in the gauge colour
    PanelRect rest;   // drawn in the bar's colour
};
GaugeParts PercentGaugeParts(PanelRect rect, int position);

// The panel's text, or the position followed by "%" when the text is empty.
std::string GaugeCaption(std::string_view text, int position);

// ---- the animated gauges ------------------------------------------------------

// Where an animated gauge is: its horizontal offset in the panel and the
// step added on each tick (the sign is the direction, positive = right).
struct GaugeMotion {
    int offset = 0;
    int step = 1;
    // Starts again at the left edge, moving right.
    void Restart(int speed)
    {
        offset = 0;
        step = speed;
    }
};

// Speed is only taken when it differs and the current speed is positive;
// values of 0 or below are refused, since the step's sign carries the direction.
int TakeSpeed(int current, int requested);
// After every Speed assignment the step keeps its direction at the new speed.
int StepForSpeed(int step, int speed);

// One tick of the bouncing ball: advances the motion, turns it at the
// edges, and gives the rectangle of the ball in rect.
PanelRect BallStep(GaugeMotion& motion, PanelRect rect, int speed);

// One tick of the sliding colour ramp (a bitmap rampWidth wide, rampHeight high).
struct RampPlacement {
    PanelRect dest;
    PanelRect source; // in the ramp bitmap
    bool mirrored;    // the source is drawn flipped, so the gauge-coloured end leads
};
RampPlacement RampStep(GaugeMotion& motion, PanelRect rect, int rampWidth, int rampHeight, int speed);

inline constexpr int kRampWidth = 100;

// Colour of ramp column i (0..kRampWidth-1) between start and end, as 0x00BBGGRR.
std::uint32_t RampColumnColor(std::uint32_t start, std::uint32_t end, int column);

} // namespace statusbar
} // namespace kelvo
