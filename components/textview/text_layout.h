// The text view's window-free model: the text (up to its first zero byte),
// its rows wrapped at a width in pixels from a table of character widths,
// the caret and the selection, and the moves the keys and the mouse make.
//
// Rows are found by one pass over the text that keeps the start of every
// sixteenth row only; any other row is wrapped again from the mark before
// it when it is asked for. So a text of tens of megabytes lays out in one
// quick pass and costs a few bytes per sixteen rows, and only the rows in
// view are ever looked at again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo {

// One row as it is shown: the bytes start..end-1 (without a line break);
// the next row starts at next (after the line break, or at end when the
// row was wrapped).
struct TextRow {
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t next = 0;
};

// A run of bytes on a row without tabs, at a distance in pixels from the
// row's start: what one text-out call draws.
struct TextRun {
    std::int32_t start;
    std::int32_t end;
    int x;
};

// Line breaks are "\r\n", "\n" and a lone "\r". A row wraps after the last
// space or tab that fits; a word wider than the row is cut where it reaches
// the edge (every row holds at least one byte); spaces at a wrap may pass
// the edge, as in the system's edit control, up to a row's width of them.
// Every byte is at least a pixel wide, so no row is longer than twice the
// wrap width in bytes.
class TextLayout {
public:
    static constexpr std::int32_t kRowsPerMark = 16;

    // Every byte one pixel wide and tab stops every eight, until SetMetrics.
    TextLayout();

    // Takes the text up to its first zero byte; the rows are laid out again.
    void SetText(std::string text);
    const std::string& Text() const { return text_; }
    std::int32_t Length() const { return static_cast<std::int32_t>(text_.size()); }

    // The advance width of each byte value and the distance between tab
    // stops, in pixels; the rows are laid out again.
    void SetMetrics(const std::array<int, 256>& widths, int tabWidth);
    // The width rows wrap at, in pixels (at least 1); laid out again only
    // when it changes.
    void SetWrapWidth(int width);
    int WrapWidth() const { return wrapWidth_; }

    // At least one row: an empty text, and a text ending in a line break,
    // end in an empty row.
    std::int32_t RowCount() const { return rowCount_; }
    // The rows first.. (count at most, fewer at the end, none past it).
    std::vector<TextRow> Rows(std::int32_t first, std::int32_t count) const;
    // One row; rows out of range are taken as the first or the last.
    TextRow Row(std::int32_t row) const;
    // The row a caret position (0..Length()) is on: a position at a wrapped
    // row's end is at the start of the next one.
    std::int32_t RowOf(std::int32_t pos) const;

    // Pixels from the row's start to pos (clamped to the row).
    int XOf(const TextRow& row, std::int32_t pos) const;
    // The caret position on the row nearest to x; on a wrapped row it stays
    // before the row's last byte, so the position remains on that row.
    std::int32_t PosAt(const TextRow& row, int x) const;
    // The advance of a byte other than a tab.
    int ByteWidth(unsigned char c) const { return widths_[c]; }
    // The runs between tabs of the bytes from..to-1 of a row.
    std::vector<TextRun> Runs(const TextRow& row, std::int32_t from, std::int32_t to) const;

private:
    TextRow Wrap(std::int32_t start) const;
    int Advance(unsigned char c, int x) const;
    void Relayout();

    std::string text_;
    std::array<int, 256> widths_{};
    std::array<int, 256> plainWidths_{}; // widths_, but 0 for spaces, tabs and line breaks
    int tabWidth_ = 8;
    int wrapWidth_ = 1;
    std::vector<std::int32_t> marks_{0}; // the start of rows 0, 16, 32...
    std::int32_t rowCount_ = 1;
};

enum class TextMove { Left, Right, Up, Down, PageUp, PageDown, RowStart, RowEnd, TextStart, TextEnd };

// What the view shows of a layout: the top row, the caret and the
// selection between the anchor and the caret.
class TextViewModel {
public:
    TextLayout& Layout() { return layout_; }
    const TextLayout& Layout() const { return layout_; }

    // A new text: caret, selection and view at its start.
    void SetText(std::string text);
    // Lays the rows out again for a new width, keeping the first byte in view
    // at the top.
    void SetWrapWidth(int width);
    // Rows that fit in the view (at least 1); the top row is kept in range.
    void SetVisibleRows(int rows);
    int VisibleRows() const { return visibleRows_; }

    std::int32_t TopRow() const { return topRow_; }
    std::int32_t MaxTopRow() const;
    // Scrolls, clamped to 0..MaxTopRow(); the caret stays where it is.
    void ScrollTo(std::int32_t row);

    std::int32_t Caret() const { return caret_; }
    std::int32_t Anchor() const { return anchor_; }
    std::int32_t SelStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
    std::int32_t SelEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
    std::string SelectedText() const;

    // Puts the caret at pos (clamped, never inside a "\r\n"); extend keeps
    // the anchor, which makes a selection. The caret is scrolled into view.
    void MoveTo(std::int32_t pos, bool extend);
    // The caret position nearest to a point, with x from the row's start and
    // row counted from the top of the view (rows above and below clamp).
    std::int32_t PosAtPoint(int x, std::int32_t viewRow) const;
    // A key's move; Up, Down and the pages keep the column of the last
    // sideways move. Without extend, Left and Right first drop a selection
    // at its start or end.
    void Move(TextMove move, bool extend);
    void SelectAll();

private:
    void ScrollCaretIntoView();
    std::int32_t Clamp(std::int32_t pos) const;

    TextLayout layout_;
    std::int32_t topRow_ = 0;
    int visibleRows_ = 1;
    std::int32_t caret_ = 0;
    std::int32_t anchor_ = 0;
    int column_ = -1; // the x Up and Down aim at; -1: the caret's own
};

} // namespace kelvo
