#include "components/hexview/print_layout.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What GetLayout takes from the preview control.
const HexPrintSettings kPreview{.MemFieldSeparator = ' '};

TEST(PrintLine, EveryStyleAndSeparator)
{
    const HexPrintSettings decimal{.BytesPerLine = 4, .OffsetDisplay = odDec, .MemFieldDisplay = odDec,
                                   .CharFieldSeparator = '|'};
    const HexPrintSettings octal{.BytesPerLine = 2, .BytesPerColumn = 1, .OffsetDisplay = odOctal,
                                 .MemFieldDisplay = odOctal, .DisplayCharField = false, .OffsetSeparator = '\0',
                                 .MemFieldSeparator = '\0'};
    const HexPrintSettings swapped{.BytesPerLine = 3, .OffsetDisplay = odNone, .OffsetSeparator = '\0',
                                   .SwapNibbles = true};
    const HexPrintSettings threes{.BytesPerLine = 8, .BytesPerColumn = 3, .DisplayCharField = false,
                                  .MemFieldSeparator = '\0'};
    const HexPrintSettings charsOnly{.MemFieldDisplay = odNone, .MemFieldSeparator = '\0'};
    const HexPrintChars ansi, mac{ttMac, true, '#'};
    const struct { HexPrintSettings settings; HexPrintChars chars; std::int32_t lineStart; Bytes bytes;
                   std::int32_t offsetWidth; std::string expected; } cases[] = {
        {kPreview, ansi, 0x10, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'},
         6, "0x010:4142 4344 4546 4748 494A 4B4C 4D4E 4F50  ABCDEFGHIJKLMNOP"},
        // The last line: both fields padded to the full width.
        {kPreview, ansi, 0x3E0, {'A', 0, 'z'}, 6,
         "0x3E0:4100 7A   " + std::string(30, ' ') + " A.z" + std::string(13, ' ')},
        {decimal, ansi, 12, {7, 255, 65}, 5, "  12:  7255  65    ;.\xFF" "A |"},
        {octal, ansi, 0, {255, 8}, 6, "o 0000377 0010 "},
        {swapped, ansi, 0, {0x12, 0xAB}, 4, "21BA   ;.\xAB "},
        {threes, ansi, 0, {0, 1, 2, 3, 4, 5, 6, 7}, 4, "0x0:000102 030405 0607"},
        {charsOnly, mac, 0, {0x8A, 0x09}, 4, "0x0:\xE4#" + std::string(14, ' ')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildPrintLine(c.settings, c.chars, c.lineStart, c.bytes, c.offsetWidth), c.expected);
    EXPECT_EQ(BuildPrintLine({.BytesPerLine = 0}, ansi, 0, Bytes{1}, 4), "");
}

// A monospaced surface: every character is size pixels wide and the text
// 2 * size high; records what is written.
class FakeSurface : public PrintSurface {
public:
    struct Text {
        std::int32_t x, y;
        std::string text;
        int size;
        bool operator==(const Text&) const = default;
    };
    void SetFontSize(int newSize) override { size = newSize; }
    PrintTextSize TextExtent(std::string_view text) override
    {
        const auto width = static_cast<std::int32_t>(text.size()) * size;
        return {constantWidth >= 0 ? constantWidth : width, 2 * size};
    }
    void WriteText(std::int32_t x, std::int32_t y, std::string_view s) override { written.push_back({x, y, std::string(s), size}); }

    int size = 0;
    std::int32_t constantWidth = -1;
    std::vector<Text> written;
};

class PrintPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::istringstream in(alphabet + alphabet + alphabet + alphabet.substr(0, 22)); // 100 bytes
        ASSERT_TRUE(document.LoadStream(in));
        document.CalcSizes();
        settings.ShrinkToFit = settings.StretchToFit = false;
    }
    // Size 5 by default: text 10 high, lines 12 apart.
    PrintPageResult Layout(std::int32_t start, std::int32_t end, std::string_view header = {},
                           std::string_view footer = {}, int size = 5)
    {
        return LayoutPrintPage(document, settings, {}, document.OffsetWidth(odHex), area, size, start, end, header,
                               footer, surface);
    }
    std::string Line(std::int32_t lineStart)
    {
        Bytes bytes(static_cast<std::size_t>(std::min(16, 100 - lineStart)));
        document.GetMemAtPos(bytes.data(), lineStart, static_cast<std::int32_t>(bytes.size()));
        return BuildPrintLine(settings, {}, lineStart, bytes, document.OffsetWidth(odHex));
    }

    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
    HexDocument document;
    HexPrintSettings settings = kPreview;
    PrintArea area{10, 5, 10 + 12 * 5, 500}; // top, left, bottom, right: five lines
    FakeSurface surface;
};

TEST_F(PrintPage, HeaderLinesAndFooterAndTheNextPage)
{
    const PrintPageResult page = Layout(16, 1000, "Head", "Foot");
    EXPECT_EQ(page.lineHeight, 12);
    // The header, three lines between it and the footer's line, the footer.
    const std::vector<FakeSurface::Text> expected = {
        {5, 10, "Head", 5}, {5, 22, Line(16), 5}, {5, 34, Line(32), 5}, {5, 46, Line(48), 5}, {5, 58, "Foot", 5}};
    EXPECT_EQ(surface.written, expected);
    EXPECT_EQ(page.next, 64);

    // The rest fits on the next page; the end is cut to the data and the last line padded to the others' width.
    surface.written.clear();
    EXPECT_EQ(Layout(64, 1000).next, 100);
    EXPECT_EQ(surface.written.back(), (FakeSurface::Text{5, 34, Line(96), 5}));
    EXPECT_EQ(Line(96).size(), Line(0).size());
    // An end inside a line stops after that line's byte.
    surface.written.clear();
    EXPECT_EQ(Layout(0, 20).next, 21);
    EXPECT_EQ(surface.written.back().text.substr(46), "qrstu" + std::string(11, ' '));

    // A page one line high with a header holds only the header.
    area.Bottom = area.Top + 12, surface.written.clear();
    EXPECT_EQ(Layout(32, 99, "Head").next, 32);
    EXPECT_EQ(surface.written, (std::vector<FakeSurface::Text>{{5, 10, "Head", 5}}));
}

TEST_F(PrintPage, NothingToDrawAndNegativeStart)
{
    EXPECT_EQ(std::pair(Layout(100, 200).next, Layout(50, 40).next), std::pair(-1, -1));
    settings.BytesPerColumn = 0;
    EXPECT_TRUE(Layout(0, 99).next == -1 && surface.written.empty());
    settings.BytesPerColumn = 2;
    EXPECT_EQ(Layout(-5, 10).next, 11);
    EXPECT_EQ(surface.written.at(0).text.substr(0, 10), "0x00:6162 ");
}

TEST_F(PrintPage, FontFitsTheWidth)
{
    // A line is 62 characters: offset "0x00:", 40 of bytes, a space, 16 characters.
    ASSERT_EQ(Line(0).size(), 62u);
    const auto sizeFor = [&](std::int32_t width, bool stretch, bool shrink, int start) {
        settings.StretchToFit = stretch, settings.ShrinkToFit = shrink, area = {0, 100, 100000, 100 + width};
        return Layout(0, 99, {}, {}, start).fontSize;
    };
    EXPECT_EQ(sizeFor(62 * 7, true, true, 12), 7);     // shrunk to exactly the width
    EXPECT_EQ(sizeFor(62 * 7 + 61, true, true, 2), 7); // stretched, then back below the width
    EXPECT_EQ(sizeFor(62 * 7, false, true, 3), 3);     // shrinking never enlarges
    EXPECT_EQ(sizeFor(62 * 7, true, false, 12), 7);    // stretching also comes back down
    EXPECT_EQ(sizeFor(62 * 7, false, false, 12), 12);
    // The loops end: an area too narrow for any size, a font that never grows.
    EXPECT_TRUE(sizeFor(0, true, true, 12) == kMinPrintFontSize && surface.written.back().size == kMinPrintFontSize);
    surface.constantWidth = 0;
    EXPECT_EQ(sizeFor(500, true, true, 12), kMaxPrintFontSize);
    // Text 2 high at size 1: 2.4 rounds to 2, so lines are 3 apart.
    surface.constantWidth = -1;
    EXPECT_TRUE(sizeFor(500, false, false, 0) == 1 && Layout(0, 99, {}, {}, 0).lineHeight == 3);
}

} // namespace
} // namespace kelvo
