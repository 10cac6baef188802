// The editing operations, the nibble operations and the undo log.
#include "components/hexview/hex_edit_model.h"

#include "platform/file.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kelvo {

namespace {

constexpr std::int32_t kShiftBlock = 512;
constexpr std::int32_t kConvertChunk = 65536;

// Record header fields: offsets in the packed 34-byte header.
constexpr std::size_t kKind = 0, kFlag = 1, kModified = 2, kCaretPos = 3, kCaretDigit = 7, kCaretInChar = 8,
                      kSelLow = 9, kSelHigh = 13, kSelAnchor = 17, kPos = 21, kCount = 25, kSecondCount = 29,
                      kData = 33;

void PutInt(std::uint8_t* at, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::int32_t GetInt(const std::uint8_t* at)
{
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= std::uint32_t{at[i]} << (8 * i);
    return static_cast<std::int32_t>(bits);
}

} // namespace

const char* HexEditModel::UndoName(int kind)
{
    static const char* const kNames[] = {"Byte changed",   "Byte(s) removed", "Insert buffer",
                                         "Replace selection", "Append buffer", "Insert nibble",
                                         "Delete nibble",  "Convert"};
    return kind >= 0 && kind <= ukConvert ? kNames[kind] : "";
}

// --- Undo records ------------------------------------------------------------------

bool HexEditModel::CreateUndo(int kind, std::int32_t pos, std::int32_t secondCount, std::int32_t count)
{
    bool allowed = DataSize() > 0 || kind == ukInsert || kind == ukAppend;
    if (noSizeChange_) {
        if (kind == ukRemove || kind == ukInsert || kind == ukAppend || kind == ukInsertNibble ||
            kind == ukDeleteNibble)
            allowed = false;
        if (kind == ukReplace && count != secondCount)
            allowed = false;
    }
    if (allowed) {
        DoCreateUndo(kind, pos, secondCount, count);
        canUndo_ = true;
        modified_ = true;
    }
    view_.StateNotification();
    return allowed;
}

void HexEditModel::DoCreateUndo(int kind, std::int32_t pos, std::int32_t secondCount, std::int32_t count)
{
    // The record is made first: when its memory cannot be had, the log and
    // the state stay as they were and the edit does not happen.
    std::int32_t saved = 0;
    if (kind == ukRemove || kind == ukConvert)
        saved = count;
    else if (kind == ukReplace)
        saved = secondCount;
    const bool range = kind == ukRemove || kind == ukConvert || kind == ukReplace;
    const std::size_t size = range ? kData + static_cast<std::size_t>(std::max(saved, 0)) : kUndoHeaderSize;
    const std::size_t at = undoLog_.size();
    undoLog_.resize(at + std::max(size, kUndoHeaderSize) + 4, 0);
    std::uint8_t* record = undoLog_.data() + at;

    const std::int32_t col = view_.Col();
    const bool inChar = CharFieldAt(col);
    record[kKind] = static_cast<std::uint8_t>(kind);
    record[kModified] = modified_ ? 1 : 0;
    PutInt(record + kCaretPos, PosAt(col, view_.Row()));
    record[kCaretDigit] = inChar ? 0 : static_cast<std::uint8_t>((col - 2) % 2);
    record[kCaretInChar] = inChar ? 1 : 0;
    PutInt(record + kSelLow, doc_.SelStart);
    PutInt(record + kSelHigh, doc_.SelEnd);
    PutInt(record + kSelAnchor, doc_.SelAnchor);
    PutInt(record + kPos, pos);
    PutInt(record + kCount, count);
    PutInt(record + kSecondCount, kind == ukReplace ? secondCount : 0);
    if (kind == ukByteChange || kind == ukInsertNibble || kind == ukDeleteNibble) {
        record[kFlag] = doc_.HasChanged(pos, IsInsertMode()) ? 1 : 0;
        record[kData] = static_cast<std::uint8_t>(std::max(0, doc_.GetByteAtPos(pos)));
    } else if (range && saved > 0) {
        doc_.GetMemAtPos(record + kData, pos, saved);
    }
    // A range record may be shorter than the header (nothing saved).
    undoLog_.resize(at + size + 4);
    PutInt(undoLog_.data() + at + size, static_cast<std::int32_t>(size + 4));
    if (kind != ukByteChange && kind != ukInsertNibble && kind != ukDeleteNibble)
        doc_.InvalidateCache();
    undoDescription_ = UndoName(kind);
    if (++undoCount_ > kMaxUndo) {
        DropOldestUndo();
        --undoCount_;
    }
}

void HexEditModel::DropOldestUndo()
{
    // Records are found from the end by their trailing lengths; the first
    // record ends where the walk reaches the start of the log.
    std::size_t end = undoLog_.size();
    while (end >= 4) {
        const auto length = static_cast<std::size_t>(GetInt(undoLog_.data() + end - 4));
        if (length == 0 || length > end)
            break;
        if (length == end) {
            undoLog_.erase(undoLog_.begin(), undoLog_.begin() + static_cast<std::ptrdiff_t>(end));
            return;
        }
        end -= length;
    }
}

void HexEditModel::ResetUndo()
{
    canUndo_ = false;
    undoDescription_ = "No Undo";
    undoCount_ = 0;
    std::vector<std::uint8_t>().swap(undoLog_);
    view_.StateChangedNow();
}

void HexEditModel::RestoreFromRecord(const std::uint8_t* record)
{
    selecting_ = false;
    const std::int32_t caret = GetInt(record + kCaretPos);
    const bool inChar = record[kCaretInChar] != 0;
    if (DataSize() < 1) {
        view_.MoveCurrent(2, 0);
    } else {
        const std::int32_t pos = std::clamp(caret, 0, DataSize() - 1);
        HexDocument::Cell cell = doc_.GetCursorAtPos(pos, inChar);
        if (!inChar && pos == caret)
            cell.col += record[kCaretDigit];
        view_.MoveCurrent(cell.col, cell.row);
    }
    doc_.SelStart = GetInt(record + kSelLow);
    doc_.SelEnd = GetInt(record + kSelHigh);
    doc_.SelAnchor = GetInt(record + kSelAnchor);
    modified_ = record[kModified] != 0;
}

bool HexEditModel::Undo()
{
    if (!canUndo_ || undoLog_.size() <= 4) {
        ResetUndo();
        return false;
    }
    const std::size_t length = static_cast<std::size_t>(GetInt(undoLog_.data() + undoLog_.size() - 4));
    // A copy: the workers below may record nothing, but the log must not move under them.
    const std::vector<std::uint8_t> record(undoLog_.end() - static_cast<std::ptrdiff_t>(length),
                                           undoLog_.end() - 4);
    std::vector<std::uint8_t> header(record);
    header.resize(std::max(header.size(), kUndoHeaderSize), 0);
    const std::uint8_t* h = header.data();
    const int kind = h[kKind];
    const std::int32_t pos = GetInt(h + kPos);
    const std::int32_t count = GetInt(h + kCount);
    const std::int32_t second = GetInt(h + kSecondCount);
    const std::uint8_t* data = record.data() + std::min(record.size(), kData);
    if (kind != ukByteChange)
        doc_.InvalidateCache();
    switch (kind) {
    case ukByteChange:
        doc_.SetByteAtPos(pos, h[kData]);
        doc_.SetChanged(pos, h[kFlag] != 0, IsInsertMode());
        RestoreFromRecord(h);
        view_.InvalidateRow(doc_.GetRow(pos));
        doc_.SetInternalBufferByte(pos, h[kData]);
        break;
    case ukRemove:
        if (!InternalInsertBuffer(data, count, pos))
            return false; // no room: the step stays in the log
        RestoreFromRecord(h);
        doc_.CutChanges(pos);
        break;
    case ukInsert:
        RemoveBytes(pos, pos + count);
        RestoreFromRecord(h);
        doc_.CutChanges(pos);
        break;
    case ukReplace:
        // The old bytes go in first: when there is no room nothing changes.
        if (!InternalInsertBuffer(data, second, pos))
            return false;
        RemoveBytes(pos + second, pos + second + count);
        RestoreFromRecord(h);
        doc_.CutChanges(std::max(0, pos - 1));
        break;
    case ukAppend:
        view_.MoveCurrent(2, 0);
        SetSize(pos);
        doc_.CutChanges(pos);
        RestoreFromRecord(h);
        break;
    case ukInsertNibble:
    case ukDeleteNibble: {
        // The size the step left; the shift back ends one byte shorter.
        const std::int32_t size = DataSize();
        const bool shifted =
            kind == ukInsertNibble ? InternalDeleteNibble(pos, false) : InternalInsertNibble(pos, false);
        if (!shifted) {
            doc_.CalcSizes();
            return false; // no room for the shift: the step stays in the log
        }
        doc_.SetByteAtPos(pos, h[kData]);
        doc_.SetChanged(pos, h[kFlag] != 0, IsInsertMode());
        doc_.CutChanges(pos);
        SetSize(kind == ukInsertNibble ? size - 1 : size);
        RestoreFromRecord(h);
        break;
    }
    case ukConvert:
        doc_.SetMemAtPos(data, pos, count);
        RestoreFromRecord(h);
        doc_.CutChanges(pos);
        break;
    default: break;
    }
    view_.InvalidateGrid();
    undoLog_.resize(undoLog_.size() - length);
    --undoCount_;
    if (undoLog_.size() >= 5) {
        const std::size_t newest = static_cast<std::size_t>(GetInt(undoLog_.data() + undoLog_.size() - 4));
        undoDescription_ = UndoName(undoLog_[undoLog_.size() - newest]);
        view_.StateNotification();
    } else {
        ResetUndo();
    }
    return true;
}

// --- Editing operations ---------------------------------------------------------------

void HexEditModel::ChangeByte(std::uint8_t oldValue, std::uint8_t newValue, std::int32_t pos, std::int32_t,
                              std::int32_t row)
{
    // A byte past the data would grow the document outside the undo log.
    if (pos < 0 || pos >= DataSize())
        throw HexError("Invalid ChangeByte position");
    if (oldValue == newValue || !CreateUndo(ukByteChange, pos, 0, 1))
        return;
    doc_.SetByteAtPos(pos, newValue);
    doc_.SetInternalBufferByte(pos, newValue);
    if (!IsInsertMode())
        doc_.SetChanged(pos, true, false);
    const HexDocument::Cell digits = doc_.GetCursorAtPos(pos, false);
    view_.InvalidateCell(digits.col, row);
    view_.InvalidateCell(digits.col + 1, row);
    view_.InvalidateCell(doc_.GetCursorAtPos(pos, true).col, row);
}

void HexEditModel::SelectRange(std::int32_t pos, std::int32_t count)
{
    doc_.SelAnchor = pos;
    doc_.SelStart = pos;
    doc_.SelEnd = pos + count - 1;
    view_.StateNotification();
}

void HexEditModel::DiscardNewestUndo()
{
    const std::size_t length = static_cast<std::size_t>(GetInt(undoLog_.data() + undoLog_.size() - 4));
    modified_ = undoLog_[undoLog_.size() - length + kModified] != 0;
    undoLog_.resize(undoLog_.size() - length);
    if (--undoCount_ == 0 || undoLog_.size() < 5) {
        ResetUndo();
        return;
    }
    const std::size_t newest = static_cast<std::size_t>(GetInt(undoLog_.data() + undoLog_.size() - 4));
    undoDescription_ = UndoName(undoLog_[undoLog_.size() - newest]);
    view_.StateNotification();
}

void HexEditModel::InsertBuffer(const void* buffer, std::int32_t count, std::int32_t pos)
{
    if (pos < 0 || pos > DataSize())
        throw HexError("Invalid InsertBuffer position");
    if (count < 1 || !CreateUndo(ukInsert, pos, 0, count))
        return;
    if (!InternalInsertBuffer(buffer, count, pos)) {
        DiscardNewestUndo();
        return;
    }
    doc_.CutChanges(pos);
    if (PosAt(view_.Col(), view_.Row()) == pos)
        SelectRange(pos, count);
    view_.InvalidateGrid();
}

bool HexEditModel::InternalInsertBuffer(const void* buffer, std::int32_t count, std::int32_t pos)
{
    if (count < 1)
        return true;
    const std::int32_t size = DataSize();
    if (!doc_.TestStream() || std::int64_t{size} + count > INT32_MAX ||
        !doc_.Stream().SetSize(std::int64_t{size} + count)) {
        doc_.CalcSizes();
        return false;
    }
    if (size == 0)
        doc_.ClearChanges();
    if (pos < size)
        MoveFileMem(pos, pos + count, size - pos);
    doc_.SetMemAtPos(buffer, pos, count);
    doc_.CalcSizes();
    view_.SizesChanged();
    return true;
}

void HexEditModel::AppendBuffer(const void* buffer, std::int32_t count)
{
    const std::int32_t p = DataSize();
    if (count < 1 || !CreateUndo(ukAppend, p, 0, count))
        return;
    doc_.CutChanges(p);
    if (!InternalAppendBuffer(buffer, count)) {
        DiscardNewestUndo();
        return;
    }
    MoveToPos(p, CharFieldAt(view_.Col()));
    SelectRange(p, count);
    view_.InvalidateGrid();
}

bool HexEditModel::InternalAppendBuffer(const void* buffer, std::int32_t count)
{
    const std::int32_t p = DataSize();
    if (!doc_.TestStream() || std::int64_t{p} + count > INT32_MAX || !doc_.Stream().SetSize(std::int64_t{p} + count)) {
        doc_.CalcSizes();
        return false;
    }
    doc_.SetMemAtPos(buffer, p, count);
    doc_.CalcSizes();
    view_.SizesChanged();
    return true;
}

void HexEditModel::ReplaceSelection(const void* buffer, std::int32_t count)
{
    if (doc_.SelAnchor == -1) {
        InsertBuffer(buffer, count, GetSelStart());
        return;
    }
    if (noSizeChange_) {
        if (GetSelCount() > count) {
            const std::int32_t low = doc_.SelStart;
            SetSelStart(low);
            SetSelEnd(low + count - 1);
        } else {
            count = GetSelCount();
        }
    }
    if (count < 0 || !CreateUndo(ukReplace, doc_.SelStart, GetSelCount(), count))
        return;
    const std::int32_t caretCol = view_.Col();
    const std::int32_t caretRow = view_.Row();
    const std::int32_t caretPos = PosAt(caretCol, caretRow);
    std::int32_t start = 0, end = 0, col = 0, row = 0;
    InternalGetCurSel(start, end, col, row);
    // The new bytes go in before the old ones: when there is no room for
    // them nothing has changed.
    if (!InternalInsertBuffer(buffer, count, start)) {
        DiscardNewestUndo();
        return;
    }
    InternalDeleteSelection(start + count, end + count, col, row);
    doc_.CutChanges(start);
    if (caretPos == start && start < DataSize()) {
        view_.MoveCurrent(caretCol, caretRow);
        SelectRange(start, count);
    }
    view_.InvalidateGrid();
}

void HexEditModel::DeleteSelection()
{
    std::int32_t start = 0, end = 0, col = 0, row = 0;
    InternalGetCurSel(start, end, col, row);
    if (!CreateUndo(ukRemove, start, 0, end - start))
        return;
    InternalDeleteSelection(start, end, col, row);
}

void HexEditModel::RemoveBytes(std::int32_t start, std::int32_t end)
{
    const std::int32_t size = DataSize();
    end = std::min(end, size);
    if (start >= end)
        return;
    if (end <= size - 1)
        MoveFileMem(end, start, size - end);
    SetSize(size - (end - start));
}

void HexEditModel::SetSize(std::int32_t size)
{
    doc_.Stream().SetSize(std::max(size, 0));
    doc_.CalcSizes();
    view_.SizesChanged();
}

void HexEditModel::InternalDeleteSelection(std::int32_t start, std::int32_t end, std::int32_t col,
                                           std::int32_t row)
{
    RemoveBytes(start, end);
    const std::int32_t size = DataSize();
    if (size == 0)
        view_.MoveCurrent(2, 0);
    else if (PosAt(col, row) >= size)
        MoveToPos(size - 1, CharFieldAt(view_.Col()));
    else
        view_.MoveCurrent(col, row);
    ResetSelection(false);
    view_.InvalidateGrid();
}

void HexEditModel::InternalErase(bool backward)
{
    const std::int32_t p = GetCursorPos();
    if (backward) {
        if (p == 0 || !CreateUndo(ukRemove, p - 1, 0, 1))
            return;
        const HexDocument::Cell cell = doc_.GetCursorAtPos(p - 1, CharFieldAt(view_.Col()));
        InternalDeleteSelection(p - 1, p, cell.col, cell.row);
        Seek(p - 1, 0, false);
    } else {
        if (p >= DataSize() || !CreateUndo(ukRemove, p, 0, 1))
            return;
        InternalDeleteSelection(p, p + 1, view_.Col(), view_.Row());
    }
}

void HexEditModel::MoveFileMem(std::int32_t from, std::int32_t to, std::int32_t count)
{
    // Through a bounded block, so a large document cannot exhaust memory
    // half-way through an edit. Toward the end the pieces go last first, so
    // overlapping ranges are read before they are written over.
    if (count < 1 || from == to)
        return;
    const auto piece = static_cast<std::int32_t>(std::min<std::size_t>(platform::kCopyBufferSize, count));
    std::vector<std::uint8_t> block(static_cast<std::size_t>(piece));
    for (std::int32_t done = 0; done < count;) {
        const std::int32_t n = std::min(piece, count - done);
        const std::int32_t offset = to > from ? count - done - n : done;
        const std::int32_t read = doc_.GetMemAtPos(block.data(), from + offset, n);
        doc_.SetMemAtPos(block.data(), to + offset, read);
        done += n;
    }
}

// --- Nibbles ---------------------------------------------------------------------------

platform::File HexEditModel::CreateShift4BitStream(std::int32_t pos, std::string& tempName)
{
    platform::File shifted;
    const std::int32_t size = DataSize();
    if (pos >= size)
        return shifted;
    tempName = NewWorkingCopyName();
    shifted = platform::File::Open(tempName, platform::File::Mode::CreateLocked);
    if (!shifted.IsOpen())
        return shifted;
    std::uint8_t in[kShiftBlock];
    std::uint8_t out[kShiftBlock];
    std::uint8_t carry = 0;
    bool written = true;
    for (std::int32_t at = pos; at < size && written; at += kShiftBlock) {
        std::memset(in, 0, sizeof in);
        doc_.GetMemAtPos(in, at, kShiftBlock);
        for (int i = 0; i < kShiftBlock; ++i) {
            out[i] = static_cast<std::uint8_t>((carry << 4) | (in[i] >> 4));
            carry = in[i] & 0x0F;
        }
        written = shifted.Write(out, sizeof out);
    }
    // The last nibble of the data, padded with a zero nibble.
    const std::uint8_t tail = static_cast<std::uint8_t>(carry << 4);
    if (!written || !shifted.Write(&tail, 1) || !shifted.Seek(0)) {
        // A stream cut short (a full disk) is no stream: none is left behind.
        shifted.Close();
        platform::RemoveFile(tempName);
    }
    return shifted;
}

bool HexEditModel::WriteShiftedTail(std::int32_t pos, std::int32_t skip, std::int32_t count)
{
    std::string tempName;
    platform::File shifted = CreateShift4BitStream(pos, tempName);
    if (!shifted.IsOpen())
        return false;
    // The working copy grows (an inserted nibble) before any byte of it is
    // written, so a copy that cannot grow stays as it was.
    bool done = shifted.Seek(skip) &&
                (std::int64_t{pos} + count <= DataSize() || doc_.Stream().SetSize(std::int64_t{pos} + count));
    // Through a bounded block: the tail of a large document is never held whole.
    std::vector<std::uint8_t> block(std::min<std::size_t>(platform::kCopyBufferSize, static_cast<std::size_t>(count)));
    for (std::int32_t at = 0; done && at < count;) {
        const auto n = static_cast<std::int32_t>(
            std::min<std::size_t>(block.size(), static_cast<std::size_t>(count - at)));
        done = shifted.ReadExact(block.data(), static_cast<std::size_t>(n));
        if (done)
            doc_.SetMemAtPos(block.data(), pos + at, n);
        at += n;
    }
    shifted.Close();
    platform::RemoveFile(tempName);
    return done;
}

bool HexEditModel::InternalInsertNibble(std::int32_t pos, bool highNibble)
{
    if (!doc_.TestStream())
        return false;
    const std::int32_t size = DataSize();
    if (size < 1 || pos < 0 || pos >= size)
        return true;
    if (size == INT32_MAX)
        return false;
    const auto b = static_cast<std::uint8_t>(doc_.GetByteAtPos(pos));
    if (!WriteShiftedTail(pos, 0, size - pos + 1))
        return false;
    doc_.SetByteAtPos(pos, highNibble ? static_cast<std::uint8_t>(b >> 4) : static_cast<std::uint8_t>(b & 0xF0));
    return true;
}

bool HexEditModel::InternalDeleteNibble(std::int32_t pos, bool highNibble)
{
    const std::int32_t size = DataSize();
    if (size < 1 || pos < 0 || pos >= size)
        return true;
    const auto b = static_cast<std::uint8_t>(doc_.GetByteAtPos(pos));
    if (!WriteShiftedTail(pos, 1, size - pos))
        return false;
    if (!highNibble) {
        const auto now = static_cast<std::uint8_t>(doc_.GetByteAtPos(pos));
        doc_.SetByteAtPos(pos, static_cast<std::uint8_t>((b & 0xF0) + (now & 0x0F)));
    }
    return true;
}

bool HexEditModel::InsertNibble(std::int32_t pos, bool highNibble)
{
    if (DataSize() < 1) {
        const std::uint8_t zero = 0;
        AppendBuffer(&zero, 1);
        return true;
    }
    return NibbleStep(ukInsertNibble, pos, highNibble);
}

bool HexEditModel::DeleteNibble(std::int32_t pos, bool highNibble)
{
    return NibbleStep(ukDeleteNibble, pos, highNibble);
}

bool HexEditModel::NibbleStep(int kind, std::int32_t pos, bool highNibble)
{
    if (pos < 0 || pos >= DataSize() || !CreateUndo(kind, pos, 0, 0))
        return false;
    const bool done =
        kind == ukInsertNibble ? InternalInsertNibble(pos, highNibble) : InternalDeleteNibble(pos, highNibble);
    doc_.InvalidateCache();
    doc_.CalcSizes();
    if (!done) {
        // Nothing was shifted: the step is not kept, so Undo cannot apply it.
        DiscardNewestUndo();
        return false;
    }
    ResetSelection(false);
    doc_.CutChanges(pos);
    view_.SizesChanged();
    view_.InvalidateGrid();
    return true;
}

// --- Conversions and whole-data writes -----------------------------------------------------

void HexEditModel::ConvertRange(std::int32_t start, std::int32_t end, TTranslationType from, TTranslationType to)
{
    if (!ConvertRangeApplies(start, end, from, to, DataSize()))
        return;
    if (!CreateUndo(ukConvert, start, 0, end - start + 1))
        return;
    InternalConvertRange(start, end, from, to);
    doc_.InvalidateCache();
    view_.InvalidateGrid();
}

void HexEditModel::InternalConvertRange(std::int32_t start, std::int32_t end, TTranslationType from,
                                        TTranslationType to)
{
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kConvertChunk));
    for (std::int64_t pos = start; pos <= end; pos += kConvertChunk) {
        const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(kConvertChunk, end - pos + 1));
        const std::int32_t read = doc_.GetMemAtPos(buffer.data(), static_cast<std::int32_t>(pos), count);
        ConvertBuffer(buffer.data(), read, from, to);
        doc_.SetMemAtPos(buffer.data(), static_cast<std::int32_t>(pos), read);
    }
}

void HexEditModel::ReplaceAll(const std::vector<std::uint8_t>& data)
{
    // Every byte is selected as a range, not by moving the caret to the last
    // one: in insert mode the caret's byte is left out of a selection.
    if (DataSize() > 0) {
        SetSelStart(0);
        SelectRange(0, DataSize());
    }
    ReplaceSelection(data.data(), static_cast<std::int32_t>(data.size()));
}

void HexEditModel::SetAsText(const std::string& text)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    TranslateBufferFromAnsi(look_.translation, data.data(), data.data(), static_cast<std::ptrdiff_t>(data.size()));
    ReplaceAll(data);
}

void HexEditModel::SetAsHex(const std::string& hex, bool swapNibbles)
{
    std::vector<std::uint8_t> data(hex.size() / 2 + 1);
    std::ptrdiff_t count = 0;
    ConvertHexToBin(hex.data(), data.data(), static_cast<std::ptrdiff_t>(hex.size()), swapNibbles, count);
    data.resize(static_cast<std::size_t>(std::max<std::ptrdiff_t>(count, 0)));
    ReplaceAll(data);
}

} // namespace kelvo
