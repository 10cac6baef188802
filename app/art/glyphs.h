// The editor's artwork, kept as text: every picture is a grid of characters,
// one per pixel, each naming a colour of kPalette ('.' is transparent). The
// build turns these into the tool bar strip and the application icon
// (tools/art/make_art.cpp); the grids are checked at compile time.
//
// Style: classic tool bar glyphs, 16 x 16 (drawn at 24 and 32 pixels too, see
// KeyAt), one-pixel dark outlines, a few flat
// colours, transparent background.
#pragma once

#include "app/resource.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace kelvo::art {

struct PaletteColour {
    char key;
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

inline constexpr char kTransparent = '.';

inline constexpr PaletteColour kPalette[] = {
    {'k', 0, 0, 0},       // outline
    {'g', 128, 128, 128}, // grey: text lines, shutter slot
    {'s', 192, 192, 192}, // silver: folded corners, metal
    {'w', 255, 255, 255}, // paper, labels
    {'Y', 255, 240, 176}, // folder edge highlight
    {'y', 255, 216, 96},  // folder front, pencil
    {'o', 208, 152, 40},  // folder back and shade
    {'b', 32, 88, 200},   // blue: help, floppy, digits
    {'c', 168, 216, 255}, // sky
    {'G', 40, 168, 40},   // green: plus, arrows, hills
    {'e', 0, 104, 0},     // dark green
    {'r', 224, 32, 32},   // red: delete cross, eraser
    {'t', 236, 196, 140}, // cardboard, lit top; pencil wood
    {'u', 204, 150, 88},  // cardboard front
    {'d', 152, 100, 48},  // cardboard side
    {'n', 88, 52, 16},    // cardboard outline
    {'h', 248, 232, 188}, // packing tape
};

inline constexpr int kIconLargeSize = 32;
inline constexpr int kIconSmallSize = 16;

template <std::size_t Size>
using Picture = std::array<std::string_view, Size>;
using Glyph = Picture<kToolbarGlyphSize>;

// The tool bar strip, in ToolbarGlyph order.
inline constexpr std::array<Glyph, kToolbarGlyphCount> kToolbarGlyphs = {
    // 0 Help
    Glyph{
        "................",
        ".....kkkkkk.....",
        "...kkbbbbbbkk...",
        "..kbbbwwwwbbbk..",
        "..kbbwwbbwwbbk..",
        ".kbbbbbbbwwbbbk.",
        ".kbbbbbbwwbbbbk.",
        ".kbbbbbwwbbbbbk.",
        ".kbbbbbwwbbbbbk.",
        ".kbbbbbbbbbbbbk.",
        ".kbbbbbwwbbbbbk.",
        "..kbbbbwwbbbbk..",
        "..kbbbbbbbbbbk..",
        "...kkbbbbbbkk...",
        ".....kkkkkk.....",
        "................",
    },
    // 1 New
    Glyph{
        "................",
        "..kkkkkkkk......",
        "..kwwwwwwkk.....",
        "..kwwwwwwksk....",
        "..kwwwwwwkssk...",
        "..kwwwwwwkkkkk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
    },
    // 2 Open
    Glyph{
        "................",
        "................",
        "................",
        "..kkkk..........",
        ".kooook.........",
        ".koooookkkkkkk..",
        ".kooooooooooook.",
        ".kooooooooooook.",
        ".kookkkkkkkkkkkk",
        ".kookyyyyyyyyyyk",
        ".kokyyyyyyyyyyk.",
        ".kokyyyyyyyyyyk.",
        ".kkyyyyyyyyyyk..",
        ".kkkkkkkkkkkkk..",
        "................",
        "................",
    },
    // 3 Save
    Glyph{
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kbkwwwwwwwwkbk.",
        ".kbkwwwwwwwwkbk.",
        ".kbkwggggggwkbk.",
        ".kbkwwwwwwwwkbk.",
        ".kbkwggggggwkbk.",
        ".kbkwwwwwwwwkbk.",
        ".kbkkkkkkkkkkbk.",
        ".kbbbbbbbbbbbbk.",
        ".kbbkkkkkkkkbbk.",
        ".kbbksggssssbbk.",
        ".kbbksggssssbbk.",
        ".kbbksggssssbbk.",
        ".kkkkkkkkkkkkkk.",
        "................",
    },
    // 4 Add File
    Glyph{
        ".kkkkkkkk.......",
        ".kwwwwwwkk......",
        ".kwwwwwwksk.....",
        ".kwwwwwwkssk....",
        ".kwwwwwwkkkkk...",
        ".kwwwwwwwwwwk...",
        ".kwwwwwwwwwwk...",
        ".kwwwwwwwwwwk...",
        ".kwwwwwwwwkkkk..",
        ".kwwwwwwwwkGGk..",
        ".kwwwwwwkkkGGkkk",
        ".kwwwwwwkGGGGGGk",
        ".kwwwwwwkGGGGGGk",
        ".kkkkkkkkkkGGkkk",
        "..........kGGk..",
        "..........kkkk..",
    },
    // 5 Add Directory
    Glyph{
        "................",
        "................",
        ".kkkk...........",
        "kyyyyk..........",
        "kyyyyykkkkkkkk..",
        "kYYYYYYYYYYYYk..",
        "kyyyyyyyyyyyyk..",
        "kyyyyyyyyyyyyk..",
        "kyyyyyyyyykkkk..",
        "kyyyyyyyyykGGk..",
        "kyyyyyyykkkGGkkk",
        "koooooookGGGGGGk",
        "kkkkkkkkkGGGGGGk",
        "........kkkGGkkk",
        "..........kGGk..",
        "..........kkkk..",
    },
    // 6 Save As
    Glyph{
        "kkkkkkkkkkkkkk..",
        "kbkwwwwwwwwkbk..",
        "kbkwwwwwwwwkbk..",
        "kbkwggggggwkbk..",
        "kbkwwwwwwwwkbk..",
        "kbkwggggggwkbk..",
        "kbkwwwwwwwwkbk..",
        "kbkkkkkkkkkkbkk.",
        "kbbbbbbbbbbbkrrk",
        "kbbkkkkkkkkksrrk",
        "kbbksggssskyssk.",
        "kbbksggsskyyok..",
        "kbbksggskyyokk..",
        "kkkkkkkktyokkk..",
        ".......kttk.....",
        ".......kk.......",
    },
    // 7 Delete File
    Glyph{
        ".kkkkkkkk.......",
        ".kwwwwwwkk......",
        ".kwwwwwwksk.....",
        ".kwwwwwwkssk....",
        ".kwwwwwwkkkkk...",
        ".kwwwwwwwwwwk...",
        ".kwwwwwwwwwwk...",
        ".kwwwwwwwwwwk...",
        ".kwwwwwwrrwwk.rr",
        ".kwwwwwwrrrwkrrr",
        ".kwwwwwwwrrrrrr.",
        ".kwwwwwwwwrrrr..",
        ".kwwwwwwwwrrrr..",
        ".kkkkkkkkrrrrrr.",
        "........rrr..rrr",
        "........rr....rr",
    },
    // 8 Extract
    Glyph{
        "................",
        ".kkkkkk.........",
        ".kwwwwkk........",
        ".kwwwwksk.......",
        ".kwwwwkkkk.kkk..",
        ".kwwwwwwwk.kGk..",
        ".kwwwwwwwk.kGk..",
        ".kwwwwwwwkkkGkkk",
        ".kwwwwwwwkGGGGGk",
        ".kwwwwwwwkkGGGk.",
        ".kwwwwwwwk.kGk..",
        "kkkkkkkkkk..k..k",
        "kk............kk",
        "kskkkkkkkkkkkksk",
        "kssssssssssssssk",
        "kkkkkkkkkkkkkkkk",
    },
    // 9 Extract All
    Glyph{
        "....kkkkkkkkk...",
        "....kwwwwwwwk...",
        "..kkkkkkkkkwk...",
        "..kwwwwwwwkwk...",
        "kkkkkkwwwwkwk...",
        "kwwwwkkwwwkwk...",
        "kwwwwkskwwkwk...",
        "kwwwwkkkkwkwk...",
        "kwwwwwwwkwkkkk..",
        "kwwwwwwwkwkkGk..",
        "kwwwwwwwkwkkGk..",
        "kwwwwwwwkkkkGkkk",
        "kwwwwwwwkkGGGGGk",
        "kwwwwwwwk.kGGGk.",
        "kkkkkkkkk..kGk..",
        "............k...",
    },
    // 10 Stretch Image
    Glyph{
        ".......bb.......",
        "......bbbb......",
        ".....bbbbbb.....",
        "................",
        "....kkkkkkkk....",
        "..b.kcccyyck.b..",
        ".bb.kcccyyck.bb.",
        "bbb.kcccccck.bbb",
        "bbb.kcGcccck.bbb",
        ".bb.kGGGcGek.bb.",
        "..b.kGGGGeek.b..",
        "....kkkkkkkk....",
        "................",
        ".....bbbbbb.....",
        "......bbbb......",
        ".......bb.......",
    },
    // 11 View as Text
    Glyph{
        "................",
        "..kkkkkkkk......",
        "..kwwwwwwkk.....",
        "..kwggggwksk....",
        "..kwwwwwwkssk...",
        "..kwggggwkkkkk..",
        "..kwwwwwwwwwwk..",
        "..kwggggggggwk..",
        "..kwwwwwwwwwwk..",
        "..kwggggggggwk..",
        "..kwwwwwwwwwwk..",
        "..kwggggggggwk..",
        "..kwwwwwwwwwwk..",
        "..kwggggggwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
    },
    // 12 View as Hex
    Glyph{
        "................",
        "..kkkkkkkk......",
        "..kwwwwwwkk.....",
        "..kwwwwwwksk....",
        "..kwwwwwwkssk...",
        "..kwwwwwwkkkkk..",
        "..kwwbbwwbbbbk..",
        "..kwbwwbwbwwwk..",
        "..kwbwwbwbwwwk..",
        "..kwbwwbwbbbwk..",
        "..kwbwwbwbwwwk..",
        "..kwbwwbwbwwwk..",
        "..kwwbbwwbwwwk..",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
    },
};

// The application icon: a cardboard box marked "K".
inline constexpr Picture<kIconLargeSize> kIconLarge = {
    "................................",
    "................................",
    "................................",
    "................................",
    "..........nnnnnnnnnnnnnnnnnnnn..",
    ".........ntttttthhhhhhttttttnn..",
    "........ntttttthhhhhhttttttndn..",
    ".......ntttttthhhhhhttttttnddn..",
    "......ntttttthhhhhhttttttndddn..",
    ".....ntttttthhhhhhttttttnddddn..",
    "....ntttttthhhhhhttttttndddddn..",
    "...ntttttthhhhhhttttttnddddddn..",
    "..nnnnnnnnnnnnnnnnnnnndddddddn..",
    "..nuuuuuuuuuuuuuuuuuundddddddn..",
    "..nuuuuuuuuuuuuuuuuuundddddddn..",
    "..nuuuuuuuuuuuuuuuuuundddddddn..",
    "..nuuuuukkuuuukkuuuuundddddddn..",
    "..nuuuuukkuuukkuuuuuundddddddn..",
    "..nuuuuukkuukkuuuuuuundddddddn..",
    "..nuuuuukkukkuuuuuuuundddddddn..",
    "..nuuuuukkkkuuuuuuuuundddddddn..",
    "..nuuuuukkkkkuuuuuuuundddddddn..",
    "..nuuuuukkukkkuuuuuuunddddddn...",
    "..nuuuuukkuukkkuuuuuundddddn....",
    "..nuuuuukkuuukkkuuuuunddddn.....",
    "..nuuuuukkuuuukkuuuuundddn......",
    "..nuuuuuuuuuuuuuuuuuunddn.......",
    "..nuuuuuuuuuuuuuuuuuundn........",
    "..nuuuuuuuuuuuuuuuuuunn.........",
    "..nnnnnnnnnnnnnnnnnnnn..........",
    "................................",
    "................................",
};

inline constexpr Picture<kIconSmallSize> kIconSmall = {
    "................",
    "................",
    ".....nnnnnnnnnn.",
    "....ntthhhtttnn.",
    "...ntthhhtttndn.",
    "..ntthhhtttnddn.",
    ".nnnnnnnnnndddn.",
    ".nuuuuuuuundddn.",
    ".nuukuukuundddn.",
    ".nuukukuuundddn.",
    ".nuukkuuuundddn.",
    ".nuukukuuunddn..",
    ".nuukuukuundn...",
    ".nuuuuuuuunn....",
    ".nnnnnnnnnn.....",
    "................",
};

// The key of the pixel at (x, y) of a picture drawn size pixels wide: larger
// sizes repeat the picture's own pixels (the nearest one), so every outline
// of a 16-pixel glyph stays whole at 24 and 32 pixels.
template <std::size_t Size>
constexpr char KeyAt(const Picture<Size>& picture, int size, int x, int y)
{
    return picture[static_cast<std::size_t>(y) * Size / static_cast<std::size_t>(size)]
                  [static_cast<std::size_t>(x) * Size / static_cast<std::size_t>(size)];
}

// The position of a colour key in kPalette, -1 for none.
constexpr int PaletteIndex(char key)
{
    for (std::size_t i = 0; i < std::size(kPalette); ++i)
        if (kPalette[i].key == key)
            return static_cast<int>(i);
    return -1;
}

// Every row has the picture's width and every character is transparent or a
// palette colour.
template <std::size_t Size>
constexpr bool IsWellFormed(const Picture<Size>& picture)
{
    for (std::string_view row : picture) {
        if (row.size() != Size)
            return false;
        for (char key : row)
            if (key != kTransparent && PaletteIndex(key) < 0)
                return false;
    }
    return true;
}

// Palette keys are unique, and no colour is the tool bar's transparency key
// (magenta), which would punch a hole into a glyph.
constexpr bool IsPaletteSound()
{
    for (std::size_t i = 0; i < std::size(kPalette); ++i) {
        const PaletteColour& colour = kPalette[i];
        if (colour.key == kTransparent || PaletteIndex(colour.key) != static_cast<int>(i))
            return false;
        if (colour.red == 255 && colour.green == 0 && colour.blue == 255)
            return false;
    }
    return true;
}

constexpr bool AreGlyphsWellFormed()
{
    for (const Glyph& glyph : kToolbarGlyphs)
        if (!IsWellFormed(glyph))
            return false;
    return true;
}

static_assert(IsPaletteSound(), "palette keys must be unique and no colour may be magenta");
static_assert(AreGlyphsWellFormed(), "every glyph row must be 16 palette keys");
static_assert(IsWellFormed(kIconLarge), "every large icon row must be 32 palette keys");
static_assert(IsWellFormed(kIconSmall), "every small icon row must be 16 palette keys");

} // namespace kelvo::art
