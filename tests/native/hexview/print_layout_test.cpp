#include "components/hexview/print_layout.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What GetLayout takes from the preview control.
HexPrintSettings PreviewLayout()
{
    HexPrintSettings settings;
    settings.MemFieldSeparator = ' ';
    return settings;
}

TEST(PrintLine, EveryStyleAndSeparator)
{
    const HexPrintChars chars;
    HexPrintSettings decimal;
    decimal.BytesPerLine = 4;
    decimal.OffsetDisplay = decimal.MemFieldDisplay = odDec;
    decimal.CharFieldSeparator = '|';
    HexPrintSettings octal;
    octal.BytesPerLine = 2;
    octal.BytesPerColumn = 1;
    octal.OffsetDisplay = octal.MemFieldDisplay = odOctal;
    octal.OffsetSeparator = octal.MemFieldSeparator = '\0';
    octal.DisplayCharField = false;
    HexPrintSettings swapped;
    swapped.BytesPerLine = 3;
    swapped.OffsetDisplay = odNone;
    swapped.OffsetSeparator = '\0';
    swapped.SwapNibbles = true;
    HexPrintSettings fieldsOff;
    fieldsOff.MemFieldDisplay = odNone;
    fieldsOff.DisplayCharField = false;
    HexPrintSettings threes;
    threes.BytesPerLine = 8;
    threes.BytesPerColumn = 3;
    threes.DisplayCharField = false;
    threes.MemFieldSeparator = '\0';

    const struct {
        HexPrintSettings settings;
        std::int32_t lineStart;
        Bytes bytes;
        std::int32_t offsetWidth;
        std::string expected;
    } cases[] = {
        {PreviewLayout(), 0x10, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'}, 6,
         "0x010:4142 4344 4546 4748 494A 4B4C 4D4E 4F50  ABCDEFGHIJKLMNOP"},
        // The last line: both fields padded to the full width.
        {PreviewLayout(), 0x3E0, {'A', 0, 'z'}, 6,
         "0x3E0:4100 7A   " + std::string(30, ' ') + " A.z" + std::string(13, ' ')},
        {decimal, 12, {7, 255, 65}, 5, "  12:  7255  65    ;.\xFF" "A |"},
        {octal, 0, {255, 8}, 6, "o 0000377 0010 "},
        {octal, 8, {1}, 5, "o 0100001      "},
        {swapped, 0, {0x12, 0xAB}, 4, "21BA   ;.\xAB "},
        {fieldsOff, 0, {1, 2}, 4, "0x0:;"},
        {threes, 0, {0, 1, 2, 3, 4, 5, 6, 7}, 4, "0x0:000102 030405 0607"},
        // Bytes beyond the line's length are not printed.
        {threes, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 4, "0x0:000102 030405 0607"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildPrintLine(c.settings, chars, c.lineStart, c.bytes, c.offsetWidth), c.expected)
            << c.lineStart << " " << c.expected;

    HexPrintChars mac;
    mac.translation = ttMac;
    mac.maskChar = '#';
    fieldsOff.DisplayCharField = true;
    fieldsOff.MemFieldSeparator = '\0';
    EXPECT_EQ(BuildPrintLine(fieldsOff, mac, 0, Bytes{0x8A, 0x09}, 4),
              "0x0:\xE4#" + std::string(14, ' '));

    HexPrintSettings broken = PreviewLayout();
    broken.BytesPerColumn = 0;
    EXPECT_EQ(BuildPrintLine(broken, chars, 0, Bytes{1}, 4), "");
    broken.BytesPerColumn = 2;
    broken.BytesPerLine = 0;
    EXPECT_EQ(BuildPrintLine(broken, chars, 0, Bytes{1}, 4), "");
}

// A monospaced surface: every character is size pixels wide and the text
// 2 * size high (or as fixed below); records what is written.
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
        if (constantWidth >= 0)
            return {constantWidth, 10};
        return {static_cast<std::int32_t>(text.size()) * size, 2 * size};
    }
    void WriteText(std::int32_t x, std::int32_t y, std::string_view text) override
    {
        written.push_back({x, y, std::string(text), size});
    }

    int size = 0;
    std::int32_t constantWidth = -1;
    std::vector<Text> written;
};

class PrintPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string data(100, '\0');
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>('a' + i % 26);
        std::istringstream in(data);
        ASSERT_TRUE(document.LoadStream(in));
        document.CalcSizes();
        settings = PreviewLayout();
        settings.ShrinkToFit = settings.StretchToFit = false;
    }
    PrintPageResult Layout(std::int32_t start, std::int32_t end, std::string_view header = {},
                           std::string_view footer = {})
    {
        return LayoutPrintPage(document, settings, {}, document.OffsetWidth(odHex), area, 1, start, end,
                               header, footer, surface);
    }
    std::string Line(std::int32_t lineStart)
    {
        const auto count = static_cast<std::size_t>(std::min(16, 100 - lineStart));
        Bytes bytes(count);
        document.GetMemAtPos(bytes.data(), lineStart, static_cast<std::int32_t>(count));
        return BuildPrintLine(settings, {}, lineStart, bytes, document.OffsetWidth(odHex));
    }

    HexDocument document;
    HexPrintSettings settings;
    PrintArea area{10, 5, 10 + 12 * 5, 500}; // five lines of 12 pixels at size 5
    FakeSurface surface;
};

TEST_F(PrintPage, HeaderLinesAndFooterAndTheNextPage)
{
    // Size 5: text height 10, line height 12.
    const auto layout = [&](std::int32_t start, std::int32_t end, std::string_view header,
                            std::string_view footer) {
        return LayoutPrintPage(document, settings, {}, document.OffsetWidth(odHex), area, 5, start, end,
                               header, footer, surface);
    };
    const PrintPageResult page = layout(16, 1000, "Head", "Foot");
    EXPECT_EQ(page.lineHeight, 12);
    EXPECT_EQ(page.fontSize, 5);
    // The header, three lines between it and the footer's line, the footer.
    const std::vector<FakeSurface::Text> expected = {
        {5, 10, "Head", 5}, {5, 22, Line(16), 5}, {5, 34, Line(32), 5}, {5, 46, Line(48), 5}, {5, 58, "Foot", 5}};
    EXPECT_EQ(surface.written, expected);
    EXPECT_EQ(page.next, 64);

    // The same call again puts the footer at the same place.
    surface.written.clear();
    EXPECT_EQ(layout(16, 1000, "Head", "Foot").next, 64);
    EXPECT_EQ(surface.written, expected);

    // The rest fits on the next page without header and footer; the end is
    // cut to the data, the last line is padded.
    surface.written.clear();
    EXPECT_EQ(layout(64, 1000, {}, {}).next, 100);
    ASSERT_EQ(surface.written.size(), 3u);
    EXPECT_EQ(surface.written[2].text, Line(96));
    EXPECT_EQ(Line(96).size(), Line(0).size());
    EXPECT_EQ(Line(96).substr(5, 10), "7374 7576 ");

    // An end inside a line stops after it; a page one line high with a
    // header holds only the header.
    surface.written.clear();
    EXPECT_EQ(layout(0, 20, {}, {}).next, 21);
    EXPECT_EQ(surface.written.size(), 2u);
    EXPECT_EQ(surface.written[1].text.substr(5, 10), "7172 7374 ");
    EXPECT_EQ(surface.written[1].text.substr(46), "qrstu" + std::string(11, ' '));
    area.Bottom = area.Top + 12;
    surface.written.clear();
    EXPECT_EQ(layout(32, 99, "Head", {}).next, 32);
    EXPECT_EQ(surface.written, (std::vector<FakeSurface::Text>{{5, 10, "Head", 5}}));
}

TEST_F(PrintPage, NothingToDraw)
{
    EXPECT_EQ(Layout(100, 200).next, -1);
    EXPECT_EQ(Layout(50, 40).next, -1);
    settings.BytesPerLine = 0;
    EXPECT_EQ(Layout(0, 99).next, -1);
    settings.BytesPerLine = 16;
    settings.BytesPerColumn = 0;
    EXPECT_EQ(Layout(0, 99).next, -1);
    EXPECT_TRUE(surface.written.empty());
    // A negative start prints from the first byte.
    settings.BytesPerColumn = 2;
    EXPECT_EQ(Layout(-5, 10).next, 11);
    EXPECT_EQ(surface.written.at(0).text.substr(0, 10), "0x00:6162 ");
}

TEST_F(PrintPage, FontFitsTheWidth)
{
    // A line is 62 characters wide (offset "0x00:", 40 of bytes, a space, 16 characters).
    ASSERT_EQ(Line(0).size(), 62u);
    const auto sizeFor = [&](std::int32_t width, bool stretch, bool shrink, int start) {
        settings.StretchToFit = stretch;
        settings.ShrinkToFit = shrink;
        area = {0, 100, 100000, 100 + width};
        return LayoutPrintPage(document, settings, {}, document.OffsetWidth(odHex), area, start, 0, 99, {}, {},
                               surface)
            .fontSize;
    };
    EXPECT_EQ(sizeFor(62 * 7, true, true, 12), 7);    // shrunk to exactly the width
    EXPECT_EQ(sizeFor(62 * 7 + 61, true, true, 2), 7); // stretched, then back below the width
    EXPECT_EQ(sizeFor(62 * 7, false, true, 3), 3);    // shrinking only never enlarges
    EXPECT_EQ(sizeFor(62 * 7, true, false, 12), 7);   // stretching also comes back down
    EXPECT_EQ(sizeFor(62 * 7, false, false, 12), 12);
    EXPECT_EQ(sizeFor(0, true, true, 12), kMinPrintFontSize); // too narrow for any size
    EXPECT_EQ(surface.written.back().size, kMinPrintFontSize);
    surface.constantWidth = 0; // a font that never grows
    EXPECT_EQ(sizeFor(500, true, true, 12), kMaxPrintFontSize);
    // Text 10 high: lines 12 apart; a text height of 0 still moves on.
    EXPECT_EQ(Layout(0, 99).lineHeight, 12);
    surface.constantWidth = -1;
    settings.StretchToFit = settings.ShrinkToFit = false;
    EXPECT_EQ(LayoutPrintPage(document, settings, {}, 4, {0, 0, 100, 100}, 0, 0, 99, {}, {}, surface).lineHeight,
              3); // size clamped to 1: height 2, 2.4 rounds to 2, one more
}

} // namespace
} // namespace kelvo
