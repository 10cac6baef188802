#include "components/hexview/hexeditor.h"

#include "common/dpi_scale.h"
#include "platform/file.h"
#include "ui/canvas.h"
#include "ui/cursor.h"
#include "ui/form.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

namespace kelvo {

namespace {

constexpr int kOffScreen = -50;

ui::OwnedFont MakeFont(const char* face, int height)
{
    return ui::OwnedFont(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, face));
}

// Stops a visible window from painting while its layout changes and repaints
// it all afterwards. A hidden window is left alone: turning redrawing back on
// would show it.
class RedrawLock {
public:
    explicit RedrawLock(HWND window)
        : window_(window && (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) ? window : nullptr)
    {
        if (window_)
            SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
    }
    RedrawLock(const RedrawLock&) = delete;
    RedrawLock& operator=(const RedrawLock&) = delete;
    ~RedrawLock()
    {
        if (!window_)
            return;
        SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window_, nullptr, FALSE);
    }

private:
    HWND window_;
};

// Whether a key that went down with Alt held is one of the numeric keypad,
// with which a character code is typed: the digit keys, or (with Num Lock
// off) the keypad's own arrow, Home, End, Page, Insert and Clear keys, which
// unlike the separate ones carry no extended-key flag.
bool IsAltCodeKey(WPARAM key, LPARAM flags)
{
    if ((flags & (LPARAM{1} << 29)) == 0)
        return false;
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return true;
    const bool extended = (flags & (LPARAM{1} << 24)) != 0;
    switch (key) {
    case VK_INSERT:
    case VK_END:
    case VK_DOWN:
    case VK_NEXT:
    case VK_LEFT:
    case VK_CLEAR:
    case VK_RIGHT:
    case VK_HOME:
    case VK_UP:
    case VK_PRIOR: return !extended;
    default: return false;
    }
}

} // namespace

// --- TColors ------------------------------------------------------------------

void TColors::Set(HexColor& field, HexColor value)
{
    if (field == value)
        return;
    field = value;
    owner_.ColorsChanged(&field == &values_.Background, &field == &values_.CursorFrame);
}

void TColors::SetBackground(HexColor value) { Set(values_.Background, value); }
void TColors::SetPositionBackground(HexColor value) { Set(values_.PositionBackground, value); }
void TColors::SetPositionText(HexColor value) { Set(values_.PositionText, value); }
void TColors::SetChangedBackground(HexColor value) { Set(values_.ChangedBackground, value); }
void TColors::SetChangedText(HexColor value) { Set(values_.ChangedText, value); }
void TColors::SetCursorFrame(HexColor value) { Set(values_.CursorFrame, value); }
void TColors::SetOffset(HexColor value) { Set(values_.Offset, value); }
void TColors::SetOddColumn(HexColor value) { Set(values_.OddColumn, value); }
void TColors::SetEvenColumn(HexColor value) { Set(values_.EvenColumn, value); }

// --- Construction -------------------------------------------------------------

THexEditor::THexEditor() : colors_(*this)
{
    look_.colors = colors_.Values();
    SetColor(colors_.Background());
    SetColCount(doc_.ColCount());
    SetRowCount(1);
    SetFixedCols(HexDocument::kFixedCols);
    SetFont("Courier", dpi::FontHeight(12, dpi::kBaseDpi));
}

THexEditor::~THexEditor()
{
    // The window goes while the control's members still exist.
    DestroyHandle();
}

void THexEditor::Create(HWND parent, int id)
{
    CreateGrid(parent, id);
    RemakeFont(); // for the window's own DPI
    if (fileName_ == "---")
        CreateEmptyFile("Untitled");
}

// --- Properties -----------------------------------------------------------------

void THexEditor::SetShowMarkerColumn(bool value)
{
    if (value == showMarkerColumn_)
        return;
    showMarkerColumn_ = value;
    AdjustMetrics();
}

void THexEditor::SetBytesPerColumn(int value)
{
    if (value < 1)
        throw HexError("Invalid BytesPerColumn argument");
    if (2 * value == doc_.NibblesPerColumn())
        return;
    doc_.SetNibblesPerColumn(2 * value);
    AdjustMetrics();
    InvalidateGrid();
}

void THexEditor::SetTranslation(TTranslationType value) { StoreAndRepaint(look_.translation, value); }

void THexEditor::SetOffsetDisplay(TOffsetDisplayStyle value)
{
    if (value == look_.offsetDisplay)
        return;
    look_.offsetDisplay = value;
    SetOffsetDisplayWidth();
    InvalidateGrid();
}

void THexEditor::SetBytesPerLine(int value)
{
    if (value == BytesPerLine())
        return;
    if (value < 1 || value > 256)
        throw HexError("Invalid BytesPerLine argument");
    RedrawLock lock(Handle());
    const SavedSelection selection = SaveSelection();
    bool inCharField = false;
    const std::int32_t pos = doc_.GetPosAtCursor(Col(), Row(), inCharField);
    doc_.SetBytesPerLine(value);
    CalcSizes();
    MoveToPos(pos, inCharField);
    RestoreSelection(selection);
}

void THexEditor::SetCaretStyle(TCaretStyle value)
{
    if (value == caretStyle_)
        return;
    caretStyle_ = value;
    if (Focused()) {
        CreateColoredCaret();
        ShowNewCaret();
    }
}

void THexEditor::SetFocusFrame(bool value) { StoreAndRepaint(focusFrame_, value); }

void THexEditor::SetOffsetSeparator(char value) { StoreAndRepaint(look_.offsetSeparator, value); }

void THexEditor::SetSwapNibbles(bool value) { StoreAndRepaint(look_.swapNibbles, value); }

void THexEditor::SetMaskWhiteSpaces(bool value) { StoreAndRepaint(look_.maskWhiteSpaces, value); }

void THexEditor::SetMaskChar(char value) { StoreAndRepaint(look_.maskChar, value); }

void THexEditor::SetAutoCaretMode(bool value)
{
    autoCaretMode_ = value;
    if (value)
        SetCaretStyle(IsInsertMode() ? csLeftLine : csFull);
}

void THexEditor::GridView::InsertModeChanged()
{
    if (owner_.autoCaretMode_)
        owner_.SetCaretStyle(owner_.IsInsertMode() ? csLeftLine : csFull);
}

void THexEditor::GridView::StateChangedNow()
{
    if (owner_.OnStateChanged)
        owner_.OnStateChanged(owner_);
}

void THexEditor::SetFont(const std::string& face, int height)
{
    fontFace_ = face;
    fontHeight_ = height;
    RemakeFont();
}

void THexEditor::RemakeFont()
{
    ui::OwnedFont font = MakeFont(fontFace_.c_str(), Scale(fontHeight_));
    if (!font)
        return;
    font_ = std::move(font);
    AdjustMetrics();
    if (Focused()) {
        CreateColoredCaret();
        ShowNewCaret();
    }
    InvalidateGrid();
}

void THexEditor::SetModified(bool value)
{
    model_.SetModifiedFlag(value);
    if (value)
        return;
    model_.DisableUndo();
    doc_.ClearChanges();
    InvalidateGrid();
}

void THexEditor::SetReadOnlyFile(bool value)
{
    if (!value || readOnlyFile_)
        return;
    readOnlyFile_ = true;
    StateNotification();
}

// --- Line lengths -----------------------------------------------------------------

THexEditor::SavedSelection THexEditor::SaveSelection() const
{
    return {doc_.SelStart, doc_.SelAnchor, doc_.SelEnd};
}

void THexEditor::RestoreSelection(const SavedSelection& saved)
{
    doc_.SelStart = saved.start;
    doc_.SelAnchor = saved.anchor;
    doc_.SelEnd = saved.end;
}

void THexEditor::SetVariableLineLength(bool on)
{
    if (on == VariableLineLength())
        return;
    const SavedSelection selection = SaveSelection();
    bool inCharField = false;
    const std::int32_t pos = doc_.GetPosAtCursor(Col(), Row(), inCharField);
    doc_.SetVariableLineLength(on);
    CalcSizes();
    MoveToPos(pos, inCharField);
    ui::ProcessMessages();
    RestoreSelection(selection);
    InvalidateGrid();
}

void THexEditor::SetLineLength(std::int32_t row, std::int32_t length)
{
    doc_.SetLineLength(row, length);
    if (!VariableLineLength())
        return;
    CalcSizes();
    InvalidateGrid();
}

void THexEditor::SetLineLengths(const std::vector<std::int32_t>& lengths)
{
    const SavedSelection selection = SaveSelection();
    bool inCharField = false;
    const std::int32_t pos = doc_.GetPosAtCursor(Col(), Row(), inCharField);
    doc_.SetLineLengths(lengths);
    CalcSizes();
    MoveToPos(pos, inCharField);
    RestoreSelection(selection);
    InvalidateGrid();
}

// --- Documents ----------------------------------------------------------------------

void THexEditor::DocumentLoaded()
{
    ResetUndo();
    doc_.ClearChanges();
    doc_.ResetSelection();
    CalcSizes();
    SetModified(false);
    model_.StopSelecting();
    MoveCurrent(2, 0);
}

bool THexEditor::LoadFromFile(const std::string& name)
{
    const bool hadData = doc_.HasStream();
    bool readOnly = true;
    bool loaded = false;
    {
        ui::WaitCursor wait;
        loaded = doc_.LoadFile(name, readOnly);
    }
    if (!loaded) {
        // The access test marks the file read-only before it finds it unreadable.
        readOnlyFile_ = true;
        // A file that could be opened but not copied leaves no data behind:
        // the control must not go on showing, or later save, the old name.
        if (hadData && !doc_.HasStream())
            CreateEmptyFile("Untitled");
        return false;
    }
    fileName_ = name;
    readOnlyFile_ = readOnly;
    DocumentLoaded();
    return true;
}

bool THexEditor::LoadFromStream(std::istream& stream)
{
    bool loaded = false;
    {
        ui::WaitCursor wait;
        loaded = doc_.LoadStream(stream);
    }
    DocumentLoaded();
    return loaded;
}

bool THexEditor::SaveToStream(std::ostream& stream)
{
    ui::WaitCursor wait;
    return doc_.SaveStream(stream);
}

bool THexEditor::SaveToFile(const std::string& name)
{
    bool saved = false;
    {
        ui::WaitCursor wait;
        // The file about to be replaced is kept as the backup; when that copy
        // fails nothing is written.
        const bool backup = CreateBackup && Modified() && name == fileName_ && platform::FileExists(name);
        if (!backup || HexDocument::CopyFileOver(name, HexDocument::BackupName(name, BackupExtension)))
            saved = doc_.SaveFile(name);
    }
    if (saved) {
        SetModified(false);
        readOnlyFile_ = false;
        fileName_ = name;
        ResetUndo();
    }
    InvalidateGrid();
    return saved;
}

void THexEditor::CreateEmptyFile(const std::string& name)
{
    doc_.FreeFile();
    fileName_ = name;
    ResetUndo();
    doc_.ResetSelection();
    doc_.ClearChanges();
    CalcSizes();
    SetModified(false);
    readOnlyFile_ = true;
    MoveCurrent(2, 0);
}

bool THexEditor::TakeWorkingCopy(const std::string& name)
{
    if (!doc_.MoveWorkingCopy(name))
        return false;
    CreateEmptyFile(fileName_);
    return true;
}

void THexEditor::ConvertRange(std::int32_t start, std::int32_t end, TTranslationType from, TTranslationType to)
{
    ui::WaitCursor wait;
    model_.ConvertRange(start, end, from, to);
}

std::int32_t THexEditor::Find(std::uint8_t* pattern, std::int32_t count, std::int32_t start, std::int32_t end,
                              bool ignoreCase, bool translate)
{
    ui::WaitCursor wait;
    return model_.Find(pattern, count, start, end, ignoreCase, translate);
}

std::uint8_t THexEditor::TranslateToAnsiChar(std::uint8_t value) const
{
    return ::kelvo::TranslateToAnsiChar(look_.translation, value, look_.maskWhiteSpaces,
                                        static_cast<std::uint8_t>(look_.maskChar));
}

std::uint8_t THexEditor::TranslateFromAnsiChar(std::uint8_t character) const
{
    return ::kelvo::TranslateFromAnsiChar(look_.translation, character);
}

// --- Layout -------------------------------------------------------------------------

void THexEditor::CalcSizes()
{
    doc_.CalcSizes();
    SetRowCount(doc_.RowCount());
    SetColCount(doc_.ColCount());
    SetFixedCols(HexDocument::kFixedCols);
    AdjustMetrics();
}

void THexEditor::AdjustMetrics()
{
    {
        ui::WindowDc dc(Handle());
        ui::SelectObjectScope font(dc.Get(), font_.Get());
        SIZE w{}, yY{};
        GetTextExtentPoint32A(dc.Get(), "w", 1, &w);
        GetTextExtentPoint32A(dc.Get(), "yY", 2, &yY);
        charWidth_ = w.cx;
        rowHeight_ = yY.cy + 2;
        // The marker digits: Arial at three quarters of the font's point size.
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc.Get(), &metrics);
        const int dpi = Dpi();
        const int pixels = fontHeight_ < 0 ? -Scale(fontHeight_) : metrics.tmHeight - metrics.tmInternalLeading;
        const double points = pixels * 72.0 / dpi;
        markerFont_ = MakeFont("Arial", -MulDiv(static_cast<int>(std::lround(0.75 * points)), dpi, 72));
    }
    offsetWidth_ = doc_.OffsetWidth(look_.offsetDisplay);
    std::vector<int> widths(static_cast<std::size_t>(doc_.ColCount()));
    for (std::size_t col = 0; col < widths.size(); ++col)
        widths[col] = doc_.ColumnWidth(static_cast<std::int32_t>(col), charWidth_, offsetWidth_, showMarkerColumn_);
    SetColWidths(std::move(widths));
    SetFixedCols(HexDocument::kFixedCols);
    SetDefaultRowHeight(rowHeight_);
}

void THexEditor::SetOffsetDisplayWidth()
{
    offsetWidth_ = doc_.OffsetWidth(look_.offsetDisplay);
    SetColWidth(0, doc_.ColumnWidth(0, charWidth_, offsetWidth_, showMarkerColumn_));
}

void THexEditor::StateNotification()
{
    if (Handle())
        PostMessageA(Handle(), WM_STATECHANGED, kStateChanged, kStateChanged);
}

// --- Painting and the caret -----------------------------------------------------------

void THexEditor::DrawCell(int col, int row, const RECT& rect, HDC dc)
{
    const HexCellLook cell = doc_.CellLook(col, row, look_, offsetWidth_);
    SelectObject(dc, cell.markerFont && markerFont_ ? markerFont_.Get() : font_.Get());
    SetTextColor(dc, ui::ColorToRGB(cell.textColor));
    SetBkColor(dc, ui::ColorToRGB(cell.background));
    ExtTextOutA(dc, rect.left, rect.top, ETO_OPAQUE | ETO_CLIPPED, &rect, cell.text.data(),
                static_cast<UINT>(cell.text.size()), nullptr);
    if (cell.markerFont)
        SelectObject(dc, font_.Get());

    // The caret belongs to the thread: only the focused control may move it.
    if (!Focused())
        return;
    if (DataSize() < 1) {
        if (row == 0 && col == 2)
            SetCaretPos(rect.left, rect.top);
        return;
    }
    if (row != Row())
        return;
    if (col == Col())
        SetCaretPos(rect.left, rect.top);
    bool inCharField = false;
    if (col != doc_.GetOtherFieldCol(Col(), inCharField))
        return;
    // The byte under the caret, framed in the other field.
    RECT frame{rect.left, rect.top, rect.left + charWidth_, rect.bottom};
    if (focusFrame_) {
        DrawFocusRect(dc, &frame);
    } else {
        ui::OwnedBrush brush(CreateSolidBrush(ui::ColorToRGB(colors_.CursorFrame())));
        FrameRect(dc, &frame, brush.Get());
    }
}

void THexEditor::CreateColoredCaret()
{
    DestroyCaret();
    const int width = std::max(charWidth_, 1);
    const int height = std::max(rowHeight_ - 2, 1);
    {
        ui::WindowDc screen(nullptr);
        caretBitmap_.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
        ui::OwnedMemoryDc dc(CreateCompatibleDC(screen.Get()));
        if (!caretBitmap_ || !dc)
            return;
        ui::SelectObjectScope bitmap(dc.Get(), caretBitmap_.Get());
        const RECT all{0, 0, width, height};
        FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        RECT shape = all;
        if (caretStyle_ == csLeftLine)
            shape.right = std::min(2, width);
        else if (caretStyle_ == csBottomLine)
            shape.top = std::max(height - 2, 0);
        // The caret is combined with the screen by exclusive or: on white the
        // shape shows in the frame colour.
        ui::OwnedBrush brush(CreateSolidBrush(ui::ColorToRGB(colors_.CursorFrame()) ^ 0xFFFFFF));
        FillRect(dc.Get(), &shape, brush.Get());
    }
    CreateCaret(Handle(), caretBitmap_.Get(), 0, 0);
}

void THexEditor::ShowNewCaret()
{
    SetCaretPos(kOffScreen, kOffScreen);
    ShowCaret(Handle());
    InvalidateGrid();
}

void THexEditor::PlaceCaret(int col, int row)
{
    if (!Focused())
        return;
    const RECT rect = CellRect(col, row);
    if (IsRectEmpty(&rect))
        SetCaretPos(kOffScreen, kOffScreen);
    else
        SetCaretPos(rect.left, rect.top);
}

void THexEditor::TopLeftChanged() { PlaceCaret(Col(), Row()); }

void THexEditor::ColorsChanged(bool background, bool cursorFrame)
{
    look_.colors = colors_.Values();
    if (cursorFrame && Focused()) {
        CreateColoredCaret();
        ShowNewCaret();
    }
    if (!background) {
        InvalidateGrid();
        return;
    }
    SetColor(colors_.Background());
    if (Handle())
        UpdateWindow(Handle());
}

// --- The current cell -----------------------------------------------------------------

void THexEditor::MoveToPos(std::int32_t pos, bool inCharField)
{
    const HexDocument::Cell cell = doc_.GetCursorAtPos(pos, inCharField);
    MoveCurrent(cell.col, cell.row);
}

bool THexEditor::SelectCell(int col, int row) { return model_.SelectCell(col, row); }

// --- Messages -----------------------------------------------------------------------------

TShiftState THexEditor::ShiftState()
{
    TShiftState shift;
    const std::pair<int, TShiftStateItem> keys[] = {{VK_SHIFT, ssShift}, {VK_CONTROL, ssCtrl}, {VK_MENU, ssAlt},
                                                    {VK_LBUTTON, ssLeft}, {VK_RBUTTON, ssRight},
                                                    {VK_MBUTTON, ssMiddle}};
    for (const auto& [key, item] : keys)
        if (GetKeyState(key) < 0)
            shift.Include(item);
    return shift;
}

LRESULT THexEditor::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case ui::kDpiChangedAfterParent:
        RemakeFont();
        return 0;
    case WM_STATECHANGED:
        if (wParam == kStateChanged && OnStateChanged)
            OnStateChanged(*this);
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = CustomGrid::HandleMessage(message, wParam, lParam) | DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (WantTabs)
            code |= DLGC_WANTTAB;
        else
            code &= ~static_cast<LRESULT>(DLGC_WANTTAB);
        return code;
    }
    case WM_SETFOCUS: {
        const LRESULT result = CustomGrid::HandleMessage(message, wParam, lParam);
        CreateColoredCaret();
        ShowNewCaret();
        if (OnEnter)
            OnEnter(*this);
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = CustomGrid::HandleMessage(message, wParam, lParam);
        HideCaret(Handle());
        DestroyCaret();
        // The selection stays for commands run from elsewhere; extending it ends.
        model_.StopSelecting();
        InvalidateGrid();
        if (OnExit)
            OnExit(*this);
        return result;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        // Keys with Alt held move and select as without it, except the keypad
        // keys of a character code; what is not handled here (Alt+F4, the
        // menu keys) goes on to the system.
        if (message == WM_SYSKEYDOWN && IsAltCodeKey(wParam, lParam)) {
            model_.AltKeypadKey();
            return Default(message, wParam, lParam);
        }
        const TShiftState shift = ShiftState();
        WORD key = static_cast<WORD>(wParam);
        if (OnKeyDown)
            OnKeyDown(*this, key, shift);
        if (key != 0)
            model_.KeyDown(key, shift, ReadOnlyView);
        if (key != 0 && !GridKeyDown(key))
            return Default(message, key, lParam);
        return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        WORD key = static_cast<WORD>(wParam);
        if (OnKeyUp)
            OnKeyUp(*this, key, ShiftState());
        model_.KeyUp(key);
        if (message == WM_KEYUP)
            return 0;
        break;
    }
    case WM_CHAR: {
        char ch = static_cast<char>(wParam);
        if (OnKeyPress)
            OnKeyPress(*this, ch);
        if (ch != 0)
            model_.WMChar(static_cast<std::uint8_t>(ch), ReadOnlyView);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        CustomGrid::HandleMessage(message, wParam, lParam);
        model_.MouseDown(true, message == WM_LBUTTONDBLCLK);
        if (OnMouseDown)
            OnMouseDown(*this, VK_LBUTTON, ShiftState(), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (message == WM_LBUTTONDBLCLK && OnDblClick)
            OnDblClick(*this);
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(*this, message == WM_RBUTTONDOWN ? VK_RBUTTON : VK_MBUTTON, ShiftState(),
                        GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const bool click = message == WM_LBUTTONUP && GetCapture() == Handle();
        const LRESULT result = CustomGrid::HandleMessage(message, wParam, lParam);
        if (OnMouseUp) {
            const int button = message == WM_LBUTTONUP ? VK_LBUTTON : message == WM_RBUTTONUP ? VK_RBUTTON : VK_MBUTTON;
            OnMouseUp(*this, button, ShiftState(), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        }
        if (click && OnClick)
            OnClick(*this);
        return result;
    }
    case WM_MOUSEMOVE: {
        const LRESULT result = CustomGrid::HandleMessage(message, wParam, lParam);
        if (OnMouseMove)
            OnMouseMove(*this, ShiftState(), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return result;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM)));
            return TRUE;
        }
        break;
    default: break;
    }
    return CustomGrid::HandleMessage(message, wParam, lParam);
}

} // namespace kelvo
