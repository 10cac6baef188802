// A top-level window with the form events components hook, a default font
// given to its controls, a menu bar and an accelerator table.
#pragma once

#include "common/form_events.h"
#include "ui/handles.h"
#include "ui/window.h"

#include <string>

namespace kelvo::ui {

class Form : public Window, public TFormEvents {
public:
    // Creates the window (hidden), centred on the screen's work area; the
    // size is written for 96 DPI and scaled to the window's DPI.
    void Create(const char* className, const std::string& caption, int width, int height);
    // The font every control of the form gets: face and height in logical
    // units at 96 DPI, made for the window's DPI (and remade when it changes).
    void SetFont(const char* face, int height);
    HFONT Font() const { return font_.Get(); }
    // Gives a child control the form's font.
    void ApplyFont(HWND control) const;

    void Show(int showCommand = SW_SHOW);
    // Asks the form to close, as the window's close box does (the close query runs).
    void Close();

    void SetMenu(OwnedMenu menu);
    HMENU Menu() const { return menu_.Get(); }
    void SetAccelerators(OwnedAccelerators accelerators);
    // Lets the message loop translate this form's shortcuts.
    virtual bool TranslateAccelerator(MSG& message) const;

    // The program's main form ends the message loop when it is destroyed.
    bool QuitOnDestroy = false;

    // True once the window has been destroyed.
    bool Destroyed() const { return destroyed_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Called after the close query accepted and before the window is destroyed.
    virtual void FormClosing() {}
    // The client area changed size.
    virtual void FormResize() {}
    // The window is being destroyed.
    virtual void FormDestroy() {}
    // The window moved to a display of another DPI. Called after the form's
    // font was remade and given to the controls that had the old one, and
    // after every control of ours rescaled itself; before the window takes
    // the system's suggested rectangle (which resizes it, so FormResize lays
    // it out once, with everything at the new DPI). Sizes the form keeps in
    // pixels (splitter positions, say) go from oldDpi to newDpi here.
    virtual void FormDpiChanged(int /*oldDpi*/, int /*newDpi*/) {}

private:
    void MakeFont();
    void DpiChanged(int newDpi, const RECT& suggested);

    std::string fontFace_;
    int fontHeight_ = 0; // at 96 DPI
    int dpi_ = 0;        // the DPI the form's sizes are at
    OwnedFont font_;
    OwnedMenu menu_;
    OwnedAccelerators accelerators_;
    bool destroyed_ = false;
};

// The message loop of the program: runs until the quit message, translating
// the form's shortcuts; an exception that reaches it goes to the error box.
int RunMessageLoop(const Form& mainForm);

// Processes the messages waiting in the queue, then returns.
void ProcessMessages();

} // namespace kelvo::ui
