// The Rename Entry dialog: a small modal dialog made from a template built
// in memory, with the entry's name selected in an edit box.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kelvo {

// The dialog's caption, which tests look for.
inline constexpr const char* kRenameDialogCaption = "Rename Entry";
// The edit box's control id in the dialog.
inline constexpr int kRenameEditId = 100;

// Runs the dialog over owner with name (Windows-1252) in the edit box. The
// name typed when OK is pressed, or nothing when the dialog is cancelled; a
// name holding a character that has no Windows-1252 form comes back with
// refused set (and the characters it has replaced).
std::optional<std::string> RunRenameDialog(HWND owner, const std::string& name, bool& refused);

} // namespace kelvo
