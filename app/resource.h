// Resource identifiers of kelvo.exe, shared by the resource script and the C++ code.
#pragma once

// The application icon. The window layer registers every window class with
// LoadIcon(instance, MAKEINTRESOURCE(1)), so this number is fixed.
#define IDI_KELVO 1

// The tool bar strips: kToolbarGlyphCount glyphs side by side, 24 bits per
// pixel, transparent where the pixel is magenta; glyphs of kToolbarGlyphSize
// pixels, and the same glyphs drawn at 24 and 32 pixels.
#define IDB_TOOLBAR 101
#define IDB_TOOLBAR24 102
#define IDB_TOOLBAR32 103

#ifndef RC_INVOKED

namespace kelvo {

inline constexpr int kToolbarGlyphSize = 16;
// The strip of glyphs of a size (16, 24 or 32).
constexpr int ToolbarBitmapId(int glyphSize)
{
    return glyphSize >= 32 ? IDB_TOOLBAR32 : glyphSize >= 24 ? IDB_TOOLBAR24 : IDB_TOOLBAR;
}
// The strip's transparency key as a COLORREF: RGB(255, 0, 255).
inline constexpr unsigned long kToolbarMaskColour = 0x00FF00FFUL;

// Positions of the glyphs in the tool bar strip.
enum ToolbarGlyph : int {
    kGlyphHelp,
    kGlyphNew,
    kGlyphOpen,
    kGlyphSave,
    kGlyphAddFile,
    kGlyphAddDirectory,
    kGlyphSaveAs,
    kGlyphDeleteFile,
    kGlyphExtract,
    kGlyphExtractAll,
    kGlyphStretchImage,
    kGlyphViewText,
    kGlyphViewHex,
    kToolbarGlyphCount
};

} // namespace kelvo

#endif
