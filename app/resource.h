// Resource identifiers of kelvo.exe, shared by the resource script and the C++ code.
#pragma once

// The application icon. The window layer registers every window class with
// LoadIcon(instance, MAKEINTRESOURCE(1)), so this number is fixed.
#define IDI_KELVO 1

// The tool bar strip: kToolbarGlyphCount glyphs of kToolbarGlyphSize pixels
// side by side, 24 bits per pixel, transparent where the pixel is magenta.
#define IDB_TOOLBAR 101

#ifndef RC_INVOKED

namespace kelvo {

inline constexpr int kToolbarGlyphSize = 16;
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
