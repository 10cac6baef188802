// The main window driven as a user drives it: start, Open, Save, Exit, the
// recent files and the about box; the entry commands by menu, tool bar, keys,
// the filter box, drops and drags; Edit and Revert Entry.
#include "app/commands.h"
#include "app/far_text.h"
#include "platform/path.h"
#include "tests/far_writer.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tests/win32/window_search.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/sample_archive.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace kelvo {
namespace {

using FarDlgTest = FarDlgFixture;
using BrowseSeen = test::FolderDialogAnswers::Seen;
using test::SetLeftButton;

class FarDlgEntriesTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        OpenSample();
    }
    std::size_t Count() { return static_cast<std::size_t>(dlg->FileListBox().Count()); }
    // Drops files on the entry list as the platform delivers them.
    void DropOnList(const Strings& names)
    {
        OwnedComponent<TDropFileSource> source;
        source->Files = names;
        DWORD effect = DROPEFFECT_COPY;
        dlg->DropFileTarget().DragEnter(source.Get(), MK_LBUTTON, POINTL{0, 0}, &effect);
        effect = DROPEFFECT_COPY;
        dlg->DropFileTarget().Drop(source.Get(), MK_LBUTTON, POINTL{0, 0}, &effect);
    }
    // Presses a key in the focused window (the entry list unless given) with
    // a modifier held, through the window's shortcuts first.
    void PressKey(WPARAM key, BYTE modifier = 0, HWND window = nullptr)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[modifier] = 0x80; // keys[0] stands for no modifier
        SetKeyboardState(keys);
        MSG message{window ? window : dlg->FileListBox().Handle(), WM_KEYDOWN, key, 1, 0, {}};
        if (!dlg->TranslateAccelerator(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        keys[modifier] = 0;
        SetKeyboardState(keys);
    }
    // A click on an entry's line, the release posted first as the list's drag detection waits for it.
    void ClickLine(int position)
    {
        HWND list = dlg->FileListBox().Handle();
        RECT line{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&line));
        const LPARAM at = MAKELPARAM(line.left + 10, (line.top + line.bottom) / 2);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ui::ProcessMessages();
    }
    std::string MakeFolder(const std::string& name)
    {
        std::filesystem::create_directories(folder + name);
        return folder + name;
    }
};

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

TEST_F(FarDlgTest, StartsEmptyListsOpenedArchivesAfterExitShowsTheAboutBoxAndReportsAMissingGame)
{
    const std::string samplePath = MakeFile("sample.far", sample::FarImage(sample::SampleFiles()));
    Start();
    EXPECT_EQ(dlg->FileListBox().Count(), 0);
    EXPECT_EQ(Status(0), "Ready");
    EXPECT_TRUE(dlg->FMH().NewFile());
    EXPECT_EQ(dlg->FAROpenDialog().InitialDir, "C:\\Games\\Sims");
    EXPECT_EQ(dlg->FARSaveDialog().InitialDir, "C:\\Games\\Sims");
    RECT details{}, list{};
    GetWindowRect(dlg->DetailsListBox().Handle(), &details);
    GetWindowRect(dlg->FileListBox().Handle(), &list);
    EXPECT_EQ(details.bottom - details.top, TFarDlg::kDetailsHeight);
    EXPECT_EQ(list.right - list.left, TFarDlg::kListWidth);
    EXPECT_TRUE(dlg->ToolBar1().Checked(cmd::ViewText));
    SetWindowPos(dlg->Handle(), nullptr, 0, 0, 999, 540, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(dlg->StatusBar().Panels().Items(0).Width(), 799); // the message panel follows the width
    SetTimer(nullptr, 0, 10, ReadAboutBox);
    Command(cmd::HelpAbout);
    EXPECT_EQ(g_aboutShown, (Strings{"Kelvo", "Version 1.0", dlg->AboutDlg().Copyright, "About Kelvo"}));
    HMENU file = GetSubMenu(dlg->Menu(), 0);
    EXPECT_TRUE(RecentItems(file).empty());
    const std::string second = MakeFile("second.far", sample::FarImage({{"only.txt", "one"}}));
    openDialog.names = {samplePath, second};
    Command(cmd::FileOpen);
    Command(cmd::FileOpen);
    EXPECT_EQ(RecentItems(file), (Strings{"-", "&1 " + second + "\tAlt+1", "&2 " + samplePath + "\tAlt+2"}));
    Command(cmd::FileRecentFirst + 1);
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);
    EXPECT_EQ(RecentItems(file), (Strings{"-", "&1 " + samplePath + "\tAlt+1", "&2 " + second + "\tAlt+2"}));
    CloseWindow(); // kept beside the program
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA("RecentFiles", "File1", "", value, sizeof value, (folder + "Kelvo.ini").c_str());
    EXPECT_EQ(std::string(value), second);
    EXPECT_TRUE(script.messages.empty());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Maxis\\The Sims");
    Start();
    EXPECT_EQ(script.messages, Strings{"The Sims Installation was not detected. Game Directory not found."});
    EXPECT_EQ(dlg->FAROpenDialog().InitialDir, "");
}

TEST_F(FarDlgEntriesTest, OpensTheCommandLinesArchiveKeepsItThroughAFailedOpenSavesAndExits)
{
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
    script.errors.clear();
    // A save keeps the archive object, now describing the saved file: held,
    // listed afresh without the marked entries, and saveable again.
    const TFarArchive* archive = &dlg->Archive();
    Strings expected = Lines(dlg->FileListBox());
    replaceDialog.names = {MakeFile("new.txt", "new bytes")};
    Select(4);
    Command(cmd::FileEntryReplace);
    Select(1);
    Command(cmd::FileEntryDeleteFile);
    SaveAs("missing\\saved.far"); // fails, says why and keeps the changes
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0].rfind("Kelvo: Kelvo could not save " + folder + "missing\\saved.far. The file on disk is unchanged.", 0), 0u);
    EXPECT_TRUE(dlg->FMH().Modified);
    EXPECT_EQ(dlg->FMH().FileName(), samplePath);
    script.errors.clear();
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
    Select(0);
    Command(cmd::FileEntryDeleteFile);
    // Cancel; then No and Cancel at the window's own close question.
    for (auto answers : {std::deque{TSaveAnswer::saCancel}, std::deque{TSaveAnswer::saNo, TSaveAnswer::saCancel}}) {
        script.answers = answers;
        Command(cmd::FileExit);
        EXPECT_TRUE(IsWindow(dlg->Handle()));
        EXPECT_EQ(dlg->Archive().Entries.size(), expected.size());
    }
    EXPECT_EQ(script.questions, Strings(3, "File " + copy + " has changed. Save Changes?"));
    // No twice: the window closes, and the preview file goes with it.
    Select(4);
    const std::string temp = dlg->Archive().TempFileName();
    EXPECT_TRUE(platform::FileExists(temp));
    script.answers = {TSaveAnswer::saNo, TSaveAnswer::saNo};
    Command(cmd::FileExit);
    EXPECT_TRUE(dlg->Destroyed());
    EXPECT_FALSE(platform::FileExists(temp));
    files[4].data = "new bytes";
    EXPECT_EQ(ReadBytes(copy), sample::FarImage({files.begin() + 2, files.end()}));
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
    EXPECT_EQ(EntryBytes(1), edited);
    Select(1);
    const Strings details = Lines(dlg->DetailsListBox());
    EXPECT_EQ(Strings(details.begin() + 6, details.end()),
              (Strings{"State: Original Entry", "Type ID: 3", "File ID: 0x00000020", "Compressed: Yes"}));
    // Save As offers the archive's type and converts to the one chosen.
    saveDialog.types = {2};
    SaveAs("converted.far");
    EXPECT_EQ(saveDialog.shownTypes, std::vector<int>{3});
    EXPECT_EQ(Lines(dlg->DetailsListBox()).back(), "Format: 1b (16-bit name lengths)");
    EXPECT_EQ(EntryBytes(1), edited);
}

TEST_F(FarDlgEntriesTest, AddCommandsAndDropsAppendEntriesDepthFirstAndDeleteMarksThem)
{
    const std::string added = MakeFile("a.bmp", "bmp");
    const std::string a = MakeFile("tree\\a.txt", "a"), b = MakeFile("tree\\sub\\b.txt", "bb");
    const std::string c = MakeFile("tree\\sub\\deeper\\c.txt", "ccc"), loose = MakeFile("loose.txt", "loose");
    MakeFile("tree\\sub\\SKIPPED.FAR", "FAR!byAZ");
    const std::string hidden = MakeFile("tree\\sub\\deeper\\hidden\\h.txt", "h");
    SetFileAttributesA((folder + "tree\\sub\\deeper\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    addDialog.names = {added, MakeFile("x.Far", "FAR!byAZ")};
    Command(cmd::FileEntryAddFile);
    EXPECT_TRUE(dlg->FMH().Modified);
    Click(cmd::FileEntryAddFile); // the FAR file
    Command(cmd::FileEntryAddFile); // cancelled
    EXPECT_EQ(script.errors, Strings{"Error: Sorry, adding FAR files to FAR files is not allowed!"});
    browse->answers = {folder + "tree", folder + "tree\\sub"};
    Click(cmd::FileEntryAddDir);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
    Command(cmd::FileEntryAddTree); // names start below the folder's parent
    DropOnList({folder + "tree\\sub\\deeper", loose});
    const Strings names = EntryNames();
    EXPECT_EQ(Strings(names.begin() + static_cast<std::ptrdiff_t>(files.size()), names.end()),
              (Strings{added, a, b, c, hidden, "sub\\b.txt", "sub\\deeper\\c.txt", "sub\\deeper\\hidden\\h.txt",
                       "deeper\\c.txt", "deeper\\hidden\\h.txt", loose}));
    EXPECT_EQ(browse->seen, (std::vector<BrowseSeen>{{"Choose Folder", "Select folder for importing into FAR file", ""},
                                                     {"Choose Folder", "Select folder for importing into FAR file", folder + "tree"}}));
    EXPECT_EQ(Status(0), std::to_string(names.size()) + " files loaded.");
    EXPECT_EQ(dlg->FileListBox().Text(static_cast<int>(files.size())), "a.bmp");
    Select(static_cast<int>(files.size()));
    EXPECT_EQ(DetailLine(2), "Full Name: " + added);
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: New Entry"); // marked and unmarked, new again
    // Delete Entry marks and unmarks by button, key and menu.
    Select(1);
    Click(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: Marked for Deletion");
    char text[64] = {};
    SendMessageA(dlg->FileListBox().Handle(), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Chair.iff"); // what a reader of the list's lines sees of a marked entry
    SendMessageA(dlg->FileListBox().Handle(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(DetailLine(6), "State: Original Entry");
    Select(2); // cancelled: nothing added, the list not refilled
    Command(cmd::FileEntryAddDir);
    EXPECT_EQ(dlg->Archive().Entries.size(), names.size());
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), 2);
    script.answers = {TSaveAnswer::saCancel};
    Command(cmd::FileNew);
    EXPECT_EQ(script.questions, Strings{"File " + samplePath + " has changed. Save Changes?"});
    SaveAs();
    EXPECT_EQ(EntryBytes(static_cast<int>(files.size()) + 6), "ccc");
}

TEST_F(FarDlgEntriesTest, ExtractFileWritesTheSelectedEntriesBelowTheChosenFolder)
{
    Select(4);
    Command(cmd::FileEntryDeleteFile);
    Command(cmd::FileEntryExportFile); // a marked entry: no dialog
    EXPECT_TRUE(browse->seen.empty());
    Command(cmd::FileEntryDeleteFile);
    // Files dropped while the dialog is open move the entries in memory.
    const std::string dropped = MakeFile("dropped.txt", "dropped");
    auto answer = dlg->BrowseDirectoryDlg().OnCreate;
    dlg->BrowseDirectoryDlg().OnCreate = [&](ui::TObject& sender) {
        DropOnList(Strings(200, dropped));
        answer(sender);
    };
    browse->answers = {MakeFolder("out")};
    MakeFolder("several"); // before any folder dialog: Wine's shell keeps its first listing
    Click(cmd::FileEntryExportFile);
    dlg->BrowseDirectoryDlg().OnCreate = answer;
    EXPECT_EQ(browse->seen.at(0), BrowseSeen("Choose Folder", "Select folder for exporting file to", folder));
    EXPECT_EQ(Count(), files.size() + 200);
    EXPECT_EQ(test::FileContents(folder + "out\\" + files[4].name), files[4].data);
    EXPECT_EQ(Status(0), "1 file extracted.");
    // Several lines selected by Shift+Down are extracted and marked together.
    Select(4);
    PressKey(VK_DOWN, VK_SHIFT);
    PressKey(VK_DOWN, VK_SHIFT);
    EXPECT_EQ(dlg->FileListBox().SelectedIndexes(), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(DetailLine(2), "Full Name: " + files[6].name); // the focused entry's
    browse->answers = {folder + "several"};
    Command(cmd::FileEntryExportFile);
    for (std::size_t i : {4, 5, 6})
        EXPECT_EQ(test::FileContents(folder + "several\\" + files[i].name), files[i].data);
    EXPECT_EQ(Status(0), "3 files extracted.");
    PressKey(VK_DELETE);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(dlg->Archive().Entries[i].State, i >= 4 && i <= 6 ? esDeleted : esOriginal);
    Click(cmd::FileEntryDeleteFile);
    EXPECT_EQ(dlg->Archive().Entries[5].State, esOriginal);
    PressKey('A', VK_CONTROL);
    EXPECT_EQ(dlg->FileListBox().SelectedIndexes().size(), Count());
}

TEST_F(FarDlgEntriesTest, ExtractDirectoryWritesEveryUnmarkedEntryAndListsFailures)
{
    for (int marked : {2, 5}) {
        Select(marked);
        Command(cmd::FileEntryDeleteFile);
    }
    // Made before any folder dialog opens: Wine's shell keeps its first listing.
    const std::string again = MakeFolder("again");
    std::filesystem::create_directories(again + "\\" + files[6].name); // a folder in the file's place
    browse->answers = {MakeFolder("all")};
    Click(cmd::FileEntryExportDir);
    EXPECT_EQ(browse->seen.at(0), BrowseSeen("Choose Folder", "Select folder for exporting files to", folder));
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(test::FileContents(folder + "all\\" + files[i].name), i == 2 || i == 5 ? "missing" : files[i].data) << i;
    EXPECT_EQ(Status(0), std::to_string(files.size() - 2) + " files extracted.");
    EXPECT_EQ(Status(1), " ");
    browse->answers = {again};
    Command(cmd::FileEntryExportDir);
    EXPECT_EQ(Status(0), ExtractedWithFailuresText(files.size() - 3, 1));
    EXPECT_EQ(test::FileContents(again + "\\" + files[7].name), files[7].data);
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0].rfind("Kelvo: This entry could not be extracted:\n\n" + files[6].name + ": ", 0), 0u)
        << script.errors[0];
}

TEST_F(FarDlgEntriesTest, TheFilterShowsTheMatchingEntriesAndCommandsActOnTheEntriesShown)
{
    for (char c : std::string("TXT"))
        SendMessageA(dlg->FilterBox(), WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_EQ(Lines(dlg->FileListBox()), (Strings{"ReadMe.txt", "Catalog.txt", "Neighborhood.txt", "readme.txt"}));
    EXPECT_EQ(Status(0), "4 of 15 entries");
    Select(2); // Text\Neighborhood.txt
    Command(cmd::FileEntryDeleteFile);
    addDialog.names = {MakeFile("new.bin", "bin"), MakeFile("new.txt", "txt")};
    Command(cmd::FileEntryAddFile);
    Command(cmd::FileEntryAddFile);
    EXPECT_EQ(Lines(dlg->FileListBox()).back(), "new.txt");
    EXPECT_EQ(Status(0), "5 of 17 entries");
    SendMessageA(dlg->FilterBox(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(Count(), 17u);
    EXPECT_EQ(Status(0), "17 files loaded.");
    for (std::size_t i = 0; i < files.size(); ++i) // the mark fell on the entry it was set on
        EXPECT_EQ(dlg->Archive().Entries[i].State, i == 5 ? esDeleted : esOriginal);
}

TEST_F(FarDlgEntriesTest, RenameAndReplaceChangeTheEntryAndRevertTakesItBack)
{
    Select(4);
    script.names = {"..\\up.txt", "Objects\\CHAIR.iff", "Text\\Renamed.txt"};
    Command(cmd::FileEntryRename);
    EXPECT_EQ(script.errors.size(), 1u); // an unsafe name
    EXPECT_EQ(script.asked, Strings{"Text\\Catalog.txt"});
    script.yesNo = {false};
    Command(cmd::FileEntryRename);
    EXPECT_EQ(script.questions.back(), "An entry named Objects\\CHAIR.iff exists. Keep both?");
    EXPECT_EQ(DetailLine(2), "Full Name: Text\\Catalog.txt");
    EXPECT_FALSE(dlg->FMH().Modified);
    Command(cmd::FileEntryRename);
    EXPECT_EQ(DetailLine(2), "Full Name: Text\\Renamed.txt");
    EXPECT_EQ(dlg->FileListBox().Text(4), "Renamed.txt");
    EXPECT_TRUE(dlg->FMH().Modified);
    Command(cmd::FileEntryRevert);
    EXPECT_EQ(DetailLine(2), "Full Name: Text\\Catalog.txt");
    script.names = {"Text\\Renamed.txt"};
    Command(cmd::FileEntryRename);
    Select(0);
    replaceDialog.names = {folder + "missing.bin"};
    Command(cmd::FileEntryReplace);
    ASSERT_EQ(script.errors.size(), 2u);
    EXPECT_NE(script.errors[1].find("cannot be read"), std::string::npos) << script.errors[1];
    EXPECT_EQ(DetailLine(6), "State: Original Entry");
    const std::string file = MakeFile("replacement.txt", "replacement bytes");
    replaceDialog.names = {file, file};
    Command(cmd::FileEntryReplace);
    EXPECT_EQ(DetailLine(6), "State: Changed Entry");
    EXPECT_EQ(Status(0), "Changed ReadMe.txt");
    Command(cmd::FileEntryRevert);
    EXPECT_EQ(DetailLine(6), "State: Original Entry");
    WriteBytes(file, "changed later");
    Command(cmd::FileEntryReplace);
    std::filesystem::remove(file); // the bytes were taken at once
    SaveAs();
    EXPECT_EQ(EntryNames().at(4), "Text\\Renamed.txt");
    EXPECT_EQ(EntryBytes(4), files[4].data);
    EXPECT_EQ(EntryBytes(0), "changed later");
}


// Lets go of the button should the drop target never see the drag, so a
// failing test ends instead of waiting in the drag loop.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    SetLeftButton(false);
}

// A window standing in for the file manager: it takes the offered names at
// the drop and reads the files later, once the drop has returned.
struct FileManagerWindow {
    explicit FileManagerWindow(POINT at)
        : window(CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_BORDER | SS_NOTIFY, at.x, at.y,
                                 200, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr))
    {
        target->Dragtypes = TDragTypes{dtCopy};
        target->OnDragOver = [](TDropTarget&, TShiftState, POINT, DWORD&) { SetLeftButton(false); };
        target->OnDrop = [this](TDropTarget&, TShiftState, POINT, DWORD& effect) {
            dropped = target->Files;
            effect = DROPEFFECT_COPY;
        };
        target->Register(window.Get(), "FileManager");
    }
    ~FileManagerWindow() { target->Unregister(); }
    ui::OwnedWindow window;
    OwnedComponent<TDropFileTarget> target;
    Strings dropped;
};

TEST_F(FarDlgEntriesTest, SelectedEntriesDragOutWithTheirBytesAndDropBackInAsNewEntries)
{
    CloseWindow();
    script.arguments.pop_back();
    OpenSample(files, SW_SHOWNORMAL); // a window the pointer can reach
    RECT window{};
    GetWindowRect(dlg->Handle(), &window);
    FileManagerWindow manager(POINT{window.right + 10, window.top});
    // Presses the left button on an entry's line with the pointer resting at a
    // point of the screen (the file manager's), until the drag is over.
    HWND list = dlg->FileListBox().Handle();
    auto dragEntry = [&](int position, POINT target) {
        SetCursorPos(target.x, target.y);
        SetLeftButton(true);
        ScreenToClient(list, &target);
        PostMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(target.x, target.y));
        const UINT_PTR timer = SetTimer(nullptr, 0, test::kPatience, GiveUp);
        RECT line{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&line));
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(line.left + 10, (line.top + line.bottom) / 2));
        KillTimer(nullptr, timer);
        SetLeftButton(false);
        ui::ProcessMessages();
    };
    const POINT managerCentre{window.right + 110, window.top + 100};
    const std::size_t folders = TempItems(kDragFolderPrefix).size();
    Select(4);
    dragEntry(4, managerCentre);
    ASSERT_EQ(manager.dropped.size(), 1u);
    EXPECT_EQ(platform::NamePart(manager.dropped[0]), "Catalog.txt");
    EXPECT_EQ(test::FileContents(manager.dropped[0]), files[4].data);
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), 4);
    EXPECT_FALSE(dlg->FMH().Modified);
    manager.dropped.clear();
    ClickLine(4); // a plain click still selects
    ClickLine(6);
    EXPECT_EQ(DetailLine(2), "Full Name: " + files[6].name);
    EXPECT_EQ(GetCapture(), nullptr);
    Command(cmd::FileEntryDeleteFile);
    dragEntry(6, managerCentre); // marked: not offered
    EXPECT_TRUE(manager.dropped.empty());
    Command(cmd::FileEntryDeleteFile);
    // Let go over the entry list itself: the entry is added, its bytes taken at once.
    dlg->DropFileTarget().OnDragOver = [](TDropTarget&, TShiftState, POINT, DWORD&) { SetLeftButton(false); };
    RECT first{};
    SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    POINT over{first.left + 10, first.top + 3};
    ClientToScreen(list, &over);
    Select(4);
    dragEntry(4, over);
    ASSERT_EQ(dlg->Archive().Entries.size(), files.size() + 1);
    EXPECT_EQ(platform::NamePart(dlg->Archive().Entries.back().Text()), "Catalog.txt");
    SaveAs();
    EXPECT_TRUE(script.errors.empty()) << script.errors.front();
    EXPECT_EQ(EntryBytes(static_cast<int>(files.size())), files[4].data);
    CloseWindow();
    EXPECT_EQ(TempItems(kDragFolderPrefix).size(), folders);
}

constexpr int kText = 5;  // Text\Neighborhood.txt
constexpr int kOther = 0; // ReadMe.txt
constexpr int kIff = 1;   // Objects\Chair.iff

class FarDlgEditTest : public FarDlgEntriesTest {
protected:
    bool MenuEnabled(int command)
    {
        return !(GetMenuState(GetMenu(dlg->Handle()), static_cast<UINT>(command), MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    }
    // Edits the selected entry, changing its first four bytes; the view's bytes afterwards.
    std::string EditFirstBytes()
    {
        Command(cmd::FileEntryEdit);
        dlg->HexViewer().ConvertRange(0, 3, ttAnsi, ttEBCDIC);
        return dlg->HexViewer().GetAsText();
    }
    void Type(const std::string& characters)
    {
        for (char c : characters)
            SendMessageA(dlg->HexViewer().Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
};

TEST_F(FarDlgEditTest, EditEntryMakesChangedBytesTheEntrysDataAndRevertGivesTheArchivesBack)
{
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryEdit));
    Select(kIff); // no preview, edited as bytes
    EXPECT_TRUE(MenuEnabled(cmd::FileEntryEdit));
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryRevert));
    PressKey('E', VK_CONTROL);
    EXPECT_EQ(dlg->EditPosition(), kIff);
    EXPECT_EQ(Shown(), "hex");
    EXPECT_FALSE(dlg->HexViewer().ReadOnlyView);
    EXPECT_EQ(GetFocus(), dlg->HexViewer().Handle());
    EXPECT_EQ(dlg->HexViewer().Col(), 2); // the caret on the first byte's first digit
    EXPECT_EQ(dlg->HexViewer().GetAsText(), files[kIff].data);
    EXPECT_EQ(Status(0), "Editing Objects\\Chair.iff");
    Select(kText); // left unchanged
    EXPECT_EQ(dlg->EditPosition(), -1);
    EXPECT_TRUE(dlg->HexViewer().ReadOnlyView);
    EXPECT_FALSE(dlg->FMH().Modified);
    const std::string& original = files[kText].data;
    const std::string changed = EditFirstBytes();
    Select(kOther);
    EXPECT_TRUE(dlg->FMH().Modified);
    EXPECT_EQ(Status(0), "Changed Text\\Neighborhood.txt");
    Select(kText);
    EXPECT_EQ(DetailLine(6), "State: Changed Entry");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), changed);
    EXPECT_TRUE(MenuEnabled(cmd::FileEntryRevert));
    Command(cmd::FileEntryEdit);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), changed); // a later edit starts from the new bytes
    Select(kOther);
    Select(kText);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryEdit));
    EXPECT_FALSE(MenuEnabled(cmd::FileEntryRevert));
    Command(cmd::FileEntryEdit);
    EXPECT_EQ(dlg->EditPosition(), -1);
    Command(cmd::FileEntryDeleteFile);
    EXPECT_EQ(DetailLine(6), "State: Changed Entry");
    Command(cmd::FileEntryRevert);
    EXPECT_EQ(DetailLine(6), "State: Original Entry");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), original);
    // Bytes changed and changed back are no change.
    Command(cmd::FileEntryEdit);
    dlg->HexViewer().ConvertRange(0, 3, ttAnsi, ttEBCDIC);
    dlg->HexViewer().ConvertRange(0, 3, ttEBCDIC, ttAnsi);
    Select(kOther);
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esOriginal);
}

TEST_F(FarDlgEditTest, BytesThatCannotBeKeptStayInTheEditAfterAMessage)
{
    Select(kText);
    const std::string changed = EditFirstBytes();
    char temp[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", temp, sizeof temp);
    SetEnvironmentVariableA("TMP", (MakeFile("in the way", "") + "\\").c_str()); // a temporary folder that is a file
    Select(kOther);
    SetEnvironmentVariableA("TMP", temp);
    EXPECT_EQ(script.errors, Strings{"Kelvo: " + EditNotKeptText(dlg->Archive().Entries[kText])});
    EXPECT_EQ(dlg->EditPosition(), kText);
    EXPECT_EQ(dlg->FileListBox().ItemIndex(), kText);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), changed);
    EXPECT_FALSE(dlg->FMH().Modified);
    Select(kOther);
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esChanged);
}

TEST_F(FarDlgEditTest, TypedDigitsOverwriteOrInsertAndExitAndSaveEndTheEditFirst)
{
    const Strings editFolders = TempItems("kelvo-edit-");
    const std::string original = files[kText].data;
    Select(kText);
    PressKey('E', VK_CONTROL);
    Type("41");
    script.answers = {TSaveAnswer::saCancel};
    Command(cmd::FileExit); // ends the edit first, so the question comes up
    EXPECT_EQ(script.questions, Strings{"File " + samplePath + " has changed. Save Changes?"});
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esChanged);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "A" + original.substr(1));
    // "4" over 0x41 changes nothing, so "4243" makes three undo steps.
    PressKey('E', VK_CONTROL);
    Type("4243");
    EXPECT_EQ(dlg->HexViewer().GetAsText().substr(0, 2), "BC");
    for (int i = 0; i < 3; ++i)
        PressKey('Z', VK_CONTROL, dlg->HexViewer().Handle());
    Select(kOther);
    Select(kText);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "A" + original.substr(1));
    PressKey('E', VK_CONTROL);
    SendMessageA(dlg->HexViewer().Handle(), WM_KEYDOWN, VK_INSERT, 0);
    EXPECT_TRUE(dlg->HexViewer().IsInsertMode());
    Type("7");
    Select(kOther);
    EXPECT_FALSE(dlg->HexViewer().IsInsertMode());
    Select(kText);
    EXPECT_EQ(DetailLine(3), "Raw Size: " + std::to_string(original.size() + 1));
    Select(kOther);
    const std::string other = EditFirstBytes();
    Command(cmd::FileSave); // keeps the running edit's bytes
    EXPECT_TRUE(script.errors.empty());
    EXPECT_FALSE(dlg->FMH().Modified);
    EXPECT_EQ(dlg->Archive().Entries[kText].State, esOriginal);
    // This run's folder of new bytes is its own, empty after the save and gone with the window.
    Strings during = TempItems("kelvo-edit-");
    std::erase_if(during, [&](const std::string& name) { return std::ranges::count(editFolders, name) != 0; });
    ASSERT_EQ(during.size(), 1u);
    EXPECT_TRUE(platform::ListDirectory(platform::TempFolder() + during[0] + "\\").empty());
    CloseWindow();
    EXPECT_EQ(TempItems("kelvo-edit-"), editFolders);
    files[kText].data = std::string("\x70") + "A" + original.substr(1);
    files[kOther].data = other;
    EXPECT_EQ(ReadBytes(samplePath), sample::FarImage(files));
}

} // namespace
} // namespace kelvo
