// The folder browse dialog: its callback driven with the shell's messages
// against the test window, which logs what the dialog object sends it; the
// folder test; and the real shell dialog answered from OnCreate. Which flags,
// paths and shortened status lines it makes are the portable rules'
// (browse_rules).
#include "components/shell/browse_directory_dlg.h"
#include "tests/win32/test_doubles.h"
#include "ui/window.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

using namespace kelvo;
using Strings = std::vector<std::string>;

namespace {

using Item = std::unique_ptr<ITEMIDLIST, decltype(&ILFree)>;

Item SpecialFolder(int csidl)
{
    LPITEMIDLIST item = nullptr;
    EXPECT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &item));
    return {item, ILFree};
}

std::string PathOf(LPCITEMIDLIST item)
{
    char path[MAX_PATH] = {};
    return item && SHGetPathFromIDListA(item, path) ? path : "";
}

// The requests of a browse dialog, and its window texts, as words.
std::string Describe(UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto text = [lParam] { return std::string(reinterpret_cast<const char*>(lParam)); };
    switch (message) {
    case BFFM_ENABLEOK:
        return "enable " + std::to_string(lParam);
    case BFFM_SETSTATUSTEXTA:
        return "status " + text();
    case BFFM_SETSELECTIONA:
        return wParam ? "select path " + text() : "select item " + PathOf(reinterpret_cast<LPCITEMIDLIST>(lParam));
    case WM_SETTEXT:
        return "caption " + text();
    default:
        return {};
    }
}

// The test window stands in for the shell's dialog, with a status control.
class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(OleInitialize(nullptr));
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
    }
    void TearDown() override
    {
        ui::SetExceptionHandler(nullptr);
        OleUninitialize();
    }
    int Send(TmoxBrowseDirectoryDlg& to, UINT message, LPARAM param)
    {
        return TmoxBrowseDirectoryDlg::BrowseCallback(window.Handle(), message, param, reinterpret_cast<LPARAM>(&to));
    }

    Strings errors;
    const std::string windows = PathOf(SpecialFolder(CSIDL_WINDOWS).get());
    test::TestWindow window;
    HWND status = window.AddChild("STATIC", 0, {10, 10, 210, 30}, browse::kStatusControlId);
    test::MessageLog log{window.Handle(), Describe};
    TmoxBrowseDirectoryDlg dialog;
};

} // namespace

TEST_F(BrowseTest, InitialisedSetsUpTheDialogAndCallsOnCreate)
{
    struct Case {
        bool center, enableOK, byItem;
        std::string status, selection, caption;
        Strings sent;
    };
    const Case cases[] = {
        {true, true, false, "hello", windows, "Choose Folder",
         {"enable 1", "status hello", "select path " + windows, "caption Choose Folder"}},
        {false, false, false, "", "", "", {"enable 0"}},
        // Only the shell item: it is sent, and Selection becomes its path.
        {true, true, true, "", "", "", {"enable 1", "select item " + windows}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selection);
        SetWindowPos(window.Handle(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        log.Take();
        TmoxBrowseDirectoryDlg browse;
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
            EXPECT_EQ(browse.DialogWindow(), window.Handle());
            ++created;
        };
        EXPECT_EQ(Send(browse, BFFM_INITIALIZED, 0), 0);
        EXPECT_EQ(log.Take(), c.sent);
        EXPECT_EQ(created, 1);
        RECT bounds{};
        GetWindowRect(window.Handle(), &bounds);
        EXPECT_EQ(bounds.left, c.center ? (GetSystemMetrics(SM_CXSCREEN) - 460) / 2 : 100);
        EXPECT_EQ(bounds.top, c.center ? (GetSystemMetrics(SM_CYSCREEN) - 240) / 2 : 100);
        if (c.byItem)
            EXPECT_EQ(browse.Selection(), windows);
        // A path that the shell can parse leaves its item as the selection item.
        EXPECT_EQ(browse.SelectionPIDL() != nullptr, c.byItem || !c.selection.empty());
    }
}

TEST_F(BrowseTest, SettersActOnTheOpenDialog)
{
    dialog.SetStatusText("ready");
    Send(dialog, BFFM_INITIALIZED, 0);
    log.Take();
    dialog.SetCaption("Choose Folder");
    EXPECT_EQ(dialog.Caption(), "Choose Folder");
    dialog.SetStatusText("ready"); // unchanged: nothing sent
    dialog.SetStatusText("busy");
    dialog.SetEnableOKButton(true); // sent even when unchanged
    dialog.SetEnableOKButton(false);
    dialog.SetSelection(windows);
    dialog.SetSelection(windows + "\\"); // what is stored already
    dialog.SetFitStatusText(false);
    EXPECT_EQ(log.Take(), (Strings{"caption Choose Folder", "status busy", "enable 1", "enable 0",
                                   "select path " + windows, "status busy"}));
}

TEST_F(BrowseTest, SelectionChangesReachTheStatusLineAndOnSelChanged)
{
    const Item windowsItem = SpecialFolder(CSIDL_WINDOWS);
    const Item computer = SpecialFolder(CSIDL_DRIVES); // no file-system path
    // In a 30-pixel status control only the last part of the path is left when fitted.
    MoveWindow(status, 10, 10, 30, 20, TRUE);
    const std::string leaf = windows.substr(windows.find_last_of('\\') + 1);
    for (auto [fit, shown] : {std::pair{true, leaf}, std::pair{false, windows}}) {
        TmoxBrowseDirectoryDlg browse;
        browse.SetShowSelectionInStatus(true);
        browse.SetFitStatusText(fit);
        Strings paths;
        browse.OnSelChanged = [&](ui::TObject& sender, const std::string& path, LPCITEMIDLIST item) {
            EXPECT_EQ(&sender, &browse);
            EXPECT_EQ(PathOf(item), path);
            paths.push_back(path);
        };
        log.Take();
        Send(browse, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(windowsItem.get())); // before set-up: only stored
        EXPECT_EQ(browse.StatusText(), windows);
        Send(browse, BFFM_INITIALIZED, 0);
        Send(browse, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(computer.get()));
        Send(browse, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(windowsItem.get()));
        EXPECT_EQ(log.Take(), (Strings{"enable 1", "status " + shown, "status ", "status " + shown}));
        EXPECT_EQ(paths, (Strings{windows, "", windows}));
    }
    // Neither following the selection nor a handler: nothing happens.
    Send(dialog, BFFM_INITIALIZED, 0);
    log.Take();
    Send(dialog, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(windowsItem.get()));
    EXPECT_EQ(log.Take(), Strings{});
    EXPECT_EQ(dialog.StatusText(), "");
}

TEST_F(BrowseTest, ValidationFailedClosesOnlyWhenTheHandlerCancels)
{
    const char typed[] = "Z:\\no such folder";
    const LPARAM name = reinterpret_cast<LPARAM>(typed);
    EXPECT_EQ(Send(dialog, BFFM_VALIDATEFAILEDA, name), 1); // no handler
    std::string seen;
    for (auto [cancel, result] : {std::pair{false, 1}, std::pair{true, 0}}) {
        dialog.OnValidateFailed = [&, cancel](ui::TObject& sender, const std::string& path, bool& cancelled) {
            EXPECT_EQ(&sender, &dialog);
            EXPECT_FALSE(cancelled);
            seen = path;
            cancelled = cancel;
        };
        EXPECT_EQ(Send(dialog, BFFM_VALIDATEFAILEDA, name), result);
        EXPECT_EQ(seen, typed);
    }
    // Other messages, and no dialog object, give 0.
    EXPECT_EQ(Send(dialog, BFFM_IUNKNOWN, 0), 0);
    EXPECT_EQ(TmoxBrowseDirectoryDlg::BrowseCallback(window.Handle(), BFFM_VALIDATEFAILEDA, name, 0), 0);
    // A handler's exception stops in the callback and is shown.
    dialog.OnValidateFailed = [](ui::TObject&, const std::string&, bool&) { throw std::runtime_error("broken"); };
    EXPECT_EQ(Send(dialog, BFFM_VALIDATEFAILEDA, name), 0);
    EXPECT_EQ(errors, Strings{"broken"});
}

TEST_F(BrowseTest, FoldersAreToldFromEverythingElseAndStoredWithABackslash)
{
    const test::ScratchFolder scratch;
    const std::string& folder = scratch.Root();
    const std::string file = scratch.File("file.txt", "x");
    const DWORD drives = GetLogicalDrives();
    char present = 'A', absent = 'A';
    while (present < 'Z' && !(drives >> (present - 'A') & 1))
        ++present;
    while (absent < 'Z' && (drives >> (absent - 'A') & 1))
        ++absent;
    // name, whether it is a folder, the selection stored for it
    const std::tuple<std::string, bool, std::string> cases[] = {
        {std::string(1, present) + ":\\", true, std::string(1, present) + ":\\"},
        {std::string(1, absent) + ":\\", false, std::string(1, absent) + ":\\"},
        {folder, true, folder + "\\"},
        {folder + "\\", true, folder + "\\"},
        {file, false, file},
        {folder + "\\missing", false, folder + "\\missing"},
        {folder.substr(0, folder.size() - 2) + "*", false, folder.substr(0, folder.size() - 2) + "*"},
    };
    for (const auto& [name, exists, stored] : cases) {
        EXPECT_EQ(DirExists(name), exists) << name;
        dialog.SetSelection(name);
        EXPECT_EQ(dialog.Selection(), stored);
    }
}

TEST_F(BrowseTest, ExecuteReturnsTheFolderChosenWithOkAndForgetsTheSelectionOnCancel)
{
    const test::ScratchFolder scratch;
    const std::string first = scratch.Folder("first"), second = scratch.Folder("second");
    // moved in OnCreate, the button pressed, the folder chosen
    const std::tuple<bool, int, std::string> cases[] = {
        {false, IDOK, first}, {true, IDOK, second}, {false, IDCANCEL, ""}};
    for (const auto& [move, button, chosen] : cases) {
        SCOPED_TRACE(chosen);
        TmoxBrowseDirectoryDlg browse;
        browse.SetCaption("Choose Folder");
        browse.SetSelection(first);
        browse.SetSelectionPIDL(SpecialFolder(CSIDL_WINDOWS).release());
        std::string caption;
        browse.OnCreate = [&, move = move, button = button](ui::TObject&) {
            caption = browse.Caption();
            if (move)
                browse.SetSelection(second);
            PostMessageA(browse.DialogWindow(), WM_COMMAND, button, 0);
        };
        EXPECT_EQ(browse.Execute(), button == IDOK);
        EXPECT_EQ(caption, "Choose Folder");
        EXPECT_EQ(browse.Selection(), chosen);
        EXPECT_EQ(PathOf(browse.SelectionPIDL()), chosen);
        EXPECT_EQ(browse.DisplayName(), chosen);
        EXPECT_EQ(browse.ImageIndex() >= 0, button == IDOK);
        EXPECT_EQ(browse.DialogWindow(), nullptr);
        EXPECT_EQ(browse.Caption(), "Choose Folder");
    }
}

TEST_F(BrowseTest, StatusLineIsFittedToTheRealStatusControl)
{
    const test::ScratchFolder scratch;
    const std::string leaf = "and-another-long-folder-name-below-it";
    const std::string deep = scratch.Folder("a-rather-long-folder-name-for-the-status-line\\" + leaf);
    const std::string plain = "A status line that names no folder and is far too long for the dialog's status control";
    dialog.SetStatusText("statustext");
    Strings shown, fitted;
    dialog.OnCreate = [&](ui::TObject&) {
        for (const std::string& text : {deep, plain}) {
            for (bool fit : {true, false}) {
                dialog.SetFitStatusText(fit);
                dialog.SetStatusText(text);
                char line[512] = {};
                GetDlgItemTextA(dialog.DialogWindow(), browse::kStatusControlId, line, sizeof line);
                shown.push_back(line);
                fitted.push_back(dialog.FittedStatusText());
            }
        }
        PostMessageA(dialog.DialogWindow(), WM_COMMAND, IDCANCEL, 0);
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
    EXPECT_TRUE(plain.starts_with(shown[2].substr(0, shown[2].size() - 3)));
    EXPECT_EQ(shown[3], plain);
    // Outside Execute the status line is not fitted.
    EXPECT_EQ(dialog.FittedStatusText(), plain);
}
