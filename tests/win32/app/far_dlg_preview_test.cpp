// The main window's details and preview, driven as the user drives them:
// selections in the entry list, the tool bar's view buttons, keys in the IFF
// chunk list, the sprite preview's keys, buttons and pop-up menu; pictures
// checked by the pixels the views paint.
#include "app/commands.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sprite_writer.h"
#include "ui/canvas.h"

#include <cstring>
#include <map>

namespace kelvo {
namespace {

std::int32_t LE32(const std::string& bytes, std::size_t at)
{
    std::int32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

// The depth line of each sample bitmap.
const std::map<std::string, std::string> kSampleDepths = {
    {"Textures\\checker1.bmp", "1/2"},          {"Textures\\gradient4.bmp", "4/16"},
    {"Textures\\house8.bmp", "8/256"},          {"Textures\\house_rle8.bmp", "8/256"},
    {"Textures\\Sky\\sky555.bmp", "15/64,000"}, {"Textures\\Sky\\sky565.bmp", "16/64,000"},
    {"Textures\\Sky\\sunset24.bmp", "24/16.7 Million"},
};

// The window started on the sample archive with a broken bitmap added.
class FarDlgPreviewTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        auto withBroken = sample::SampleFiles();
        withBroken.push_back({"Broken\\picture.BMP", "BM this is no bitmap"});
        OpenSample(withBroken);
    }
};

TEST_F(FarDlgPreviewTest, EachSampleEntryShowsItsDetailsAndPreview)
{
    std::uint32_t offset = 16;
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        const auto& [name, data] = files[i];
        SCOPED_TRACE(name);
        const bool before = Enabled(cmd::ViewStretch);
        Select(static_cast<int>(i));
        std::vector<std::string> expected = {
            "Entry #: " + std::to_string(i), "Filename: " + name.substr(name.find_last_of('\\') + 1),
            "Full Name: " + name,           "Raw Size: " + std::to_string(data.size()),
            "Compressed Size: " + std::to_string(data.size()), "File Offset: " + std::to_string(offset),
            "State: Original Entry"};
        offset += static_cast<std::uint32_t>(data.size());
        const bool bitmap = kSampleDepths.count(name) != 0;
        const bool iff = name.substr(name.size() - 4) == ".iff";
        if (bitmap) {
            expected.push_back("Bitmap Size: " + std::to_string(LE32(data, 18)) + "x" + std::to_string(LE32(data, 22)));
            expected.push_back("Pixel Depth/Colors: " + kSampleDepths.at(name));
        }
        EXPECT_EQ(Lines(dlg->DetailsListBox()), expected);
        // IFF resources show nothing and leave the buttons as they were.
        EXPECT_EQ(Shown(), bitmap ? "image" : iff ? "" : "hex"); // also "Textures.BMP\readme.txt"
        EXPECT_EQ(Enabled(cmd::ViewStretch), iff ? before : bitmap);
        EXPECT_EQ(Enabled(cmd::ViewText), !Enabled(cmd::ViewStretch));
        EXPECT_EQ(Enabled(cmd::ViewHex), !Enabled(cmd::ViewStretch));
        if (!bitmap && !iff) {
            EXPECT_EQ(dlg->HexViewer().GetAsText(), data);
        }
    }
    Select("Textures\\house8.bmp");
    Select("Objects\\Chair.iff");
    EXPECT_TRUE(Enabled(cmd::ViewStretch));
    EXPECT_FALSE(Enabled(cmd::ViewText));
    EXPECT_TRUE(script.errors.empty());
}

TEST_F(FarDlgPreviewTest, ViewButtonsFlipTheModeAndStretchScalesTheImage)
{
    const std::string& catalog = files[4].data;
    Select("Text\\Catalog.txt");
    EXPECT_EQ(dlg->TextViewer().Text(), ""); // filled only when shown
    // ViewAsTextButton sends ViewHex, ViewAsHexButton ViewText: every press
    // flips the mode, and the button naming the mode in force ends down.
    const std::pair<int, bool> presses[] = {{cmd::ViewHex, true},  {cmd::ViewHex, false}, {cmd::ViewText, true},
                                            {cmd::ViewText, false}, {cmd::ViewText, true}};
    for (const auto& [button, textMode] : presses) {
        Click(button);
        EXPECT_EQ(dlg->TextMode(), textMode);
        EXPECT_EQ(dlg->ToolBar1().Checked(cmd::ViewHex), textMode);
        EXPECT_EQ(dlg->ToolBar1().Checked(cmd::ViewText), !textMode);
        EXPECT_EQ(Shown(), textMode ? "text" : "hex");
        EXPECT_EQ(dlg->TextViewer().Text(), textMode ? catalog.substr(0, catalog.find('\0')) : "");
    }

    // The image view's bottom-right pixel as it paints itself.
    Select("Textures\\Sky\\sunset24.bmp");
    HWND view = dlg->ImageViewer().Handle();
    RECT client{};
    GetClientRect(view, &client);
    auto corner = [&] {
        ui::WindowDc screen(view);
        ui::BitmapCanvas canvas(screen.Get(), client.right, client.bottom);
        SendMessageA(view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.canvas().Handle()), PRF_CLIENT);
        return GetPixel(canvas.canvas().Handle(), client.right - 1, client.bottom - 1);
    };
    EXPECT_EQ(corner(), GetSysColor(COLOR_WINDOW));
    for (bool down : {true, false, true}) {
        Click(cmd::ViewStretch);
        EXPECT_EQ(dlg->ImageViewer().Stretch(), down);
        EXPECT_EQ(corner() != GetSysColor(COLOR_WINDOW), down);
    }
    Select("Textures\\house_rle8.bmp");
    EXPECT_NE(corner(), GetSysColor(COLOR_WINDOW));
    EXPECT_TRUE(dlg->TextMode()); // bitmaps keep the mode for later entries
    Select("ReadMe.txt");
    EXPECT_EQ(Shown(), "text");
}

TEST_F(FarDlgPreviewTest, AddedEntriesComeFromTheirFilesAndPathsRelistKeepingThePreview)
{
    const std::string picture = folder + "added.bmp";
    const std::string bytes("added\0bytes", 11);
    WriteBytes(picture, sample::SkyBmp565());
    WriteBytes(folder + "added.txt", bytes);
    ScriptedDialog addDialog;
    addDialog.names = {picture, folder + "added.txt"};
    dlg->UseFileAddDialog(addDialog);
    Command(cmd::FileEntryAddFile);
    Command(cmd::FileEntryAddFile);
    const std::string temp = dlg->Archive().TempFileName();
    platform::RemoveFile(temp);
    const int first = static_cast<int>(files.size());
    for (const char* state : {"New Entry", "Marked for Deletion"}) {
        Select(first);
        const auto lines = Lines(dlg->DetailsListBox());
        EXPECT_EQ(lines[0], "Entry #: " + std::to_string(first + 1));
        EXPECT_EQ(lines[6], std::string("State: ") + state);
        EXPECT_EQ(lines.back(), "Pixel Depth/Colors: 16/64,000");
        EXPECT_EQ(Shown(), "image");
        Select(first + 1);
        EXPECT_EQ(dlg->HexViewer().GetAsText(), bytes);
        EXPECT_FALSE(platform::FileExists(temp));
        for (int i : {first, first + 1}) {
            Select(i);
            Command(cmd::FileEntryDeleteFile);
        }
    }
    // An archive entry marked for deletion is still read from the archive.
    Select(5);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[6], "State: Marked for Deletion");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), files[5].data);
    EXPECT_TRUE(platform::FileExists(temp));

    const auto details = Lines(dlg->DetailsListBox());
    for (bool paths : {true, false}) {
        SendMessageA(dlg->Handle(), WM_COMMAND, cmd::ViewPath, 0);
        EXPECT_EQ(dlg->FileListBox().Text(first), paths ? picture : "added.bmp");
        EXPECT_EQ(dlg->FileListBox().ItemIndex(), -1);
        EXPECT_EQ(Lines(dlg->DetailsListBox()), details);
        EXPECT_EQ(Shown(), "hex");
    }
}

TEST_F(FarDlgPreviewTest, UnreadableDataLeavesTheDetailsAndNoViewer)
{
    // A bitmap that cannot be decoded: one error, the normal cursor again.
    const HCURSOR arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    SetCursor(arrow);
    Select("Textures\\house8.bmp");
    Select("Broken\\picture.BMP");
    EXPECT_EQ(script.errors, std::vector<std::string>{"Kelvo: Bitmap image is not valid"});
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(Lines(dlg->DetailsListBox()).size(), 7u);
    EXPECT_EQ(Shown(), "");
    // The window goes on: the next entry shows.
    Select("Textures\\house8.bmp");
    EXPECT_EQ(Shown(), "image");

    // An added file gone from the disk: neither hex view nor text, in either mode.
    WriteBytes(folder + "gone.txt", "soon gone");
    dlg->Archive().AddFile(folder + "gone.txt");
    dlg->FillList();
    platform::RemoveFile(folder + "gone.txt");
    for (int mode = 0; mode < 2; ++mode, Click(cmd::ViewHex)) {
        Select("ReadMe.txt");
        Select(static_cast<int>(files.size()));
        EXPECT_EQ(Lines(dlg->DetailsListBox())[2], "Full Name: " + folder + "gone.txt");
        EXPECT_EQ(Shown(), "");
    }
    // Data past the end of the archive: nothing, silently.
    dlg->Archive().Entries[0].FileOffset = 0x10000000;
    Select(0);
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(script.errors.size(), 1u);
}

TEST_F(FarDlgPreviewTest, ViewersFillThePreviewAreaAndNewAndOpenHideThem)
{
    Select("Textures\\house8.bmp");
    SetWindowPos(dlg->Handle(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    RECT details{}, viewer{}, list{};
    GetWindowRect(dlg->DetailsListBox().Handle(), &details);
    GetWindowRect(dlg->ImageViewer().Handle(), &viewer);
    GetWindowRect(dlg->FileListBox().Handle(), &list);
    EXPECT_EQ(viewer.left, details.left);
    EXPECT_EQ(viewer.right, details.right);
    EXPECT_EQ(viewer.top, details.bottom + TFarDlg::kSplitterSize);
    EXPECT_EQ(viewer.bottom, list.bottom);
    RECT bar{};
    GetWindowRect(dlg->StatusBar().Handle(), &bar);
    EXPECT_EQ(list.bottom, bar.top) << "the panes end where the status bar begins";

    ASSERT_TRUE(dlg->FMHOpen(samplePath));
    EXPECT_EQ(Shown(), "");
    Select("ReadMe.txt");
    ASSERT_EQ(Shown(), "hex");
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileNew, 0);
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(dlg->DetailsListBox().Count(), 0);
}

using namespace std::string_literals;

class FarDlgIffTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        const std::string good = sample::IffImage({{"OBJD", 1, 0, "first", "abc"}, {"BMP_", 2, 0, "no picture", "BM?"}});
        const std::vector<sample::SampleFile> files = {
            {"Objects\\Chair.iff", sample::SampleFiles()[1].data}, // an older IFF kind
            {"Objects\\Damaged.IFF", good + sample::IffChunkImage({"BHAV", 3, 0, "", "xy"}, 60)},
            {"Objects\\Lamp.iff", sample::LampObjectIff()},
            {"Text\\notes.txt", "plain text"},
        };
        OpenSample(files);
    }
    ui::ListView& Chunks() { return dlg->IffPreview().ChunkList(); }
};

TEST_F(FarDlgIffTest, SelectingAnIffEntryListsItsChunksAndEachChunkShowsInItsView)
{
    Select(3);
    const bool stretchEnabled = Enabled(cmd::ViewStretch), textEnabled = Enabled(cmd::ViewText);
    Select(2);
    // The details lines stay as they were; the buttons keep their states.
    EXPECT_EQ(Lines(dlg->DetailsListBox()).size(), 7u);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[2], "Full Name: Objects\\Lamp.iff");
    EXPECT_EQ(std::make_pair(Enabled(cmd::ViewStretch), Enabled(cmd::ViewText)), std::make_pair(stretchEnabled, textEnabled));
    ASSERT_TRUE(IsWindowVisible(Chunks().Handle()));
    EXPECT_EQ(Shown(), "");
    ASSERT_EQ(Chunks().Count(), 7);
    EXPECT_EQ(Row(Chunks(), 0), (std::vector<std::string>{"STR#", "128", "Lamp strings", "127", "16"}));
    EXPECT_EQ(Row(Chunks(), 1), (std::vector<std::string>{"BMP_", "100", "Lamp thumbnail",
                                                             std::to_string(sample::HouseBmpRle8().size()), "0"}));
    EXPECT_EQ(Row(Chunks(), 3), (std::vector<std::string>{"BHAV", "4096", "Turn On - main", "16", "0"}));
    const RECT list = Place(Chunks().Handle());

    SelectChunk(0);
    EXPECT_EQ(Chunks().ItemIndex(), 0);
    ui::ListView& strings = dlg->IffPreview().StringList();
    EXPECT_EQ(Shown(), "strings");
    ASSERT_EQ(strings.Count(), 4);
    EXPECT_EQ(Row(strings, 1), (std::vector<std::string>{"1", "Tall and bright, it lights a room at night.", "catalog description"}));
    EXPECT_EQ(Place(strings.Handle()).top, list.bottom);

    SelectChunk(1);
    EXPECT_EQ(Shown(), "image");
    EXPECT_EQ(std::make_pair(dlg->ImageViewer().Width(), dlg->ImageViewer().Height()), std::make_pair(45, 40));
    EXPECT_EQ(Place(dlg->ImageViewer().Handle()).top, list.bottom);

    SelectChunk(2);
    EXPECT_EQ(Shown(), "palette");
    TPaletteGrid& grid = dlg->IffPreview().PaletteGrid();
    ASSERT_EQ(grid.Colours().size(), 64u);
    RECT client{};
    GetClientRect(grid.Handle(), &client);
    ui::WindowDc screen(grid.Handle());
    ui::BitmapCanvas canvas(screen.Get(), client.right, client.bottom);
    SendMessageA(grid.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.canvas().Handle()), PRF_CLIENT);
    for (int index : {0, 17, 63}) {
        const RECT swatch = grid.SwatchRect(index, client.right, client.bottom);
        const auto& colour = grid.Colours()[static_cast<std::size_t>(index)];
        EXPECT_EQ(GetPixel(canvas.canvas().Handle(), (swatch.left + swatch.right) / 2, (swatch.top + swatch.bottom) / 2),
                  RGB(colour.Red, colour.Green, colour.Blue)) << index;
    }

    SelectChunk(3);
    EXPECT_EQ(Shown(), "hex");
    EXPECT_EQ(dlg->HexViewer().GetAsText().size(), 16u);
    EXPECT_EQ(Place(dlg->HexViewer().Handle()).top, list.bottom);

    // Another kind of entry gets the whole area back.
    Select(3);
    EXPECT_FALSE(IsWindowVisible(Chunks().Handle()));
    EXPECT_EQ(Shown(), "hex");
    EXPECT_EQ(Place(dlg->HexViewer().Handle()).top, list.top);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "plain text");
    EXPECT_TRUE(script.errors.empty());
}

TEST_F(FarDlgIffTest, DamagedAndUnrecognisedFilesShowWhyBelowWhatWasRead)
{
    Select(1);
    ASSERT_EQ(Chunks().Count(), 3);
    EXPECT_EQ(Row(Chunks(), 0), (std::vector<std::string>{"OBJD", "1", "first", "3", "0"}));
    EXPECT_EQ(Row(Chunks(), 2), (std::vector<std::string>{"", "", "Damaged IFF file: chunk 3 at offset 222 gives the size 60, less than its 76-byte header.", "", ""}));
    // A bitmap chunk the image view cannot decode is shown as bytes; the
    // reason row shows nothing.
    SelectChunk(1);
    EXPECT_EQ(Shown(), "hex");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "BM?");
    SelectChunk(2);
    EXPECT_EQ(Shown(), "");

    Select(0);
    ASSERT_EQ(Chunks().Count(), 1);
    EXPECT_EQ(Chunks().Text(0, 2), "Not an IFF 2.5 file: the signature differs.");
    EXPECT_EQ(Shown(), "");
    EXPECT_TRUE(script.errors.empty());
}

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
        OpenSample(files);
    }
    TSpritePreview& Preview() { return dlg->IffPreview().SpritePreview(); }
    HWND Canvas() { return Preview().Canvas().Handle(); }
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
    frameDialog.names = {folder + "one.bmp"};
    SendMessageA(Preview().Handle(), WM_COMMAND, TSpritePreview::spSaveFrame, 0);
    EXPECT_EQ(frameDialog.GetFileName(), folder + "one.bmp");
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
