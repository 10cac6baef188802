// The hex view's printed form: the text of one printed line (offset, bytes in
// hex, decimal or octal, characters, each part optional and followed by its
// separator) and the layout of one page (font fitted to the width, header,
// lines, footer, the first byte left for the next page). Window-free: the
// page is measured and written through an injected surface, so THexToCanvas
// (hex_to_canvas.h) only turns these calls into GDI ones.
#pragma once

#include "components/hexview/hex_document.h"

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

namespace kelvo {

// What a printed line shows and how the page fits its font.
struct HexPrintSettings {
    std::int32_t BytesPerLine = 16;
    std::int32_t BytesPerColumn = 2;
    TOffsetDisplayStyle OffsetDisplay = odHex;
    TOffsetDisplayStyle MemFieldDisplay = odHex; // odNone leaves the byte field out
    bool DisplayCharField = true;
    char OffsetSeparator = ':';   // each separator is left out when it is 0
    char MemFieldSeparator = ';';
    char CharFieldSeparator = '\0';
    bool SwapNibbles = false;
    bool ShrinkToFit = true;  // reduce the font until a line fits the width
    bool StretchToFit = true; // enlarge the font until a line fills the width
};

// How the character field shows a byte: the editor's translation and masking.
struct HexPrintChars {
    TTranslationType translation = ttAnsi;
    bool maskWhiteSpaces = true;
    char maskChar = '.';
};

// One printed line for the line starting at lineStart: bytes holds the bytes
// to print from there (at most BytesPerLine of them); the positions past them
// are padded with spaces, so every line of a page has the same width.
// offsetWidth is the editor's offset column width in characters. Empty when
// BytesPerLine or BytesPerColumn is below 1.
std::string BuildPrintLine(const HexPrintSettings& settings, const HexPrintChars& chars,
                           std::int32_t lineStart, std::span<const std::uint8_t> bytes,
                           std::int32_t offsetWidth);

// The page's drawing area in the surface's pixels.
struct PrintArea {
    std::int32_t Top = 0, Left = 0, Bottom = 0, Right = 0;
};

struct PrintTextSize {
    std::int32_t width = 0, height = 0;
};

// Where a page goes: a font of a size in points, text measured and written in it.
class PrintSurface {
public:
    virtual void SetFontSize(int size) = 0;
    virtual PrintTextSize TextExtent(std::string_view text) = 0;
    virtual void WriteText(std::int32_t x, std::int32_t y, std::string_view text) = 0;

protected:
    ~PrintSurface() = default;
};

// The font sizes the fit loops stay within, so that an area too narrow for
// any size or a font that measures the same at every size ends the loops.
inline constexpr int kMinPrintFontSize = 1;
inline constexpr int kMaxPrintFontSize = 1000;
// What Draw returns without an editor.
inline constexpr std::int32_t kNoPrintSource = std::numeric_limits<std::int32_t>::max();

struct PrintPageResult {
    // The first byte not drawn (end + 1 when all were), or -1 when nothing
    // could be drawn: BytesPerLine or BytesPerColumn below 1, or start past
    // the end of the data or the range.
    std::int32_t next = -1;
    int fontSize = 0;   // the size the page was written in
    int lineHeight = 0; // pixels from one line to the next
};

// Writes the bytes start..end (inclusive, end cut to the data) of the
// document onto one page from its first line: header at the top, footer on
// the line above the area's bottom, as many lines as fit between them. The
// font starts at fontSize and is fitted to the area's width as the settings
// say. The area is taken by value: the footer's line never changes the
// bottom a later page starts from.
PrintPageResult LayoutPrintPage(HexDocument& document, const HexPrintSettings& settings,
                                const HexPrintChars& chars, std::int32_t offsetWidth,
                                const PrintArea& area, int fontSize, std::int32_t start,
                                std::int32_t end, std::string_view header,
                                std::string_view footer, PrintSurface& surface);

} // namespace kelvo
