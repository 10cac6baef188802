// The main window's entry details and preview, driven in this process the
// way the user drives them: selections in the entry list, clicks on the
// tool bar's view buttons.
#include "app/commands.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/sample_archive.h"

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
        archive = folder + "test.far";
        files.push_back({"Broken\\picture.BMP", "BM this is no bitmap"});
        WriteBytes(archive, sample::FarImage(files));
        script.arguments.push_back(archive);
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->Show(SW_SHOWNOACTIVATE);
    }
    // Selects an entry by name, as a click does.
    using FarDlgFixture::Select;
    void Select(const std::string& name)
    {
        for (std::size_t i = 0; i < files.size(); ++i)
            if (files[i].name == name)
                return Select(static_cast<int>(i));
        ADD_FAILURE() << name;
    }
    // The visible viewer ("image", "text", "hex"), "" for none; never two.
    std::string Viewer()
    {
        std::string shown;
        for (auto [window, name] : {std::pair{dlg->ImageViewer().Handle(), "image"},
                                    std::pair{dlg->TextViewer().Handle(), "text"},
                                    std::pair{dlg->HexViewer().Handle(), "hex"}})
            if (IsWindowVisible(window))
                shown += name;
        return shown;
    }
    bool Enabled(int command)
    {
        return SendMessageA(dlg->ToolBar1().Handle(), TB_ISBUTTONENABLED, static_cast<WPARAM>(command), 0) != 0;
    }

    std::string archive;
    std::vector<sample::SampleFile> files = sample::SampleFiles();
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
        EXPECT_EQ(Viewer(), bitmap ? "image" : iff ? "" : "hex"); // also "Textures.BMP\readme.txt"
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
        EXPECT_EQ(Viewer(), textMode ? "text" : "hex");
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
    EXPECT_EQ(Viewer(), "text");
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
        EXPECT_EQ(Viewer(), "image");
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
        EXPECT_EQ(Viewer(), "hex");
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
    EXPECT_EQ(Viewer(), "");
    // The window goes on: the next entry shows.
    Select("Textures\\house8.bmp");
    EXPECT_EQ(Viewer(), "image");

    // An added file gone from the disk: neither hex view nor text, in either mode.
    WriteBytes(folder + "gone.txt", "soon gone");
    dlg->Archive().AddFile(folder + "gone.txt");
    dlg->FillList();
    platform::RemoveFile(folder + "gone.txt");
    for (int mode = 0; mode < 2; ++mode, Click(cmd::ViewHex)) {
        Select("ReadMe.txt");
        Select(static_cast<int>(files.size()));
        EXPECT_EQ(Lines(dlg->DetailsListBox())[2], "Full Name: " + folder + "gone.txt");
        EXPECT_EQ(Viewer(), "");
    }
    // Data past the end of the archive: nothing, silently.
    dlg->Archive().Entries[0].FileOffset = 0x10000000;
    Select(0);
    EXPECT_EQ(Viewer(), "");
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

    ASSERT_TRUE(dlg->FMHOpen(archive));
    EXPECT_EQ(Viewer(), "");
    Select("ReadMe.txt");
    ASSERT_EQ(Viewer(), "hex");
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileNew, 0);
    EXPECT_EQ(Viewer(), "");
    EXPECT_EQ(dlg->DetailsListBox().Count(), 0);
}

} // namespace
} // namespace kelvo
