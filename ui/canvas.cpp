#include "ui/canvas.h"

namespace kelvo::ui {

COLORREF ColorToRGB(TColor color)
{
    if ((color & 0xFF000000u) == 0xFF000000u)
        return GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0x00FFFFFFu;
}

OwnedFont CopyFont(HFONT font)
{
    LOGFONTA logical{};
    if (!font || !GetObjectA(font, sizeof logical, &logical))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof logical, &logical);
    return OwnedFont(CreateFontIndirectA(&logical));
}

Canvas::Canvas(HDC dc)
    : dc_(dc),
      originalFont_(GetCurrentObject(dc, OBJ_FONT)),
      originalBrush_(GetCurrentObject(dc, OBJ_BRUSH)),
      originalPen_(GetCurrentObject(dc, OBJ_PEN))
{
}

Canvas::~Canvas()
{
    // Our own objects leave the context before they are deleted.
    if (font_)
        SelectObject(dc_, originalFont_);
    if (brush_)
        SelectObject(dc_, originalBrush_);
    if (pen_)
        SelectObject(dc_, originalPen_);
}

HFONT Canvas::SelectFont(HFONT font)
{
    return static_cast<HFONT>(SelectObject(dc_, font));
}

void Canvas::SetFontCopy(HFONT font)
{
    OwnedFont copy = CopyFont(font);
    if (!copy)
        return;
    SelectObject(dc_, copy.Get());
    font_ = std::move(copy);
}

HFONT Canvas::Font() const { return static_cast<HFONT>(GetCurrentObject(dc_, OBJ_FONT)); }

void Canvas::SetBrushColor(COLORREF color)
{
    OwnedBrush brush(CreateSolidBrush(color));
    if (!brush)
        return;
    SelectObject(dc_, brush.Get());
    brush_ = std::move(brush);
    SetBkColor(dc_, color);
    SetBkMode(dc_, OPAQUE);
}

void Canvas::SetBrushClear()
{
    SelectObject(dc_, GetStockObject(NULL_BRUSH));
    brush_.Reset();
    SetBkMode(dc_, TRANSPARENT);
}

void Canvas::SetPenColor(COLORREF color)
{
    OwnedPen pen(CreatePen(PS_SOLID, 1, color));
    if (!pen)
        return;
    SelectObject(dc_, pen.Get());
    pen_ = std::move(pen);
}

COLORREF Canvas::TextColor() const { return GetTextColor(dc_); }

void Canvas::SetTextColor(COLORREF color) { ::SetTextColor(dc_, color); }

void Canvas::FillRect(const RECT& rect)
{
    ::FillRect(dc_, &rect, static_cast<HBRUSH>(GetCurrentObject(dc_, OBJ_BRUSH)));
}

void Canvas::Ellipse(const RECT& rect) { ::Ellipse(dc_, rect.left, rect.top, rect.right, rect.bottom); }

void Canvas::DrawText(std::string_view text, RECT rect, UINT format)
{
    ::DrawTextA(dc_, text.data(), static_cast<int>(text.size()), &rect, format);
}

std::optional<SIZE> Canvas::TextExtent(std::string_view text) const
{
    SIZE size{};
    if (!GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size))
        return std::nullopt;
    return size;
}

void Canvas::Draw(int x, int y, const Canvas& source, int width, int height)
{
    BitBlt(dc_, x, y, width, height, source.dc_, 0, 0, SRCCOPY);
}

void Canvas::CopyRect(const RECT& dest, const Canvas& source, const RECT& sourceRect)
{
    SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source.dc_,
               sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, SRCCOPY);
}

Canvas::SavedClip Canvas::SaveClip() const
{
    OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    if (region && GetClipRgn(dc_, region.Get()) == 1)
        return {std::move(region)};
    return {};
}

bool Canvas::SelectClip(HRGN region) { return SelectClipRgn(dc_, region) != ERROR; }

void Canvas::RestoreClip(const SavedClip& saved) { SelectClipRgn(dc_, saved.region.Get()); }

BitmapCanvas::BitmapCanvas(HDC compatibleWith, int width, int height)
    : width_(width), height_(height), dc_(CreateCompatibleDC(compatibleWith))
{
    if (!dc_ || width <= 0 || height <= 0)
        return;
    // A memory context starts with a one-pixel monochrome bitmap, so the
    // bitmap takes the format of the given context, or of the screen.
    WindowDc screen(nullptr);
    bitmap_.Reset(CreateCompatibleBitmap(compatibleWith ? compatibleWith : screen.Get(), width, height));
    if (!bitmap_)
        return;
    selection_.emplace(dc_.Get(), bitmap_.Get());
    canvas_.emplace(dc_.Get());
}

} // namespace kelvo::ui
