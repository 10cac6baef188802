// The hex view's document: the bytes it shows, held in a working copy in the
// temporary folder and read through a 64 KiB cache; the change flags,
// markers and selection; the grid's geometry (line offsets, column widths,
// the mapping between byte positions and cells); and what each cell shows.
// Window-free: the grid control (hexeditor.h) asks it what to draw and
// paints that.
#pragma once

#include "components/component_error.h"
#include "components/hexview/hexview_text.h"
#include "platform/file.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace kelvo {

enum TOffsetDisplayStyle : std::uint8_t { odHex, odDec, odOctal, odNone };
enum TCaretStyle : std::uint8_t { csFull, csLeftLine, csBottomLine };

// A colour as the view keeps it: 0x00BBGGRR, or with the top byte 0xFF a
// system colour index resolved when painting (the same encoding as ui::TColor).
using HexColor = std::uint32_t;
inline constexpr HexColor kHexSystemColor = 0xFF000000u;
inline constexpr HexColor kHexWindowColor = kHexSystemColor | 5;     // COLOR_WINDOW
inline constexpr HexColor kHexWindowTextColor = kHexSystemColor | 8; // COLOR_WINDOWTEXT
// The colour with red, green and blue each replaced by 255 minus the value;
// the stored value is used as it is, system colours unresolved.
HexColor InverseColor(HexColor color);

// The nine colours of the view with their initial values, and the two
// derived inverses.
struct HexColors {
    HexColor Background = kHexWindowColor;
    HexColor PositionBackground = 0x000080; // maroon
    HexColor PositionText = 0xFFFFFF;       // white
    HexColor ChangedBackground = 0xA8FFFF;  // pale yellow
    HexColor ChangedText = 0x000080;        // maroon
    HexColor CursorFrame = 0x800000;        // navy
    HexColor Offset = 0x000000;             // black
    HexColor OddColumn = 0xFF0000;          // blue
    HexColor EvenColumn = 0x800000;         // navy
    HexColor OddInverse() const { return InverseColor(OddColumn); }
    HexColor EvenInverse() const { return InverseColor(EvenColumn); }
};

// What one cell shows: its text, written at the cell's top-left with the
// background filling the whole cell, and whether it is a marker cell drawn
// in the small marker font.
struct HexCellLook {
    std::string text;
    HexColor textColor = 0;
    HexColor background = 0;
    bool markerFont = false;
};

// The errors with their fixed messages.
class HexError : public ComponentError {
public:
    using ComponentError::ComponentError;
};

// A new, empty file in the temporary folder for a working copy: the
// millisecond tick count as 8 upper-case hex digits, ".QZTF". Creating the
// file reserves the name, so two callers never share one.
std::string NewWorkingCopyName();

class HexDocument {
public:
    static constexpr std::int32_t kCacheSize = 65536;
    static constexpr int kMarkerCount = 10;

    // Chooses the working copy's name: the temporary folder, 12 hexadecimal
    // digits no other program can guess, ".QZTF"; the name is reserved by
    // creating the file, so two documents never share one.
    HexDocument();
    // Closes and deletes the working copy.
    ~HexDocument();
    HexDocument(const HexDocument&) = delete;
    HexDocument& operator=(const HexDocument&) = delete;

    const std::string& WorkingCopyName() const { return workingCopyName_; }

    // --- The data ---------------------------------------------------------
    bool HasStream() const { return stream_.IsOpen(); }
    // The open working copy, for the editing operations that resize it.
    platform::File& Stream() { return stream_; }
    // Empties and closes the working copy (nothing held afterwards).
    void FreeFile();
    // When no working copy is open, makes an empty one and empties the change
    // flags. False when the working copy cannot be made.
    bool TestStream();
    // Copies the file into the working copy and opens it, emptying the change
    // flags. False, with nothing changed, when the file is missing or cannot
    // be read; readOnly tells whether the file could not also be opened for
    // writing (true on failure). False with an empty document when the copy
    // itself fails.
    bool LoadFile(const std::string& name, bool& readOnly);
    // Copies the whole stream, from its start, into the working copy
    // (emptying the change flags); false, with an empty document, when the
    // working copy cannot be written.
    bool LoadStream(std::istream& stream);
    // Writes the whole working copy to the stream at its current position.
    bool SaveStream(std::ostream& stream);
    // Copies the working copy to name (replacing it); the working copy stays
    // open throughout, so the edits in it are never at risk. On success the
    // change flags are emptied. False when the copy fails or the data is
    // larger than 2 GiB - 1 bytes (nothing is written then).
    bool SaveFile(const std::string& name);
    // Moves the working copy's file to name (no copy: both are in one
    // folder tree of one volume) and starts an empty one under a new name.
    // False, with the working copy as it was, when the move fails.
    bool MoveWorkingCopy(const std::string& name);
    // The backup's name: the extension (after the last "." that follows the
    // last "\", "/" or ":") replaced by extension, or extension appended.
    static std::string BackupName(const std::string& name, const std::string& extension);
    // Copies one file over another. The copy is written beside the target and
    // replaces it only when complete; false, with the target untouched, otherwise.
    static bool CopyFileOver(const std::string& source, const std::string& target);

    // Number of bytes held; cached until the size can have changed.
    std::int32_t GetDataSize();
    // The whole data as a string, untranslated; as hex text.
    std::string AsText();
    std::string AsHex(bool swapNibbles);

    // Direct access: no bounds checks, no change flags, no cache update.
    // GetByteAtPos gives -1 when there is no byte at pos.
    int GetByteAtPos(std::int32_t pos);
    void SetByteAtPos(std::int32_t pos, std::uint8_t value);
    std::int32_t GetMemAtPos(void* buffer, std::int32_t pos, std::int32_t count);
    void SetMemAtPos(const void* buffer, std::int32_t pos, std::int32_t count);
    // Checked access: pos must be 0..size-1 ("Invalid GetMemory index",
    // "Invalid SetMemory index"); SetMemory invalidates the cache.
    std::uint8_t GetMemory(std::int32_t pos);
    void SetMemory(std::int32_t pos, std::uint8_t value);
    // count bytes from pos (fewer at the end); pos must be 0..size-1
    // ("Invalid BufferFromFile argument").
    std::vector<std::uint8_t> BufferFromFile(std::int32_t pos, std::int32_t& count);

    // --- The read cache ---------------------------------------------------
    // Keeps the 64 KiB window valid for pos .. pos + BytesPerLine - 1,
    // re-centring it 32 KiB before pos when it does not cover them.
    void CheckInternalBuffer(std::int32_t pos);
    // A byte inside the cache window (after CheckInternalBuffer); 0 outside it.
    std::uint8_t CachedByte(std::int32_t pos) const;
    void SetInternalBufferByte(std::int32_t pos, std::uint8_t value);
    void InvalidateCache() { cacheBase_ = -1; }
    std::int32_t CacheBase() const { return cacheBase_; }

    // --- Change flags -----------------------------------------------------
    bool HasChanged(std::int32_t pos, bool insertMode) const;
    void SetChanged(std::int32_t pos, bool value, bool insertMode);
    void ClearChanges() { changes_.clear(); }
    // Forgets the flags from pos on: later positions have moved.
    void CutChanges(std::int32_t pos);
    std::size_t ChangeFlagCount() const { return changes_.size(); }

    // --- Markers and selection --------------------------------------------
    std::array<std::int32_t, kMarkerCount> Markers;  // row of each marker, -1 = not set
    std::int32_t SelStart = -1, SelAnchor = -1, SelEnd = -1; // -1: nothing selected
    bool HasSelection() const { return SelStart >= 0 && SelEnd >= 0; }
    bool IsSelected(std::int32_t pos) const { return HasSelection() && pos >= SelStart && pos <= SelEnd; }
    void ResetSelection() { SelStart = SelAnchor = SelEnd = -1; }

    // --- Layout -----------------------------------------------------------
    std::int32_t BytesPerLine() const { return bytesPerLine_; }
    // 1..256, else "Invalid BytesPerLine argument"; clears the line offsets,
    // turns variable line lengths off and recalculates the sizes.
    void SetBytesPerLine(std::int32_t n);
    std::int32_t NibblesPerColumn() const { return nibblesPerColumn_; }
    // At least 2, else "Invalid BytesPerColumn argument".
    void SetNibblesPerColumn(std::int32_t nibbles);
    bool VariableLineLength() const { return variableLineLength_; }
    void SetVariableLineLength(bool on); // stores and recalculates the sizes
    std::int32_t GetLineOffset(std::int32_t row);
    std::int32_t GetLineLength(std::int32_t row);
    // length 1..BytesPerLine, else "Invalid Line Length argument" (also for a
    // negative row or one past the row after the last); later lines move.
    void SetLineLength(std::int32_t row, std::int32_t length);
    // The offsets from a list of line lengths (the caller restores caret and
    // selection). Every length must be 1..BytesPerLine, else "Invalid Line
    // Length argument" and nothing changes.
    void SetLineLengths(const std::vector<std::int32_t>& lengths);
    void ClearLineOffsets() { lineOffsets_.clear(); }

    // Recalculates row and column counts after a change of size, of
    // BytesPerLine or of line lengths: cached size and cache base -1, change
    // flags cut to the data size.
    void CalcSizes();
    std::int32_t RowCount() const { return rowCount_; }
    std::int32_t ColCount() const { return 3 * bytesPerLine_ + 3; }
    static constexpr std::int32_t kFixedCols = 2;

    std::int32_t GetPosAtCursor(std::int32_t col, std::int32_t row, bool& inCharField);
    // Column (x) and row (y) of a position's cell.
    struct Cell {
        std::int32_t col;
        std::int32_t row;
    };
    Cell GetCursorAtPos(std::int32_t pos, bool inCharField);
    std::int32_t GetOtherFieldCol(std::int32_t col, bool& inCharField) const;
    std::int32_t GetRow(std::int32_t pos);
    bool OutOfBounds(std::int32_t col, std::int32_t row);

    // The offset column's width in characters for a display style.
    std::int32_t OffsetWidth(TOffsetDisplayStyle style);
    // A column's width in pixels.
    std::int32_t ColumnWidth(std::int32_t col, std::int32_t charWidth, std::int32_t offsetWidth,
                             bool showMarkerColumn) const;

    // --- What a cell shows -------------------------------------------------
    struct Appearance {
        HexColors colors;
        HexColor fontColor = kHexWindowTextColor;
        TOffsetDisplayStyle offsetDisplay = odHex;
        char offsetSeparator = ':';
        bool swapNibbles = false;
        TTranslationType translation = ttAnsi;
        bool maskWhiteSpaces = true;
        char maskChar = '.';
        bool insertMode = false;
    };
    // Text and colours of a cell; offsetWidth is OffsetWidth's value.
    HexCellLook CellLook(std::int32_t col, std::int32_t row, const Appearance& look,
                         std::int32_t offsetWidth);

private:
    bool CacheCovers(std::int32_t pos) const;
    // Start of a line by the offset list; lines past its end are full lines.
    std::int64_t LineStart(std::int64_t row) const;
    // Extends the offset list to at least entries entries of full lines.
    void FillLineOffsets(std::size_t entries);
    std::int32_t VariableRowCount();

    std::string workingCopyName_;
    platform::File stream_;
    std::vector<std::uint8_t> cache_;
    std::int32_t cacheBase_ = -1;
    std::int32_t cachedSize_ = -1;
    std::vector<bool> changes_;
    std::int32_t bytesPerLine_ = 16;
    std::int32_t nibblesPerColumn_ = 4;
    bool variableLineLength_ = false;
    std::vector<std::int64_t> lineOffsets_;
    std::int32_t rowCount_ = 1;
};

} // namespace kelvo
