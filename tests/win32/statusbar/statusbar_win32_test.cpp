// The status bar in a real parent window: panels painted into memory
// contexts and checked pixel by pixel, the native parts, the panel timer.
#include "components/statusbar/moxstatusbar.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace kelvo;

namespace {

constexpr COLORREF kBarColor = RGB(255, 255, 255);
constexpr COLORREF kFontColor = RGB(255, 0, 0);
constexpr COLORREF kGaugeColor = RGB(0, 0, 255);
constexpr COLORREF kGaugeTextColor = RGB(255, 255, 0);
constexpr COLORREF kSentinel = RGB(0, 255, 0);

class TestParent : public ui::Window {
public:
    explicit TestParent(DWORD style = WS_OVERLAPPEDWINDOW)
    {
        CreateOwnWindow("KelvoStatusBarTestParent", style, 0, "Status bar", 40, 40, 600, 200, nullptr, nullptr,
                        CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    }
    std::function<void()> onSize;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SIZE && onSize)
            onSize();
        return Default(message, wParam, lParam);
    }
};

// A 32-bit top-down bitmap with a context, for reading back what was drawn.
class Surface {
public:
    Surface(int width, int height, COLORREF fill) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<std::uint32_t*>(bits);
        selection_.emplace(dc_.Get(), bitmap_.Get());
        Fill(fill);
    }
    HDC Dc() const { return dc_.Get(); }
    void Fill(COLORREF color)
    {
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i)
            bits_[i] = Pack(color);
    }
    COLORREF Pixel(int x, int y) const
    {
        GdiFlush();
        const std::uint32_t value = bits_[y * width_ + x];
        return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    }
    // Pixels of colour inside r.
    int Count(const RECT& r, COLORREF color) const
    {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += Pixel(x, y) == color;
        return count;
    }
    int Area(const RECT& r) const { return (r.right - r.left) * (r.bottom - r.top); }

private:
    static std::uint32_t Pack(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
    int width_, height_;
    ui::OwnedMemoryDc dc_;
    ui::OwnedBitmap bitmap_;
    std::optional<ui::SelectObjectScope> selection_;
    std::uint32_t* bits_ = nullptr;
};

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Runs the message loop until done() holds or about five seconds have passed.
bool PumpUntil(const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 5000)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
        ASSERT_TRUE(parent.Handle());
        bar.SetColor(kBarColor);
        bar.SetFontColor(kFontColor);
        parent.onSize = [this] { bar.ParentResized(); };
    }
    void TearDown() override { ui::SetExceptionHandler(nullptr); }

    // The main window's layout: a text panel and a centred percentage gauge.
    void AddMainWindowPanels()
    {
        TmoxStatusPanel& text = bar.Panels().Add();
        text.SetWidth(300);
        text.SetText("Ready");
        TmoxStatusPanel& gauge = bar.Panels().Add();
        gauge.SetWidth(50);
        gauge.SetPanelType(sptGauge);
        gauge.GaugeAttrs().SetColor(kGaugeColor);
        gauge.GaugeAttrs().SetTextColor(kGaugeTextColor);
    }

    // Draws panel index into a fresh surface at rect, the way the bar does.
    void Draw(Surface& surface, int index, const RECT& rect)
    {
        ui::Canvas canvas(surface.Dc());
        canvas.SelectFont(bar.Font());
        bar.Panels().Items(index).Redraw(canvas, rect);
        canvas.SelectFont(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    }

    std::vector<int> PartEdges()
    {
        const int count = static_cast<int>(SendMessageA(bar.Handle(), SB_GETPARTS, 0, 0));
        std::vector<int> edges(static_cast<std::size_t>(count));
        SendMessageA(bar.Handle(), SB_GETPARTS, count, reinterpret_cast<LPARAM>(edges.data()));
        return edges;
    }

    std::vector<std::string> errors;
    TestParent parent;
    TmoxStatusBar bar;
};

// The panel rectangle used for drawn-pixel checks, and the inner area the
// panel paints (its 1-pixel frame stays untouched).
constexpr RECT kPanelRect{10, 5, 112, 27};
constexpr RECT kInner{11, 6, 111, 26};

TEST_F(StatusBarTest, PercentGaugeCaptionChangesColourAtTheFillEdge)
{
    ASSERT_TRUE(bar.Create(parent.Handle()));
    AddMainWindowPanels();
    TmoxStatusPanel& gauge = bar.Panels().Items(1);
    EXPECT_EQ(gauge.Alignment(), taCenter);
    const RECT filledHalf{11, 6, 61, 26}, restHalf{61, 6, 111, 26};

    Surface surface(130, 40, kSentinel);
    gauge.GaugeAttrs().SetPosition(50);
    Draw(surface, 1, kPanelRect);
    // Left of the edge: gauge colour, caption in the gauge's text colour.
    EXPECT_GT(surface.Count(filledHalf, kGaugeColor), surface.Area(filledHalf) / 2);
    EXPECT_GT(surface.Count(filledHalf, kGaugeTextColor), 0);
    EXPECT_EQ(surface.Count(filledHalf, kFontColor), 0);
    EXPECT_EQ(surface.Count(filledHalf, kBarColor), 0);
    // Right of it: bar colour, caption in the font colour.
    EXPECT_GT(surface.Count(restHalf, kBarColor), surface.Area(restHalf) / 2);
    EXPECT_GT(surface.Count(restHalf, kFontColor), 0);
    EXPECT_EQ(surface.Count(restHalf, kGaugeTextColor), 0);
    EXPECT_EQ(surface.Count(restHalf, kGaugeColor), 0);

    surface.Fill(kSentinel);
    gauge.GaugeAttrs().SetPosition(0);
    Draw(surface, 1, kPanelRect);
    EXPECT_EQ(surface.Count(kInner, kGaugeColor), 0);
    EXPECT_EQ(surface.Count(kInner, kGaugeTextColor), 0);
    EXPECT_GT(surface.Count(kInner, kFontColor), 0); // "0%"

    surface.Fill(kSentinel);
    gauge.GaugeAttrs().SetPosition(100);
    Draw(surface, 1, kPanelRect);
    EXPECT_EQ(surface.Count(kInner, kBarColor), 0);
    EXPECT_EQ(surface.Count(kInner, kFontColor), 0);
    EXPECT_GT(surface.Count(kInner, kGaugeTextColor), 0);

    // A text replaces the percentage: a blank leaves the bar alone.
    surface.Fill(kSentinel);
    gauge.SetText(" ");
    gauge.GaugeAttrs().SetPosition(50);
    Draw(surface, 1, kPanelRect);
    EXPECT_EQ(surface.Count(kInner, kGaugeTextColor) + surface.Count(kInner, kFontColor), 0);
    EXPECT_EQ(surface.Count(filledHalf, kGaugeColor), surface.Area(filledHalf));
    EXPECT_EQ(surface.Count(restHalf, kBarColor), surface.Area(restHalf));
    EXPECT_TRUE(errors.empty());
}

TEST_F(StatusBarTest, DisabledPanelsShowOnlyTheBackground)
{
    ASSERT_TRUE(bar.Create(parent.Handle()));
    AddMainWindowPanels();
    bar.Panels().Items(1).GaugeAttrs().SetPosition(50);
    Surface surface(130, 40, kSentinel);

    for (int index : {0, 1}) {
        bar.Panels().Items(index).SetEnabled(false);
        EXPECT_FALSE(bar.Panels().Items(index).Enabled());
        surface.Fill(kSentinel);
        Draw(surface, index, kPanelRect);
        EXPECT_EQ(surface.Count(kInner, kBarColor), surface.Area(kInner)) << index;
        bar.Panels().Items(index).SetEnabled(true);
    }

    // A disabled bar disables every panel as read, and gives them back.
    bar.SetEnabled(false);
    EXPECT_FALSE(bar.Panels().Items(0).Enabled());
    surface.Fill(kSentinel);
    Draw(surface, 0, kPanelRect);
    EXPECT_EQ(surface.Count(kInner, kBarColor), surface.Area(kInner));
    bar.SetEnabled(true);
    surface.Fill(kSentinel);
    Draw(surface, 0, kPanelRect);
    EXPECT_GT(surface.Count(kInner, kFontColor), 0); // "Ready"
}

TEST_F(StatusBarTest, PanelsPaintOnlyInsideTheirFrame)
{
    ASSERT_TRUE(bar.Create(parent.Handle()));
    AddMainWindowPanels();
    TmoxStatusPanel& text = bar.Panels().Items(0);
    text.SetText("A text much longer than the panel it is drawn in, going on and on");
    TmoxStatusPanel& ramp = bar.Panels().Items(1);
    ramp.GaugeAttrs().SetStyle(gsIndeterminate2);
    ramp.SetEnabled(true);
    ramp.GaugeAttrs().SetSpeed(30);

    Surface surface(130, 40, kSentinel);
    const auto expectOnlyInside = [&](int index, const char* what) {
        int outside = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 130; ++x) {
                const POINT p{x, y};
                const bool changed = surface.Pixel(x, y) != kSentinel;
                if (PtInRect(&kInner, p))
                    EXPECT_TRUE(changed) << what << " at " << x << "," << y;
                else
                    outside += changed;
            }
        EXPECT_EQ(outside, 0) << what << " panel " << index;
    };
    Draw(surface, 0, kPanelRect);
    expectOnlyInside(0, "long text");

    // The ramp slides right, turns, and leaves on the left; it never shows
    // outside the panel.
    bool turned = false, leftEdge = false;
    for (int tick = 0; tick < 20; ++tick) {
        surface.Fill(kSentinel);
        Draw(surface, 1, kPanelRect);
        expectOnlyInside(1, "ramp");
        turned = turned || ramp.GaugeMotion().step < 0;
        leftEdge = leftEdge || ramp.GaugeMotion().offset < 0;
    }
    EXPECT_TRUE(turned);
    EXPECT_TRUE(leftEdge);

    ramp.GaugeAttrs().SetStyle(gsIndeterminate);
    for (int tick = 0; tick < 10; ++tick) {
        surface.Fill(kSentinel);
        Draw(surface, 1, kPanelRect);
        expectOnlyInside(1, "ball");
    }
    ramp.SetEnabled(false);
}

TEST_F(StatusBarTest, AnimatedGaugeRampRunsFromBarColourToGaugeColour)
{
    ASSERT_TRUE(bar.Create(parent.Handle()));
    AddMainWindowPanels();
    TmoxStatusPanel& gauge = bar.Panels().Items(1);
    std::unique_ptr<ui::BitmapCanvas> ramp = gauge.InitGaugeBitmap();
    ASSERT_TRUE(ramp->Valid());
    RECT barRect;
    GetWindowRect(bar.Handle(), &barRect);
    EXPECT_EQ(ramp->Width(), 100);
    EXPECT_EQ(ramp->Height(), barRect.bottom - barRect.top);
    EXPECT_EQ(GetPixel(ramp->canvas().Handle(), 0, 0), kBarColor);
    EXPECT_EQ(GetPixel(ramp->canvas().Handle(), 99, ramp->Height() - 1), kGaugeColor);

    // Moving right, the gauge-coloured end of the ramp leads.
    gauge.GaugeAttrs().SetStyle(gsIndeterminate2);
    gauge.SetEnabled(true);
    Surface surface(300, 40, kSentinel);
    const RECT wide{0, 0, 250, 22};
    Draw(surface, 1, wide);
    const int offset = gauge.GaugeMotion().offset;
    ASSERT_GT(gauge.GaugeMotion().step, 0);
    ASSERT_LT(offset, 100);
    EXPECT_EQ(surface.Pixel(1 + offset + 99, 10), kGaugeColor);
    EXPECT_EQ(surface.Pixel(1 + offset, 10), kBarColor);
    gauge.SetEnabled(false);
}

TEST_F(StatusBarTest, NativePartsFollowThePanels)
{
    ASSERT_TRUE(bar.Create(parent.Handle()));
    AddMainWindowPanels();
    TmoxStatusPanel& third = bar.Panels().Add();
    third.SetWidth(80);
    // The last part reaches the end of the bar.
    EXPECT_EQ(PartEdges(), (std::vector<int>{300, 350, -1}));

    bar.Panels().Items(0).SetWidth(200);
    EXPECT_EQ(PartEdges(), (std::vector<int>{200, 250, -1}));

    // Moving a panel moves its part: the width stays with the panel.
    third.SetIndex(0);
    EXPECT_EQ(third.Index(), 0);
    EXPECT_EQ(third.Width(), 80);
    EXPECT_EQ(bar.Panels().Items(1).Text(), "Ready");
    EXPECT_EQ(PartEdges(), (std::vector<int>{80, 280, -1}));
    EXPECT_EQ(bar.FindLinkedPanel(bar.NativePanel(0)), &third);
    EXPECT_EQ(bar.FindLinkedPanel(bar.NativePanel(2)), &bar.Panels().Items(2));
    const TStatusPanel stranger;
    EXPECT_EQ(bar.FindLinkedPanel(stranger), nullptr);

    // Bevels reach the native parts.
    third.SetBevel(pbRaised);
    EXPECT_TRUE(HIWORD(SendMessageA(bar.Handle(), SB_GETTEXTLENGTHA, 0, 0)) & SBT_POPOUT);
    EXPECT_TRUE(HIWORD(SendMessageA(bar.Handle(), SB_GETTEXTLENGTHA, 1, 0)) & SBT_OWNERDRAW);

    bar.Panels().Delete(0);
    EXPECT_EQ(bar.Panels().Count(), 2);
    EXPECT_EQ(bar.NativeCount(), 2);
    EXPECT_EQ(PartEdges(), (std::vector<int>{200, -1}));
}

TEST_F(StatusBarTest, AutoFitWidthsFollowTextAndFont)
{
    TmoxStatusPanel& fitted = bar.Panels().Add();
    fitted.SetText("Hello");
    fitted.SetAutoFit(true);
    bar.Panels().Add().SetWidth(40);
    ASSERT_TRUE(bar.Create(parent.Handle()));
    const int helloWidth = bar.TextExtent("Hello").cx;
    ASSERT_GT(helloWidth, 0);
    EXPECT_EQ(fitted.Width(), helloWidth + 6);

    fitted.SetWidth(500); // ignored: the width is automatic
    EXPECT_EQ(fitted.Width(), helloWidth + 6);
    fitted.SetBorderWidth(3);
    EXPECT_EQ(fitted.Width(), helloWidth + 9);
    fitted.SetText("Hello, world");
    EXPECT_EQ(fitted.Width(), bar.TextExtent("Hello, world").cx + 9);
    EXPECT_EQ(PartEdges()[0], fitted.Width());

    // A larger font refits the panel.
    const int before = fitted.Width();
    LOGFONTA large{};
    large.lfHeight = -28;
    std::strcpy(large.lfFaceName, "Tahoma");
    const ui::OwnedFont font(CreateFontIndirectA(&large));
    bar.SetFont(font.Get());
    EXPECT_GT(fitted.Width(), before);
    EXPECT_EQ(fitted.Width(), bar.TextExtent("Hello, world").cx + 9);

    // Switching to a gauge turns the automatic width off.
    fitted.SetPanelType(sptGauge);
    EXPECT_FALSE(fitted.AutoFit());
    fitted.SetWidth(77);
    EXPECT_EQ(fitted.Width(), 77);
}

TEST_F(StatusBarTest, IndexErrorsCarryTheIndex)
{
    ASSERT_TRUE(bar.Create(parent.Handle()));
    AddMainWindowPanels();
    const auto messageOf = [](const std::function<void()>& action) -> std::string {
        try {
            action();
        } catch (const EListError& error) {
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(messageOf([&] { bar.InvalidatePanel(5); }), "List index out of bounds (5)");
    EXPECT_EQ(messageOf([&] { bar.InvalidatePanel(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(messageOf([&] { bar.InvalidatePanel(2); }), "List index out of bounds (2)");
    EXPECT_EQ(messageOf([&] { bar.Panels().Items(7); }), "List index out of bounds (7)");
    EXPECT_EQ(messageOf([&] { bar.Panels().Items(0).SetIndex(3); }), "List index out of bounds (3)");
    EXPECT_EQ(messageOf([&] { bar.InvalidatePanel(1); }), "no error");
    const RECT missing = bar.GetPanelRect(9);
    EXPECT_TRUE(IsRectEmpty(&missing));
}

TEST_F(StatusBarTest, AnimatedGaugeRunsOnTheSharedTimer)
{
    const int registrations = statusbar::TimerRegistrationCount();
    ASSERT_TRUE(bar.Create(parent.Handle()));
    ShowWindow(parent.Handle(), SW_SHOWNOACTIVATE);
    AddMainWindowPanels();
    EXPECT_EQ(bar.Panels().Timer(), nullptr) << "a percentage gauge never runs";

    // Becoming an animated gauge leaves it stopped; enabling starts it.
    TmoxStatusPanel& ball = bar.Panels().Add();
    ball.SetWidth(60);
    ball.GaugeAttrs().SetStyle(gsIndeterminate);
    ball.SetPanelType(sptGauge);
    EXPECT_FALSE(ball.Enabled());
    EXPECT_EQ(bar.Panels().Timer(), nullptr);
    ball.SetEnabled(true);
    ASSERT_NE(bar.Panels().Timer(), nullptr);
    EXPECT_EQ(bar.Panels().Timer()->Interval(), INDETERMINATE_GAUGE_UPDATE_INTERVAL);
    EXPECT_TRUE(bar.Panels().Timer()->Enabled());
    EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations + 1);

    // Each tick moves the ball by Speed pixels.
    ball.GaugeAttrs().SetSpeed(3);
    EXPECT_EQ(ball.GaugeMotion().step, 3);
    const int start = ball.GaugeMotion().offset;
    EXPECT_TRUE(PumpUntil([&] { return ball.GaugeMotion().offset >= start + 9; }));
    EXPECT_EQ((ball.GaugeMotion().offset - start) % 3, 0);

    // A new width restarts it at the left edge; the repaint draws the first step.
    ball.SetWidth(70);
    EXPECT_EQ(ball.GaugeMotion().offset, 3);

    // The disabled bar stops every animation, and the timer with it.
    bar.SetEnabled(false);
    EXPECT_EQ(bar.Panels().Timer(), nullptr);
    EXPECT_EQ(ball.GaugeMotion().offset, 0);
    bar.SetEnabled(true);
    EXPECT_NE(bar.Panels().Timer(), nullptr);

    // Back to a percentage gauge: no timer.
    ball.GaugeAttrs().SetStyle(gsPercent);
    EXPECT_EQ(bar.Panels().Timer(), nullptr);
    EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations);

    ball.GaugeAttrs().SetStyle(gsIndeterminate2);
    EXPECT_NE(bar.Panels().Timer(), nullptr);
    bar.Panels().Delete(ball.Index());
    EXPECT_EQ(bar.Panels().Timer(), nullptr);
    EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations);
    EXPECT_TRUE(errors.empty());
}

TEST_F(StatusBarTest, DestroyingTheBarUndoesItsRegistrations)
{
    const int registrations = statusbar::TimerRegistrationCount();
    {
        TmoxStatusBar other;
        TmoxStatusPanel& gauge = other.Panels().Add();
        gauge.GaugeAttrs().SetStyle(gsIndeterminate2);
        gauge.SetPanelType(sptGauge);
        gauge.SetEnabled(true);
        other.Panels().Add().SetPanelType(sptTime);
        EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations + 2);
        EXPECT_EQ(other.Panels().Timer()->Interval(), 50u);
    }
    EXPECT_EQ(statusbar::TimerRegistrationCount(), registrations);
    EXPECT_NO_THROW(statusbar::CheckTimerRegistrations());
}

TEST_F(StatusBarTest, AssignCopiesSettingsAndKindLast)
{
    AddMainWindowPanels();
    TmoxStatusPanel& source = bar.Panels().Items(1);
    source.SetText("busy");
    source.SetBorderWidth(2);
    source.GaugeAttrs().SetPosition(42);
    source.GaugeAttrs().SetSpeed(7);

    TmoxStatusBar copy;
    copy.SetPanels(bar.Panels());
    ASSERT_EQ(copy.Panels().Count(), 2);
    ASSERT_EQ(copy.NativeCount(), 2);
    const TmoxStatusPanel& gauge = copy.Panels().Items(1);
    EXPECT_EQ(gauge.PanelType(), sptGauge);
    EXPECT_EQ(gauge.Alignment(), taCenter);
    EXPECT_EQ(gauge.Width(), 50);
    EXPECT_EQ(gauge.Text(), "busy");
    EXPECT_EQ(gauge.BorderWidth(), 2);
    EXPECT_EQ(gauge.GaugeAttrs().Position(), 42);
    EXPECT_EQ(gauge.GaugeAttrs().Speed(), 7);
    EXPECT_EQ(gauge.GaugeAttrs().Color(), kGaugeColor);
    EXPECT_EQ(copy.Panels().Items(0).Text(), "Ready");
    EXPECT_EQ(copy.Panels().Items(0).Width(), 300);

    // Setting an item copies the panel and its native part.
    copy.Panels().Items(0).SetBevel(pbNone);
    bar.Panels().SetItems(0, copy.Panels().Items(0));
    EXPECT_EQ(bar.Panels().Items(0).Bevel(), pbNone);
    EXPECT_EQ(TmoxStatusBar::Version(), "TmoxStatusBar v1.20");
}

TEST_F(StatusBarTest, NativeWindowAsksTheBarToDrawEveryPart)
{
    ASSERT_TRUE(bar.Create(parent.Handle()));
    AddMainWindowPanels();
    TmoxStatusPanel& owner = bar.Panels().Add();
    owner.SetWidth(40);
    owner.SetPanelType(sptOwnerDraw);
    std::vector<std::string> calls;
    bar.OnDrawPanel = [&](TmoxStatusBar&, TmoxStatusPanel& panel, ui::Canvas&, const RECT&) {
        calls.push_back("bar " + std::to_string(panel.Index()));
    };
    owner.OnDrawPanel = [&](TmoxStatusBar&, TmoxStatusPanel& panel, ui::Canvas& canvas, const RECT& rect) {
        calls.push_back("panel " + std::to_string(panel.Index()));
        canvas.SetBrushColor(RGB(0, 128, 128));
        canvas.FillRect(rect);
    };
    bar.Panels().Items(1).GaugeAttrs().SetPosition(100);
    ShowWindow(parent.Handle(), SW_SHOWNOACTIVATE);
    PumpMessages();
    RECT client;
    GetClientRect(bar.Handle(), &client);
    calls.clear();

    Surface surface(client.right, client.bottom, kSentinel);
    SendMessageA(bar.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.Dc()), PRF_CLIENT);
    EXPECT_EQ(calls, (std::vector<std::string>{"bar 0", "bar 1", "bar 2", "panel 2"}));
    RECT gauge = bar.GetPanelRect(1);
    InflateRect(&gauge, -1, -1);
    EXPECT_EQ(surface.Count(gauge, kBarColor), 0);
    EXPECT_GT(surface.Count(gauge, kGaugeColor), surface.Area(gauge) / 2);
    EXPECT_GT(surface.Count(bar.GetPanelRect(2), RGB(0, 128, 128)), 0);

    // An owner-draw panel without a handler draws nothing at all.
    owner.OnDrawPanel = nullptr;
    Surface untouched(130, 40, kSentinel);
    Draw(untouched, 2, kPanelRect);
    EXPECT_EQ(untouched.Count(RECT{0, 0, 130, 40}, kSentinel), 130 * 40);
    EXPECT_TRUE(errors.empty());
}

TEST_F(StatusBarTest, SettingTextPaintsTheWindowAtOnce)
{
    ASSERT_TRUE(bar.Create(parent.Handle()));
    AddMainWindowPanels();
    ShowWindow(parent.Handle(), SW_SHOWNOACTIVATE);
    UpdateWindow(parent.Handle());
    PumpMessages();
    RECT gauge = bar.GetPanelRect(1);
    InflateRect(&gauge, -1, -1);
    const POINT inside{gauge.left + 3, (gauge.top + gauge.bottom) / 2};
    ui::WindowDc dc(bar.Handle());
    EXPECT_EQ(GetPixel(dc.Get(), inside.x, inside.y), kBarColor);

    // No message is pumped: the panel paints as the position is set.
    bar.Panels().Items(1).GaugeAttrs().SetPosition(100);
    EXPECT_EQ(GetPixel(dc.Get(), inside.x, inside.y), kGaugeColor);
    bar.Panels().Items(1).GaugeAttrs().SetPosition(0);
    EXPECT_EQ(GetPixel(dc.Get(), inside.x, inside.y), kBarColor);

    // The bar stays at the bottom as the parent is resized.
    SetWindowPos(parent.Handle(), nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT parentClient, barRect;
    GetClientRect(parent.Handle(), &parentClient);
    GetWindowRect(bar.Handle(), &barRect);
    MapWindowPoints(nullptr, parent.Handle(), reinterpret_cast<POINT*>(&barRect), 2);
    EXPECT_EQ(barRect.bottom, parentClient.bottom);
    EXPECT_EQ(barRect.right - barRect.left, parentClient.right);
}

} // namespace
