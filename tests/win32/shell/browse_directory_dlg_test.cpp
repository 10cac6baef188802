// The folder browse dialog: its callback driven with the shell's messages
// against a window that records what it is sent, the folder test, and the
// real shell dialog answered from OnCreate.
#include "components/shell/browse_directory_dlg.h"
#include "tests/test_support.h"
#include "ui/window.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kelvo;

namespace {

struct CoTaskFree {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};
using Item = std::unique_ptr<ITEMIDLIST, CoTaskFree>;

Item SpecialFolder(int csidl)
{
    LPITEMIDLIST item = nullptr;
    EXPECT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &item));
    return Item(item);
}

std::string PathOf(LPCITEMIDLIST item)
{
    char path[MAX_PATH] = {};
    return item && SHGetPathFromIDListA(item, path) ? path : "";
}

std::string WindowsFolder() { return PathOf(SpecialFolder(CSIDL_WINDOWS).get()); }

// A window in place of the shell dialog: it records the browse-dialog
// requests and window texts it is sent, and has a status control.
class FakeBrowseDialog : public ui::Window {
public:
    explicit FakeBrowseDialog(int statusWidth)
    {
        CreateOwnWindow("KelvoFakeBrowseDialog", WS_POPUP | WS_CAPTION, 0, "fake", 10, 20, 300, 200, nullptr,
                        nullptr);
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, statusWidth, 20, Handle(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(browse::kStatusControlId)),
                        GetModuleHandleA(nullptr), nullptr);
    }
    POINT Origin() const
    {
        RECT bounds{};
        GetWindowRect(Handle(), &bounds);
        return {bounds.left, bounds.top};
    }

    std::vector<std::string> log;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const auto text = [lParam] { return std::string(reinterpret_cast<const char*>(lParam)); };
        switch (message) {
        case BFFM_ENABLEOK:
            log.push_back("enable " + std::to_string(lParam));
            return 0;
        case BFFM_SETSTATUSTEXTA:
            log.push_back("status " + text());
            return 0;
        case BFFM_SETSELECTIONA:
            log.push_back(wParam ? "select path " + text()
                                 : "select item " + PathOf(reinterpret_cast<LPCITEMIDLIST>(lParam)));
            return 0;
        case WM_SETTEXT:
            log.push_back("caption " + text());
            break;
        }
        return Window::HandleMessage(message, wParam, lParam);
    }
};

// A folder tree of its own in the temporary folder, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder()
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        char longTemp[MAX_PATH] = {};
        GetLongPathNameA(temp, longTemp, MAX_PATH);
        root_ = std::string(longTemp) + "kelvo-browse-" + std::to_string(GetCurrentProcessId());
        Add("");
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder()
    {
        for (auto made = made_.rbegin(); made != made_.rend(); ++made)
            RemoveDirectoryA(made->c_str());
    }
    // Makes a folder below the root (relative path, no trailing backslash) and gives its path.
    std::string Add(const std::string& relative)
    {
        const std::string path = relative.empty() ? root_ : root_ + "\\" + relative;
        EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
        made_.push_back(path);
        return path;
    }
    const std::string& Root() const { return root_; }

private:
    std::string root_;
    std::vector<std::string> made_;
};

class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(OleInitialize(nullptr));
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
    }
    void TearDown() override
    {
        EXPECT_TRUE(errors.empty());
        ui::SetExceptionHandler(nullptr);
        OleUninitialize();
    }

    int Callback(HWND window, UINT message, LPARAM param)
    {
        return TmoxBrowseDirectoryDlg::BrowseCallback(window, message, param, reinterpret_cast<LPARAM>(&dialog));
    }

    std::vector<std::string> errors;
    TmoxBrowseDirectoryDlg dialog;
};

TEST_F(BrowseTest, InitialisedSetsUpTheDialogAndCallsOnCreate)
{
    const std::string windows = WindowsFolder();
    struct Case {
        bool center, enableOK, byItem;
        const char *status, *selection, *caption;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {true, true, false, "hello", windows.c_str(), "Choose Folder",
         {"enable 1", "status hello", "select path " + windows, "caption Choose Folder"}},
        {false, false, false, "", "", "", {"enable 0"}},
        {true, true, false, "", "C:", "", {"enable 1", "select path C:\\"}},
        // Only the shell item: it is sent, and Selection becomes its path.
        {true, true, true, "", "", "", {"enable 1", "select item " + windows}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selection);
        TmoxBrowseDirectoryDlg browse;
        FakeBrowseDialog fake(200);
        browse.SetCenter(c.center);
        browse.SetEnableOKButton(c.enableOK);
        browse.SetStatusText(c.status);
        browse.SetSelection(c.selection);
        browse.SetCaption(c.caption);
        if (c.byItem)
            browse.SetSelectionPIDL(SpecialFolder(CSIDL_WINDOWS).release());
        int created = 0;
        browse.OnCreate = [&](ui::TObject& sender) {
            EXPECT_EQ(&sender, &browse);
            EXPECT_EQ(browse.DialogWindow(), fake.Handle());
            ++created;
        };
        EXPECT_EQ(TmoxBrowseDirectoryDlg::BrowseCallback(fake.Handle(), BFFM_INITIALIZED, 0,
                                                         reinterpret_cast<LPARAM>(&browse)),
                  0);
        EXPECT_EQ(fake.log, c.sent);
        EXPECT_EQ(created, 1);
        const POINT origin = fake.Origin();
        if (c.center) {
            EXPECT_EQ(origin.x, (GetSystemMetrics(SM_CXSCREEN) - 300) / 2);
            EXPECT_EQ(origin.y, (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);
        } else {
            EXPECT_EQ(origin.x, 10);
            EXPECT_EQ(origin.y, 20);
        }
        if (c.byItem) {
            EXPECT_EQ(browse.Selection(), windows);
        }
        // A path that the shell can parse leaves its item as the selection item.
        EXPECT_EQ(browse.SelectionPIDL() != nullptr, *c.selection != '\0' || c.byItem);
    }
}

TEST_F(BrowseTest, SettersActOnTheOpenDialog)
{
    FakeBrowseDialog fake(200);
    dialog.SetStatusText("ready");
    Callback(fake.Handle(), BFFM_INITIALIZED, 0);
    fake.log.clear();
    const std::string windows = WindowsFolder();
    dialog.SetCaption("Choose Folder");
    EXPECT_EQ(dialog.Caption(), "Choose Folder");
    dialog.SetStatusText("ready"); // unchanged: nothing sent
    dialog.SetStatusText("busy");
    dialog.SetEnableOKButton(true); // sent even when unchanged
    dialog.SetEnableOKButton(false);
    dialog.SetSelection(windows);
    dialog.SetSelection(windows + "\\"); // what is stored already
    dialog.SetFitStatusText(false);
    const std::vector<std::string> sent = {
        "caption Choose Folder", "status busy", "enable 1", "enable 0", "select path " + windows, "status busy",
    };
    EXPECT_EQ(fake.log, sent);
}

TEST_F(BrowseTest, SelectionChangesReachTheStatusLineAndOnSelChanged)
{
    const std::string windows = WindowsFolder();
    const Item windowsItem = SpecialFolder(CSIDL_WINDOWS);
    const Item computer = SpecialFolder(CSIDL_DRIVES); // no file-system path
    const std::string leaf = windows.substr(windows.find_last_of('\\') + 1);
    // Whether the line is fitted, and the status line sent for the Windows
    // folder in a 30-pixel control: only the last part is left.
    for (auto [fit, shown] : {std::pair{true, leaf}, std::pair{false, windows}}) {
        TmoxBrowseDirectoryDlg browse;
        FakeBrowseDialog fake(30);
        browse.SetShowSelectionInStatus(true);
        browse.SetFitStatusText(fit);
        std::vector<std::string> paths;
        browse.OnSelChanged = [&](ui::TObject& sender, const std::string& path, LPCITEMIDLIST item) {
            EXPECT_EQ(&sender, &browse);
            EXPECT_EQ(PathOf(item), path);
            paths.push_back(path);
        };
        const auto send = [&](LPCITEMIDLIST item) {
            return TmoxBrowseDirectoryDlg::BrowseCallback(fake.Handle(), BFFM_SELCHANGED,
                                                          reinterpret_cast<LPARAM>(item),
                                                          reinterpret_cast<LPARAM>(&browse));
        };
        send(windowsItem.get()); // before the dialog is set up: only stored
        EXPECT_EQ(browse.StatusText(), windows);
        TmoxBrowseDirectoryDlg::BrowseCallback(fake.Handle(), BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(&browse));
        send(computer.get());
        send(windowsItem.get());
        const std::vector<std::string> sent = {"enable 1", "status " + shown, "status ", "status " + shown};
        EXPECT_EQ(fake.log, sent);
        EXPECT_EQ(paths, (std::vector<std::string>{windows, "", windows}));
    }

    // Neither following the selection nor a handler: nothing happens.
    FakeBrowseDialog fake(30);
    Callback(fake.Handle(), BFFM_INITIALIZED, 0);
    fake.log.clear();
    Callback(fake.Handle(), BFFM_SELCHANGED, reinterpret_cast<LPARAM>(windowsItem.get()));
    EXPECT_TRUE(fake.log.empty());
    EXPECT_EQ(dialog.StatusText(), "");
}

TEST_F(BrowseTest, ValidationFailedClosesOnlyWhenTheHandlerCancels)
{
    FakeBrowseDialog fake(200);
    const char typed[] = "Z:\\no such folder";
    const LPARAM name = reinterpret_cast<LPARAM>(typed);
    EXPECT_EQ(Callback(fake.Handle(), BFFM_VALIDATEFAILEDA, name), 1); // no handler
    std::string seen;
    for (auto [cancel, result] : {std::pair{false, 1}, std::pair{true, 0}}) {
        dialog.OnValidateFailed = [&, cancel](ui::TObject& sender, const std::string& path, bool& cancelled) {
            EXPECT_EQ(&sender, &dialog);
            EXPECT_FALSE(cancelled);
            seen = path;
            cancelled = cancel;
        };
        EXPECT_EQ(Callback(fake.Handle(), BFFM_VALIDATEFAILEDA, name), result);
        EXPECT_EQ(seen, typed);
    }
    // Other messages, and no dialog object, give 0.
    EXPECT_EQ(Callback(fake.Handle(), BFFM_IUNKNOWN, 0), 0);
    EXPECT_EQ(TmoxBrowseDirectoryDlg::BrowseCallback(fake.Handle(), BFFM_VALIDATEFAILEDA, name, 0), 0);
    // A handler's exception stops in the callback and is shown.
    dialog.OnValidateFailed = [](ui::TObject&, const std::string&, bool&) { throw std::runtime_error("broken"); };
    EXPECT_EQ(Callback(fake.Handle(), BFFM_VALIDATEFAILEDA, name), 0);
    EXPECT_EQ(errors, (std::vector<std::string>{"broken"}));
    errors.clear();
}

TEST_F(BrowseTest, DirExistsTellsFoldersFromEverythingElse)
{
    ScratchFolder scratch;
    const std::string file = scratch.Root() + "\\file.txt";
    test::WriteBytes(file, "x");
    const DWORD drives = GetLogicalDrives();
    char present = 'A', absent = 'A';
    while (present <= 'Z' && !(drives >> (present - 'A') & 1))
        ++present;
    while (absent <= 'Z' && (drives >> (absent - 'A') & 1))
        ++absent;
    ASSERT_LE(present, 'Z');
    ASSERT_LE(absent, 'Z');
    const std::pair<std::string, bool> cases[] = {
        {std::string(1, present) + ":\\", true},
        {std::string(1, static_cast<char>(present - 'A' + 'a')) + ":\\", true},
        {std::string(1, absent) + ":\\", false},
        {"", false},
        {scratch.Root(), true},
        {scratch.Root() + "\\", true},
        {file, false},
        {scratch.Root() + "\\missing", false},
        {scratch.Root().substr(0, scratch.Root().size() - 2) + "*", false}, // a pattern matching the folder
    };
    for (const auto& [name, exists] : cases)
        EXPECT_EQ(DirExists(name), exists) << name;
    DeleteFileA(file.c_str());
}

TEST_F(BrowseTest, SelectionOfAnExistingFolderGetsATrailingBackslash)
{
    ScratchFolder scratch;
    const std::string& folder = scratch.Root();
    const std::pair<std::string, std::string> cases[] = {
        {folder, folder + "\\"},
        {folder + "\\", folder + "\\"},
        {folder + "\\missing", folder + "\\missing"},
        {"", ""},
    };
    for (const auto& [set, stored] : cases) {
        dialog.SetSelection(set);
        EXPECT_EQ(dialog.Selection(), stored) << set;
    }
}

TEST_F(BrowseTest, ExecuteAnsweredWithOkReturnsTheSelectedFolder)
{
    ScratchFolder scratch;
    const std::string first = scratch.Add("first"), second = scratch.Add("second");
    // Moved in OnCreate or not, and the folder chosen.
    for (auto [move, chosen] : {std::pair{false, first}, std::pair{true, second}}) {
        SCOPED_TRACE(chosen);
        TmoxBrowseDirectoryDlg browse;
        browse.SetCaption("Choose Folder");
        browse.SetTitle("Select folder for exporting files to");
        browse.SetStatusText("");
        browse.SetSelection(first);
        std::string caption;
        browse.OnCreate = [&](ui::TObject&) {
            const HWND window = browse.DialogWindow();
            caption = browse.Caption();
            if (move)
                browse.SetSelection(second);
            PostMessageA(window, WM_COMMAND, IDOK, 0);
        };
        EXPECT_TRUE(browse.Execute());
        EXPECT_EQ(caption, "Choose Folder");
        EXPECT_EQ(browse.Selection(), chosen);
        EXPECT_EQ(PathOf(browse.SelectionPIDL()), chosen);
        EXPECT_EQ(browse.DisplayName(), chosen);
        EXPECT_GE(browse.ImageIndex(), 0);
        EXPECT_EQ(browse.DialogWindow(), nullptr);
        EXPECT_EQ(browse.Caption(), "Choose Folder");
    }
}

TEST_F(BrowseTest, CancelReturnsFalseAndForgetsTheSelection)
{
    ScratchFolder scratch;
    dialog.SetSelection(scratch.Root());
    dialog.SetSelectionPIDL(SpecialFolder(CSIDL_WINDOWS).release());
    dialog.OnCreate = [&](ui::TObject&) { PostMessageA(dialog.DialogWindow(), WM_COMMAND, IDCANCEL, 0); };
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Selection(), "");
    EXPECT_EQ(dialog.SelectionPIDL(), nullptr);
    EXPECT_EQ(dialog.DialogWindow(), nullptr);
}

TEST_F(BrowseTest, StatusLineIsFittedToTheRealStatusControl)
{
    ScratchFolder scratch;
    scratch.Add("a-rather-long-folder-name-for-the-status-line");
    const std::string leaf = "and-another-long-folder-name-below-it";
    const std::string deep = scratch.Add("a-rather-long-folder-name-for-the-status-line\\" + leaf);
    const std::string plain = "A status line that names no folder and is far too long for the dialog's status control";
    dialog.SetStatusText("statustext");
    std::vector<std::string> shown, fitted;
    dialog.OnCreate = [&](ui::TObject&) {
        const HWND window = dialog.DialogWindow();
        const auto statusLine = [&] {
            char text[512] = {};
            GetDlgItemTextA(window, browse::kStatusControlId, text, sizeof text);
            return std::string(text);
        };
        for (const std::string& text : {deep, plain}) {
            for (bool fit : {true, false}) {
                dialog.SetFitStatusText(fit);
                dialog.SetStatusText(text);
                shown.push_back(statusLine());
                fitted.push_back(dialog.FittedStatusText());
            }
        }
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_FALSE(dialog.Execute());
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown, fitted);
    // The folder keeps its drive and its last part; the plain text its start.
    EXPECT_EQ(shown[0].substr(0, 7), deep.substr(0, 2) + "\\...\\");
    EXPECT_TRUE(shown[0].ends_with("\\" + leaf)) << shown[0];
    EXPECT_EQ(shown[1], deep);
    ASSERT_GT(shown[2].size(), 3u);
    EXPECT_TRUE(shown[2].ends_with("...")) << shown[2];
    EXPECT_LT(shown[2].size(), plain.size());
    EXPECT_TRUE(plain.starts_with(shown[2].substr(0, shown[2].size() - 3)));
    EXPECT_EQ(shown[3], plain);
    // Outside Execute the status line is not fitted.
    EXPECT_EQ(dialog.FittedStatusText(), plain);
}

} // namespace
