// The native tool bar: buttons carry command numbers, glyphs come from an
// image list, tool tips show each button's short hint.
#pragma once

#include "ui/handles.h"
#include "ui/window.h"

#include <commctrl.h>

#include <functional>
#include <map>
#include <string>

namespace kelvo::ui {

class ToolBar : public Window {
public:
    // Makes the glyphs of one size: a size of dpi::kGlyphSizes.
    using GlyphLoader = std::function<OwnedImageList(int glyphSize)>;
    // Creates the bar along the top of the parent, with the glyphs nearest in size to a 16-pixel glyph at
    // its DPI, asked of the loader again when the DPI changes. Its buttons
    // are as large as the system's around 16-pixel glyphs, scaled to the DPI.
    void Create(HWND parent, int id, GlyphLoader loadGlyphs);
    // style: BTNS_BUTTON, BTNS_CHECK or BTNS_CHECKGROUP.
    void AddButton(int commandId, int image, BYTE style, const std::string& hint);
    void AddSeparator(); // a gap of 6 pixels at 96 DPI

    bool Checked(int commandId) const;
    void SetChecked(int commandId, bool checked);
    void SetEnabled(int commandId, bool enabled);
    int ButtonCount() const;
    // Keeps the bar at the top at the given height (in pixels) after the
    // parent was resized.
    void Layout(int height);

    // Answers a tool tip's request for a button's text; true when it was ours.
    bool HandleToolTip(const NMHDR& header);
    // The tool tip text of a button.
    std::string ToolTip(int commandId) const;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetImages(OwnedImageList images);
    // Glyphs, buttons and gaps for the bar's DPI.
    void ScaleToDpi();

    GlyphLoader loadGlyphs_;
    SIZE padding_{}; // the system's space around a glyph, at 96 DPI
    OwnedImageList images_;
    std::map<int, std::string> toolTips_;
};

} // namespace kelvo::ui
