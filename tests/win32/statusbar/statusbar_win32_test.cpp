// The status bar in a real parent window: panels painted into memory
// contexts and checked pixel by pixel, the native parts, the panel timer,
// the lock keys through this thread's hook and the monitor library, glyphs,
// clicks and hints.
#include "components/statusbar/moxkb.h"
#include "components/statusbar/moxstatusbar.h"
#include "tests/test_support.h"
#include "ui/form.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace kelvo;

namespace {

constexpr COLORREF kBarColor = RGB(255, 255, 255), kFontColor = RGB(255, 0, 0), kGaugeColor = RGB(0, 0, 255),
                   kGaugeTextColor = RGB(255, 255, 0), kSentinel = RGB(0, 255, 0), kMagenta = RGB(255, 0, 255);

class TestParent : public ui::Window {
public:
    TestParent()
    {
        CreateOwnWindow("KelvoStatusBarTestParent", WS_OVERLAPPEDWINDOW, 0, "Status bar", 40, 40, 600, 200, nullptr,
                        nullptr, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    }
};

int Area(const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); }

// The panel rectangle of the drawn-pixel checks, and the inner area the
// panel paints (its 1-pixel frame stays untouched).
constexpr RECT kPanelRect{10, 5, 112, 27}, kInner{11, 6, 111, 26}, kSurfaceRect{0, 0, 130, 40};

// Handles waiting messages until done() or about ten seconds pass.
void PumpUntil(const std::function<bool()>& done)
{
    for (int wait = 0; wait < 100 && !done(); ++wait) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void PressCapsLock()
{
    INPUT keys[2]{};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_CAPITAL;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

// The main window's layout: a 300-pixel text panel and a 50-pixel centred
// percentage gauge, in a created bar.
class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
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
    void TearDown() override
    {
        EXPECT_TRUE(errors.empty());
        ui::SetExceptionHandler(nullptr);
    }

    void Show()
    {
        ShowWindow(parent.Handle(), SW_SHOW);
        UpdateWindow(parent.Handle());
    }
    TmoxStatusPanel& AddPanel(TmoxStatusPanelType kind)
    {
        TmoxStatusPanel& panel = bar.Panels().Add();
        panel.SetPanelType(kind);
        return panel;
    }
    // Draws panel index at kPanelRect on a surface filled with kSentinel, the way the bar does.
    void Draw(int index)
    {
        surface.canvas().SetBrushColor(kSentinel);
        surface.canvas().FillRect(kSurfaceRect);
        surface.canvas().SelectFont(bar.Font());
        bar.Panels().Items(index).Redraw(surface.canvas(), kPanelRect);
    }
    // Pixels of colour inside r of dc (the surface by default).
    int Count(const RECT& r, COLORREF color, HDC dc = nullptr)
    {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += GetPixel(dc ? dc : surface.canvas().Handle(), x, y) == color;
        return count;
    }
    // Whether a key-lock caption inside r shows in the font colour (on) or
    // in grey (off), and never in the other.
    bool ShowsLock(bool on, const RECT& r, HDC dc = nullptr)
    {
        const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
        return Count(r, on ? kFontColor : grey, dc) > 0 && Count(r, on ? grey : kFontColor, dc) == 0;
    }
    std::vector<int> PartEdges()
    {
        std::vector<int> edges(static_cast<std::size_t>(SendMessageA(bar.Handle(), SB_GETPARTS, 0, 0)));
        SendMessageA(bar.Handle(), SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
        return edges;
    }

    std::vector<std::string> errors;
    TestParent parent;
    TmoxStatusBar bar;
    TmoxStatusPanel& text = bar.Panels().Add();
    TmoxStatusPanel& gauge = bar.Panels().Add();
    ui::BitmapCanvas surface{nullptr, kSurfaceRect.right, kSurfaceRect.bottom};
};

TEST_F(StatusBarTest, PercentGaugeCaptionChangesColourAtTheFillEdge)
{
    EXPECT_EQ(gauge.Alignment(), taCenter);
    // "0%" lies in the rest, "50%" across the edge, "100%" in the filled part.
    for (int position : {0, 50, 100}) {
        gauge.GaugeAttrs().SetPosition(position);
        Draw(1);
        struct Part { RECT rect; COLORREF background, caption; };
        const Part filled{{11, 6, 11 + position, 26}, kGaugeColor, kGaugeTextColor};
        const Part rest{{11 + position, 6, 111, 26}, kBarColor, kFontColor};
        for (auto [part, other] : {std::pair{filled, rest}, {rest, filled}}) {
            if (Area(part.rect) == 0)
                continue;
            EXPECT_GT(Count(part.rect, part.background), Area(part.rect) / 2) << position;
            EXPECT_GT(Count(part.rect, part.caption), 0) << position;
            EXPECT_EQ(Count(part.rect, other.background) + Count(part.rect, other.caption), 0) << position;
        }
    }
}

TEST_F(StatusBarTest, PanelsPaintOnlyInsideTheirFrameAndNothingWhileDisabled)
{
    text.SetText("A text much longer than the panel it is drawn in, going on and on");
    gauge.GaugeAttrs().SetStyle(gsIndeterminate2);
    gauge.SetEnabled(true);
    gauge.GaugeAttrs().SetSpeed(30);
    const auto expectOnlyInside = [&](int index) {
        Draw(index);
        EXPECT_EQ(Count(kInner, kSentinel), 0) << index;
        EXPECT_EQ(Count(kSurfaceRect, kSentinel), Area(kSurfaceRect) - Area(kInner)) << index;
        return Count(kInner, kBarColor) == Area(kInner); // only the background
    };
    EXPECT_FALSE(expectOnlyInside(0));
    // The ramp slides right, turns, and leaves on the left; then the ball.
    bool turned = false, leftEdge = false;
    for (int tick = 0; tick < 20; ++tick) {
        expectOnlyInside(1);
        turned = turned || gauge.GaugeMotion().step < 0;
        leftEdge = leftEdge || gauge.GaugeMotion().offset < 0;
    }
    EXPECT_TRUE(turned && leftEdge);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate);
    for (int tick = 0; tick < 10; ++tick)
        EXPECT_FALSE(expectOnlyInside(1));
    for (TmoxStatusPanel* panel : {&text, &gauge}) {
        panel->SetEnabled(false);
        EXPECT_TRUE(expectOnlyInside(panel->Index()));
        panel->SetEnabled(true);
        bar.SetEnabled(false); // a disabled bar disables every panel as read
        EXPECT_TRUE(expectOnlyInside(panel->Index()));
        bar.SetEnabled(true);
    }
}

TEST_F(StatusBarTest, NativePartsFollowThePanels)
{
    bar.Panels().Add().SetWidth(80);
    EXPECT_EQ(PartEdges(), (std::vector<int>{300, 350, -1})); // the last part reaches the end
    text.SetWidth(200);
    EXPECT_EQ(PartEdges(), (std::vector<int>{200, 250, -1}));
    bar.Panels().Items(2).SetIndex(0); // the width moves with the panel
    EXPECT_EQ(PartEdges(), (std::vector<int>{80, 280, -1}));
    bar.Panels().Delete(0);
    EXPECT_EQ(PartEdges(), (std::vector<int>{200, -1}));
    for (int index : {5, 2, -1})
        EXPECT_EQ(test::ErrorOf<EListError>([&] { bar.InvalidatePanel(index); }),
                  "List index out of bounds (" + std::to_string(index) + ")");

    // An automatic width follows the text and the border.
    text.SetAutoFit(true);
    text.SetBorderWidth(3);
    EXPECT_EQ(PartEdges()[0], bar.TextExtent("Ready").cx + 9);
}

TEST_F(StatusBarTest, GaugeRepaintsAtOnceAndAnimatesOnTheSharedTimer)
{
    Show();
    const RECT rect = bar.GetPanelRect(1);
    const RECT inside{rect.left + 4, (rect.top + rect.bottom) / 2, rect.left + 5, (rect.top + rect.bottom) / 2 + 1};
    ui::WindowDc dc(bar.Handle());
    // No message is pumped: the panel paints as the position is set.
    for (auto [position, color] : {std::pair{0, kBarColor}, {100, kGaugeColor}, {0, kBarColor}}) {
        gauge.GaugeAttrs().SetPosition(position);
        EXPECT_EQ(Count(inside, color, dc.Get()), 1) << position;
    }

    // An animated gauge runs while enabled; the timer goes with the last one.
    const int registrations = statusbar::TimerRegistrationCount();
    gauge.SetEnabled(false);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate);
    EXPECT_EQ(bar.Panels().Timer(), nullptr);
    gauge.SetEnabled(true);
    ASSERT_NE(bar.Panels().Timer(), nullptr);
    EXPECT_EQ(bar.Panels().Timer()->Interval(), INDETERMINATE_GAUGE_UPDATE_INTERVAL);
    PumpUntil([&] { return gauge.GaugeMotion().offset >= 9; });
    EXPECT_EQ(gauge.GaugeMotion().offset % 4, 0); // each tick moves the ball by Speed pixels
    EXPECT_GE(gauge.GaugeMotion().offset, 9);
    bar.Panels().Delete(1);
    EXPECT_EQ(bar.Panels().Timer(), nullptr);
    EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations);
}

TEST_F(StatusBarTest, EnabledTogglesOnBarsAndPanelsOfEveryKindKeepRegistrationsBalanced)
{
    const int registrations = statusbar::TimerRegistrationCount();
    for (const bool monitored : {false, true}) {
        SCOPED_TRACE(monitored);
        bar.SetUseMonitorDLL(monitored);
        ASSERT_EQ(bar.UseMonitorDLL(), monitored);
        // Of every kind one enabled panel and one disabled panel.
        std::vector<TmoxStatusPanel*> disabled;
        for (int kind = sptNormal; kind <= sptOwnerDraw; ++kind) {
            for (const bool enabled : {true, false}) {
                TmoxStatusPanel& panel = bar.Panels().Add();
                panel.GaugeAttrs().SetStyle(gsIndeterminate);
                panel.SetPanelType(static_cast<TmoxStatusPanelType>(kind));
                panel.SetEnabled(enabled);
                if (!enabled)
                    disabled.push_back(&panel);
            }
        }
        const int timed = 5; // date, time, both in either order, the animated gauge
        EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations + timed);
        bar.SetEnabled(false);
        for (TmoxStatusPanel* panel : disabled) { // enabled, but in a disabled bar
            panel->SetEnabled(true);
            panel->SetEnabled(false);
        }
        EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations);
        EXPECT_FALSE(MoxKbDLL_Loaded());
        bar.SetEnabled(true);
        // The enabled panels are served again, the disabled ones not.
        EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations + timed);
        EXPECT_EQ(MoxKbDLL_Loaded(), monitored);
        while (bar.Panels().Count() > 2)
            bar.Panels().Delete(bar.Panels().Count() - 1);
        EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations);
        EXPECT_FALSE(MoxKbDLL_Loaded());
    }
}

TEST_F(StatusBarTest, CapsPanelFollowsTheKeyThroughTheThreadsHook)
{
    TmoxStatusPanel& caps = AddPanel(sptCapsLock);
    EXPECT_EQ(caps.Width(), bar.TextExtent(" CAPS ").cx + 6);
    Show();
    SetForegroundWindow(parent.Handle());
    SetFocus(parent.Handle());
    ui::ProcessMessages(); // nothing left to paint
    // The key is pressed twice, so it ends as it was; after each press the
    // bar repaints the panel in the font colour while the key is on, in grey while off.
    const RECT part = bar.GetPanelRect(2);
    const RECT inner{part.left + 1, part.top + 1, part.right - 1, part.bottom - 1};
    ui::WindowDc dc(bar.Handle());
    for (int press = 0; press < 2; ++press) {
        const bool on = (GetKeyState(VK_CAPITAL) & 1) == 0;
        PressCapsLock();
        PumpUntil([&] { return ShowsLock(on, inner, dc.Get()); });
        EXPECT_TRUE(ShowsLock(on, inner, dc.Get())) << press;
    }
}

TEST_F(StatusBarTest, MonitorLibraryReportsTheLockKeysAndIsOptional)
{
    TmoxStatusPanel& caps = AddPanel(sptCapsLock);
    bar.SetUseMonitorDLL(true);
    ASSERT_TRUE(MoxKbDLL_Loaded());
    // The state it reports is what the panel shows, whatever the thread's key state.
    const UINT report = RegisterWindowMessageA("MoxKbMon.LockKeyChanged");
    for (const bool on : {true, false}) {
        SendMessageA(bar.Handle(), report, VK_CAPITAL, on);
        SendMessageA(bar.Handle(), report, VK_NUMLOCK, !on); // about another key
        EXPECT_EQ(caps.LockState(), on);
        Draw(2);
        EXPECT_TRUE(ShowsLock(on, kInner));
    }
    // A real press reaches it through the library.
    const bool before = caps.LockState();
    for (const bool after : {!before, before}) {
        PressCapsLock();
        PumpUntil([&] { return caps.LockState() == after; });
        EXPECT_EQ(caps.LockState(), after);
    }
    // Switched off, the bar leaves the library, which is unloaded.
    bar.SetUseMonitorDLL(false);
    EXPECT_FALSE(MoxKbDLL_Loaded());

    // Without the library the bar stays with its own keyboard hook.
    const std::string name = std::exchange(MoxKbDLLName, "NoSuchMonitor.dll");
    bar.SetUseMonitorDLL(true);
    EXPECT_FALSE(bar.UseMonitorDLL());
    caps.SetPanelType(sptNormal);
    bar.SetUseMonitorDLL(true); // also without any key-lock panel
    EXPECT_FALSE(bar.UseMonitorDLL());
    MoxKbDLLName = name;
}

TEST_F(StatusBarTest, GlyphBottomLeftColourIsTransparent)
{
    // A 16 x 12 magenta glyph with a blue 8 x 6 block in the middle.
    const ui::WindowDc screen(nullptr);
    ui::OwnedBitmap picture(CreateCompatibleBitmap(screen.Get(), 16, 12));
    {
        const ui::OwnedMemoryDc dc(CreateCompatibleDC(screen.Get()));
        const ui::SelectObjectScope selection(dc.Get(), picture.Get());
        ui::Canvas art(dc.Get());
        art.SetBrushColor(kMagenta);
        art.FillRect(RECT{0, 0, 16, 12});
        art.SetBrushColor(kGaugeColor);
        art.FillRect(RECT{4, 3, 12, 9});
    }
    TmoxStatusPanel& glyph = AddPanel(sptGlyph);
    glyph.SetGlyph(picture.Get());
    EXPECT_EQ(glyph.Width(), 16 + 4);
    Draw(2);
    EXPECT_EQ(Count(kInner, kMagenta), 0);
    EXPECT_EQ(Count(kInner, kGaugeColor), 8 * 6);
    EXPECT_EQ(Count(kInner, kBarColor), Area(kInner) - 8 * 6);

    // Right-aligned with a text: the glyph at the right edge, the text left of it.
    glyph.SetAutoFit(false);
    glyph.SetAlignment(taRightJustify);
    glyph.SetText("Hi");
    Draw(2);
    EXPECT_EQ(Count(RECT{111 - 16 + 4, 6, 111 - 16 + 12, 26}, kGaugeColor), 8 * 6);
    EXPECT_GT(Count(RECT{11, 6, 111 - 16, 26}, kFontColor), 0);
    EXPECT_EQ(Count(RECT{111 - 16, 6, 111, 26}, kFontColor), 0);
}

TEST_F(StatusBarTest, ClicksAndHintsFindThePanelUnderTheCursor)
{
    std::vector<std::string> calls;
    gauge.OnClick = [&](TmoxStatusPanel& sender) { calls.push_back("gauge " + std::to_string(&sender == &gauge)); };
    bar.OnClick = [&](TmoxStatusBar&) { calls.push_back("bar"); };
    Show();
    const RECT first = bar.GetPanelRect(0), second = bar.GetPanelRect(1);
    const POINT onText{first.left + 5, (first.top + first.bottom) / 2};
    const POINT onGauge{second.left + 5, (second.top + second.bottom) / 2};
    for (POINT point : {onGauge, onText}) { // a panel without OnClick: the bar alone
        POINT screen = point;
        ClientToScreen(bar.Handle(), &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"gauge 1", "bar", "bar"}));

    // An ellipsis panel's hint is its full text, as its handler changes it.
    bar.SetHint("Status");
    text.SetPanelType(sptEllipsisPath);
    text.SetText("C:\\Games\\The Sims\\GameData\\Objects\\objects.far");
    text.OnHintText = [](TmoxStatusBar&, TmoxStatusPanel&, std::string& hint) { hint = "<" + hint + ">"; };
    EXPECT_EQ(bar.CMHintShow(onText).text, "<" + text.Text() + ">");
    // Over the hintless gauge: the bar's hint, up to the text panel's edge.
    const TmoxHintInfo hint = bar.CMHintShow(onGauge);
    EXPECT_EQ(hint.text, "Status");
    EXPECT_EQ(hint.cursorRect.left, first.right);
}

} // namespace
