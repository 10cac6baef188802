// The browse dialog's callback driven against a logging test window, and the real dialog; rules are browse_rules'.
#include "components/shell/browse_directory_dlg.h"
#include "tests/win32/folder_dialog_answers.h"
#include "tests/win32/test_doubles.h"
#include "ui/window.h"

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

using namespace kelvo;
using Strings = std::vector<std::string>;

namespace {

LPITEMIDLIST SpecialFolder(int csidl)
{
    LPITEMIDLIST item = nullptr;
    EXPECT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &item));
    return item;
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
    if (message == BFFM_SETSELECTIONA)
        return wParam ? "select path " + text() : "select item " + PathOf(reinterpret_cast<LPCITEMIDLIST>(lParam));
    return message == BFFM_ENABLEOK        ? "enable " + std::to_string(lParam)
           : message == BFFM_SETSTATUSTEXTA ? "status " + text()
           : message == WM_SETTEXT          ? "caption " + text()
                                            : "";
}

// The test window stands in for the shell's dialog, with a status control.
class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(OleInitialize(nullptr));
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
    }
    void TearDown() override { ui::SetExceptionHandler(nullptr), ILFree(windowsItem), OleUninitialize(); }
    int Send(UINT message, LPARAM param, TmoxBrowseDirectoryDlg* to = nullptr)
    {
        return TmoxBrowseDirectoryDlg::BrowseCallback(window.Handle(), message, param,
                                                      reinterpret_cast<LPARAM>(to ? to : &dialog));
    }

    Strings errors;
    LPITEMIDLIST windowsItem = SpecialFolder(CSIDL_WINDOWS);
    const std::string windows = PathOf(windowsItem);
    test::TestWindow window;
    HWND status = window.AddChild("STATIC", 0, {10, 10, 210, 30}, browse::kStatusControlId);
    test::MessageLog log{window.Handle(), Describe};
    TmoxBrowseDirectoryDlg dialog;
};

} // namespace

TEST_F(BrowseTest, InitialisedSetsUpTheDialogCallsOnCreateAndThenTheSettersActOnIt)
{
    // centred and OK enabled, by item, selection, caption, the requests sent (by item: Selection is the item's path)
    const std::tuple<bool, bool, std::string, std::string, Strings> cases[] = {
        {true, false, windows, "Choose Folder",
         {"enable 1", "status hello", "select path " + windows, "caption Choose Folder"}},
        {false, true, "", "", {"enable 0", "status hello", "select item " + windows}},
    };
    for (const auto& [centerAndOK, byItem, selection, caption, sent] : cases) {
        SCOPED_TRACE(caption + selection);
        SetWindowPos(window.Handle(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        TmoxBrowseDirectoryDlg browse;
        browse.SetCenter(centerAndOK), browse.SetEnableOKButton(centerAndOK);
        browse.SetStatusText("hello"), browse.SetSelection(selection), browse.SetCaption(caption);
        if (byItem)
            browse.SetSelectionPIDL(SpecialFolder(CSIDL_WINDOWS));
        int created = 0;
        browse.OnCreate = [&](ui::TObject&) { created += browse.DialogWindow() == window.Handle(); };
        log.Take();
        EXPECT_EQ(Send(BFFM_INITIALIZED, 0, &browse), 0);
        EXPECT_EQ(log.Take(), sent);
        EXPECT_EQ(created, 1);
        RECT bounds{};
        GetWindowRect(window.Handle(), &bounds);
        EXPECT_EQ(bounds.left, centerAndOK ? (GetSystemMetrics(SM_CXSCREEN) - 460) / 2 : 100);
        EXPECT_EQ(bounds.top, centerAndOK ? (GetSystemMetrics(SM_CYSCREEN) - 240) / 2 : 100);
        EXPECT_EQ(std::pair(browse.Selection(), browse.SelectionPIDL() != nullptr), // a parsed path leaves its item
                  std::pair(byItem ? windows : selection.empty() ? "" : windows + "\\", byItem || !selection.empty()));
    }
    // Once open, the setters send at once; an unchanged status line is not sent again.
    dialog.SetStatusText("ready"), dialog.SetFitStatusText(false);
    Send(BFFM_INITIALIZED, 0), log.Take();
    dialog.SetCaption("Choose Folder"), dialog.SetStatusText("ready"), dialog.SetStatusText("busy");
    dialog.SetEnableOKButton(false), dialog.SetSelection(windows), dialog.SetFitStatusText(true);
    EXPECT_EQ(dialog.Caption(), "Choose Folder");
    EXPECT_EQ(log.Take(), (Strings{"caption Choose Folder", "status busy", "enable 0", "select path " + windows, "status busy"}));
}

TEST_F(BrowseTest, SelectionChangesReachTheStatusLineAndOnSelChanged)
{
    const LPARAM computer = reinterpret_cast<LPARAM>(SpecialFolder(CSIDL_DRIVES));
    const LPARAM item = reinterpret_cast<LPARAM>(windowsItem);
    // In a 30-pixel status control only the last part of the path is left when fitted.
    MoveWindow(status, 10, 10, 30, 20, TRUE);
    for (auto [fit, shown] : {std::pair{true, windows.substr(windows.find_last_of('\\') + 1)}, {false, windows}}) {
        TmoxBrowseDirectoryDlg browse;
        browse.SetShowSelectionInStatus(true), browse.SetFitStatusText(fit);
        Strings paths;
        browse.OnSelChanged = [&](ui::TObject&, const std::string& path, LPCITEMIDLIST selected) {
            EXPECT_EQ(PathOf(selected), path);
            paths.push_back(path);
        };
        log.Take(), Send(BFFM_SELCHANGED, item, &browse); // before set-up: only stored
        EXPECT_EQ(browse.StatusText(), windows);
        Send(BFFM_INITIALIZED, 0, &browse), Send(BFFM_SELCHANGED, computer, &browse), Send(BFFM_SELCHANGED, item, &browse);
        EXPECT_EQ(log.Take(), (Strings{"enable 1", "status " + shown, "status ", "status " + shown}));
        EXPECT_EQ(paths, (Strings{windows, "", windows}));
    }
    ILFree(reinterpret_cast<LPITEMIDLIST>(computer));
    // Neither following the selection nor a handler: nothing sent; plain text is cut at its end, only while open.
    Send(BFFM_INITIALIZED, 0), log.Take();
    Send(BFFM_SELCHANGED, item);
    dialog.SetStatusText("A status line far too long");
    EXPECT_EQ(log.Take(), Strings{"status " + dialog.FittedStatusText()});
    EXPECT_TRUE(dialog.FittedStatusText().ends_with("...")) << dialog.FittedStatusText();
    TmoxBrowseDirectoryDlg closed;
    closed.SetStatusText("A status line far too long");
    EXPECT_EQ(closed.FittedStatusText(), closed.StatusText());
}

TEST_F(BrowseTest, ValidationFailedClosesOnlyWhenTheHandlerCancels)
{
    const LPARAM typed = reinterpret_cast<LPARAM>("Z:\\no such folder");
    EXPECT_EQ(Send(BFFM_VALIDATEFAILEDA, typed), 1); // no handler
    for (auto [cancel, result] : {std::pair{false, 1}, {true, 0}}) {
        std::string seen;
        dialog.OnValidateFailed = [&, cancel](ui::TObject&, const std::string& path, bool& cancelled) {
            seen = cancelled ? "cancelled already" : path, cancelled = cancel;
        };
        EXPECT_EQ(Send(BFFM_VALIDATEFAILEDA, typed), result);
        EXPECT_EQ(seen, "Z:\\no such folder");
    }
    // Other messages, and no dialog object, give 0; a handler's exception is shown.
    EXPECT_EQ(Send(BFFM_IUNKNOWN, 0), 0);
    EXPECT_EQ(TmoxBrowseDirectoryDlg::BrowseCallback(window.Handle(), BFFM_VALIDATEFAILEDA, typed, 0), 0);
    dialog.OnValidateFailed = [](ui::TObject&, const std::string&, bool&) { throw std::runtime_error("broken"); };
    EXPECT_EQ(Send(BFFM_VALIDATEFAILEDA, typed), 0);
    EXPECT_EQ(errors, Strings{"broken"});
}

TEST_F(BrowseTest, FoldersAreStoredWithABackslashAndExecuteReturnsTheFolderChosenWithOkOrNothingOnCancel)
{
    const test::ScratchFolder scratch;
    const std::string& folder = scratch.Root();
    const std::string file = scratch.File("file.txt", "x"), first = scratch.Folder("first"), second = scratch.Folder("second");
    // name, whether it is a folder, the selection stored for it
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"C:\\", true, "C:\\"}, {folder, true, folder + "\\"}, {folder + "\\", true, folder + "\\"},
        {file, false, file}, {folder + "\\no", false, folder + "\\no"}, {folder + "*", false, folder + "*"},
    };
    for (const auto& [name, exists, stored] : cases) {
        EXPECT_EQ(DirExists(name), exists) << name;
        dialog.SetSelection(name);
        EXPECT_EQ(dialog.Selection(), stored);
    }
    for (const std::string& chosen : {first, second, std::string()}) {
        SCOPED_TRACE(chosen);
        TmoxBrowseDirectoryDlg browse;
        browse.SetCaption("Choose Folder"), browse.SetSelection(first);
        test::FolderDialogAnswers answers(browse);
        answers.answers = {chosen};
        EXPECT_EQ(browse.Execute(), !chosen.empty());
        EXPECT_EQ(answers.seen, (std::vector<test::FolderDialogAnswers::Seen>{{"Choose Folder", "", first + "\\"}}));
        EXPECT_EQ(std::tuple(browse.Selection(), PathOf(browse.SelectionPIDL()), browse.DisplayName()),
                  std::tuple(chosen, chosen, chosen));
        EXPECT_EQ(std::pair(browse.ImageIndex() >= 0, browse.DialogWindow()), std::pair(!chosen.empty(), HWND(nullptr)));
    }
}
