// The main window created in this process, driven through its handler and
// commands, with a script answering every question it asks.
#include "app/commands.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tests/win32/window_search.h"
#include "tools/sample/sample_archive.h"

namespace kelvo {
namespace {

class FarDlgTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        samplePath = folder + "sample.far";
        WriteBytes(samplePath, sample::FarImage(sample::SampleFiles()));
    }
    // Creates the window and shows it, which runs the handler's start-up.
    void Start(std::vector<std::string> args = {})
    {
        script.arguments.insert(script.arguments.end(), args.begin(), args.end());
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->FMH().OpenDialog = &openDialog;
        dlg->FMH().SaveDialog = &saveDialog;
        dlg->Show(SW_SHOWNOACTIVATE);
    }
    ScriptedDialog openDialog;
    ScriptedDialog saveDialog;
    std::string samplePath;
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
    Start({samplePath});
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
    Start({samplePath});
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
    Start({samplePath});
    const TFarArchive* archive = &dlg->Archive();
    const auto before = Lines(dlg->FileListBox());
    // Catalog.txt's bytes replaced from a file, Chair.iff marked.
    ScriptedDialog replaceDialog;
    dlg->UseFileReplaceDialog(replaceDialog);
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
    Start({samplePath});
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
    dlg.reset();
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

} // namespace
} // namespace kelvo
