// A read-only multi-line text box with a vertical scroll bar; long lines
// wrap at the right edge.
#pragma once

#include "ui/window.h"

#include <string>

namespace kelvo::ui {

class Memo : public Window {
public:
    // Creates the box as a hidden child of parent, with no limit on the
    // length of its text.
    void Create(HWND parent, int id);

    // Shows text up to its first zero byte.
    void SetText(const std::string& text);
    std::string Text() const;
    void Clear();
};

} // namespace kelvo::ui
