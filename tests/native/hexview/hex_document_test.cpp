#include "components/hexview/hex_document.h"
#include "platform/file.h"
#include "tests/native/archive/archive_test_support.h"
#include "tests/native/hexview/hex_test_support.h"

#include <functional>
#include <tuple>
#include <vector>

namespace kelvo {
namespace {

using test::ErrorOf;
using test::Load;
using test::Pattern;
using test::ReadBytes;

TEST(HexDocumentLayout, ColumnWidthsOfThePreview)
{
    HexDocument doc;
    ASSERT_EQ(doc.ColCount(), 51);
    std::vector<int> expected = {32, 8};
    for (int group = 0; group < 8; ++group)
        expected.insert(expected.end(), {8, 8, 8, 16});
    expected.insert(expected.end(), 17, 8);
    std::vector<int> widths;
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
        HexDocument::Appearance look;
        look.offsetDisplay = style;
        EXPECT_EQ(std::pair(doc.RowCount(), doc.OffsetWidth(style)), std::pair(rows, width)) << size << " " << int(style);
        EXPECT_EQ(doc.CellLook(0, row, look, width).text, text);
    }
}

TEST(HexDocumentLayout, VariableLineLengths)
{
    HexDocument doc;
    Load(doc, Pattern(32));
    doc.SetVariableLineLength(true);
    doc.SetLineLength(0, 8);
    EXPECT_EQ(doc.RowCount(), 3);
    for (auto [row, offset] : {std::pair{0, 0}, {1, 8}, {2, 24}, {3, 40}})
        EXPECT_EQ(doc.GetLineOffset(row), offset) << row;
    for (auto [pos, row] : {std::pair{7, 0}, {8, 1}, {23, 1}, {24, 2}, {31, 2}, {500, 2}})
        EXPECT_EQ(doc.GetRow(pos), row) << pos;
    EXPECT_EQ(doc.GetCursorAtPos(9, false).col, 4);
    EXPECT_EQ(doc.GetCursorAtPos(-5, true).col, 2);

    // Line 0 holds 8 bytes: digit columns up to 17, character columns up to 42.
    for (auto [col, out] : {std::pair{17, false}, {18, true}, {34, true}, {42, false}, {43, true}, {1, false}})
        EXPECT_EQ(doc.OutOfBounds(col, 0), out) << col;
    EXPECT_EQ(doc.CellLook(0, 1, {}, 4).text, "0x8:"); // the offset of the short line's successor

    for (auto [row, length] : {std::pair{0, 0}, {0, 17}, {-1, 4}, {1000, 4}})
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetLineLength(row, length); }), "Invalid Line Length argument")
            << row << " " << length;

    // Each length gives the start of its line; the last line then runs full.
    doc.SetLineLengths({4, 4, 8});
    EXPECT_EQ(std::pair(doc.GetLineOffset(2), doc.RowCount()), std::pair(8, 4));
    EXPECT_THROW(doc.SetLineLengths({4, 0}), HexError);

    // A row far past the data is refused before anything is allocated.
    EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetLineLength(1 << 30, 4); }), "Invalid Line Length argument");
    EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetNibblesPerColumn(0); }), "Invalid BytesPerColumn argument");
    for (int bad : {0, 257})
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetBytesPerLine(bad); }), "Invalid BytesPerLine argument");
    doc.SetBytesPerLine(8); // back to full lines of the new length
    EXPECT_FALSE(doc.VariableLineLength());
    EXPECT_EQ(std::pair(doc.RowCount(), doc.ColCount()), std::pair(4, 27));
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
    doc.SetInternalBufferByte(5, 0xEE);
    doc.SetInternalBufferByte(70000, 0xEE); // outside the window: ignored
    EXPECT_EQ(doc.CachedByte(5), 0xEE);
    EXPECT_EQ(doc.GetByteAtPos(5), static_cast<std::uint8_t>(data[5]));
}

TEST(HexDocumentData, ChangeFlags)
{
    HexDocument doc;
    Load(doc, Pattern(30));
    doc.SetChanged(100, false, false); // clearing beyond the set grows nothing
    doc.SetChanged(3, true, false);
    doc.SetChanged(25, true, false);
    EXPECT_EQ(doc.ChangeFlagCount(), 26u);
    for (auto [pos, insert, changed] : {std::tuple{3, false, true}, {4, false, false}, {3, true, false}, {99, false, false}})
        EXPECT_EQ(doc.HasChanged(pos, insert), changed) << pos << insert;
    doc.SetChanged(7, true, true); // insert mode empties the set first
    EXPECT_EQ(std::pair(doc.HasChanged(3, false), doc.HasChanged(7, false)), std::pair(false, true));
    doc.FreeFile();
    doc.CalcSizes(); // cuts the set to the data size
    EXPECT_EQ(doc.ChangeFlagCount(), 0u);
}

TEST(HexDocumentData, CheckedAccessAndWholeDataTexts)
{
    HexDocument doc;
    const std::string data("\x0F\xA0\0J", 4);
    Load(doc, data);
    EXPECT_EQ(doc.AsText(), data);
    EXPECT_EQ(doc.AsHex(false), "0FA0004A");
    EXPECT_EQ(doc.AsHex(true), "F00A00A4");

    std::int32_t count = 10;
    for (std::int32_t pos : {-1, 4}) {
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.GetMemory(pos); }), "Invalid GetMemory index");
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.SetMemory(pos, 1); }), "Invalid SetMemory index");
        EXPECT_EQ(ErrorOf<HexError>([&] { doc.BufferFromFile(pos, count); }), "Invalid BufferFromFile argument");
    }
    doc.CheckInternalBuffer(0);
    doc.SetMemory(3, 'K');
    EXPECT_EQ(std::pair(doc.CacheBase(), doc.GetMemory(3)), std::pair(-1, std::uint8_t{'K'}));
    EXPECT_EQ(doc.BufferFromFile(2, count), (std::vector<std::uint8_t>{0, 'K'}));
    EXPECT_EQ(count, 2);

    // The size is read again only once the cache is invalid.
    doc.CheckInternalBuffer(0);
    EXPECT_EQ(doc.GetDataSize(), 4);
    doc.SetMemAtPos("ab", 4, 2);
    EXPECT_EQ(doc.GetDataSize(), 4);
    doc.InvalidateCache();
    EXPECT_EQ(doc.GetDataSize(), 6);
    doc.FreeFile();
    EXPECT_EQ(doc.GetByteAtPos(0), -1);
}

TEST(HexDocumentFiles, WorkingCopiesAreReservedAndRemoved)
{
    std::string first, second;
    {
        HexDocument a, b;
        first = a.WorkingCopyName();
        second = b.WorkingCopyName();
        EXPECT_NE(first, second);
        EXPECT_TRUE(platform::FileExists(first) && platform::FileExists(second));
        const std::string file = first.substr(platform::TempFolder().size());
        EXPECT_EQ(file.find_first_not_of("0123456789abcdef"), 12u);
        EXPECT_EQ(file.substr(12), ".QZTF");
        Load(a, "data");

        // Moved away, the bytes go as they are and the document goes on empty
        // under a fresh name; a move that cannot be made keeps the data.
        Load(b, "moved bytes");
        const std::string taken = platform::TempFolder() + "kelvo-taken-" + std::to_string(platform::ProcessId());
        EXPECT_FALSE(b.MoveWorkingCopy(platform::TempFolder() + "no-such-folder/x"));
        EXPECT_EQ(b.AsText(), "moved bytes");
        ASSERT_TRUE(b.MoveWorkingCopy(taken));
        EXPECT_EQ(ReadBytes(taken), "moved bytes");
        EXPECT_EQ(b.GetDataSize(), 0);
        EXPECT_NE(b.WorkingCopyName(), second);
        second = b.WorkingCopyName();
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
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(doc.AsText(), "kept");

    const std::string data = Pattern(3000);
    test::WriteBytes(dir / "a.bin", data);
    {
        // Held open for reading elsewhere: loadable, but not writable.
        platform::File held = platform::File::Open(dir / "a.bin", platform::File::Mode::Read);
        ASSERT_TRUE(doc.LoadFile(dir / "a.bin", readOnly));
        EXPECT_TRUE(readOnly);
    }
    ASSERT_TRUE(doc.LoadFile(dir / "a.bin", readOnly));
    EXPECT_FALSE(readOnly);
    EXPECT_EQ(doc.AsText(), data);

    // A failed save keeps the working copy and its change flags.
    doc.SetMemory(0, 'Z');
    doc.SetChanged(0, true, false);
    EXPECT_FALSE(doc.SaveFile(dir / "no-such-folder/b.bin"));
    EXPECT_TRUE(doc.HasChanged(0, false));
    ASSERT_TRUE(doc.SaveFile(dir / "b.bin"));
    EXPECT_EQ(doc.ChangeFlagCount(), 0u);
    EXPECT_EQ(ReadBytes(dir / "b.bin"), "Z" + data.substr(1));
    doc.SetMemory(1, 'Y'); // the reopened working copy is still the data

    std::ostringstream out;
    out << "head:";
    ASSERT_TRUE(doc.SaveStream(out));
    EXPECT_EQ(out.str(), "head:ZY" + data.substr(2));

    // A copy that fails part-way leaves the saved file as it was and nothing beside it.
    bool savedOverFullDisk = true;
    {
        test::FullDisk full;
        savedOverFullDisk = doc.SaveFile(dir / "b.bin");
    }
    EXPECT_FALSE(savedOverFullDisk);
    EXPECT_EQ(ReadBytes(dir / "b.bin"), "Z" + data.substr(1));
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"a.bin", "b.bin"}));
    EXPECT_FALSE(HexDocument::CopyFileOver(dir / "missing", dir / "d.bin"));
    EXPECT_FALSE(platform::FileExists(dir / "d.bin"));

    // A working copy past 2 GiB - 1 bytes is not saved in part, and stays whole.
    ASSERT_TRUE(doc.Stream().SetSize(std::int64_t{1} << 31));
    EXPECT_FALSE(doc.SaveFile(dir / "oversized.bin"));
    EXPECT_FALSE(platform::FileExists(dir / "oversized.bin"));
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
    HexDocument::Appearance look;
    look.fontColor = 0x123456;
    const HexColors& c = look.colors;
    const HexColor font = look.fontColor, bg = c.Background;
    // Each step may change the look or the document, then shows a cell of row 0.
    const struct {
        std::function<void()> change;
        int col;
        const char* text;
        HexColor fg, bg;
    } steps[] = {
        {{}, 1, " ", font, bg},
        {[&] { doc.Markers[5] = doc.Markers[3] = 0; }, 1, "3", c.PositionText, c.PositionBackground},
        {{}, 3, "A", c.OddColumn, bg},  {{}, 6, "4", c.EvenColumn, bg}, // byte 2, second group
        {{}, 35, "J", font, bg},        {[&] { look.maskChar = '*'; }, 36, "*", font, bg},
        {{}, 34, " ", font, bg},        {{}, 12, " ", font, bg}, // spacer, beyond the data
        {[&] { look.maskWhiteSpaces = false; }, 36, "\x01", font, bg},
        {[&] { look.swapNibbles = true; }, 2, "A", c.OddColumn, bg},
        {[&] { doc.SetChanged(4, true, false); }, 10, "A", c.ChangedText, c.ChangedBackground},
        {[&] { look.insertMode = true; }, 10, "A", c.OddColumn, bg},
        {[&] { look.insertMode = false, doc.SelStart = doc.SelAnchor = 2, doc.SelEnd = 4; }, 6, "A", c.EvenInverse(),
         c.EvenColumn},
        {{}, 10, "A", c.ChangedBackground, c.ChangedText}, {{}, 37, "J", bg, font},
        {{}, 2, "A", c.OddColumn, bg}, // before the selection
    };
    for (const auto& step : steps) {
        if (step.change)
            step.change();
        const HexCellLook got = doc.CellLook(step.col, 0, look, 4);
        EXPECT_EQ(std::tuple(got.text, got.textColor, got.background), std::tuple(step.text, step.fg, step.bg))
            << step.col;
        EXPECT_EQ(got.markerFont, step.col == 1 && step.text != std::string(" ")) << step.col;
    }
    EXPECT_EQ(c.EvenInverse(), 0x7FFFFFu);
    EXPECT_EQ(InverseColor(kHexWindowColor), 0x00FFFFFAu); // system colours are not resolved
}

} // namespace
} // namespace kelvo
