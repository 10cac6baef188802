// THexEditor: the hex view control. A grid with an offset column, a marker
// column, one column per hex digit, a spacer and one column per character;
// the bytes, the layout rules and the text of every cell come from the
// window-free HexDocument, this class paints them and keeps the caret.
#pragma once

#include "components/hexview/hex_document.h"
#include "ui/custom_grid.h"
#include "ui/handles.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace kelvo {

class THexEditor;

// The control's nine colours. Each setter does nothing when the value is
// unchanged; otherwise it stores and repaints the control (Background also
// becomes the control's own colour).
class TColors {
public:
    explicit TColors(THexEditor& owner) : owner_(owner) {}
    const HexColors& Values() const { return values_; }

    HexColor Background() const { return values_.Background; }
    HexColor PositionBackground() const { return values_.PositionBackground; }
    HexColor PositionText() const { return values_.PositionText; }
    HexColor ChangedBackground() const { return values_.ChangedBackground; }
    HexColor ChangedText() const { return values_.ChangedText; }
    HexColor CursorFrame() const { return values_.CursorFrame; }
    HexColor Offset() const { return values_.Offset; }
    HexColor OddColumn() const { return values_.OddColumn; }
    HexColor EvenColumn() const { return values_.EvenColumn; }

    void SetBackground(HexColor value);
    void SetPositionBackground(HexColor value);
    void SetPositionText(HexColor value);
    void SetChangedBackground(HexColor value);
    void SetChangedText(HexColor value);
    void SetCursorFrame(HexColor value);
    void SetOffset(HexColor value);
    void SetOddColumn(HexColor value);
    void SetEvenColumn(HexColor value);

private:
    void Set(HexColor& field, HexColor value);
    THexEditor& owner_;
    HexColors values_;
};

class THexEditor : public ui::CustomGrid {
public:
    // The window message the control posts to itself after a state change;
    // both parameters are kStateChanged.
    static constexpr UINT WM_STATECHANGED = WM_USER + 2;
    static constexpr WPARAM kStateChanged = 7;

    THexEditor();
    ~THexEditor() override;

    // Creates the control's window as a hidden child of parent; the empty
    // document "Untitled" is made as the window is created.
    void Create(HWND parent, int id);

    // --- Properties (initial values as the constructor sets them) --------
    bool ShowMarkerColumn() const { return showMarkerColumn_; }
    void SetShowMarkerColumn(bool value);
    int BytesPerColumn() const { return doc_.NibblesPerColumn() / 2; }
    void SetBytesPerColumn(int value); // values below 1 are taken as 1
    TTranslationType Translation() const { return look_.translation; }
    void SetTranslation(TTranslationType value);
    bool CreateBackup = true;
    std::string BackupExtension = ".bak";
    TOffsetDisplayStyle OffsetDisplay() const { return look_.offsetDisplay; }
    void SetOffsetDisplay(TOffsetDisplayStyle value);
    int BytesPerLine() const { return doc_.BytesPerLine(); }
    void SetBytesPerLine(int value); // 1..256, else HexError "Invalid BytesPerLine argument"
    TCaretStyle CaretStyle() const { return caretStyle_; }
    void SetCaretStyle(TCaretStyle value);
    TColors& Colors() { return colors_; }
    bool FocusFrame() const { return focusFrame_; }
    void SetFocusFrame(bool value);
    char OffsetSeparator() const { return look_.offsetSeparator; }
    void SetOffsetSeparator(char value);
    bool SwapNibbles() const { return look_.swapNibbles; }
    void SetSwapNibbles(bool value);
    bool MaskWhiteSpaces() const { return look_.maskWhiteSpaces; }
    void SetMaskWhiteSpaces(bool value);
    char MaskChar() const { return look_.maskChar; }
    void SetMaskChar(char value);
    bool NoSizeChange() const { return noSizeChange_; }
    void SetNoSizeChange(bool value);
    bool AllowInsertMode() const { return allowInsertMode_; }
    void SetAllowInsertMode(bool value);
    bool AutoCaretMode() const { return autoCaretMode_; }
    void SetAutoCaretMode(bool value);
    bool WantTabs = true;
    bool ReadOnlyView = false;
    std::function<void(THexEditor&)> OnStateChanged;
    // The control's font: face and height in logical units (negative:
    // character height). The constructor sets "Courier", 12 points.
    void SetFont(const std::string& face, int height);

    // --- Public state ------------------------------------------------------
    std::int32_t DataSize() { return doc_.GetDataSize(); }
    const std::string& FileName() const { return fileName_; }
    bool Modified() const { return modified_; }
    void SetModified(bool value);
    bool ReadOnlyFile() const { return readOnlyFile_; }
    void SetReadOnlyFile(bool value);
    bool IsInsertMode() const { return insertToggle_ && allowInsertMode_ && !noSizeChange_; }
    bool VariableLineLength() const { return doc_.VariableLineLength(); }
    void SetVariableLineLength(bool on);
    std::int32_t LineLength(std::int32_t row) { return doc_.GetLineLength(row); }
    void SetLineLength(std::int32_t row, std::int32_t length);
    std::int32_t LineOffset(std::int32_t row) { return doc_.GetLineOffset(row); }
    void SetLineLengths(const std::vector<std::int32_t>& lengths);
    std::uint8_t Memory(std::int32_t pos) { return doc_.GetMemory(pos); }
    void SetMemory(std::int32_t pos, std::uint8_t value) { doc_.SetMemory(pos, value); }
    bool CanUndo() const { return canUndo_; }
    const std::string& UndoDescription() const { return undoDescription_; }
    int UndoCount() const { return undoCount_; }

    // --- Documents -----------------------------------------------------------
    // False when the file is missing or unreadable (nothing is loaded then).
    bool LoadFromFile(const std::string& name);
    bool LoadFromStream(std::istream& stream);
    // False when the backup or the copy to name fails; nothing changes then.
    bool SaveToFile(const std::string& name);
    bool SaveToStream(std::ostream& stream);
    void CreateEmptyFile(const std::string& name);
    // Hands the bytes over as the file name, by moving the working copy
    // there rather than copying it; the control is left with an empty
    // document. False, with nothing changed, when the move fails.
    bool TakeWorkingCopy(const std::string& name);

    // The whole data, untranslated, and as hex text.
    std::string GetAsText() { return doc_.AsText(); }
    std::string GetAsHex() { return doc_.AsHex(look_.swapNibbles); }
    // Re-encodes the bytes start..end (inclusive) from one code to another.
    void ConvertRange(std::int32_t start, std::int32_t end, TTranslationType from, TTranslationType to);
    std::uint8_t TranslateToAnsiChar(std::uint8_t value) const;
    std::uint8_t TranslateFromAnsiChar(std::uint8_t character) const;

    // The document behind the control, for the layout rules and direct access.
    HexDocument& Document() { return doc_; }
    // The colours, offset style and character settings cells are drawn with.
    const HexDocument::Appearance& Look() const { return look_; }

    void CalcSizes();
    void AdjustMetrics();
    void SetOffsetDisplayWidth();
    int CharWidth() const { return charWidth_; }
    int RowHeight() const { return rowHeight_; }
    // Posts the state message to the control itself.
    void StateNotification();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawCell(int col, int row, const RECT& rect, HDC dc) override;
    bool SelectCell(int col, int row) override;
    void TopLeftChanged() override;

private:
    friend class TColors;
    // The selection as the document keeps it, to put back after a relayout.
    struct SavedSelection {
        std::int32_t start, anchor, end;
    };
    // Stores a setting that changes only the picture, repainting when it changed.
    template <typename T>
    void StoreAndRepaint(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        InvalidateGrid();
    }
    void ColorsChanged(bool background, bool cursorFrame);
    void CreateColoredCaret();
    // Shows the caret again after it was rebuilt, off the control until the
    // current cell is painted.
    void ShowNewCaret();
    // The caret at a cell's top-left, or off the control when the cell is out
    // of view; only while the control has the focus (the caret is the thread's).
    void PlaceCaret(int col, int row);
    // Moves the caret to the cell of a byte position in the given field.
    void MoveToPos(std::int32_t pos, bool inCharField);
    void ResetUndo();
    // What a document that was just loaded starts with.
    void DocumentLoaded();
    SavedSelection SaveSelection() const;
    void RestoreSelection(const SavedSelection& saved);

    HexDocument doc_;
    TColors colors_;
    HexDocument::Appearance look_;
    ui::OwnedFont font_;
    ui::OwnedFont markerFont_;
    int fontHeight_ = 0;
    bool checkingCell_ = false;
    ui::OwnedBitmap caretBitmap_;
    int charWidth_ = -1;
    int rowHeight_ = 0;
    int offsetWidth_ = -1;
    bool showMarkerColumn_ = true;
    bool focusFrame_ = true;
    TCaretStyle caretStyle_ = csFull;
    bool insertToggle_ = false;
    bool noSizeChange_ = false;
    bool allowInsertMode_ = false;
    bool autoCaretMode_ = true;
    bool modified_ = false;
    bool readOnlyFile_ = true;
    bool selecting_ = false;
    bool canUndo_ = false;
    std::string undoDescription_ = "No Undo";
    int undoCount_ = 0;
    std::string fileName_ = "---";
};

} // namespace kelvo
