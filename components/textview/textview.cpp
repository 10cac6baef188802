#include "components/textview/textview.h"

#include "ui/handles.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace kelvo {

namespace {

// Fresh movable global memory holding bytes, for the clipboard.
HGLOBAL GlobalCopy(const void* bytes, std::size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = memory ? GlobalLock(memory) : nullptr;
    if (!target) {
        if (memory)
            GlobalFree(memory);
        return nullptr;
    }
    std::copy_n(static_cast<const char*>(bytes), size, static_cast<char*>(target));
    GlobalUnlock(memory);
    return memory;
}

} // namespace

void TTextView::Create(HWND parent, int id)
{
    CreateOwnWindow("KelvoTextView", WS_CHILD | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, nullptr, 0, 0, 0, 0,
                    parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
    SetFont(nullptr, false);
}

void TTextView::SetText(std::string text)
{
    model_.SetText(std::move(text));
    Changed();
}

void TTextView::SetFont(HFONT font, bool redraw)
{
    font_ = font;
    ui::WindowDc dc(Handle());
    ui::SelectObjectScope selected(dc.Get(), font ? font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.Get(), &metrics);
    rowHeight_ = std::max(1, static_cast<int>(metrics.tmHeight));
    std::array<INT, 256> measured{};
    std::array<int, 256> widths{};
    if (GetCharWidth32A(dc.Get(), 0, 255, measured.data()))
        std::copy(measured.begin(), measured.end(), widths.begin());
    else
        widths.fill(std::max(1, static_cast<int>(metrics.tmAveCharWidth)));
    // Tab stops every eight average characters, as in the system's edit control.
    model_.Layout().SetMetrics(widths, 8 * std::max(1, static_cast<int>(metrics.tmAveCharWidth)));
    Resized();
    if (focused_) {
        CreateCaret(Handle(), nullptr, 1, rowHeight_);
        ShowCaret(Handle());
    }
    if (redraw)
        Changed();
}

void TTextView::Resized()
{
    RECT client{};
    GetClientRect(Handle(), &client);
    model_.SetWrapWidth(client.right - 2 * Scale(kMargin));
    model_.SetVisibleRows(client.bottom / rowHeight_);
}

void TTextView::Changed()
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = model_.Layout().RowCount() - 1;
    info.nPage = static_cast<UINT>(model_.VisibleRows());
    info.nPos = model_.TopRow();
    SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
    InvalidateRect(Handle(), nullptr, FALSE);
    PlaceCaret();
}

void TTextView::PlaceCaret()
{
    if (!focused_)
        return;
    const TextLayout& layout = model_.Layout();
    const std::int32_t row = layout.RowOf(model_.Caret());
    const std::int32_t viewRow = row - model_.TopRow();
    if (viewRow < 0 || viewRow > model_.VisibleRows())
        SetCaretPos(-100, -100 - rowHeight_);
    else
        SetCaretPos(Scale(kMargin) + layout.XOf(layout.Row(row), model_.Caret()), viewRow * rowHeight_);
}

void TTextView::Paint(HDC dc, const RECT& area)
{
    RECT client{};
    GetClientRect(Handle(), &client);
    const TextLayout& layout = model_.Layout();
    const std::string& text = layout.Text();
    ui::SelectObjectScope selected(dc, font_ ? font_ : GetStockObject(SYSTEM_FONT));
    SetBkMode(dc, TRANSPARENT);
    const std::int32_t first = std::max(0L, area.top / rowHeight_);
    const std::int32_t last = (area.bottom + rowHeight_ - 1) / rowHeight_; // one past, partly shown rows too
    const std::vector<TextRow> rows = layout.Rows(model_.TopRow() + first, last - first);
    const std::int32_t selStart = model_.SelStart(), selEnd = model_.SelEnd();
    std::vector<INT> advances;
    auto draw = [&](const TextRow& row, std::int32_t from, std::int32_t to, int y, bool selection) {
        for (const TextRun& run : layout.Runs(row, from, to)) {
            const int x = Scale(kMargin) + run.x;
            if (x >= client.right)
                break;
            advances.clear();
            for (std::int32_t i = run.start; i < run.end; ++i)
                advances.push_back(layout.ByteWidth(static_cast<unsigned char>(text[static_cast<std::size_t>(i)])));
            if (selection) {
                int width = 0;
                for (INT advance : advances)
                    width += advance;
                RECT back{x, y, x + width, y + rowHeight_};
                FillRect(dc, &back, GetSysColorBrush(COLOR_HIGHLIGHT));
            }
            ExtTextOutA(dc, x, y, 0, nullptr, text.data() + run.start, static_cast<UINT>(run.end - run.start),
                        advances.data());
        }
    };
    int y = first * rowHeight_;
    RECT back{area.left, 0, area.right, 0};
    for (const TextRow& row : rows) {
        back.top = y;
        back.bottom = y + rowHeight_;
        FillRect(dc, &back, GetSysColorBrush(COLOR_WINDOW));
        const std::int32_t from = std::clamp(selStart, row.start, row.end);
        const std::int32_t to = std::clamp(selEnd, row.start, row.end);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        draw(row, row.start, from, y, false);
        draw(row, to, row.end, y, false);
        if (from < to) {
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            draw(row, from, to, y, true);
        }
        y += rowHeight_;
    }
    if (y < area.bottom) {
        back.top = y;
        back.bottom = area.bottom;
        FillRect(dc, &back, GetSysColorBrush(COLOR_WINDOW));
    }
}

void TTextView::KeyDown(WORD key)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    switch (key) {
    case VK_LEFT: model_.Move(TextMove::Left, shift); break;
    case VK_RIGHT: model_.Move(TextMove::Right, shift); break;
    case VK_UP: model_.Move(TextMove::Up, shift); break;
    case VK_DOWN: model_.Move(TextMove::Down, shift); break;
    case VK_PRIOR: model_.Move(TextMove::PageUp, shift); break;
    case VK_NEXT: model_.Move(TextMove::PageDown, shift); break;
    case VK_HOME: model_.Move(control ? TextMove::TextStart : TextMove::RowStart, shift); break;
    case VK_END: model_.Move(control ? TextMove::TextEnd : TextMove::RowEnd, shift); break;
    case 'A':
        if (!control)
            return;
        model_.SelectAll();
        break;
    case 'C':
    case VK_INSERT:
        if (control)
            CopyToClipboard();
        return;
    default: return;
    }
    Changed();
}

void TTextView::Scroll(WORD code)
{
    std::int32_t top = model_.TopRow();
    switch (code) {
    case SB_LINEUP: --top; break;
    case SB_LINEDOWN: ++top; break;
    case SB_PAGEUP: top -= model_.VisibleRows(); break;
    case SB_PAGEDOWN: top += model_.VisibleRows(); break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = model_.MaxTopRow(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(Handle(), SB_VERT, &info);
        top = info.nTrackPos;
        break;
    }
    default: return;
    }
    model_.ScrollTo(top);
    Changed();
}

void TTextView::MouseWheel(int delta)
{
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    wheelDelta_ += delta;
    int rows = 0;
    while (wheelDelta_ >= WHEEL_DELTA || wheelDelta_ <= -WHEEL_DELTA) {
        const int step = wheelDelta_ > 0 ? -1 : 1;
        wheelDelta_ += step * WHEEL_DELTA;
        rows += step * (lines == WHEEL_PAGESCROLL ? model_.VisibleRows() : static_cast<int>(lines));
    }
    if (rows != 0) {
        model_.ScrollTo(model_.TopRow() + rows);
        Changed();
    }
}

std::int32_t TTextView::PosAtPoint(LPARAM lParam) const
{
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    const int viewRow = y >= 0 ? y / rowHeight_ : -1 - (-y - 1) / rowHeight_;
    return model_.PosAtPoint(x - Scale(kMargin), viewRow);
}

void TTextView::CopyToClipboard()
{
    const std::string selected = model_.SelectedText();
    if (selected.empty() || !OpenClipboard(Handle()))
        return;
    EmptyClipboard();
    if (HGLOBAL ansi = GlobalCopy(selected.c_str(), selected.size() + 1); ansi && !SetClipboardData(CF_TEXT, ansi))
        GlobalFree(ansi);
    const int length = MultiByteToWideChar(CP_ACP, 0, selected.data(), static_cast<int>(selected.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(0, length)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, selected.data(), static_cast<int>(selected.size()), wide.data(), length);
    if (HGLOBAL unicode = GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
        unicode && !SetClipboardData(CF_UNICODETEXT, unicode))
        GlobalFree(unicode);
    CloseClipboard();
}

LRESULT TTextView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFONT: SetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    // The shown text is the window's text, so screen readers and automation
    // tools read the preview as they read an edit control.
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(Text().size());
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0)
            return 0;
        const std::size_t count = std::min<std::size_t>(Text().size(), wParam - 1);
        char* buffer = reinterpret_cast<char*>(lParam);
        std::memcpy(buffer, Text().data(), count);
        buffer[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_SIZE:
        Resized();
        Changed();
        return 0;
    case WM_ERASEBKGND: return 1; // every pixel is painted in WM_PAINT
    case WM_PAINT:
        if (wParam) {
            RECT client{};
            GetClientRect(Handle(), &client);
            Paint(reinterpret_cast<HDC>(wParam), client);
        } else {
            ui::PaintScope paint(Handle());
            Paint(paint.Paint().hdc, paint.Paint().rcPaint);
        }
        return 0;
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(Handle(), &client);
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_VSCROLL: Scroll(LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: MouseWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN: KeyDown(static_cast<WORD>(wParam)); return 0;
    case WM_COPY: CopyToClipboard(); return 0;
    case WM_SETFOCUS:
        focused_ = true;
        CreateCaret(Handle(), nullptr, 1, rowHeight_);
        PlaceCaret();
        ShowCaret(Handle());
        return 0;
    case WM_KILLFOCUS:
        focused_ = false;
        DestroyCaret();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM)));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetFocus() != Handle())
            SetFocus(Handle());
        model_.MoveTo(PosAtPoint(lParam), (wParam & MK_SHIFT) != 0);
        dragging_ = true;
        SetCapture(Handle());
        Changed();
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_) {
            model_.MoveTo(PosAtPoint(lParam), true);
            Changed();
        }
        return 0;
    case WM_LBUTTONUP:
        if (dragging_)
            ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED: dragging_ = false; return 0;
    default: break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace kelvo
