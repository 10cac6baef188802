#include "app/iff_preview.h"

#include "platform/file.h"
#include "ui/cursor.h"
#include "ui/handles.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace kelvo {

namespace {

constexpr int kMinListHeight = 60;
constexpr int kSwatchGap = 1;

enum ChunkColumn { ccType, ccID, ccLabel, ccSize, ccFlags };

} // namespace

void TPaletteGrid::Create(HWND parent, int id)
{
    CreateOwnWindow("KelvoPaletteGrid", WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER, 0, nullptr, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), CS_HREDRAW | CS_VREDRAW);
}

void TPaletteGrid::SetColours(std::vector<iff::PaletteColour> colours)
{
    colours_ = std::move(colours);
    InvalidateRect(Handle(), nullptr, FALSE);
}

RECT TPaletteGrid::SwatchRect(int index, int width, int height) const
{
    const int count = static_cast<int>(colours_.size());
    const int rows = std::max(1, (count + kColumns - 1) / kColumns);
    // Square swatches, as large as both the width and the height allow.
    const int gap = Scale(kSwatchGap);
    const int size = std::max(2 * gap, std::min(width / kColumns, height / rows));
    const int left = index % kColumns * size, top = index / kColumns * size;
    return RECT{left + gap, top + gap, left + size - gap, top + size - gap};
}

void TPaletteGrid::Paint(HDC dc, const RECT& client) const
{
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        const RECT swatch = SwatchRect(static_cast<int>(i), client.right, client.bottom);
        ui::OwnedBrush brush(CreateSolidBrush(RGB(colours_[i].Red, colours_[i].Green, colours_[i].Blue)));
        FillRect(dc, &swatch, brush.Get());
    }
}

TIffPreview::TIffPreview(ui::ImageView& imageViewer, THexEditor& hexViewer, TmoxBrowseDirectoryDlg& browse)
    : ImageViewer_(imageViewer), HexViewer_(hexViewer), SpritePreview_(browse)
{
}

TIffPreview::~TIffPreview()
{
    if (!bitmapFile_.empty())
        platform::RemoveFile(bitmapFile_);
}

void TIffPreview::Create(HWND parent, HFONT font, int chunkListId, int stringListId, int paletteId, int spriteId)
{
    ChunkList_.Create(parent, chunkListId);
    StringList_.Create(parent, stringListId);
    PaletteGrid_.Create(parent, paletteId);
    SpritePreview_.Create(parent, font, spriteId);
    for (HWND list : {ChunkList_.Handle(), StringList_.Handle()})
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ChunkList_.SetColumns({{"Type", 50}, {"ID", 55, true}, {"Label", 220}, {"Size", 75, true}, {"Flags", 55, true}});
    ChunkList_.ItemText = [this](int row, int column) { return ChunkCell(row, column); };
    ChunkList_.OnSelect = [this](int row) { ShowChunk(row); };
    StringList_.ItemText = [this](int row, int column) { return StringCell(row, column); };
}

std::string TIffPreview::ChunkCell(int row, int column) const
{
    const auto& chunks = listing_.Chunks;
    if (row < 0)
        return {};
    if (static_cast<std::size_t>(row) >= chunks.size())
        return column == ccLabel ? listing_.Reason : std::string();
    const iff::IffChunk& chunk = chunks[static_cast<std::size_t>(row)];
    switch (column) {
    case ccType: return chunk.Type;
    case ccID: return std::to_string(chunk.ID);
    case ccLabel: return chunk.Label;
    case ccSize: return std::to_string(chunk.BodySize);
    case ccFlags: return std::to_string(chunk.Flags);
    default: return {};
    }
}

std::string TIffPreview::StringCell(int row, int column) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= strings_.Strings.size())
        return {};
    const iff::IffString& string = strings_.Strings[static_cast<std::size_t>(row)];
    // Index, language (where the format has one), string, comment.
    if (!strings_.HasLanguages && column > 0)
        ++column;
    switch (column) {
    case 0: return std::to_string(string.Index);
    case 1: return std::to_string(string.Language);
    case 2: return string.Text;
    case 3: return string.Comment;
    default: return {};
    }
}

void TIffPreview::Show(const std::string& fileName, bool stretch)
{
    HideChunkView();
    fileName_ = fileName;
    stretch_ = stretch;
    iff::FileRangeSource source(fileName);
    if (source.Valid()) {
        listing_ = iff::ReadChunks(source);
    } else {
        listing_ = {iff::IffStatus::isNotRecognised, "The entry's data cannot be read.", {}};
    }
    const bool reasonRow = listing_.Status != iff::IffStatus::isComplete;
    ChunkList_.SetCount(static_cast<int>(listing_.Chunks.size()) + (reasonRow ? 1 : 0));
    visible_ = true;
    ShowWindow(ChunkList_.Handle(), SW_SHOW);
}

void TIffPreview::Hide()
{
    HideChunkView();
    ShowWindow(ChunkList_.Handle(), SW_HIDE);
    ChunkList_.SetCount(0);
    listing_ = {};
    visible_ = false;
}

void TIffPreview::HideChunkView()
{
    for (HWND view : {StringList_.Handle(), PaletteGrid_.Handle(), SpritePreview_.Handle(), ImageViewer_.Handle(),
                      HexViewer_.Handle()})
        ShowWindow(view, SW_HIDE);
    StringList_.SetCount(0);
}

int TIffPreview::ChunkListHeight(int areaHeight) const
{
    return std::min(areaHeight, std::max(ChunkList_.Scale(kMinListHeight), areaHeight * 2 / 5));
}

void TIffPreview::ShowChunk(int row)
{
    HideChunkView();
    if (row < 0 || static_cast<std::size_t>(row) >= listing_.Chunks.size())
        return;
    const iff::IffChunk& chunk = listing_.Chunks[static_cast<std::size_t>(row)];
    ui::WaitCursor wait;
    // The file is read afresh for each chunk and not kept open: the window
    // rewrites its preview file for the next entry.
    std::string body;
    iff::FileRangeSource source(fileName_);
    if (!source.Valid() || !iff::ReadBody(source, chunk, body))
        return;
    if (iff::IsStringChunkType(chunk.Type) && iff::DecodeStrings(body, strings_)) {
        std::vector<ui::ListView::Column> columns{{"Index", 50, true}};
        if (strings_.HasLanguages)
            columns.push_back({"Language", 65, true});
        columns.push_back({"String", 260});
        columns.push_back({"Comment", 180});
        StringList_.SetColumns(columns);
        StringList_.SetCount(static_cast<int>(strings_.Strings.size()));
        ShowWindow(StringList_.Handle(), SW_SHOW);
        return;
    }
    if (chunk.Type == "BMP_" && iff::IsBitmapFile(body) && LoadBitmap(body)) {
        ImageViewer_.SetStretch(stretch_);
        ShowWindow(ImageViewer_.Handle(), SW_SHOW);
        return;
    }
    if (iff::IsSpriteChunkType(chunk.Type) || chunk.Type == "DGRP") {
        ShowPictures(source, chunk, std::move(body));
        return;
    }
    std::vector<iff::PaletteColour> colours;
    if (chunk.Type == "PALT" && iff::DecodePalette(body, colours)) {
        PaletteGrid_.SetColours(std::move(colours));
        ShowWindow(PaletteGrid_.Handle(), SW_SHOW);
        return;
    }
    ShowHex(std::move(body));
}

bool TIffPreview::LoadBitmap(const std::string& body)
{
    // The file is made once under an unpredictable name and rewritten for
    // each bitmap chunk.
    platform::File file = bitmapFile_.empty()
                              ? platform::CreateUniqueFile(platform::TempFolder(), "kelvo-chunk-", ".bmp",
                                                           platform::File::Mode::CreateNewLocked, bitmapFile_)
                              : platform::File::Open(bitmapFile_, platform::File::Mode::CreateLocked);
    if (!file.IsOpen() || !file.Write(body.data(), body.size()) || !file.Close())
        return false;
    // A body the image view cannot decode is shown as bytes instead.
    try {
        ImageViewer_.LoadFromFile(bitmapFile_);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

void TIffPreview::ShowPictures(iff::ByteSource& source, const iff::IffChunk& chunk, std::string body)
{
    std::string reason;
    if (chunk.Type == "DGRP") {
        iff::DrawGroup group;
        if (iff::DecodeDrawGroup(body, group, reason)) {
            // Every zoom is composed now: the file is not kept open.
            iff::SpriteFile file(source, listing_.Chunks);
            std::vector<iff::ComposedImage> images;
            for (std::uint32_t zoom : {1u, 2u, 3u})
                for (iff::ComposedImage& image : iff::ComposeDrawGroup(group, zoom, file))
                    images.push_back(std::move(image));
            SpritePreview_.ShowDrawGroup(chunk, std::move(images));
        } else {
            SpritePreview_.ShowReason(chunk, reason);
        }
    } else {
        iff::SpriteChunk sprite;
        if (iff::ReadSpriteChunk(chunk.Type, body, sprite, reason)) {
            // The palettes of the file, the first of each ID; frames are
            // decoded as they are shown.
            std::map<std::uint16_t, std::vector<iff::PaletteColour>> palettes;
            for (const iff::IffChunk& palette : listing_.Chunks) {
                std::string paletteBody;
                std::vector<iff::PaletteColour> colours;
                if (palette.Type == "PALT" && !palettes.count(palette.ID) && iff::ReadBody(source, palette, paletteBody) &&
                    iff::DecodePalette(paletteBody, colours))
                    palettes.emplace(palette.ID, std::move(colours));
            }
            SpritePreview_.ShowSprite(chunk, std::move(body), std::move(sprite), std::move(palettes));
        } else {
            SpritePreview_.ShowReason(chunk, reason);
        }
    }
    ShowWindow(SpritePreview_.Handle(), SW_SHOW);
}

void TIffPreview::ShowHex(std::string body)
{
    std::istringstream stream(std::move(body));
    if (!HexViewer_.LoadFromStream(stream))
        return;
    ShowWindow(HexViewer_.Handle(), SW_SHOW);
}

} // namespace kelvo
