// A file dialog as the document workflow sees it: a file name that can be
// preset and read back, and a modal run. The Win32 open and save dialogs
// implement it; tests use scripted stand-ins.
#pragma once

#include <string>

namespace kelvo {

class TFileDialog {
public:
    virtual ~TFileDialog() = default;

    virtual std::string GetFileName() const = 0;
    virtual void SetFileName(const std::string& FileName) = 0;
    // Shows the dialog; true when the user chose a name (then GetFileName
    // returns it), false when the dialog was cancelled or could not be shown.
    virtual bool Execute() = 0;

    // The file type chosen in the dialog's list of types (its "Save as
    // type"), counted from 1: Execute starts with it and, when the user
    // chooses a name, leaves the type the user chose.
    int FilterIndex = 1;
};

} // namespace kelvo
