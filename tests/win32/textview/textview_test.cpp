// The text view in a real window, driven as a user does; what it copies is read
// back from the clipboard. Where the caret and the rows go is the model's,
// tested natively.
#include "components/textview/textview.h"
#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/handles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kelvo {
namespace {

class TextViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
        parent.Reset(CreateWindowA("STATIC", "Text view", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 20, 20,
                                   500, 400, nullptr, nullptr, nullptr, nullptr));
        font.Reset(CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New"));
        view.Create(parent.Get(), 1);
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        MoveWindow(view.Handle(), 0, 0, 300, 200, FALSE);
        ShowWindow(view.Handle(), SW_SHOW), SetFocus(view.Handle()), ui::ProcessMessages();
    }
    void TearDown() override { EXPECT_TRUE(errors.empty()) << errors.front(); ui::SetExceptionHandler(nullptr); }
    void Send(UINT message, WPARAM wParam, LPARAM lParam) { SendMessageA(view.Handle(), message, wParam, lParam); }

    // Sends a key with Shift and Ctrl held as asked, released afterwards.
    void Key(WORD key, bool shift = false, bool control = false)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0, keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys), Send(WM_KEYDOWN, key, 0);
        keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
    // Ctrl+C, then the clipboard's CF_TEXT; its CF_UNICODETEXT goes to wide.
    std::string Copied(std::wstring* wide = nullptr)
    {
        if (OpenClipboard(parent.Get()))
            EmptyClipboard(), CloseClipboard();
        Key('C', false, true);
        std::string text;
        if (!OpenClipboard(parent.Get()))
            return "(clipboard not open)";
        if (HANDLE data = GetClipboardData(CF_TEXT))
            text = static_cast<const char*>(GlobalLock(data)), GlobalUnlock(data);
        if (HANDLE data = wide ? GetClipboardData(CF_UNICODETEXT) : nullptr)
            *wide = static_cast<const wchar_t*>(GlobalLock(data)), GlobalUnlock(data);
        CloseClipboard();
        return text;
    }
    // The client point of a caret position, in the middle of its row's height.
    LPARAM PointOf(std::int32_t pos)
    {
        const TextLayout& layout = view.Model().Layout();
        const std::int32_t row = layout.RowOf(pos);
        const int x = TTextView::kMargin + layout.XOf(layout.Row(row), pos);
        return MAKELPARAM(x, (row - view.Model().TopRow()) * view.RowHeight() + view.RowHeight() / 2);
    }
    SCROLLINFO ScrollBar()
    {
        SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(view.Handle(), SB_VERT, &info);
        return info;
    }

    ui::OwnedWindow parent;
    ui::OwnedFont font;
    TTextView view;
    std::vector<std::string> errors;
};

TEST_F(TextViewTest, KeysSelectAndCtrlCCopiesBothFormats)
{
    view.SetText(std::string("first line\r\nsecond caf\xE9\r\nthird\0hidden", 34));
    EXPECT_EQ(Copied(), ""); // nothing selected, nothing copied
    const struct { WORD key; bool shift, control; const char* copied; } keys[] = {
        {VK_RIGHT, true, false, "f"}, {VK_DOWN, true, false, "first line\r\ns"},
        {VK_END, true, false, "first line\r\nsecond caf\xE9"}, {VK_HOME, false, false, ""},
        {VK_END, true, true, "second caf\xE9\r\nthird"}, {VK_LEFT, false, false, ""},
        {VK_UP, true, false, "first line\r\n"}, {VK_HOME, true, true, "first line\r\n"},
        {'A', false, true, "first line\r\nsecond caf\xE9\r\nthird"},
        {'A', false, false, "first line\r\nsecond caf\xE9\r\nthird"}, // without Ctrl no key selects
    };
    for (const auto& k : keys) {
        Key(k.key, k.shift, k.control);
        EXPECT_EQ(Copied(), k.copied) << k.key << " " << k.shift << k.control;
    }
    std::wstring wide;
    Copied(&wide);
    EXPECT_EQ(wide, L"first line\r\nsecond caf\u00E9\r\nthird"); // the ANSI code page's e acute
}

TEST_F(TextViewTest, ReadersGetTheShownTextAsTheWindowText)
{
    view.SetText(std::string("first line\r\ncaf\xE9\0hidden", 23));
    EXPECT_EQ(GetWindowTextLengthA(view.Handle()), 16);
    // A buffer of any size gets as much as fits, closed by a zero.
    const std::pair<int, const char*> reads[] = {{17, "first line\r\ncaf\xE9"}, {16, "first line\r\ncaf"}, {1, ""}};
    for (const auto& [size, text] : reads) {
        std::string buffer(static_cast<std::size_t>(size) + 1, '#');
        EXPECT_EQ(GetWindowTextA(view.Handle(), buffer.data(), size), static_cast<int>(std::strlen(text))) << size;
        EXPECT_EQ(buffer.c_str(), std::string(text)) << size;
        EXPECT_EQ(buffer[static_cast<std::size_t>(size)], '#') << size; // nothing past the buffer
    }
}

TEST_F(TextViewTest, ClicksAndDragsSelect)
{
    view.SetText("alpha beta gamma\r\ndelta epsilon\r\nzeta");
    const std::int32_t beta = 6, epsilon = 24, zeta = 33;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, PointOf(beta));
    Send(WM_MOUSEMOVE, MK_LBUTTON, PointOf(epsilon));
    Send(WM_LBUTTONUP, 0, PointOf(epsilon));
    EXPECT_EQ(GetCapture(), nullptr);
    Send(WM_MOUSEMOVE, 0, PointOf(zeta)); // the button is up: no change
    EXPECT_EQ(Copied(), "beta gamma\r\ndelta ");
    Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, PointOf(zeta + 2)), Send(WM_LBUTTONUP, 0, PointOf(zeta + 2));
    EXPECT_EQ(Copied(), "beta gamma\r\ndelta epsilon\r\nze");
}

TEST_F(TextViewTest, ScrollBarWheelPagesAndRewrapping)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "row " + std::to_string(i) + " of a text that is long enough to wrap once\r\n";
    view.SetText(text);
    const int visible = 200 / view.RowHeight(), rows = view.Model().Layout().RowCount();
    EXPECT_EQ(std::pair(ScrollBar().nMax, static_cast<int>(ScrollBar().nPage)), std::pair(rows - 1, visible));

    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0), Send(WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(ScrollBar().nPos, static_cast<int>(lines) + visible);
    Send(WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(ScrollBar().nPos, rows - visible);
    Key(VK_HOME, false, true); // the caret was at the start: the view follows it
    EXPECT_EQ(ScrollBar().nPos, 0);
    Key(VK_NEXT);
    EXPECT_EQ(ScrollBar().nPos, visible);

    // Wider: each line fits on one row.
    MoveWindow(view.Handle(), 0, 0, 480, 200, TRUE);
    EXPECT_EQ(ScrollBar().nMax, 1000);
}

TEST_F(TextViewTest, PaintsTheSelectionInTheHighlightColours)
{
    view.SetText("selected\r\nplain");
    Key(VK_END, true);
    RECT client{};
    GetClientRect(view.Handle(), &client);
    ui::BitmapCanvas surface(nullptr, client.right, client.bottom);
    HDC dc = surface.canvas().Handle();
    Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    const auto count = [&](int row, COLORREF colour) {
        int found = 0;
        for (int y = row * view.RowHeight(); y < (row + 1) * view.RowHeight(); ++y)
            for (int x = 0; x < client.right; ++x)
                found += GetPixel(dc, x, y) == colour;
        return found;
    };
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), window = GetSysColor(COLOR_WINDOW);
    const int width = view.Model().Layout().XOf(view.Model().Layout().Row(0), 8);
    EXPECT_GT(count(0, highlight), width * view.RowHeight() / 2); // the selected text's background
    EXPECT_EQ(count(1, highlight), 0);
    EXPECT_LT(count(1, window), client.right * view.RowHeight()); // the plain row's text
}

} // namespace
} // namespace kelvo
