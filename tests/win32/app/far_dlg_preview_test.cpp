// The main window's details and preview as the user drives them: entry
// selections, the view buttons, the IFF chunk list and the sprite preview;
// pictures checked by the pixels the views paint.
#include "app/commands.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sprite_writer.h"
#include "ui/canvas.h"

namespace kelvo {
namespace {

using namespace std::string_literals;

// The colour a window paints at a point of its client area (from its
// bottom-right corner when negative).
COLORREF PixelAt(HWND window, POINT at)
{
    RECT client{};
    GetClientRect(window, &client);
    ui::WindowDc screen(window);
    ui::BitmapCanvas canvas(screen.Get(), client.right, client.bottom);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.canvas().Handle()), PRF_CLIENT);
    return GetPixel(canvas.canvas().Handle(), at.x < 0 ? client.right + at.x : at.x, at.y < 0 ? client.bottom + at.y : at.y);
}

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

TEST_F(FarDlgPreviewTest, EachEntryShowsItsDetailsAndPreviewAndTheViewButtonsFlipTheModeAndStretch)
{
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        const auto& [name, data] = files[i];
        SCOPED_TRACE(name);
        const bool before = Enabled(cmd::ViewStretch);
        Select(static_cast<int>(i));
        const bool iff = name.ends_with(".iff");
        const bool bitmap = name.starts_with("Textures\\") && name.ends_with(".bmp");
        const Strings details = Lines(dlg->DetailsListBox());
        EXPECT_EQ(details.at(2), "Full Name: " + name);
        EXPECT_EQ(details.size(), bitmap ? 9u : 7u); // bitmaps add their size and depth
        EXPECT_EQ(Shown(), bitmap ? "image" : iff ? "" : "hex");
        EXPECT_EQ(Enabled(cmd::ViewStretch), iff ? before : bitmap); // IFF resources leave the buttons
        EXPECT_EQ(Enabled(cmd::ViewText), !Enabled(cmd::ViewStretch));
        EXPECT_EQ(bitmap || iff ? data : dlg->HexViewer().GetAsText(), data);
    }
    EXPECT_TRUE(script.errors.empty());
    const std::string& catalog = files[4].data;
    Select("Text\\Catalog.txt");
    EXPECT_EQ(dlg->TextViewer().Text(), ""); // filled only when shown
    // Every press flips the mode; the button naming the mode in force ends down.
    for (const auto& [button, textMode] : {std::pair{cmd::ViewHex, true}, {cmd::ViewHex, false}, {cmd::ViewText, true}}) {
        Click(button);
        EXPECT_EQ(dlg->TextMode(), textMode);
        EXPECT_EQ(dlg->ToolBar1().Checked(cmd::ViewHex), textMode);
        EXPECT_EQ(dlg->ToolBar1().Checked(cmd::ViewText), !textMode);
        EXPECT_EQ(Shown(), textMode ? "text" : "hex");
        EXPECT_EQ(dlg->TextViewer().Text(), textMode ? catalog.substr(0, catalog.find('\0')) : "");
    }
    Select("Textures\\Sky\\sunset24.bmp");
    HWND view = dlg->ImageViewer().Handle();
    EXPECT_EQ(PixelAt(view, {-1, -1}), GetSysColor(COLOR_WINDOW));
    for (bool down : {true, false, true}) {
        Click(cmd::ViewStretch);
        EXPECT_EQ(dlg->ImageViewer().Stretch(), down);
        EXPECT_EQ(PixelAt(view, {-1, -1}) != GetSysColor(COLOR_WINDOW), down);
    }
    Select("Textures\\house_rle8.bmp");
    EXPECT_NE(PixelAt(view, {-1, -1}), GetSysColor(COLOR_WINDOW));
    Select("ReadMe.txt");
    EXPECT_EQ(Shown(), "text"); // bitmaps keep the mode for later entries
}

TEST_F(FarDlgPreviewTest, AddedEntriesComeFromTheirFilesUnreadableDataShowsNoViewerAndViewersFillThePreviewArea)
{
    const std::string picture = MakeFile("added.bmp", sample::SkyBmp565());
    const std::string bytes("added\0bytes", 11);
    addDialog.names = {picture, MakeFile("added.txt", bytes), MakeFile("gone.txt", "soon gone")};
    for (int i = 0; i < 3; ++i)
        Command(cmd::FileEntryAddFile);
    const std::string temp = dlg->Archive().TempFileName();
    platform::RemoveFile(temp);
    const int first = static_cast<int>(files.size());
    for (const char* state : {"New Entry", "Marked for Deletion"}) {
        Select(first);
        EXPECT_EQ(DetailLine(6), "State: "s + state);
        EXPECT_EQ(Lines(dlg->DetailsListBox()).back(), "Pixel Depth/Colors: 16/64,000");
        EXPECT_EQ(Shown(), "image");
        Select(first + 1);
        EXPECT_EQ(dlg->HexViewer().GetAsText(), bytes);
        EXPECT_FALSE(platform::FileExists(temp));
        Command(cmd::FileEntryDeleteFile);
        Select(first);
        Command(cmd::FileEntryDeleteFile);
    }
    Select(5); // marked, still read from the archive
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), files[5].data);
    EXPECT_TRUE(platform::FileExists(temp));
    const Strings details = Lines(dlg->DetailsListBox());
    for (bool paths : {true, false}) {
        Command(cmd::ViewPath);
        EXPECT_EQ(dlg->FileListBox().Text(first), paths ? picture : "added.bmp");
        EXPECT_EQ((GetMenuState(dlg->Menu(), cmd::ViewPath, MF_BYCOMMAND) & MF_CHECKED) != 0, paths);
        EXPECT_EQ(dlg->FileListBox().ItemIndex(), -1);
        EXPECT_EQ(Lines(dlg->DetailsListBox()), details);
        EXPECT_EQ(Shown(), "hex");
    }
    // A bitmap that cannot be decoded: one error, the normal cursor again, no viewer.
    const HCURSOR arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    SetCursor(arrow);
    Select("Broken\\picture.BMP");
    EXPECT_EQ(script.errors, Strings{"Kelvo: Bitmap image is not valid"});
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(Lines(dlg->DetailsListBox()).size(), 7u);
    EXPECT_EQ(Shown(), "");
    // An added file gone from the disk: no viewer in either mode, silently.
    platform::RemoveFile(folder + "gone.txt");
    for (int mode = 0; mode < 2; ++mode, Click(cmd::ViewHex)) {
        Select("ReadMe.txt");
        Select(first + 2);
        EXPECT_EQ(Shown(), "");
    }
    EXPECT_EQ(script.errors.size(), 1u);
    // The viewers fill the preview area; New and Open hide them.
    Select("Textures\\house8.bmp");
    SetWindowPos(dlg->Handle(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    RECT detailsPlace{}, viewer{}, list{}, bar{};
    GetWindowRect(dlg->DetailsListBox().Handle(), &detailsPlace);
    GetWindowRect(dlg->ImageViewer().Handle(), &viewer);
    GetWindowRect(dlg->FileListBox().Handle(), &list);
    GetWindowRect(dlg->StatusBar().Handle(), &bar);
    EXPECT_EQ(viewer.left, detailsPlace.left);
    EXPECT_EQ(viewer.right, detailsPlace.right);
    EXPECT_EQ(viewer.top, detailsPlace.bottom + TFarDlg::kSplitterSize);
    EXPECT_EQ(viewer.bottom, list.bottom);
    EXPECT_EQ(list.bottom, bar.top);
    script.answers = {TSaveAnswer::saNo};
    openDialog.names = {samplePath};
    Command(cmd::FileOpen);
    EXPECT_EQ(Shown(), "");
    Select("ReadMe.txt");
    ASSERT_EQ(Shown(), "hex");
    Command(cmd::FileNew);
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(dlg->DetailsListBox().Count(), 0);
}


TEST_F(FarDlgFixture, IffEntriesListTheirChunksAndEachChunkShowsInItsView)
{
    const std::string good = sample::IffImage({{"OBJD", 1, 0, "first", "abc"}, {"BMP_", 2, 0, "no picture", "BM?"}});
    OpenSample({{"Objects\\Chair.iff", sample::SampleFiles()[1].data}, // an older IFF kind
                {"Objects\\Damaged.IFF", good + sample::IffChunkImage({"BHAV", 3, 0, "", "xy"}, 60)},
                {"Objects\\Lamp.iff", sample::LampObjectIff()},
                {"Text\\notes.txt", "plain text"}});
    ui::ListView& chunks = dlg->IffPreview().ChunkList();
    auto place = [this](HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, dlg->Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    Select(3);
    const int whole = place(dlg->HexViewer().Handle()).top;
    Select(2);
    EXPECT_EQ(Lines(dlg->DetailsListBox()).size(), 7u);
    EXPECT_TRUE(Enabled(cmd::ViewText)); // as the text entry left it
    ASSERT_TRUE(IsWindowVisible(chunks.Handle()));
    EXPECT_EQ(Shown(), "");
    ASSERT_EQ(chunks.Count(), 7);
    EXPECT_EQ(chunks.Text(0, 0) + " " + chunks.Text(0, 1) + " " + chunks.Text(0, 2), "STR# 128 Lamp strings");
    // Each chunk row in its view, below the chunk list.
    const struct {
        const char* shown;
        HWND view;
    } views[] = {{"strings", dlg->IffPreview().StringList().Handle()}, {"image", dlg->ImageViewer().Handle()},
                 {"palette", dlg->IffPreview().PaletteGrid().Handle()}, {"hex", dlg->HexViewer().Handle()}};
    for (int row = 0; row < 4; ++row) {
        SelectChunk(row);
        EXPECT_EQ(Shown(), views[row].shown);
        EXPECT_EQ(place(views[row].view).top, place(chunks.Handle()).bottom) << row;
    }
    EXPECT_EQ(dlg->HexViewer().GetAsText().size(), 16u);
    SelectChunk(0);
    EXPECT_EQ(dlg->IffPreview().StringList().Text(1, 1), "Tall and bright, it lights a room at night.");
    SelectChunk(1);
    EXPECT_EQ(std::make_pair(dlg->ImageViewer().Width(), dlg->ImageViewer().Height()), std::make_pair(45, 40));
    SelectChunk(2);
    TPaletteGrid& grid = dlg->IffPreview().PaletteGrid();
    RECT client{};
    GetClientRect(grid.Handle(), &client);
    const RECT swatch = grid.SwatchRect(17, client.right, client.bottom);
    const auto& colour = grid.Colours().at(17);
    EXPECT_EQ(PixelAt(grid.Handle(), {(swatch.left + swatch.right) / 2, (swatch.top + swatch.bottom) / 2}),
              RGB(colour.Red, colour.Green, colour.Blue));
    // A damaged file lists what was read and why it stopped; an undecodable bitmap chunk shows as bytes.
    Select(1);
    ASSERT_EQ(chunks.Count(), 3);
    EXPECT_EQ(chunks.Text(2, 2), "Damaged IFF file: chunk 3 at offset 222 gives the size 60, less than its 76-byte header.");
    SelectChunk(1);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "BM?");
    SelectChunk(2);
    EXPECT_EQ(Shown(), "");
    Select(0);
    EXPECT_EQ(chunks.Text(0, 2), "Not an IFF 2.5 file: the signature differs.");
    Select(2);
    SelectChunk(6); // a draw group: its rotations by keys
    EXPECT_EQ(Shown(), "sprite");
    TSpritePreview& sprite = dlg->IffPreview().SpritePreview();
    const auto first = sprite.Canvas().Picture().Pixels;
    Key(sprite.Canvas().Handle(), VK_RIGHT);
    EXPECT_EQ(sprite.ControlText(TSpritePreview::spPosition), "Rotation 2 of 4");
    EXPECT_NE(sprite.Canvas().Picture().Pixels, first);
    Select(3); // another kind of entry gets the whole area back
    EXPECT_FALSE(IsWindowVisible(chunks.Handle()));
    EXPECT_EQ(place(dlg->HexViewer().Handle()).top, whole);
    EXPECT_TRUE(script.errors.empty());
}

constexpr COLORREF kLight = RGB(0xFF, 0xFF, 0xFF); // the checkerboard's cell at a picture's corner
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0);

enum ChunkRow { rPalette, rSpr2, rSpr };

// A frame of one pixel of the index.
sample::SpriteFrameData Dot(int index, std::uint16_t palette)
{
    sample::SpriteFrameData frame;
    frame.width = frame.height = 1;
    frame.index = {index};
    frame.palette = palette;
    return frame;
}

class FarDlgSpriteTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        // SPR2 frames: 2 x 2 (red, empty; blue at alpha 16 and z 5, green at z 200),
        // a green dot, and one that stops at an unknown command.
        const sample::SpriteFrameData first{.width = 2, .height = 2, .index = {1, -1, 3, 2}, .z = {0, 0, 5, 200},
                                            .alpha = {31, 0, 16, 31}, .flags = 7, .palette = 1};
        const std::string damaged = sample::Spr2Frame(Dot(2, 1)).substr(0, 16) + "\x02\x00\x00\xE0"s;
        const std::string iff = sample::IffImage({
            {"PALT", 1, 0, "", sample::PaletteBody({0x000000, 0xFF0000, 0x00FF00, 0x0000FF})},
            {"SPR2", 10, 0, "", sample::Spr2Body(1000, 1, {sample::Spr2Frame(first), sample::Spr2Frame(Dot(2, 1)), damaged})},
            {"SPR#", 11, 0, "", sample::SprBody(505, 9, {sample::SprFrame(Dot(128, 0))})},
        });
        sample::TgaData tga{.type = 10, .width = 2, .height = 1, .pixels = {0xFFFF0000, 0x000000FF}};
        const std::string goodTga = sample::TgaFile(tga); // run-length encoded, 32 bits: opaque red, clear blue
        OpenSample({{"Objects\\Sprites.iff", iff}, {"UI\\ok.tga", goodTga}, {"UI\\cut.TGA", goodTga.substr(0, goodTga.size() - 3)}});
    }
    TSpritePreview& Preview() { return dlg->IffPreview().SpritePreview(); }
    void Press(TSpritePreview::Control button) { SendMessageA(GetDlgItem(Preview().Handle(), button), BM_CLICK, 0, 0); }
    // Picks an item of the plane or zoom list as the user does.
    void Choose(int item)
    {
        HWND list = GetDlgItem(Preview().Handle(), TSpritePreview::spChoice);
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        SendMessageA(Preview().Handle(), WM_COMMAND, MAKEWPARAM(TSpritePreview::spChoice, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }
    // The colours a view paints at picture pixels, each size device pixels wide.
    std::vector<COLORREF> Pixels(TPictureView& view, const std::vector<POINT>& at, int size = 1)
    {
        std::vector<COLORREF> colours;
        for (POINT point : at)
            colours.push_back(PixelAt(view.Handle(), {view.Place().Left + point.x * size + size / 2,
                                                      view.Place().Top + point.y * size + size / 2}));
        return colours;
    }
    std::string Text(TSpritePreview::Control control) { return Preview().ControlText(control); }
};

TEST_F(FarDlgSpriteTest, FramesShowAtEachZoomAndPlaneMoveBySelectorsAndSaveAndTargaEntriesShow)
{
    Select(0);
    SelectChunk(rSpr2);
    EXPECT_EQ(Shown(), "sprite");
    EXPECT_EQ(Text(TSpritePreview::spPosition), "Frame 1 of 3");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Preview().Handle(), TSpritePreview::spPrevious)));
    const std::vector<POINT> corners{{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    const std::vector<COLORREF> colour{kRed, kLight, RGB(123, 123, 255), kGreen}; // blue at alpha 132 over light
    EXPECT_EQ(Pixels(Preview().Canvas(), corners), colour);
    Press(TSpritePreview::spZoom4);
    EXPECT_EQ(Pixels(Preview().Canvas(), corners, 4), colour);
    Key(Preview().Canvas().Handle(), '1');
    EXPECT_EQ(Preview().Canvas().Place().Width, 2);
    Choose(1); // the z-buffer as grey
    EXPECT_EQ(Pixels(Preview().Canvas(), {{0, 1}}), std::vector<COLORREF>{RGB(5, 5, 5)});
    Choose(2); // alpha
    EXPECT_EQ(Pixels(Preview().Canvas(), {{0, 1}}), std::vector<COLORREF>{RGB(132, 132, 132)});
    Choose(0);
    // Keys and buttons move through the frames; a damaged one says why.
    const struct {
        WPARAM key;
        TSpritePreview::Control button;
        const char* position;
        bool drawn;
    } steps[] = {{VK_RIGHT, {}, "Frame 2 of 3", true}, {VK_END, {}, "Frame 3 of 3", false}, {VK_HOME, {}, "Frame 1 of 3", true},
                 {0, TSpritePreview::spLast, "Frame 3 of 3", false}, {0, TSpritePreview::spPrevious, "Frame 2 of 3", true}};
    for (const auto& step : steps) {
        step.key ? Key(Preview().Canvas().Handle(), step.key) : Press(step.button);
        EXPECT_EQ(Text(TSpritePreview::spPosition), step.position);
        EXPECT_EQ(Text(TSpritePreview::spNote).empty(), step.drawn) << Text(TSpritePreview::spNote);
    }
    EXPECT_EQ(Pixels(Preview().Canvas(), {{0, 0}}), std::vector<COLORREF>{kGreen});
    EXPECT_TRUE(script.errors.empty());
    // Save Frame writes the frame shown with straight alpha; Save All Frames each it can, then says which it could not.
    frameDialog.names = {folder + "one.bmp"};
    SendMessageA(Preview().Handle(), WM_COMMAND, TSpritePreview::spSaveFrame, 0);
    EXPECT_EQ(ReadBytes(folder + "one.bmp"), iff::BmpFile({1, 1, {0xFF00FF00}}));
    platform::MakeDirectory(folder + "frames");
    browse->answers = {folder + "frames"};
    SendMessageA(Preview().Handle(), WM_COMMAND, TSpritePreview::spSaveAllFrames, 0);
    EXPECT_EQ(ReadBytes(folder + "frames\\10_0.bmp"), iff::BmpFile({2, 2, {0xFFFF0000, 0, 0x840000FF, 0xFF00FF00}}));
    EXPECT_FALSE(platform::FileExists(folder + "frames\\10_2.bmp"));
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0].rfind("Kelvo: 2 of 3 frames saved. Not saved:\n10_2.bmp: ", 0), 0u) << script.errors[0];
    SelectChunk(rSpr); // no planes to choose; a missing palette is named
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(Preview().Handle(), TSpritePreview::spChoice)));
    EXPECT_NE(Text(TSpritePreview::spNote).find("palette 9 not found"), std::string::npos);
    Select(1);
    EXPECT_EQ(Shown(), "picture");
    EXPECT_EQ(Lines(dlg->DetailsListBox()).back(), "Bitmap Size: 2x1");
    EXPECT_EQ(Pixels(dlg->PictureViewer(), {{0, 0}, {1, 0}}), (std::vector<COLORREF>{kRed, kLight}));
    Select(2);
    ASSERT_EQ(script.errors.size(), 2u);
    EXPECT_EQ(script.errors[1].rfind("Kelvo: Damaged TGA image", 0), 0u) << script.errors[1];
    EXPECT_EQ(Shown(), "");
}

} // namespace
} // namespace kelvo
