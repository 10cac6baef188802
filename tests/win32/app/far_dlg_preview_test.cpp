// The main window's entry details and preview, driven in this process the
// way the user drives them: a selection in the entry list, clicks on the
// tool bar's view buttons.
#include "app/commands.h"
#include "app/far_dlg.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/sample_archive.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace kelvo {
namespace {

// Answers every question of the window with "no" and opens the archive
// named on its command line.
class Script : public TFileMenuServices, public TFarDlgServices {
public:
    std::string archive;
    TSaveAnswer AskSaveChanges(const std::string&, const std::string&) override { return TSaveAnswer::saNo; }
    void ShowNotFound(const std::string&) override {}
    bool FileExists(const std::string& name) override { return platform::FileExists(name); }
    int ParamCount() override { return archive.empty() ? 0 : 1; }
    std::string ParamStr(int index) override { return index == 1 ? archive : "kelvo.exe"; }
    void ShowMessage(const std::string&) override {}
};

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Lines(const ui::ListBox& list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list.Text(i));
    return lines;
}

int LE32(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return static_cast<int>(value);
}

// The depth line each sample bitmap must show, by file name.
const std::map<std::string, std::string> kSampleDepths = {
    {"Textures\\checker1.bmp", "1/2"},          {"Textures\\gradient4.bmp", "4/16"},
    {"Textures\\house8.bmp", "8/256"},          {"Textures\\house_rle8.bmp", "8/256"},
    {"Textures\\Sky\\sky555.bmp", "15/64,000"}, {"Textures\\Sky\\sky565.bmp", "16/64,000"},
    {"Textures\\Sky\\sunset24.bmp", "24/16.7 Million"},
};

class FarDlgPreviewTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = platform::TempFolder() + "kelvo-preview-" + std::to_string(platform::ProcessId()) + "\\";
        platform::MakeDirectory(folder);
        files = sample::SampleFiles();
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Maxis\\The Sims", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegCloseKey(key);
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
    }
    void TearDown() override
    {
        dlg.reset();
        ui::SetExceptionHandler(nullptr);
        for (const auto& item : platform::ListDirectory(folder))
            platform::RemoveFile(folder + item.name);
        RemoveDirectoryA(folder.c_str());
    }
    // Starts the window on an archive of the given files.
    void Start(const std::vector<sample::SampleFile>& entries)
    {
        script.archive = folder + "test.far";
        WriteAll(script.archive, sample::FarImage(entries));
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->Show(SW_SHOWNOACTIVATE);
        ASSERT_EQ(dlg->FileListBox().Count(), static_cast<int>(entries.size()));
    }
    // Selects an item as a click does.
    void Select(int index)
    {
        dlg->FileListBox().SetItemIndex(index);
        SendMessageA(dlg->Handle(), WM_COMMAND, MAKEWPARAM(cmd::FileListBox, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(dlg->FileListBox().Handle()));
    }
    // Presses and releases the mouse button over a tool bar button.
    void Click(int command)
    {
        HWND bar = dlg->ToolBar1().Handle();
        RECT rect{};
        ASSERT_TRUE(SendMessageA(bar, TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&rect)));
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(bar, WM_LBUTTONUP, 0, at);
    }
    // The one visible viewer: "image", "text", "hex", or "" for none.
    std::string Viewer()
    {
        std::string shown;
        int count = 0;
        for (auto [window, name] : {std::pair{dlg->ImageViewer().Handle(), "image"},
                                    std::pair{dlg->TextViewer().Handle(), "text"},
                                    std::pair{dlg->HexViewer().Handle(), "hex"}}) {
            if (IsWindowVisible(window)) {
                shown = name;
                ++count;
            }
        }
        EXPECT_LE(count, 1);
        return shown;
    }
    bool Enabled(int command)
    {
        return SendMessageA(dlg->ToolBar1().Handle(), TB_ISBUTTONENABLED, static_cast<WPARAM>(command), 0) != 0;
    }
    int Position(const std::string& name) const
    {
        for (std::size_t i = 0; i < files.size(); ++i)
            if (files[i].name == name)
                return static_cast<int>(i);
        ADD_FAILURE() << name;
        return 0;
    }

    Script script;
    std::unique_ptr<TFarDlg> dlg;
    std::string folder;
    std::vector<sample::SampleFile> files;
    std::vector<std::string> errors;
};

// Entries by their position, one line per kind of preview.
TEST_F(FarDlgPreviewTest, EverySampleEntryShowsItsDetailsAndPreview)
{
    Start(files);
    std::uint32_t offset = 16;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& name = files[i].name;
        const std::string& data = files[i].data;
        SCOPED_TRACE(name);
        Select(static_cast<int>(i));
        std::vector<std::string> expected = {
            "Entry #: " + std::to_string(i),
            "Filename: " + name.substr(name.find_last_of('\\') + 1),
            "Full Name: " + name,
            "Raw Size: " + std::to_string(data.size()),
            "Compressed Size: " + std::to_string(data.size()),
            "File Offset: " + std::to_string(offset),
            "State: Original Entry",
        };
        offset += static_cast<std::uint32_t>(data.size());
        const bool bitmap = kSampleDepths.count(name) != 0;
        const bool iff = name.size() > 4 && name.compare(name.size() - 4, 4, ".iff") == 0;
        if (bitmap) {
            expected.push_back("Bitmap Size: " + std::to_string(LE32(data, 18)) + "x" + std::to_string(LE32(data, 22)));
            expected.push_back("Pixel Depth/Colors: " + kSampleDepths.at(name));
        }
        EXPECT_EQ(Lines(dlg->DetailsListBox()), expected);
        EXPECT_EQ(Viewer(), bitmap ? "image" : iff ? "" : "hex");
        if (!iff) {
            EXPECT_EQ(Enabled(cmd::ViewStretch), bitmap);
            EXPECT_EQ(Enabled(cmd::ViewText), !bitmap);
            EXPECT_EQ(Enabled(cmd::ViewHex), !bitmap);
        }
        if (!bitmap && !iff) {
            EXPECT_EQ(dlg->HexViewer().DataSize(), static_cast<std::int32_t>(data.size()));
        }
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(FarDlgPreviewTest, IffEntriesShowNothingAndLeaveTheButtonsAsTheyWere)
{
    Start(files);
    for (const char* before : {"Textures\\house8.bmp", "ReadMe.txt"}) {
        Select(Position(before));
        const bool bitmap = Viewer() == "image";
        for (const char* iff : {"Objects\\Chair.iff", "Objects\\Empty.iff", "Objects\\Kitchen\\Caf\xE9Table.iff"}) {
            Select(Position(iff));
            EXPECT_EQ(Viewer(), "") << iff;
            EXPECT_EQ(Lines(dlg->DetailsListBox()).size(), 7u);
            EXPECT_EQ(Enabled(cmd::ViewStretch), bitmap);
            EXPECT_EQ(Enabled(cmd::ViewText), !bitmap);
        }
    }
    // A folder named like a bitmap does not make its files bitmaps.
    Select(Position("Textures.BMP\\readme.txt"));
    EXPECT_EQ(Viewer(), "hex");
    EXPECT_EQ(Lines(dlg->DetailsListBox())[1], "Filename: readme.txt");
}

TEST_F(FarDlgPreviewTest, ViewButtonsFlipTheModeAndTheMemoStopsAtAZeroByte)
{
    Start(files);
    const int catalog = Position("Text\\Catalog.txt");
    const std::string& data = files[static_cast<std::size_t>(catalog)].data;
    Select(catalog);
    ASSERT_EQ(Viewer(), "hex");
    EXPECT_EQ(dlg->TextViewer().Text(), ""); // filled only when shown
    EXPECT_TRUE(dlg->ToolBar1().Checked(cmd::ViewText));
    EXPECT_FALSE(dlg->TextMode());

    // ViewAsTextButton sends ViewHex, ViewAsHexButton ViewText; every press
    // flips the mode, and the button naming the mode in force ends down.
    const struct {
        int button;
        bool textMode;
    } presses[] = {{cmd::ViewHex, true}, {cmd::ViewHex, false}, {cmd::ViewText, true},
                   {cmd::ViewText, false}, {cmd::ViewText, true}, {cmd::ViewHex, false}};
    for (const auto& press : presses) {
        Click(press.button);
        SCOPED_TRACE(testing::Message() << press.button << " to " << press.textMode);
        EXPECT_EQ(dlg->TextMode(), press.textMode);
        EXPECT_EQ(dlg->ToolBar1().Checked(cmd::ViewHex), press.textMode);
        EXPECT_EQ(dlg->ToolBar1().Checked(cmd::ViewText), !press.textMode);
        EXPECT_EQ(Viewer(), press.textMode ? "text" : "hex");
        if (press.textMode) {
            EXPECT_EQ(dlg->TextViewer().Text(), data.substr(0, data.find('\0')));
        }
    }
    // The hex view holds all of it, past the zero byte.
    EXPECT_EQ(dlg->HexViewer().GetAsText(), data);

    // The mode stays for later selections; bitmaps ignore it.
    Click(cmd::ViewHex);
    Select(Position("ReadMe.txt"));
    EXPECT_EQ(Viewer(), "text");
    EXPECT_EQ(dlg->TextViewer().Text(), files[0].data);
    Select(Position("Textures\\gradient4.bmp"));
    EXPECT_EQ(Viewer(), "image");
    EXPECT_TRUE(dlg->TextMode());
}

TEST_F(FarDlgPreviewTest, StretchScalesTheBitmapOverTheViewerAndBack)
{
    Start(files);
    Select(Position("Textures\\Sky\\sunset24.bmp"));
    ASSERT_EQ(Viewer(), "image");
    HWND view = dlg->ImageViewer().Handle();
    RECT client{};
    GetClientRect(view, &client);
    ASSERT_GT(client.right, dlg->ImageViewer().Width());
    ASSERT_GT(client.bottom, dlg->ImageViewer().Height());
    // The colour of the viewer's bottom-right pixel as it paints itself.
    auto corner = [&] {
        ui::WindowDc screen(view);
        ui::BitmapCanvas canvas(screen.Get(), client.right, client.bottom);
        SendMessageA(view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.canvas().Handle()), PRF_CLIENT);
        return GetPixel(canvas.canvas().Handle(), client.right - 1, client.bottom - 1);
    };
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_FALSE(dlg->ImageViewer().Stretch());
    EXPECT_EQ(corner(), window);

    for (bool down : {true, false, true}) {
        Click(cmd::ViewStretch);
        EXPECT_EQ(dlg->ToolBar1().Checked(cmd::ViewStretch), down);
        EXPECT_EQ(dlg->ImageViewer().Stretch(), down);
        EXPECT_EQ(Viewer(), "image");
        EXPECT_EQ(corner() != window, down);
    }
    // The setting holds for the next bitmap.
    Select(Position("Textures\\house_rle8.bmp"));
    EXPECT_TRUE(dlg->ImageViewer().Stretch());
    EXPECT_NE(corner(), window);
}

TEST_F(FarDlgPreviewTest, ViewPathsRelistsWithoutSelectionAndKeepsThePreview)
{
    Start(files);
    const int readMe = Position("Textures.BMP\\readme.txt");
    Select(readMe);
    const auto details = Lines(dlg->DetailsListBox());
    for (bool paths : {true, false}) {
        SendMessageA(dlg->Handle(), WM_COMMAND, cmd::ViewPath, 0);
        EXPECT_EQ(dlg->FileListBox().Text(readMe), paths ? "Textures.BMP\\readme.txt" : "readme.txt");
        EXPECT_EQ(dlg->FileListBox().ItemIndex(), -1);
        EXPECT_EQ(Lines(dlg->DetailsListBox()), details);
        EXPECT_EQ(Viewer(), "hex");
    }
    // With nothing selected the mode buttons change the mode and nothing else.
    Click(cmd::ViewHex);
    EXPECT_TRUE(dlg->TextMode());
    EXPECT_EQ(Viewer(), "hex");
    EXPECT_EQ(Lines(dlg->DetailsListBox()), details);
}

TEST_F(FarDlgPreviewTest, AddedEntriesPreviewFromTheirDiskFiles)
{
    Start(files);
    const std::string picture = folder + "added.bmp";
    const std::string text = folder + "added.txt";
    WriteAll(picture, sample::SkyBmp565());
    WriteAll(text, std::string("added\0bytes", 11));
    dlg->Archive().AddFile(picture);
    dlg->Archive().AddFile(text);
    dlg->FillList();
    const std::string temp = dlg->Archive().TempFileName();
    platform::RemoveFile(temp);
    const int first = static_cast<int>(files.size());

    for (bool deleted : {false, true}) {
        SCOPED_TRACE(deleted ? "marked for deletion" : "new");
        if (deleted)
            for (int i : {first, first + 1})
                dlg->Archive().Entries[static_cast<std::size_t>(i)].State = esDeleted;
        Select(first);
        auto lines = Lines(dlg->DetailsListBox());
        ASSERT_EQ(lines.size(), 9u);
        EXPECT_EQ(lines[0], "Entry #: " + std::to_string(first + 1));
        EXPECT_EQ(lines[2], "Full Name: " + picture);
        EXPECT_EQ(lines[6], deleted ? "State: Marked for Deletion" : "State: New Entry");
        EXPECT_EQ(lines[8], "Pixel Depth/Colors: 16/64,000");
        EXPECT_EQ(Viewer(), "image");

        Select(first + 1);
        EXPECT_EQ(Viewer(), "hex");
        EXPECT_EQ(dlg->HexViewer().GetAsText(), std::string("added\0bytes", 11));
        EXPECT_FALSE(platform::FileExists(temp));
    }

    // An archive entry marked for deletion still comes from the archive.
    const int house = Position("Textures\\house8.bmp");
    dlg->Archive().Entries[static_cast<std::size_t>(house)].State = esDeleted;
    Select(house);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[6], "State: Marked for Deletion");
    EXPECT_EQ(Viewer(), "image");
    EXPECT_TRUE(platform::FileExists(temp));
    EXPECT_TRUE(errors.empty());
}

TEST_F(FarDlgPreviewTest, UnreadableDataShowsTheDetailsAndNoViewer)
{
    auto entries = files;
    entries.push_back({"Broken\\picture.BMP", "BM this is no bitmap"});
    entries.push_back({"Broken\\empty.bmp", ""});
    Start(entries);
    const auto arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    SetCursor(arrow);

    // A bitmap that cannot be decoded: one error, normal cursor, details, no viewer.
    for (int broken : {static_cast<int>(files.size()), static_cast<int>(files.size()) + 1}) {
        Select(Position("Textures\\house8.bmp"));
        ASSERT_EQ(Viewer(), "image");
        errors.clear();
        Select(broken);
        EXPECT_EQ(errors, std::vector<std::string>{"Bitmap image is not valid"});
        EXPECT_EQ(GetCursor(), arrow);
        EXPECT_EQ(Lines(dlg->DetailsListBox()).size(), 7u);
        EXPECT_EQ(Viewer(), "");
    }
    errors.clear();

    // An added file gone from the disk: no hex view and no text either.
    const std::string gone = folder + "gone.txt";
    WriteAll(gone, "soon gone");
    dlg->Archive().AddFile(gone);
    dlg->FillList();
    platform::RemoveFile(gone);
    for (int press = 0; press < 2; ++press) {
        Select(Position("ReadMe.txt"));
        ASSERT_NE(Viewer(), "");
        Select(static_cast<int>(entries.size()));
        EXPECT_EQ(Lines(dlg->DetailsListBox())[2], "Full Name: " + gone);
        EXPECT_EQ(Viewer(), "");
        Click(cmd::ViewHex); // and the same in text mode
    }

    // An archive entry whose data lies past the end of the file: nothing, silently.
    dlg->Archive().Entries[0].FileOffset = 0x10000000;
    Select(0);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[5], "File Offset: 268435456");
    EXPECT_EQ(Viewer(), "");
    EXPECT_TRUE(errors.empty());
}

TEST_F(FarDlgPreviewTest, NewAndOpenHideTheViewersWhichFillThePreviewArea)
{
    Start(files);
    Select(Position("Textures\\house8.bmp"));
    ASSERT_EQ(Viewer(), "image");
    SetWindowPos(dlg->Handle(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    // Under the details list, right of the entry list, down as far as it.
    RECT details{}, viewer{}, list{};
    GetWindowRect(dlg->DetailsListBox().Handle(), &details);
    GetWindowRect(dlg->ImageViewer().Handle(), &viewer);
    GetWindowRect(dlg->FileListBox().Handle(), &list);
    EXPECT_EQ(viewer.left, details.left);
    EXPECT_EQ(viewer.right, details.right);
    EXPECT_EQ(viewer.top, details.bottom + TFarDlg::kSplitterSize);
    EXPECT_EQ(viewer.bottom, list.bottom);
    EXPECT_GT(viewer.bottom - viewer.top, 300);

    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileNew, 0);
    EXPECT_EQ(Viewer(), "");
    Select(Position("ReadMe.txt")); // the list is empty now
    EXPECT_EQ(Viewer(), "");
    EXPECT_EQ(dlg->DetailsListBox().Count(), 0);

    ASSERT_TRUE(dlg->FMHOpen(script.archive));
    Select(Position("ReadMe.txt"));
    ASSERT_EQ(Viewer(), "hex");
    ASSERT_TRUE(dlg->FMHOpen(script.archive));
    EXPECT_EQ(Viewer(), "");
}

} // namespace
} // namespace kelvo
