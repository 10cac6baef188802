// The native list box: lines of text, one selected item, click and key events.
// A list made with CreateVirtual keeps no strings: it holds a count and asks
// ItemText for the lines it shows or is asked for, so it fills at once
// however long it is.
#pragma once

#include "ui/window.h"

#include <functional>
#include <string>

namespace kelvo::ui {

class ListBox : public Window {
public:
    void Create(HWND parent, int id, int itemHeight);
    void CreateVirtual(HWND parent, int id, int itemHeight);

    // A list that keeps its own lines.
    void Add(const std::string& text);
    // A virtual list: the number of lines (the selection is cleared).
    void SetCount(int count);
    // A virtual list's line at an index.
    std::function<std::string(int index)> ItemText;

    void Clear();
    int Count() const;
    std::string Text(int index) const;
    // The selected item, -1 when none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // Stops and restarts repainting around bulk changes.
    void BeginUpdate();
    void EndUpdate();

    std::function<void()> OnClick;           // the selection changed by the user
    std::function<void(WORD key)> OnKeyDown; // before the list's own handling
    // The left button went down on the selected line and the pointer moved
    // past the system's drag distance with it held: a drag of that line.
    std::function<void(int index)> OnBeginDrag;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateList(HWND parent, int id, int itemHeight, DWORD extraStyle);
    void DrawItem(const DRAWITEMSTRUCT& item) const;
    // A press of the left button at a point: true when it was taken for a
    // drag or a click already handled.
    bool BeginsDrag(LPARAM at);
    bool virtual_ = false;
};

} // namespace kelvo::ui
