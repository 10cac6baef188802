// Checks the resources that kelvo_add_resources links into a program: the
// tool bar strip and the icon must draw exactly as the text artwork says, over
// any background, and the version block and manifest must be present.
// This executable links the resources itself, so it inspects its own module.

#include "app/art/glyphs.h"
#include "app/resource.h"
#include "ui/canvas.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace kelvo;

// A surface filled with one colour.
void Fill(ui::BitmapCanvas& surface, COLORREF colour)
{
    surface.canvas().SetBrushColor(colour);
    surface.canvas().FillRect(RECT{0, 0, surface.Width(), surface.Height()});
}

// The colour a picture drawn size pixels wide asks for at (x, y), or the
// background where it is transparent.
template <std::size_t Size>
COLORREF Expected(const art::Picture<Size>& picture, int size, int x, int y, COLORREF background)
{
    const int index = art::PaletteIndex(art::KeyAt(picture, size, x, y));
    if (index < 0)
        return background;
    const art::PaletteColour& colour = art::kPalette[index];
    return RGB(colour.red, colour.green, colour.blue);
}

// Counts the pixels of the surface that differ from the picture drawn size
// pixels wide over background.
template <std::size_t Size>
int Mismatches(const ui::BitmapCanvas& surface, const art::Picture<Size>& picture, int size, COLORREF background)
{
    int mismatches = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (GetPixel(surface.canvas().Handle(), x, y) != Expected(picture, size, x, y, background))
                ++mismatches;
    return mismatches;
}

// Backgrounds a glyph must sit on unchanged: the magenta key must never show.
constexpr COLORREF kBackgrounds[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(212, 208, 200)};

// Each strip loaded as the main window loads it: one call, the mask taken
// from the key colour.
TEST(ToolbarStrip, EveryGlyphOfEverySizeDrawsAsWrittenOverAnyBackground)
{
    for (int size : {16, 24, 32}) {
        ui::OwnedImageList images(ImageList_LoadImageA(GetModuleHandleA(nullptr),
                                                       MAKEINTRESOURCEA(ToolbarBitmapId(size)), size, 0,
                                                       kToolbarMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION));
        ASSERT_TRUE(images);
        int width = 0;
        int height = 0;
        ImageList_GetIconSize(images.Get(), &width, &height);
        EXPECT_EQ(width, size);
        EXPECT_EQ(height, size);
        ASSERT_EQ(ImageList_GetImageCount(images.Get()), kToolbarGlyphCount);
        ui::BitmapCanvas surface(nullptr, size, size);
        for (int glyph = 0; glyph < kToolbarGlyphCount; ++glyph) {
            for (COLORREF background : kBackgrounds) {
                Fill(surface, background);
                ASSERT_TRUE(ImageList_Draw(images.Get(), glyph, surface.canvas().Handle(), 0, 0, ILD_TRANSPARENT));
                EXPECT_EQ(Mismatches(surface, art::kToolbarGlyphs[static_cast<std::size_t>(glyph)], size, background), 0)
                    << size << "-pixel glyph " << glyph << " over background " << std::hex << background;
            }
        }
    }
}

template <std::size_t Size>
void ExpectIconDrawsAsWritten(const art::Picture<Size>& picture, int size)
{
    ui::OwnedIcon icon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KELVO), IMAGE_ICON, size, size, 0)));
    ASSERT_TRUE(icon);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.Get(), &info));
    ui::OwnedBitmap colour(info.hbmColor);
    ui::OwnedBitmap mask(info.hbmMask);
    BITMAP bits{};
    ASSERT_TRUE(GetObjectA(colour.Get(), sizeof bits, &bits));
    EXPECT_EQ(bits.bmWidth, size); // the image of this size, not a scaled one

    ui::BitmapCanvas surface(nullptr, size, size);
    HDC dc = surface.canvas().Handle();
    for (COLORREF background : kBackgrounds) {
        Fill(surface, background);
        ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(Mismatches(surface, picture, size, background), 0)
            << size << " x " << size << " icon over background " << std::hex << background;
    }

    // The AND mask, used where alpha is not, marks exactly the transparent pixels.
    Fill(surface, RGB(255, 255, 255));
    ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon.Get(), size, size, 0, nullptr, DI_MASK));
    int maskMismatches = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool transparent = art::KeyAt(picture, size, x, y) == art::kTransparent;
            if (GetPixel(dc, x, y) != (transparent ? RGB(255, 255, 255) : RGB(0, 0, 0)))
                ++maskMismatches;
        }
    EXPECT_EQ(maskMismatches, 0) << size << " x " << size << " icon mask";
}

TEST(ApplicationIcon, EverySizeDrawsAsWritten)
{
    ExpectIconDrawsAsWritten(art::kIconLarge, art::kIconLargeSize);
    ExpectIconDrawsAsWritten(art::kIconSmall, 24);
    ExpectIconDrawsAsWritten(art::kIconSmall, art::kIconSmallSize);
}

TEST(VersionInfo, NamesTheProgram)
{
    char path[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

    UINT length = 0;
    for (const auto& [name, value] : {std::pair{"ProductName", "Kelvo"}, {"CompanyName", "Kelvo"},
                                      {"FileDescription", "Kelvo FAR archive editor"}, {"OriginalFilename", "kelvo.exe"},
                                      {"FileVersion", "1.0.0.0"}, {"ProductVersion", "1.0.0.0"}}) {
        char* text = nullptr;
        const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
        EXPECT_TRUE(VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)) << name;
        EXPECT_STREQ(text, value) << name;
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST(Manifest, SelectsCommonControls6)
{
    // The loader honours the manifest: comctl32 comes from the side-by-side
    // store of the version 6 assembly, not from the system folder.
    InitCommonControls();
    char path[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, MAX_PATH), 0u);
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::string::npos) << path;
}

} // namespace
