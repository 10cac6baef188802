// Checks the resources that kelvo_add_resources links into a program: the
// tool bar strip and the icon must draw exactly as the text artwork says, over
// any background, and the version block and manifest must be present.
// This executable links the resources itself, so it inspects its own module.

#include "app/art/glyphs.h"
#include "app/resource.h"
#include "ui/handles.h"

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

// A 32-bit top-down DIB section to draw into and read back.
class Canvas {
public:
    Canvas(int width, int height) : width_(width)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<const std::uint32_t*>(bits);
        dc_.Reset(CreateCompatibleDC(nullptr));
        previous_ = SelectObject(dc_.Get(), bitmap_.Get());
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() { SelectObject(dc_.Get(), previous_); }

    HDC Dc() const { return dc_.Get(); }

    void Fill(COLORREF colour)
    {
        ui::OwnedBrush brush(CreateSolidBrush(colour));
        RECT all{0, 0, width_, 0x7FFF};
        FillRect(dc_.Get(), &all, brush.Get());
    }

    COLORREF Pixel(int x, int y) const
    {
        GdiFlush();
        std::uint32_t bgr = bits_[y * width_ + x];
        return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }

private:
    int width_;
    ui::OwnedBitmap bitmap_;
    ui::OwnedMemoryDc dc_;
    HGDIOBJ previous_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
};

// The colour a picture asks for at (x, y), or the background where it is transparent.
template <std::size_t Size>
COLORREF Expected(const art::Picture<Size>& picture, int x, int y, COLORREF background)
{
    const int index = art::PaletteIndex(picture[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
    if (index < 0)
        return background;
    const art::PaletteColour& colour = art::kPalette[index];
    return RGB(colour.red, colour.green, colour.blue);
}

// Counts the pixels of the canvas that differ from the picture drawn over background.
template <std::size_t Size>
int Mismatches(const Canvas& canvas, const art::Picture<Size>& picture, COLORREF background)
{
    int mismatches = 0;
    for (int y = 0; y < static_cast<int>(Size); ++y)
        for (int x = 0; x < static_cast<int>(Size); ++x)
            if (canvas.Pixel(x, y) != Expected(picture, x, y, background))
                ++mismatches;
    return mismatches;
}

// Backgrounds a glyph must sit on unchanged: the magenta key must never show.
constexpr COLORREF kBackgrounds[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(212, 208, 200)};

// The strip loaded as the main window loads it: one call, the mask taken
// from the key colour.
TEST(ToolbarStrip, EveryGlyphDrawsAsWrittenOverAnyBackground)
{
    ui::OwnedImageList images(ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TOOLBAR),
                                                   kToolbarGlyphSize, 0, kToolbarMaskColour, IMAGE_BITMAP,
                                                   LR_CREATEDIBSECTION));
    ASSERT_TRUE(images);
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(images.Get(), &width, &height);
    EXPECT_EQ(width, kToolbarGlyphSize);
    EXPECT_EQ(height, kToolbarGlyphSize);
    ASSERT_EQ(ImageList_GetImageCount(images.Get()), kToolbarGlyphCount);
    Canvas canvas(kToolbarGlyphSize, kToolbarGlyphSize);
    for (int glyph = 0; glyph < kToolbarGlyphCount; ++glyph) {
        for (COLORREF background : kBackgrounds) {
            canvas.Fill(background);
            ASSERT_TRUE(ImageList_Draw(images.Get(), glyph, canvas.Dc(), 0, 0, ILD_TRANSPARENT));
            EXPECT_EQ(Mismatches(canvas, art::kToolbarGlyphs[static_cast<std::size_t>(glyph)], background), 0)
                << "glyph " << glyph << " over background " << std::hex << background;
        }
    }
}

template <std::size_t Size>
void ExpectIconDrawsAsWritten(const art::Picture<Size>& picture)
{
    const int size = static_cast<int>(Size);
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

    Canvas canvas(size, size);
    for (COLORREF background : kBackgrounds) {
        canvas.Fill(background);
        ASSERT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(Mismatches(canvas, picture, background), 0)
            << size << " x " << size << " icon over background " << std::hex << background;
    }

    // The AND mask, used where alpha is not, marks exactly the transparent pixels.
    canvas.Fill(RGB(255, 255, 255));
    ASSERT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_MASK));
    int maskMismatches = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            bool transparent = picture[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == art::kTransparent;
            if (canvas.Pixel(x, y) != (transparent ? RGB(255, 255, 255) : RGB(0, 0, 0)))
                ++maskMismatches;
        }
    EXPECT_EQ(maskMismatches, 0) << size << " x " << size << " icon mask";
}

TEST(ApplicationIcon, BothSizesDrawAsWritten)
{
    ExpectIconDrawsAsWritten(art::kIconLarge);
    ExpectIconDrawsAsWritten(art::kIconSmall);
}

std::string VersionString(const std::vector<char>& block, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "(missing)";
    return value;
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

    EXPECT_EQ(VersionString(block, "ProductName"), "Kelvo");
    EXPECT_EQ(VersionString(block, "CompanyName"), "Kelvo");
    EXPECT_EQ(VersionString(block, "FileDescription"), "Kelvo FAR archive editor");
    EXPECT_EQ(VersionString(block, "OriginalFilename"), "kelvo.exe");
    EXPECT_EQ(VersionString(block, "FileVersion"), "1.0.0.0");
    EXPECT_EQ(VersionString(block, "ProductVersion"), "1.0.0.0");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
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
