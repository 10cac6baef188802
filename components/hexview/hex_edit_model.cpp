// The caret, the selection, the markers, the keys and the search.
#include "components/hexview/hex_edit_model.h"

#include "platform/codepage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace kelvo {

namespace {

constexpr std::int32_t kFindChunk = 1 << 20;

// The lower-case form of every ANSI byte, as the platform converts it.
const std::array<std::uint8_t, 256>& LowerCaseTable()
{
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> bytes{};
        for (int i = 0; i < 256; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        platform::AnsiLowerCase(bytes);
        return bytes;
    }();
    return table;
}

// The first place of pattern in data, or nullptr.
const std::uint8_t* Search(const std::uint8_t* data, std::size_t size, const std::uint8_t* pattern,
                           std::size_t count)
{
    if (count > size)
        return nullptr;
    const std::uint8_t* last = data + (size - count);
    const std::uint8_t first = pattern[0];
    for (const std::uint8_t* p = data; p <= last;) {
        p = static_cast<const std::uint8_t*>(std::memchr(p, first, static_cast<std::size_t>(last - p) + 1));
        if (!p)
            return nullptr;
        if (std::memcmp(p + 1, pattern + 1, count - 1) == 0)
            return p;
        ++p;
    }
    return nullptr;
}

} // namespace

HexEditModel::HexEditModel(HexDocument& doc, HexDocument::Appearance& look, HexGridView& view)
    : doc_(doc), look_(look), view_(view)
{
}

void HexEditModel::SetAllowInsertMode(bool value)
{
    allowInsertMode_ = !noSizeChange_ && value;
    look_.insertMode = IsInsertMode();
    view_.StateNotification();
}

void HexEditModel::SetNoSizeChange(bool value)
{
    noSizeChange_ = value;
    SetAllowInsertMode(allowInsertMode_);
}

// --- Keys and mouse ------------------------------------------------------------

void HexEditModel::KeyDown(std::uint16_t& key, TShiftState shift, bool readOnlyView)
{
    // The next character is this key's own (Tab, Backspace...), not a code
    // typed on the keypad; another key while Alt is held ends such a code.
    keyHandled_ = false;
    if (key != hkMenu)
        altCodeTyped_ = false;
    if (key == hkInsert) {
        key = 0;
        insertToggle_ = !insertToggle_;
        look_.insertMode = IsInsertMode();
        view_.InsertModeChanged();
        doc_.ClearChanges();
        view_.InvalidateGrid();
        view_.StateNotification();
        return;
    }
    const auto remembered = static_cast<std::uint16_t>(key & 0xFF);
    if (key == hkBack) {
        if (IsInsertMode() && !readOnlyView) {
            key = 0;
            // With a selection only the selection goes, as with Delete.
            if (GetSelCount() > 0)
                DeleteSelection();
            else
                InternalErase(true);
        } else {
            key = hkLeft;
        }
    } else if (key == hkDelete && !readOnlyView) {
        key = 0;
        if (shift == TShiftState{ssCtrl})
            DeleteSelection();
        else if (IsInsertMode()) {
            if (GetSelCount() > 0)
                DeleteSelection();
            else
                InternalErase(false);
        }
    }
    if (ParseKeyDown(shift, remembered))
        key = 0;
}

void HexEditModel::KeyUp(std::uint16_t key)
{
    // Releasing Alt after keypad keys brings the character of their code; a
    // tap on Alt (or Alt+Tab) brings none.
    keyHandled_ = key == hkMenu && altCodeTyped_;
    if (key == hkMenu)
        altCodeTyped_ = false;
}

void HexEditModel::MoveVertical(std::int32_t target)
{
    std::int32_t col = view_.Col();
    const std::int32_t row = view_.Row();
    if (doc_.VariableLineLength()) {
        const std::int32_t first = CharFieldAt(col) ? 2 * doc_.BytesPerLine() + 3 : 2;
        if (!doc_.OutOfBounds(col, row) && doc_.OutOfBounds(col + 1, row)) {
            col = first;
            while (!doc_.OutOfBounds(col + 1, target))
                ++col;
        } else {
            while (col > first && doc_.OutOfBounds(col, target))
                --col;
        }
    }
    view_.MoveCurrent(col, target);
}

void HexEditModel::SwitchField()
{
    if (DataSize() < 1)
        return;
    bool inCharField = false;
    view_.MoveCurrent(doc_.GetOtherFieldCol(view_.Col(), inCharField), view_.Row());
}

bool HexEditModel::ParseKeyDown(TShiftState shift, std::uint16_t key)
{
    if (shift.IsEmpty() && key != hkShift && !IsInsertMode())
        ResetSelection(true);
    const bool ctrl = shift.Contains(ssCtrl);
    const std::int32_t col = view_.Col();
    const std::int32_t row = view_.Row();
    const std::int32_t rows = doc_.RowCount();
    const std::int32_t visible = view_.VisibleRowCount();
    const std::int32_t top = view_.TopRow();
    const bool inChar = CharFieldAt(col);
    const std::int32_t pos = PosAt(col, row);
    switch (key) {
    case hkPrior:
        if (ctrl) {
            if (top >= 0)
                MoveVertical(top);
        } else {
            const std::int32_t target = std::max(0, row - visible + 1);
            view_.SetTopRow(std::max(0, top - visible + 1));
            MoveVertical(target);
        }
        return true;
    case hkNext:
        if (ctrl) {
            MoveVertical(std::min(rows - 1, top + visible - 1));
        } else {
            const std::int32_t target = std::min(rows - 1, row + visible - 1);
            view_.SetTopRow(std::min(top + visible - 1, std::max(0, rows - visible)));
            MoveVertical(target);
        }
        return true;
    case hkHome:
        MoveToPos(ctrl ? 0 : doc_.GetLineOffset(row), inChar);
        return true;
    case hkEnd:
        if (ctrl)
            MoveToPos(DataSize() - 1, inChar);
        else
            MoveToPos(std::min(PosAt(2, row + 1) - 1, DataSize() - 1), inChar);
        return true;
    default: break;
    }
    if (key == hkLeft && !ctrl) {
        if (inChar) {
            if (pos > 0)
                MoveToPos(pos - 1, true);
        } else if ((col - 2) % 2 == 1) {
            view_.MoveCurrent(col - 1, row);
        } else if (pos > 0) {
            const HexDocument::Cell cell = doc_.GetCursorAtPos(pos - 1, false);
            view_.MoveCurrent(cell.col + 1, cell.row);
        }
        return true;
    }
    if (key == hkRight && !ctrl) {
        if (inChar) {
            if (pos < DataSize() - 1)
                MoveToPos(pos + 1, true);
        } else if ((col - 2) % 2 == 0) {
            view_.MoveCurrent(col + 1, row);
        } else if (pos + 1 < DataSize()) {
            MoveToPos(pos + 1, false);
        }
        return true;
    }
    if (key == hkRight) {
        std::int32_t last = doc_.ColCount() - 1;
        while (last > 2 && doc_.OutOfBounds(last, row))
            --last;
        view_.MoveCurrent(last, row);
        return true;
    }
    if (key == hkDown && !ctrl) {
        if (row < rows - 1)
            MoveVertical(row + 1);
        return true;
    }
    if (key == hkUp && !ctrl) {
        if (row > 0)
            MoveVertical(row - 1);
        return true;
    }
    if (key == 'T' && ctrl) {
        SwitchField();
        return true;
    }
    if (key == hkTab && (shift.IsEmpty() || shift == TShiftState{ssShift})) {
        SwitchField();
        return true;
    }
    if (key >= '0' && key <= '9' && shift == TShiftState{ssShift, ssCtrl}) {
        SetMarker(key - '0', row);
        return true;
    }
    if (key >= '0' && key <= '9' && shift == TShiftState{ssCtrl}) {
        ResetSelection(true);
        const std::int32_t target = GetMarkerRow(key - '0');
        if (target < rows) {
            view_.MoveCurrent(2, target);
        } else {
            // The document shrank below the marker's row: the marker goes.
            doc_.Markers[static_cast<std::size_t>(key - '0')] = -1;
            view_.InvalidateGrid();
        }
        return true;
    }
    if (key == hkShift && shift == TShiftState{ssShift}) {
        if (!selecting_)
            ResetSelection(true);
        selecting_ = true;
        return true;
    }
    return false;
}

void HexEditModel::WMChar(std::uint8_t ch, bool readOnlyView)
{
    if (readOnlyView)
        return;
    const std::int32_t col = view_.Col();
    const std::int32_t row = view_.Row();
    const std::int32_t pos = PosAt(col, row);
    const bool insert = IsInsertMode();
    if (pos >= DataSize() && !insert)
        return;
    if (!CharFieldAt(col)) {
        static constexpr std::string_view kDigits = "0123456789abcdef0123456789ABCDEF";
        const std::size_t index = kDigits.find(static_cast<char>(ch));
        if (index == std::string_view::npos)
            return;
        const auto v = static_cast<std::uint8_t>(index % 16);
        if (!insert)
            ResetSelection(true);
        const std::int32_t c0 = doc_.GetCursorAtPos(pos, false).col;
        const std::uint8_t old = pos < DataSize() ? static_cast<std::uint8_t>(doc_.GetByteAtPos(pos)) : 0;
        const bool selection = doc_.SelAnchor != -1;
        const bool onHighNibble = col - (look_.swapNibbles ? 1 : 0) == c0;
        std::uint8_t value = (onHighNibble || selection) ? static_cast<std::uint8_t>(v * 16 + (old & 0x0F))
                                                          : static_cast<std::uint8_t>((old & 0xF0) + v);
        if (insert && (col == c0 || selection)) {
            // A new byte holds the typed digit where its first digit shows it.
            value = look_.swapNibbles ? v : static_cast<std::uint8_t>(v << 4);
            if (DataSize() == 0)
                AppendBuffer(&value, 1);
            else if (!selection)
                InsertBuffer(&value, 1, pos);
            else
                ReplaceSelection(&value, 1);
        } else {
            ChangeByte(old, value, pos, col, row);
            if (insert && col != c0 && DataSize() == pos + 1) {
                const std::uint8_t zero = 0;
                AppendBuffer(&zero, 1);
                return;
            }
        }
        ParseKeyDown({}, hkRight);
        return;
    }
    std::uint8_t b = 0;
    if (keyHandled_) {
        b = ch;
        platform::ConvertAnsiToOem(std::span<std::uint8_t>(&b, 1));
    } else {
        b = TranslateFromAnsiChar(look_.translation, ch);
        if (b < 0x20)
            return;
    }
    keyHandled_ = false;
    if (!insert)
        ResetSelection(true);
    const std::uint8_t old = pos < DataSize() ? static_cast<std::uint8_t>(doc_.GetByteAtPos(pos)) : 0;
    if (insert) {
        if (doc_.SelAnchor != -1)
            ReplaceSelection(&b, 1);
        else
            InsertBuffer(&b, 1, pos);
    } else {
        ChangeByte(old, b, pos, col, row);
    }
    ParseKeyDown({}, hkRight);
}

void HexEditModel::MouseDown(bool leftButton, bool doubleClick)
{
    if (!leftButton)
        return;
    ResetSelection(true);
    selecting_ = !doubleClick;
}

// --- The current cell --------------------------------------------------------------

std::int32_t HexEditModel::PosAt(std::int32_t col, std::int32_t row) const
{
    bool inCharField = false;
    return doc_.GetPosAtCursor(col, row, inCharField);
}

void HexEditModel::MoveToPos(std::int32_t pos, bool inCharField)
{
    const HexDocument::Cell cell = doc_.GetCursorAtPos(pos, inCharField);
    view_.MoveCurrent(cell.col, cell.row);
}

bool HexEditModel::SelectCell(std::int32_t col, std::int32_t row)
{
    const bool allowed = DataSize() < 1 ? col == 2 && row == 0 : CheckSelectCell(col, row);
    if (!allowed)
        return false;
    bool inCharField = false;
    const std::int32_t oldCol = view_.Col();
    const std::int32_t oldRow = view_.Row();
    view_.InvalidateCell(doc_.GetOtherFieldCol(oldCol, inCharField), oldRow);
    view_.InvalidateCell(doc_.GetOtherFieldCol(col, inCharField), row);
    if (selecting_)
        Select(oldCol, oldRow, col, row);
    else
        ResetSelection(true);
    view_.PlaceCaret(col, row);
    return true;
}

bool HexEditModel::CheckSelectCell(std::int32_t col, std::int32_t row)
{
    bool allowed = col >= HexDocument::kFixedCols && col < doc_.ColCount() && row >= 0 &&
                   row < doc_.RowCount() && !(doc_.VariableLineLength() && doc_.OutOfBounds(col, row));
    if (!allowed || checkingCell_)
        return allowed;
    checkingCell_ = true;
    if (!view_.ShiftDown() && !view_.LeftButtonDown())
        ResetSelection(true);
    const std::int32_t spacer = 2 * doc_.BytesPerLine() + 2;
    if (PosAt(col, row) >= DataSize()) {
        MoveToPos(DataSize() - 1, CharFieldAt(view_.Col()));
        allowed = false;
    } else if (col == spacer) {
        allowed = false;
        if (view_.LeftButtonDown())
            view_.MoveCurrent(std::max(2, col - 1), row);
    }
    checkingCell_ = false;
    return allowed;
}

// --- Selection ------------------------------------------------------------------------

void HexEditModel::Select(std::int32_t col1, std::int32_t row1, std::int32_t col2, std::int32_t row2)
{
    std::int32_t p = PosAt(col2, row2);
    const bool insert = IsInsertMode();
    if (doc_.SelAnchor != -1) {
        const std::int32_t oldLow = doc_.SelStart;
        const std::int32_t oldHigh = doc_.SelEnd;
        if (p >= doc_.SelAnchor) {
            doc_.SelEnd = insert ? p - 1 : p;
            doc_.SelStart = doc_.SelAnchor;
        } else {
            doc_.SelStart = p;
            doc_.SelEnd = doc_.SelAnchor;
        }
        RedrawPos(std::min(oldLow, doc_.SelStart), std::max(oldLow, doc_.SelStart));
        RedrawPos(std::min(oldHigh, doc_.SelEnd), std::max(oldHigh, doc_.SelEnd));
    } else {
        std::int32_t anchor = PosAt(col1, row1);
        if (insert) {
            if (anchor > p)
                --anchor;
            else if (anchor < p)
                --p;
        }
        doc_.SelAnchor = anchor;
        doc_.SelStart = std::min(p, anchor);
        doc_.SelEnd = std::max(anchor, p);
        RedrawPos(doc_.SelStart, doc_.SelEnd);
    }
    view_.StateNotification();
}

void HexEditModel::ResetSelection(bool redraw)
{
    selecting_ = false;
    const std::int32_t low = doc_.SelStart;
    const std::int32_t high = doc_.SelEnd;
    const bool had = doc_.SelAnchor != -1;
    doc_.ResetSelection();
    if (redraw && had)
        RedrawPos(low, high);
    view_.StateNotification();
}

void HexEditModel::RedrawPos(std::int32_t pos1, std::int32_t pos2)
{
    const std::int32_t first = doc_.GetRow(std::max(0, pos1));
    const std::int32_t last = std::min(doc_.GetRow(std::max(0, pos2)), doc_.RowCount() - 1);
    for (std::int32_t row = first; row <= last; ++row)
        view_.InvalidateRow(row);
}

void HexEditModel::InternalGetCurSel(std::int32_t& start, std::int32_t& end, std::int32_t& col,
                                     std::int32_t& row)
{
    if (doc_.SelAnchor != -1) {
        start = doc_.SelStart;
        end = doc_.SelEnd + 1;
        const HexDocument::Cell cell = doc_.GetCursorAtPos(start, CharFieldAt(view_.Col()));
        col = cell.col;
        row = cell.row;
    } else {
        start = PosAt(view_.Col(), view_.Row());
        end = start + 1;
        col = view_.Col();
        row = view_.Row();
    }
    doc_.CutChanges(start);
}

std::int32_t HexEditModel::GetSelStart() const
{
    return doc_.SelAnchor != -1 ? doc_.SelAnchor : PosAt(view_.Col(), view_.Row());
}

std::int32_t HexEditModel::GetSelEnd() const
{
    if (doc_.SelAnchor == -1)
        return PosAt(view_.Col(), view_.Row());
    return doc_.SelEnd == doc_.SelAnchor ? doc_.SelStart : doc_.SelEnd;
}

std::int32_t HexEditModel::GetSelCount() const
{
    return doc_.SelAnchor == -1 ? 0 : doc_.SelEnd - doc_.SelStart + 1;
}

void HexEditModel::SetSelStart(std::int32_t pos)
{
    if (pos < 0 || pos >= DataSize())
        throw HexError("Invalid SelStart");
    ResetSelection(true);
    MoveToPos(pos, CharFieldAt(view_.Col()));
}

void HexEditModel::SetSelEnd(std::int32_t pos)
{
    if (pos < 0 || pos >= DataSize())
        throw HexError("Invalid SelEnd");
    ResetSelection(true);
    const HexDocument::Cell cell = doc_.GetCursorAtPos(pos, CharFieldAt(view_.Col()));
    Select(view_.Col(), view_.Row(), cell.col, cell.row);
}

bool HexEditModel::GetInCharField() const
{
    return doc_.GetDataSize() >= 1 && CharFieldAt(view_.Col());
}

void HexEditModel::SetInCharField(bool value)
{
    if (DataSize() < 1 || value == CharFieldAt(view_.Col()))
        return;
    SwitchField();
}

std::int32_t HexEditModel::GetCursorPos() const
{
    return std::clamp(PosAt(view_.Col(), view_.Row()), 0, std::max(0, doc_.GetDataSize() - 1));
}

// --- Markers ------------------------------------------------------------------------------

void HexEditModel::SetMarker(int index, std::int32_t row)
{
    if (index < 0 || index >= HexDocument::kMarkerCount)
        throw HexError("SetMarker : Invalid marker index");
    std::int32_t& stored = doc_.Markers[static_cast<std::size_t>(index)];
    if (stored == row)
        return;
    stored = row;
    view_.InvalidateGrid();
}

std::int32_t HexEditModel::GetMarker(int index) const
{
    if (index < 0 || index >= HexDocument::kMarkerCount)
        throw HexError("SetMarker : Invalid marker index");
    return doc_.Markers[static_cast<std::size_t>(index)];
}

std::int32_t HexEditModel::GetMarkerRow(int index) const
{
    const std::int32_t row = GetMarker(index);
    return row == -1 ? view_.Row() : row;
}

int HexEditModel::IsMarkerPos(std::int32_t row) const
{
    const auto found = std::find(doc_.Markers.begin(), doc_.Markers.end(), row);
    return found == doc_.Markers.end() ? -1 : static_cast<int>(found - doc_.Markers.begin());
}

// --- Seek and search --------------------------------------------------------------------------

bool HexEditModel::Seek(std::int32_t offset, int origin, bool failIfOutside)
{
    const std::int64_t size = DataSize();
    std::int64_t target = GetCursorPos();
    if (origin == 0)
        target = offset;
    else if (origin == 1)
        target += offset;
    else if (origin == 2)
        target = size + offset - 1;
    if (size < 1)
        return false;
    if (target < 0) {
        if (failIfOutside)
            return false;
        target = 0;
    }
    if (target >= size) {
        if (failIfOutside)
            return false;
        target = size - 1;
    }
    SetSelStart(static_cast<std::int32_t>(target));
    return true;
}

std::int32_t HexEditModel::Find(std::uint8_t* pattern, std::int32_t count, std::int32_t start,
                                std::int32_t end, bool ignoreCase, bool translate)
{
    const std::int32_t size = DataSize();
    if (end >= size)
        end = size - 1;
    if (count < 1 || start < 0 || std::int64_t{start} + count > std::int64_t{end} + 1)
        return -1;
    if (translate && look_.translation != ttAnsi)
        TranslateBufferFromAnsi(look_.translation, pattern, pattern, count);
    const auto& lower = LowerCaseTable();
    if (ignoreCase)
        for (std::int32_t i = 0; i < count; ++i)
            pattern[i] = lower[pattern[i]];

    // The data is read in large pieces that overlap by count - 1 bytes, so a
    // match across a boundary is seen whole; the first match is the result.
    const std::int32_t piece = std::max(kFindChunk, count * 2);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(piece));
    std::int64_t at = start;
    const std::int64_t last = end; // inclusive
    while (at + count - 1 <= last) {
        const auto want = static_cast<std::int32_t>(std::min<std::int64_t>(piece, last - at + 1));
        const std::int32_t got = doc_.GetMemAtPos(buffer.data(), static_cast<std::int32_t>(at), want);
        if (got < count)
            break;
        if (ignoreCase)
            for (std::int32_t i = 0; i < got; ++i)
                buffer[static_cast<std::size_t>(i)] = lower[buffer[static_cast<std::size_t>(i)]];
        const std::uint8_t* hit = Search(buffer.data(), static_cast<std::size_t>(got), pattern,
                                         static_cast<std::size_t>(count));
        if (hit)
            return static_cast<std::int32_t>(at + (hit - buffer.data()));
        if (at + got > last)
            break;
        at += got - (count - 1);
    }
    return -1;
}

} // namespace kelvo
