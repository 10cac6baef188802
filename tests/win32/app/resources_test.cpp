// The resources kelvo_add_resources links into a program, read from this
// test program's own module: the tool bar strips and the icon draw as the
// text artwork says over any background; the version block and manifest.
#include "app/art/glyphs.h"
#include "app/resource.h"
#include "ui/canvas.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using namespace kelvo;

// Backgrounds a picture must sit on unchanged: the magenta key must never show.
constexpr COLORREF kBackgrounds[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(212, 208, 200)};

// Counts the pixels that differ from the picture drawn size pixels wide over
// each background by draw(dc), or from its transparency mask when mask is set.
template <std::size_t Size, class Draw>
int Mismatches(const art::Picture<Size>& picture, int size, Draw draw, bool mask = false)
{
    ui::BitmapCanvas surface(nullptr, size, size);
    HDC dc = surface.canvas().Handle();
    int mismatches = 0;
    for (COLORREF background : mask ? std::vector<COLORREF>{RGB(255, 255, 255)}
                                    : std::vector<COLORREF>(std::begin(kBackgrounds), std::end(kBackgrounds))) {
        surface.canvas().SetBrushColor(background);
        surface.canvas().FillRect(RECT{0, 0, size, size});
        if (!draw(dc))
            return -1;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const int index = art::PaletteIndex(art::KeyAt(picture, size, x, y));
                COLORREF expected = background;
                if (mask)
                    expected = index < 0 ? RGB(255, 255, 255) : RGB(0, 0, 0);
                else if (index >= 0)
                    expected = RGB(art::kPalette[index].red, art::kPalette[index].green, art::kPalette[index].blue);
                mismatches += GetPixel(dc, x, y) != expected;
            }
    }
    return mismatches;
}

template <std::size_t Size>
void ExpectIconDrawsAsWritten(const art::Picture<Size>& picture, int size)
{
    ui::OwnedIcon icon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KELVO), IMAGE_ICON, size, size, 0)));
    ASSERT_TRUE(icon);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.Get(), &info));
    ui::OwnedBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bits{};
    ASSERT_TRUE(GetObjectA(colour.Get(), sizeof bits, &bits));
    EXPECT_EQ(bits.bmWidth, size); // the image of this size, not a scaled one
    for (UINT flags : {DI_NORMAL, DI_MASK}) // the AND mask, used where alpha is not, marks the transparent pixels
        EXPECT_EQ(Mismatches(picture, size, [&](HDC dc) { return DrawIconEx(dc, 0, 0, icon.Get(), size, size, 0, nullptr, flags); },
                             flags == DI_MASK),
                  0)
            << size << " x " << size << " icon, flags " << flags;
}

// The icon in every size, and each tool bar strip loaded as the main window
// loads it, the mask taken from the key colour.
TEST(Art, TheIconAndEveryToolBarGlyphDrawAsWritten)
{
    ExpectIconDrawsAsWritten(art::kIconLarge, art::kIconLargeSize);
    ExpectIconDrawsAsWritten(art::kIconSmall, 24);
    ExpectIconDrawsAsWritten(art::kIconSmall, art::kIconSmallSize);
    for (int size : {16, 24, 32}) {
        ui::OwnedImageList images(ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ToolbarBitmapId(size)),
                                                       size, 0, kToolbarMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION));
        ASSERT_TRUE(images);
        int width = 0, height = 0;
        ImageList_GetIconSize(images.Get(), &width, &height);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(size, size));
        ASSERT_EQ(ImageList_GetImageCount(images.Get()), kToolbarGlyphCount);
        for (int glyph = 0; glyph < kToolbarGlyphCount; ++glyph)
            EXPECT_EQ(Mismatches(art::kToolbarGlyphs[static_cast<std::size_t>(glyph)], size,
                                 [&](HDC dc) { return ImageList_Draw(images.Get(), glyph, dc, 0, 0, ILD_TRANSPARENT); }),
                      0)
                << size << "-pixel glyph " << glyph;
    }
}

TEST(VersionInfo, NamesTheProgram)
{
    char path[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    UINT length = 0;
    for (const auto& [name, value] : {std::pair{"ProductName", "Kelvo"}, {"FileDescription", "Kelvo FAR archive editor"},
                                      {"OriginalFilename", "kelvo.exe"}, {"FileVersion", "1.0.0.0"}}) {
        char* text = nullptr;
        const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
        ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)) << name;
        EXPECT_STREQ(text, value) << name;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// The loader honours the manifest: comctl32 comes from the side-by-side
// store of the version 6 assembly, not from the system folder.
TEST(Manifest, SelectsCommonControls6)
{
    InitCommonControls();
    char path[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, MAX_PATH), 0u);
    EXPECT_NE(CharLowerA(path), nullptr);
    EXPECT_NE(std::string(path).find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::string::npos) << path;
}

} // namespace
