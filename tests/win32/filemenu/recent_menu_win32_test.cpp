// The recent-files list in a real File menu: the items after the separator,
// and their click and Alt shortcut reaching the handler through a window.
// The list itself and its INI file are tested natively.
#include "components/filemenu/file_menu_services_win32.h"
#include "components/filemenu/recent_menu_win32.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace kelvo {
namespace {

constexpr int kFirstRecent = 500;

TWin32RecentMenu* Routed = nullptr; // the menu the test window hands its commands to

LRESULT CALLBACK RoutingProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
    if (Message == WM_COMMAND && Routed && Routed->HandleCommand(LOWORD(WParam)))
        return 0;
    return DefWindowProcA(Window, Message, WParam, LParam);
}

std::string ItemText(HMENU Menu, int Position)
{
    char Text[512] = {};
    GetMenuStringA(Menu, static_cast<UINT>(Position), Text, sizeof Text, MF_BYPOSITION);
    return Text;
}

bool IsSeparator(HMENU Menu, int Position)
{
    MENUITEMINFOA Info{};
    Info.cbSize = sizeof Info;
    Info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoA(Menu, static_cast<UINT>(Position), TRUE, &Info) && (Info.fType & MFT_SEPARATOR);
}

TEST(RecentMenu, ItemsFollowTheSeparatorOpenTheirFileAndAreSavedAtTheEnd)
{
    const auto Folder = std::filesystem::temp_directory_path() / "kelvo_recent_menu";
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    const std::string A = (Folder / "a.far").string(), B = (Folder / "b.far").string();
    test::WriteBytes(A, "a");
    test::WriteBytes(B, "b");

    TWin32FileMenuServices Services;
    const std::string Ini = ExtractFilePath(Services.ParamStr(0)) + "RecentMenuTest.ini";
    test::WriteBytes(Ini, "[RecentFiles]\r\nFile0=" + A + "\r\nFile1=" + B + "\r\n");

    WNDCLASSA Class{};
    Class.lpfnWndProc = RoutingProc;
    Class.hInstance = GetModuleHandleA(nullptr);
    Class.lpszClassName = "KelvoRecentMenuTest";
    RegisterClassA(&Class);
    ui::OwnedWindow Window(CreateWindowA(Class.lpszClassName, "Recent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                         nullptr, Class.hInstance, nullptr));
    ui::OwnedMenu File(CreatePopupMenu());
    AppendMenuA(File.Get(), MF_STRING, 101, "&Open...");
    AppendMenuA(File.Get(), MF_STRING, 105, "E&xit");
    TWin32RecentMenu Menu(File.Get(), kFirstRecent);
    Routed = &Menu;

    ui::TFormEvents Form;
    std::optional<TFileMenuHandler> Handler(std::in_place, Form, Services);
    std::vector<std::string> Opened;
    Handler->IniFileName = "RecentMenuTest.ini";
    Handler->ParamCountLook = 0;
    Handler->LoadNewOnStart = false;
    Handler->OnOpen = [&](const std::string& Name) {
        Opened.push_back(Name);
        return true;
    };
    Handler->SetFileMenu(&Menu);

    Form.OnShow(Form);
    ASSERT_EQ(GetMenuItemCount(File.Get()), 5);
    EXPECT_EQ(ItemText(File.Get(), 1), "E&xit");
    EXPECT_TRUE(IsSeparator(File.Get(), 2));
    EXPECT_EQ(ItemText(File.Get(), 3), "&1 " + A + "\tAlt+1");
    EXPECT_EQ(ItemText(File.Get(), 4), "&2 " + B + "\tAlt+2");

    // A click on the second item opens its file and moves it to the top.
    SendMessageA(Window.Get(), WM_COMMAND, kFirstRecent + 1, 0);
    EXPECT_EQ(Opened, std::vector<std::string>{B});
    EXPECT_EQ(Handler->FileName(), B);
    EXPECT_EQ(ItemText(File.Get(), 3), "&1 " + B + "\tAlt+1");

    // Alt+2 runs the second item through the accelerators.
    BYTE Keys[256] = {};
    GetKeyboardState(Keys);
    Keys[VK_MENU] = 0x80;
    SetKeyboardState(Keys);
    MSG Key{};
    Key.hwnd = Window.Get();
    Key.message = WM_SYSKEYDOWN;
    Key.wParam = '2';
    Key.lParam = 0x20000001; // Alt held, one repeat
    EXPECT_TRUE(Menu.TranslateAccelerator(Window.Get(), Key));
    Keys[VK_MENU] = 0;
    SetKeyboardState(Keys);
    EXPECT_EQ(Opened, (std::vector<std::string>{B, A}));

    // A shorter list has fewer items; switched off or empty, the menu is as it was before the list.
    Handler->SetMaxItems(1);
    EXPECT_EQ(GetMenuItemCount(File.Get()), 4);
    Handler->SetEnableMenuList(false);
    EXPECT_EQ(GetMenuItemCount(File.Get()), 2);
    Handler->SetEnableMenuList(true);
    EXPECT_EQ(GetMenuItemCount(File.Get()), 4);
    Handler->SetMaxItems(0);
    EXPECT_EQ(GetMenuItemCount(File.Get()), 2);

    Handler.reset();
    Routed = nullptr;
    std::filesystem::remove(Ini);
    std::filesystem::remove_all(Folder);
}

} // namespace
} // namespace kelvo
