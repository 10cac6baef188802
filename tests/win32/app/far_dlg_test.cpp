// The main window driven through its commands: start, Open, Save, Exit, the
// recent files, the about box and the archive versions.
#include "app/commands.h"
#include "app/far_text.h"
#include "tests/far_writer.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tests/win32/window_search.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/sample_archive.h"

namespace kelvo {
namespace {

using FarDlgTest = FarDlgFixture;

TEST_F(FarDlgTest, StartsEmptyInItsLayoutAndReportsAMissingGameOnce)
{
    Start();
    EXPECT_EQ(dlg->FileListBox().Count(), 0);
    EXPECT_EQ(Status(0), "Ready");
    EXPECT_TRUE(dlg->FMH().NewFile());
    EXPECT_EQ(dlg->FAROpenDialog().InitialDir, "C:\\Games\\Sims");
    EXPECT_EQ(dlg->FARSaveDialog().InitialDir, "C:\\Games\\Sims");
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(test::TextOf(dlg->Handle()), "Kelvo");
    RECT details{}, list{};
    GetWindowRect(dlg->DetailsListBox().Handle(), &details);
    GetWindowRect(dlg->FileListBox().Handle(), &list);
    EXPECT_EQ(details.bottom - details.top, TFarDlg::kDetailsHeight);
    EXPECT_EQ(list.right - list.left, TFarDlg::kListWidth);
    EXPECT_EQ(dlg->ToolBar1().ToolTip(cmd::ViewHex), "View as Text");
    EXPECT_TRUE(dlg->ToolBar1().Checked(cmd::ViewText));
    SetWindowPos(dlg->Handle(), nullptr, 0, 0, 999, 540, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(dlg->StatusBar().Panels().Items(0).Width(), 799); // the message panel follows the width

    CloseWindow();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Maxis\\The Sims");
    Start();
    EXPECT_EQ(script.messages, Strings{"The Sims Installation was not detected. Game Directory not found."});
    EXPECT_EQ(dlg->FAROpenDialog().InitialDir, "");
}

TEST_F(FarDlgTest, OpensTheCommandLinesArchiveAndAFailedOpenKeepsItSaveable)
{
    OpenSample();
    EXPECT_EQ(Lines(dlg->DetailsListBox()),
              (Strings{"FAR Header: FAR!byAZ", "Version: 1",
                       "Directory offset: " + std::to_string(dlg->Archive().ManifestOffset),
                       "Number of Entries: " + std::to_string(files.size())}));
    const Strings names = Lines(dlg->FileListBox());
    EXPECT_EQ(names.size(), files.size());
    EXPECT_EQ(names.at(4), "Catalog.txt");
    EXPECT_EQ(Status(0), std::to_string(files.size()) + " files loaded.");
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);

    const std::string broken = MakeFile("broken.far", std::string("FAR!byAZ\1\0\0\0\xFF\xFF\0\0", 16));
    openDialog.names = {broken};
    Command(cmd::FileOpen);
    EXPECT_EQ(Lines(dlg->FileListBox()), names);
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);
    EXPECT_EQ(script.errors, Strings{"Kelvo: Kelvo could not open " + broken +
                                     ".\n\nThe header points to a list of entries outside the file."});
    // Still held open, and a save writes it entry for entry.
    EXPECT_FALSE(platform::File::Open(samplePath, platform::File::Mode::Read).IsOpen());
    Select(0);
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_TRUE(dlg->FMH().Modified);
    const std::string original = ReadBytes(samplePath);
    Command(cmd::FileSave);
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_EQ(ReadBytes(samplePath), original);
}

// A save keeps the archive object, now describing the saved file: held,
// listed afresh without the marked entries, and saveable again.
TEST_F(FarDlgTest, SaveKeepsTheSavedArchiveOpenListedAndSaveable)
{
    OpenSample();
    const TFarArchive* archive = &dlg->Archive();
    Strings expected = Lines(dlg->FileListBox());
    replaceDialog.names = {MakeFile("new.txt", "new bytes")};
    Select(4);
    Command(cmd::FileEntryReplace);
    Select(1);
    Command(cmd::FileEntryDeleteFile);
    const std::string copy = folder + "copy.far";
    SaveAs("copy.far");
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(&dlg->Archive(), archive);
    EXPECT_EQ(Lines(dlg->FileListBox()), expected);
    EXPECT_EQ(dlg->FMH().FileName(), copy);
    EXPECT_EQ(Status(0), std::to_string(expected.size()) + " files loaded.");
    EXPECT_FALSE(platform::File::Open(copy, platform::File::Mode::Read).IsOpen());
    Select(3);
    EXPECT_EQ(DetailLine(6), "State: Original Entry");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "new bytes");
    EXPECT_FALSE(dlg->Actions().Find(cmd::FileEntryRevert)->Enabled());

    Select(0);
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileSave); // over the file the window holds open
    expected.erase(expected.begin());
    EXPECT_EQ(Lines(dlg->FileListBox()), expected);
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_TRUE(script.errors.empty());
    CloseWindow();
    files[4].data = "new bytes";
    EXPECT_EQ(ReadBytes(copy), sample::FarImage({files.begin() + 2, files.end()}));
}

TEST_F(FarDlgTest, ExitAsksAndClosesOnlyWhenAllowed)
{
    OpenSample();
    Select(0);
    Command(cmd::FileEntryDeleteFile);
    // Cancel; then No and Cancel at the window's own close question.
    for (auto answers : {std::deque{TSaveAnswer::saCancel}, std::deque{TSaveAnswer::saNo, TSaveAnswer::saCancel}}) {
        script.answers = answers;
        Command(cmd::FileExit);
        EXPECT_TRUE(IsWindow(dlg->Handle()));
        EXPECT_EQ(dlg->Archive().Entries.size(), files.size());
    }
    EXPECT_EQ(script.questions, Strings(3, "File " + samplePath + " has changed. Save Changes?"));

    // No twice: the window closes, and the preview file goes with it.
    Select(4);
    const std::string temp = dlg->Archive().TempFileName();
    EXPECT_TRUE(platform::FileExists(temp));
    script.answers = {TSaveAnswer::saNo, TSaveAnswer::saNo};
    Command(cmd::FileExit);
    EXPECT_TRUE(dlg->Destroyed());
    EXPECT_FALSE(platform::FileExists(temp));
}

// The items the File menu shows after Exit.
Strings RecentItems(HMENU file)
{
    Strings items;
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
    const std::string samplePath = MakeFile("sample.far", sample::FarImage(sample::SampleFiles()));
    Start();
    HMENU file = GetSubMenu(dlg->Menu(), 0);
    EXPECT_TRUE(RecentItems(file).empty());
    const std::string second = MakeFile("second.far", sample::FarImage({{"only.txt", "one"}}));
    openDialog.names = {samplePath, second};
    Command(cmd::FileOpen);
    Command(cmd::FileOpen);
    EXPECT_EQ(RecentItems(file), (Strings{"-", "&1 " + second + "\tAlt+1", "&2 " + samplePath + "\tAlt+2"}));
    Command(cmd::FileRecentFirst + 1);
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);
    EXPECT_EQ(dlg->FileListBox().Count(), static_cast<int>(sample::SampleFiles().size()));
    EXPECT_EQ(RecentItems(file), (Strings{"-", "&1 " + samplePath + "\tAlt+1", "&2 " + second + "\tAlt+2"}));
    CloseWindow(); // kept beside the program
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA("RecentFiles", "File1", "", value, sizeof value, (folder + "Kelvo.ini").c_str());
    EXPECT_EQ(std::string(value), second);
}

Strings g_aboutShown; // the about box's title, version and rights labels and its caption

// Runs in the about box's modal loop: reads it, then presses OK.
void CALLBACK ReadAboutBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (!AboutBox)
        return;
    for (HWND label : {AboutBox->ProductName1, AboutBox->Version, AboutBox->Copyright, AboutBox->Handle()})
        g_aboutShown.push_back(test::TextOf(label));
    PostMessageA(AboutBox->Handle(), WM_COMMAND, IDOK, 0);
}

TEST_F(FarDlgTest, HelpAboutShowsTheProgramsAboutBox)
{
    Start();
    SetTimer(nullptr, 0, 10, ReadAboutBox);
    Command(cmd::HelpAbout);
    EXPECT_EQ(g_aboutShown, (Strings{"Kelvo", "Version 1.0", dlg->AboutDlg().Copyright, "About Kelvo"}));
}

TEST_F(FarDlgTest, PreviewsEditsAndSavesAVersion3ArchiveInItsVersionAndConvertsWithSaveAs)
{
    const std::string v3Path = MakeFile("v3.far", test::VersionedArchive("3", {{"Art\\house.bmp", sample::HouseBmp8(), true, 1, 0x10},
                                                                                   {"Text\\read.txt", std::string(2000, 'r'), true, 3, 0x20}}));
    script.arguments.push_back(v3Path);
    Start();
    Select(0);
    EXPECT_EQ(Shown(), "image"); // a compressed bitmap
    Select(1);
    Command(cmd::FileEntryEdit);
    dlg->HexViewer().ConvertRange(0, 3, ttAnsi, ttEBCDIC);
    const std::string edited = dlg->HexViewer().GetAsText();
    Command(cmd::FileSave);
    EXPECT_TRUE(script.errors.empty());
    Select(1);
    const Strings details = Lines(dlg->DetailsListBox());
    EXPECT_EQ(Strings(details.begin() + 6, details.end()),
              (Strings{"State: Original Entry", "Type ID: 3", "File ID: 0x00000020", "Compressed: Yes"}));

    // Save As offers the archive's type and converts to the one chosen.
    saveDialog.types = {2};
    SaveAs("converted.far");
    EXPECT_EQ(saveDialog.shownTypes, std::vector<int>{3});
    EXPECT_EQ(Lines(dlg->DetailsListBox()).back(), "Format: 1b (16-bit name lengths)");
    CloseWindow();
    for (const auto& [path, format] : {std::pair{v3Path, ff3}, std::pair{folder + "converted.far", ff1b}}) {
        TFarArchive saved;
        ASSERT_TRUE(saved.Open(path)) << saved.LastError();
        EXPECT_EQ(saved.Format, format);
        ASSERT_TRUE(saved.ExtractToTemp(1));
        EXPECT_EQ(ReadBytes(saved.TempFileName()), edited) << path;
        EXPECT_EQ(saved.Entries[1].Compressed, format == ff3) << path;
        saved.DeleteTempFile();
    }
}

} // namespace
} // namespace kelvo
