// The main window created in this process, driven through its handler and
// commands, with a script answering every question it asks.
#include "app/commands.h"
#include "app/far_dlg.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tools/sample/sample_archive.h"

#include <gtest/gtest.h>

#include <deque>

namespace kelvo {
namespace {

// Answers the window's and the handler's questions from a script and
// records what was asked.
class Script : public TFileMenuServices, public TFarDlgServices {
public:
    std::deque<TSaveAnswer> answers;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    std::vector<std::string> arguments{"kelvo.exe"};

    TSaveAnswer AskSaveChanges(const std::string& text, const std::string&) override
    {
        questions.push_back(text);
        if (answers.empty())
            return TSaveAnswer::saCancel;
        TSaveAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowNotFound(const std::string& text) override { messages.push_back(text); }
    bool FileExists(const std::string& name) override { return platform::FileExists(name); }
    int ParamCount() override { return static_cast<int>(arguments.size()) - 1; }
    std::string ParamStr(int index) override
    {
        return index < static_cast<int>(arguments.size()) ? arguments[static_cast<std::size_t>(index)] : "";
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

class ScriptedDialog : public TFileDialog {
public:
    std::deque<std::string> names; // empty string: cancelled
    std::string preset;
    std::string GetFileName() const override { return name_; }
    void SetFileName(const std::string& name) override { preset = name_ = name; }
    bool Execute() override
    {
        if (names.empty())
            return false;
        name_ = names.front();
        names.pop_front();
        return !name_.empty();
    }

private:
    std::string name_;
};

class FarDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = platform::TempFolder() + "kelvo-dlg-" + std::to_string(platform::ProcessId()) + "\\";
        platform::MakeDirectory(folder);
        samplePath = folder + "sample.far";
        WriteAll(samplePath, sample::FarImage(sample::SampleFiles()));
        // The game's install path, so no message box comes up at start.
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Maxis\\The Sims", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegSetValueExA(key, "InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\Games\\Sims"), 14);
        RegCloseKey(key);
    }
    void TearDown() override
    {
        dlg.reset();
        for (const auto& item : platform::ListDirectory(folder))
            platform::RemoveFile(folder + item.name);
        RemoveDirectoryA(folder.c_str());
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
    std::string Status(int panel) { return dlg->StatusBar().Panels().Items(panel).Text(); }

    Script script;
    ScriptedDialog openDialog;
    ScriptedDialog saveDialog;
    std::unique_ptr<TFarDlg> dlg;
    std::string folder;
    std::string samplePath;
};

TEST_F(FarDlgTest, StartsWithAnEmptyNewDocument)
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
    char caption[64];
    GetWindowTextA(dlg->Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Kelvo");
    char className[64];
    GetClassNameA(dlg->Handle(), className, sizeof className);
    EXPECT_STREQ(className, "TFarDlg");
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
    const auto header = Lines(dlg->DetailsListBox());
    ASSERT_EQ(header.size(), 4u);
    EXPECT_EQ(header[0], "FAR Header: FAR!byAZ");
    EXPECT_EQ(header[1], "Version: 1");
    EXPECT_EQ(header[2], "Directory offset: " + std::to_string(dlg->Archive().ManifestOffset));
    EXPECT_EQ(header[3], "Number of Entries: " + std::to_string(files.size()));

    const auto lines = Lines(dlg->FileListBox());
    ASSERT_EQ(lines.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& name = files[i].name;
        EXPECT_EQ(lines[i], name.substr(name.find_last_of("\\:") + 1));
    }
    EXPECT_EQ(Status(0), std::to_string(files.size()) + " files loaded.");
    EXPECT_EQ(Status(1), " ");
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);

    // View Paths relists with full names.
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::ViewPath, 0);
    const auto full = Lines(dlg->FileListBox());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(full[i], files[i].name);
    EXPECT_TRUE(GetMenuState(dlg->Menu(), cmd::ViewPath, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(FarDlgTest, FailedOpenKeepsThePreviousArchiveListedAndSaveable)
{
    Start({samplePath});
    const auto before = Lines(dlg->FileListBox());
    const std::string broken = folder + "broken.far";
    WriteAll(broken, std::string("FAR!byAZ\1\0\0\0\xFF\xFF\0\0", 16));
    openDialog.names = {broken};
    dlg->FMH().Open();
    EXPECT_EQ(Lines(dlg->FileListBox()), before);
    EXPECT_EQ(dlg->Archive().Entries.size(), before.size());
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);

    // A save now writes the archive that is still shown, entry for entry.
    dlg->FMH().Modified = true;
    const std::string original = ReadAll(samplePath);
    dlg->FMH().Save();
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_EQ(ReadAll(samplePath), original);
    EXPECT_EQ(Lines(dlg->FileListBox()), before);
}

TEST_F(FarDlgTest, SaveWritesAndReopensWithoutMarkedEntries)
{
    Start({samplePath});
    const auto before = Lines(dlg->FileListBox());
    ASSERT_GE(before.size(), 3u);
    dlg->Archive().Entries[1].State = esDeleted;
    dlg->FMH().Modified = true;
    const std::string copy = folder + "copy.far";
    saveDialog.names = {copy};
    dlg->FMH().SaveAs();
    auto after = Lines(dlg->FileListBox());
    auto expected = before;
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(after, expected);
    EXPECT_EQ(dlg->FMH().FileName(), copy);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[1], "Version: 1");
    EXPECT_EQ(Status(0), std::to_string(expected.size()) + " files loaded.");

    // Saving again over the file the window holds open.
    dlg->Archive().Entries[0].State = esDeleted;
    dlg->FMH().Modified = true;
    dlg->FMH().Save();
    expected.erase(expected.begin());
    EXPECT_EQ(Lines(dlg->FileListBox()), expected);
    EXPECT_FALSE(dlg->FMH().Modified);
}

TEST_F(FarDlgTest, ExitQuestionAnswers)
{
    Start({samplePath});
    const std::size_t count = dlg->Archive().Entries.size();
    dlg->FMH().Modified = true;

    script.answers = {TSaveAnswer::saCancel};
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileExit, 0);
    EXPECT_TRUE(IsWindow(dlg->Handle()));
    EXPECT_EQ(dlg->Archive().Entries.size(), count);

    // No, then Cancel at the window's own close question: still open and intact.
    script.answers = {TSaveAnswer::saNo, TSaveAnswer::saCancel};
    SendMessageA(dlg->Handle(), WM_COMMAND, cmd::FileExit, 0);
    EXPECT_TRUE(IsWindow(dlg->Handle()));
    EXPECT_EQ(dlg->Archive().Entries.size(), count);
    EXPECT_TRUE(dlg->Archive().Handle.IsOpen());
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

TEST_F(FarDlgTest, MessagePanelFollowsTheWindowWidth)
{
    Start();
    SetWindowPos(dlg->Handle(), nullptr, 0, 0, 1000, 540, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(dlg->StatusBar().Panels().Items(0).Width(), 800);
    SetWindowPos(dlg->Handle(), nullptr, 0, 0, 999, 540, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(dlg->StatusBar().Panels().Items(0).Width(), 799);
}

TEST_F(FarDlgTest, LayoutKeepsTheDetailsListAtLeast124High)
{
    Start();
    RECT details{};
    GetWindowRect(dlg->DetailsListBox().Handle(), &details);
    EXPECT_EQ(details.bottom - details.top, TFarDlg::kDetailsHeight);
    RECT list{};
    GetWindowRect(dlg->FileListBox().Handle(), &list);
    EXPECT_EQ(list.right - list.left, TFarDlg::kListWidth);
    EXPECT_EQ(dlg->ToolBar1().ToolTip(cmd::FileNew), "New");
    EXPECT_EQ(dlg->ToolBar1().ToolTip(cmd::ViewHex), "View as Text");
    EXPECT_TRUE(dlg->ToolBar1().Checked(cmd::ViewText));
    EXPECT_FALSE(dlg->ToolBar1().Checked(cmd::ViewHex));
}

} // namespace
} // namespace kelvo
