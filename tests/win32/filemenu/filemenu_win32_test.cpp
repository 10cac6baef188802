// The real save dialog, message boxes and recent items of a File menu, answered from a second thread as a user
// would. The workflow and the recent-files list themselves are tested natively.
#include "components/filemenu/file_menu_services_win32.h"
#include "components/filemenu/recent_menu_win32.h"
#include "platform/file.h"
#include "tests/win32/window_search.h"
#include "ui/common_dialogs.h"
#include "ui/form.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace kelvo {
namespace {

using namespace test;
using Step = std::function<void(HWND dialog, std::string& failures)>;

// Runs run() while another thread answers dialogs, one step each, cancelling those left open; returns what went wrong.
std::string Answering(const std::vector<Step>& steps, const std::function<void()>& run)
{
    std::string failures;
    std::thread answerer([&] {
        HWND previous = nullptr, dialog = nullptr;
        for (const Step& step : steps) {
            if (!WaitFor([&] { return (dialog = FindProcessWindow(GetCurrentProcessId(), "#32770", previous)); }))
                return void(failures += "a dialog never appeared;");
            step(dialog, failures);
            if (!WaitFor([&] { return !IsWindow(dialog); })) {
                failures += "a dialog stayed open;";
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
            previous = dialog;
        }
    });
    run();
    answerer.join();
    return failures;
}

// A message box: checks its text, title, buttons and icon, then presses button.
Step Box(std::string text, std::string title, std::string buttons, LPCSTR icon, int button)
{
    return [=](HWND box, std::string& failures) {
        std::string shown = TextOf(GetDlgItem(box, 0xFFFF)) + "|" + TextOf(box) + "|";
        for (auto [id, name] : {std::pair{IDOK, "OK "}, {IDCANCEL, "Cancel "}, {IDYES, "Yes "}, {IDNO, "No "}})
            shown += GetDlgItem(box, id) ? name : "";
        if (shown != text + "|" + title + "|" + buttons ||
            reinterpret_cast<HICON>(SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0)) != LoadIconA(nullptr, icon))
            failures += shown + ";";
        PostMessageA(box, WM_COMMAND, button, 0);
    };
}

TEST(RealDialogs, SaveAddsTheDefaultExtensionTheQuestionGivesTheAnswerAndNotFoundHasOnlyOk)
{
    const std::string folder = platform::MakeTempFolder("kelvo-filemenu-"); // empty: no overwrite question
    ASSERT_NE(folder, "");
    ui::TSaveDialog save;
    save.Filter = "FAR files (*.far)|*.FAR";
    save.DefaultExt = "FAR";
    save.InitialDir = folder;
    std::vector<Step> steps{[](HWND dialog, std::string& failures) {
        HWND field = nullptr; // the file-name combo box of the common file dialogs
        if (!WaitFor([&] { return (field = GetDlgItem(dialog, 0x47C)) != nullptr; }))
            failures += "no file-name field;";
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("result"));
        PostMessageA(dialog, WM_COMMAND, field ? IDOK : IDCANCEL, 0);
    }};
    const std::string question = "File C:\\my files\\a.far has changed. Save Changes?";
    for (int button : {IDYES, IDNO, IDCANCEL})
        steps.push_back(Box(question, "Save changes", "Cancel Yes No ", IDI_EXCLAMATION, button));
    steps.push_back(Box("File C:\\nope.far not found.", "Error", "OK ", IDI_ERROR, IDOK));
    TWin32FileMenuServices services;
    EXPECT_EQ(Answering(steps, [&] {
                  EXPECT_TRUE(save.Execute());
                  for (TSaveAnswer answer : {TSaveAnswer::saYes, TSaveAnswer::saNo, TSaveAnswer::saCancel})
                      EXPECT_EQ(services.AskSaveChanges(question, "Save changes"), answer);
                  services.ShowNotFound("File C:\\nope.far not found.");
              }),
              "");
    EXPECT_EQ(lstrcmpiA(save.GetFileName().c_str(), (folder + "\\result.FAR").c_str()), 0) << save.GetFileName();
    platform::RemoveFolder(folder);
}

struct MenuWindow : ui::Form {
    TWin32RecentMenu* menu = nullptr;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && menu && menu->HandleCommand(LOWORD(wParam)))
            return 0;
        return ui::Form::HandleMessage(message, wParam, lParam);
    }
};

// The main window's test reads and clicks the real recent items; here their removal and Alt shortcut.
TEST(RecentMenu, ItemsFollowTheirSeparatorAndRunByAltShortcut)
{
    MenuWindow window;
    window.Create("KelvoRecentMenuTest", "Recent", 300, 200);
    ui::OwnedMenu file(CreatePopupMenu());
    AppendMenuA(file.Get(), MF_STRING, 101, "E&xit");
    TWin32RecentMenu menu(file.Get(), 500);
    window.menu = &menu;
    std::vector<int> clicked;
    menu.OnItemClick = [&](int position) { clicked.push_back(position); };
    menu.ShowItems(RecentItems({"C:\\a.far", "C:\\b.far"}, true, -1));
    ASSERT_EQ(GetMenuItemCount(file.Get()), 4); // a separator, then the items
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    MSG key{window.Handle(), WM_SYSKEYDOWN, '2', 0x20000001, 0, {}}; // Alt held, one repeat
    EXPECT_TRUE(menu.TranslateAccelerator(window.Handle(), key));
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(clicked, std::vector<int>{1});
    menu.ShowItems({});
    EXPECT_EQ(GetMenuItemCount(file.Get()), 1); // as it was before the list
    menu.ShowItems(RecentItems({"C:\\a.far"}, true, -1));
    menu.RemoveItems();
    EXPECT_EQ(GetMenuItemCount(file.Get()), 1);
}

} // namespace
} // namespace kelvo
