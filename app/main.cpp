// kelvo.exe: creates the main window and runs the message loop until it closes.
#include "app/far_dlg.h"
#include "components/filemenu/file_menu_services_win32.h"

#include <windows.h>
#include <commctrl.h>

namespace {

// The system's message boxes, file checks and command line.
class AppServices : public kelvo::TWin32FileMenuServices, public kelvo::TFarDlgServices {
public:
    void ShowMessage(const std::string& text) override
    {
        MessageBoxA(Owner ? Owner : GetActiveWindow(), text.c_str(), "Kelvo", MB_OK);
    }
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        AppServices services;
        kelvo::TFarDlg window(services, services);
        services.Owner = window.Handle();
        window.QuitOnDestroy = true;
        window.Show(showCommand);
        return kelvo::ui::RunMessageLoop(window);
    } catch (const std::exception& error) {
        kelvo::ui::ShowException(error);
        return 1;
    }
}
