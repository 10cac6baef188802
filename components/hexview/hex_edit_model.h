// The hex view's caret, selection, markers, search and editing with undo,
// window-free. The grid that shows the document is reached through HexGridView:
// the model asks it where the current cell is, moves the current cell through
// it (the grid then asks SelectCell) and tells it what to repaint. THexEditor
// maps window messages to KeyDown, KeyUp, WMChar and MouseDown.
#pragma once

#include "common/shift_state.h"
#include "components/hexview/hex_document.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo {

// Virtual key codes of the keys the model handles (the Windows values).
enum HexKey : std::uint16_t {
    hkBack = 0x08,
    hkTab = 0x09,
    hkShift = 0x10,
    hkControl = 0x11,
    hkMenu = 0x12, // Alt
    hkPrior = 0x21,
    hkNext = 0x22,
    hkEnd = 0x23,
    hkHome = 0x24,
    hkLeft = 0x25,
    hkUp = 0x26,
    hkRight = 0x27,
    hkDown = 0x28,
    hkInsert = 0x2D,
    hkDelete = 0x2E,
};

// What the model needs of the grid that shows it.
class HexGridView {
public:
    virtual ~HexGridView() = default;
    virtual int Col() const = 0;
    virtual int Row() const = 0;
    virtual int TopRow() const = 0;
    virtual void SetTopRow(int row) = 0;
    // Rows that fit wholly in the view (at least 1).
    virtual int VisibleRowCount() const = 0;
    // Moves the current cell when the grid's bounds and the model's
    // SelectCell allow it, and scrolls it into view.
    virtual bool MoveCurrent(int col, int row) = 0;
    virtual void InvalidateCell(int col, int row) = 0;
    virtual void InvalidateRow(int row) = 0;
    virtual void InvalidateGrid() = 0;
    virtual void PlaceCaret(int col, int row) = 0;
    // The document's size or layout changed: row count and widths.
    virtual void SizesChanged() = 0;
    // The insert toggle flipped (the caret shape may follow it).
    virtual void InsertModeChanged() = 0;
    // A state notification, delivered later from the message loop.
    virtual void StateNotification() = 0;
    // The state listener, called at once.
    virtual void StateChangedNow() = 0;
    virtual bool ShiftDown() const = 0;
    virtual bool LeftButtonDown() const = 0;
};

class HexEditModel {
public:
    static constexpr int kMaxUndo = 100;
    static constexpr std::size_t kUndoHeaderSize = 34;

    // The kinds of undo step, stored in each record.
    enum UndoKind : std::uint8_t {
        ukByteChange,
        ukRemove,
        ukInsert,
        ukReplace,
        ukAppend,
        ukInsertNibble,
        ukDeleteNibble,
        ukConvert,
    };
    static const char* UndoName(int kind);

    HexEditModel(HexDocument& doc, HexDocument::Appearance& look, HexGridView& view);

    // --- Modes --------------------------------------------------------------
    bool InsertToggle() const { return insertToggle_; }
    bool AllowInsertMode() const { return allowInsertMode_; }
    void SetAllowInsertMode(bool value);
    bool NoSizeChange() const { return noSizeChange_; }
    void SetNoSizeChange(bool value);
    bool IsInsertMode() const { return insertToggle_ && allowInsertMode_ && !noSizeChange_; }
    bool Modified() const { return modified_; }
    void SetModifiedFlag(bool value) { modified_ = value; }
    // No step can be undone until the next one is recorded (the log stays).
    void DisableUndo() { canUndo_ = false; }
    bool Selecting() const { return selecting_; }
    void StopSelecting() { selecting_ = false; }

    // --- Keys and mouse -----------------------------------------------------
    // Sets key to 0 when the key was taken; otherwise the (possibly changed)
    // key goes on to the grid's own key handling.
    void KeyDown(std::uint16_t& key, TShiftState shift, bool readOnlyView);
    void KeyUp(std::uint16_t key);
    // A key of the numeric keypad went down while Alt is held: part of a
    // character code, which arrives as the next character once Alt is up.
    void AltKeypadKey() { altCodeTyped_ = true; }
    bool ParseKeyDown(TShiftState shift, std::uint16_t key);
    // A typed character (after the key-press listener saw it).
    void WMChar(std::uint8_t ch, bool readOnlyView);
    // After the grid moved the current cell to the clicked cell.
    void MouseDown(bool leftButton, bool doubleClick);

    // --- The current cell ----------------------------------------------------
    bool SelectCell(std::int32_t col, std::int32_t row);
    bool CheckSelectCell(std::int32_t col, std::int32_t row);
    std::int32_t PosAt(std::int32_t col, std::int32_t row) const;
    bool CharFieldAt(std::int32_t col) const { return col > 2 * doc_.BytesPerLine() + 2; }
    void MoveToPos(std::int32_t pos, bool inCharField);

    // --- Selection --------------------------------------------------------------
    void Select(std::int32_t col1, std::int32_t row1, std::int32_t col2, std::int32_t row2);
    void ResetSelection(bool redraw);
    bool IsSelected(std::int32_t pos) const { return doc_.IsSelected(pos); }
    void RedrawPos(std::int32_t pos1, std::int32_t pos2);
    void InternalGetCurSel(std::int32_t& start, std::int32_t& end, std::int32_t& col, std::int32_t& row);
    std::int32_t GetSelStart() const;
    std::int32_t GetSelEnd() const;
    std::int32_t GetSelCount() const;
    void SetSelStart(std::int32_t pos); // HexError "Invalid SelStart"
    void SetSelEnd(std::int32_t pos);   // HexError "Invalid SelEnd"
    bool GetInCharField() const;
    void SetInCharField(bool value);
    std::int32_t GetCursorPos() const;

    // --- Markers -------------------------------------------------------------------
    void SetMarker(int index, std::int32_t row); // HexError "SetMarker : Invalid marker index"
    std::int32_t GetMarker(int index) const;     // the same error
    std::int32_t GetMarkerRow(int index) const;
    int IsMarkerPos(std::int32_t row) const;

    // --- Seek and search -----------------------------------------------------------
    bool Seek(std::int32_t offset, int origin, bool failIfOutside);
    // The first match ending at or before end, or -1. The pattern is
    // translated into the data's code and lower-cased in place as asked.
    std::int32_t Find(std::uint8_t* pattern, std::int32_t count, std::int32_t start, std::int32_t end,
                      bool ignoreCase, bool translate);

    // --- Editing ----------------------------------------------------------------------
    // HexError "Invalid ChangeByte position" outside 0..DataSize - 1.
    void ChangeByte(std::uint8_t oldValue, std::uint8_t newValue, std::int32_t pos, std::int32_t col,
                    std::int32_t row);
    // HexError "Invalid InsertBuffer position" outside 0..DataSize.
    void InsertBuffer(const void* buffer, std::int32_t count, std::int32_t pos);
    void AppendBuffer(const void* buffer, std::int32_t count);
    void ReplaceSelection(const void* buffer, std::int32_t count);
    void DeleteSelection();
    bool InsertNibble(std::int32_t pos, bool highNibble);
    bool DeleteNibble(std::int32_t pos, bool highNibble);
    void InternalErase(bool backward);
    void ConvertRange(std::int32_t start, std::int32_t end, TTranslationType from, TTranslationType to);
    // Replaces the whole data, recorded as one step that can be undone.
    void SetAsText(const std::string& text);
    void SetAsHex(const std::string& hex, bool swapNibbles);

    // --- Undo -----------------------------------------------------------------------------
    bool CreateUndo(int kind, std::int32_t pos, std::int32_t secondCount, std::int32_t count);
    void ResetUndo();
    // True when a step was undone.
    bool Undo();
    bool CanUndo() const { return canUndo_; }
    const std::string& UndoDescription() const { return undoDescription_; }
    int UndoCount() const { return undoCount_; }
    const std::vector<std::uint8_t>& UndoLog() const { return undoLog_; }

    // --- Workers: no undo record, no range checks -----------------------------------------
    // False, with nothing changed, when the working copy cannot grow.
    bool InternalInsertBuffer(const void* buffer, std::int32_t count, std::int32_t pos);
    bool InternalAppendBuffer(const void* buffer, std::int32_t count);
    void InternalDeleteSelection(std::int32_t start, std::int32_t end, std::int32_t col, std::int32_t row);
    bool InternalInsertNibble(std::int32_t pos, bool highNibble);
    bool InternalDeleteNibble(std::int32_t pos, bool highNibble);
    void InternalConvertRange(std::int32_t start, std::int32_t end, TTranslationType from, TTranslationType to);
    // Moves count bytes from one place of the working copy to another (the
    // ranges may overlap).
    void MoveFileMem(std::int32_t from, std::int32_t to, std::int32_t count);
    // The data from pos shifted right by one nibble, in a new temporary file
    // whose name goes to tempName; closed (and no file left) when pos is past
    // the data or the file cannot be made whole.
    platform::File CreateShift4BitStream(std::int32_t pos, std::string& tempName);
    // Writes the data from pos shifted one nibble toward the end over pos:
    // count bytes of the shifted stream after its first skip ones, growing
    // the working copy when they reach past its end. False, with nothing
    // written, when the shifted stream cannot be made (no temporary folder,
    // a full disk) or the working copy cannot grow.
    bool WriteShiftedTail(std::int32_t pos, std::int32_t skip, std::int32_t count);

private:
    std::int32_t DataSize() { return doc_.GetDataSize(); }
    void DoCreateUndo(int kind, std::int32_t pos, std::int32_t secondCount, std::int32_t count);
    void DropOldestUndo();
    // InsertNibble or DeleteNibble (kind) with data at pos: recorded, and
    // the record taken back when the shift cannot be made.
    bool NibbleStep(int kind, std::int32_t pos, bool highNibble);
    // Takes back the record of a step that could not be done.
    void DiscardNewestUndo();
    // Caret, selection and Modified as a record saved them.
    void RestoreFromRecord(const std::uint8_t* record);
    // Removes the bytes start..end-1 and recalculates the sizes.
    void RemoveBytes(std::int32_t start, std::int32_t end);
    void SetSize(std::int32_t size);
    void MoveVertical(std::int32_t target);
    void SwitchField();
    // Makes count bytes from pos the selection, with the anchor at pos.
    void SelectRange(std::int32_t pos, std::int32_t count);
    void ReplaceAll(const std::vector<std::uint8_t>& data);

    HexDocument& doc_;
    HexDocument::Appearance& look_;
    HexGridView& view_;
    bool insertToggle_ = false;
    bool allowInsertMode_ = false;
    bool noSizeChange_ = false;
    bool modified_ = false;
    bool selecting_ = false;
    bool keyHandled_ = false;
    bool altCodeTyped_ = false;
    bool checkingCell_ = false;
    bool canUndo_ = false;
    std::string undoDescription_ = "No Undo";
    int undoCount_ = 0;
    std::vector<std::uint8_t> undoLog_;
};

} // namespace kelvo
