// Adding, marking and extracting entries in the main window as a user does
// it: menu and tool bar commands, the Delete key, the Add File dialog
// answered from a script and the real folder dialog answered as it opens.
#include "app/far_text.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tests/win32/folder_dialog_answers.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/sample_archive.h"

#include <filesystem>
#include <tuple>

namespace kelvo {
namespace {

using BrowseSeen = test::FolderDialogAnswers::Seen;

class FarDlgEntriesTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        files = sample::SampleFiles();
        samplePath = folder + "sample.far";
        WriteBytes(samplePath, sample::FarImage(files));
        script.arguments.push_back(samplePath);
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->FMH().SaveDialog = &saveDialog;
        dlg->UseFileAddDialog(addDialog);
        dlg->Show(SW_SHOWNOACTIVATE);
        browse = std::make_unique<test::FolderDialogAnswers>(dlg->BrowseDirectoryDlg());
    }
    void TearDown() override
    {
        CloseWindow();
        FarDlgFixture::TearDown();
    }
    // Closes the window (which lets go of the archive it holds) and its dialogs' answers.
    void CloseWindow()
    {
        browse.reset();
        dlg.reset();
    }

    // Writes a file below the test's folder, making its folders.
    std::string MakeFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = folder + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteBytes(path, bytes);
        return path;
    }
    std::string DetailLine(int line) { return Lines(dlg->DetailsListBox()).at(static_cast<std::size_t>(line)); }
    std::size_t Count() { return static_cast<std::size_t>(dlg->FileListBox().Count()); }

    std::vector<sample::SampleFile> files;
    std::string samplePath;
    ScriptedDialog addDialog, saveDialog;
    std::unique_ptr<test::FolderDialogAnswers> browse;
};

TEST_F(FarDlgEntriesTest, AddFileAppendsANewEntryAndRefusesFarFiles)
{
    const std::string added = MakeFile("Data\\a.bmp", sample::SkyBmp565());
    ASSERT_FALSE(dlg->FMH().Modified);
    addDialog.names = {added};
    Command(cmd::FileEntryAddFile);
    ASSERT_EQ(Count(), files.size() + 1);
    EXPECT_EQ(dlg->FileListBox().Text(static_cast<int>(files.size())), "a.bmp");
    EXPECT_TRUE(dlg->FMH().Modified);
    Select(static_cast<int>(files.size()));
    auto details = Lines(dlg->DetailsListBox());
    details.resize(7);
    EXPECT_EQ(details, (std::vector<std::string>{"Entry #: " + std::to_string(files.size() + 1), "Filename: a.bmp",
                                                 "Full Name: " + added,
                                                 "Raw Size: " + std::to_string(sample::SkyBmp565().size()),
                                                 "Compressed Size: " + std::to_string(sample::SkyBmp565().size()),
                                                 "File Offset: 0", "State: New Entry"}));

    // FAR files in any letter case are refused with the box, and nothing is added.
    for (const char* name : {"x.FAR", "x.far", "x.Far"})
        addDialog.names.push_back(MakeFile(name, "FAR!byAZ"));
    for (int i = 0; i < 3; ++i)
        Click(cmd::FileEntryAddFile);
    EXPECT_EQ(script.errors, std::vector<std::string>(3, "Error: Sorry, adding FAR files to FAR files is not allowed!"));
    // A cancelled dialog adds nothing either.
    Command(cmd::FileEntryAddFile);
    EXPECT_EQ(Count(), files.size() + 1);
    EXPECT_EQ(dlg->Archive().Entries.size(), files.size() + 1);

    // The change is a reason for the save question.
    script.answers = {TSaveAnswer::saCancel};
    Command(cmd::FileNew);
    EXPECT_EQ(script.questions, std::vector<std::string>{"File " + samplePath + " has changed. Save Changes?"});
    EXPECT_EQ(Count(), files.size() + 1);
}

TEST_F(FarDlgEntriesTest, AddDirectoryWalksTheTreeDepthFirstAndSkipsFarFiles)
{
    const std::string a = MakeFile("tree\\a.txt", "a");
    const std::string b = MakeFile("tree\\sub\\b.txt", "bb");
    const std::string c = MakeFile("tree\\sub\\deeper\\c.txt", "ccc");
    MakeFile("tree\\skipped.far", "FAR!byAZ");
    MakeFile("tree\\sub\\SKIPPED.FAR", "FAR!byAZ");
    const std::string hidden = MakeFile("tree\\sub\\deeper\\hidden\\h.txt", "h");
    SetFileAttributesA((folder + "tree\\sub\\deeper\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);

    browse->answers = {folder + "tree"};
    Click(cmd::FileEntryAddDir);
    ASSERT_EQ(browse->seen.size(), 1u);
    EXPECT_EQ(std::get<0>(browse->seen[0]), "Choose Folder");
    EXPECT_EQ(std::get<1>(browse->seen[0]), "Select folder for importing into FAR file");
    std::vector<std::string> names;
    for (std::size_t i = files.size(); i < dlg->Archive().Entries.size(); ++i)
        names.push_back(std::string(dlg->Archive().Entries[i].Text()));
    EXPECT_EQ(names, (std::vector<std::string>{a, b, c, hidden}));
    EXPECT_EQ(Count(), files.size() + 4);
    EXPECT_EQ(Status(0), std::to_string(files.size() + 4) + " files loaded.");
    EXPECT_TRUE(dlg->FMH().Modified);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Cancelled: nothing is added, the list is not refilled, and the next
    // dialog starts where the last one left (nothing, after a cancel).
    SetFocus(dlg->FileListBox().Handle());
    Select(2);
    Command(cmd::FileEntryAddDir);
    EXPECT_EQ(dlg->Archive().Entries.size(), files.size() + 4);
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), 2);
    ASSERT_EQ(browse->seen.size(), 2u);
    EXPECT_EQ(std::get<2>(browse->seen[1]), folder + "tree");
}

TEST_F(FarDlgEntriesTest, DeleteTogglesTheMarkByButtonMenuAndKey)
{
    // Nothing selected: nothing happens.
    Command(cmd::FileEntryDeleteFile);
    SendMessageA(dlg->FileListBox().Handle(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_FALSE(dlg->FMH().Modified);

    Select(1);
    Click(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: Marked for Deletion");
    EXPECT_TRUE(dlg->FMH().Modified);
    EXPECT_EQ(dlg->FileListBox().Text(1), Lines(dlg->FileListBox())[1]);
    SendMessageA(dlg->FileListBox().Handle(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(DetailLine(6), "State: Original Entry");
    EXPECT_TRUE(dlg->FMH().Modified);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: Marked for Deletion");

    // An added entry unmarked is new again.
    addDialog.names = {MakeFile("new.txt", "new")};
    Command(cmd::FileEntryAddFile);
    Select(static_cast<int>(files.size()));
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: New Entry");

    // Saving writes the entries that are not marked, and the list shows them.
    saveDialog.names = {folder + "saved.far"};
    dlg->FMH().SaveAs();
    EXPECT_TRUE(script.errors.empty());
    EXPECT_FALSE(dlg->FMH().Modified);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (i != 1)
            expected.push_back(std::string(AfterLastSeparator(files[i].name)));
    expected.push_back("new.txt");
    EXPECT_EQ(Lines(dlg->FileListBox()), expected);
    CloseWindow(); // the window holds the file open, shared with nobody
    TFarArchive saved;
    ASSERT_TRUE(saved.Open(folder + "saved.far"));
    ASSERT_EQ(saved.Entries.size(), files.size());
    EXPECT_EQ(saved.Entries[1].Text(), files[2].name);
}

TEST_F(FarDlgEntriesTest, ExtractFileWritesTheSelectedEntryBelowTheChosenFolder)
{
    // A marked entry is not extracted, and no dialog asks.
    Select(4);
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileEntryExportFile);
    EXPECT_TRUE(browse->seen.empty());
    Command(cmd::FileEntryDeleteFile);

    const std::string out = folder + "out";
    std::filesystem::create_directories(out);
    browse->answers = {out};
    Click(cmd::FileEntryExportFile);
    ASSERT_EQ(browse->seen.size(), 1u);
    EXPECT_EQ(browse->seen[0], BrowseSeen("Choose Folder", "Select folder for exporting file to", folder));
    EXPECT_EQ(test::FileContents(out + "\\" + files[4].name), files[4].data);
    EXPECT_EQ(Status(0), "1 file extracted.");

    // Cancelled: nothing is written and the status stays.
    Select(0);
    Command(cmd::FileEntryExportFile);
    EXPECT_EQ(test::FileContents(out + "\\" + files[0].name), "missing");
    EXPECT_EQ(Status(0), "1 file extracted.");
}

TEST_F(FarDlgEntriesTest, ExtractDirectoryWritesEveryUnmarkedEntryAndCountsThem)
{
    for (int marked : {2, 5}) {
        Select(marked);
        Command(cmd::FileEntryDeleteFile);
    }
    const std::string out = folder + "all";
    std::filesystem::create_directories(out);
    // Made before any folder dialog opens: Wine's shell shows a folder's
    // subfolders as it first listed them in this process.
    const std::string again = folder + "again";
    std::filesystem::create_directories(again + "\\" + files[6].name); // a folder in the file's place
    browse->answers = {out};
    Click(cmd::FileEntryExportDir);
    ASSERT_EQ(browse->seen.size(), 1u);
    EXPECT_EQ(browse->seen[0], BrowseSeen("Choose Folder", "Select folder for exporting files to", folder));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = out + "\\" + files[i].name;
        EXPECT_EQ(test::FileContents(path), i == 2 || i == 5 ? "missing" : files[i].data) << path;
    }
    EXPECT_EQ(Status(0), std::to_string(files.size() - 2) + " files extracted.");
    EXPECT_EQ(Status(1), " ");
    EXPECT_EQ(dlg->StatusBar().Panels().Items(1).GaugeAttrs().Position(), 0);

    // A cancelled dialog leaves the status bar alone.
    Command(cmd::FileEntryExportDir);
    EXPECT_EQ(Status(0), std::to_string(files.size() - 2) + " files extracted.");

    // An entry that cannot be written is listed with its reason; the rest are written.
    browse->answers = {again};
    script.errors.clear();
    Command(cmd::FileEntryExportDir);
    EXPECT_EQ(Status(0), ExtractedWithFailuresText(files.size() - 3, 1));
    EXPECT_EQ(Status(1), " ");
    EXPECT_EQ(test::FileContents(again + "\\" + files[4].name), files[4].data);
    EXPECT_EQ(test::FileContents(again + "\\" + files[7].name), files[7].data);
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0].rfind("Kelvo: This entry could not be extracted:\n\n" + files[6].name + ": ", 0), 0u)
        << script.errors[0];

    // An empty archive still asks, then reports none.
    script.answers = {TSaveAnswer::saNo};
    Command(cmd::FileNew);
    browse->answers = {out};
    Command(cmd::FileEntryExportDir);
    EXPECT_EQ(browse->seen.size(), 4u);
    EXPECT_EQ(Status(0), "0 files extracted.");
}

TEST_F(FarDlgEntriesTest, FailedSaveSaysWhyAndKeepsTheChanges)
{
    Select(0);
    Command(cmd::FileEntryDeleteFile);
    const std::string target = folder + "missing\\saved.far";
    saveDialog.names = {target};
    dlg->FMH().SaveAs();
    ASSERT_EQ(script.errors.size(), 1u);
    const std::string start = "Kelvo: Kelvo could not save " + target + ". The file on disk is unchanged.\n\nNo new";
    EXPECT_EQ(script.errors[0].substr(0, start.size()), start);
    EXPECT_TRUE(dlg->FMH().Modified);
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);
    EXPECT_EQ(DetailLine(6), "State: Marked for Deletion");
    CloseWindow();
    EXPECT_EQ(ReadBytes(samplePath), sample::FarImage(files));
}

TEST_F(FarDlgEntriesTest, AReadOnlyArchiveOpensListsAndExtractsAndIsSavedUnderANewNameOnly)
{
    const std::string readOnly = folder + "ro.far";
    const std::string image = sample::FarImage(files);
    WriteBytes(readOnly, image);
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    ScriptedDialog openDialog;
    openDialog.names = {readOnly};
    dlg->FMH().OpenDialog = &openDialog;
    dlg->FMH().Open();
    EXPECT_TRUE(script.errors.empty());
    EXPECT_EQ(dlg->FMH().FileName(), readOnly);
    ASSERT_EQ(Count(), files.size());
    EXPECT_EQ(Status(0), std::to_string(files.size()) + " files loaded.");

    const std::string out = folder + "out";
    std::filesystem::create_directories(out);
    browse->answers = {out};
    Command(cmd::FileEntryExportDir);
    EXPECT_EQ(Status(0), std::to_string(files.size()) + " files extracted.");
    EXPECT_EQ(test::FileContents(out + "\\" + files[4].name), files[4].data);

    // Save over it fails before anything is written, and says why.
    Select(1);
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileSave);
    EXPECT_EQ(script.errors, std::vector<std::string>{"Kelvo: Kelvo could not save " + readOnly +
                                                      ". The file on disk is unchanged.\n\nThe file " + readOnly +
                                                      " is read-only."});
    EXPECT_TRUE(dlg->FMH().Modified);
    EXPECT_EQ(ReadBytes(readOnly), image);

    // Save As a new name writes the changes and goes on with that file.
    const std::string copy = folder + "copy.far";
    saveDialog.names = {copy};
    Command(cmd::FileSaveAs);
    EXPECT_EQ(script.errors.size(), 1u);
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_EQ(dlg->FMH().FileName(), copy);
    EXPECT_EQ(Count(), files.size() - 1);
    CloseWindow();
    EXPECT_EQ(ReadBytes(readOnly), image);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
} // namespace kelvo
