// The hex view control and its grid base in real windows: cells painted into
// a memory context and compared with text drawn the same way in the
// expected colours, the caret and scroll bars read back from the system,
// files loaded and saved in the temporary folder.
#include "components/hexview/hexeditor.h"
#include "platform/file.h"
#include "tests/test_support.h"
#include "ui/form.h"

#include <numeric>
#include <sstream>
#include <tuple>

namespace kelvo {
namespace {

constexpr const char* kFace = "Courier New";
constexpr int kFontHeight = -16;
constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kSentinel = RGB(0, 255, 0);
constexpr int kWidth = 900, kHeight = 360;

class TestParent : public ui::Window {
public:
    TestParent()
    {
        CreateOwnWindow("KelvoHexTestParent", WS_OVERLAPPEDWINDOW, 0, "Hex view", 20, 20, 960, 440, nullptr, nullptr);
    }
};

using test::ReadBytes;

// Bytes 0 to 255: byte n is at offset n.
std::string Counting()
{
    std::string bytes(256, '\0');
    std::iota(bytes.begin(), bytes.end(), '\0');
    return bytes;
}

class HexEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
        editor.Create(parent.Handle(), 1);
        editor.SetFont(kFace, kFontHeight);
        editor.Colors().SetBackground(kBackground);
        MoveWindow(editor.Handle(), 0, 0, kWidth, kHeight, FALSE);
        prefix = platform::TempFolder() + "kelvo-hex-" + std::to_string(platform::ProcessId()) + "-";
    }
    void TearDown() override
    {
        EXPECT_TRUE(errors.empty()) << errors.front();
        ui::SetExceptionHandler(nullptr);
        for (const std::string& path : files) {
            platform::RemoveFile(path);
            RemoveDirectoryA(path.c_str());
        }
    }

    std::string File(const std::string& name, const std::string& bytes)
    {
        files.push_back(prefix + name);
        test::WriteBytes(files.back(), bytes);
        return files.back();
    }
    void Show()
    {
        ShowWindow(parent.Handle(), SW_SHOW);
        ShowWindow(editor.Handle(), SW_SHOW);
        UpdateWindow(parent.Handle());
        ui::ProcessMessages();
    }
    void Paint()
    {
        surface.canvas().SetBrushColor(kSentinel);
        surface.canvas().FillRect(RECT{0, 0, kWidth, kHeight});
        SendMessageA(editor.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.canvas().Handle()), PRF_CLIENT);
    }
    COLORREF Pixel(int x, int y) { return GetPixel(surface.canvas().Handle(), x, y); }
    int Count(const RECT& r, COLORREF color)
    {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += Pixel(x, y) == color;
        return count;
    }
    // Whether the painted cell is exactly text drawn in the given colours.
    ::testing::AssertionResult Shows(int col, int row, const std::string& text, HexColor textColor,
                                     HexColor background)
    {
        const RECT cell = editor.CellRect(col, row);
        if (IsRectEmpty(&cell))
            return ::testing::AssertionFailure() << "cell " << col << "," << row << " not on screen";
        const int width = cell.right - cell.left, height = cell.bottom - cell.top;
        ui::BitmapCanvas expected(nullptr, width, height);
        HDC dc = expected.canvas().Handle();
        ui::SelectObjectScope font(dc, referenceFont.Get());
        SetTextColor(dc, ui::ColorToRGB(textColor));
        SetBkColor(dc, ui::ColorToRGB(background));
        const RECT all{0, 0, width, height};
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &all, text.data(), static_cast<UINT>(text.size()), nullptr);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (GetPixel(dc, x, y) != Pixel(cell.left + x, cell.top + y))
                    return ::testing::AssertionFailure()
                           << "cell " << col << "," << row << " is not \"" << text << "\" at " << x << "," << y;
        return ::testing::AssertionSuccess();
    }
    GUITHREADINFO Caret()
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetCurrentThreadId(), &info);
        return info;
    }

    std::vector<std::string> errors;
    std::vector<std::string> files;
    std::string prefix;
    TestParent parent;
    THexEditor editor;
    ui::BitmapCanvas surface{nullptr, kWidth, kHeight};
    ui::OwnedFont referenceFont{CreateFontA(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                            DEFAULT_PITCH | FF_DONTCARE, kFace)};
    const HexColors defaults;
    const HexColor fontColor = kHexWindowTextColor;
};

TEST_F(HexEditorTest, PaintsEachCellAsTheModelSeesItAndTheRestInTheBackground)
{
    // Nothing but the offset prefix: the cells beside and below it, and the
    // column the right edge cuts, are background; outside the client nothing.
    MoveWindow(editor.Handle(), 0, 0, 500, kHeight, FALSE);
    Paint();
    const RECT offset = editor.CellRect(0, 0);
    EXPECT_TRUE(Shows(0, 0, "0x0:", defaults.Offset, kBackground));
    RECT client;
    GetClientRect(editor.Handle(), &client);
    EXPECT_EQ(Count(client, kBackground) - Count(offset, kBackground),
              client.right * client.bottom - (offset.right - offset.left) * (offset.bottom - offset.top));
    EXPECT_EQ(Count(RECT{0, 0, kWidth, kHeight}, kSentinel), kWidth * kHeight - client.right * client.bottom);

    MoveWindow(editor.Handle(), 0, 0, kWidth, kHeight, FALSE);
    ASSERT_TRUE(editor.LoadFromFile(File("counting.bin", Counting())));
    ASSERT_TRUE(editor.MoveCurrent(6, 1)); // byte 0x12, typed over
    SendMessageA(editor.Handle(), WM_CHAR, 'F', 0);
    editor.SetSelStart(0x20);
    editor.SetSelEnd(0x23);
    editor.SetMarker(3, 5);
    Paint();
    // Byte 0x4A is byte 10 of row 4: the sixth group of two digits.
    EXPECT_TRUE(Shows(0, 4, "0x40:", defaults.Offset, kBackground));
    EXPECT_TRUE(Shows(22, 4, "4", defaults.EvenColumn, kBackground));
    EXPECT_TRUE(Shows(2, 4, "4", defaults.OddColumn, kBackground));
    EXPECT_TRUE(Shows(35 + 10, 4, "J", fontColor, kBackground));
    EXPECT_TRUE(Shows(35 + 5, 0, ".", fontColor, kBackground)); // a control character, masked
    EXPECT_TRUE(Shows(6, 1, "F", defaults.ChangedText, defaults.ChangedBackground));
    EXPECT_TRUE(Shows(2, 2, "2", defaults.OddInverse(), defaults.OddColumn));
    EXPECT_TRUE(Shows(36, 2, "!", kBackground, fontColor));
    EXPECT_TRUE(Shows(10, 2, "2", defaults.OddColumn, kBackground)); // after the selection
    // The marker cell in the marker font and colours.
    const RECT marker = editor.CellRect(1, 5);
    EXPECT_GT(Count(marker, defaults.PositionBackground), (marker.right - marker.left) * (marker.bottom - marker.top) / 2);
    EXPECT_GT(Count(marker, defaults.PositionText), 0);
    EXPECT_EQ(Count(editor.CellRect(1, 4), defaults.PositionBackground), 0);

    // The look's settings reach the painted cells; not modified, no change flags.
    editor.SetSwapNibbles(true);
    editor.SetModified(false);
    Paint();
    EXPECT_TRUE(Shows(22, 4, "A", defaults.EvenColumn, kBackground));
    EXPECT_TRUE(Shows(6, 1, "2", defaults.EvenColumn, kBackground));
    editor.SetOffsetDisplay(odNone); // the offset column goes
    const RECT none = editor.CellRect(0, 0);
    EXPECT_TRUE(IsRectEmpty(&none));
}

TEST_F(HexEditorTest, CaretAndFrameFollowTheFocusAndTheCurrentCell)
{
    ASSERT_TRUE(editor.LoadFromFile(File("counting.bin", Counting())));
    editor.SetFocusFrame(false);
    Show();
    EXPECT_EQ(Caret().hwndCaret, nullptr);
    SetFocus(editor.Handle());
    ui::ProcessMessages();
    const auto expectCaretAt = [&](int col, int row) {
        const GUITHREADINFO info = Caret();
        const RECT cell = editor.CellRect(col, row);
        EXPECT_EQ(info.hwndCaret, editor.Handle());
        EXPECT_EQ(info.rcCaret.left, cell.left) << col << "," << row;
        EXPECT_EQ(info.rcCaret.top, cell.top) << col << "," << row;
        EXPECT_EQ(info.rcCaret.right - info.rcCaret.left, editor.CharWidth());
        EXPECT_EQ(info.rcCaret.bottom - info.rcCaret.top, editor.RowHeight() - 2);
    };
    expectCaretAt(2, 0);
    // The byte under the caret is framed in the other field.
    for (const auto& [col, frameCol] : {std::pair{40, 12}, {41, 14}, {9, 38}}) {
        ASSERT_TRUE(editor.MoveCurrent(col, 3));
        ui::ProcessMessages();
        expectCaretAt(col, 3);
        Paint();
        const RECT frame = editor.CellRect(frameCol, 3);
        EXPECT_EQ(Count(RECT{frame.left, frame.top, frame.left + 1, frame.bottom}, defaults.CursorFrame),
                  frame.bottom - frame.top)
            << frameCol;
    }
    SetFocus(parent.Handle());
    ui::ProcessMessages();
    EXPECT_EQ(Caret().hwndCaret, nullptr);
    Paint();
    EXPECT_TRUE(Shows(38, 3, "3", fontColor, kBackground)); // no frame without the focus
}

TEST_F(HexEditorTest, ScrollBarsAndKeysCoverALargeDocument)
{
    // 4 MiB: 262,144 rows, more than a 16-bit scroll position holds.
    std::string large(4 << 20, '\0');
    large.back() = '\x7F';
    ASSERT_TRUE(editor.LoadFromFile(File("large.bin", large)));
    const int rows = 1 << 18;
    ASSERT_EQ(editor.RowCount(), rows);
    Show();
    SetFocus(editor.Handle());
    const int visible = editor.VisibleRowCount();
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(editor.Handle(), SB_VERT, &info));
    EXPECT_EQ(info.nMax, rows - 1);
    EXPECT_EQ(info.nPage, static_cast<UINT>(visible));

    // A page is the visible rows less one, so the last row stays in view.
    SendMessageA(editor.Handle(), WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(editor.TopRow(), visible - 1);
    EXPECT_EQ(editor.Row(), visible - 1);

    SendMessageA(editor.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(editor.TopRow(), rows - visible);
    ASSERT_TRUE(GetScrollInfo(editor.Handle(), SB_VERT, &info));
    EXPECT_EQ(info.nPos, rows - visible);
    EXPECT_EQ(Caret().rcCaret.left, -50); // the current cell is out of view
    SendMessageA(editor.Handle(), WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(editor.TopRow(), rows - visible - 1);
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    SendMessageA(editor.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(editor.TopRow(), rows - visible - 1 - static_cast<int>(lines));

    SendMessageA(editor.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    Paint();
    EXPECT_TRUE(Shows(0, rows - 1, "0x3FFFF0:", defaults.Offset, kBackground));
    EXPECT_TRUE(Shows(32, rows - 1, "7", defaults.EvenColumn, kBackground));
}

// Sends a key as the keyboard would, with Shift and Ctrl held as asked.
void PressKey(HWND window, WPARAM key, bool shift = false, bool ctrl = false)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageA(window, WM_KEYDOWN, key, 0);
    SendMessageA(window, WM_KEYUP, key, 0);
}

TEST_F(HexEditorTest, KeysClicksAndCharactersReachTheModel)
{
    ASSERT_TRUE(editor.LoadFromFile(File("keys.bin", Counting())));
    Show();
    SetFocus(editor.Handle());
    HWND window = editor.Handle();
    // Shift as the keyboard holds it selects from the caret's byte.
    PressKey(window, VK_RIGHT);
    PressKey(window, VK_RIGHT);
    PressKey(window, VK_SHIFT, true);
    PressKey(window, VK_DOWN, true);
    EXPECT_EQ(std::pair(editor.SelStart(), editor.SelEnd()), std::pair(1, 17));
    PressKey(window, VK_RIGHT);
    EXPECT_EQ(editor.SelCount(), 0);
    // Shift+Ctrl+3 marks the row, Ctrl+3 returns to it.
    PressKey(window, '3', true, true);
    EXPECT_EQ(editor.GetMarker(3), 1);
    PressKey(window, VK_END, false, true);
    PressKey(window, '3', false, true);
    EXPECT_EQ(std::pair(editor.Col(), editor.Row()), std::pair(2, 1));

    // A click on the spacer goes to the line's last digit, and takes the
    // focus; one past the data in the last line lands on the last byte.
    ASSERT_TRUE(editor.LoadFromFile(File("short.bin", "0123456789ABCDEFGHIJ"))); // 16 + 4 bytes
    SetFocus(parent.Handle());
    for (const auto& [col, row, pos] : {std::tuple{34, 0, 15}, {45, 1, 19}}) {
        const RECT cell = editor.CellRect(col, row);
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.left + 2, cell.top + 2));
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(cell.left + 2, cell.top + 2));
        EXPECT_EQ(editor.CursorPos(), pos) << col;
        EXPECT_EQ(GetFocus(), window);
    }
    EXPECT_EQ(editor.Col(), 8);
    EXPECT_FALSE(editor.MoveCurrent(1, 0)); // a fixed column
    PressKey(window, VK_HOME, false, true);

    // The read-only preview ignores typing and Delete; Backspace moves left.
    editor.ReadOnlyView = true;
    editor.SetAllowInsertMode(true);
    PressKey(window, VK_RIGHT);
    SendMessageA(window, WM_CHAR, 'f', 0);
    PressKey(window, VK_DELETE);
    PressKey(window, VK_BACK);
    EXPECT_EQ(editor.GetAsText(), "0123456789ABCDEFGHIJ");
    EXPECT_EQ(editor.Col(), 2);

    // Editable: Insert toggles insert mode and the caret, the key-press
    // handler may change the character, typing inserts, Undo takes it back.
    editor.ReadOnlyView = false;
    char typed = 0;
    editor.OnKeyPress = [&](THexEditor&, char& ch) {
        typed = ch;
        if (ch == 'x')
            ch = '7';
    };
    PressKey(window, VK_INSERT);
    EXPECT_EQ(editor.CaretStyle(), csLeftLine);
    SendMessageA(window, WM_CHAR, 'x', 0);
    EXPECT_EQ(typed, 'x');
    EXPECT_EQ(editor.GetAsText(), "p0123456789ABCDEFGHIJ");
    EXPECT_TRUE(editor.Undo());
    EXPECT_EQ(editor.GetAsText(), "0123456789ABCDEFGHIJ");
    PressKey(window, VK_SHIFT, false); // release the keys for the tests that follow
    // Columns are counted by dividing by their width: no width below one byte.
    EXPECT_EQ(test::ErrorOf<HexError>([&] { editor.SetBytesPerColumn(0); }), "Invalid BytesPerColumn argument");
}

// Holds Alt (as the thread's key state reads it) or lets it go.
void HoldAlt(bool down)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_MENU] = down ? 0x80 : 0;
    SetKeyboardState(state);
}

constexpr LPARAM kAltHeld = LPARAM{1} << 29, kExtended = LPARAM{1} << 24;

// Alt goes down, the keys go down and up with it held, Alt goes up.
void WithAlt(HWND window, std::initializer_list<std::pair<WPARAM, LPARAM>> keys)
{
    HoldAlt(true);
    SendMessageA(window, WM_SYSKEYDOWN, VK_MENU, kAltHeld);
    for (const auto& [key, flags] : keys) {
        SendMessageA(window, WM_SYSKEYDOWN, key, kAltHeld | flags);
        SendMessageA(window, WM_SYSKEYUP, key, kAltHeld | flags);
    }
    HoldAlt(false);
    // As WM_KEYUP: a WM_SYSKEYUP of Alt alone would open the window menu.
    SendMessageA(window, WM_KEYUP, VK_MENU, 0);
}

// A key that types a character: down, the character, up.
void TypeKey(HWND window, WPARAM key, char ch)
{
    SendMessageA(window, WM_KEYDOWN, key, 0);
    SendMessageA(window, WM_CHAR, static_cast<unsigned char>(ch), 0);
    SendMessageA(window, WM_KEYUP, key, 0);
}

TEST_F(HexEditorTest, AltMovesTheCaretAndTypesOnlyKeypadCodes)
{
    std::string bytes;
    for (int i = 0; i < 16; ++i)
        bytes += Counting(); // 256 rows
    ASSERT_TRUE(editor.LoadFromFile(File("alt.bin", bytes)));
    Show();
    SetFocus(editor.Handle());
    HWND window = editor.Handle();
    // Alt with the separate navigation keys moves as without it; the
    // keypad's own keys (no extended flag) and digits are a character code.
    const int page = editor.VisibleRowCount() - 1;
    const struct {
        WPARAM key;
        LPARAM flags;
        int col, row;
    } moves[] = {
        {VK_RIGHT, kExtended, 3, 0},      {VK_END, kExtended, 32, 0},   {VK_DOWN, kExtended, 32, 1},
        {VK_HOME, kExtended, 2, 1},       {VK_NEXT, kExtended, 2, 1 + page}, {VK_UP, kExtended, 2, page},
        {VK_RIGHT, 0, 2, page},           {VK_NUMPAD6, 0, 2, page},
    };
    for (const auto& move : moves) {
        WithAlt(window, {{move.key, move.flags}});
        EXPECT_EQ(std::pair(editor.Col(), editor.Row()), std::pair(move.col, move.row))
            << move.key << " " << move.flags;
    }

    // After a tap on Alt (or Alt+Tab back to the program), Tab and
    // Backspace bring their control characters, which are not typed.
    const std::string before = editor.GetAsText();
    ASSERT_TRUE(editor.MoveCurrent(2, 0));
    WithAlt(window, {});
    TypeKey(window, VK_TAB, '\t');
    EXPECT_TRUE(editor.InCharField());
    EXPECT_EQ(editor.CursorPos(), 0);
    editor.SetSelStart(3);
    WithAlt(window, {});
    TypeKey(window, VK_BACK, '\b');
    EXPECT_EQ(editor.CursorPos(), 2);
    EXPECT_TRUE(editor.GetAsText() == before);
    EXPECT_FALSE(editor.Modified());

    // A code typed on the keypad is taken as an OEM character, even below 0x20.
    char oem = 0;
    CharToOemBuffA("\xE9", &oem, 1);
    WithAlt(window, {{VK_NUMPAD2, 0}, {VK_NUMPAD3, 0}, {VK_NUMPAD3, 0}});
    SendMessageA(window, WM_CHAR, 0xE9, 0);
    WithAlt(window, {{VK_NUMPAD9, 0}});
    SendMessageA(window, WM_CHAR, '\t', 0);
    std::string expected = before;
    expected[2] = oem;
    expected[3] = '\t';
    EXPECT_TRUE(editor.GetAsText() == expected);
}

TEST_F(HexEditorTest, BytesPerLineKeepsTheCaretOnItsByte)
{
    ASSERT_TRUE(editor.LoadFromFile(File("counting.bin", Counting())));
    ASSERT_TRUE(editor.MoveCurrent(35 + 5, 2)); // byte 0x25, character field
    editor.SetBytesPerLine(8);
    EXPECT_EQ(editor.ColCount(), 27);
    EXPECT_EQ(editor.RowCount(), 32);
    EXPECT_EQ(std::pair(editor.Col(), editor.Row()), std::pair(19 + 5, 4));
    for (int wrong : {0, 257})
        EXPECT_EQ(test::ErrorOf<HexError>([&] { editor.SetBytesPerLine(wrong); }), "Invalid BytesPerLine argument");
    EXPECT_EQ(editor.BytesPerLine(), 8);
    // A short first line: the cells past it cannot be entered.
    editor.SetVariableLineLength(true);
    editor.SetLineLength(0, 4);
    EXPECT_EQ(editor.RowCount(), 33);
    ASSERT_TRUE(editor.MoveCurrent(2, 0));
    EXPECT_FALSE(editor.MoveCurrent(10, 0));
    EXPECT_EQ(editor.Col(), 2);
    editor.CreateEmptyFile("empty");
    EXPECT_FALSE(editor.MoveCurrent(3, 0));
    EXPECT_EQ(std::pair(editor.Col(), editor.FileName()), std::pair(2, std::string("empty")));
}

TEST_F(HexEditorTest, LoadingAndSaving)
{
    const std::string name = File("data.txt", "old contents");
    ASSERT_TRUE(editor.LoadFromFile(name));
    EXPECT_FALSE(editor.ReadOnlyFile());
    EXPECT_FALSE(editor.LoadFromFile(prefix + "missing.txt"));
    EXPECT_TRUE(editor.ReadOnlyFile());
    EXPECT_EQ(editor.FileName(), name);
    EXPECT_EQ(editor.GetAsText(), "old contents");
    // Held open by another program: writable when it lets others write.
    for (const auto& [mode, readOnly] :
         {std::pair{platform::File::Mode::ReadShared, false}, {platform::File::Mode::Read, true}}) {
        platform::File held = platform::File::Open(name, mode);
        ASSERT_TRUE(held.IsOpen());
        ASSERT_TRUE(editor.LoadFromFile(name));
        EXPECT_EQ(editor.ReadOnlyFile(), readOnly) << readOnly;
    }

    // Saving over the loaded, modified file keeps the old contents as the backup.
    const std::string backup = prefix + "data.bak";
    files.push_back(backup);
    editor.SetMemory(0, 'n');
    editor.SetModified(true);
    ASSERT_TRUE(editor.SaveToFile(name));
    EXPECT_EQ(ReadBytes(backup), "old contents");
    EXPECT_EQ(ReadBytes(name), "nld contents");
    EXPECT_FALSE(editor.Modified());
    EXPECT_FALSE(editor.ReadOnlyFile());
    EXPECT_EQ(editor.UndoDescription(), "No Undo");

    // A backup that cannot be written stops the save before anything is written.
    platform::RemoveFile(backup);
    ASSERT_TRUE(CreateDirectoryA(backup.c_str(), nullptr));
    editor.SetMemory(1, 'e');
    editor.SetModified(true);
    EXPECT_FALSE(editor.SaveToFile(name));
    EXPECT_EQ(ReadBytes(name), "nld contents");
    EXPECT_TRUE(editor.Modified());
    // Without the backup rule (another name) the save goes through.
    const std::string other = File("other.txt", "");
    ASSERT_TRUE(editor.SaveToFile(other));
    EXPECT_EQ(ReadBytes(other), "ned contents");
    EXPECT_EQ(editor.FileName(), other);
    std::istringstream in("ABC");
    ASSERT_TRUE(editor.LoadFromStream(in));
    EXPECT_EQ(editor.FileName(), other);
}

TEST_F(HexEditorTest, ColourSettersRepaintOnlyOnChange)
{
    Show();
    const std::pair<HexColor (TColors::*)() const, void (TColors::*)(HexColor)> colours[] = {
        // The setters are alike; these three reach the paths of the change.
        {&TColors::Background, &TColors::SetBackground},
        {&TColors::CursorFrame, &TColors::SetCursorFrame},
        {&TColors::EvenColumn, &TColors::SetEvenColumn},
    };
    TColors& colors = editor.Colors();
    const HexColor value = RGB(1, 2, 3);
    for (std::size_t i = 0; i < std::size(colours); ++i) {
        const auto [get, set] = colours[i];
        ValidateRect(editor.Handle(), nullptr);
        (colors.*set)((colors.*get)());
        EXPECT_FALSE(GetUpdateRect(editor.Handle(), nullptr, FALSE)) << i;
        (colors.*set)(value);
        EXPECT_EQ((colors.*get)(), value) << i;
        // The background is painted at once; the others wait for the next paint.
        EXPECT_EQ(GetUpdateRect(editor.Handle(), nullptr, FALSE), i != 0) << i;
    }
    EXPECT_EQ(editor.Look().colors.EvenColumn, value);
    EXPECT_EQ(colors.Values().EvenInverse(), RGB(254, 253, 252));
    Paint();
    RECT client;
    GetClientRect(editor.Handle(), &client);
    EXPECT_EQ(Pixel(client.right - 1, client.bottom - 1), value); // the control's own colour
}

TEST_F(HexEditorTest, StateChangesArriveThroughTheQueue)
{
    int calls = 0;
    editor.OnStateChanged = [&](THexEditor& sender) {
        EXPECT_EQ(&sender, &editor);
        ++calls;
    };
    ui::ProcessMessages();
    calls = 0;
    editor.SetAllowInsertMode(true);
    EXPECT_EQ(calls, 0);
    ui::ProcessMessages();
    EXPECT_EQ(calls, 1);
    editor.SetReadOnlyFile(true); // already read-only: no notice
    ui::ProcessMessages();
    EXPECT_EQ(calls, 1);
    // Loading resets the undo log, which tells the listener at once.
    ASSERT_TRUE(editor.LoadFromFile(File("writable.bin", "x")));
    EXPECT_EQ(calls, 2);
    ui::ProcessMessages();
    calls = 0;
    editor.SetReadOnlyFile(true);
    ui::ProcessMessages();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(SendMessageA(editor.Handle(), WM_GETDLGCODE, 0, 0) & (DLGC_WANTTAB | DLGC_WANTCHARS | DLGC_WANTARROWS),
              DLGC_WANTTAB | DLGC_WANTCHARS | DLGC_WANTARROWS);
    editor.WantTabs = false;
    EXPECT_EQ(SendMessageA(editor.Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
}

// The grid base alone: a grid that records the cells it is asked to paint.
class RecordingGrid : public ui::CustomGrid {
public:
    void Create(HWND parent) { CreateGrid(parent, 2); }
    std::vector<std::pair<int, int>> drawn;
    int refusedCol = -1;

protected:
    void DrawCell(int col, int row, const RECT& rect, HDC dc) override
    {
        drawn.emplace_back(col, row);
        FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    bool SelectCell(int col, int) override { return col != refusedCol; }
};

TEST(CustomGridTest, ScrollsTheCurrentCellIntoViewAndPaintsOnlyWhatChanged)
{
    TestParent parent;
    RecordingGrid grid;
    grid.Create(parent.Handle());
    grid.SetColWidths(std::vector<int>(6, 50)); // one fixed column, five scrolling ones
    grid.SetRowCount(1000);
    grid.SetDefaultRowHeight(20);
    MoveWindow(grid.Handle(), 0, 0, 200, 130, FALSE);
    ShowWindow(parent.Handle(), SW_SHOW);
    ShowWindow(grid.Handle(), SW_SHOW);
    UpdateWindow(grid.Handle());
    const int visible = grid.VisibleRowCount();
    ASSERT_GT(visible, 1);

    ASSERT_TRUE(grid.MoveCurrent(1, 500));
    EXPECT_EQ(grid.TopRow(), 500 - visible + 1);
    ASSERT_TRUE(grid.MoveCurrent(5, 10));
    EXPECT_EQ(grid.TopRow(), 10);
    RECT client;
    GetClientRect(grid.Handle(), &client);
    EXPECT_LE(grid.CellRect(5, 10).right, client.right);
    EXPECT_GT(grid.LeftCol(), 1);
    EXPECT_EQ(grid.CellRect(0, 10).left, 0); // the fixed column stays
    const RECT scrolledOut = grid.CellRect(1, 10);
    EXPECT_TRUE(IsRectEmpty(&scrolledOut));

    grid.refusedCol = 4;
    SendMessageA(grid.Handle(), WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(grid.Col(), 5);
    EXPECT_FALSE(grid.MoveCurrent(4, 12));
    EXPECT_EQ(std::pair(grid.Col(), grid.Row()), std::pair(5, 10));

    UpdateWindow(grid.Handle());
    grid.drawn.clear();
    grid.InvalidateCell(0, 10);
    grid.InvalidateCell(5, 10 + visible - 1);
    UpdateWindow(grid.Handle());
    EXPECT_EQ(grid.drawn, (std::vector<std::pair<int, int>>{{0, 10}, {5, 10 + visible - 1}}));

    // One line down: only the row coming into view is painted.
    grid.drawn.clear();
    SendMessageA(grid.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    UpdateWindow(grid.Handle());
    ASSERT_FALSE(grid.drawn.empty());
    for (const auto& [col, row] : grid.drawn)
        EXPECT_GE(row, grid.TopRow() + visible - 1) << col << "," << row;
}

} // namespace
} // namespace kelvo
