// The Win32 side of the document workflow: message boxes, the file-existence
// test and the process command line.
#pragma once

#include "components/filemenu/file_menu_handler.h"

#include <windows.h>

namespace kelvo {

class TWin32FileMenuServices : public TFileMenuServices {
public:
    explicit TWin32FileMenuServices(HWND Owner = nullptr) : Owner(Owner) {}

    // The window the message boxes belong to; none: the active window.
    HWND Owner;

    TSaveAnswer AskSaveChanges(const std::string& Text, const std::string& Caption) override;
    void ShowNotFound(const std::string& Text) override;
    bool FileExists(const std::string& Name) override;
    // The arguments as the C runtime split them (__argc, __argv).
    int ParamCount() override;
    // Argument 0 is the program file's full path, as the system reports it.
    std::string ParamStr(int Index) override;

private:
    HWND BoxOwner() const;
};

} // namespace kelvo
