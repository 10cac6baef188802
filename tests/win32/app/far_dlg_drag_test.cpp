// Dragging an entry out of the main window's entry list onto another window
// that takes files as a file manager does, with the mouse driven through the
// system's input queue: press on the selected line, move away, release.
#include "app/far_text.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tests/win32/window_search.h"
#include "tools/sample/sample_archive.h"

namespace kelvo {
namespace {

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
            received.emplace_back(std::string(AfterLastSeparator(name)), test::FileContents(name));
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
        files = sample::SampleFiles();
        WriteBytes(folder + "sample.far", sample::FarImage(files));
        script.arguments.push_back(folder + "sample.far");
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->Show(SW_SHOWNORMAL);
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
    // The drag folders of processes with this one's number in the temporary
    // folder (a program that was killed leaves its own).
    static std::size_t DragFolders()
    {
        std::size_t count = 0;
        const std::string prefix = "kelvo-drag-" + std::to_string(platform::ProcessId()) + "-";
        for (const auto& item : platform::ListDirectory(platform::TempFolder()))
            count += item.name.rfind(prefix, 0) == 0;
        return count;
    }

    std::vector<sample::SampleFile> files;
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
    dlg.reset();
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
    EXPECT_EQ(AfterLastSeparator(dlg->Archive().Entries.back().Text()), "Catalog.txt");
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

} // namespace
} // namespace kelvo
