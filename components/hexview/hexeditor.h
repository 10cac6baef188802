// THexEditor: the hex view control. A grid with an offset column, a marker
// column, one column per hex digit, a spacer and one column per character;
// the bytes, the layout rules and the text of every cell come from the
// window-free HexDocument, this class paints them and keeps the caret.
#pragma once

#include "components/hexview/hex_document.h"
#include "components/hexview/hex_edit_model.h"
#include "ui/custom_grid.h"
#include "common/free_notifier.h"
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

class THexEditor : public ui::CustomGrid, public ui::FreeNotifier {
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
    void SetBytesPerColumn(int value); // at least 1, else HexError "Invalid BytesPerColumn argument"
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
    bool NoSizeChange() const { return model_.NoSizeChange(); }
    void SetNoSizeChange(bool value) { model_.SetNoSizeChange(value); }
    bool AllowInsertMode() const { return model_.AllowInsertMode(); }
    void SetAllowInsertMode(bool value) { model_.SetAllowInsertMode(value); }
    bool AutoCaretMode() const { return autoCaretMode_; }
    void SetAutoCaretMode(bool value);
    bool WantTabs = true;
    bool ReadOnlyView = false;
    std::function<void(THexEditor&)> OnStateChanged;
    // The text colour of ordinary cells (a system colour index is resolved
    // when painting); the window text colour at first.
    HexColor FontColor() const { return look_.fontColor; }
    void SetFontColor(HexColor value) { StoreAndRepaint(look_.fontColor, value); }

    // --- Events of the window (each called only when assigned) -------------
    // shift holds the modifiers and mouse buttons held. Setting key to 0 in OnKeyDown,
    // or ch to 0 in OnKeyPress, keeps the control from handling it.
    std::function<void(THexEditor&, WORD& key, TShiftState shift)> OnKeyDown;
    std::function<void(THexEditor&, WORD& key, TShiftState shift)> OnKeyUp;
    std::function<void(THexEditor&, char& ch)> OnKeyPress;
    std::function<void(THexEditor&)> OnClick;
    std::function<void(THexEditor&)> OnDblClick;
    std::function<void(THexEditor&)> OnEnter;
    std::function<void(THexEditor&)> OnExit;
    // button: VK_LBUTTON, VK_RBUTTON or VK_MBUTTON; x and y in client pixels.
    std::function<void(THexEditor&, int button, TShiftState shift, int x, int y)> OnMouseDown;
    std::function<void(THexEditor&, int button, TShiftState shift, int x, int y)> OnMouseUp;
    std::function<void(THexEditor&, TShiftState shift, int x, int y)> OnMouseMove;
    // The control's font: face and height in logical units at 96 DPI
    // (negative: character height), made for the window's DPI. The
    // constructor sets "Courier", 12 points.
    void SetFont(const std::string& face, int height);
    HFONT Font() const { return font_.Get(); }

    // --- Public state ------------------------------------------------------
    std::int32_t DataSize() { return doc_.GetDataSize(); }
    const std::string& FileName() const { return fileName_; }
    bool Modified() const { return model_.Modified(); }
    void SetModified(bool value);
    bool ReadOnlyFile() const { return readOnlyFile_; }
    void SetReadOnlyFile(bool value);
    bool IsInsertMode() const { return model_.IsInsertMode(); }
    bool VariableLineLength() const { return doc_.VariableLineLength(); }
    void SetVariableLineLength(bool on);
    std::int32_t LineLength(std::int32_t row) { return doc_.GetLineLength(row); }
    void SetLineLength(std::int32_t row, std::int32_t length);
    std::int32_t LineOffset(std::int32_t row) { return doc_.GetLineOffset(row); }
    void SetLineLengths(const std::vector<std::int32_t>& lengths);
    std::uint8_t Memory(std::int32_t pos) { return doc_.GetMemory(pos); }
    void SetMemory(std::int32_t pos, std::uint8_t value) { doc_.SetMemory(pos, value); }
    bool CanUndo() const { return model_.CanUndo(); }
    const std::string& UndoDescription() const { return model_.UndoDescription(); }
    int UndoCount() const { return model_.UndoCount(); }

    // --- Caret, selection, markers, search ---------------------------------
    std::int32_t SelStart() const { return model_.GetSelStart(); }
    void SetSelStart(std::int32_t pos) { model_.SetSelStart(pos); }
    std::int32_t SelEnd() const { return model_.GetSelEnd(); }
    void SetSelEnd(std::int32_t pos) { model_.SetSelEnd(pos); }
    std::int32_t SelCount() const { return model_.GetSelCount(); }
    bool InCharField() const { return model_.GetInCharField(); }
    void SetInCharField(bool value) { model_.SetInCharField(value); }
    std::int32_t CursorPos() const { return model_.GetCursorPos(); }
    void SetMarker(int index, std::int32_t row) { model_.SetMarker(index, row); }
    std::int32_t GetMarker(int index) const { return model_.GetMarker(index); }
    int IsMarkerPos(std::int32_t row) const { return model_.IsMarkerPos(row); }
    bool Seek(std::int32_t offset, int origin, bool failIfOutside) { return model_.Seek(offset, origin, failIfOutside); }
    // The first match ending at or before end, or -1; the pattern is
    // translated and lower-cased in place as asked. Shows the hourglass.
    std::int32_t Find(std::uint8_t* pattern, std::int32_t count, std::int32_t start, std::int32_t end,
                      bool ignoreCase, bool translate);

    // --- Editing and undo (none of these looks at ReadOnlyView) -------------
    void ChangeByte(std::uint8_t oldValue, std::uint8_t newValue, std::int32_t pos, std::int32_t col,
                    std::int32_t row)
    {
        model_.ChangeByte(oldValue, newValue, pos, col, row);
    }
    void InsertBuffer(const void* buffer, std::int32_t count, std::int32_t pos) { model_.InsertBuffer(buffer, count, pos); }
    void AppendBuffer(const void* buffer, std::int32_t count) { model_.AppendBuffer(buffer, count); }
    void ReplaceSelection(const void* buffer, std::int32_t count) { model_.ReplaceSelection(buffer, count); }
    void DeleteSelection() { model_.DeleteSelection(); }
    bool InsertNibble(std::int32_t pos, bool highNibble) { return model_.InsertNibble(pos, highNibble); }
    bool DeleteNibble(std::int32_t pos, bool highNibble) { return model_.DeleteNibble(pos, highNibble); }
    // True when a step was undone.
    bool Undo() { return model_.Undo(); }
    void ResetUndo() { model_.ResetUndo(); }
    // The model behind the control's keys, selection and editing.
    HexEditModel& Model() { return model_; }

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
    // Replace all the data (one undo step): text is translated from ANSI.
    void SetAsText(const std::string& text) { model_.SetAsText(text); }
    void SetAsHex(const std::string& hex) { model_.SetAsHex(hex, look_.swapNibbles); }
    // Re-encodes the bytes start..end (inclusive) from one code to another,
    // as one undo step.
    void ConvertRange(std::int32_t start, std::int32_t end, TTranslationType from, TTranslationType to);
    std::uint8_t TranslateToAnsiChar(std::uint8_t value) const;
    std::uint8_t TranslateFromAnsiChar(std::uint8_t character) const;

    // The document behind the control, for the layout rules and direct access.
    HexDocument& Document() { return doc_; }
    // The colours, offset style and character settings cells are drawn with.
    const HexDocument::Appearance& Look() const { return look_; }

    void CalcSizes();
    // Makes the font for the window's DPI and measures the cells with it.
    void RemakeFont();
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
    // The grid as the model sees it.
    class GridView : public HexGridView {
    public:
        explicit GridView(THexEditor& owner) : owner_(owner) {}
        int Col() const override { return owner_.Col(); }
        int Row() const override { return owner_.Row(); }
        int TopRow() const override { return owner_.TopRow(); }
        void SetTopRow(int row) override { owner_.SetTopRow(row); }
        int VisibleRowCount() const override { return owner_.VisibleRowCount(); }
        bool MoveCurrent(int col, int row) override { return owner_.MoveCurrent(col, row); }
        void InvalidateCell(int col, int row) override { owner_.InvalidateCell(col, row); }
        void InvalidateRow(int row) override { owner_.InvalidateRow(row); }
        void InvalidateGrid() override { owner_.InvalidateGrid(); }
        void PlaceCaret(int col, int row) override { owner_.PlaceCaret(col, row); }
        void SizesChanged() override { owner_.CalcSizes(); }
        void InsertModeChanged() override;
        void StateNotification() override { owner_.StateNotification(); }
        void StateChangedNow() override;
        bool ShiftDown() const override { return GetKeyState(VK_SHIFT) < 0; }
        bool LeftButtonDown() const override { return owner_.MovingByMouse() || GetKeyState(VK_LBUTTON) < 0; }

    private:
        THexEditor& owner_;
    };
    static TShiftState ShiftState();
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
    // What a document that was just loaded starts with.
    void DocumentLoaded();
    SavedSelection SaveSelection() const;
    void RestoreSelection(const SavedSelection& saved);

    HexDocument doc_;
    TColors colors_;
    HexDocument::Appearance look_;
    GridView gridView_{*this};
    HexEditModel model_{doc_, look_, gridView_};
    ui::OwnedFont font_;
    ui::OwnedFont markerFont_;
    std::string fontFace_;
    int fontHeight_ = 0; // at 96 DPI
    ui::OwnedBitmap caretBitmap_;
    int charWidth_ = -1;
    int rowHeight_ = 0;
    int offsetWidth_ = -1;
    bool showMarkerColumn_ = true;
    bool focusFrame_ = true;
    TCaretStyle caretStyle_ = csFull;
    bool autoCaretMode_ = true;
    bool readOnlyFile_ = true;
    std::string fileName_ = "---";
};

} // namespace kelvo
