// The native list box: lines of text, one selected item (or, when asked,
// several: Shift and Ctrl with clicks and arrows), click and key events.
// A list made with CreateVirtual keeps no strings: it holds a count and asks
// ItemText for the lines it shows or is asked for, so it fills at once
// however long it is.
#pragma once

#include "ui/window.h"

#include <functional>
#include <string>
#include <vector>

namespace kelvo::ui {

class ListBox : public Window {
public:
    // itemHeight is written for 96 DPI: an owner-drawn (virtual) list keeps
    // it scaled to its DPI; a list that draws its own lines takes the
    // height of the font it is given.
    void Create(HWND parent, int id, int itemHeight);
    void CreateVirtual(HWND parent, int id, int itemHeight, bool extendedSelection = false);

    // A list that keeps its own lines.
    void Add(const std::string& text);
    // A virtual list: the number of lines (the selection is cleared).
    void SetCount(int count);
    // A virtual list's line at an index.
    std::function<std::string(int index)> ItemText;

    void Clear();
    int Count() const;
    std::string Text(int index) const;
    // The selected item, -1 when none; in a list of several selected items
    // the one with the focus, when any is selected.
    int ItemIndex() const;
    // Selects the item alone (none for -1) and gives it the focus.
    void SetItemIndex(int index);
    // The selected items in list order.
    std::vector<int> SelectedIndexes() const;
    // Selects every item of a list of several selected items.
    void SelectAll();
    // Stops and restarts repainting around bulk changes.
    void BeginUpdate();
    void EndUpdate();

    std::function<void()> OnClick;           // the selection changed by the user
    std::function<void(WORD key)> OnKeyDown; // before the list's own handling
    // The left button went down on a selected line (without Shift or Ctrl)
    // and the pointer moved past the system's drag distance with it held: a
    // drag of that line (and the other selected ones).
    std::function<void(int index)> OnBeginDrag;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateList(HWND parent, int id, int itemHeight, DWORD extraStyle);
    void DrawItem(const DRAWITEMSTRUCT& item) const;
    // A press of the left button at a point: true when it was taken for a
    // drag or a click already handled.
    bool BeginsDrag(WPARAM keys, LPARAM at);
    int itemHeight_ = 0; // at 96 DPI
    bool virtual_ = false;
    bool extended_ = false;
};

} // namespace kelvo::ui
