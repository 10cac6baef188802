// The about box shown by TAboutDialog::Execute: a timer in its modal loop reads its controls, then closes it.
#include "components/shell/about_box.h"
#include "components/shell/about_rules.h"
#include "tests/win32/test_doubles.h"

#include <functional>
#include <string>

using namespace kelvo;

namespace {

std::function<void(TAboutBox&)> whileShown;

void CALLBACK InspectBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    ASSERT_NE(AboutBox, nullptr);
    whileShown(*AboutBox);
}

RECT BoundsIn(HWND control)
{
    RECT bounds{};
    GetWindowRect(control, &bounds);
    return MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2), bounds;
}

// The text colour the box gives a label, and whether its font is underlined.
std::pair<COLORREF, bool> LookOf(HWND label)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageA(GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    const COLORREF color = GetTextColor(dc);
    DeleteDC(dc);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)), sizeof font, &font);
    return {color, font.lfUnderline != 0};
}

} // namespace

TEST(AboutBox, ShowsItsTextsSystemAndMemoryModalToItsParentAndOnlyTheCloseBoxCancels)
{
    const test::TestWindow owner;
    TAboutDialog dialog(owner.Handle());
    dialog.Company = "Kelvo Works", dialog.URL = "http://kelvo.example/", dialog.EMail = "kelvo@example.org";
    whileShown = [&](TAboutBox& box) {
        for (const auto& [control, text] : {std::pair{box.Handle(), "About Kelvo"}, {box.ProductName2, "Kelvo"},
                                            {box.Company, "Kelvo Works"}, {box.URL, "http://kelvo.example/"},
                                            {box.EMAIL, "kelvo@example.org"}})
            EXPECT_EQ(test::TextOf(control), text);
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        ASSERT_TRUE(GetVersionExA(&version));
        EXPECT_EQ(test::TextOf(box.OS), about::OsInfoText({version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                                                           version.dwBuildNumber, version.szCSDVersion}));
        // The real total, also beyond 2 GB, with the user's separator.
        MEMORYSTATUSEX memory{};
        memory.dwLength = sizeof memory;
        ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
        char separator[8] = {};
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
        EXPECT_EQ(test::TextOf(box.PhysMem), about::FormatKilobytes(memory.ullTotalPhys, separator));
        // Labels grow rightwards; the memory figure keeps its right edge unless it must follow its caption.
        const RECT url = BoundsIn(box.URL), memoryFigure = BoundsIn(box.PhysMem), caption = BoundsIn(box.Label3);
        EXPECT_TRUE(url.left == 82 && url.right > 82 + 31) << url.right;
        EXPECT_GE(memoryFigure.left, caption.right);
        EXPECT_TRUE(memoryFigure.left <= caption.right + 4 || memoryFigure.right == 329) << memoryFigure.right;
        const std::pair navyLink(RGB(0, 0, 128), true), plain(RGB(0, 0, 0), false);
        EXPECT_EQ(std::tuple(LookOf(box.URL), LookOf(box.EMAIL), LookOf(box.Company)), std::tuple(navyLink, navyLink, plain));
        EXPECT_TRUE(GetWindow(box.Handle(), GW_OWNER) == owner.Handle() && !IsWindowEnabled(owner.Handle()));
        SendMessageA(box.OKButton, BM_CLICK, 0, 0);
    };
    SetTimer(nullptr, 0, 10, InspectBox);
    EXPECT_TRUE(dialog.Execute());
    EXPECT_TRUE(AboutBox == nullptr && IsWindowEnabled(owner.Handle()));
    // Keys go to the focused OK button, as typed.
    dialog.ProductName = "Farview";
    for (const auto& [message, key, cancels] : {std::tuple{WM_KEYDOWN, VK_RETURN, false},
                                                {WM_KEYDOWN, VK_ESCAPE, false}, {WM_SYSCOMMAND, SC_CLOSE, true}}) {
        whileShown = [&, message = message, key = key](TAboutBox& box) {
            EXPECT_EQ(test::TextOf(box.Handle()), "About Farview");
            EXPECT_EQ(GetFocus(), box.OKButton);
            PostMessageA(message == WM_KEYDOWN ? GetFocus() : box.Handle(), message, key, 0);
        };
        SetTimer(nullptr, 0, 10, InspectBox);
        EXPECT_EQ(dialog.Execute(), !cancels);
    }
}
