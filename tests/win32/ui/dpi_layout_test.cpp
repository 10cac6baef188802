// Layout at 96 and at 144 DPI in one program. The test runs this program a
// second time with the prefix's screen DPI (LogPixels) at 144, put back
// afterwards; there, windows made while the thread is DPI-unaware are at
// 96 DPI and windows made while it is per-monitor aware at 144. Every size
// measured at 144 must be 1.5 times the one at 96, within a pixel.

#include "components/hexview/hexeditor.h"
#include "components/shell/about_box.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "ui/form.h"
#include "ui/list_box.h"
#include "ui/list_view.h"
#include "ui/tool_bar.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using namespace kelvo;

namespace {

const auto kUnaware = reinterpret_cast<HANDLE>(-1);   // DPI_AWARENESS_CONTEXT_UNAWARE
const auto kPerMonitor = reinterpret_cast<HANDLE>(-4); // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
constexpr char kChildMark[] = "KELVO_DPI_LAYOUT_AT_144";

using Sizes = std::vector<std::pair<const char*, int>>;

int FontHeight(HFONT font)
{
    LOGFONTA logical{};
    GetObjectA(font, sizeof logical, &logical);
    return logical.lfHeight;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

Sizes* aboutSizes = nullptr;

// Measures the about box once it shows, then closes it.
void CALLBACK MeasureAboutBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    RECT client{}, button{};
    GetClientRect(AboutBox->Handle(), &client);
    GetWindowRect(AboutBox->OKButton, &button);
    MapWindowPoints(nullptr, AboutBox->Handle(), reinterpret_cast<POINT*>(&button), 2);
    *aboutSizes = {{"about box width", client.right},  {"about box height", client.bottom},
                   {"about OK left", button.left},     {"about OK top", button.top},
                   {"about OK width", Width(button)},  {"about OK height", Height(button)},
                   {"about font", FontHeight(reinterpret_cast<HFONT>(SendMessageA(AboutBox->OKButton, WM_GETFONT, 0, 0)))}};
    PostMessageA(AboutBox->Handle(), WM_COMMAND, IDOK, 0);
}

Sizes AboutBoxSizes(HWND owner)
{
    Sizes sizes;
    aboutSizes = &sizes;
    SetTimer(nullptr, 0, 10, MeasureAboutBox);
    TAboutDialog(owner).Execute();
    return sizes;
}

// The main window's panes, bars, status panel and status font.
Sizes MainWindowSizes()
{
    Script script;
    TFarDlg dlg(script, script);
    dlg.Show(SW_SHOWNOACTIVATE);
    RECT list{}, details{}, status{};
    GetWindowRect(dlg.FileListBox().Handle(), &list);
    GetWindowRect(dlg.DetailsListBox().Handle(), &details);
    MapWindowPoints(nullptr, dlg.Handle(), reinterpret_cast<POINT*>(&details), 2);
    GetWindowRect(dlg.StatusBar().Handle(), &status);
    return {{"entry list width", Width(list)},          {"details height", Height(details)},
            {"panes under the tool bar", details.top}, {"status bar height", Height(status)},
            {"gauge panel width", dlg.StatusBar().Panels().Items(1).Width()},
            {"status font", FontHeight(dlg.StatusBar().Font())}};
}

// The sizes of our windows made while the thread has the given DPI awareness.
Sizes MeasureAt(HANDLE awareness, int& dpi)
{
    using SetAwareness = HANDLE(WINAPI*)(HANDLE);
    static const auto setAwareness = reinterpret_cast<SetAwareness>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
    EXPECT_NE(setAwareness, nullptr);
    const HANDLE before = setAwareness ? setAwareness(awareness) : nullptr;

    ui::Form form;
    form.Create("KelvoDpiLayoutTest", "Layout", 400, 300);
    dpi = form.Dpi();
    form.SetFont("MS Sans Serif", -11);
    ui::ListBox list;
    list.CreateVirtual(form.Handle(), 1, 13);
    ui::ListView view;
    view.Create(form.Handle(), 2);
    view.SetColumns({{"Name", 50}});
    ui::ToolBar bar;
    bar.Create(form.Handle(), 3, [](int size) { return ui::OwnedImageList(ImageList_Create(size, size, ILC_COLOR24, 1, 0)); });
    bar.AddButton(100, 0, BTNS_BUTTON, "Hint");
    bar.AddSeparator();
    THexEditor hex;
    hex.Create(form.Handle(), 4);

    RECT window{}, gap{};
    GetWindowRect(form.Handle(), &window);
    const auto button = static_cast<DWORD>(SendMessageA(bar.Handle(), TB_GETBUTTONSIZE, 0, 0));
    int glyph = 0, unused = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageA(bar.Handle(), TB_GETIMAGELIST, 0, 0)), &glyph, &unused);
    SendMessageA(bar.Handle(), TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&gap));
    Sizes sizes{{"form width", Width(window)},
                {"form height", Height(window)},
                {"form font", FontHeight(form.Font())},
                {"list item height", static_cast<int>(SendMessageA(list.Handle(), LB_GETITEMHEIGHT, 0, 0))},
                {"list view column", static_cast<int>(SendMessageA(view.Handle(), LVM_GETCOLUMNWIDTH, 0, 0))},
                {"tool button width", LOWORD(button)},
                {"tool button height", HIWORD(button)},
                {"tool glyph", glyph},
                {"tool gap", Width(gap)},
                {"hex font", FontHeight(hex.Font())}};
    for (const auto& size : AboutBoxSizes(form.Handle()))
        sizes.push_back(size);
    for (const auto& size : MainWindowSizes())
        sizes.push_back(size);
    if (setAwareness)
        setAwareness(before);
    return sizes;
}

// Runs this test again in a program started with the screen at 144 DPI.
void RunAt144()
{
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                              nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD old = 0, size = sizeof old;
    const bool had = RegQueryValueExA(desktop, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old), &size) == ERROR_SUCCESS;
    const DWORD dpi = 144;
    RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);

    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string line = std::string("\"") + path + "\" --gtest_filter=DpiLayout.*";
    SetEnvironmentVariableA(kChildMark, "1");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kChildMark, nullptr);
    DWORD code = 1;
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (had)
        RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof old);
    else
        RegDeleteValueA(desktop, "LogPixels");
    RegCloseKey(desktop);
    ASSERT_TRUE(started);
    EXPECT_EQ(code, 0u) << "the run at 144 DPI failed";
}

TEST(DpiLayout, SizesAt144AreOneAndAHalfTimesThoseAt96)
{
    if (!std::getenv(kChildMark)) {
        RunAt144();
        return;
    }
    int dpi96 = 0, dpi144 = 0;
    const Sizes at96 = MeasureAt(kUnaware, dpi96);
    const Sizes at144 = MeasureAt(kPerMonitor, dpi144);
    ASSERT_EQ(dpi96, 96);
    ASSERT_EQ(dpi144, 144);
    ASSERT_EQ(at96.size(), at144.size());
    for (std::size_t i = 0; i < at96.size(); ++i)
        EXPECT_NEAR(at144[i].second, at96[i].second * 1.5, 1.0) << at96[i].first << " at 96: " << at96[i].second;
}

// A move to a display of another DPI: the form takes the suggested rectangle
// and gives its controls its new font.
TEST(DpiLayout, ANewDpiTakesTheSuggestedRectangleAndANewFont)
{
    ui::Form form;
    form.Create("KelvoDpiLayoutTest", "Layout", 400, 300);
    form.SetFont("MS Sans Serif", -11);
    ui::ListBox list;
    list.Create(form.Handle(), 1, 13);
    form.ApplyFont(list.Handle());
    const HFONT old = form.Font();
    RECT suggested{10, 20, 510, 420};
    SendMessageA(form.Handle(), WM_DPICHANGED, MAKEWPARAM(form.Dpi(), form.Dpi()), reinterpret_cast<LPARAM>(&suggested));
    RECT window{};
    GetWindowRect(form.Handle(), &window);
    EXPECT_TRUE(EqualRect(&window, &suggested));
    EXPECT_NE(form.Font(), old);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(list.Handle(), WM_GETFONT, 0, 0)), form.Font());
}

} // namespace
