// THexToCanvas: prints the bytes of a THexEditor as lines of plain text onto
// any device context (typically a printer page): offset, bytes in hex,
// decimal or octal, and characters, each part optional and followed by a
// separator, in a font fitted to the drawing area's width. The text of every
// line and the page layout come from print_layout.h; this class keeps the
// settings and the font and draws with GDI.
#pragma once

#include "components/hexview/hexeditor.h"
#include "components/hexview/print_layout.h"
#include "common/free_notifier.h"
#include "ui/handles.h"

#include <cstdint>
#include <string>

namespace kelvo {

class THexToCanvas : public ui::FreeListener {
public:
    THexToCanvas();
    ~THexToCanvas();
    THexToCanvas(const THexToCanvas&) = delete;
    THexToCanvas& operator=(const THexToCanvas&) = delete;

    // The source of the bytes and of the offset width. The reference is
    // cleared when the editor is destroyed.
    THexEditor* HexEditor() const { return hexEditor_; }
    void SetHexEditor(THexEditor* editor);
    void Notification(ui::FreeNotifier& component) override;

    // The font lines are drawn in, "Courier" 12 points at first; its point
    // size is where the width fitting starts. SetFont copies the given font.
    HFONT Font() const { return font_.Get(); }
    void SetFont(HFONT font);

    // --- Properties (the values the constructor sets) ----------------------
    std::int32_t BytesPerLine = 16; // Draw draws nothing when below 1
    TOffsetDisplayStyle OffsetDisplay = odHex;
    char OffsetSeparator = ':'; // each separator is left out when it is 0
    TOffsetDisplayStyle MemFieldDisplay = odHex; // odNone leaves the byte field out
    char MemFieldSeparator = ';';
    bool DisplayCharField = true;
    char CharFieldSeparator = '\0';
    bool ShrinkToFit = true;
    bool StretchToFit = true;
    std::int32_t BytesPerColumn() const { return bytesPerColumn_; }
    // Below 1: HexError "Invalid BytesPerColumn argument", nothing changes.
    void SetBytesPerColumn(std::int32_t value);
    bool SwapNibbles = false;

    // Where the text goes, in the context's pixels; the owner sets it before Draw.
    PrintArea DrawArea;

    // Takes the editor's font, BytesPerColumn, OffsetSeparator, OffsetDisplay,
    // BytesPerLine and SwapNibbles; the byte field in hex followed by a space,
    // the character field without separator. Nothing without an editor.
    void GetLayout();

    // Draws the bytes start..end (inclusive) from the top of DrawArea: the
    // header on the first line and the footer on the last when not empty,
    // as many lines between them as fit. Returns the first byte not drawn
    // (end + 1 when all were, cut to the data), -1 when nothing could be
    // drawn, 2147483647 without an editor. DrawArea is left as it is, so
    // every page starts from the bottom the owner set. The context gets its
    // own font back.
    std::int32_t Draw(HDC canvas, std::int32_t start, std::int32_t end, const std::string& header,
                      const std::string& footer);

private:
    THexEditor* hexEditor_ = nullptr;
    ui::OwnedFont font_;
    std::int32_t bytesPerColumn_ = 2;
};

} // namespace kelvo
