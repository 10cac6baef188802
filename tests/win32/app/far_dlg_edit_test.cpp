// Editing an entry's bytes in the main window: Edit Entry and Revert Entry
// from the menus, the edit ending on the commands that leave it, the entry's
// state, the menus' enabling and the save question. The bytes are changed
// through the hex view's own code conversion here; typing is tested with
// the hex view's keys.
#include "app/far_text.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tools/sample/sample_archive.h"

#include <filesystem>

namespace kelvo {
namespace {

constexpr int kText = 5;  // Text\Neighborhood.txt
constexpr int kOther = 0; // ReadMe.txt
constexpr int kIff = 1;   // Objects\Chair.iff

class FarDlgEditTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        files = sample::SampleFiles();
        samplePath = folder + "sample.far";
        WriteBytes(samplePath, sample::FarImage(files));
        script.arguments.push_back(samplePath);
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->Show(SW_SHOWNOACTIVATE);
    }

    std::string DetailLine(int line) { return Lines(dlg->DetailsListBox()).at(static_cast<std::size_t>(line)); }
    // Whether a command's item is enabled in the main menu and in the entry list's pop-up menu.
    bool MenuEnabled(int command)
    {
        const UINT main = GetMenuState(GetMenu(dlg->Handle()), static_cast<UINT>(command), MF_BYCOMMAND);
        EXPECT_NE(main, static_cast<UINT>(-1));
        return !(main & (MF_GRAYED | MF_DISABLED));
    }
    bool HexViewShown() { return IsWindowVisible(dlg->HexViewer().Handle()) != FALSE; }
    // Ctrl and a key pressed in the focused window, through the message
    // loop's path: the window's shortcuts first.
    void PressCtrl(char key)
    {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        MSG message{GetFocus(), WM_KEYDOWN, static_cast<WPARAM>(key), 0, 0, {}};
        if (!dlg->TranslateAccelerator(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
    // Edits the selected entry, changing its first four bytes as the hex
    // view's code conversion does; the view's bytes afterwards.
    std::string EditFirstBytes()
    {
        Command(cmd::FileEntryEdit);
        dlg->HexViewer().ConvertRange(0, 3, ttAnsi, ttEBCDIC);
        return dlg->HexViewer().GetAsText();
    }

    std::vector<sample::SampleFile> files;
    std::string samplePath;
};

TEST_F(FarDlgEditTest, EditEntryOpensTheEntryForEditingWhenOneNotMarkedIsSelected)
{
    char text[64] = {};
    GetMenuStringA(GetMenu(dlg->Handle()), cmd::FileEntryEdit, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Edit Entry\tCtrl+E");
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryEdit));
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryRevert));
    Command(cmd::FileEntryEdit);
    EXPECT_EQ(dlg->EditPosition(), -1);

    // An IFF resource, which has no preview, is edited as bytes.
    Select(kIff);
    EXPECT_TRUE(MenuEnabled(cmd::FileEntryEdit));
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryRevert));
    EXPECT_FALSE(HexViewShown());
    SetFocus(dlg->FileListBox().Handle());
    PressCtrl('E');
    EXPECT_EQ(dlg->EditPosition(), kIff);
    EXPECT_TRUE(HexViewShown());
    EXPECT_FALSE(dlg->HexViewer().ReadOnlyView);
    EXPECT_TRUE(dlg->HexViewer().AllowInsertMode());
    EXPECT_EQ(GetFocus(), dlg->HexViewer().Handle());
    EXPECT_EQ(dlg->HexViewer().Col(), 2); // the caret on the first byte's first digit
    EXPECT_EQ(dlg->HexViewer().GetAsText(), files[kIff].data);
    EXPECT_EQ(Status(0), "Editing Objects\\Chair.iff");

    // Leaving unchanged keeps the entry as it was, and the view read-only.
    Select(kText);
    EXPECT_EQ(dlg->EditPosition(), -1);
    EXPECT_TRUE(dlg->HexViewer().ReadOnlyView);
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_EQ(dlg->Archive().Entries[kIff].State, esOriginal);

    // A marked entry cannot be edited.
    Command(cmd::FileEntryDeleteFile);
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryEdit));
    Command(cmd::FileEntryEdit);
    EXPECT_EQ(dlg->EditPosition(), -1);
    // Refilling the list leaves nothing selected.
    Command(cmd::ViewPath);
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryEdit));
}

TEST_F(FarDlgEditTest, ChangedBytesBecomeTheEntrysDataAndRevertGivesTheArchivesBack)
{
    const std::string& original = files[kText].data;
    Select(kText);
    const std::string changed = EditFirstBytes();
    ASSERT_NE(changed, original);
    EXPECT_FALSE(dlg->FMH().Modified);

    // Moving to another entry ends the edit: the entry has the new bytes.
    Select(kOther);
    EXPECT_TRUE(dlg->FMH().Modified);
    EXPECT_EQ(Status(0), "Changed Text\\Neighborhood.txt");
    Select(kText);
    EXPECT_EQ(DetailLine(3), "Raw Size: " + std::to_string(changed.size()));
    EXPECT_EQ(DetailLine(6), "State: Changed Entry");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), changed);
    EXPECT_TRUE(dlg->HexViewer().ReadOnlyView);
    EXPECT_TRUE(MenuEnabled(cmd::FileEntryRevert));

    // A later edit starts from the new bytes.
    Command(cmd::FileEntryEdit);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), changed);
    Select(kOther);
    Select(kText);

    // Marked and unmarked, it is changed again.
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: Marked for Deletion");
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryRevert));
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: Changed Entry");

    Command(cmd::FileEntryRevert);
    EXPECT_EQ(DetailLine(6), "State: Original Entry");
    EXPECT_EQ(DetailLine(3), "Raw Size: " + std::to_string(original.size()));
    EXPECT_EQ(dlg->HexViewer().GetAsText(), original);
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryRevert));

    // Bytes changed and changed back are no change.
    Command(cmd::FileEntryEdit);
    dlg->HexViewer().ConvertRange(0, 3, ttAnsi, ttEBCDIC);
    dlg->HexViewer().ConvertRange(0, 3, ttEBCDIC, ttAnsi);
    Select(kOther);
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esOriginal);
}

TEST_F(FarDlgEditTest, BytesThatCannotBeKeptStayInTheEditAfterAMessage)
{
    // A file in the place of this run's folder: no data file can be made.
    const std::string editFolder = platform::TempFolder() + "kelvo-edit-" + std::to_string(platform::ProcessId());
    WriteBytes(editFolder, "in the way");
    Select(kText);
    const std::string changed = EditFirstBytes();
    Select(kOther);
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0], "Kelvo: " + EditNotKeptText(dlg->Archive().Entries[kText]));
    EXPECT_EQ(dlg->EditPosition(), kText);
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), kText);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), changed);
    EXPECT_FALSE(dlg->FMH().Modified);

    platform::RemoveFile(editFolder);
    Select(kOther);
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esChanged);
    EXPECT_TRUE(dlg->FMH().Modified);
}

TEST_F(FarDlgEditTest, TheSaveQuestionComesUpAndSaveWritesTheEditedEntry)
{
    Select(kText);
    const std::string changed = EditFirstBytes();
    // Exit ends the edit first, so the question comes up; cancelled, the
    // entry is changed and shown with its new bytes.
    script.answers = {TSaveAnswer::saCancel};
    Command(cmd::FileExit);
    ASSERT_EQ(script.questions, std::vector<std::string>{"File " + samplePath + " has changed. Save Changes?"});
    ASSERT_TRUE(IsWindow(dlg->Handle()));
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esChanged);
    EXPECT_TRUE(HexViewShown());
    EXPECT_EQ(dlg->HexViewer().GetAsText(), changed);

    // Save while an edit runs keeps its bytes too; after the reload the
    // entries are ordinary ones.
    Select(kOther);
    const std::string other = EditFirstBytes();
    Command(cmd::FileSave);
    EXPECT_TRUE(script.errors.empty());
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esOriginal);
    const std::string editFolder = platform::TempFolder() + "kelvo-edit-" + std::to_string(platform::ProcessId());
    EXPECT_TRUE(platform::ListDirectory(editFolder + "\\").empty());
    dlg.reset(); // the window holds the archive open
    EXPECT_FALSE(platform::DirectoryExists(editFolder));

    files[kText].data = changed;
    files[kOther].data = other;
    EXPECT_EQ(ReadBytes(samplePath), sample::FarImage(files));
}

// Typing into the hex view while an entry is edited: hex digits, the
// Insert key and Ctrl+Z, as the keyboard sends them to the focused view.
class FarDlgEditTypingTest : public FarDlgEditTest {
protected:
    void Type(const std::string& characters)
    {
        for (char c : characters)
            SendMessageA(dlg->HexViewer().Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
};

TEST_F(FarDlgEditTypingTest, TwoDigitsOverwriteAByteAndCtrlZTakesATypedByteBack)
{
    const std::string& original = files[kText].data;
    Select(kText);
    SetFocus(dlg->FileListBox().Handle());
    PressCtrl('E');
    Type("41");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "A" + original.substr(1));
    Select(kOther);
    Select(kText);
    EXPECT_EQ(DetailLine(6), "State: Changed Entry");
    EXPECT_EQ(DetailLine(3), "Raw Size: " + std::to_string(original.size()));
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "A" + original.substr(1));
    EXPECT_TRUE(dlg->FMH().Modified);

    // Undone before leaving, the second byte keeps what it had. Typing "4"
    // over 0x41 changes nothing, so "4243" makes three undo steps.
    PressCtrl('E');
    Type("4243");
    EXPECT_EQ(dlg->HexViewer().GetAsText().substr(0, 2), "BC");
    PressCtrl('Z');
    PressCtrl('Z');
    PressCtrl('Z');
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "A" + original.substr(1));
    Select(kOther);
    Select(kText);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "A" + original.substr(1));
}

TEST_F(FarDlgEditTypingTest, InsertModeChangesTheEntrysSize)
{
    const std::string& original = files[kText].data;
    Select(kText);
    SetFocus(dlg->FileListBox().Handle());
    PressCtrl('E');
    SendMessageA(dlg->HexViewer().Handle(), WM_KEYDOWN, VK_INSERT, 0);
    EXPECT_TRUE(dlg->HexViewer().IsInsertMode());
    Type("7");
    Select(kOther);
    EXPECT_FALSE(dlg->HexViewer().IsInsertMode());
    Select(kText);
    EXPECT_EQ(DetailLine(3), "Raw Size: " + std::to_string(original.size() + 1));
    EXPECT_EQ(DetailLine(4), "Compressed Size: " + std::to_string(original.size() + 1));
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "\x70" + original);

    // Saved, the archive holds the longer entry.
    Command(cmd::FileSave);
    dlg.reset();
    files[kText].data = "\x70" + original;
    EXPECT_EQ(ReadBytes(samplePath), sample::FarImage(files));
}

} // namespace
} // namespace kelvo
