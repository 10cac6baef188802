// kelvo.exe: creates the main window and runs the message loop until it closes.
#include "app/far_dlg.h"
#include "app/rename_dialog.h"
#include "components/filemenu/file_menu_services_win32.h"
#include "components/shell/shell_init.h"

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
    void ShowError(const std::string& text, const std::string& caption) override
    {
        MessageBoxA(Owner ? Owner : GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
    }
    bool AskYesNo(const std::string& text) override
    {
        return MessageBoxA(Owner ? Owner : GetActiveWindow(), text.c_str(), "Kelvo", MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    std::optional<std::string> AskEntryName(const std::string& name, bool& refused) override
    {
        return kelvo::RunRenameDialog(Owner ? Owner : GetActiveWindow(), name, refused);
    }
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        // OLE, the shell's clipboard formats and allocator, before any window.
        kelvo::TShellStartup shell;
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
