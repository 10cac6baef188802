// The common Open and Save file dialogs (comdlg32), as file dialogs of the
// document workflow.
#pragma once

#include "common/file_dialog.h"

#include <windows.h>

#include <commdlg.h>

#include <string>

namespace kelvo::ui {

// What the Open and Save dialogs share: their settings and the run.
class TCommonFileDialog : public TFileDialog {
public:
    // Longest file name the dialog can hand back, terminating zero included.
    static constexpr DWORD kFileNameBufferSize = 32768;

    // Description and pattern pairs separated by "|", for example
    // "FAR files (*.far)|*.FAR" or "Text (*.txt)|*.txt|Any file (*.*)|*.*".
    std::string Filter;
    // Extension added to a name typed without one (no leading dot), e.g. "FAR".
    std::string DefaultExt;
    // Folder the dialog starts in; empty: the system's choice.
    std::string InitialDir;
    // Title of the dialog; empty: the system's "Open" or "Save As".
    std::string Title;
    // The window the dialog belongs to (disabled while it runs).
    HWND Owner = nullptr;

    std::string GetFileName() const override { return FFileName; }
    void SetFileName(const std::string& FileName) override { FFileName = FileName; }
    // Shows the dialog, starting with FileName; on OK FileName is the chosen
    // full name. The current folder is left as it was.
    bool Execute() override;

protected:
    virtual BOOL DoExecute(OPENFILENAMEA& Settings) = 0;

private:
    std::string FFileName;
};

class TOpenDialog : public TCommonFileDialog {
protected:
    BOOL DoExecute(OPENFILENAMEA& Settings) override;
};

class TSaveDialog : public TCommonFileDialog {
protected:
    BOOL DoExecute(OPENFILENAMEA& Settings) override;
};

// A filter in "Description|pattern" form as the dialogs take it: each part
// ended by a zero character, the whole by a second one. Empty stays empty.
std::string NativeFilter(const std::string& Filter);

} // namespace kelvo::ui
