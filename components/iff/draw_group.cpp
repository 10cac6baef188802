// Draw groups: the DGRP body, the composition of one image from the sprite
// frames it names, and the sprite chunks and palettes of a file they come
// from.
#include "components/iff/sprites.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kelvo::iff {

namespace {

// Little-endian fields read in order; each read checks the bytes left.
class FieldReader {
public:
    explicit FieldReader(std::string_view body) : body_(body) {}
    std::size_t Position() const { return position_; }
    std::size_t Left() const { return body_.size() - position_; }
    bool Number(int bytes, std::uint32_t& value)
    {
        if (Left() < static_cast<std::size_t>(bytes))
            return false;
        value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(body_[position_ + static_cast<std::size_t>(i)]);
        position_ += static_cast<std::size_t>(bytes);
        return true;
    }
    bool Signed(int bytes, std::int32_t& value)
    {
        std::uint32_t raw = 0;
        if (!Number(bytes, raw))
            return false;
        value = bytes == 2 ? static_cast<std::int16_t>(raw) : static_cast<std::int32_t>(raw);
        return true;
    }
    bool Float(float& value)
    {
        std::uint32_t raw = 0;
        if (!Number(4, raw))
            return false;
        value = std::bit_cast<float>(raw);
        return true;
    }

private:
    std::string_view body_;
    std::size_t position_ = 0;
};

bool ReadSprite(FieldReader& in, std::uint16_t version, DrawGroupSprite& sprite)
{
    std::uint32_t type = 0;
    if (version <= 20001) {
        return in.Number(2, type) && (sprite.Type = static_cast<std::uint16_t>(type), true) &&
               in.Number(2, sprite.ChunkID) && in.Number(2, sprite.Frame) && in.Number(2, sprite.Flags) &&
               in.Signed(2, sprite.X) && in.Signed(2, sprite.Y) && (version == 20000 || in.Float(sprite.ObjectZ));
    }
    return in.Number(4, sprite.ChunkID) && in.Number(4, sprite.Frame) && in.Signed(4, sprite.X) &&
           in.Signed(4, sprite.Y) && in.Float(sprite.ObjectZ) && in.Number(4, sprite.Flags) &&
           (version == 20003 || (in.Float(sprite.ObjectX) && in.Float(sprite.ObjectY)));
}

std::string SpriteName(std::size_t number, const DrawGroupSprite& sprite)
{
    return "Sprite " + std::to_string(number + 1) + " (chunk " + std::to_string(sprite.ChunkID) + ", frame " +
           std::to_string(sprite.Frame) + ")";
}

// Draws a frame's pixel over the canvas (colours and alphas 0-255):
// colour = (S x A + D x (255 - A) + 127) / 255, alpha = A + (DA x (255 - A) + 127) / 255.
std::uint32_t Over(std::uint32_t source, std::uint32_t canvas)
{
    const unsigned a = source >> 24, rest = 255 - a;
    auto channel = [&](int shift) {
        return ((source >> shift & 0xFF) * a + (canvas >> shift & 0xFF) * rest + 127) / 255;
    };
    const unsigned alpha = a + ((canvas >> 24) * rest + 127) / 255;
    return Argb(alpha, channel(16), channel(8), channel(0));
}

} // namespace

bool DecodeDrawGroup(std::string_view body, DrawGroup& group, std::string& reason)
{
    group = DrawGroup{};
    reason.clear();
    FieldReader in(body);
    std::uint32_t version = 0, count = 0;
    if (!in.Number(2, version)) {
        reason = "Damaged draw group: the body is shorter than its version.";
        return false;
    }
    if (version != 20000 && version != 20001 && version != 20003 && version != 20004) {
        reason = "Unsupported draw group: version " + std::to_string(version) + " is not known.";
        return false;
    }
    group.Version = static_cast<std::uint16_t>(version);
    const bool wide = version >= 20003;
    const std::size_t imageHeader = wide ? 12 : 4;
    const std::size_t entrySize = version == 20000 ? 12 : version == 20001 ? 16 : version == 20003 ? 24 : 32;
    if (!in.Number(wide ? 4 : 2, count)) {
        reason = "Damaged draw group: the body ends inside its image count.";
        return false;
    }
    auto fail = [&](std::string why) {
        reason = "Damaged draw group: " + std::move(why);
        group = DrawGroup{};
        return false;
    };
    if (count > in.Left() / imageHeader)
        return fail("the " + std::to_string(count) + " images it counts do not fit in the body of " +
                    std::to_string(body.size()) + " bytes.");
    group.Images.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        DrawGroupImage image;
        std::uint32_t sprites = 0;
        const std::size_t at = in.Position();
        const bool header = wide ? in.Number(4, image.Direction) && in.Number(4, image.Zoom) && in.Number(4, sprites)
                                 : in.Number(2, sprites) && in.Number(1, image.Direction) && in.Number(1, image.Zoom);
        if (!header)
            return fail("the header of image " + std::to_string(i + 1) + " at byte " + std::to_string(at) +
                        " is cut off.");
        if (sprites > in.Left() / entrySize)
            return fail("the " + std::to_string(sprites) + " sprites of image " + std::to_string(i + 1) +
                        " at byte " + std::to_string(at) + " run past the body.");
        image.Sprites.resize(sprites);
        for (DrawGroupSprite& sprite : image.Sprites)
            ReadSprite(in, group.Version, sprite); // fits: checked above
        group.Images.push_back(std::move(image));
    }
    return true;
}

bool ZoomCanvas(std::uint32_t zoom, int& width, int& height, int& anchorX, int& anchorY)
{
    if (zoom < 1 || zoom > 3)
        return false;
    const int scale = 1 << (zoom - 1);
    width = 34 * scale;
    height = 96 * scale;
    anchorX = 17 * scale;
    anchorY = 87 * scale;
    return true;
}

ComposedImage ComposeImage(const DrawGroupImage& image, SpriteFrameSource& frames)
{
    ComposedImage composed;
    composed.Direction = image.Direction;
    composed.Zoom = image.Zoom;
    int width = 0, height = 0;
    if (!ZoomCanvas(image.Zoom, width, height, composed.AnchorX, composed.AnchorY)) {
        composed.Problems.push_back("Zoom " + std::to_string(image.Zoom) + " is not known.");
        return composed;
    }
    Picture& canvas = composed.Image;
    canvas.Width = width;
    canvas.Height = height;
    canvas.Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    // The depth drawn so far, where a sprite with z wrote.
    std::vector<std::uint8_t> depth(canvas.Pixels.size(), 0);
    std::vector<std::uint8_t> hasDepth(canvas.Pixels.size(), 0);
    for (std::size_t number = 0; number < image.Sprites.size(); ++number) {
        const DrawGroupSprite& sprite = image.Sprites[number];
        std::string reason;
        const SpriteFrame* frame = frames.FindFrame(sprite.ChunkID, sprite.Frame, reason);
        if (!frame) {
            composed.Problems.push_back(SpriteName(number, sprite) + " is skipped: " + reason);
            continue;
        }
        if (frame->Status != FrameStatus::fsDrawn) {
            composed.Problems.push_back(SpriteName(number, sprite) + " is skipped: " + frame->Reason);
            continue;
        }
        if (!frame->PaletteNote.empty()) {
            std::string note = SpriteName(number, sprite) + ": " + frame->PaletteNote + ".";
            composed.Problems.push_back(std::move(note));
        }
        const bool mirrored = (sprite.Flags & 1) != 0;
        // 64-bit places: offsets from the file may lie far outside the canvas.
        const std::int64_t left = std::int64_t{composed.AnchorX} + sprite.X;
        const std::int64_t top = std::int64_t{composed.AnchorY} + sprite.Y - frame->Height;
        const std::int64_t fromX = std::max<std::int64_t>(0, -left), toX = std::min<std::int64_t>(frame->Width, width - left);
        const std::int64_t fromY = std::max<std::int64_t>(0, -top), toY = std::min<std::int64_t>(frame->Height, height - top);
        for (std::int64_t fy = fromY; fy < toY; ++fy) {
            const std::size_t sourceRow = static_cast<std::size_t>(fy) * static_cast<std::size_t>(frame->Width);
            const std::size_t canvasRow = static_cast<std::size_t>(top + fy) * static_cast<std::size_t>(width);
            for (std::int64_t fx = fromX; fx < toX; ++fx) {
                const std::size_t source = sourceRow + static_cast<std::size_t>(mirrored ? frame->Width - 1 - fx : fx);
                if (!frame->Written[source])
                    continue;
                const std::size_t target = canvasRow + static_cast<std::size_t>(left + fx);
                if (frame->HasZ()) {
                    if (hasDepth[target] && frame->Z[source] > depth[target])
                        continue;
                    depth[target] = frame->Z[source];
                    hasDepth[target] = 1;
                }
                canvas.Pixels[target] = Over(frame->Colour.Pixels[source], canvas.Pixels[target]);
            }
        }
    }
    return composed;
}

std::vector<ComposedImage> ComposeDrawGroup(const DrawGroup& group, std::uint32_t zoom, SpriteFrameSource& frames)
{
    std::vector<ComposedImage> images;
    for (std::uint32_t direction : {0x01u, 0x04u, 0x10u, 0x40u}) {
        const auto image = std::find_if(group.Images.begin(), group.Images.end(), [&](const DrawGroupImage& candidate) {
            return candidate.Direction == direction && candidate.Zoom == zoom;
        });
        if (image != group.Images.end())
            images.push_back(ComposeImage(*image, frames));
    }
    return images;
}

struct SpriteFile::Decoded {
    std::string Reason; // why the chunk could not be read; empty when it was
    std::vector<SpriteFrame> Frames;
};

SpriteFile::SpriteFile(ByteSource& source, const std::vector<IffChunk>& chunks) : source_(source), chunks_(chunks) {}

SpriteFile::~SpriteFile() = default;

const std::vector<PaletteColour>* SpriteFile::Palette(std::uint16_t id)
{
    const auto known = palettes_.find(id);
    if (known != palettes_.end())
        return known->second.get();
    std::unique_ptr<std::vector<PaletteColour>>& slot = palettes_[id];
    const auto chunk = std::find_if(chunks_.begin(), chunks_.end(),
                                    [&](const IffChunk& candidate) { return candidate.Type == "PALT" && candidate.ID == id; });
    std::string body;
    auto colours = std::make_unique<std::vector<PaletteColour>>();
    if (chunk != chunks_.end() && ReadBody(source_, *chunk, body) && DecodePalette(body, *colours))
        slot = std::move(colours);
    return slot.get();
}

PaletteLookup SpriteFile::Palettes()
{
    return [this](std::uint16_t id) { return Palette(id); };
}

const SpriteFile::Decoded* SpriteFile::Sprite(const std::string& type, std::uint32_t id)
{
    const auto key = std::make_pair(type, id);
    const auto known = sprites_.find(key);
    if (known != sprites_.end())
        return known->second.get();
    std::unique_ptr<Decoded>& slot = sprites_[key];
    const auto chunk = std::find_if(chunks_.begin(), chunks_.end(),
                                    [&](const IffChunk& candidate) { return candidate.Type == type && candidate.ID == id; });
    if (chunk == chunks_.end())
        return nullptr;
    slot = std::make_unique<Decoded>();
    std::string body;
    SpriteChunk sprite;
    if (!ReadBody(source_, *chunk, body))
        slot->Reason = "its body cannot be read.";
    else if (ReadSpriteChunk(type, body, sprite, slot->Reason))
        slot->Frames = DecodeSpriteFrames(sprite, body, Palettes());
    return slot.get();
}

const SpriteFrame* SpriteFile::FindFrame(std::uint32_t chunkID, std::uint32_t index, std::string& reason)
{
    const Decoded* sprite = Sprite("SPR2", chunkID);
    const char* type = "SPR2";
    if (!sprite) {
        sprite = Sprite("SPR#", chunkID);
        type = "SPR#";
    }
    if (!sprite) {
        reason = "there is no SPR2 or SPR# chunk " + std::to_string(chunkID) + ".";
        return nullptr;
    }
    const std::string name = std::string(type) + " " + std::to_string(chunkID);
    if (!sprite->Reason.empty()) {
        reason = name + ": " + sprite->Reason;
        return nullptr;
    }
    if (index >= sprite->Frames.size()) {
        reason = name + " has " + std::to_string(sprite->Frames.size()) + " frames, no frame " + std::to_string(index) + ".";
        return nullptr;
    }
    return &sprite->Frames[index];
}

} // namespace kelvo::iff
