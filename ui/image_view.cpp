#include "ui/image_view.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace kelvo::ui {

void ImageView::Create(HWND parent, int id)
{
    // Redrawn whole on every size change: a stretched picture follows the size.
    CreateOwnWindow("KelvoImageView", WS_CHILD | WS_CLIPSIBLINGS, 0, nullptr, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), CS_HREDRAW | CS_VREDRAW);
}

void ImageView::LoadFromFile(const std::string& path)
{
    bitmap_.Reset();
    width_ = height_ = 0;
    InvalidateRect(Handle(), nullptr, FALSE);
    // A DIB section keeps the file's own colours whatever the screen's depth.
    // Where the system decodes run-length encoded files only into a device
    // bitmap, the second try takes that.
    OwnedBitmap loaded;
    for (UINT flags : {LR_LOADFROMFILE | LR_CREATEDIBSECTION, LR_LOADFROMFILE}) {
        loaded.Reset(static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, flags)));
        if (loaded)
            break;
    }
    BITMAP info{};
    if (!loaded || GetObjectA(loaded.Get(), sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight == 0)
        throw std::runtime_error("Bitmap image is not valid");
    width_ = info.bmWidth;
    height_ = std::abs(info.bmHeight);
    bitmap_ = std::move(loaded);
}

void ImageView::SetStretch(bool stretch)
{
    if (stretch == stretch_)
        return;
    stretch_ = stretch;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void ImageView::Paint(HDC dc, const RECT& client) const
{
    RECT picture{0, 0, 0, 0};
    if (bitmap_) {
        picture = stretch_ ? client : RECT{0, 0, width_, height_};
        OwnedMemoryDc source(CreateCompatibleDC(dc));
        if (source) {
            SelectObjectScope selection(source.Get(), bitmap_.Get());
            if (stretch_) {
                SetStretchBltMode(dc, HALFTONE);
                SetBrushOrgEx(dc, 0, 0, nullptr); // HALFTONE needs the origin reset after the mode
                StretchBlt(dc, 0, 0, client.right, client.bottom, source.Get(), 0, 0, width_, height_, SRCCOPY);
            } else {
                BitBlt(dc, 0, 0, width_, height_, source.Get(), 0, 0, SRCCOPY);
            }
        }
    }
    // The window colour right of and below the picture.
    HBRUSH window = GetSysColorBrush(COLOR_WINDOW);
    const RECT right{picture.right, 0, client.right, client.bottom};
    const RECT below{0, picture.bottom, std::min(picture.right, client.right), client.bottom};
    if (right.left < right.right)
        FillRect(dc, &right, window);
    if (below.top < below.bottom && below.left < below.right)
        FillRect(dc, &below, window);
}

} // namespace kelvo::ui
