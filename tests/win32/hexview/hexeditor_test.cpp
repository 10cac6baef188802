// The hex view control and its grid base in real windows: cells painted into a
// memory context and compared with text drawn in the expected colours, caret
// and scroll bars read back from the system. What a cell shows and where a key
// moves are the models', tested natively; here only that the window wires them.
#include "components/hexview/hex_to_canvas.h"
#include "platform/file.h"
#include "tests/test_support.h"
#include "ui/form.h"

#include <memory>
#include <numeric>
#include <sstream>

namespace kelvo {
namespace {

using namespace std::string_literals;
using test::ReadBytes;
constexpr const char* kFace = "Courier New";
constexpr int kFontHeight = -16, kWidth = 900, kHeight = 360;
constexpr COLORREF kBackground = RGB(255, 255, 255), kSentinel = RGB(0, 255, 0);

class TestParent : public ui::Window {
public:
    TestParent() { CreateOwnWindow("KelvoHexTestParent", WS_OVERLAPPEDWINDOW, 0, "Hex view", 20, 20, 960, 440, nullptr, nullptr); }
};

// Bytes 0 to 255: byte n is at offset n.
std::string Counting()
{
    std::string bytes(256, '\0');
    std::iota(bytes.begin(), bytes.end(), '\0');
    return bytes;
}

// Sets the thread's key state of Shift, Ctrl and Alt.
void HoldKeys(bool shift, bool ctrl, bool alt = false)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0, state[VK_CONTROL] = ctrl ? 0x80 : 0, state[VK_MENU] = alt ? 0x80 : 0;
    SetKeyboardState(state);
}

// Sends a key as the keyboard would, with Shift and Ctrl held as asked.
void PressKey(HWND window, WPARAM key, bool shift = false, bool ctrl = false)
{
    HoldKeys(shift, ctrl);
    SendMessageA(window, WM_KEYDOWN, key, 0), SendMessageA(window, WM_KEYUP, key, 0);
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
        PressKey(editor.Handle(), VK_SHIFT); // releases the keys for the tests that follow
        EXPECT_TRUE(errors.empty()) << errors.front();
        ui::SetExceptionHandler(nullptr);
        for (const std::string& path : files)
            platform::RemoveFile(path), RemoveDirectoryA(path.c_str());
    }

    std::string File(const std::string& name, const std::string& bytes)
    {
        files.push_back(prefix + name);
        test::WriteBytes(files.back(), bytes);
        return files.back();
    }
    void ShowFocused()
    {
        ShowWindow(parent.Handle(), SW_SHOW), ShowWindow(editor.Handle(), SW_SHOW);
        UpdateWindow(parent.Handle()), SetFocus(editor.Handle()), ui::ProcessMessages();
    }
    void Paint()
    {
        surface.canvas().SetBrushColor(kSentinel), surface.canvas().FillRect(RECT{0, 0, kWidth, kHeight});
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
    ::testing::AssertionResult Shows(int col, int row, const std::string& text, HexColor fg, HexColor bg)
    {
        const RECT cell = editor.CellRect(col, row);
        if (IsRectEmpty(&cell))
            return ::testing::AssertionFailure() << "cell " << col << "," << row << " not on screen";
        const int width = cell.right - cell.left, height = cell.bottom - cell.top;
        ui::BitmapCanvas expected(nullptr, width, height);
        HDC dc = expected.canvas().Handle();
        ui::SelectObjectScope font(dc, referenceFont.Get());
        SetTextColor(dc, ui::ColorToRGB(fg)), SetBkColor(dc, ui::ColorToRGB(bg));
        const RECT all{0, 0, width, height};
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &all, text.data(), static_cast<UINT>(text.size()), nullptr);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (GetPixel(dc, x, y) != Pixel(cell.left + x, cell.top + y))
                    return ::testing::AssertionFailure() << "cell " << col << "," << row << " is not \"" << text << "\"";
        return ::testing::AssertionSuccess();
    }
    GUITHREADINFO Caret()
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetCurrentThreadId(), &info), info;
    }

    std::vector<std::string> errors, files;
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

TEST_F(HexEditorTest, PaintsEachCellAsTheModelSeesItAndFramesTheCaretsByte)
{
    ASSERT_TRUE(editor.LoadFromFile(File("counting.bin", Counting())));
    ASSERT_TRUE(editor.MoveCurrent(6, 1)); // byte 0x12, typed over
    SendMessageA(editor.Handle(), WM_CHAR, 'F', 0);
    editor.SetSelStart(0x20), editor.SetSelEnd(0x23), editor.SetMarker(3, 5);
    Paint();
    EXPECT_TRUE(Shows(0, 4, "0x40:", defaults.Offset, kBackground));
    EXPECT_TRUE(Shows(22, 4, "4", defaults.EvenColumn, kBackground)); // byte 0x4A
    EXPECT_TRUE(Shows(6, 1, "F", defaults.ChangedText, defaults.ChangedBackground));
    EXPECT_TRUE(Shows(36, 2, "!", kBackground, fontColor)); // selected
    const RECT marker = editor.CellRect(1, 5);
    EXPECT_GT(Count(marker, defaults.PositionBackground), (marker.right - marker.left) * (marker.bottom - marker.top) / 2);
    // Below the rows: background; outside the client nothing is painted.
    RECT client;
    GetClientRect(editor.Handle(), &client);
    const RECT last = editor.CellRect(50, 15);
    EXPECT_EQ(Count(RECT{0, last.bottom, client.right, client.bottom}, kBackground),
              client.right * (client.bottom - last.bottom));
    EXPECT_EQ(Count(RECT{0, 0, kWidth, kHeight}, kSentinel), kWidth * kHeight - client.right * client.bottom);

    // Not modified, no change flags; the look's settings reach the cells.
    editor.SetModified(false);
    Paint();
    EXPECT_TRUE(Shows(6, 1, "F", defaults.EvenColumn, kBackground));
    editor.SetOffsetDisplay(odNone); // the offset column goes
    EXPECT_EQ(editor.CellRect(0, 0).right, editor.CellRect(0, 0).left);

    // With the focus, the caret on the cell and the byte under it framed in the other field.
    editor.SetOffsetDisplay(odHex), editor.SetFocusFrame(false), ShowFocused();
    for (const auto& [col, frameCol] : {std::pair{40, 12}, {9, 38}}) {
        ASSERT_TRUE(editor.MoveCurrent(col, 3));
        ui::ProcessMessages();
        const GUITHREADINFO info = Caret();
        const RECT cell = editor.CellRect(col, 3), caret = info.rcCaret;
        EXPECT_EQ(info.hwndCaret, editor.Handle());
        EXPECT_EQ(std::tuple(caret.left, caret.top, caret.right - caret.left, caret.bottom - caret.top),
                  std::tuple(cell.left, cell.top, editor.CharWidth(), editor.RowHeight() - 2)) << col;
        Paint();
        const RECT frame = editor.CellRect(frameCol, 3);
        EXPECT_EQ(Count(RECT{frame.left, frame.top, frame.left + 1, frame.bottom}, defaults.CursorFrame),
                  frame.bottom - frame.top)
            << frameCol;
    }
    SetFocus(parent.Handle()), ui::ProcessMessages();
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
    ShowFocused();
    const int visible = editor.VisibleRowCount();
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(editor.Handle(), SB_VERT, &info);
    EXPECT_EQ(std::pair(info.nMax, info.nPage), std::pair(rows - 1, static_cast<UINT>(visible)));
    SendMessageA(editor.Handle(), WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(std::pair(editor.TopRow(), editor.Row()), std::pair(visible - 1, visible - 1));
    SendMessageA(editor.Handle(), WM_VSCROLL, SB_BOTTOM, 0), GetScrollInfo(editor.Handle(), SB_VERT, &info), Paint();
    EXPECT_EQ(std::pair(info.nPos, Caret().rcCaret.left), std::pair(rows - visible, -50L)); // the current cell is out of view
    EXPECT_TRUE(Shows(32, rows - 1, "7", defaults.EvenColumn, kBackground));
    SendMessageA(editor.Handle(), WM_VSCROLL, SB_LINEUP, 0);
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    SendMessageA(editor.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(editor.TopRow(), rows - visible - 1 - static_cast<int>(lines));
}

// Alt goes down, the keys go down and up with it held (as the thread's key
// state reads it), Alt goes up.
void WithAlt(HWND window, std::initializer_list<std::pair<WPARAM, LPARAM>> keys)
{
    constexpr LPARAM kAltHeld = LPARAM{1} << 29;
    HoldKeys(false, false, true);
    SendMessageA(window, WM_SYSKEYDOWN, VK_MENU, kAltHeld);
    for (const auto& [key, flags] : keys)
        SendMessageA(window, WM_SYSKEYDOWN, key, kAltHeld | flags), SendMessageA(window, WM_SYSKEYUP, key, kAltHeld | flags);
    HoldKeys(false, false);
    SendMessageA(window, WM_KEYUP, VK_MENU, 0); // a WM_SYSKEYUP of Alt alone would open the window menu
}

TEST_F(HexEditorTest, KeysClicksAndCharactersReachTheModel)
{
    ASSERT_TRUE(editor.LoadFromFile(File("keys.bin", "0123456789ABCDEFGHIJ"))); // 16 + 4 bytes
    ShowFocused();
    HWND window = editor.Handle();
    // Shift and Ctrl as the keyboard holds them.
    PressKey(window, VK_RIGHT), PressKey(window, VK_RIGHT);
    PressKey(window, VK_SHIFT, true), PressKey(window, VK_DOWN, true);
    EXPECT_EQ(std::pair(editor.SelStart(), editor.SelEnd()), std::pair(1, 17));
    PressKey(window, VK_RIGHT), PressKey(window, VK_END, false, true);
    EXPECT_EQ(std::pair(editor.CursorPos(), editor.SelCount()), std::pair(19, 0));
    // Alt with a separate navigation key (extended) moves; the keypad's own
    // keys and digits type a character code, taken as OEM even below 0x20.
    PressKey(window, VK_HOME, false, true);
    WithAlt(window, {{VK_RIGHT, LPARAM{1} << 24}});
    EXPECT_EQ(editor.Col(), 3);
    WithAlt(window, {{VK_RIGHT, 0}});
    EXPECT_EQ(editor.Col(), 3);
    char oem = 0;
    CharToOemBuffA("\xE9", &oem, 1);
    PressKey(window, VK_TAB), PressKey(window, VK_HOME, false, true); // to the character field
    WithAlt(window, {{VK_NUMPAD2, 0}, {VK_NUMPAD3, 0}, {VK_NUMPAD3, 0}});
    SendMessageA(window, WM_CHAR, 0xE9, 0);
    WithAlt(window, {{VK_NUMPAD9, 0}});
    SendMessageA(window, WM_CHAR, '\t', 0);
    const std::string typed = std::string{oem, 9} + "23456789ABCDEFGHIJ";
    EXPECT_EQ(editor.GetAsText(), typed);

    // A click on the spacer goes to the line's last byte and takes the focus.
    SetFocus(parent.Handle());
    const RECT spacer = editor.CellRect(34, 0);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(spacer.left + 2, spacer.top + 2));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(spacer.left + 2, spacer.top + 2));
    EXPECT_EQ(std::pair(editor.CursorPos(), GetFocus()), std::pair(15, window));
    EXPECT_FALSE(editor.MoveCurrent(1, 0)); // a fixed column

    // The read-only preview ignores typing; editable, Insert toggles insert
    // mode and the caret, the key-press handler may change the character.
    editor.ReadOnlyView = true;
    editor.SetAllowInsertMode(true), PressKey(window, VK_HOME, false, true);
    SendMessageA(window, WM_CHAR, 'f', 0);
    editor.ReadOnlyView = false;
    editor.OnKeyPress = [&](THexEditor&, char& ch) { ch = ch == 'x' ? '7' : ch; };
    PressKey(window, VK_INSERT);
    EXPECT_EQ(editor.CaretStyle(), csLeftLine);
    SendMessageA(window, WM_CHAR, 'x', 0);
    EXPECT_EQ(editor.GetAsText(), "p" + typed); // not "f" while read-only
}

TEST_F(HexEditorTest, SavingKeepsABackupOrSavesNothingAndLinesFollowTheirLength)
{
    const std::string name = File("data.txt", "old contents");
    EXPECT_TRUE(!editor.LoadFromFile(prefix + "missing.txt") && editor.ReadOnlyFile());
    ASSERT_TRUE(editor.LoadFromFile(name));
    EXPECT_FALSE(editor.ReadOnlyFile());
    // Saving over the loaded, modified file keeps the old contents as the backup.
    const std::string backup = prefix + "data.bak";
    files.push_back(backup);
    editor.SetMemory(0, 'n'), editor.SetModified(true);
    ASSERT_TRUE(editor.SaveToFile(name));
    EXPECT_EQ(std::tuple(ReadBytes(backup), ReadBytes(name), editor.Modified()),
              std::tuple("old contents", "nld contents", false));
    // A backup that cannot be written stops the save before anything is written.
    platform::RemoveFile(backup);
    ASSERT_TRUE(CreateDirectoryA(backup.c_str(), nullptr));
    editor.SetMemory(1, 'e'), editor.SetModified(true);
    EXPECT_FALSE(editor.SaveToFile(name));
    EXPECT_EQ(std::pair(ReadBytes(name), editor.Modified()), std::pair("nld contents"s, true));
    // Under another name there is no backup to make.
    const std::string other = File("other.txt", "");
    ASSERT_TRUE(editor.SaveToFile(other));
    EXPECT_EQ(std::pair(ReadBytes(other), editor.FileName()), std::pair("ned contents"s, other));

    // Another line length keeps the caret on its byte.
    ASSERT_TRUE(editor.LoadFromFile(File("counting.bin", Counting())));
    ASSERT_TRUE(editor.MoveCurrent(35 + 5, 2)); // byte 0x25, character field
    editor.SetBytesPerLine(8);
    EXPECT_EQ(std::pair(editor.ColCount(), editor.RowCount()), std::pair(27, 32));
    EXPECT_EQ(std::pair(editor.Col(), editor.Row()), std::pair(19 + 5, 4));
    editor.SetVariableLineLength(true), editor.SetLineLength(0, 4);
    EXPECT_EQ(editor.RowCount(), 33);
}

TEST_F(HexEditorTest, ColourSettersRepaintOnlyOnChangeAndNoticesArriveThroughTheQueue)
{
    ShowFocused();
    const HexColor value = RGB(1, 2, 3);
    ValidateRect(editor.Handle(), nullptr), editor.Colors().SetEvenColumn(defaults.EvenColumn);
    EXPECT_FALSE(GetUpdateRect(editor.Handle(), nullptr, FALSE));
    editor.Colors().SetEvenColumn(value);
    EXPECT_TRUE(GetUpdateRect(editor.Handle(), nullptr, FALSE) && editor.Look().colors.EvenColumn == value);
    editor.Colors().SetBackground(value), Paint();
    RECT client;
    GetClientRect(editor.Handle(), &client);
    EXPECT_EQ(Pixel(client.right - 1, client.bottom - 1), value);

    int calls = 0;
    editor.OnStateChanged = [&](THexEditor& sender) { calls += &sender == &editor; };
    ui::ProcessMessages(), calls = 0, editor.SetAllowInsertMode(true);
    EXPECT_EQ(calls, 0);
    ui::ProcessMessages();
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(editor.LoadFromFile(File("writable.bin", "x"))); // resetting the undo log tells at once
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(SendMessageA(editor.Handle(), WM_GETDLGCODE, 0, 0) & (DLGC_WANTTAB | DLGC_WANTCHARS | DLGC_WANTARROWS),
              DLGC_WANTTAB | DLGC_WANTCHARS | DLGC_WANTARROWS);
    editor.WantTabs = false;
    EXPECT_EQ(SendMessageA(editor.Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
}

// The printer takes the editor's layout and font, draws whole lines inside its
// area in a font fitted to its width (which lines is the print layout's,
// tested natively), and forgets an editor that goes.
TEST_F(HexEditorTest, PrinterDrawsInsideItsAreaAndForgetsAGoneEditor)
{
    std::istringstream bytes(test::Pattern(1000));
    ASSERT_TRUE(editor.LoadFromStream(bytes));
    editor.SetOffsetDisplay(odOctal);
    THexToCanvas printer;
    printer.SetHexEditor(&editor), printer.MemFieldSeparator = ';', printer.GetLayout();
    EXPECT_EQ(std::pair(printer.OffsetDisplay, printer.MemFieldSeparator), std::pair(odOctal, ' '));
    HDC dc = surface.canvas().Handle();
    surface.canvas().SetBrushColor(kSentinel);
    surface.canvas().FillRect(RECT{0, 0, kWidth, kHeight});
    SetBkColor(dc, kSentinel);
    printer.DrawArea = {40, 30, 340, 610}; // top, left, bottom, right
    const RECT area{30, 40, 610, 340}, lastQuarter{30 + 3 * 580 / 4, 40, 610, 340};
    const HGDIOBJ ownFont = GetCurrentObject(dc, OBJ_FONT);
    const std::int32_t next = printer.Draw(dc, 0, 999, "Header", "Footer");
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), ownFont);
    EXPECT_TRUE(next > 0 && next < 1000 && next % 16 == 0) << next;
    // Nothing outside the area; the lines reach into its last quarter.
    EXPECT_EQ(Count(RECT{0, 0, kWidth, kHeight}, kSentinel) - Count(area, kSentinel), kWidth * kHeight - 580 * 300);
    EXPECT_LT(Count(lastQuarter, kSentinel), (610 - lastQuarter.left) * 300);
    printer.BytesPerLine = 0; // nothing to lay out
    EXPECT_EQ(printer.Draw(dc, 0, 999, "Header", ""), -1);
    printer.BytesPerLine = 16;

    auto gone = std::make_unique<THexEditor>();
    gone->Create(parent.Handle(), 2), printer.SetHexEditor(gone.get());
    THexToCanvas().SetHexEditor(gone.get()); // a printer that goes first is no longer told
    gone.reset();
    EXPECT_EQ(printer.HexEditor(), nullptr);
    EXPECT_EQ(printer.Draw(dc, 0, 10, "", ""), 2147483647);
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
    ShowWindow(parent.Handle(), SW_SHOW), ShowWindow(grid.Handle(), SW_SHOW), UpdateWindow(grid.Handle());
    const int visible = grid.VisibleRowCount();
    ASSERT_TRUE(grid.MoveCurrent(1, 500));
    EXPECT_EQ(grid.TopRow(), 500 - visible + 1);
    ASSERT_TRUE(grid.MoveCurrent(5, 10));
    EXPECT_EQ(std::pair(grid.TopRow(), grid.CellRect(0, 10).left), std::pair(10, 0L)); // the fixed column stays
    EXPECT_EQ(grid.CellRect(1, 10).right, grid.CellRect(1, 10).left); // scrolled out
    grid.refusedCol = 4;
    SendMessageA(grid.Handle(), WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_FALSE(grid.MoveCurrent(4, 12));
    EXPECT_EQ(std::pair(grid.Col(), grid.Row()), std::pair(5, 10));

    // One line down: only the row coming into view is painted.
    UpdateWindow(grid.Handle()), grid.drawn.clear();
    SendMessageA(grid.Handle(), WM_VSCROLL, SB_LINEDOWN, 0), UpdateWindow(grid.Handle());
    ASSERT_FALSE(grid.drawn.empty());
    for (const auto& [col, row] : grid.drawn)
        EXPECT_GE(row, grid.TopRow() + visible - 1) << col << "," << row;
}

} // namespace
} // namespace kelvo
