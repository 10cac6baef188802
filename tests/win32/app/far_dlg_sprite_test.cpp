// The main window's pictures: sprite frames, draw-group rotations and Targa
// entries, driven as the user drives them (selections, keys, buttons, the
// plane list, the pop-up menu's commands) and checked by the pixels the
// views paint.
#include "app/commands.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sprite_writer.h"
#include "ui/canvas.h"

namespace kelvo {
namespace {

using namespace std::string_literals;

constexpr COLORREF kLight = RGB(0xFF, 0xFF, 0xFF); // the checkerboard's cell at a picture's corner
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

// Chunk rows of the test's IFF entry.
enum Row { rPalette, rSpr2, rSpr, rDrawGroup };

// Frame 0 of the SPR2 (2 x 2, colour, z and alpha): red, empty; blue at
// alpha 16 and z 5, green at z 200.
const sample::SpriteFrameData kFirst{.width = 2, .height = 2, .index = {1, -1, 3, 2}, .z = {0, 0, 5, 200},
                                     .alpha = {31, 0, 16, 31}, .flags = 7, .palette = 1};
// A frame of one pixel of the index.
sample::SpriteFrameData Dot(int index, std::uint16_t palette)
{
    sample::SpriteFrameData frame;
    frame.width = frame.height = 1;
    frame.index = {index};
    frame.palette = palette;
    return frame;
}
// Frame 1: one green pixel.
const sample::SpriteFrameData kGreenDot = Dot(2, 1);

// A draw group whose four rotations at zoom 1 each put the green dot one
// pixel further right of the floor's centre.
std::string RotationsBody()
{
    std::vector<sample::DrawGroupImageData> images;
    std::int32_t x = 0;
    for (std::uint32_t direction : {0x01u, 0x04u, 0x10u, 0x40u})
        images.push_back({direction, 1, {{.chunk = 10, .frame = 1, .x = x++}}});
    return sample::DrawGroupBody(20004, images);
}

class FarDlgSpriteTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        // Frame 2 stops at an unknown command.
        const std::string damaged = sample::Spr2Frame(kGreenDot).substr(0, 16) + "\x02\x00\x00\xE0"s;
        const std::string iff = sample::IffImage({
            {"PALT", 1, 0, "", sample::PaletteBody({0x000000, 0xFF0000, 0x00FF00, 0x0000FF})},
            {"SPR2", 10, 0, "", sample::Spr2Body(1000, 1, {sample::Spr2Frame(kFirst), sample::Spr2Frame(kGreenDot), damaged})},
            {"SPR#", 11, 0, "", sample::SprBody(505, 9, {sample::SprFrame(Dot(128, 0))})},
            {"DGRP", 20, 0, "", RotationsBody()},
        });
        // Run-length encoded, 32 bits with alpha: opaque red, clear blue.
        sample::TgaData tga;
        tga.type = 10;
        tga.width = 2;
        tga.height = 1;
        tga.pixels = {0xFFFF0000, 0x000000FF};
        const std::string goodTga = sample::TgaFile(tga);
        const std::vector<sample::SampleFile> files = {
            {"Objects\\Sprites.iff", iff},
            {"UI\\ok.tga", goodTga},
            {"UI\\cut.TGA", goodTga.substr(0, goodTga.size() - 3)},
        };
        WriteBytes(folder + "test.far", sample::FarImage(files));
        script.arguments.push_back(folder + "test.far");
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->Show(SW_SHOWNOACTIVATE);
        Preview().UseFrameSaveDialog(saveDialog);
        browse = std::make_unique<test::FolderDialogAnswers>(dlg->BrowseDirectoryDlg());
    }
    TSpritePreview& Preview() { return dlg->IffPreview().SpritePreview(); }
    HWND Canvas() { return Preview().Canvas().Handle(); }
    void SelectChunk(int row)
    {
        HWND list = dlg->IffPreview().ChunkList().Handle();
        for (int i = -1; i < row; ++i) {
            const WPARAM key = i < 0 ? VK_HOME : VK_DOWN;
            SendMessageA(list, WM_KEYDOWN, key, 1);
            SendMessageA(list, WM_KEYUP, key, 0xC0000001);
        }
    }
    void Key(WPARAM key)
    {
        SendMessageA(Canvas(), WM_KEYDOWN, key, 1);
        SendMessageA(Canvas(), WM_KEYUP, key, 0xC0000001);
    }
    void Press(TSpritePreview::Control button)
    {
        SendMessageA(GetDlgItem(Preview().Handle(), button), BM_CLICK, 0, 0);
    }
    // Picks an item of the plane or zoom list as the user does.
    void Choose(int item)
    {
        HWND list = GetDlgItem(Preview().Handle(), TSpritePreview::spChoice);
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        SendMessageA(Preview().Handle(), WM_COMMAND, MAKEWPARAM(TSpritePreview::spChoice, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }
    // The colours a view paints at picture pixels (column, row) of the given
    // size in device pixels, read at each pixel's centre.
    std::vector<COLORREF> Pixels(TPictureView& view, const std::vector<POINT>& at, int size)
    {
        RECT client{};
        GetClientRect(view.Handle(), &client);
        ui::WindowDc screen(view.Handle());
        ui::BitmapCanvas canvas(screen.Get(), client.right, client.bottom);
        SendMessageA(view.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.canvas().Handle()), PRF_CLIENT);
        const TPictureRect place = view.Place();
        std::vector<COLORREF> colours;
        for (POINT point : at)
            colours.push_back(GetPixel(canvas.canvas().Handle(), place.Left + point.x * size + size / 2,
                                       place.Top + point.y * size + size / 2));
        return colours;
    }
    std::string Text(TSpritePreview::Control control) { return Preview().ControlText(control); }

    ScriptedDialog saveDialog;
};

const std::vector<POINT> kCorners{{0, 0}, {1, 0}, {0, 1}, {1, 1}};

TEST_F(FarDlgSpriteTest, FramesShowAtEachZoomAndPlaneAndTheSelectorsMoveThroughThem)
{
    Select(0);
    SelectChunk(rSpr2);
    ASSERT_TRUE(IsWindowVisible(Preview().Handle()));
    EXPECT_FALSE(IsWindowVisible(dlg->HexViewer().Handle()));
    EXPECT_EQ(Text(TSpritePreview::spPosition), "Frame 1 of 3");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Preview().Handle(), TSpritePreview::spPrevious)));
    // Blue at alpha 132 over the light cell: (255 x 123 + 127) / 255 = 123.
    const std::vector<COLORREF> colour{kRed, kLight, RGB(123, 123, 255), kGreen};
    EXPECT_EQ(Pixels(Preview().Canvas(), kCorners, 1), colour);

    for (auto [press, zoom] : {std::pair{TSpritePreview::spZoom2, 2}, std::pair{TSpritePreview::spZoom4, 4}}) {
        Press(press);
        EXPECT_EQ(Preview().Canvas().Place().Width, 2 * zoom);
        EXPECT_EQ(Pixels(Preview().Canvas(), kCorners, zoom), colour) << zoom;
    }
    Key('1');
    EXPECT_EQ(Preview().Canvas().Place().Width, 2);

    // The z-buffer as grey (empty pixels as far as can be), then alpha
    // (0 black to 31 white, empty pixels black).
    const struct {
        int item;
        std::vector<COLORREF> pixels;
    } planes[] = {
        {1, {RGB(0, 0, 0), RGB(255, 255, 255), RGB(5, 5, 5), RGB(200, 200, 200)}},
        {2, {RGB(255, 255, 255), RGB(0, 0, 0), RGB(132, 132, 132), RGB(255, 255, 255)}},
        {0, colour},
    };
    for (const auto& plane : planes) {
        Choose(plane.item);
        EXPECT_EQ(Pixels(Preview().Canvas(), kCorners, 1), plane.pixels) << plane.item;
    }

    // Keys and buttons move through the frames; a damaged one says why.
    const struct {
        WPARAM key;
        TSpritePreview::Control button;
        std::string position;
        bool drawn;
    } steps[] = {
        {VK_RIGHT, {}, "Frame 2 of 3", true}, {VK_END, {}, "Frame 3 of 3", false},
        {VK_HOME, {}, "Frame 1 of 3", true},  {0, TSpritePreview::spNext, "Frame 2 of 3", true},
        {0, TSpritePreview::spLast, "Frame 3 of 3", false}, {0, TSpritePreview::spPrevious, "Frame 2 of 3", true},
    };
    for (const auto& step : steps) {
        if (step.key)
            Key(step.key);
        else
            Press(step.button);
        EXPECT_EQ(Text(TSpritePreview::spPosition), step.position);
        EXPECT_EQ(Preview().Canvas().Picture().Width > 0, step.drawn) << step.position;
        EXPECT_EQ(Text(TSpritePreview::spNote).empty(), step.drawn) << Text(TSpritePreview::spNote);
    }
    EXPECT_EQ(Pixels(Preview().Canvas(), {{0, 0}}, 1), std::vector<COLORREF>{kGreen});

    // SPR# has no planes to choose; a missing palette shows a grey ramp and says so.
    SelectChunk(rSpr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(Preview().Handle(), TSpritePreview::spChoice)));
    EXPECT_NE(Text(TSpritePreview::spNote).find("palette 9 not found"), std::string::npos) << Text(TSpritePreview::spNote);
    EXPECT_EQ(Pixels(Preview().Canvas(), {{0, 0}}, 1), std::vector<COLORREF>{RGB(128, 128, 128)});
    EXPECT_TRUE(script.errors.empty());
}

TEST_F(FarDlgSpriteTest, ADrawGroupShowsEachRotation)
{
    Select(0);
    SelectChunk(rDrawGroup);
    ASSERT_TRUE(IsWindowVisible(Preview().Handle()));
    EXPECT_EQ(Text(TSpritePreview::spChoice), "Zoom 1 (far)");
    // The zoom-1 canvas is 34 x 96 with the floor's centre at (17, 87): the
    // dot's lower-left corner goes there, x pixels to the right.
    for (int rotation = 0; rotation < 4; ++rotation) {
        EXPECT_EQ(Text(TSpritePreview::spPosition), "Rotation " + std::to_string(rotation + 1) + " of 4");
        ASSERT_EQ(Preview().Canvas().Picture().Width, 34);
        const std::vector<POINT> row{{17, 86}, {18, 86}, {19, 86}, {20, 86}};
        std::vector<COLORREF> expected(4, kLight);
        expected[static_cast<std::size_t>(rotation)] = kGreen;
        EXPECT_EQ(Pixels(Preview().Canvas(), row, 1), expected) << rotation;
        Key(VK_RIGHT);
    }
    EXPECT_TRUE(script.errors.empty());
}

TEST_F(FarDlgSpriteTest, FramesAreSavedAsBitmapsWithAlpha)
{
    Select(0);
    SelectChunk(rSpr2);
    // The save dialog offers the frame's own name; the file is the frame's
    // pixels with straight alpha.
    saveDialog.names = {folder + "one.bmp"};
    SendMessageA(Preview().Handle(), WM_COMMAND, TSpritePreview::spSaveFrame, 0);
    EXPECT_EQ(saveDialog.GetFileName(), folder + "one.bmp");
    EXPECT_EQ(ReadBytes(folder + "one.bmp"), iff::BmpFile({2, 2, {0xFFFF0000, 0, 0x840000FF, 0xFF00FF00}}));

    // Save All Frames writes each frame it can into the chosen folder and
    // then says which it could not.
    platform::MakeDirectory(folder + "frames");
    browse->answers = {folder + "frames"};
    SendMessageA(Preview().Handle(), WM_COMMAND, TSpritePreview::spSaveAllFrames, 0);
    EXPECT_EQ(ReadBytes(folder + "frames\\10_0.bmp"), ReadBytes(folder + "one.bmp"));
    EXPECT_EQ(ReadBytes(folder + "frames\\10_1.bmp"), iff::BmpFile({1, 1, {0xFF00FF00}}));
    EXPECT_FALSE(platform::FileExists(folder + "frames\\10_2.bmp"));
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0].rfind("Kelvo: 2 of 3 frames saved. Not saved:\n10_2.bmp: ", 0), 0u) << script.errors[0];
}

TEST_F(FarDlgSpriteTest, TargaEntriesShowOnTheCheckerboardAndMalformedOnesSayWhy)
{
    Select(1);
    ASSERT_TRUE(IsWindowVisible(dlg->PictureViewer().Handle()));
    EXPECT_EQ(Lines(dlg->DetailsListBox()).back(), "Bitmap Size: 2x1");
    EXPECT_EQ(Pixels(dlg->PictureViewer(), {{0, 0}, {1, 0}}, 1), (std::vector<COLORREF>{kRed, kLight}));
    EXPECT_TRUE(script.errors.empty());

    Select(2);
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0].rfind("Kelvo: Damaged TGA image", 0), 0u) << script.errors[0];
    EXPECT_FALSE(IsWindowVisible(dlg->PictureViewer().Handle()));
    EXPECT_EQ(Lines(dlg->DetailsListBox()).size(), 7u);
}

} // namespace
} // namespace kelvo
