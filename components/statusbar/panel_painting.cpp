#include "components/statusbar/moxstatusbar.h"

namespace kelvo {

using statusbar::PanelRect;
using statusbar::ToPanelRect;
using statusbar::ToRect;

static_assert(statusbar::kDtCenter == DT_CENTER && statusbar::kDtRight == DT_RIGHT &&
              statusbar::kDtVCenter == DT_VCENTER && statusbar::kDtSingleLine == DT_SINGLELINE &&
              statusbar::kDtNoPrefix == DT_NOPREFIX && statusbar::kDtPathEllipsis == DT_PATH_ELLIPSIS &&
              statusbar::kDtEndEllipsis == DT_END_ELLIPSIS);
void TmoxStatusPanel::DrawPanel(ui::Canvas& canvas, const RECT& rect)
{
    TmoxStatusBar& bar = GetStatusBar();
    if (OnDrawPanel && panelType_ == sptOwnerDraw) {
        OnDrawPanel(bar, *this, canvas, rect);
        return;
    }
    Redraw(canvas, bar.GetPanelRect(Index()));
}

void TmoxStatusPanel::Redraw(ui::Canvas& canvas, RECT rect)
{
    const TmoxStatusBar& bar = GetStatusBar();
    if (!bar.Handle() || IsRectEmpty(&rect))
        return;
    InflateRect(&rect, -1, -1);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    ui::BitmapCanvas bitmap(canvas.Handle(), width, height);
    if (!bitmap.Valid())
        return;
    ui::Canvas& target = bitmap.canvas();
    target.SetFontCopy(canvas.Font());
    target.SetBrushColor(ui::ColorToRGB(bar.Color()));
    RECT inner{0, 0, width, height};
    target.FillRect(inner);
    if (borderWidth_ != 0) {
        const int border = dpi::Scale(borderWidth_, bar.LayoutDpi());
        InflateRect(&inner, -border, -border);
    }
    if (Enabled()) {
        switch (panelType_) {
        case sptOwnerDraw:
            return; // drawn by its handler only; the part keeps what it shows
        case sptGauge:
            if (IsIndeterminate(gauge_.Style()))
                DrawIndeterminateGauge(target, inner);
            else
                DrawGauge(target, inner);
            break;
        case sptCapsLock:
        case sptNumLock:
        case sptScrollLock:
            DrawKeyLock(target, inner);
            break;
        case sptGlyph:
            DrawGlyph(target, inner);
            break;
        default:
            DrawTextBased(target, inner);
            break;
        }
    }
    canvas.Draw(rect.left, rect.top, target, width, height);
}

void TmoxStatusPanel::DrawTextBased(ui::Canvas& canvas, const RECT& rect)
{
    const statusbar::TextLayout layout =
        statusbar::TextBasedLayout(panelType_, Alignment(), autoFit_, ToPanelRect(rect));
    canvas.SetTextColor(ui::ColorToRGB(GetStatusBar().FontColor()));
    canvas.DrawText(text_, ToRect(layout.rect), layout.format);
}

bool TmoxStatusPanel::KeyIsOn() const
{
    if (GetStatusBar().UseMonitorDLL())
        return lockState_;
    return (GetKeyState(static_cast<int>(statusbar::KeyLockVirtualKey(panelType_))) & 1) != 0;
}

void TmoxStatusPanel::DrawKeyLock(ui::Canvas& canvas, const RECT& rect)
{
    const COLORREF savedTextColor = canvas.TextColor();
    canvas.SetTextColor(KeyIsOn() ? ui::ColorToRGB(GetStatusBar().FontColor()) : GetSysColor(COLOR_GRAYTEXT));
    canvas.DrawText(text_, rect, statusbar::KeyLockFormat(Alignment(), autoFit_));
    canvas.SetTextColor(savedTextColor);
}

void TmoxStatusPanel::DrawGlyph(ui::Canvas& canvas, const RECT& rect)
{
    const int textWidth = text_.empty() ? 0 : static_cast<int>(canvas.TextExtent(text_).value_or(SIZE{}).cx) + 2;
    const statusbar::GlyphPlacement placement =
        statusbar::PlaceGlyph(Alignment(), autoFit_, ToPanelRect(rect), glyphSize_.cx, glyphSize_.cy, textWidth);
    if (glyph_) {
        const ui::OwnedMemoryDc source(CreateCompatibleDC(canvas.Handle()));
        if (source) {
            const ui::SelectObjectScope selection(source.Get(), glyph_.Get());
            const COLORREF transparent = GetPixel(source.Get(), 0, glyphSize_.cy - 1);
            TransparentBlt(canvas.Handle(), placement.x, placement.y, glyphSize_.cx, glyphSize_.cy, source.Get(), 0, 0,
                           glyphSize_.cx, glyphSize_.cy, transparent);
        }
    }
    if (!text_.empty()) {
        canvas.SetTextColor(ui::ColorToRGB(GetStatusBar().FontColor()));
        canvas.DrawText(text_, ToRect(placement.textRect), statusbar::kDtPanelBase);
    }
}

void TmoxStatusPanel::DrawGauge(ui::Canvas& canvas, const RECT& rect)
{
    const TmoxStatusBar& bar = GetStatusBar();
    const statusbar::GaugeParts parts = statusbar::PercentGaugeParts(ToPanelRect(rect), gauge_.Position());
    const RECT filled = ToRect(parts.filled), rest = ToRect(parts.rest);
    canvas.SetBrushColor(ui::ColorToRGB(gauge_.Color()));
    canvas.FillRect(filled);
    canvas.SetBrushColor(ui::ColorToRGB(bar.Color()));
    canvas.FillRect(rest);

    // One caption over the whole gauge, drawn twice: clipped to the filled
    // part in the gauge's text colour, then to the rest in the font colour.
    const std::string caption = statusbar::GaugeCaption(text_, gauge_.Position());
    canvas.SetBrushClear();
    const COLORREF savedTextColor = canvas.TextColor();
    const ui::OwnedRegion filledRegion(CreateRectRgnIndirect(&filled));
    const ui::OwnedRegion restRegion(CreateRectRgnIndirect(&rest));
    const ui::Canvas::SavedClip savedClip = canvas.SaveClip();
    const UINT format = statusbar::GaugeCaptionFormat(Alignment());
    const auto drawClipped = [&](const ui::OwnedRegion& region, ui::TColor color) {
        if (!region || !canvas.SelectClip(region.Get()))
            return;
        canvas.SetTextColor(ui::ColorToRGB(color));
        canvas.DrawText(caption, rect, format);
        canvas.RestoreClip(savedClip);
    };
    drawClipped(filledRegion, gauge_.TextColor());
    drawClipped(restRegion, bar.FontColor());
    canvas.SetTextColor(savedTextColor);
}

void TmoxStatusPanel::DrawIndeterminateGauge(ui::Canvas& canvas, const RECT& rect)
{
    if (gauge_.Style() == gsIndeterminate) {
        const COLORREF color = ui::ColorToRGB(gauge_.Color());
        canvas.SetBrushColor(color);
        canvas.SetPenColor(color);
        canvas.Ellipse(ToRect(statusbar::BallStep(motion_, ToPanelRect(rect), gauge_.Speed())));
        return;
    }
    ui::BitmapCanvas& ramp = GetGaugeBitmap();
    const statusbar::RampPlacement placement =
        statusbar::RampStep(motion_, ToPanelRect(rect), ramp.Width(), ramp.Height(), gauge_.Speed());
    if (!ramp.Valid() || placement.dest.Width() <= 0 || placement.source.Width() <= 0)
        return;
    PanelRect source = placement.source;
    if (placement.mirrored)
        source = {source.right - 1, source.bottom - 1, source.left - 1, source.top - 1};
    canvas.CopyRect(ToRect(placement.dest), ramp.canvas(), ToRect(source));
}

std::unique_ptr<ui::BitmapCanvas> TmoxStatusPanel::InitGaugeBitmap() const
{
    const TmoxStatusBar& bar = GetStatusBar();
    const COLORREF start = ui::ColorToRGB(bar.Color()), end = ui::ColorToRGB(gauge_.Color());
    RECT barRect{};
    if (bar.Handle())
        GetWindowRect(bar.Handle(), &barRect);
    const int height = barRect.bottom - barRect.top;
    const int width = dpi::Scale(statusbar::kRampWidth, bar.LayoutDpi());
    auto bitmap = std::make_unique<ui::BitmapCanvas>(nullptr, width, height);
    if (bitmap->Valid()) {
        for (int column = 0; column < width; ++column) {
            bitmap->canvas().SetBrushColor(statusbar::RampColumnColor(start, end, column * statusbar::kRampWidth / width));
            bitmap->canvas().FillRect(RECT{column, 0, column + 1, height});
        }
    }
    return bitmap;
}

ui::BitmapCanvas& TmoxStatusPanel::GetGaugeBitmap()
{
    if (!gaugeBitmap_)
        gaugeBitmap_ = InitGaugeBitmap();
    return *gaugeBitmap_;
}

void TmoxStatusBar::InvalidatePanel(int index)
{
    TmoxStatusPanel& panel = panels_.Items(index);
    const RECT rect = GetPanelRect(index);
    if (IsRectEmpty(&rect))
        return;
    ui::WindowDc dc(Handle());
    ui::Canvas canvas(dc.Get());
    ui::SelectObjectScope font(dc.Get(), measureFont_ ? measureFont_.Get() : font_.Get());
    panel.Redraw(canvas, rect);
}

void TmoxStatusBar::DrawItem(const DRAWITEMSTRUCT& item)
{
    if (item.itemID >= nativePanels_.size())
        throw EAssertionFailed("Panel links corrupted");
    ui::Canvas canvas(item.hDC);
    DrawPanel(*nativePanels_[item.itemID], canvas, item.rcItem);
}

void TmoxStatusBar::DrawPanel(const TStatusPanel& native, ui::Canvas& canvas, const RECT& rect)
{
    TmoxStatusPanel* panel = FindLinkedPanel(native);
    if (!panel)
        throw EAssertionFailed("Panel links corrupted");
    ui::SelectObjectScope font(canvas.Handle(), measureFont_ ? measureFont_.Get() : font_.Get());
    if (OnDrawPanel)
        OnDrawPanel(*this, *panel, canvas, rect);
    panel->DrawPanel(canvas, rect);
}

} // namespace kelvo
