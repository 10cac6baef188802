// The status bar in a real window: panels painted pixel by pixel, the native parts, the
// panel timer, the lock keys, clicks and hints. The rules the panels follow are tested natively.
#include "components/statusbar/moxkb.h"
#include "components/statusbar/moxstatusbar.h"
#include "tests/test_support.h"
#include "ui/form.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace kelvo;

namespace {

constexpr COLORREF kBarColor = RGB(255, 255, 255), kFontColor = RGB(255, 0, 0), kGaugeColor = RGB(0, 0, 255),
                   kGaugeTextColor = RGB(255, 255, 0), kSentinel = RGB(0, 255, 0), kMagenta = RGB(255, 0, 255);
// Where a panel is drawn on the surface, and the inner area it paints inside its 1-pixel frame.
constexpr RECT kPanelRect{10, 5, 112, 27}, kInner{11, 6, 111, 26}, kSurfaceRect{0, 0, 130, 40};

int Area(const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); }

// Handles waiting messages until done() or about ten seconds pass; returns done().
bool PumpUntil(const std::function<bool()>& done)
{
    for (int wait = 0; wait < 100 && !done(); ++wait) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        ui::ProcessMessages();
    }
    return done();
}

// The main window's layout: a 300-pixel text panel and a 50-pixel percentage gauge.
class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { errors += error.what(); });
        parent.Create("KelvoStatusBarTest", "Status bar", 600, 200);
        bar.SetColor(kBarColor);
        bar.SetFontColor(kFontColor);
        ASSERT_TRUE(bar.Create(parent.Handle()) && surface.Valid());
        text.SetWidth(300);
        text.SetText("Ready");
        gauge.SetWidth(50);
        gauge.SetPanelType(sptGauge);
        gauge.GaugeAttrs().SetColor(kGaugeColor);
        gauge.GaugeAttrs().SetTextColor(kGaugeTextColor);
    }
    void TearDown() override { EXPECT_EQ(errors, ""); ui::SetExceptionHandler(nullptr); }
    void Draw(int index)
    {
        surface.canvas().SetBrushColor(kSentinel);
        surface.canvas().FillRect(kSurfaceRect);
        surface.canvas().SelectFont(bar.Font());
        bar.Panels().Items(index).Redraw(surface.canvas(), kPanelRect);
    }
    int Count(const RECT& r, COLORREF color, HDC dc = nullptr)
    {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += GetPixel(dc ? dc : surface.canvas().Handle(), x, y) == color;
        return count;
    }
    // A key-lock caption inside r shows in the font colour while on, in grey while off, never in the other.
    bool ShowsLock(bool on, const RECT& r, HDC dc = nullptr)
    {
        const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
        return Count(r, on ? kFontColor : grey, dc) > 0 && Count(r, on ? grey : kFontColor, dc) == 0;
    }
    std::string errors;
    ui::Form parent;
    TmoxStatusBar bar;
    TmoxStatusPanel& text = bar.Panels().Add();
    TmoxStatusPanel& gauge = bar.Panels().Add();
    ui::BitmapCanvas surface{nullptr, kSurfaceRect.right, kSurfaceRect.bottom};
};

TEST_F(StatusBarTest, PanelsPaintInsideTheirFrameTheGaugeCaptionChangesColourAtTheFillEdgeAndGlyphsAreTransparent)
{
    // "0%" lies in the rest, "50%" across the edge, "100%" in the filled part.
    for (int position : {0, 50, 100}) {
        gauge.GaugeAttrs().SetPosition(position);
        Draw(1);
        const RECT filled{11, 6, 11 + position, 26}, rest{11 + position, 6, 111, 26};
        for (auto [part, back, caption, otherBack, otherCaption] :
             {std::tuple{filled, kGaugeColor, kGaugeTextColor, kBarColor, kFontColor},
              {rest, kBarColor, kFontColor, kGaugeColor, kGaugeTextColor}}) {
            if (Area(part) > 0) {
                EXPECT_TRUE(Count(part, back) > Area(part) / 2 && Count(part, caption) > 0 &&
                            Count(part, otherBack) + Count(part, otherCaption) == 0) << position;
            }
        }
    }
    text.SetText("A text much longer than the panel it is drawn in, going on and on");
    gauge.GaugeAttrs().SetStyle(gsIndeterminate2);
    gauge.GaugeAttrs().SetSpeed(30);
    const auto onlyInside = [&](int index) { // true when only the background shows
        Draw(index);
        EXPECT_EQ(Count(kSurfaceRect, kSentinel), Area(kSurfaceRect) - Area(kInner)) << index;
        return Count(kInner, kBarColor) == Area(kInner);
    };
    EXPECT_FALSE(onlyInside(0));
    for (int tick = 0; tick < 20; ++tick) // the ramp slides right, turns and leaves on the left
        onlyInside(1);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate);
    for (int tick = 0; tick < 10; ++tick)
        EXPECT_FALSE(onlyInside(1));
    for (TmoxStatusPanel* panel : {&text, &gauge}) { // nothing while disabled, or in a disabled bar
        panel->SetEnabled(false);
        EXPECT_TRUE(onlyInside(panel->Index()));
        panel->SetEnabled(true);
        bar.SetEnabled(false);
        EXPECT_TRUE(onlyInside(panel->Index()));
        bar.SetEnabled(true);
    }
    std::vector<DWORD> pixels(16 * 12, 0xFF00FF); // a magenta 16 x 12 glyph, a blue 8 x 6 block in the middle
    for (int y = 3; y < 9; ++y)
        std::fill_n(pixels.begin() + y * 16 + 4, 8, 0x0000FF);
    ui::OwnedBitmap picture(CreateBitmap(16, 12, 1, 32, pixels.data()));
    text.SetPanelType(sptGlyph);
    text.SetGlyph(picture.Get());
    text.SetAutoFit(false);
    text.SetAlignment(taRightJustify);
    Draw(0); // the glyph at the right edge without its magenta, the text left of it
    const RECT glyph{95, 6, 111, 26}, block{99, 6, 107, 26}, left{11, 6, 95, 26};
    EXPECT_EQ((std::vector<int>{Count(kInner, kMagenta), Count(block, kGaugeColor), Count(left, kFontColor) > 0,
                                Count(glyph, kFontColor)}), (std::vector<int>{0, 8 * 6, 1, 0}));
}

TEST_F(StatusBarTest, NativePartsFollowThePanelsAndEnabledTogglesOfEveryKindKeepRegistrationsBalanced)
{
    const auto PartEdges = [&] {
        std::vector<int> edges(static_cast<std::size_t>(SendMessageA(bar.Handle(), SB_GETPARTS, 0, 0)));
        SendMessageA(bar.Handle(), SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
        return edges;
    };
    bar.Panels().Add().SetWidth(80);
    EXPECT_EQ(PartEdges(), (std::vector<int>{300, 350, -1})); // the last part reaches the end
    text.SetWidth(200);
    bar.Panels().Items(2).SetIndex(0); // the width moves with the panel
    EXPECT_EQ(PartEdges(), (std::vector<int>{80, 280, -1}));
    bar.Panels().Delete(0);
    EXPECT_EQ(PartEdges(), (std::vector<int>{200, -1}));
    EXPECT_EQ(test::ErrorOf<EListError>([&] { bar.InvalidatePanel(2); }), "List index out of bounds (2)");
    text.SetAutoFit(true); // an automatic width follows the text and the border
    text.SetBorderWidth(3);
    EXPECT_EQ(PartEdges()[0], bar.TextExtent("Ready").cx + 9);
    const int registrations = statusbar::TimerRegistrationCount(), timed = registrations + 5; // date, time, both, gauge
    bar.SetUseMonitorDLL(true);
    for (int i = 0; i <= sptOwnerDraw * 2 + 1; ++i) { // of every kind an enabled panel at an even index, then a disabled one
        TmoxStatusPanel& panel = bar.Panels().Add();
        panel.GaugeAttrs().SetStyle(gsIndeterminate);
        panel.SetPanelType(static_cast<TmoxStatusPanelType>(i / 2));
        panel.SetEnabled(i % 2 == 0);
    }
    EXPECT_EQ(statusbar::TimerRegistrationCount(), timed);
    bar.SetEnabled(false);
    for (int i = 3; i < bar.Panels().Count(); i += 2) { // enabled, but in a disabled bar
        bar.Panels().Items(i).SetEnabled(true);
        bar.Panels().Items(i).SetEnabled(false);
    }
    EXPECT_EQ(std::pair(statusbar::TimerRegistrationCount(), MoxKbDLL_Loaded()), std::pair(registrations, false));
    bar.SetEnabled(true); // the enabled panels are served again, the disabled ones not
    EXPECT_EQ(std::pair(statusbar::TimerRegistrationCount(), MoxKbDLL_Loaded()), std::pair(timed, true));
    while (bar.Panels().Count() > 1) // the timer goes with the last timed panel
        bar.Panels().Delete(1);
    EXPECT_EQ(bar.Panels().Timer(), nullptr);
    EXPECT_EQ(std::pair(statusbar::TimerRegistrationCount(), MoxKbDLL_Loaded()), std::pair(registrations, false));
}

TEST_F(StatusBarTest, ShownBarRepaintsTheGaugeAtOnceAnimatesItAndFindsThePanelUnderTheCursor)
{
    ShowWindow(parent.Handle(), SW_SHOW);
    UpdateWindow(parent.Handle());
    const RECT rect = bar.GetPanelRect(1);
    const RECT inside{rect.left + 4, (rect.top + rect.bottom) / 2, rect.left + 5, (rect.top + rect.bottom) / 2 + 1};
    ui::WindowDc dc(bar.Handle());
    for (auto [position, color] : {std::pair{0, kBarColor}, {100, kGaugeColor}, {0, kBarColor}}) {
        gauge.GaugeAttrs().SetPosition(position); // painted with no message pumped
        EXPECT_EQ(Count(inside, color, dc.Get()), 1) << position;
    }
    gauge.GaugeAttrs().SetStyle(gsIndeterminate); // animated on the timer
    const int start = gauge.GaugeMotion().offset;
    EXPECT_TRUE(PumpUntil([&] { return gauge.GaugeMotion().offset >= start + 8; }));
    EXPECT_EQ((gauge.GaugeMotion().offset - start) % 4, 0); // each tick moves the ball by Speed pixels
    std::string calls; // clicks and hints find the panel under the cursor
    gauge.OnClick = [&](TmoxStatusPanel& sender) { calls += &sender == &gauge ? "gauge;" : "other;"; };
    bar.OnClick = [&](TmoxStatusBar&) { calls += "bar;"; };
    const RECT first = bar.GetPanelRect(0);
    const POINT onText{first.left + 5, first.top + 5}, onGauge{rect.left + 5, rect.top + 5};
    for (POINT point : {onGauge, onText}) { // a panel without OnClick: the bar alone
        POINT screen = point;
        ClientToScreen(bar.Handle(), &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    }
    EXPECT_EQ(calls, "gauge;bar;bar;");
    bar.SetHint("Status"); // an ellipsis panel's hint is its full text, as its handler changes it
    text.SetPanelType(sptEllipsisPath);
    text.OnHintText = [](TmoxStatusBar&, TmoxStatusPanel&, std::string& hint) { hint = "<" + hint + ">"; };
    EXPECT_EQ(bar.CMHintShow(onText).text, "<Ready>");
    const auto overGauge = bar.CMHintShow(onGauge); // the bar's hint, up to the text panel's edge
    EXPECT_EQ(std::pair(overGauge.text, overGauge.cursorRect.left), std::pair(std::string("Status"), first.right));
}

TEST_F(StatusBarTest, CapsPanelFollowsTheKeyThroughTheThreadsHookOrTheOptionalMonitorLibrary)
{
    const auto PressCapsLock = [] { keybd_event(VK_CAPITAL, 0, 0, 0), keybd_event(VK_CAPITAL, 0, KEYEVENTF_KEYUP, 0); };
    TmoxStatusPanel& caps = bar.Panels().Add();
    caps.SetPanelType(sptCapsLock);
    ShowWindow(parent.Handle(), SW_SHOW);
    SetForegroundWindow(parent.Handle());
    SetFocus(parent.Handle());
    ui::ProcessMessages(); // nothing left to paint
    // Pressed twice, the key ends as it was; the bar repaints the panel after each press.
    const RECT part = bar.GetPanelRect(2), inner{part.left + 1, part.top + 1, part.right - 1, part.bottom - 1};
    ui::WindowDc dc(bar.Handle());
    for (int press = 0; press < 2; ++press) {
        const bool on = (GetKeyState(VK_CAPITAL) & 1) == 0;
        PressCapsLock();
        EXPECT_TRUE(PumpUntil([&] { return ShowsLock(on, inner, dc.Get()); })) << press;
    }
    bar.SetUseMonitorDLL(true);
    ASSERT_TRUE(MoxKbDLL_Loaded());
    for (const bool after : {!caps.LockState(), caps.LockState()}) { // a real press through the library
        PressCapsLock();
        EXPECT_TRUE(PumpUntil([&] { return caps.LockState() == after; }));
    }
    // The state it reports is what the panel shows, whatever the thread's key state.
    const UINT report = RegisterWindowMessageA("MoxKbMon.LockKeyChanged");
    for (const bool on : {true, false}) {
        SendMessageA(bar.Handle(), report, VK_CAPITAL, on);
        SendMessageA(bar.Handle(), report, VK_NUMLOCK, !on); // about another key
        Draw(2);
        EXPECT_TRUE(ShowsLock(on, kInner));
    }
    bar.SetUseMonitorDLL(false); // the bar leaves the library, which is unloaded
    EXPECT_FALSE(MoxKbDLL_Loaded());
    const std::string name = std::exchange(MoxKbDLLName, "NoSuchMonitor.dll"); // without it, the hook stays
    bar.SetUseMonitorDLL(true);
    EXPECT_FALSE(bar.UseMonitorDLL());
    MoxKbDLLName = name;
}

} // namespace
