#include "components/filemenu/file_menu_services_win32.h"

#include <cstdlib>
#include <vector>

namespace kelvo {

HWND TWin32FileMenuServices::BoxOwner() const
{
    return Owner ? Owner : GetActiveWindow();
}

TSaveAnswer TWin32FileMenuServices::AskSaveChanges(const std::string& Text, const std::string& Caption)
{
    switch (MessageBoxA(BoxOwner(), Text.c_str(), Caption.c_str(), MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES:
        return TSaveAnswer::saYes;
    case IDNO:
        return TSaveAnswer::saNo;
    default: // Cancel, or a box that could not be shown: keep everything as it is
        return TSaveAnswer::saCancel;
    }
}

void TWin32FileMenuServices::ShowNotFound(const std::string& Text)
{
    MessageBoxA(BoxOwner(), Text.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

bool TWin32FileMenuServices::FileExists(const std::string& Name)
{
    if (Name.empty())
        return false;
    const DWORD Attributes = GetFileAttributesA(Name.c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES && !(Attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int TWin32FileMenuServices::ParamCount()
{
    return __argc > 1 ? __argc - 1 : 0;
}

std::string TWin32FileMenuServices::ParamStr(int Index)
{
    if (Index == 0) {
        std::vector<char> Buffer(MAX_PATH);
        for (;;) { // the buffer grows until the path fits; paths end at 32767 characters
            const DWORD Length = GetModuleFileNameA(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
            if (Length == 0)
                return {};
            if (Length < Buffer.size())
                return std::string(Buffer.data(), Length);
            if (Buffer.size() > 32768)
                return {};
            Buffer.resize(Buffer.size() * 2);
        }
    }
    if (Index < 0 || Index >= __argc || !__argv || !__argv[Index])
        return {};
    return __argv[Index];
}

} // namespace kelvo
