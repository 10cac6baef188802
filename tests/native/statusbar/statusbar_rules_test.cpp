#include "components/statusbar/statusbar_rules.h"
#include "tests/test_support.h"

#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace kelvo;
using namespace kelvo::statusbar;

namespace {

struct FakePanel : TimerClient {
    FakePanel(TmoxStatusPanelType kind, bool animated = false) : kind(kind), animated(animated) {}
    TmoxStatusPanelType TimerPanelType() const override { return kind; }
    bool TimerIndeterminateGauge() const override { return animated; }
    void TimerNotification() override { ++notified && leaveFrom ? leaveFrom->Deregister(*this) : void(); }
    TmoxStatusPanelType kind;
    bool animated;
    int notified = 0;
    PanelTimerSchedule* leaveFrom = nullptr; // left during its own notification
};

constexpr int kToday = 45000;

} // namespace

TEST(PanelTimer, IntervalCountAndTicksFollowThePanelsThatComeAndGo)
{
    const int before = TimerRegistrationCount();
    PanelTimerSchedule timer;
    FakePanel date(sptDate), date2(sptDate), time(sptTime), gauge(sptGauge, true), clock(sptDateTime),
        stranger(sptTime);
    // (De)register, panel, interval, count: no double count, never slower, a rescan stops at the first animated gauge.
    const std::tuple<bool, FakePanel*, unsigned, std::size_t> steps[] = {
        {true, &date, 60000, 1},   {true, &date, 60000, 1},  {true, &time, 1000, 2},    {true, &gauge, 50, 3},
        {true, &clock, 50, 4},     {true, &date2, 50, 5},    {false, &stranger, 50, 5}, {false, &date2, 50, 4},
        {false, &gauge, 1000, 3},  {false, &time, 1000, 2},  {false, &clock, 60000, 1},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        const auto& [add, panel, interval, count] = steps[i];
        add ? timer.Register(*panel, kToday) : timer.Deregister(*panel);
        EXPECT_EQ(std::tuple(timer.Active(), timer.Interval(), timer.Count(), TimerRegistrationCount() - before),
                  std::tuple(true, interval, count, static_cast<int>(count)));
    }
    // Ticks reach date panels only on a new day; a panel may leave during its own notification.
    FakePanel leaving(sptTime);
    leaving.leaveFrom = &timer;
    for (FakePanel* panel : {&time, &gauge, &leaving})
        timer.Register(*panel, kToday);
    for (int day : {kToday, kToday, kToday + 1, kToday + 1})
        timer.Tick(day);
    EXPECT_EQ((std::vector{date.notified, time.notified, gauge.notified, leaving.notified}), (std::vector{1, 4, 4, 1}));
    for (FakePanel* panel : {&date, &time, &gauge})
        timer.Deregister(*panel);
    EXPECT_FALSE(timer.Active());
    EXPECT_EQ(TimerRegistrationCount(), before);
}

TEST(PanelLayout, AutoFitWidthAlignmentEllipsisGlyphPlacementAndHints)
{
    const TextMeasure sevenPerLetter = [](std::string_view text) { return 7 * static_cast<int>(text.size()); };
    // Text + 6 + border; with a glyph: text, 2, both borders, glyph and 4, or without text glyph, one border and 4.
    for (auto [kind, text, border, glyph, width] :
         {std::tuple{sptNormal, "Ready", 0, 0, 41}, {sptCapsLock, " CAPS ", 2, 0, 50}, {sptNormal, "", 0, 0, 6},
          {sptGlyph, "Go", 3, 16, 42}, {sptGlyph, "", 3, 16, 23}})
        EXPECT_EQ(AutoFitWidth(kind, text, border, glyph, sevenPerLetter), width) << text;
    for (auto [kind, alignment, autoFit, format, right] :
         {std::tuple{sptNormal, taLeftJustify, false, 0x824u, 102}, {sptNormal, taRightJustify, false, 0x826u, 101},
          {sptTime, taCenter, false, 0x825u, 102}, {sptNormal, taRightJustify, true, 0x825u, 102},
          {sptEllipsisText, taLeftJustify, false, 0x8824u, 102}, {sptEllipsisPath, taRightJustify, false, 0x4826u, 101}}) {
        const TextLayout layout = TextBasedLayout(kind, alignment, autoFit, PanelRect{2, 2, 102, 18});
        EXPECT_EQ(std::pair(layout.format, layout.rect), std::pair(format, PanelRect{2, 2, right, 18})) << int(kind);
        if (!autoFit) { // the gauge caption aligns the same way, without ellipsis
            EXPECT_EQ(GaugeCaptionFormat(alignment), format & ~0xC000u);
        }
    }
    const PanelRect rect{10, 2, 111, 21}; // 101 wide, 19 high
    // Alignment, automatic width, text width; glyph position and text left edge (16 x 15 glyph, 4 down).
    for (auto [alignment, autoFit, textWidth, x, textLeft] :
         {std::tuple{taLeftJustify, false, 0, 10, 28}, {taRightJustify, false, 30, 95, 63}, {taCenter, false, 30, 37, 55},
          {taRightJustify, true, 0, 52, 50}}) { // centred, odd half truncated
        const GlyphPlacement at = PlaceGlyph(alignment, autoFit, rect, 16, 15, textWidth);
        EXPECT_EQ(std::tuple(at.x, at.y, at.textRect), std::tuple(x, 4, PanelRect{textLeft, 2, 111, 21}));
    }
}

TEST(Gauges, PercentPartsAndTheBallAndRampMotion)
{
    // 45 wide: 22.5 rounds up, 0.45 down.
    for (auto [position, edge] : {std::pair{0, 3}, {1, 3}, {50, 26}, {99, 48}, {100, 48}}) {
        const GaugeParts part = PercentGaugeParts(PanelRect{3, 1, 48, 17}, position);
        EXPECT_EQ(std::pair(part.filled, part.rest), std::pair(PanelRect{3, 1, edge, 17}, PanelRect{edge, 1, 48, 17}));
    }
    // Halves away from zero, no overflow in between, -1 for a zero divisor.
    for (auto [a, b, c, result] : {std::tuple{-45, 50, 100, -23}, {44, 50, 100, 22}, {7, 1, -2, -4},
                                   {2000000000, 3, 4, 1500000000}, {1, 1, 0, -1}})
        EXPECT_EQ(MulDiv(a, b, c), result) << a << "*" << b << "/" << c;

    const PanelRect rect{10, 0, 60, 18}; // the ball is 18 - 2 * 6 = 6 high and wide
    GaugeMotion motion;
    motion.Restart(4);
    EXPECT_EQ(BallStep(motion, rect, 4), (PanelRect{13, 5, 21, 13}));
    // Moving right it turns once offset + size + 1 reaches the width, moving left once the offset is below 2.
    while (motion.step > 0)
        EXPECT_LE(BallStep(motion, rect, 4).right, rect.right + 1);
    EXPECT_EQ(motion.offset, 44);
    while (motion.step < 0)
        EXPECT_GE(BallStep(motion, rect, 4).left, rect.left - 1);
    EXPECT_EQ(motion.offset, 0);
    motion.Restart(10); // the ramp slides and leads with the gauge colour.
    const PanelRect ramp{0, 0, 150, 16};
    RampPlacement placement = RampStep(motion, ramp, kRampWidth, 19, 10);
    EXPECT_EQ(std::tuple(placement.dest, placement.source, placement.mirrored),
              std::tuple(PanelRect{10, 0, 110, 16}, PanelRect{0, 0, 100, 19}, false));
    motion.offset = 120; // near the right edge only the ramp's left part shows.
    EXPECT_EQ(RampStep(motion, ramp, kRampWidth, 19, 10).source, (PanelRect{0, 0, 20, 19}));
    motion.offset = 139; // turns at the right edge and draws flipped on the way back...
    placement = RampStep(motion, ramp, kRampWidth, 19, 10);
    EXPECT_EQ(std::pair(placement.source, placement.mirrored), std::pair(PanelRect{99, 0, 100, 19}, true));
    motion.offset = -90; // ...until the whole ramp is out on the left.
    EXPECT_EQ(RampStep(motion, ramp, kRampWidth, 19, 10).dest, (PanelRect{-100, 0, 0, 16}));
    EXPECT_EQ(motion.step, 10);
    const std::uint32_t start = 0x00C0C0C0, end = 0x00800000;
    // Column 50: 0xC0 + (0x80 - 0xC0) * 50 / 99 = 159.67 and 192 - 192 * 50 / 99 = 95.03, truncated.
    for (auto [column, color] : {std::pair{0, start}, {99, end}, {50, (159u << 16) | (95u << 8) | 95u}})
        EXPECT_EQ(RampColumnColor(start, end, column), color) << column;
}

TEST(PanelKinds, DateAndTimeTextsRegistrationsAndKeyLocks)
{
    const DateTimeFormatter fake = [](DateTimePart part, std::string_view format) {
        return std::string(part == DateTimePart::Date ? "D[" : "T[") + std::string(format) + "]";
    };
    using R = PanelRegistration;
    for (auto [kind, style, text, registration, caption] :
         {std::tuple{sptDate, gsPercent, "D[yy]", R::Timer, ""}, {sptTime, gsPercent, "T[]", R::Timer, ""},
          {sptDateTime, gsPercent, "D[yy] T[]", R::Timer, ""}, {sptTimeDate, gsPercent, "T[] D[yy]", R::Timer, ""},
          {sptGauge, gsIndeterminate2, "", R::Timer, ""}, {sptGauge, gsPercent, "", R::None, ""},
          {sptCapsLock, gsPercent, "", R::KeyboardHook, " CAPS "}, {sptNumLock, gsPercent, "", R::KeyboardHook, " NUM "},
          {sptScrollLock, gsPercent, "", R::KeyboardHook, " SCROLL "}, {sptGlyph, gsIndeterminate, "", R::None, ""},
          {sptEllipsisPath, gsPercent, "", R::None, ""}, {sptNormal, gsPercent, "", R::None, ""}}) {
        EXPECT_EQ(std::tuple(DateTimeText(kind, "yy", "", fake), RegistrationOf(kind, style), KeyLockCaption(kind)),
                  std::tuple(text, registration, caption)) << int(kind);
    }
    // Only the first press of a lock key counts: not its release (bit 31), an auto-repeat (bit 30) or other keys.
    for (auto [key, data, kind] :
         {std::tuple{0x14u, 0x003A0001u, sptCapsLock}, {0x90u, 0x01450001u, sptNumLock}, {0x91u, 0x00460001u, sptScrollLock},
          {0x14u, 0x403A0001u, sptNormal}, {0x14u, 0xC03A0001u, sptNormal}, {0x41u, 0x001E0001u, sptNormal}})
        EXPECT_EQ(KeyLockKindOfPress(key, data), kind) << key << " " << data;
    // A monitor's report names the key in its low byte; anything unknown is caps lock.
    for (auto [parameter, kind] : {std::pair{std::uintptr_t{0x90}, sptNumLock}, {0x191, sptScrollLock},
                                   {0x14, sptCapsLock}, {0x00, sptCapsLock}, {0x9000, sptCapsLock}})
        EXPECT_EQ(KeyLockKindOfReport(parameter), kind) << parameter;
    // An automatic width centres the caption.
    for (auto [alignment, autoFit, format] : {std::tuple{taRightJustify, true, 0x825u}, {taRightJustify, false, 0x826u},
                                              {taLeftJustify, false, 0x824u}})
        EXPECT_EQ(KeyLockFormat(alignment, autoFit), format);
    std::vector<HintPanel> panels; // the bar's hint narrows to neighbours: five side by side, b and e with hints
    for (int i = 0; i < 5; ++i)
        panels.push_back({{50 * i, 2, 50 * i + 50, 20}, i == 1 || i == 4});
    const PanelRect bar{0, 0, 300, 22};
    // Cursor x, panel, cursor rectangle: on b, between b and e, nothing to the left, right of every panel.
    for (auto [x, panel, cursorRect] : {std::tuple{60, 1, PanelRect{50, 2, 100, 20}}, {120, -1, {100, 0, 200, 22}},
                                        {10, -1, {0, 0, 50, 22}}, {270, -1, {250, 0, 300, 22}}}) {
        const HintChoice choice = ChooseHint(panels, x, 10, bar);
        EXPECT_EQ(std::pair(choice.panel, choice.cursorRect), std::pair(panel, cursorRect)) << x;
    }
    EXPECT_EQ(ChooseHint({}, 5, 5, bar).cursorRect, bar);
}
