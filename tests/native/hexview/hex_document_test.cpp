// The hex view's document and its editing model, without a window: the model
// drives a stand-in grid as a user would.
#include "components/hexview/hex_edit_model.h"
#include "platform/file.h"
#include "tests/native/archive/archive_test_support.h"
#include "tests/native/hexview/fake_grid.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sstream>

namespace kelvo {
namespace {

using namespace std::string_literals;
using test::ErrorOf;
using test::Pattern;
using test::ReadBytes;

void Load(HexDocument& doc, const std::string& data)
{
    std::istringstream in(data);
    ASSERT_TRUE(doc.LoadStream(in));
}

struct Editor {
    HexDocument doc;
    HexDocument::Appearance look;
    FakeGrid grid;
    HexEditModel model{doc, look, grid};

    explicit Editor(const std::string& data = Pattern(100)) { grid.model = &model, grid.doc = &doc, Load(doc, data); }
    std::string Data() { return doc.AsText(); }
    std::int32_t Pos() { return model.PosAt(grid.col, grid.row); }
    void Key(std::uint16_t key, TShiftState shift = {}, bool readOnly = false)
    {
        grid.shift = shift.Contains(ssShift), model.KeyDown(key, shift, readOnly);
    }
    void Type(const std::string& text, bool readOnly = false) { for (char c : text) model.WMChar(std::uint8_t(c), readOnly); }
    void Insert() { model.SetAllowInsertMode(true); Key(hkInsert); }
    void Select(std::int32_t start, std::int32_t end) { model.SetSelStart(start); model.SetSelEnd(end); }
};

// While it lasts no file grows past 1,000 bytes: the file size limit acts as a full disk.
struct FullDisk {
    rlimit saved{};
    FullDisk()
    {
        getrlimit(RLIMIT_FSIZE, &saved), std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, saved.rlim_max};
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &saved); }
};

TEST(HexDocumentLayout, ColumnWidthsOfThePreview)
{
    HexDocument doc;
    std::vector<int> expected = {32, 8}, widths;
    for (int group = 0; group < 8; ++group)
        expected.insert(expected.end(), {8, 8, 8, 16});
    expected.insert(expected.end(), 17, 8);
    for (int col = 0; col < doc.ColCount(); ++col)
        widths.push_back(doc.ColumnWidth(col, 8, doc.OffsetWidth(odHex), true));
    EXPECT_EQ(widths, expected);
    EXPECT_EQ(doc.ColumnWidth(1, 8, 4, false), 0);
}

TEST(HexDocumentLayout, RowCountsOffsetWidthsAndOffsetTexts)
{
    // Data size, style, rows and offset width, then a row and its offset text.
    const std::tuple<std::size_t, TOffsetDisplayStyle, int, int, int, const char*> cases[] = {
        {0, odHex, 1, 4, 0, "0x0:"},      {0, odDec, 1, 2, 0, "0:"},          {0, odOctal, 1, 5, 0, "o 0:"},
        {0, odNone, 1, 0, 0, "   "},      {17, odHex, 2, 5, 1, "0x10:"},      {0x100, odHex, 16, 5, 0, "0x00:"},
        {1000, odHex, 63, 6, 62, "0x3E0:"}, {1009, odDec, 64, 5, 1, "  16:"}, {1009, odDec, 64, 5, 63, "1008:"},
        {0x100, odOctal, 16, 7, 1, "o 0020:"}, {1000, odOctal, 63, 8, 62, "o 01740:"}, {1000, odNone, 63, 0, 5, " "},
    };
    for (const auto& [size, style, rows, width, row, text] : cases) {
        HexDocument doc;
        Load(doc, Pattern(size));
        HexDocument::Appearance look{.colors = {}, .offsetDisplay = style};
        EXPECT_EQ(std::pair(doc.RowCount(), doc.OffsetWidth(style)), std::pair(rows, width)) << size << " " << int(style);
        EXPECT_EQ(doc.CellLook(0, row, look, width).text, text);
    }
}

TEST(HexDocumentLayout, VariableLineLengths)
{
    HexDocument doc;
    Load(doc, Pattern(32));
    doc.SetVariableLineLength(true), doc.SetLineLength(0, 8);
    EXPECT_EQ(doc.RowCount(), 3);
    for (auto [row, offset] : {std::pair{0, 0}, {1, 8}, {2, 24}, {3, 40}})
        EXPECT_EQ(doc.GetLineOffset(row), offset) << row;
    for (auto [pos, row] : {std::pair{7, 0}, {8, 1}, {23, 1}, {24, 2}, {31, 2}, {500, 2}})
        EXPECT_EQ(doc.GetRow(pos), row) << pos;
    EXPECT_EQ(std::pair(doc.GetCursorAtPos(9, false).col, doc.GetCursorAtPos(-5, true).col), std::pair(4, 2));

    // Line 0 holds 8 bytes: digit columns up to 17, character columns up to 42.
    for (auto [col, out] : {std::pair{17, false}, {18, true}, {34, true}, {42, false}, {43, true}, {1, false}})
        EXPECT_EQ(doc.OutOfBounds(col, 0), out) << col;
    EXPECT_EQ(doc.CellLook(0, 1, {}, 4).text, "0x8:"); // the offset of the short line's successor

    // A row far past the data is refused before anything is allocated.
    for (auto [row, length] : {std::pair{0, 0}, {0, 17}, {-1, 4}, {1000, 4}, {1 << 30, 4}})
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetLineLength(row, length); }), "Invalid Line Length argument") << row;

    // Each length gives the start of its line; the last line then runs full.
    doc.SetLineLengths({4, 4, 8});
    EXPECT_EQ(std::pair(doc.GetLineOffset(2), doc.RowCount()), std::pair(8, 4));
    EXPECT_THROW(doc.SetLineLengths({4, 0}), HexError);

    EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetNibblesPerColumn(0); }), "Invalid BytesPerColumn argument");
    for (int bad : {0, 257})
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetBytesPerLine(bad); }), "Invalid BytesPerLine argument");
    doc.SetBytesPerLine(8); // back to full lines of the new length
    EXPECT_EQ(std::tuple(doc.VariableLineLength(), doc.RowCount(), doc.ColCount()), std::tuple(false, 4, 27));
}

TEST(HexDocumentData, CacheRecentresAroundTheRequestedLine)
{
    HexDocument doc;
    const std::int32_t size = 1 << 20;
    const std::string data = Pattern(size);
    Load(doc, data);
    // Still covered: no move; then the last line that fits, and one past it.
    const std::pair<std::int32_t, std::int32_t> posAndBase[] = {
        {size - 16, size - 16 - 32768},   {size - 20000, size - 16 - 32768},      {size / 2, size / 2 - 32768},
        {size / 2 + 32768 - 16, size / 2 - 32768}, {size / 2 + 32768 - 15, size / 2 - 15}, {100, 0}};
    for (const auto& [pos, base] : posAndBase) {
        doc.CheckInternalBuffer(pos);
        EXPECT_EQ(doc.CacheBase(), base) << pos;
        for (std::int32_t p = pos; p < pos + 16; ++p)
            ASSERT_EQ(doc.CachedByte(p), static_cast<std::uint8_t>(data[p])) << p;
    }
    EXPECT_EQ(doc.CachedByte(1 << 17), 0);
    doc.SetInternalBufferByte(5, 0xEE), doc.SetInternalBufferByte(70000, 0xEE); // outside the window: ignored
    EXPECT_EQ(std::tuple(doc.CachedByte(5), doc.GetByteAtPos(5)), std::tuple(0xEE, std::uint8_t(data[5])));
}

TEST(HexDocumentData, ChangeFlags)
{
    HexDocument doc;
    Load(doc, Pattern(30));
    doc.SetChanged(100, false, false); // clearing beyond the set grows nothing
    doc.SetChanged(3, true, false), doc.SetChanged(25, true, false);
    EXPECT_EQ(doc.ChangeFlagCount(), 26u);
    for (auto [pos, insert, changed] : {std::tuple{3, false, true}, {4, false, false}, {3, true, false}, {99, false, false}})
        EXPECT_EQ(doc.HasChanged(pos, insert), changed) << pos << insert;
    doc.SetChanged(7, true, true); // insert mode empties the set first
    EXPECT_EQ(std::pair(doc.HasChanged(3, false), doc.HasChanged(7, false)), std::pair(false, true));
    doc.FreeFile(), doc.CalcSizes(); // cuts the set to the data size
    EXPECT_EQ(doc.ChangeFlagCount(), 0u);
}

TEST(HexDocumentData, CheckedAccessAndWholeDataTexts)
{
    HexDocument doc;
    const std::string data("\x0F\xA0\0J", 4);
    Load(doc, data);
    EXPECT_EQ(std::tuple(doc.AsText(), doc.AsHex(false), doc.AsHex(true)), std::tuple(data, "0FA0004A", "F00A00A4"));

    std::int32_t count = 10;
    for (std::int32_t pos : {-1, 4}) {
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.GetMemory(pos); }), "Invalid GetMemory index");
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetMemory(pos, 1); }), "Invalid SetMemory index");
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.BufferFromFile(pos, count); }), "Invalid BufferFromFile argument");
    }
    doc.CheckInternalBuffer(0), doc.SetMemory(3, 'K');
    EXPECT_EQ(std::pair(doc.CacheBase(), doc.GetMemory(3)), std::pair(-1, std::uint8_t{'K'}));
    EXPECT_EQ(doc.BufferFromFile(2, count), (std::vector<std::uint8_t>{0, 'K'}));

    // The size is read again only once the cache is invalid.
    doc.CheckInternalBuffer(0);
    EXPECT_EQ(doc.GetDataSize(), 4);
    doc.SetMemAtPos("ab", 4, 2);
    EXPECT_EQ(doc.GetDataSize(), 4);
    doc.InvalidateCache();
    EXPECT_EQ(doc.GetDataSize(), 6);
}

TEST(HexDocumentFiles, WorkingCopiesAreReservedAndRemoved)
{
    std::string first, second;
    {
        HexDocument a, b;
        first = a.WorkingCopyName(), second = b.WorkingCopyName();
        EXPECT_TRUE(first != second && platform::FileExists(first) && platform::FileExists(second));
        EXPECT_EQ(first.substr(first.size() - 5), ".QZTF");
        Load(a, "data");

        // Moved away, the bytes go as they are and the document goes on empty
        // under a fresh name; a move that cannot be made keeps the data.
        Load(b, "moved bytes");
        const std::string taken = platform::TempFolder() + "kelvo-taken-" + std::to_string(platform::ProcessId());
        EXPECT_TRUE(!b.MoveWorkingCopy(platform::TempFolder() + "no-such-folder/x") && b.AsText() == "moved bytes");
        ASSERT_TRUE(b.MoveWorkingCopy(taken));
        EXPECT_EQ(std::pair(ReadBytes(taken), b.GetDataSize()), std::pair("moved bytes"s, 0));
        second = b.WorkingCopyName(); // a fresh one
        Load(b, "next");
        EXPECT_EQ(b.AsText(), "next");
        platform::RemoveFile(taken);
    }
    EXPECT_FALSE(platform::FileExists(first) || platform::FileExists(second));
}

TEST(HexDocumentFiles, LoadAndSave)
{
    test::TempDir dir;
    HexDocument doc;
    bool readOnly = false;
    Load(doc, "kept");
    EXPECT_FALSE(doc.LoadFile(dir / "missing", readOnly));
    EXPECT_TRUE(readOnly && doc.AsText() == "kept");

    const std::string data = Pattern(3000);
    test::WriteBytes(dir / "a.bin", data);
    {
        // Held open for reading elsewhere: loadable, but not writable.
        platform::File held = platform::File::Open(dir / "a.bin", platform::File::Mode::Read);
        ASSERT_TRUE(doc.LoadFile(dir / "a.bin", readOnly));
        EXPECT_TRUE(readOnly);
    }
    ASSERT_TRUE(doc.LoadFile(dir / "a.bin", readOnly));
    EXPECT_TRUE(!readOnly && doc.AsText() == data);

    // A failed save keeps the working copy and its change flags.
    doc.SetMemory(0, 'Z'), doc.SetChanged(0, true, false);
    EXPECT_TRUE(!doc.SaveFile(dir / "no-such-folder/b.bin") && doc.HasChanged(0, false));
    ASSERT_TRUE(doc.SaveFile(dir / "b.bin"));
    EXPECT_EQ(std::pair(doc.ChangeFlagCount(), ReadBytes(dir / "b.bin")), std::pair(std::size_t{0}, "Z" + data.substr(1)));
    doc.SetMemory(1, 'Y'); // the reopened working copy is still the data

    std::ostringstream out("head:", std::ios::ate);
    ASSERT_TRUE(doc.SaveStream(out));
    EXPECT_EQ(out.str(), "head:ZY" + data.substr(2));

    // A copy that fails part-way leaves the saved file as it was and nothing beside it.
    EXPECT_FALSE([&] { FullDisk full; return doc.SaveFile(dir / "b.bin"); }());
    EXPECT_EQ(ReadBytes(dir / "b.bin"), "Z" + data.substr(1));
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"a.bin", "b.bin"}));
    EXPECT_FALSE(HexDocument::CopyFileOver(dir / "missing", dir / "d.bin") || platform::FileExists(dir / "d.bin"));

    // A working copy past 2 GiB - 1 bytes is not saved in part, and stays whole.
    ASSERT_TRUE(doc.Stream().SetSize(std::int64_t{1} << 31));
    EXPECT_FALSE(doc.SaveFile(dir / "oversized.bin") || platform::FileExists(dir / "oversized.bin"));
    EXPECT_EQ(doc.Stream().Size(), std::int64_t{1} << 31);
}

TEST(HexDocumentFiles, BackupName)
{
    const std::pair<std::string, std::string> cases[] = {
        {"name.ext", "name.bak"}, {"name", "name.bak"}, {"name.", "name.bak"}, {"C:\\d\\f.tar.gz", "C:\\d\\f.tar.bak"},
        {"C:\\dir.x\\file", "C:\\dir.x\\file.bak"}, {"C:file", "C:file.bak"}, {"/tmp/dir.x/file", "/tmp/dir.x/file.bak"},
    };
    for (const auto& [name, backup] : cases)
        EXPECT_EQ(HexDocument::BackupName(name, ".bak"), backup) << name;
}

TEST(HexDocumentLook, MarkerAndDataCells)
{
    HexDocument doc;
    Load(doc, std::string("J\x01\x4A\0\x4A", 5));
    HexDocument::Appearance look{.colors = {}, .fontColor = 0x123456};
    const HexColors& c = look.colors;
    const HexColor font = look.fontColor, bg = c.Background;
    // Each step may change the look or the document, then shows a cell of row 0.
    const struct { std::function<void()> change; int col; const char* text; HexColor fg, bg; } steps[] = {
        {{}, 1, " ", font, bg},
        {[&] { doc.Markers[5] = doc.Markers[3] = 0; }, 1, "3", c.PositionText, c.PositionBackground},
        {{}, 3, "A", c.OddColumn, bg},  {{}, 6, "4", c.EvenColumn, bg}, // byte 2, second group
        {{}, 35, "J", font, bg},        {[&] { look.maskChar = '*'; }, 36, "*", font, bg},
        {{}, 34, " ", font, bg},        {{}, 12, " ", font, bg}, // spacer, beyond the data
        {[&] { look.maskWhiteSpaces = false; }, 36, "\x01", font, bg},
        {[&] { look.swapNibbles = true; }, 2, "A", c.OddColumn, bg},
        {[&] { doc.SetChanged(4, true, false); }, 10, "A", c.ChangedText, c.ChangedBackground},
        {[&] { look.insertMode = true; }, 10, "A", c.OddColumn, bg},
        {[&] { look.insertMode = false, doc.SelStart = doc.SelAnchor = 2, doc.SelEnd = 4; }, 6, "A", c.EvenInverse(), c.EvenColumn},
        {{}, 10, "A", c.ChangedBackground, c.ChangedText}, {{}, 37, "J", bg, font},
        {{}, 2, "A", c.OddColumn, bg}, // before the selection
    };
    for (const auto& step : steps) {
        if (step.change)
            step.change();
        const HexCellLook got = doc.CellLook(step.col, 0, look, 4);
        EXPECT_EQ(std::tuple(got.text, got.textColor, got.background, got.markerFont),
                  std::tuple(step.text, step.fg, step.bg, step.col == 1 && step.text != std::string(" "))) << step.col;
    }
    // System colours are not resolved.
    EXPECT_EQ(std::pair(c.EvenInverse(), InverseColor(kHexWindowColor)), std::pair(HexColor{0x7FFFFF}, HexColor{0x00FFFFFA}));
}

TEST(HexEditKeys, TheKeyTableMovesTheCaret)
{
    Editor e; // 100 bytes: rows 0..6, the last holding 4 bytes; 4 rows visible
    const TShiftState none, ctrl{ssCtrl};
    // Each key in turn, and the cell and top row it leaves (-1: top not checked).
    const struct { std::uint16_t key; TShiftState shift; int col, row, top; } steps[] = {
        // Digits, then bytes; nothing before byte 0 nor above row 0; pages of
        // 3 rows with the view; Ctrl+Page: the last and first visible rows.
        {hkRight, none, 3, 0, 0}, {hkRight, none, 4, 0, 0}, {hkLeft, none, 3, 0, 0}, {hkLeft, none, 2, 0, 0},
        {hkLeft, none, 2, 0, 0},  {hkUp, none, 2, 0, 0},    {hkDown, none, 2, 1, 0}, {hkNext, none, 2, 4, 3},
        {hkNext, ctrl, 2, 6, 3},  {hkPrior, none, 2, 3, 0}, {hkPrior, ctrl, 2, 0, 0}, {hkDown, none, 2, 1, 0},
        // End and Home of a row, Tab to the other field, of the document; Ctrl+Shift+T back to the digits.
        {hkEnd, none, 32, 1, -1}, {hkTab, none, 2 * 16 + 3 + 15, 1, -1}, {hkHome, none, 35, 1, -1},
        {hkEnd, ctrl, 35 + 3, 6, -1}, {'T', TShiftState{ssCtrl, ssShift}, 8, 6, -1}, {hkHome, ctrl, 2, 0, 0},
        // Ctrl+Right on the short last row stops at its last byte; Right reaches its second digit and stays.
        {hkDown, none, 2, 1, 0}, {hkNext, ctrl, 2, 3, 0}, {hkNext, none, 2, 6, -1}, {hkRight, ctrl, 8, 6, -1},
        {hkRight, none, 9, 6, -1}, {hkRight, none, 9, 6, -1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.key);
        std::uint16_t key = step.key;
        e.grid.shift = step.shift.Contains(ssShift), e.model.KeyDown(key, step.shift, false);
        EXPECT_EQ(std::tuple(key, e.grid.col, e.grid.row, step.top < 0 ? -1 : e.grid.top, e.model.GetInCharField()),
                  std::tuple(0, step.col, step.row, step.top, step.col >= 35)); // handled
    }
    // Keys outside the table go to the grid.
    for (const auto& [outside, shift] : {std::pair<std::uint16_t, TShiftState>{hkLeft, ctrl}, {hkTab, ctrl}, {'T', none}}) {
        std::uint16_t key = outside;
        e.model.KeyDown(key, shift, false);
        EXPECT_EQ(key, outside);
    }
}

TEST(HexEditKeys, VerticalMovesAndCellChecksFollowTheLines)
{
    Editor e(Pattern(40));
    e.doc.SetVariableLineLength(true), e.doc.SetLineLengths({16, 4, 16});
    // From the end of a full line to the short one's last digit and on.
    e.model.MoveToPos(15, false), e.Key(hkDown);
    EXPECT_EQ(std::pair(e.Pos(), e.grid.col), std::pair(19, 2 + 2 * 3 + 1));
    e.Key(hkDown);
    EXPECT_EQ(e.Pos(), 35);
    // From the middle of a line the column shrinks into the short line.
    e.model.MoveToPos(26, true), e.Key(hkUp);
    EXPECT_EQ(std::pair(e.Pos(), e.model.GetInCharField()), std::pair(19, true));

    // A click on the spacer lands on the line's last digit; past the data, on the last byte in the current field.
    Editor f;
    f.grid.button = true;
    EXPECT_FALSE(f.grid.MoveCurrent(34, 2));
    EXPECT_EQ(std::pair(f.grid.col, f.grid.row), std::pair(33, 2));
    EXPECT_FALSE(f.grid.MoveCurrent(40, 6));
    EXPECT_EQ(std::pair(f.Pos(), f.grid.col), std::pair(99, 2 + 2 * 3));
    EXPECT_TRUE(f.grid.MoveCurrent(35, 0) && !f.grid.MoveCurrent(45, 6) && f.grid.col == 35 + 3);
}

TEST(HexEditSelection, ShiftArrowsSelectInBothModesAndMarkersAreReached)
{
    Editor e;
    const auto shifted = [&](std::initializer_list<std::uint16_t> keys) { for (auto key : keys) e.Key(key, {ssShift}); };
    const auto selection = [&] { return std::tuple(e.model.GetSelStart(), e.model.GetSelEnd(), e.model.GetSelCount()); };
    e.model.SetSelStart(20);
    shifted({hkShift, hkRight, hkRight, hkRight}); // the second digit of byte 21
    EXPECT_EQ(selection(), std::tuple(20, 21, 2));
    shifted({hkUp}); // byte 5: the low end moves
    EXPECT_EQ(selection(), std::tuple(20, 5, 16));
    e.Key(hkRight); // a move without Shift ends the selection
    EXPECT_EQ(selection(), std::tuple(e.Pos(), e.Pos(), 0));
    EXPECT_EQ(ErrorOf<HexError>([&] { e.model.SetSelStart(100); }) + ErrorOf<HexError>([&] { e.model.SetSelEnd(-1); }),
              "Invalid SelStartInvalid SelEnd");

    // Shift+Ctrl+3 sets a marker on the row, Ctrl+3 returns to it; an unset
    // marker leaves the caret, one past the data is cleared.
    e.model.MoveToPos(32, false), e.Key('3', TShiftState{ssShift, ssCtrl});
    EXPECT_EQ(std::pair(e.model.GetMarker(3), e.model.IsMarkerPos(2)), std::pair(2, 3));
    EXPECT_EQ(e.doc.CellLook(1, 2, e.look, 4).text, "3");
    e.Key(hkNext, {ssCtrl}), e.Key('3', {ssCtrl});
    EXPECT_EQ(std::pair(e.grid.col, e.grid.row), std::pair(2, 2));
    e.Key(hkDown), e.Key('7', {ssCtrl});
    EXPECT_EQ(e.grid.row, 3);
    for (int bad : {10, -1})
        EXPECT_EQ(ErrorOf<HexError>([&] { e.model.SetMarker(bad, 0); }) + ErrorOf<HexError>([&] { e.model.GetMarker(bad); }),
                  "SetMarker : Invalid marker indexSetMarker : Invalid marker index");

    // In insert mode the caret stands between bytes: the byte under it is left out.
    e.model.SetMarker(5, 6), e.Insert(), e.model.SetSelStart(20);
    shifted({hkShift, hkTab, hkRight, hkRight});
    EXPECT_EQ(selection(), std::tuple(20, 21, 2));
    e.Select(0, 99), e.model.DeleteSelection(), e.Key('5', {ssCtrl});
    EXPECT_EQ(std::pair(e.model.GetMarker(5), e.grid.row), std::pair(-1, 0));
}

TEST(HexEditSearch, SeekByEachOriginAndFind)
{
    Editor e;
    // Offset, origin (0 start, 1 caret, 2 end), whether a position outside the data fails, the result and the caret.
    const struct { std::int32_t offset; int origin; bool strict, sought; std::int32_t pos; } seeks[] = {
        {0, 2, false, true, 99},   {-10, 1, true, true, 89},  {20, 0, true, true, 20},   {-5, 0, true, false, 20},
        {100, 0, true, false, 20}, {500, 0, false, true, 99}, {-500, 1, false, true, 0}, {7, 9, true, true, 0},
    };
    for (const auto& c : seeks) {
        EXPECT_EQ(e.model.Seek(c.offset, c.origin, c.strict), c.sought) << c.offset << " " << c.origin;
        EXPECT_EQ(e.Pos(), c.pos) << c.offset << " " << c.origin;
    }
    EXPECT_FALSE(Editor("").model.Seek(0, 0, false));

    const std::string data = "xxabyyABzz" + std::string(3u << 20, 'q') + "needle";
    Editor big(data);
    auto find = [&](std::string p, std::int32_t start, std::int32_t end, bool ignoreCase) {
        return big.model.Find(reinterpret_cast<std::uint8_t*>(p.data()), std::int32_t(p.size()), start, end, ignoreCase, false);
    };
    const auto size = static_cast<std::int32_t>(data.size());
    const std::tuple<const char*, std::int32_t, std::int32_t, bool, std::int32_t> finds[] = {
        {"AB", 0, 1000, false, 6}, {"AB", 0, 1000, true, 2}, {"ab", 3, 1000, true, 6}, {"AB", 0, 6, false, -1},
        {"AB", 0, 7, false, 6},    {"", 0, 7, false, -1},     // across the reading pieces, up to the last byte
        {"needle", 0, 1 << 30, false, size - 6}, {"qqqn", 1 << 20, 1 << 30, false, size - 9},
    };
    for (const auto& [pattern, start, end, ignoreCase, found] : finds)
        EXPECT_EQ(find(pattern, start, end, ignoreCase), found) << pattern << " " << start << ".." << end;
    // The pattern is translated into the data's code (ANSI "A" is EBCDIC 0xC1).
    Editor ebcdic(std::string("\x40\xC1\xC2", 3));
    ebcdic.look.translation = ttEBCDIC;
    std::string pattern = "AB";
    EXPECT_EQ(ebcdic.model.Find(reinterpret_cast<std::uint8_t*>(pattern.data()), 2, 0, 2, false, true), 1);
    EXPECT_EQ(pattern, "\xC1\xC2");
}

TEST(HexEditTyping, HexDigitsInBothModesAndNibbleOrders)
{
    Editor e("\x12\x34");
    // What each step types, then the data and the caret's byte.
    const struct { std::function<void()> before; const char* typed; std::string data; std::int32_t pos; } steps[] = {
        {[] {}, "a", "\xA2\x34", 0},
        {[] {}, "5g", "\xA5\x34", 1}, // "g" is not a digit
        {[&] { e.look.swapNibbles = true; }, "F", "\xA5\x3F", 1}, // the first digit shows the low nibble
        {[&] { e.model.MoveToPos(0, false); }, "", "\xA5\x3F", 0},
        // Insert mode: a digit on the first digit inserts a byte holding it.
        {[&] { e.look.swapNibbles = false; e.Insert(); }, "71", "\x71\xA5\x3F", 1},
        // On the last byte's second digit a zero byte is appended to type on.
        {[&] { e.model.MoveToPos(2, false); e.Key(hkRight); }, "8", "\x71\xA5\x38\0"s, 3},
        // Over a selection (in insert mode bytes 1 and 2) with swapped nibbles the typed digit shows first.
        {[&] { e.look.swapNibbles = true; e.Select(1, 3); }, "9", "\x71\x09\0"s, 1},
    };
    for (const auto& step : steps) {
        step.before(), e.Type(step.typed);
        EXPECT_EQ(std::pair(e.Data(), e.Pos()), std::pair(step.data, step.pos)) << step.typed;
    }
    e.model.MoveToPos(0, false), e.Type("00", true); // read-only: nothing changes
    EXPECT_EQ(e.Data(), "\x71\x09\0"s);
}

TEST(HexEditTyping, CharactersAndTheKeysThatErase)
{
    Editor e("abcdef");
    e.model.SetInCharField(true);
    e.Type("XY\x01"); // control characters are refused
    // A character typed with Alt and the keypad is taken as an OEM code, even
    // a control character; after a tap on Alt nothing is.
    for (const char* typed : {"\xE9", "\t"})
        e.Key(hkMenu, {ssAlt}), e.model.AltKeypadKey(), e.model.KeyUp(hkMenu), e.Type(typed);
    e.Key(hkMenu, {ssAlt}), e.model.KeyUp(hkMenu), e.Type("\t");
    EXPECT_EQ(e.Data(), "XY\x82\tef"); // e acute: OEM 0x82

    // Overwrite mode: Delete does nothing, Backspace moves left, Ctrl+Delete deletes.
    std::uint16_t key = hkBack;
    e.Key(hkDelete), e.model.KeyDown(key, {}, false);
    EXPECT_EQ(key, hkLeft);
    e.model.MoveToPos(3, true), e.Key(hkDelete, {ssCtrl});
    EXPECT_EQ(e.Data(), "XY\x82" "ef");

    // Insert mode: Backspace erases before the caret, Delete under it, and
    // with a selection each takes the selection only; read-only, neither.
    e.Insert(), e.Key(hkBack);
    EXPECT_EQ(std::pair(e.Data(), e.Pos()), std::pair("XYef"s, 2));
    e.Key(hkDelete);
    EXPECT_EQ(e.Data(), "XYf");
    e.model.SetSelStart(0), e.Key(hkShift, {ssShift}), e.Key(hkRight, {ssShift}); // selects byte 0
    e.Key(hkBack), e.Type("Q"), e.Key(hkDelete, {}, true), e.Key(hkBack, {}, true);
    EXPECT_EQ(e.Data(), "QYf");
}

TEST(HexEditUndo, NibblesAreInsertedAndDeleted)
{
    const struct { bool insert, high; std::int32_t pos; std::string result; } cases[] = { // empty result: refused
        {false, true, 0, "\xBC\xD0"}, {true, true, 0, "\x0A\xBC\xD0"}, {true, false, 0, "\xA0\xBC\xD0"},
        {false, false, 1, "\xAB\xC0"}, {true, true, 2, ""},            {false, true, -1, ""},
    };
    for (const auto& c : cases) {
        Editor e("\xAB\xCD");
        EXPECT_EQ(c.insert ? e.model.InsertNibble(c.pos, c.high) : e.model.DeleteNibble(c.pos, c.high), !c.result.empty());
        EXPECT_EQ(e.Data(), c.result.empty() ? "\xAB\xCD" : c.result) << c.insert << c.high << c.pos;
        EXPECT_TRUE(e.model.Undo() == !c.result.empty() && e.Data() == "\xAB\xCD");
    }
    // Over 512 bytes the shift carries across blocks.
    const std::string big = Pattern(1500);
    Editor b(big);
    EXPECT_TRUE(b.model.DeleteNibble(0, true));
    EXPECT_EQ(static_cast<std::uint8_t>(b.Data()[600]),
              static_cast<std::uint8_t>(((big[600] & 0x0F) << 4) | ((big[601] >> 4) & 0x0F)));
    EXPECT_TRUE(b.model.Undo() && b.Data() == big);
}

TEST(HexEditUndo, LargeMovesKeepEveryByte)
{
    // Several pieces of the moving block, in both directions.
    const std::string big = Pattern((5u << 20) / 2 + 7);
    Editor e(big);
    e.model.InsertBuffer("ab", 2, 3);
    const std::string joined = big.substr(0, 3) + "ab" + big.substr(3);
    EXPECT_EQ(e.Data(), joined);
    e.Select(1, 1 << 20), e.model.DeleteSelection();
    EXPECT_EQ(e.Data(), joined.substr(0, 1) + joined.substr((1 << 20) + 1));
    EXPECT_TRUE(e.model.Undo() && e.model.Undo() && e.Data() == big);
}

TEST(HexEditUndo, LimitsAndRefusals)
{
    Editor e(Pattern(200));
    for (int i = 0; i < 101; ++i)
        e.model.ChangeByte(e.doc.GetByteAtPos(i), static_cast<std::uint8_t>(~e.doc.GetByteAtPos(i)), i, 0, 0);
    EXPECT_EQ(std::pair(e.model.UndoCount(), e.model.UndoLog().size()), std::pair(100, std::size_t{100 * 38}));
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(e.model.Undo());
    // The first change is no longer recorded.
    EXPECT_TRUE(!e.model.CanUndo() && e.Data().substr(1) == Pattern(200).substr(1) && e.Data()[0] != Pattern(200)[0]);

    // Without a size change a longer selection shrinks, a shorter one takes part of the buffer.
    Editor n("abcdefgh");
    n.model.SetNoSizeChange(true), n.Select(1, 4), n.model.ReplaceSelection("XY", 2);
    n.Select(4, 7), n.model.ReplaceSelection("123456", 6);
    n.model.InsertBuffer("z", 1, 0), n.model.DeleteSelection();
    EXPECT_FALSE(n.model.InsertNibble(0, true));
    EXPECT_EQ(n.Data(), "aXYd1234");

    // Nothing to remove in an empty document; deleting the last byte leaves the caret on column 2 of row 0.
    Editor empty("");
    empty.model.DeleteSelection();
    EXPECT_FALSE(empty.model.CanUndo());
    empty.model.InsertBuffer("a", 1, 0), empty.model.DeleteSelection();
    EXPECT_EQ(std::tuple(empty.Data(), empty.grid.col, empty.grid.row), std::tuple(""s, 2, 0));

    // A position outside the data changes nothing and records nothing.
    Editor r("abcdef");
    for (const std::int32_t pos : {7, -1})
        EXPECT_EQ(ErrorOf<HexError>([&] { r.model.InsertBuffer("!", 1, pos); }), "Invalid InsertBuffer position");
    for (const std::int32_t pos : {6, -1})
        EXPECT_EQ(ErrorOf<HexError>([&] { r.model.ChangeByte('?', '!', pos, 0, 0); }), "Invalid ChangeByte position");
    EXPECT_FALSE(r.model.CanUndo() || r.model.Modified());
    r.model.ChangeByte('f', '?', 5, 0, 0);
    r.model.InsertBuffer("!", 1, 6);
    EXPECT_EQ(r.Data(), "abcde?!");
}

TEST(HexEditUndo, EachKindOfStepIsLoggedAndUndone)
{
    Editor e("ABCDEFGH");
    e.model.ChangeByte('B', 'B', 1, 0, 0); // equal bytes record nothing
    EXPECT_FALSE(e.model.CanUndo() || e.model.Modified());
    // Each step: what it does, the data it leaves, its name and the size of its record.
    const struct { std::function<void()> edit; std::string data; const char* name; std::size_t record; } steps[] = {
        {[&] { e.model.ChangeByte('B', 'b', 1, 0, 0); }, "AbCDEFGH", "Byte changed", 38},
        {[&] { e.model.ChangeByte('b', 'c', 1, 0, 0); }, "AcCDEFGH", "Byte changed", 38},
        {[&] { e.Select(2, 3), e.model.DeleteSelection(); }, "AcEFGH", "Byte(s) removed", 39},
        {[&] { e.model.InsertBuffer("xy", 2, 5); }, "AcEFGxyH", "Insert buffer", 38},
        {[&] { e.Select(0, 2), e.model.ReplaceSelection("Z12", 3); }, "Z12FGxyH", "Replace selection", 40},
        {[&] { e.model.SetInCharField(true), e.model.AppendBuffer("!?", 2); }, "Z12FGxyH!?", "Append buffer", 38},
        {[&] { e.model.InsertNibble(1, true); }, "Z\x03\x13$dw\x87\x94\x82\x13\xF0"s, "Insert nibble", 38},
        {[&] { e.model.DeleteNibble(0, false); }, "P12FGxyH!?\0"s, "Delete nibble", 38},
        {[&] { e.model.ConvertRange(3, 4, ttAnsi, ttEBCDIC); }, "P12\xC6\xC7xyH!?\0"s, "Convert", 39},
    };
    std::vector<std::string> before;
    for (const auto& step : steps) {
        const std::size_t logged = e.model.UndoLog().size();
        before.push_back(e.Data()), step.edit();
        EXPECT_EQ(std::tuple(e.model.UndoLog().size() - logged, e.Data(), e.model.UndoDescription(), e.model.Modified()),
                  std::tuple(step.record, step.data, step.name, true));
    }
    // Undo walks back through every state; the replaced bytes come back with the selection as it was.
    for (; !before.empty(); before.pop_back()) {
        EXPECT_TRUE(e.model.Undo() && e.Data() == before.back()) << before.size();
        EXPECT_TRUE(before.size() != 5 || std::pair(e.model.GetSelStart(), e.model.GetSelEnd()) == std::pair(0, 2));
    }
    EXPECT_EQ(e.model.UndoDescription(), "No Undo");
    EXPECT_FALSE(e.model.Modified() || e.doc.HasChanged(1, false) || e.model.Undo());
    EXPECT_GE(e.grid.immediate, 1); // resetting the log tells the listener at once
}

TEST(HexEditUndo, WholeDataWritesReplaceEveryByteInOneStep)
{
    for (const int mode : {0, 1, 2, 3}) { // insert mode, hex
        Editor e("abcdef");
        if (mode & 1)
            e.Insert();
        mode & 2 ? e.model.SetAsHex("585", false) : e.model.SetAsText("X"); // the unpaired last digit is dropped
        EXPECT_EQ(std::pair(e.Data(), e.model.UndoDescription()), std::pair("X"s, "Replace selection"s)) << mode;
        EXPECT_TRUE(e.model.Undo() && e.Data() == "abcdef") << mode;
    }
    // Text is stored in the data's code; a nibble inserted into nothing is a zero byte.
    Editor e("xyz");
    e.look.translation = ttEBCDIC, e.model.SetAsText("ab");
    EXPECT_EQ(e.Data(), "\x81\x82");
    e.model.SetAsHex("", false);
    EXPECT_TRUE(e.model.InsertNibble(5, true) && e.Data() == "\0"s);
    for (const char* before : {"", "\x81\x82", "xyz"})
        EXPECT_TRUE(e.model.Undo() && e.Data() == before) << before;
}

TEST(HexEditUndo, AnEditWithoutRoomChangesNothing)
{
    Editor e("abcdef");
    e.Select(1, 2);
    const std::string big(2000, 'x');
    {
        FullDisk full; // the working copy cannot grow
        e.model.ReplaceSelection(big.data(), 2000), e.model.InsertBuffer(big.data(), 2000, 0);
        e.model.AppendBuffer(big.data(), 2000);
    }
    EXPECT_FALSE(e.Data() != "abcdef" || e.model.CanUndo() || e.model.Modified());
}

TEST(HexEditUndo, ANibbleShiftThatCannotBeMadeChangesNothing)
{
    // The shifted tail goes through a temporary file: none can be made in a
    // missing folder, and none whole on a full disk.
    test::TempDir folder;
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string savedTmpdir = tmpdir ? tmpdir : "";
    const auto useFolder = [&](bool missing) {
        setenv("TMPDIR", (missing ? folder / "missing" : folder.path().string()).c_str(), 1);
    };
    useFolder(false);
    const std::string original = Pattern(3000);
    for (const bool insert : {true, false}) {
        for (const bool noFolder : {true, false}) {
            SCOPED_TRACE(std::to_string(insert) + std::to_string(noFolder));
            Editor e(original);
            e.model.ChangeByte(static_cast<std::uint8_t>(original[5]), '!', 5, 0, 0);
            const std::string changed = e.Data();
            {
                std::optional<FullDisk> full;
                noFolder ? useFolder(true) : void(full.emplace());
                EXPECT_FALSE(insert ? e.model.InsertNibble(10, true) : e.model.DeleteNibble(10, false));
                useFolder(false);
            }
            // No byte moved, no record kept, no file left beside the working copy.
            EXPECT_TRUE(e.Data() == changed && e.model.UndoDescription() == "Byte changed"s);
            EXPECT_EQ(folder.Contents().size(), 1u);
        }
        // Undo of a nibble step whose shift back cannot be made keeps the step.
        Editor e(original);
        ASSERT_TRUE(insert ? e.model.InsertNibble(10, true) : e.model.DeleteNibble(10, true));
        const std::string edited = e.Data();
        useFolder(true);
        EXPECT_FALSE(e.model.Undo()) << insert;
        useFolder(false);
        EXPECT_TRUE(e.Data() == edited) << insert;
        EXPECT_TRUE(e.model.Undo() && e.Data() == original) << insert;
    }
    tmpdir ? setenv("TMPDIR", savedTmpdir.c_str(), 1) : unsetenv("TMPDIR");
}

} // namespace
} // namespace kelvo
