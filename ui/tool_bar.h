// The native tool bar: buttons carry command numbers, glyphs come from an
// image list, tool tips show each button's short hint.
#pragma once

#include "ui/handles.h"
#include "ui/window.h"

#include <commctrl.h>

#include <map>
#include <string>

namespace kelvo::ui {

class ToolBar : public Window {
public:
    // Creates the bar along the top of the parent, with its glyphs.
    void Create(HWND parent, int id, OwnedImageList images);
    // style: BTNS_BUTTON, BTNS_CHECK or BTNS_CHECKGROUP.
    void AddButton(int commandId, int image, BYTE style, const std::string& hint);
    void AddSeparator();

    bool Checked(int commandId) const;
    void SetChecked(int commandId, bool checked);
    void SetEnabled(int commandId, bool enabled);
    int ButtonCount() const;
    // Keeps the bar at the top at the given height after the parent was resized.
    void Layout(int height);

    // Answers a tool tip's request for a button's text; true when it was ours.
    bool HandleToolTip(const NMHDR& header);
    // The tool tip text of a button.
    std::string ToolTip(int commandId) const;

private:
    OwnedImageList images_;
    std::map<int, std::string> toolTips_;
};

} // namespace kelvo::ui
