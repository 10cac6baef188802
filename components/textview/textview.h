// TTextView: a read-only view of a text, for texts of any size. It shows
// the text up to its first zero byte in the ANSI code page, wrapped at the
// view's width, with a vertical scroll bar; the user moves the caret and
// selects with the keys (arrows, Page Up/Down, Home/End, with Ctrl to the
// ends, with Shift to select; Ctrl+A selects all) and the mouse (click,
// Shift+click, drag; the wheel scrolls) and copies with Ctrl+C. Layout,
// caret and selection are TextViewModel's; this class paints the rows in
// view and turns messages into calls on it.
#pragma once

#include "components/textview/text_layout.h"
#include "ui/window.h"

#include <string>

namespace kelvo {

class TTextView : public ui::Window {
public:
    static constexpr int kMargin = 2; // pixels (at 96 DPI) left of the text, and right of the wrap

    // Creates the view as a hidden child of parent. Its font is the system
    // font until WM_SETFONT gives another.
    void Create(HWND parent, int id);

    // Shows text up to its first zero byte, from the top, nothing selected.
    void SetText(std::string text);
    const std::string& Text() const { return model_.Layout().Text(); }
    void Clear() { SetText({}); }

    // Puts the selected text on the clipboard as CF_TEXT and CF_UNICODETEXT;
    // nothing when no text is selected.
    void CopyToClipboard();

    const TextViewModel& Model() const { return model_; }
    int RowHeight() const { return rowHeight_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetFont(HFONT font, bool redraw);
    // Wrap width and visible rows from the client size.
    void Resized();
    void Paint(HDC dc, const RECT& area);
    void KeyDown(WORD key);
    void Scroll(WORD code);
    void MouseWheel(int delta);
    std::int32_t PosAtPoint(LPARAM lParam) const;
    // Brings the scroll bar, the caret and the picture up to date.
    void Changed();
    void PlaceCaret();

    TextViewModel model_;
    HFONT font_ = nullptr; // the parent's, not owned
    int rowHeight_ = 16;
    int wheelDelta_ = 0;
    bool dragging_ = false;
    bool focused_ = false;
};

} // namespace kelvo
