// The image view: a child window showing one bitmap loaded from a file,
// either at its own size at the top-left corner or stretched over the whole
// client area. The area the picture leaves free is painted in the window
// colour.
#pragma once

#include "ui/handles.h"
#include "ui/window.h"

#include <string>

namespace kelvo::ui {

class ImageView : public PaintedWindow {
public:
    // Creates the view as a hidden child of parent.
    void Create(HWND parent, int id);

    // Loads a .bmp file (any bit depth, also run-length encoded). Throws
    // std::runtime_error("Bitmap image is not valid") when the file cannot
    // be read or decoded; the previous picture is dropped either way.
    void LoadFromFile(const std::string& path);
    bool Empty() const { return !bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    bool Stretch() const { return stretch_; }
    // On: the picture is scaled to the client area; off: drawn unscaled.
    void SetStretch(bool stretch);

private:
    void Paint(HDC dc, const RECT& client) const override;

    OwnedBitmap bitmap_;
    int width_ = 0;
    int height_ = 0;
    bool stretch_ = false;
};

} // namespace kelvo::ui
