// The preview of IFF resource entries in the main window's preview area: a
// chunk list in the area's upper part and, below it, a view of the selected
// chunk: string tables in a list, bitmaps in the image view, palettes as a
// grid of swatches, sprites and draw groups as pictures in the sprite
// preview, every other chunk as a hex dump in the hex view.
#pragma once

#include "app/sprite_preview.h"
#include "components/hexview/hexeditor.h"
#include "components/iff/iff_reader.h"
#include "ui/image_view.h"
#include "ui/list_view.h"

#include <string>
#include <vector>

namespace kelvo {

// A grid of colour swatches, sixteen to a row, as large as the window allows.
class TPaletteGrid : public ui::PaintedWindow {
public:
    static constexpr int kColumns = 16;

    void Create(HWND parent, int id);
    void SetColours(std::vector<iff::PaletteColour> colours);
    const std::vector<iff::PaletteColour>& Colours() const { return colours_; }
    // The rectangle of swatch index in a client area of the given size.
    RECT SwatchRect(int index, int width, int height) const;

private:
    void Paint(HDC dc, const RECT& client) const override;
    std::vector<iff::PaletteColour> colours_;
};

class TIffPreview {
public:
    // The preview shares the window's image view, hex view and folder
    // dialog; its own controls are made as hidden children of parent with
    // the given font, and the parent places them.
    TIffPreview(ui::ImageView& imageViewer, THexEditor& hexViewer, TmoxBrowseDirectoryDlg& browse);
    ~TIffPreview();
    TIffPreview(const TIffPreview&) = delete;
    TIffPreview& operator=(const TIffPreview&) = delete;

    void Create(HWND parent, HFONT font, int chunkListId, int stringListId, int paletteId, int spriteId);
    // Lists the chunks of the IFF file on disk and shows the list; a file that
    // is not one, or a damaged one, gets a last row saying why. The chunk
    // view follows the selection in the list. stretch: bitmaps fill the view.
    void Show(const std::string& fileName, bool stretch);
    // Hides the list and the chunk view.
    void Hide();
    bool Visible() const { return visible_; }
    // The height of the chunk list at the top of a preview area of the given
    // height; the chunk views fill the rest. The window places them all.
    int ChunkListHeight(int areaHeight) const;

    ui::ListView& ChunkList() { return ChunkList_; }
    ui::ListView& StringList() { return StringList_; }
    TPaletteGrid& PaletteGrid() { return PaletteGrid_; }
    TSpritePreview& SpritePreview() { return SpritePreview_; }
    const iff::IffListing& Listing() const { return listing_; }

private:
    std::string ChunkCell(int row, int column) const;
    std::string StringCell(int row, int column) const;
    void ShowChunk(int row);
    // Loads a bitmap chunk into the image view through a file of its own;
    // false when the image view cannot decode it.
    bool LoadBitmap(const std::string& body);
    void ShowHex(std::string body);
    // A sprite chunk's frames or a draw group's images in the sprite preview.
    void ShowPictures(iff::ByteSource& source, const iff::IffChunk& chunk, std::string body);
    void HideChunkView();

    ui::ImageView& ImageViewer_;
    THexEditor& HexViewer_;
    ui::ListView ChunkList_;
    ui::ListView StringList_;
    TPaletteGrid PaletteGrid_;
    TSpritePreview SpritePreview_;

    std::string fileName_;
    std::string bitmapFile_; // the bitmap chunk shown, as a .bmp file of an unpredictable name
    iff::IffListing listing_;
    iff::StringTable strings_;
    bool stretch_ = false;
    bool visible_ = false;
};

} // namespace kelvo
