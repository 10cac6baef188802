// The about box. TAboutDialog holds the texts to show and, on Execute,
// shows TAboutBox modally: a fixed dialog with an embossed product name,
// the company, version and rights lines, the web and mail addresses as
// links (navy, underlined, hand cursor; a click opens the default browser
// or the mail client), the operating system's version and the physical
// memory.
//
// The box is a dialog built in memory with no controls of its own; its
// controls are created at their pixel positions when the dialog starts, so
// the layout does not depend on dialog units.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "common/form_events.h"
#include "ui/handles.h"

namespace kelvo {

// The texts of one about box.
struct TAboutTexts {
    std::string Company, ProductName, Version, Copyright, URL, EMail;
};

class TAboutBox : public ui::TObject {
public:
    explicit TAboutBox(TAboutTexts texts) : texts_(std::move(texts)) {}
    TAboutBox(const TAboutBox&) = delete;
    TAboutBox& operator=(const TAboutBox&) = delete;

    // Shows the box modally over owner (may be null) until it closes: IDOK
    // from the OK button, Enter or Escape, IDCANCEL from the close box, -1
    // when the dialog cannot be made.
    INT_PTR ShowModal(HWND owner);
    // The dialog while ShowModal runs, else null.
    HWND Handle() const { return handle_; }

    // The controls while the box is shown.
    HWND OKButton = nullptr, Copyright = nullptr, Bevel1 = nullptr, ProductName1 = nullptr, Version = nullptr,
         PhysMem = nullptr, OS = nullptr, Label3 = nullptr, URL = nullptr, ProgramIcon = nullptr,
         ProductName2 = nullptr, ProductName3 = nullptr, Company = nullptr, EMAIL = nullptr;

    // Runs when the controls exist: InitializeCaptions.
    void FormCreate();
    // Starts the default browser (the registry's open command for ".htm"
    // pages) on the URL label's text. A missing or unusable registry entry
    // does nothing; a failed start throws "Couldn't launch default browser".
    void URLClick();
    // Asks the shell to open "mailto:" and the EMAIL label's text.
    void EMAILClick();

    // Reads the default value of root\key into value (unchanged when the key
    // cannot be opened; empty when it has no text value). Returns the
    // status of opening the key, ERROR_SUCCESS (0) on success.
    static LONG Regkey(HKEY root, const std::string& key, std::string& value);
    // Shows the system's version, as taken at program start, in OS.
    void GetOSInfo();
    // The OS line and the physical memory in kilobytes with the user's
    // thousands separator.
    void InitializeCaptions();

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // bounds: left, top, width, height, at 96 DPI.
    HWND AddControl(const char* className, DWORD style, const std::string& text, RECT bounds, int id, HFONT font);
    // A label that grows with its text.
    HWND AddLabel(DWORD style, const std::string& text, RECT bounds, int id, HFONT font);
    void SetLabel(HWND label, const std::string& text);
    // Makes a label as wide as its text; a right-aligned one keeps its right edge.
    static void FitToText(HWND label);
    void DrawTitle(const DRAWITEMSTRUCT& item) const;
    COLORREF LabelColor(HWND label) const;
    // A size written for 96 DPI, at the box's DPI.
    int Scale(int size) const;

    TAboutTexts texts_;
    HWND handle_ = nullptr;
    int dpi_ = 0; // the box's DPI, taken when it is made
    ui::OwnedFont formFont_, companyFont_, titleFont_, linkFont_;
};

// The box while TAboutDialog::Execute shows it, else null.
extern TAboutBox* AboutBox;

class TAboutDialog : public ui::TObject {
public:
    // parent: the window the box is modal to; may be null.
    explicit TAboutDialog(HWND parent = nullptr) : parent_(parent) {}

    // Shows the box with the texts below. An empty ProductName is first set
    // to the application title. True when the box was closed with OK.
    bool Execute();

    HWND Parent() const { return parent_; }
    void SetParent(HWND parent) { parent_ = parent; }

    std::string Company = "Your Company Name";
    std::string ProductName;
    std::string Version = "Version";
    std::string Copyright = "Copyright Info";
    std::string URL = "Youe Web Site";
    std::string EMail = "Your E-Mail Address Here";

private:
    HWND parent_;
};

} // namespace kelvo
