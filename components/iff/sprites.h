// The pictures of an IFF file: SPR# and SPR2 sprite frames decoded into
// 32-bit pixels (SPR2's z and alpha kept as planes of their own), coloured
// through the PALT chunk they name, and DGRP draw groups composed from them.
// Every read is checked against the body; a malformed frame is refused with
// a reason and the other frames of its chunk still decode.
#pragma once

#include "components/iff/iff_reader.h"
#include "components/iff/picture.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::iff {

// The colours of the PALT chunk with this ID in the same IFF file; nullptr
// when there is none (or its body does not decode).
using PaletteLookup = std::function<const std::vector<PaletteColour>*(std::uint16_t id)>;

// "SPR#" or "SPR2".
bool IsSpriteChunkType(std::string_view type);

// Where a frame's bytes lie in its chunk's body.
struct SpriteFrameSpan {
    std::size_t Offset = 0; // of the frame header; may lie past the body (the frame is then damaged)
    std::size_t End = 0;    // its commands must end before this: the body's end, or in version 1001 the
                            // end of the frame's stated size
};

// An SPR# or SPR2 body's header and where its frames are; nothing decoded.
struct SpriteChunk {
    bool Spr2 = false;
    std::uint32_t Version = 0;    // SPR#: 502-505 or 1001; SPR2: 1000 or 1001
    bool BigEndian = false;       // SPR# only: the body starts with 00 00
    std::uint16_t PaletteID = 0;  // the chunk-level palette (the low 16 bits of the field)
    std::uint32_t CountField = 0; // the frame count as stored
    std::vector<SpriteFrameSpan> Frames;
    // What to say about the chunk as a whole: a version-1001 frame prefix
    // that stopped the walk (the frames before it are kept) and a count
    // field that differs from the frames found. Empty when all is well.
    std::vector<std::string> Notes;
};

enum class FrameStatus {
    fsDrawn,    // decoded: the planes hold its pixels
    fsUnusable, // width or height 0, or SPR#'s reserved field not 0: shown empty, commands not read
    fsDamaged,  // refused: Reason says what and where
};

// One decoded frame.
struct SpriteFrame {
    FrameStatus Status = FrameStatus::fsDamaged;
    std::string Reason; // for unusable and damaged frames, a sentence saying why (with the byte offset in
                        // the body where a command is at fault); empty for drawn ones
    int Width = 0;      // as the header gives them (0 when the header cannot be read)
    int Height = 0;
    int X = 0; // SPR2: the top-left pixel's place in the full picture the sprite was cut from; 0 for SPR#
    int Y = 0;
    std::uint32_t Flags = 1;            // SPR2 channels: 1 colour, 3 colour + z, 7 colour + z + alpha; SPR# 1
    std::uint16_t PaletteID = 0;        // the palette drawn with (the frame's own or the chunk's, see below)
    std::uint16_t TransparentIndex = 0; // SPR2: the index empty pixels would take in an 8-bit picture
    bool PaletteMissing = false;        // no PALT with PaletteID: indices shown as a grey ramp
    bool IndexPastPalette = false;      // some index is at or past the palette's colour count: opaque magenta
    std::string PaletteNote;            // "palette N not found", or the indices past it; empty otherwise

    // Width x Height values each, rows from the top, when Status is
    // fsDrawn; empty otherwise.
    Picture Colour;                    // empty pixels (0, 0, 0, 0); alpha (a x 255 + 15) / 31 with an alpha plane
    std::vector<std::uint8_t> Written; // 1 where a pixel command wrote the pixel, 0 where it is empty
    std::vector<std::uint8_t> Index;   // the palette index; 0 where empty
    std::vector<std::uint8_t> Z;       // with HasZ(): 0 nearest to 255 farthest; 255 where empty
    std::vector<std::uint8_t> Alpha;   // with HasAlpha(): the stored value, 0-31 (a larger one kept as
                                       // stored, drawn as 31); 0 where empty

    bool HasZ() const { return (Flags & 2) != 0; }
    bool HasAlpha() const { return (Flags & 4) != 0; }
};

// Reads the header of an SPR# (type "SPR#") or SPR2 body and finds its
// frames. False with a reason when it cannot: too short, an unknown version,
// an offset table that does not fit in the body.
bool ReadSpriteChunk(std::string_view type, std::string_view body, SpriteChunk& chunk, std::string& reason);

// Decodes frame index (below chunk.Frames.size()) of the body the chunk was
// read from. SPR#: the chunk's palette. SPR2: the frame's own palette ID
// when a PALT has it and it is neither 0 nor 0xA3A3, else the chunk's.
SpriteFrame DecodeSpriteFrame(const SpriteChunk& chunk, std::string_view body, std::size_t index,
                              const PaletteLookup& palettes);

// Every frame, in order.
std::vector<SpriteFrame> DecodeSpriteFrames(const SpriteChunk& chunk, std::string_view body,
                                            const PaletteLookup& palettes);

// A frame's z plane as an opaque grey picture (z 0 black to 255 white; empty
// pixels white, as far as can be), and its alpha plane (0 black to 31 white;
// empty pixels black). Empty pictures when the frame has no such plane.
Picture ZPicture(const SpriteFrame& frame);
Picture AlphaPicture(const SpriteFrame& frame);

// One sprite of a draw-group image.
struct DrawGroupSprite {
    std::uint16_t Type = 0;    // versions 20000/20001 only: kept, no known use
    std::uint32_t ChunkID = 0; // the SPR2 chunk with this ID, else the SPR# chunk with it
    std::uint32_t Frame = 0;   // the frame in that chunk
    std::uint32_t Flags = 0;   // bit 0: mirrored left to right; bit 2: luminous; others kept
    std::int32_t X = 0;        // from the centre of the tile's floor to the frame's lower-left corner,
    std::int32_t Y = 0;        // x to the right, y downwards, in pixels of the image's zoom
    float ObjectZ = 0;         // versions 20001 on
    float ObjectX = 0;         // version 20004
    float ObjectY = 0;
};

// One (direction, zoom) image of a draw group.
struct DrawGroupImage {
    std::uint32_t Direction = 0; // 0x01, 0x04, 0x10 or 0x40; a quarter turn multiplies by 4
    std::uint32_t Zoom = 0;      // 1 far, 2 middle, 3 near
    std::vector<DrawGroupSprite> Sprites;
};

struct DrawGroup {
    std::uint16_t Version = 0; // 20000, 20001, 20003 or 20004
    std::vector<DrawGroupImage> Images;
};

// Decodes a DGRP body; false with a reason when it does not parse.
bool DecodeDrawGroup(std::string_view body, DrawGroup& group, std::string& reason);

// Finds the frames a draw group names.
class SpriteFrameSource {
public:
    virtual ~SpriteFrameSource() = default;
    // Frame index of the SPR2 chunk with this ID, else of the SPR# chunk
    // with it; nullptr with a reason when there is no such chunk or frame
    // (an unusable or damaged frame is returned: the caller skips it).
    virtual const SpriteFrame* FindFrame(std::uint32_t chunkID, std::uint32_t index, std::string& reason) = 0;
};

// The canvas of a zoom level and the place of the tile's floor centre on
// it: 34 x 96 at (17, 87), 68 x 192 at (34, 174), 136 x 384 at (68, 348).
// False for a zoom other than 1, 2 or 3.
bool ZoomCanvas(std::uint32_t zoom, int& width, int& height, int& anchorX, int& anchorY);

struct ComposedImage {
    std::uint32_t Direction = 0;
    std::uint32_t Zoom = 0;
    int AnchorX = 0; // where the centre of the tile's floor is in Image
    int AnchorY = 0;
    Picture Image;   // the zoom's canvas; empty for an unknown zoom
    std::vector<std::string> Problems; // sprites skipped and why, palettes not found
};

// Draws one image: its sprites in list order at their offsets, mirrored
// where flagged, clipped to the canvas; where both the canvas and a pixel
// carry depth the nearer wins, otherwise the pixel is blended over.
ComposedImage ComposeImage(const DrawGroupImage& image, SpriteFrameSource& frames);

// The group's images at one zoom, one per direction it holds, in the order
// 0x01, 0x04, 0x10, 0x40 (the first image of a direction and zoom counts).
std::vector<ComposedImage> ComposeDrawGroup(const DrawGroup& group, std::uint32_t zoom, SpriteFrameSource& frames);

// The palettes and sprite chunks of one IFF file, read through its source on
// first use and kept (the first chunk of a type and ID counts). The source
// and the chunks must outlive it.
class SpriteFile : public SpriteFrameSource {
public:
    SpriteFile(ByteSource& source, const std::vector<IffChunk>& chunks);
    ~SpriteFile() override;

    // The colours of PALT id; nullptr when there is none or it does not decode.
    const std::vector<PaletteColour>* Palette(std::uint16_t id);
    // Palette() as a lookup for the decoders; valid while this object lives.
    PaletteLookup Palettes();
    const SpriteFrame* FindFrame(std::uint32_t chunkID, std::uint32_t index, std::string& reason) override;

private:
    struct Decoded;
    const Decoded* Sprite(const std::string& type, std::uint32_t id);

    ByteSource& source_;
    const std::vector<IffChunk>& chunks_;
    std::map<std::uint16_t, std::unique_ptr<std::vector<PaletteColour>>> palettes_;
    std::map<std::pair<std::string, std::uint32_t>, std::unique_ptr<Decoded>> sprites_;
};

} // namespace kelvo::iff
