// The document workflow's real save dialog, message boxes and File menu;
// dialogs are answered from a second thread as a user would. The workflow
// and the recent-files list themselves are tested natively.
#include "components/filemenu/file_menu_services_win32.h"
#include "components/filemenu/recent_menu_win32.h"
#include "tests/test_support.h"
#include "tests/win32/window_search.h"
#include "ui/common_dialogs.h"
#include "ui/form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace kelvo {
namespace {

using namespace test;
using Step = std::function<void(HWND dialog, std::string& failures)>;

// Runs run() while another thread answers the dialogs of this process, one
// step each in order; a dialog its step leaves open is cancelled. Returns what went wrong.
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

// A message box: checks its text, title, icon and buttons, then presses button.
Step Box(std::string text, std::string title, LPCSTR icon, std::vector<int> buttons, int button)
{
    return [=](HWND box, std::string& failures) {
        std::vector<int> present;
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
            if (GetDlgItem(box, id))
                present.push_back(id);
        const auto shownIcon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0));
        if (TextOf(GetDlgItem(box, 0xFFFF)) != text || TextOf(box) != title || present != buttons ||
            shownIcon != LoadIconA(nullptr, icon))
            failures += "box " + TextOf(box) + ": " + TextOf(GetDlgItem(box, 0xFFFF)) + ";";
        PostMessageA(box, WM_COMMAND, button, 0);
    };
}

TEST(FileDialogs, SaveAddsTheDefaultExtensionToTheTypedName)
{
    // A folder of this run's own: no file of the name typed is there, so no overwrite question comes.
    char temp[MAX_PATH] = {}, longTemp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    GetLongPathNameA(temp, longTemp, MAX_PATH);
    const std::string folder = std::string(longTemp) + "kelvo-filemenu-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ui::TSaveDialog save;
    save.Filter = "FAR files (*.far)|*.FAR";
    save.DefaultExt = "FAR";
    save.InitialDir = folder;
    const Step typeName = [](HWND dialog, std::string& failures) {
        HWND field = nullptr; // the file-name combo box of the common file dialogs
        if (!WaitFor([&] { return (field = GetDlgItem(dialog, 0x47C)) != nullptr; }))
            failures += "no file-name field;";
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("result"));
        PostMessageA(dialog, WM_COMMAND, field ? IDOK : IDCANCEL, 0);
    };
    EXPECT_EQ(Answering({typeName}, [&] { EXPECT_TRUE(save.Execute()); }), "");
    EXPECT_EQ(lstrcmpiA(save.GetFileName().c_str(), (folder + "\\result.FAR").c_str()), 0) << save.GetFileName();
    RemoveDirectoryA(folder.c_str());
}

TEST(MessageBoxes, SaveQuestionGivesTheAnswerAndNotFoundHasOnlyOk)
{
    TWin32FileMenuServices services;
    const std::string question = "File C:\\my files\\a.far has changed. Save Changes?";
    std::vector<Step> steps;
    for (int button : {IDYES, IDNO, IDCANCEL})
        steps.push_back(Box(question, "Save changes", IDI_EXCLAMATION, {IDCANCEL, IDYES, IDNO}, button));
    steps.push_back(Box("File C:\\nope.far not found.", "Error", IDI_ERROR, {IDOK}, IDOK));
    EXPECT_EQ(Answering(steps, [&] {
                  for (TSaveAnswer answer : {TSaveAnswer::saYes, TSaveAnswer::saNo, TSaveAnswer::saCancel})
                      EXPECT_EQ(services.AskSaveChanges(question, "Save changes"), answer);
                  services.ShowNotFound("File C:\\nope.far not found.");
              }),
              "");
}

// A window that hands its commands to the recent-files menu.
struct MenuWindow : ui::Form {
    TWin32RecentMenu* menu = nullptr;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && menu && menu->HandleCommand(LOWORD(wParam)))
            return 0;
        return ui::Form::HandleMessage(message, wParam, lParam);
    }
};

TEST(RecentMenu, ItemsFollowTheSeparatorAndOpenTheirFileByClickOrAltShortcut)
{
    const auto folder = std::filesystem::temp_directory_path() / "kelvo_recent_menu";
    std::filesystem::create_directories(folder);
    const std::string a = (folder / "a.far").string(), b = (folder / "b.far").string();
    WriteBytes(a, "a");
    WriteBytes(b, "b");
    TWin32FileMenuServices services;
    const std::string ini = ExtractFilePath(services.ParamStr(0)) + "RecentMenuTest.ini";
    WriteBytes(ini, "[RecentFiles]\r\nFile0=" + a + "\r\nFile1=" + b + "\r\n");

    MenuWindow window;
    window.Create("KelvoRecentMenuTest", "Recent", 300, 200);
    ui::OwnedMenu file(CreatePopupMenu());
    AppendMenuA(file.Get(), MF_STRING, 101, "E&xit");
    TWin32RecentMenu menu(file.Get(), 500);
    window.menu = &menu;
    std::optional<TFileMenuHandler> handler(std::in_place, window, services);
    std::vector<std::string> opened;
    handler->IniFileName = "RecentMenuTest.ini";
    handler->ParamCountLook = 0;
    handler->LoadNewOnStart = false;
    handler->OnOpen = [&](const std::string& name) { return opened.push_back(name), true; };
    handler->SetFileMenu(&menu);
    window.OnShow(window);

    const auto item = [&](int position) {
        char text[512] = {};
        GetMenuStringA(file.Get(), static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
        return std::string(text);
    };
    ASSERT_EQ(GetMenuItemCount(file.Get()), 4);
    EXPECT_EQ(item(0), "E&xit");
    EXPECT_TRUE(GetMenuState(file.Get(), 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(item(2), "&1 " + a + "\tAlt+1");
    EXPECT_EQ(item(3), "&2 " + b + "\tAlt+2");
    SendMessageA(window.Handle(), WM_COMMAND, 500 + 1, 0); // a click on the second item
    EXPECT_EQ(item(2), "&1 " + b + "\tAlt+1");
    // Alt+2 runs the second item through the accelerators.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    MSG key{window.Handle(), WM_SYSKEYDOWN, '2', 0x20000001}; // Alt held, one repeat
    EXPECT_TRUE(menu.TranslateAccelerator(window.Handle(), key));
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(opened, (std::vector<std::string>{b, a}));
    // Switched off or empty, the menu is as it was before the list.
    handler->SetMaxItems(1);
    EXPECT_EQ(GetMenuItemCount(file.Get()), 3);
    handler->SetEnableMenuList(false);
    EXPECT_EQ(GetMenuItemCount(file.Get()), 1);
    handler->SetEnableMenuList(true);
    handler->SetMaxItems(0);
    EXPECT_EQ(GetMenuItemCount(file.Get()), 1);
    handler.reset();
    std::filesystem::remove(ini);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace kelvo
