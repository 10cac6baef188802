// The rules that turn the sizes the program is written in (pixels at 96 dots
// per inch, points for fonts) into pixels at a display's DPI. Portable: the
// window layer asks the system for the DPI and applies these rules.
#pragma once

#include <cstdlib>

namespace kelvo::dpi {

// The DPI every size in the code is written for: at it nothing changes.
inline constexpr int kBaseDpi = 96;

// The glyph sizes the artwork is drawn in, smallest first.
inline constexpr int kGlyphSizes[] = {16, 24, 32};

// size * to / from rounded to the nearest whole pixel, halves away from zero
// (as the system's MulDiv does). A size that is not zero stays at least one
// pixel, so a one-pixel line never vanishes at a low DPI. A DPI that is not
// positive leaves the size as it is.
constexpr int Rescale(int size, int fromDpi, int toDpi)
{
    if (size == 0 || fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi)
        return size;
    const long long magnitude = (static_cast<long long>(size < 0 ? -size : size) * toDpi + fromDpi / 2) / fromDpi;
    const int pixels = magnitude < 1 ? 1 : static_cast<int>(magnitude);
    return size < 0 ? -pixels : pixels;
}

// A size written for 96 DPI, at the given DPI.
constexpr int Scale(int size, int dpi) { return Rescale(size, kBaseDpi, dpi); }

// The font height (negative: the character height without the leading, as
// fonts are asked for by size) of a font of the given points at the DPI.
constexpr int FontHeight(int points, int dpi) { return -Rescale(points, 72, dpi); }

// Of the glyph sizes, the one nearest to a 16-pixel glyph at the DPI; between
// two equally near the smaller, which still fits the button.
constexpr int GlyphSize(int dpi)
{
    const int wanted = Scale(16, dpi);
    int best = kGlyphSizes[0];
    for (int size : kGlyphSizes)
        if (std::abs(size - wanted) < std::abs(best - wanted))
            best = size;
    return best;
}

} // namespace kelvo::dpi
