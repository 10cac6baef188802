// Run again with the screen at 144 DPI (LogPixels), windows made DPI-unaware are at 96 DPI and those made
// per-monitor aware at 144: every size at 144 must be 1.5 times the one at 96, within a pixel.
#include "components/hexview/hexeditor.h"
#include "components/shell/about_box.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "ui/form.h"
#include "ui/list_box.h"
#include "ui/list_view.h"
#include "ui/tool_bar.h"

#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace kelvo;

namespace {

constexpr char kChildMark[] = "KELVO_DPI_LAYOUT_AT_144";

using Sizes = std::vector<std::pair<const char*, int>>;

int FontHeight(HFONT font) { LOGFONTA logical{}; return GetObjectA(font, sizeof logical, &logical) ? logical.lfHeight : 0; }
int Height(HWND window) { RECT r{}; return GetWindowRect(window, &r) ? r.bottom - r.top : 0; }

Sizes* aboutSizes = nullptr;

// Measures the about box once it shows, then closes it.
void CALLBACK MeasureAboutBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    RECT client{};
    GetClientRect(AboutBox->Handle(), &client);
    aboutSizes->insert(aboutSizes->end(), {{"about box width", client.right}, {"about OK", Height(AboutBox->OKButton)}});
    PostMessageA(AboutBox->Handle(), WM_COMMAND, IDOK, 0);
}

// Sizes of our windows made while the thread has the given DPI awareness.
Sizes MeasureAt(HANDLE awareness, int& dpi)
{
    static const auto setAwareness = reinterpret_cast<HANDLE(WINAPI*)(HANDLE)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
    const HANDLE before = setAwareness(awareness);
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
    THexEditor hex;
    hex.Create(form.Handle(), 4);
    Sizes sizes{{"form height", Height(form.Handle())}, {"form font", FontHeight(form.Font())},
                {"list item height", static_cast<int>(SendMessageA(list.Handle(), LB_GETITEMHEIGHT, 0, 0))},
                {"list view column", static_cast<int>(SendMessageA(view.Handle(), LVM_GETCOLUMNWIDTH, 0, 0))},
                {"tool button width", LOWORD(SendMessageA(bar.Handle(), TB_GETBUTTONSIZE, 0, 0))},
                {"hex font", FontHeight(hex.Font())}};
    aboutSizes = &sizes;
    SetTimer(nullptr, 0, 10, MeasureAboutBox);
    TAboutDialog(form.Handle()).Execute();
    Script script; // the main window's status bar and gauge panel
    TFarDlg dlg(script, script);
    dlg.Show(SW_SHOWNOACTIVATE);
    sizes.insert(sizes.end(), {{"status bar height", Height(dlg.StatusBar().Handle())},
                               {"gauge panel width", dlg.StatusBar().Panels().Items(1).Width()}});
    setAwareness(before);
    return sizes;
}

TEST(DpiLayout, SizesAt144AreOneAndAHalfTimesThoseAt96)
{
    constexpr char key[] = "Control Panel\\Desktop";
    if (!std::getenv(kChildMark)) { // run this test again with the screen at 144 DPI
        DWORD old = 0, size = sizeof old;
        const bool had = RegGetValueA(HKEY_CURRENT_USER, key, "LogPixels", RRF_RT_REG_DWORD, nullptr, &old, &size) == 0;
        const DWORD dpi = 144;
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key, "LogPixels", REG_DWORD, &dpi, sizeof dpi), ERROR_SUCCESS);
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        _putenv_s(kChildMark, "1");
        const auto code = _spawnl(_P_WAIT, path, ("\"" + std::string(path) + "\"").c_str(), "--gtest_filter=DpiLayout.*", nullptr);
        _putenv_s(kChildMark, "");
        had ? RegSetKeyValueA(HKEY_CURRENT_USER, key, "LogPixels", REG_DWORD, &old, sizeof old)
            : RegDeleteKeyValueA(HKEY_CURRENT_USER, key, "LogPixels");
        EXPECT_EQ(code, 0) << "the run at 144 DPI failed";
        return;
    }
    int dpi96 = 0, dpi144 = 0;
    const Sizes at96 = MeasureAt(reinterpret_cast<HANDLE>(-1), dpi96);    // DPI_AWARENESS_CONTEXT_UNAWARE
    const Sizes at144 = MeasureAt(reinterpret_cast<HANDLE>(-4), dpi144); // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    ASSERT_EQ(std::tuple(dpi96, dpi144, at96.size()), std::tuple(96, 144, at144.size()));
    for (std::size_t i = 0; i < at96.size(); ++i)
        EXPECT_NEAR(at144[i].second, at96[i].second * 1.5, 1.0) << at96[i].first << " at 96: " << at96[i].second;
}

// A move to a display of another DPI: the form takes the suggested rectangle and gives its controls its new font.
TEST(DpiLayout, ANewDpiTakesTheSuggestedRectangleAndANewFont)
{
    ui::Form form;
    form.Create("KelvoDpiLayoutTest", "Layout", 400, 300);
    form.SetFont("MS Sans Serif", -11);
    ui::ListBox list;
    list.Create(form.Handle(), 1, 13);
    form.ApplyFont(list.Handle());
    const HFONT old = form.Font();
    RECT suggested{10, 20, 510, 420}, window{};
    SendMessageA(form.Handle(), WM_DPICHANGED, MAKEWPARAM(form.Dpi(), form.Dpi()), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(GetWindowRect(form.Handle(), &window) && EqualRect(&window, &suggested));
    EXPECT_NE(form.Font(), old);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(list.Handle(), WM_GETFONT, 0, 0)), form.Font());
}

} // namespace
