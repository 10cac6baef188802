// The native list box: lines of text, one selected item, click and key events.
#pragma once

#include "ui/window.h"

#include <functional>
#include <string>

namespace kelvo::ui {

class ListBox : public Window {
public:
    void Create(HWND parent, int id, int itemHeight);

    void Add(const std::string& text);
    void Clear();
    int Count() const;
    std::string Text(int index) const;
    // The selected item, -1 when none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // Reserves room before many lines are added.
    void Reserve(int lines, int bytes);
    // Stops and restarts repainting around bulk changes.
    void BeginUpdate();
    void EndUpdate();

    std::function<void()> OnClick;           // the selection changed by the user
    std::function<void(WORD key)> OnKeyDown; // before the list's own handling

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

} // namespace kelvo::ui
