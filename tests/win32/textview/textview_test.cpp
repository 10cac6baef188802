// The text view in a real window, driven as a user does: keys with Shift and
// Ctrl held in the thread's key state, clicks and drags, the wheel and the
// scroll bar; what it copies is read back from the clipboard and what it
// paints from a memory context.
#include "components/textview/textview.h"
#include "ui/form.h"
#include "ui/handles.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace kelvo {
namespace {

class TestParent : public ui::Window {
public:
    TestParent()
    {
        CreateOwnWindow("KelvoTextTestParent", WS_OVERLAPPEDWINDOW, 0, "Text view", 20, 20, 500, 400, nullptr, nullptr);
    }
};

class TextViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
        font.Reset(CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New"));
        view.Create(parent.Handle(), 1);
        SendMessageA(view.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        MoveWindow(view.Handle(), 0, 0, 300, 200, FALSE);
        ShowWindow(parent.Handle(), SW_SHOW);
        ShowWindow(view.Handle(), SW_SHOW);
        SetFocus(view.Handle());
        ui::ProcessMessages();
    }
    void TearDown() override
    {
        Hold(VK_SHIFT, false);
        Hold(VK_CONTROL, false);
        EXPECT_TRUE(errors.empty()) << errors.front();
        ui::SetExceptionHandler(nullptr);
    }

    static void Hold(int key, bool down)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[key] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    void Key(WORD key, bool shift = false, bool control = false)
    {
        Hold(VK_SHIFT, shift);
        Hold(VK_CONTROL, control);
        SendMessageA(view.Handle(), WM_KEYDOWN, key, 0);
        Hold(VK_SHIFT, false);
        Hold(VK_CONTROL, false);
    }
    // Ctrl+C, then the clipboard's CF_TEXT; its CF_UNICODETEXT goes to wide.
    std::string Copied(std::wstring* wide = nullptr)
    {
        if (OpenClipboard(parent.Handle())) {
            EmptyClipboard();
            CloseClipboard();
        }
        Key('C', false, true);
        std::string text;
        if (!OpenClipboard(parent.Handle()))
            return "(clipboard not open)";
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        if (HANDLE data = wide ? GetClipboardData(CF_UNICODETEXT) : nullptr) {
            *wide = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }
    // The client point of a caret position, in the middle of its row's height.
    LPARAM PointOf(std::int32_t pos)
    {
        const TextLayout& layout = view.Model().Layout();
        const std::int32_t row = layout.RowOf(pos);
        const int x = TTextView::kMargin + layout.XOf(layout.Row(row), pos);
        const int y = (row - view.Model().TopRow()) * view.RowHeight() + view.RowHeight() / 2;
        return MAKELPARAM(x, y);
    }
    SCROLLINFO ScrollBar()
    {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        GetScrollInfo(view.Handle(), SB_VERT, &info);
        return info;
    }

    TestParent parent;
    ui::OwnedFont font;
    TTextView view;
    std::vector<std::string> errors;
};

TEST_F(TextViewTest, KeysSelectAndCtrlCCopiesBothFormats)
{
    view.SetText(std::string("first line\r\nsecond caf\xE9\r\nthird\0hidden", 34));
    EXPECT_EQ(view.Text(), "first line\r\nsecond caf\xE9\r\nthird");
    EXPECT_EQ(Copied(), ""); // nothing selected, nothing copied
    for (int i = 0; i < 5; ++i)
        Key(VK_RIGHT, true);
    EXPECT_EQ(Copied(), "first");
    Key(VK_DOWN, true);
    EXPECT_EQ(Copied(), "first line\r\nsecon");
    Key(VK_END, true);
    std::wstring wide;
    EXPECT_EQ(Copied(&wide), "first line\r\nsecond caf\xE9");
    EXPECT_EQ(wide, L"first line\r\nsecond caf\u00E9"); // the ANSI code page's e acute
    Key(VK_HOME);                                       // drops the selection
    Key(VK_END, true, true);
    EXPECT_EQ(Copied(), "second caf\xE9\r\nthird");
    Key(VK_LEFT); // drops the selection at its start
    EXPECT_EQ(Copied(), "");
    Key(VK_END, false, true);
    Key(VK_HOME, true, true);
    EXPECT_EQ(Copied(), "first line\r\nsecond caf\xE9\r\nthird");
    Key(VK_RIGHT);
    Key('A', false, true);
    EXPECT_EQ(Copied(), view.Text());
    Key('A'); // without Ctrl no key changes the selection
    EXPECT_EQ(Copied(), view.Text());
}

TEST_F(TextViewTest, ReadersGetTheShownTextAsTheWindowText)
{
    EXPECT_EQ(GetWindowTextLengthA(view.Handle()), 0);
    view.SetText(std::string("first line\r\ncaf\xE9\0hidden", 23));
    EXPECT_EQ(GetWindowTextLengthA(view.Handle()), 16);
    // A buffer of any size gets as much as fits, closed by a zero.
    const struct {
        int size;
        const char* text;
    } reads[] = {{100, "first line\r\ncaf\xE9"}, {17, "first line\r\ncaf\xE9"}, {16, "first line\r\ncaf"},
                 {6, "first"}, {1, ""}};
    for (const auto& read : reads) {
        std::string buffer(static_cast<std::size_t>(read.size) + 1, '#');
        const int length = GetWindowTextA(view.Handle(), buffer.data(), read.size);
        EXPECT_EQ(length, static_cast<int>(std::strlen(read.text))) << read.size;
        EXPECT_EQ(buffer.c_str(), std::string(read.text)) << read.size;
        EXPECT_EQ(buffer[static_cast<std::size_t>(read.size)], '#') << read.size; // nothing past the buffer
    }
    // Readers that ask in UTF-16 get the ANSI text converted.
    wchar_t wide[32]{};
    SendMessageW(view.Handle(), WM_GETTEXT, 32, reinterpret_cast<LPARAM>(wide));
    EXPECT_EQ(std::wstring(wide), L"first line\r\ncaf\u00E9");
}

TEST_F(TextViewTest, ClicksAndDragsSelect)
{
    view.SetText("alpha beta gamma\r\ndelta epsilon\r\nzeta");
    const std::int32_t beta = 6, epsilon = 24, zeta = 33;
    SendMessageA(view.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOf(beta));
    SendMessageA(view.Handle(), WM_MOUSEMOVE, MK_LBUTTON, PointOf(epsilon));
    SendMessageA(view.Handle(), WM_LBUTTONUP, 0, PointOf(epsilon));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Copied(), "beta gamma\r\ndelta ");
    SendMessageA(view.Handle(), WM_MOUSEMOVE, 0, PointOf(zeta)); // the button is up: no change
    EXPECT_EQ(Copied(), "beta gamma\r\ndelta ");
    SendMessageA(view.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, PointOf(zeta + 2));
    SendMessageA(view.Handle(), WM_LBUTTONUP, 0, PointOf(zeta + 2));
    EXPECT_EQ(Copied(), "beta gamma\r\ndelta epsilon\r\nze");
    // Far right of a row and below the text.
    SendMessageA(view.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(290, view.RowHeight() + 2));
    SendMessageA(view.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(290, 190));
    SendMessageA(view.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(5, 190));
    EXPECT_EQ(Copied(), "\r\nzeta");
}

TEST_F(TextViewTest, ScrollBarWheelPagesAndRewrapping)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "row " + std::to_string(i) + " of a text that is long enough to wrap once\r\n";
    view.SetText(text);
    const int visible = 200 / view.RowHeight();
    SCROLLINFO bar = ScrollBar();
    const int rows = view.Model().Layout().RowCount();
    EXPECT_GE(rows, 2001); // every line wraps once, and an empty row ends the text
    EXPECT_EQ(bar.nMax, rows - 1);
    EXPECT_EQ(static_cast<int>(bar.nPage), visible);
    EXPECT_EQ(bar.nPos, 0);

    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    SendMessageA(view.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_EQ(ScrollBar().nPos, static_cast<int>(lines));
    SendMessageA(view.Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(ScrollBar().nPos, static_cast<int>(lines) + visible);
    SendMessageA(view.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(ScrollBar().nPos, rows - visible);
    Key(VK_HOME, false, true); // the caret was at the start: the view follows it
    EXPECT_EQ(ScrollBar().nPos, 0);
    Key(VK_NEXT);
    Key(VK_NEXT);
    EXPECT_EQ(ScrollBar().nPos, 2 * visible);

    // Wider: each line fits on one row, the byte at the top stays at the top.
    const std::int32_t topByte = view.Model().Layout().Row(view.Model().TopRow()).start;
    MoveWindow(view.Handle(), 0, 0, 480, 200, TRUE);
    EXPECT_EQ(view.Model().Layout().RowCount(), 1001);
    EXPECT_EQ(ScrollBar().nMax, 1000);
    const TextRow top = view.Model().Layout().Row(view.Model().TopRow());
    EXPECT_LE(top.start, topByte);
    EXPECT_GT(top.next, topByte);
}

TEST_F(TextViewTest, PaintsTheSelectionInTheHighlightColours)
{
    view.SetText("selected\r\nplain");
    Key(VK_END, true);
    RECT client{};
    GetClientRect(view.Handle(), &client);
    ui::WindowDc screen(view.Handle());
    ui::OwnedMemoryDc memory(CreateCompatibleDC(screen.Get()));
    ui::OwnedBitmap bitmap(CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
    ui::SelectObjectScope selected(memory.Get(), bitmap.Get());
    SendMessageA(view.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT);
    auto count = [&](int row, COLORREF colour) {
        int found = 0;
        for (int y = row * view.RowHeight(); y < (row + 1) * view.RowHeight(); ++y)
            for (int x = 0; x < client.right; ++x)
                found += GetPixel(memory.Get(), x, y) == colour;
        return found;
    };
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), window = GetSysColor(COLOR_WINDOW);
    const int width = view.Model().Layout().XOf(view.Model().Layout().Row(0), 8);
    EXPECT_GT(count(0, highlight), width * view.RowHeight() / 2); // the selected text's background
    EXPECT_EQ(count(1, highlight), 0);
    EXPECT_LT(count(1, window), client.right * view.RowHeight()); // the plain row's text
    EXPECT_EQ(count(3, window), client.right * view.RowHeight());  // nothing below the text
}

} // namespace
} // namespace kelvo
