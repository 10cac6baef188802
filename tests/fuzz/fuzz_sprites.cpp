// libFuzzer target for the pictures of an IFF file: frames drawn with planes of their size or refused with a reason; composed images of
// their zoom's canvas.
#include "components/iff/sprites.h"
#include "tests/fuzz/fuzz_check.h"

using kelvo::fuzz::Check;
using namespace kelvo::iff;

static void CheckFrame(const SpriteFrame& frame)
{
    if (frame.Status != FrameStatus::fsDrawn) {
        Check(!frame.Reason.empty() && frame.Colour.Pixels.empty() && frame.Written.empty(), "refused frame");
        return;
    }
    const std::size_t pixels = static_cast<std::size_t>(frame.Width) * static_cast<std::size_t>(frame.Height);
    Check(pixels > 0 && frame.Colour.Pixels.size() == pixels && frame.Written.size() == pixels && frame.Index.size() == pixels &&
              frame.Z.size() == (frame.HasZ() ? pixels : 0) && frame.Alpha.size() == (frame.HasAlpha() ? pixels : 0), "planes of the frame's size");
    Check(frame.PaletteMissing == (frame.PaletteNote.find("not found") != std::string::npos), "palette note");
    for (std::size_t i = 0; i < pixels; ++i)
        Check(frame.Written[i] || frame.Colour.Pixels[i] == 0, "empty pixel with a colour");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemorySource source({reinterpret_cast<const char*>(data), size});
    const IffListing listing = ReadChunks(source);
    SpriteFile file(source, listing.Chunks);
    for (const IffChunk& chunk : listing.Chunks) {
        std::string body, reason;
        SpriteChunk sprite;
        DrawGroup group;
        if (!ReadBody(source, chunk, body))
            continue;
        if (IsSpriteChunkType(chunk.Type) && ReadSpriteChunk(chunk.Type, body, sprite, reason)) {
            for (std::size_t i = 0; i < sprite.Frames.size() && i < 16; ++i)
                CheckFrame(DecodeSpriteFrame(sprite, body, i, file.Palettes()));
        } else if (chunk.Type == "DGRP" && DecodeDrawGroup(body, group, reason)) {
            for (std::uint32_t zoom = 1; zoom <= 3; ++zoom)
                for (const ComposedImage& image : ComposeDrawGroup(group, zoom, file)) {
                    int width = 0, height = 0, x = 0, y = 0;
                    Check(ZoomCanvas(zoom, width, height, x, y) && image.Image.Width == width && image.Image.Height == height &&
                              image.Image.Pixels.size() == static_cast<std::size_t>(width * height), "canvas of the zoom");
                }
        } else if (IsSpriteChunkType(chunk.Type) || chunk.Type == "DGRP") {
            Check(!reason.empty() && sprite.Frames.empty() && group.Images.empty(), "refused without a reason");
        }
    }
    return 0;
}
