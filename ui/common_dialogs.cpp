#include "ui/common_dialogs.h"

#include <vector>

namespace kelvo::ui {

std::string NativeFilter(const std::string& Filter)
{
    if (Filter.empty())
        return {};
    std::string Result = Filter;
    for (char& Character : Result)
        if (Character == '|')
            Character = '\0';
    Result.append(2, '\0'); // ends the last part, then the list
    return Result;
}

bool TCommonFileDialog::Execute()
{
    std::vector<char> Buffer(kFileNameBufferSize, '\0');
    FFileName.copy(Buffer.data(), Buffer.size() - 1);
    const std::string Filters = NativeFilter(Filter);

    OPENFILENAMEA Settings{};
    Settings.lStructSize = sizeof Settings;
    Settings.hwndOwner = Owner;
    Settings.lpstrFilter = Filters.empty() ? nullptr : Filters.c_str();
    Settings.nFilterIndex = static_cast<DWORD>(FilterIndex);
    Settings.lpstrFile = Buffer.data();
    Settings.nMaxFile = kFileNameBufferSize;
    Settings.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    Settings.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    Settings.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    // The current folder stays put, so a relative document name keeps naming
    // the same file after the dialog.
    Settings.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!DoExecute(Settings))
        return false;
    FFileName = Buffer.data();
    FilterIndex = static_cast<int>(Settings.nFilterIndex);
    return true;
}

BOOL TOpenDialog::DoExecute(OPENFILENAMEA& Settings)
{
    return GetOpenFileNameA(&Settings);
}

BOOL TSaveDialog::DoExecute(OPENFILENAMEA& Settings)
{
    return GetSaveFileNameA(&Settings);
}

} // namespace kelvo::ui
