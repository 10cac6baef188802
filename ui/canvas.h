// A drawing surface over a device context: the font, brush, pen and text
// colour it draws with, filled rectangles, text, ellipses, copies between
// surfaces and clip regions. The canvas owns the brush, pen and font copies
// it makes and puts the context's original objects back when it goes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "ui/handles.h"

namespace kelvo::ui {

// A colour as components keep it: a plain RGB value (0x00BBGGRR) or, with
// the top byte 0xFF, a system colour index resolved when the colour is used.
using TColor = std::uint32_t;
constexpr TColor SystemColor(int index) { return 0xFF000000u | static_cast<TColor>(index); }
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
inline constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
COLORREF ColorToRGB(TColor color);

// A new font with the same logical font as the given one.
OwnedFont CopyFont(HFONT font);

class Canvas {
public:
    explicit Canvas(HDC dc);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    HDC Handle() const { return dc_; }

    // Selects a font owned elsewhere; returns the font it replaced.
    HFONT SelectFont(HFONT font);
    // Draws with a copy of the given font from now on.
    void SetFontCopy(HFONT font);
    HFONT Font() const;

    // The brush fills rectangles and ellipses; a solid brush is also the
    // background of text, a clear brush leaves it transparent.
    void SetBrushColor(COLORREF color);
    void SetBrushClear();
    void SetPenColor(COLORREF color);
    COLORREF TextColor() const;
    void SetTextColor(COLORREF color);

    void FillRect(const RECT& rect);
    void Ellipse(const RECT& rect);
    void DrawText(std::string_view text, RECT rect, UINT format);
    // The extent of a line of text; nothing when measuring fails.
    std::optional<SIZE> TextExtent(std::string_view text) const;

    // Copies all of source to (x, y).
    void Draw(int x, int y, const Canvas& source, int width, int height);
    // Copies sourceRect of source into dest, stretching as needed; a source
    // rectangle with right < left or bottom < top is drawn mirrored.
    void CopyRect(const RECT& dest, const Canvas& source, const RECT& sourceRect);

    // The current clip region, to hand back to RestoreClip.
    struct SavedClip {
        OwnedRegion region; // none: the context had no clip region
    };
    SavedClip SaveClip() const;
    bool SelectClip(HRGN region);
    void RestoreClip(const SavedClip& saved);

private:
    HDC dc_;
    HGDIOBJ originalFont_, originalBrush_, originalPen_;
    OwnedFont font_;
    OwnedBrush brush_;
    OwnedPen pen_;
};

// An off-screen bitmap compatible with a context, with a canvas on it.
class BitmapCanvas {
public:
    BitmapCanvas(HDC compatibleWith, int width, int height);
    BitmapCanvas(const BitmapCanvas&) = delete;
    BitmapCanvas& operator=(const BitmapCanvas&) = delete;

    // False when the context or bitmap could not be made.
    bool Valid() const { return bitmap_ && canvas_; }
    Canvas& canvas() { return *canvas_; }
    const Canvas& canvas() const { return *canvas_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_, height_;
    OwnedMemoryDc dc_;
    OwnedBitmap bitmap_;
    std::optional<SelectObjectScope> selection_;
    std::optional<Canvas> canvas_;
};

} // namespace kelvo::ui
