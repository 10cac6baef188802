#include "components/hexview/hex_to_canvas.h"

#include "ui/canvas.h"

namespace kelvo {

namespace {

constexpr int kDefaultPointSize = 12;

int ScreenDpi()
{
    ui::WindowDc screen(nullptr);
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

// A font's size in points, its height being in the screen's pixels.
int PointSize(const LOGFONTA& font)
{
    const int pixels = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    return pixels == 0 ? kDefaultPointSize : MulDiv(pixels, 72, ScreenDpi());
}

// A device context as a page surface: the font of the given logical form at
// each size asked for, scaled to the context's own resolution, so a printer
// page gets the same point sizes as the screen.
class GdiPrintSurface : public PrintSurface {
public:
    GdiPrintSurface(HDC dc, const LOGFONTA& font)
        : dc_(dc), logical_(font), dpi_(GetDeviceCaps(dc, LOGPIXELSY)),
          original_(GetCurrentObject(dc, OBJ_FONT))
    {
    }
    GdiPrintSurface(const GdiPrintSurface&) = delete;
    GdiPrintSurface& operator=(const GdiPrintSurface&) = delete;
    ~GdiPrintSurface() { SelectObject(dc_, original_); }

    void SetFontSize(int size) override
    {
        if (size == size_ && font_)
            return;
        logical_.lfHeight = -MulDiv(size, dpi_, 72);
        ui::OwnedFont font(CreateFontIndirectA(&logical_));
        if (!font)
            return;
        SelectObject(dc_, font.Get());
        font_ = std::move(font);
        size_ = size;
    }
    PrintTextSize TextExtent(std::string_view text) override
    {
        SIZE extent{};
        if (!GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &extent))
            return {};
        return {extent.cx, extent.cy};
    }
    void WriteText(std::int32_t x, std::int32_t y, std::string_view text) override
    {
        ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
    }

private:
    HDC dc_;
    LOGFONTA logical_;
    int dpi_;
    HGDIOBJ original_;
    ui::OwnedFont font_;
    int size_ = 0;
};

} // namespace

THexToCanvas::THexToCanvas()
    : font_(CreateFontA(-MulDiv(kDefaultPointSize, ScreenDpi(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, "Courier"))
{
}

THexToCanvas::~THexToCanvas()
{
    if (hexEditor_)
        hexEditor_->RemoveFreeNotification(*this);
}

void THexToCanvas::SetHexEditor(THexEditor* editor)
{
    if (editor == hexEditor_)
        return;
    if (hexEditor_)
        hexEditor_->RemoveFreeNotification(*this);
    hexEditor_ = editor;
    if (hexEditor_)
        hexEditor_->FreeNotification(*this);
}

void THexToCanvas::Notification(ui::FreeNotifier& component)
{
    if (hexEditor_ && &component == static_cast<ui::FreeNotifier*>(hexEditor_))
        hexEditor_ = nullptr;
}

void THexToCanvas::SetFont(HFONT font)
{
    if (!font)
        return;
    if (ui::OwnedFont copy = ui::CopyFont(font))
        font_ = std::move(copy);
}

void THexToCanvas::SetBytesPerColumn(std::int32_t value)
{
    if (value < 1)
        throw HexError("Invalid BytesPerColumn argument");
    bytesPerColumn_ = value;
}

void THexToCanvas::GetLayout()
{
    if (!hexEditor_)
        return;
    SetFont(hexEditor_->Font());
    bytesPerColumn_ = hexEditor_->BytesPerColumn();
    OffsetSeparator = hexEditor_->OffsetSeparator();
    OffsetDisplay = hexEditor_->OffsetDisplay();
    BytesPerLine = hexEditor_->BytesPerLine();
    SwapNibbles = hexEditor_->SwapNibbles();
    MemFieldDisplay = odHex;
    MemFieldSeparator = ' ';
    DisplayCharField = true;
    CharFieldSeparator = '\0';
}

std::int32_t THexToCanvas::Draw(HDC canvas, std::int32_t start, std::int32_t end, const std::string& header,
                                const std::string& footer)
{
    if (BytesPerLine < 1)
        return -1;
    if (!hexEditor_)
        return kNoPrintSource;

    HexPrintSettings settings;
    settings.BytesPerLine = BytesPerLine;
    settings.BytesPerColumn = bytesPerColumn_;
    settings.OffsetDisplay = OffsetDisplay;
    settings.MemFieldDisplay = MemFieldDisplay;
    settings.DisplayCharField = DisplayCharField;
    settings.OffsetSeparator = OffsetSeparator;
    settings.MemFieldSeparator = MemFieldSeparator;
    settings.CharFieldSeparator = CharFieldSeparator;
    settings.SwapNibbles = SwapNibbles;
    settings.ShrinkToFit = ShrinkToFit;
    settings.StretchToFit = StretchToFit;
    const HexDocument::Appearance& look = hexEditor_->Look();
    const HexPrintChars chars{look.translation, look.maskWhiteSpaces, look.maskChar};
    HexDocument& document = hexEditor_->Document();

    LOGFONTA logical{};
    GetObjectA(font_.Get(), sizeof logical, &logical);
    GdiPrintSurface surface(canvas, logical);
    return LayoutPrintPage(document, settings, chars, document.OffsetWidth(hexEditor_->OffsetDisplay()), DrawArea,
                           PointSize(logical), start, end, header, footer, surface)
        .next;
}

} // namespace kelvo
