// The entry commands of the main window as a user gives them: menu and tool
// bar commands, keys, the filter box, drops on the entry list and drags out
// of it, Edit Entry and Revert Entry, with the dialogs answered from scripts
// and the real folder dialog answered as it opens.
#include "app/far_text.h"
#include "platform/path.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tests/win32/window_search.h"
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
        OpenSample();
    }
    std::size_t Count() { return static_cast<std::size_t>(dlg->FileListBox().Count()); }
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
    // What the list box tells a reader of its lines (LB_GETTEXT) stays the
    // entry's name when it is marked.
    auto line = [this] {
        char text[2048] = {};
        SendMessageA(dlg->FileListBox().Handle(), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    const std::string before = line();
    Click(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: Marked for Deletion");
    EXPECT_TRUE(dlg->FMH().Modified);
    EXPECT_FALSE(before.empty());
    EXPECT_EQ(line(), before);
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
            expected.push_back(std::string(platform::NamePart(files[i].name)));
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

TEST_F(FarDlgEntriesTest, ExtractFileWritesTheChosenEntryWhenADropArrivesWhileTheFolderDialogRuns)
{
    // Files dropped on the list while the dialog is open: the list of
    // entries grows, and moves in memory.
    const std::string droppedFile = MakeFile("dropped.txt", "dropped");
    // The drop comes while the dialog is open; the dialog is then answered
    // with the folder it starts in, the archive's own.
    auto answer = dlg->BrowseDirectoryDlg().OnCreate;
    dlg->BrowseDirectoryDlg().OnCreate = [&](ui::TObject& sender) {
        OwnedComponent<TDropFileSource> source;
        source->Files.assign(200, droppedFile);
        TDropTarget& target = dlg->DropFileTarget();
        DWORD effect = DROPEFFECT_COPY;
        target.DragEnter(source.Get(), MK_LBUTTON, POINTL{0, 0}, &effect);
        effect = DROPEFFECT_COPY;
        target.Drop(source.Get(), MK_LBUTTON, POINTL{0, 0}, &effect);
        answer(sender);
    };
    browse->answers = {folder};
    Select(4);
    Command(cmd::FileEntryExportFile);
    EXPECT_EQ(Count(), files.size() + 200);
    EXPECT_EQ(test::FileContents(folder + files[4].name), files[4].data);
    EXPECT_EQ(Status(0), "1 file extracted.");
    EXPECT_TRUE(script.errors.empty()) << script.errors.front();
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

// The entry list's filter, selections of several entries, Rename Entry,
// Replace Entry and Add Directory as Tree, driven as a user does.
class FarDlgWorkbenchTest : public FarDlgEntriesTest {
protected:
    // Types text into the filter box, a character at a time.
    void TypeFilter(const std::string& text)
    {
        for (char c : text)
            SendMessageA(dlg->FilterBox(), WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    // Presses a key in the entry list with Shift or Ctrl held as given.
    void ListKey(WORD key, BYTE modifier = 0)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        if (modifier)
            keys[modifier] = 0x80;
        SetKeyboardState(keys);
        SendMessageA(dlg->FileListBox().Handle(), WM_KEYDOWN, key, 1);
        if (modifier)
            keys[modifier] = 0;
        SetKeyboardState(keys);
    }
    std::vector<std::string> EntryNames()
    {
        std::vector<std::string> names;
        for (const TFarEntry& entry : dlg->Archive().Entries)
            names.emplace_back(entry.Text());
        return names;
    }
    // Drops files on the entry list as the platform delivers them.
    void DropOnList(const std::vector<std::string>& names)
    {
        OwnedComponent<TDropFileSource> source;
        source->Files = names;
        TDropTarget& target = dlg->DropFileTarget();
        DWORD effect = DROPEFFECT_COPY;
        target.DragEnter(source.Get(), MK_LBUTTON, POINTL{0, 0}, &effect);
        effect = DROPEFFECT_COPY;
        target.Drop(source.Get(), MK_LBUTTON, POINTL{0, 0}, &effect);
    }
};

TEST_F(FarDlgWorkbenchTest, TheFilterShowsTheMatchingEntriesAndCommandsActOnTheEntriesShown)
{
    TypeFilter("TXT");
    EXPECT_EQ(Lines(dlg->FileListBox()),
              (std::vector<std::string>{"ReadMe.txt", "Catalog.txt", "Neighborhood.txt", "readme.txt"}));
    EXPECT_EQ(Status(0), "4 of 15 entries");

    // Each line is its own entry: details, marks and extraction.
    Select(2);
    EXPECT_EQ(DetailLine(2), "Full Name: Text\\Neighborhood.txt");
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: Marked for Deletion");
    Select(3);
    browse->answers = {folder}; // the archive's own, where the dialog starts
    Command(cmd::FileEntryExportFile);
    EXPECT_EQ(test::FileContents(folder + "Textures.BMP\\readme.txt"), files[13].data);

    // Added while the filter is set: shown when it matches.
    addDialog.names = {MakeFile("new.bin", "bin"), MakeFile("new.txt", "txt")};
    Command(cmd::FileEntryAddFile);
    Command(cmd::FileEntryAddFile);
    EXPECT_EQ(Lines(dlg->FileListBox()).back(), "new.txt");
    EXPECT_EQ(Status(0), "5 of 17 entries");

    // Esc clears the filter; letters of Windows-1252 match in any case; wildcards.
    SendMessageA(dlg->FilterBox(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(Count(), 17u);
    EXPECT_EQ(Status(0), "17 files loaded.");
    TypeFilter("CAF\xC9");
    EXPECT_EQ(Lines(dlg->FileListBox()), (std::vector<std::string>{"Caf\xE9Table.iff"}));
    SendMessageA(dlg->FilterBox(), WM_KEYDOWN, VK_ESCAPE, 1);
    TypeFilter("sky5*.bmp");
    EXPECT_EQ(Lines(dlg->FileListBox()), (std::vector<std::string>{"sky555.bmp", "sky565.bmp"}));

    // Saved, every mark fell on the entry it was set on.
    saveDialog.names = {folder + "saved.far"};
    Command(cmd::FileSaveAs);
    std::vector<std::string> expected;
    for (const sample::SampleFile& file : files)
        if (file.name != "Text\\Neighborhood.txt")
            expected.push_back(file.name);
    expected.push_back(folder + "new.bin");
    expected.push_back(folder + "new.txt");
    EXPECT_EQ(EntryNames(), expected);
}

TEST_F(FarDlgWorkbenchTest, SeveralSelectedEntriesAreExtractedAndMarkedTogether)
{
    Select(4);
    ListKey(VK_DOWN, VK_SHIFT);
    ListKey(VK_DOWN, VK_SHIFT);
    EXPECT_EQ(dlg->FileListBox().SelectedIndexes(), (std::vector<int>{4, 5, 6}));
    // The details follow the focused entry.
    EXPECT_EQ(DetailLine(2), "Full Name: " + files[6].name);

    browse->answers = {folder}; // the archive's own, where the dialog starts
    Command(cmd::FileEntryExportFile);
    EXPECT_EQ(browse->seen.size(), 1u);
    for (int i : {4, 5, 6})
        EXPECT_EQ(test::FileContents(folder + files[static_cast<std::size_t>(i)].name),
                  files[static_cast<std::size_t>(i)].data);
    EXPECT_EQ(Status(0), "3 files extracted.");

    ListKey(VK_DELETE);
    for (int i = 0; i < static_cast<int>(files.size()); ++i)
        EXPECT_EQ(dlg->Archive().Entries[static_cast<std::size_t>(i)].State, i >= 4 && i <= 6 ? esDeleted : esOriginal);
    Click(cmd::FileEntryDeleteFile);
    EXPECT_EQ(dlg->Archive().Entries[5].State, esOriginal);

    // Ctrl+click adds a line; Ctrl+A takes them all.
    RECT line{};
    HWND list = dlg->FileListBox().Handle();
    SendMessageA(list, LB_GETITEMRECT, 9, reinterpret_cast<LPARAM>(&line));
    const LPARAM at = MAKELPARAM(line.left + 10, (line.top + line.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
    SendMessageA(list, WM_LBUTTONUP, MK_CONTROL, at);
    EXPECT_EQ(dlg->FileListBox().SelectedIndexes(), (std::vector<int>{4, 5, 6, 9}));
    ListKey('A', VK_CONTROL);
    EXPECT_EQ(dlg->FileListBox().SelectedIndexes().size(), files.size());
}

TEST_F(FarDlgWorkbenchTest, RenameRefusesUnsafeNamesAsksAboutTakenOnesAndRevertTakesItBack)
{
    Select(4);
    script.names = {"", "..\\up.txt", "Text\\CON", "Text\\dot.", "Objects\\CHAIR.iff", "Text\\Renamed.txt"};
    for (int refused = 0; refused < 4; ++refused)
        Command(cmd::FileEntryRename);
    EXPECT_EQ(script.errors.size(), 4u);
    EXPECT_EQ(script.asked, std::vector<std::string>(4, "Text\\Catalog.txt"));
    EXPECT_FALSE(dlg->FMH().Modified);
    // A name another entry has, in any case: asked first, No keeps the old.
    script.yesNo = {false};
    Command(cmd::FileEntryRename);
    EXPECT_EQ(script.questions.back(), "An entry named Objects\\CHAIR.iff exists. Keep both?");
    EXPECT_EQ(DetailLine(2), "Full Name: Text\\Catalog.txt");
    EXPECT_FALSE(dlg->Actions().Find(cmd::FileEntryRevert)->Enabled());

    Command(cmd::FileEntryRename);
    EXPECT_EQ(DetailLine(2), "Full Name: Text\\Renamed.txt");
    EXPECT_EQ(dlg->FileListBox().Text(4), "Renamed.txt");
    EXPECT_TRUE(dlg->FMH().Modified);
    ASSERT_TRUE(dlg->Actions().Find(cmd::FileEntryRevert)->Enabled());
    Command(cmd::FileEntryRevert);
    EXPECT_EQ(DetailLine(2), "Full Name: Text\\Catalog.txt");

    // Saved, the new name is written with the entry's bytes in its place.
    script.names = {"Text\\Renamed.txt"};
    Command(cmd::FileEntryRename);
    saveDialog.names = {folder + "saved.far"};
    Command(cmd::FileSaveAs);
    ASSERT_EQ(EntryNames().at(4), "Text\\Renamed.txt");
    ASSERT_TRUE(dlg->Archive().ExtractToTemp(4));
    EXPECT_EQ(test::FileContents(dlg->Archive().TempFileName()), files[4].data);
}

TEST_F(FarDlgWorkbenchTest, ReplaceTakesTheFilesBytesAtOnceOrSaysWhyNot)
{
    Select(0);
    replaceDialog.names = {folder + "missing.bin"};
    Command(cmd::FileEntryReplace);
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_NE(script.errors[0].find("cannot be read"), std::string::npos) << script.errors[0];
    EXPECT_EQ(DetailLine(6), "State: Original Entry");

    const std::string file = MakeFile("replacement.txt", "replacement bytes");
    replaceDialog.names = {file};
    Command(cmd::FileEntryReplace);
    EXPECT_EQ(DetailLine(6), "State: Changed Entry");
    EXPECT_EQ(Status(0), "Changed ReadMe.txt");
    WriteBytes(file, "changed later");
    Command(cmd::FileEntryRevert);
    EXPECT_EQ(DetailLine(6), "State: Original Entry");
    replaceDialog.names = {file};
    Command(cmd::FileEntryReplace);
    std::filesystem::remove(file);
    saveDialog.names = {folder + "saved.far"};
    Command(cmd::FileSaveAs);
    ASSERT_TRUE(dlg->Archive().ExtractToTemp(0));
    EXPECT_EQ(test::FileContents(dlg->Archive().TempFileName()), "changed later");
}

TEST_F(FarDlgWorkbenchTest, FoldersAddedAsTreesAndDroppedAreNamedBelowTheirParent)
{
    MakeFile("Mods\\UIGraphics\\Panel\\Back.bmp", "back");
    MakeFile("Mods\\UIGraphics\\Cursor.bmp", "cursor");
    MakeFile("Mods\\UIGraphics\\skip.far", "far");
    MakeFile("Drop\\Objects\\Lamp.iff", "lamp");
    const std::string loose = MakeFile("loose.txt", "loose");
    browse->answers = {folder + "Mods\\UIGraphics"};
    Command(cmd::FileEntryAddTree);
    DropOnList({folder + "Drop\\Objects", loose});
    std::vector<std::string> names = EntryNames();
    names.erase(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(files.size()));
    EXPECT_EQ(names, (std::vector<std::string>{"UIGraphics\\Cursor.bmp", "UIGraphics\\Panel\\Back.bmp",
                                               "Objects\\Lamp.iff", loose}));
    saveDialog.names = {folder + "saved.far"};
    Command(cmd::FileSaveAs);
    ASSERT_TRUE(dlg->Archive().ExtractToTemp(static_cast<int>(files.size()) + 1));
    EXPECT_EQ(test::FileContents(dlg->Archive().TempFileName()), "back");
}

// Marks the left mouse button held or released in this thread's key state,
// which the drag loop reads.
void SetLeftButton(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_LBUTTON] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Lets go of the button should the file manager never see the drag, so a
// failing test ends instead of waiting in the drag loop.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    SetLeftButton(false);
}

// A window standing in for the file manager: it reads the offered file list
// at the drop and copies the files' bytes later, once the drop has returned.
class FileManagerWindow {
public:
    explicit FileManagerWindow(POINT at)
        : window_(CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_BORDER | SS_NOTIFY, at.x, at.y, 200, 200,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr))
    {
        target_->Dragtypes = TDragTypes{dtCopy};
        // The file manager has seen the drag over it: the user lets go.
        target_->OnDragOver = [](TDropTarget&, TShiftState, POINT, DWORD&) { SetLeftButton(false); };
        target_->OnDrop = [this](TDropTarget&, TShiftState, POINT, DWORD& effect) {
            dropped = target_->Files;
            effect = DROPEFFECT_COPY;
        };
        target_->Register(window_.Get(), "FileManager");
    }
    ~FileManagerWindow() { target_->Unregister(); }

    POINT Centre() const
    {
        RECT rect{};
        GetWindowRect(window_.Get(), &rect);
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }

    // The dropped files' names and bytes.
    std::vector<std::pair<std::string, std::string>> Received() const
    {
        std::vector<std::pair<std::string, std::string>> received;
        for (const std::string& name : dropped)
            received.emplace_back(std::string(platform::NamePart(name)), test::FileContents(name));
        return received;
    }

    std::vector<std::string> dropped;

private:
    ui::OwnedWindow window_;
    OwnedComponent<TDropFileTarget> target_;
};

class FarDlgDragTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        OpenSample(sample::SampleFiles(), SW_SHOWNORMAL);
        RECT window{};
        GetWindowRect(dlg->Handle(), &window);
        manager = std::make_unique<FileManagerWindow>(POINT{window.right + 10, window.top});
    }
    void TearDown() override
    {
        manager.reset();
        FarDlgFixture::TearDown();
    }

    // Presses the left button on an entry's line and moves the pointer away
    // with it held (the pointer rests over the file manager, where the drag
    // goes), until the drag is over.
    void DragEntry(int position) { DragEntry(position, manager->Centre()); }
    // The same onto a point of the screen.
    void DragEntry(int position, POINT target)
    {
        HWND list = dlg->FileListBox().Handle();
        RECT line{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&line));
        SetCursorPos(target.x, target.y);
        SetLeftButton(true);
        POINT away = target;
        ScreenToClient(list, &away);
        PostMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(away.x, away.y));
        const UINT_PTR timer = SetTimer(nullptr, 0, test::kPatience, GiveUp);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(line.left + 10, (line.top + line.bottom) / 2));
        KillTimer(nullptr, timer);
        SetLeftButton(false);
        ui::ProcessMessages();
    }
    static std::size_t DragFolders() { return TempItems(kDragFolderPrefix).size(); }

    std::unique_ptr<FileManagerWindow> manager;
};

TEST_F(FarDlgDragTest, TheSelectedEntryArrivesUnderItsNameWithItsBytesAndNothingStaysBehind)
{
    const std::size_t folders = DragFolders();
    Select(4); // Text\Catalog.txt
    DragEntry(4);
    // The file manager copies after the drop has returned.
    const auto received = manager->Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].first, "Catalog.txt");
    EXPECT_EQ(received[0].second, files[4].data);
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), 4);
    EXPECT_FALSE(dlg->FMH().Modified);
    CloseWindow();
    EXPECT_EQ(DragFolders(), folders);
}

TEST_F(FarDlgDragTest, AnEntryDroppedOnTheEntryListIsAddedWithItsBytes)
{
    // The user lets go over the entry list itself.
    dlg->DropFileTarget().OnDragOver = [](TDropTarget&, TShiftState, POINT, DWORD&) { SetLeftButton(false); };
    HWND list = dlg->FileListBox().Handle();
    RECT first{};
    SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    POINT over{first.left + 10, first.top + 3};
    ClientToScreen(list, &over);
    Select(4);
    DragEntry(4, over);
    ASSERT_EQ(dlg->Archive().Entries.size(), files.size() + 1);
    EXPECT_EQ(platform::NamePart(dlg->Archive().Entries.back().Text()), "Catalog.txt");
    EXPECT_TRUE(dlg->FMH().Modified);

    // The drag's file is gone with the drag's data; the save stores the bytes.
    ScriptedDialog saveDialog;
    saveDialog.names = {folder + "saved.far"};
    dlg->FMH().SaveDialog = &saveDialog;
    Command(cmd::FileSaveAs);
    EXPECT_TRUE(script.errors.empty()) << script.errors.front();
    EXPECT_FALSE(dlg->FMH().Modified);
    ASSERT_EQ(dlg->Archive().Entries.size(), files.size() + 1);
    ASSERT_TRUE(dlg->Archive().ExtractToTemp(static_cast<int>(files.size())));
    EXPECT_EQ(test::FileContents(dlg->Archive().TempFileName()), files[4].data);
}

TEST_F(FarDlgDragTest, APlainClickStillSelects)
{
    Select(4);
    HWND list = dlg->FileListBox().Handle();
    auto click = [&](int position) {
        RECT line{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&line));
        const LPARAM at = MAKELPARAM(line.left + 10, (line.top + line.bottom) / 2);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ui::ProcessMessages();
    };
    click(4); // the selected line: released within the drag distance
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), 4);
    click(6);
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), 6);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[2], "Full Name: " + files[6].name);
    EXPECT_TRUE(manager->dropped.empty());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FarDlgDragTest, AnEntryMarkedForDeletionIsNotOffered)
{
    const std::size_t folders = DragFolders();
    Select(5);
    Command(cmd::FileEntryDeleteFile);
    DragEntry(5);
    EXPECT_TRUE(manager->dropped.empty());
    EXPECT_EQ(DragFolders(), folders);
}

constexpr int kText = 5;  // Text\Neighborhood.txt
constexpr int kOther = 0; // ReadMe.txt
constexpr int kIff = 1;   // Objects\Chair.iff

class FarDlgEditTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        OpenSample();
    }

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
    // A temporary folder that is a file: this run's folder of new bytes
    // cannot be made in it.
    Select(kText);
    const std::string changed = EditFirstBytes();
    char temp[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", temp, sizeof temp);
    SetEnvironmentVariableA("TMP", (MakeFile("in the way", "") + "\\").c_str());
    Select(kOther);
    SetEnvironmentVariableA("TMP", temp);
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0], "Kelvo: " + EditNotKeptText(dlg->Archive().Entries[kText]));
    EXPECT_EQ(dlg->EditPosition(), kText);
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), kText);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), changed);
    EXPECT_FALSE(dlg->FMH().Modified);

    Select(kOther);
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esChanged);
    EXPECT_TRUE(dlg->FMH().Modified);
}

TEST_F(FarDlgEditTest, TheSaveQuestionComesUpAndSaveWritesTheEditedEntry)
{
    const std::vector<std::string> editFolders = TempItems("kelvo-edit-");
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
    // This run's folder of new bytes is one of its own, empty after the save
    // and gone with the window.
    const std::vector<std::string> during = TempItems("kelvo-edit-");
    ASSERT_EQ(during.size(), editFolders.size() + 1);
    for (const std::string& name : during)
        if (std::find(editFolders.begin(), editFolders.end(), name) == editFolders.end())
            EXPECT_TRUE(platform::ListDirectory(platform::TempFolder() + name + "\\").empty());
    CloseWindow(); // the window holds the archive open
    EXPECT_EQ(TempItems("kelvo-edit-"), editFolders);

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
    CloseWindow();
    files[kText].data = "\x70" + original;
    EXPECT_EQ(ReadBytes(samplePath), sample::FarImage(files));
}

} // namespace
} // namespace kelvo
