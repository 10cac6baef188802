#include "common/dpi_scale.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kelvo::dpi;

TEST(DpiScale, SizesFontsAndGlyphsFollowTheDpi)
{
    // DPI, a size and its scaled size, the height of an 8-point font, the glyph size.
    for (auto [dpi, size, scaled, font, glyph] : {
             std::tuple{96, 13, 13, -11, 16}, // the base DPI changes nothing
             {120, 13, 16, -13, 16},          // 16.25 rounds down; 20 px wants 16 or 24: the smaller
             {144, 13, 20, -16, 24},          // 19.5 rounds up (half away from zero)
             {144, -3, -5, -16, 24},          // -4.5: away from zero as well
             {32, 1, 1, -4, 16},              // a third of a pixel: a one-pixel line stays
             {32, -1, -1, -4, 16},
             {32, 0, 0, -4, 16},
             {0, 13, 13, -8, 16},             // no DPI known: sizes stay as written
             {288, 16, 48, -32, 32},
         }) {
        SCOPED_TRACE(dpi);
        EXPECT_EQ(std::tuple(Scale(size, dpi), FontHeight(8, dpi), GlyphSize(dpi)), std::tuple(scaled, font, glyph));
    }
    EXPECT_EQ(Rescale(150, 144, 96), 100); // back from a DPI to another
}
