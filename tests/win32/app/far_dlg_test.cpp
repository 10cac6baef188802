// The main window created in this process, driven through its commands,
// with a script answering every question it asks: start, Open, Save, the
// archive versions, Exit, the recent files and the about box.
#include "app/commands.h"
#include "app/far_text.h"
#include "tests/far_writer.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tests/win32/window_search.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/sample_archive.h"

#include <filesystem>

namespace kelvo {
namespace {

// The sample archive is written for every test; OpenSample names it on the
// command line, Start does not.
class FarDlgTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        samplePath = folder + "sample.far";
        WriteBytes(samplePath, sample::FarImage(sample::SampleFiles()));
    }
};

TEST_F(FarDlgTest, StartsWithAnEmptyNewDocumentInItsLayout)
{
    Start();
    EXPECT_EQ(dlg->FileListBox().Count(), 0);
    EXPECT_EQ(dlg->DetailsListBox().Count(), 0);
    EXPECT_EQ(Status(0), "Ready");
    EXPECT_EQ(Status(1), " ");
    EXPECT_TRUE(dlg->FMH().NewFile());
    EXPECT_EQ(dlg->FAROpenDialog().InitialDir, "C:\\Games\\Sims");
    EXPECT_EQ(dlg->FARSaveDialog().InitialDir, "C:\\Games\\Sims");
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(test::TextOf(dlg->Handle()), "Kelvo");
    EXPECT_EQ(test::ClassOf(dlg->Handle()), "TFarDlg");

    // The details list keeps its height, the entry list its width.
    RECT details{}, list{};
    GetWindowRect(dlg->DetailsListBox().Handle(), &details);
    EXPECT_EQ(details.bottom - details.top, TFarDlg::kDetailsHeight);
    GetWindowRect(dlg->FileListBox().Handle(), &list);
    EXPECT_EQ(list.right - list.left, TFarDlg::kListWidth);
    EXPECT_EQ(dlg->ToolBar1().ToolTip(cmd::FileNew), "New");
    EXPECT_EQ(dlg->ToolBar1().ToolTip(cmd::ViewHex), "View as Text");
    EXPECT_TRUE(dlg->ToolBar1().Checked(cmd::ViewText));
    EXPECT_FALSE(dlg->ToolBar1().Checked(cmd::ViewHex));
    // The message panel follows the window's width.
    for (auto [width, panel] : {std::pair{1000, 800}, {999, 799}}) {
        SetWindowPos(dlg->Handle(), nullptr, 0, 0, width, 540, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(dlg->StatusBar().Panels().Items(0).Width(), panel);
    }
}

TEST_F(FarDlgTest, MissingGameInstallationIsReportedOnce)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Maxis\\The Sims");
    Start();
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"The Sims Installation was not detected. Game Directory not found."});
    EXPECT_EQ(dlg->FAROpenDialog().InitialDir, "");
}

TEST_F(FarDlgTest, OpensTheArchiveNamedOnTheCommandLine)
{
    OpenSample();
    const auto files = sample::SampleFiles();
    EXPECT_EQ(Lines(dlg->DetailsListBox()),
              (std::vector<std::string>{"FAR Header: FAR!byAZ", "Version: 1",
                                        "Directory offset: " + std::to_string(dlg->Archive().ManifestOffset),
                                        "Number of Entries: " + std::to_string(files.size())}));
    std::vector<std::string> names, fullNames;
    for (const auto& file : files) {
        names.push_back(file.name.substr(file.name.find_last_of("\\:") + 1));
        fullNames.push_back(file.name);
    }
    EXPECT_EQ(Lines(dlg->FileListBox()), names);
    EXPECT_EQ(Status(0), std::to_string(files.size()) + " files loaded.");
    EXPECT_EQ(Status(1), " ");
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);

    // View Paths relists with full names.
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::ViewPath, 0);
    EXPECT_EQ(Lines(dlg->FileListBox()), fullNames);
    EXPECT_TRUE(GetMenuState(dlg->Menu(), cmd::ViewPath, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(FarDlgTest, FailedOpenKeepsThePreviousArchiveListedAndSaveable)
{
    OpenSample();
    const auto before = Lines(dlg->FileListBox());
    const std::string broken = folder + "broken.far";
    WriteBytes(broken, std::string("FAR!byAZ\1\0\0\0\xFF\xFF\0\0", 16));
    openDialog.names = {broken};
    dlg->FMH().Open();
    EXPECT_EQ(Lines(dlg->FileListBox()), before);
    EXPECT_EQ(dlg->Archive().Entries.size(), before.size());
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);
    // It says which file and why, once.
    EXPECT_EQ(script.errors, std::vector<std::string>{"Kelvo: Kelvo could not open " + broken +
                                                      ".\n\nThe header points to a list of entries outside the file."});
    // The archive on screen is still held open: no other program may change it.
    EXPECT_FALSE(platform::File::Open(samplePath, platform::File::Mode::Read).IsOpen());

    // A save now writes the archive that is still shown, entry for entry
    // (marking and unmarking an entry makes it a change).
    Select(0);
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_TRUE(dlg->FMH().Modified);
    const std::string original = ReadBytes(samplePath);
    dlg->FMH().Save();
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_EQ(ReadBytes(samplePath), original);
    EXPECT_EQ(Lines(dlg->FileListBox()), before);
}

// A save keeps the archive the window has, now describing the saved file:
// held, listed afresh without the marked entries, and saveable again.
TEST_F(FarDlgTest, SaveKeepsTheSavedArchiveOpenListedAndSaveable)
{
    OpenSample();
    const TFarArchive* archive = &dlg->Archive();
    const auto before = Lines(dlg->FileListBox());
    // Catalog.txt's bytes replaced from a file, Chair.iff marked.
    WriteBytes(folder + "new.txt", "new bytes");
    replaceDialog.names = {folder + "new.txt"};
    Select(4);
    Command(cmd::FileEntryReplace);
    Select(1);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_TRUE(dlg->FMH().Modified);
    const std::string copy = folder + "copy.far";
    saveDialog.names = {copy};
    Command(cmd::FileSaveAs);
    auto expected = before;
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(&dlg->Archive(), archive) << "the saved archive was opened again as another";
    EXPECT_EQ(Lines(dlg->FileListBox()), expected);
    EXPECT_EQ(dlg->FMH().FileName(), copy);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[1], "Version: 1");
    EXPECT_EQ(Status(0), std::to_string(expected.size()) + " files loaded.");
    EXPECT_FALSE(platform::File::Open(copy, platform::File::Mode::Read).IsOpen()) << "the saved file is not held";
    // The entries are what the saved file holds, with no changes to take back.
    Select(3);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[6], "State: Original Entry");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "new bytes");
    EXPECT_FALSE(dlg->Actions().Find(cmd::FileEntryRevert)->Enabled());

    // Saving again over the file the window holds open, by Ctrl+S's command.
    Select(0);
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileSave);
    expected.erase(expected.begin());
    EXPECT_EQ(&dlg->Archive(), archive);
    EXPECT_EQ(Lines(dlg->FileListBox()), expected);
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_TRUE(script.errors.empty());
    CloseWindow();
    auto files = sample::SampleFiles();
    files[4].data = "new bytes";
    EXPECT_EQ(ReadBytes(copy), sample::FarImage({files.begin() + 2, files.end()}));
}

TEST_F(FarDlgTest, ExitQuestionAnswers)
{
    OpenSample();
    const std::size_t count = dlg->Archive().Entries.size();
    Select(0);
    Command(cmd::FileEntryDeleteFile);

    script.answers = {TSaveAnswer::saCancel};
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileExit, 0);
    EXPECT_TRUE(IsWindow(dlg->Handle()));
    EXPECT_EQ(dlg->Archive().Entries.size(), count);

    // No, then Cancel at the window's own close question: still open and intact.
    script.answers = {TSaveAnswer::saNo, TSaveAnswer::saCancel};
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileExit, 0);
    EXPECT_TRUE(IsWindow(dlg->Handle()));
    EXPECT_EQ(dlg->Archive().Entries.size(), count);
    EXPECT_FALSE(platform::File::Open(samplePath, platform::File::Mode::Read).IsOpen());
    EXPECT_EQ(script.questions.size(), 3u);
    EXPECT_EQ(script.questions.back(), "File " + samplePath + " has changed. Save Changes?");

    // No twice: the window closes, and the preview file goes with it.
    ASSERT_TRUE(dlg->Archive().ExtractToTemp(0));
    const std::string temp = dlg->Archive().TempFileName();
    EXPECT_TRUE(platform::FileExists(temp));
    script.answers = {TSaveAnswer::saNo, TSaveAnswer::saNo};
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileExit, 0);
    EXPECT_TRUE(dlg->Destroyed());
    EXPECT_EQ(dlg->Archive().Entries.size(), 0u);
    EXPECT_FALSE(platform::FileExists(temp));
}

// The items the File menu shows after Exit.
std::vector<std::string> RecentItems(HMENU file)
{
    std::vector<std::string> items;
    bool afterExit = false;
    for (int i = 0; i < GetMenuItemCount(file); ++i) {
        char text[512] = {};
        GetMenuStringA(file, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (afterExit)
            items.push_back(GetMenuState(file, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR ? "-" : text);
        afterExit = afterExit || GetMenuItemID(file, i) == cmd::FileExit;
    }
    return items;
}

TEST_F(FarDlgTest, OpenedArchivesFollowExitInTheFileMenuAndReopenFromThere)
{
    Start();
    HMENU file = GetSubMenu(dlg->Menu(), 0);
    EXPECT_TRUE(RecentItems(file).empty());
    const std::string second = folder + "second.far";
    WriteBytes(second, sample::FarImage({{"only.txt", "one"}}));
    openDialog.names = {samplePath, second};
    dlg->FMH().Open();
    dlg->FMH().Open();
    EXPECT_EQ(RecentItems(file), (std::vector<std::string>{"-", "&1 " + second + "\tAlt+1", "&2 " + samplePath + "\tAlt+2"}));

    // The second item opens the first archive again and moves it to the top.
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileRecentFirst + 1, 0);
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);
    EXPECT_EQ(dlg->FileListBox().Count(), static_cast<int>(sample::SampleFiles().size()));
    EXPECT_EQ(RecentItems(file), (std::vector<std::string>{"-", "&1 " + samplePath + "\tAlt+1", "&2 " + second + "\tAlt+2"}));

    // The list is kept beside the program when the window goes.
    CloseWindow();
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA("RecentFiles", "File1", "", value, sizeof value, (folder + "Kelvo.ini").c_str());
    EXPECT_EQ(std::string(value), second);
}

// What the about box showed: the title, version and rights labels and its caption.
std::vector<std::string> g_aboutShown;

// Runs in the about box's modal loop: reads it, then presses OK.
void CALLBACK ReadAboutBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (!AboutBox)
        return;
    for (HWND label : {AboutBox->ProductName1, AboutBox->Version, AboutBox->Copyright})
        g_aboutShown.push_back(test::TextOf(label));
    g_aboutShown.push_back(test::TextOf(AboutBox->Handle()));
    PostMessageA(AboutBox->Handle(), WM_COMMAND, IDOK, 0);
}

// The about box, shown from the Help menu, read while it shows and closed with OK.
TEST_F(FarDlgTest, HelpAboutShowsTheProgramsAboutBox)
{
    Start();
    std::vector<std::string>& shown = g_aboutShown;
    shown.clear();
    SetTimer(nullptr, 0, 10, ReadAboutBox);
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::HelpAbout, 0);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], "Kelvo");
    EXPECT_EQ(shown[1], "Version 1.0");
    EXPECT_EQ(shown[2], dlg->AboutDlg().Copyright);
    EXPECT_EQ(shown[3], "About Kelvo");
}

using test::VersionedArchive;

class FarDlgVersionsTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        v3Path = folder + "v3.far";
        WriteBytes(v3Path, VersionedArchive("3", Entries(true)));
        script.arguments.push_back(v3Path);
        Start();
    }
    static std::vector<test::VersionedEntry> Entries(bool compressed)
    {
        return {{"Art\\house.bmp", sample::HouseBmp8(), compressed, 1, 0x10},
                {"Text\\read.txt", std::string(2000, 'r'), compressed, 3, 0x20},
                {"raw.bin", "abc", false, 9, 0x30}};
    }
    std::vector<std::string> Details() { return Lines(dlg->DetailsListBox()); }

    std::string v3Path;
};

TEST_F(FarDlgVersionsTest, OpensEachVersionAndPreviewsACompressedBitmap)
{
    const std::string bitmap = sample::HouseBmp8();
    auto le16 = [](const std::string& bytes, std::size_t at) {
        return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    };
    const std::string size =
        "Bitmap Size: " + std::to_string(le16(bitmap, 18)) + "x" + std::to_string(le16(bitmap, 22));
    for (const char* version : {"1a", "1b", "3"}) {
        SCOPED_TRACE(version);
        const bool v3 = version[0] == '3';
        const std::string path = folder + version + ".far";
        const std::string bytes = VersionedArchive(version, Entries(v3));
        WriteBytes(path, bytes);
        openDialog.names = {path};
        Command(cmd::FileOpen);
        EXPECT_EQ(script.errors, std::vector<std::string>{});
        EXPECT_EQ(script.questions, std::vector<std::string>{});
        std::vector<std::string> header = {"FAR Header: FAR!byAZ", v3 ? "Version: 3" : "Version: 1",
                                           "Directory offset: " + std::to_string(le16(bytes, 12)),
                                           "Number of Entries: 3"};
        if (version[1] == 'b')
            header.push_back("Format: 1b (16-bit name lengths)");
        EXPECT_EQ(Details(), header);

        Select(0);
        const std::vector<std::string> details = Details();
        ASSERT_EQ(details.size(), v3 ? 12u : 9u);
        EXPECT_EQ(details[v3 ? 10 : 7], size);
        if (v3)
            EXPECT_EQ(std::vector<std::string>(details.begin() + 7, details.begin() + 10),
                      (std::vector<std::string>{"Type ID: 1", "File ID: 0x00000010", "Compressed: Yes"}));
        EXPECT_TRUE(IsWindowVisible(dlg->ImageViewer().Handle()));
    }
}

TEST_F(FarDlgVersionsTest, ExtractsEditsSavesInItsVersionAndConvertsWithSaveAs)
{
    const std::string out = folder + "out";
    std::filesystem::create_directories(out);
    Select(1);
    browse->answers = {out};
    Click(cmd::FileEntryExportFile);
    EXPECT_EQ(script.errors, std::vector<std::string>{});
    EXPECT_EQ(test::FileContents(out + "\\Text\\read.txt"), std::string(2000, 'r'));

    // An edit of the compressed text, kept by Save, which writes version 3
    // and compresses the new bytes.
    Command(cmd::FileEntryEdit);
    dlg->HexViewer().ConvertRange(0, 3, ttAnsi, ttEBCDIC);
    const std::string edited = dlg->HexViewer().GetAsText();
    ASSERT_NE(edited, std::string(2000, 'r'));
    Command(cmd::FileSave);
    EXPECT_TRUE(script.errors.empty());
    EXPECT_EQ(Details().at(1), "Version: 3");
    Select(1);
    const std::vector<std::string> details = Details();
    EXPECT_EQ(std::vector<std::string>(details.begin() + 6, details.end()),
              (std::vector<std::string>{"State: Original Entry", "Type ID: 3", "File ID: 0x00000020", "Compressed: Yes"}));

    // Save As offers the archive's type and converts to the one chosen.
    const std::string converted = folder + "converted.far";
    saveDialog.names = {converted};
    saveDialog.types = {2};
    Command(cmd::FileSaveAs);
    EXPECT_EQ(saveDialog.shownTypes, std::vector<int>{3});
    EXPECT_EQ(dlg->FMH().FileName(), converted);
    EXPECT_EQ(Details().back(), "Format: 1b (16-bit name lengths)");
    CloseWindow();

    const std::vector<std::string> contents = {sample::HouseBmp8(), edited, "abc"};
    for (const auto& [path, format] : {std::pair{v3Path, ff3}, std::pair{converted, ff1b}}) {
        TFarArchive saved;
        ASSERT_TRUE(saved.Open(path)) << saved.LastError();
        EXPECT_EQ(saved.Format, format);
        ASSERT_EQ(saved.Entries.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            ASSERT_TRUE(saved.ExtractToTemp(static_cast<int>(i)));
            EXPECT_EQ(ReadBytes(saved.TempFileName()), contents[i]) << path << " " << i;
            EXPECT_EQ(saved.Entries[i].Compressed, format == ff3 && i < 2) << path << " " << i;
        }
        saved.DeleteTempFile();
    }
}

} // namespace
} // namespace kelvo
