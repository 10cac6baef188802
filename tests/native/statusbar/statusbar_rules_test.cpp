#include "components/statusbar/statusbar_rules.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kelvo;
using namespace kelvo::statusbar;

namespace {

struct FakePanel : TimerClient {
    FakePanel(TmoxStatusPanelType kind, bool animated = false) : kind(kind), animated(animated) {}
    TmoxStatusPanelType TimerPanelType() const override { return kind; }
    bool TimerIndeterminateGauge() const override { return animated; }
    void TimerNotification() override
    {
        ++notified;
        if (onNotify)
            onNotify();
    }
    TmoxStatusPanelType kind;
    bool animated;
    int notified = 0;
    std::function<void()> onNotify;
};

constexpr int kToday = 45000;

} // namespace

TEST(PanelTimer, IntervalFollowsThePanelsThatComeAndGo)
{
    const int before = TimerRegistrationCount();
    PanelTimerSchedule timer;
    FakePanel date(sptDate), time(sptTime), gauge(sptGauge, true);
    EXPECT_FALSE(timer.Active());

    timer.Register(date, kToday);
    EXPECT_TRUE(timer.Active());
    EXPECT_EQ(timer.Interval(), 60000u);
    timer.Register(time, kToday);
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.Register(gauge, kToday);
    EXPECT_EQ(timer.Interval(), INDETERMINATE_GAUGE_UPDATE_INTERVAL);
    EXPECT_EQ(TimerRegistrationCount(), before + 3);

    timer.Deregister(gauge);
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.Deregister(time);
    EXPECT_EQ(timer.Interval(), 60000u);
    timer.Deregister(date);
    EXPECT_FALSE(timer.Active());
    EXPECT_EQ(TimerRegistrationCount(), before);
}

TEST(PanelTimer, FasterIntervalsAreNotSlowedByLaterPanels)
{
    PanelTimerSchedule timer;
    FakePanel gauge(sptGauge, true), time(sptDateTime), date(sptDate), clock(sptTimeDate);
    timer.Register(gauge, kToday);
    timer.Register(time, kToday); // 50 is below 1000: unchanged
    timer.Register(date, kToday); // not the only one: unchanged
    EXPECT_EQ(timer.Interval(), 50u);

    // The rescan stops at the first animated gauge.
    timer.Deregister(date);
    EXPECT_EQ(timer.Interval(), 50u);
    timer.Deregister(gauge);
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.Register(clock, kToday);
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.Deregister(time);
    timer.Deregister(clock);
    EXPECT_FALSE(timer.Active());
}

TEST(PanelTimer, RegistrationsAreCountedOncePerPanel)
{
    const int before = TimerRegistrationCount();
    PanelTimerSchedule timer;
    FakePanel time(sptTime), stranger(sptTime);
    timer.Register(time, kToday);
    timer.Register(time, kToday);
    EXPECT_EQ(timer.Count(), 1u);
    EXPECT_EQ(TimerRegistrationCount(), before + 1);
    EXPECT_THROW(CheckTimerRegistrations(), EAssertionFailed);

    timer.Deregister(stranger); // never registered: nothing to count down
    EXPECT_EQ(TimerRegistrationCount(), before + 1);
    EXPECT_TRUE(timer.Active());
    timer.Deregister(time);
    EXPECT_EQ(TimerRegistrationCount(), before);
    EXPECT_NO_THROW(CheckTimerRegistrations());
}

TEST(PanelTimer, UnbalancedRegistrationsAssertWithTheFixedMessage)
{
    PanelTimerSchedule timer;
    FakePanel time(sptTime);
    timer.Register(time, kToday);
    try {
        CheckTimerRegistrations();
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& error) {
        EXPECT_STREQ(error.what(), "TmoxStatusBar: Unbalanced timer registrations");
    }
    timer.Deregister(time);
}

TEST(PanelTimer, TicksNotifyDatePanelsOnlyWhenTheDayChanges)
{
    PanelTimerSchedule timer;
    FakePanel date(sptDate), time(sptTime), gauge(sptGauge, true);
    timer.Register(date, kToday);
    timer.Register(time, kToday);
    timer.Register(gauge, kToday);

    timer.Tick(kToday);
    timer.Tick(kToday);
    EXPECT_EQ(date.notified, 0);
    EXPECT_EQ(time.notified, 2);
    EXPECT_EQ(gauge.notified, 2);

    timer.Tick(kToday + 1);
    EXPECT_EQ(date.notified, 1);
    timer.Tick(kToday + 1);
    EXPECT_EQ(date.notified, 1);
    EXPECT_EQ(time.notified, 4);

    for (FakePanel* panel : {&date, &time, &gauge})
        timer.Deregister(*panel);
}

TEST(PanelTimer, APanelMayLeaveDuringItsOwnNotification)
{
    PanelTimerSchedule timer;
    FakePanel first(sptTime), second(sptTime);
    first.onNotify = [&] { timer.Deregister(first); };
    timer.Register(first, kToday);
    timer.Register(second, kToday);
    timer.Tick(kToday);
    EXPECT_EQ(first.notified, 1);
    EXPECT_FALSE(timer.IsRegistered(first));
    timer.Deregister(second);
    EXPECT_FALSE(timer.Active());
}

TEST(AutoFit, WidthsFromTheMeasuredText)
{
    const TextMeasure sevenPerLetter = [](std::string_view text) { return 7 * static_cast<int>(text.size()); };
    EXPECT_EQ(AutoFitWidth(sptNormal, "Ready", 0, 0, sevenPerLetter), 35 + 6);
    EXPECT_EQ(AutoFitWidth(sptCapsLock, " CAPS ", 2, 0, sevenPerLetter), 42 + 6 + 2);
    EXPECT_EQ(AutoFitWidth(sptNormal, "", 0, 0, sevenPerLetter), 6);
    // Glyph panels: text, spacing, both borders, glyph; or the glyph alone.
    EXPECT_EQ(AutoFitWidth(sptGlyph, "Go", 3, 16, sevenPerLetter), 14 + 2 + 6 + 16 + 4);
    EXPECT_EQ(AutoFitWidth(sptGlyph, "", 3, 16, sevenPerLetter), 16 + 3 + 4);

    const TextMeasure failing = [](std::string_view) { return -1; };
    EXPECT_EQ(AutoFitWidth(sptNormal, "x", 1, 0, failing), -1 + 6 + 1);
}

TEST(TextFormats, AlignmentAutoFitAndEllipsis)
{
    const PanelRect rect{2, 2, 102, 18};
    struct Case {
        TmoxStatusPanelType kind;
        TAlignment alignment;
        bool autoFit;
        unsigned format;
        int right;
    };
    const Case cases[] = {
        {sptNormal, taLeftJustify, false, 0x824, 102},
        {sptNormal, taRightJustify, false, 0x826, 101},
        {sptNormal, taCenter, false, 0x825, 102},
        {sptNormal, taRightJustify, true, 0x825, 102}, // automatic width centres
        {sptEllipsisText, taLeftJustify, false, 0x8824, 102},
        {sptEllipsisPath, taRightJustify, false, 0x4826, 101},
        {sptTime, taCenter, false, 0x825, 102},
    };
    for (const Case& c : cases) {
        const TextLayout layout = TextBasedLayout(c.kind, c.alignment, c.autoFit, rect);
        EXPECT_EQ(layout.format, c.format) << int(c.kind) << " " << int(c.alignment);
        EXPECT_EQ(layout.rect, (PanelRect{2, 2, c.right, 18}));
    }
    EXPECT_EQ(GaugeCaptionFormat(taLeftJustify), 0x824u);
    EXPECT_EQ(GaugeCaptionFormat(taRightJustify), 0x826u);
    EXPECT_EQ(GaugeCaptionFormat(taCenter), 0x825u);
}

TEST(PercentGauge, FilledPartAndRest)
{
    const PanelRect rect{3, 1, 48, 17}; // 45 wide
    struct Case {
        int position, edge;
    };
    // 45 * 50 / 100 = 22.5 rounds up; 45 * 1 / 100 = 0.45 rounds down.
    for (Case c : {Case{0, 3}, Case{1, 3}, Case{50, 26}, Case{99, 48}, Case{100, 48}}) {
        const GaugeParts parts = PercentGaugeParts(rect, c.position);
        EXPECT_EQ(parts.filled, (PanelRect{3, 1, c.edge, 17})) << c.position;
        EXPECT_EQ(parts.rest, (PanelRect{c.edge, 1, 48, 17})) << c.position;
    }
}

TEST(PercentGauge, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(45, 50, 100), 23);
    EXPECT_EQ(MulDiv(-45, 50, 100), -23);
    EXPECT_EQ(MulDiv(44, 50, 100), 22);
    EXPECT_EQ(MulDiv(7, 1, -2), -4);
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000); // no overflow in between
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(PercentGauge, CaptionIsTheTextOrThePercentage)
{
    EXPECT_EQ(GaugeCaption("", 42), "42%");
    EXPECT_EQ(GaugeCaption("", 0), "0%");
    EXPECT_EQ(GaugeCaption(" ", 42), " ");
    EXPECT_EQ(GaugeCaption("busy", 100), "busy");
}

TEST(AnimatedGauge, SpeedIsTakenOnlyWhenPositive)
{
    EXPECT_EQ(TakeSpeed(4, 6), 6);
    EXPECT_EQ(TakeSpeed(4, 4), 4);
    EXPECT_EQ(TakeSpeed(4, 0), 4);
    EXPECT_EQ(TakeSpeed(4, -3), 4);
    EXPECT_EQ(StepForSpeed(1, 6), 6);
    EXPECT_EQ(StepForSpeed(0, 6), 6);
    EXPECT_EQ(StepForSpeed(-4, 6), -6);
}

TEST(AnimatedGauge, BallBouncesBetweenTheEdges)
{
    const PanelRect rect{0, 0, 50, 18}; // the ball is 18 - 2 * 6 = 6 high and wide
    GaugeMotion motion;
    motion.Restart(4);
    PanelRect ball = BallStep(motion, rect, 4);
    EXPECT_EQ(ball, (PanelRect{3, 5, 11, 13}));
    EXPECT_EQ(motion.step, 4);

    // Moving right it turns once offset + size + 1 reaches the width.
    while (motion.step > 0)
        ball = BallStep(motion, rect, 4);
    EXPECT_EQ(motion.offset, 44);
    EXPECT_EQ(ball.right, 51);
    // Moving left it turns once the offset is below 2.
    while (motion.step < 0)
        ball = BallStep(motion, rect, 4);
    EXPECT_EQ(motion.offset, 0);
    EXPECT_EQ(ball.left, -1);
    BallStep(motion, rect, 4);
    EXPECT_EQ(motion.offset, 4);
}

TEST(AnimatedGauge, BallStaysInAnOffsetPanel)
{
    const PanelRect rect{10, 2, 40, 17}; // height 15: shrink 5, ball 5
    GaugeMotion motion;
    motion.Restart(3);
    for (int tick = 0; tick < 100; ++tick) {
        const PanelRect ball = BallStep(motion, rect, 3);
        EXPECT_EQ(ball.top, 6);
        EXPECT_EQ(ball.bottom, 13);
        EXPECT_GE(ball.left, rect.left - 1);
        EXPECT_LE(ball.right, rect.right + 3);
    }
}

TEST(AnimatedGauge, RampSlidesAndLeadsWithTheGaugeColour)
{
    const PanelRect rect{0, 0, 150, 16};
    GaugeMotion motion;
    motion.Restart(10);
    RampPlacement placement = RampStep(motion, rect, kRampWidth, 19, 10);
    // Wide panel: the ramp keeps its width, source whole, moving right unflipped.
    EXPECT_EQ(placement.dest, (PanelRect{10, 0, 110, 16}));
    EXPECT_EQ(placement.source, (PanelRect{0, 0, 100, 19}));
    EXPECT_FALSE(placement.mirrored);

    // Near the right edge only the ramp's left part shows.
    motion.offset = 120;
    placement = RampStep(motion, rect, kRampWidth, 19, 10);
    EXPECT_EQ(placement.dest, (PanelRect{130, 0, 150, 16}));
    EXPECT_EQ(placement.source, (PanelRect{0, 0, 20, 19}));

    // Turns at the right edge and draws flipped on the way back.
    motion.offset = 139;
    placement = RampStep(motion, rect, kRampWidth, 19, 10);
    EXPECT_EQ(motion.step, -10);
    EXPECT_TRUE(placement.mirrored);
    EXPECT_EQ(placement.source, (PanelRect{99, 0, 100, 19}));

    // Leaves on the left until the whole ramp is out, then turns again.
    motion.offset = -90;
    placement = RampStep(motion, rect, kRampWidth, 19, 10);
    EXPECT_EQ(motion.step, 10);
    EXPECT_EQ(placement.dest, (PanelRect{-100, 0, 0, 16}));
}

TEST(AnimatedGauge, RampColumnsRunFromBarToGaugeColour)
{
    const std::uint32_t start = 0x00C0C0C0, end = 0x00800000; // BGR as the platform keeps it
    EXPECT_EQ(RampColumnColor(start, end, 0), start);
    EXPECT_EQ(RampColumnColor(start, end, 99), end);
    // Column 50: f = 50/99; 0xC0 + (0x80 - 0xC0) * f = 159.67 -> 159; 192 - 192 * f = 95.03 -> 95
    EXPECT_EQ(RampColumnColor(start, end, 50), (159u << 16) | (95u << 8) | 95u);
}
