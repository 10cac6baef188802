// The about box shown modally by TAboutDialog::Execute: a timer running in
// the box's modal loop reads its controls as a user would see them, then
// closes it the way the case says.
#include "components/shell/about_box.h"
#include "components/shell/about_rules.h"
#include "tests/win32/test_doubles.h"

#include <functional>
#include <string>

using namespace kelvo;

namespace {

std::function<void(TAboutBox&)> whileShown;

// Runs once, inside the box's modal loop.
void CALLBACK InspectBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    ASSERT_NE(AboutBox, nullptr);
    whileShown(*AboutBox);
}

bool RunDialog(TAboutDialog& dialog, std::function<void(TAboutBox&)> inspect)
{
    whileShown = std::move(inspect);
    SetTimer(nullptr, 0, 10, InspectBox);
    const bool result = dialog.Execute();
    EXPECT_EQ(AboutBox, nullptr);
    return result;
}

RECT BoundsIn(HWND control)
{
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

LOGFONTA FontOf(HWND control)
{
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

// The text colour the box gives a label.
COLORREF TextColorOf(HWND label)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageA(GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    const COLORREF color = GetTextColor(dc);
    DeleteDC(dc);
    return color;
}

} // namespace

TEST(AboutBox, ShowsTheTextsSystemAndMemoryInItsLayoutModalToItsParent)
{
    const test::TestWindow owner;
    TAboutDialog dialog(owner.Handle());
    dialog.Company = "Kelvo Works";
    dialog.Version = "Version 1.0";
    dialog.Copyright = "Copyright 2024 R&D";
    dialog.URL = "http://kelvo.example/";
    dialog.EMail = "kelvo@example.org";
    const bool ok = RunDialog(dialog, [&](TAboutBox& box) {
        EXPECT_EQ(test::TextOf(box.Handle()), "About Kelvo");
        RECT client{};
        GetClientRect(box.Handle(), &client);
        EXPECT_EQ(client.right, 342);
        EXPECT_EQ(client.bottom, 250);

        const std::pair<HWND, const char*> texts[] = {
            {box.ProductName1, "Kelvo"}, {box.ProductName2, "Kelvo"}, {box.ProductName3, "Kelvo"},
            {box.Company, "Kelvo Works"}, {box.Version, "Version 1.0"}, {box.Copyright, "Copyright 2024 R&D"},
            {box.URL, "http://kelvo.example/"}, {box.EMAIL, "kelvo@example.org"}, {box.OKButton, "OK"},
            {box.Label3, "Memory Available to Windows:"},
        };
        for (const auto& [control, text] : texts) {
            EXPECT_EQ(GetParent(control), box.Handle());
            EXPECT_EQ(test::TextOf(control), text);
        }
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        ASSERT_TRUE(GetVersionExA(&version));
        EXPECT_EQ(test::TextOf(box.OS),
                  about::OsInfoText({version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                                     version.dwBuildNumber, version.szCSDVersion}));
        // The real total, also beyond 2 GB, in whole kilobytes.
        MEMORYSTATUSEX memory{};
        memory.dwLength = sizeof memory;
        ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
        char separator[8] = {};
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
        EXPECT_EQ(test::TextOf(box.PhysMem), about::FormatKilobytes(memory.ullTotalPhys, separator));

        // Labels grow with their text from their left edge; the memory
        // figure keeps its right edge.
        const RECT url = BoundsIn(box.URL), os = BoundsIn(box.OS), memoryFigure = BoundsIn(box.PhysMem);
        EXPECT_EQ(url.left, 82);
        EXPECT_EQ(url.top, 109);
        EXPECT_GT(url.right - url.left, 31);
        EXPECT_GT(os.right - os.left, 15);
        EXPECT_LT(memoryFigure.left, 323);
        EXPECT_GE(memoryFigure.left, BoundsIn(box.Label3).right);
        if (memoryFigure.left > BoundsIn(box.Label3).right + 4) {
            EXPECT_EQ(memoryFigure.right, 329);
        }

        // The links: navy and underlined; the other texts black, not underlined.
        for (HWND link : {box.URL, box.EMAIL}) {
            EXPECT_EQ(TextColorOf(link), RGB(0, 0, 128));
            EXPECT_TRUE(FontOf(link).lfUnderline);
        }
        EXPECT_EQ(TextColorOf(box.Company), RGB(0, 0, 0));
        EXPECT_FALSE(FontOf(box.Version).lfUnderline);
        EXPECT_EQ(FontOf(box.ProductName2).lfWeight, FW_BOLD);
        EXPECT_EQ(GetFocus(), box.OKButton);
        EXPECT_EQ(GetWindow(box.Handle(), GW_OWNER), owner.Handle());
        EXPECT_FALSE(IsWindowEnabled(owner.Handle()));
        SendMessageA(box.OKButton, BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    // The application title stays as the product name.
    EXPECT_EQ(dialog.ProductName, "Kelvo");
}

TEST(AboutBox, OnlyTheCloseBoxCancels)
{
    // Keys go to the focused OK button, as typed.
    const std::pair<std::function<void(HWND)>, bool> closings[] = {
        {[](HWND) { PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0); }, true},
        {[](HWND) { PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }, true},
        {[](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, false},
    };
    TAboutDialog dialog;
    dialog.ProductName = "Farview";
    for (const auto& [close, expected] : closings) {
        const bool result = RunDialog(dialog, [&, close = close](TAboutBox& box) {
            EXPECT_EQ(test::TextOf(box.Handle()), "About Farview");
            close(box.Handle());
        });
        EXPECT_EQ(result, expected);
    }
}
