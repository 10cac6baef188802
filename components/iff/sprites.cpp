#include "components/iff/sprites.h"

#include <algorithm>
#include <array>

namespace kelvo::iff {

namespace {

constexpr std::uint32_t kMagenta = Argb(255, 255, 0, 255);
constexpr std::uint16_t kFillerPaletteID = 0xA3A3;
constexpr std::size_t kSpriteHeaderSize = 12; // version, and count and palette in either order

// Integers of a body in its byte order; the caller has checked the bounds.
class BodyBytes {
public:
    BodyBytes(std::string_view body, bool bigEndian) : body_(body), bigEndian_(bigEndian) {}
    std::size_t Size() const { return body_.size(); }
    const unsigned char* Data() const { return reinterpret_cast<const unsigned char*>(body_.data()); }
    unsigned Byte(std::size_t at) const { return static_cast<unsigned char>(body_[at]); }
    std::uint32_t Number(std::size_t at, int bytes) const
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const std::size_t from = at + static_cast<std::size_t>(bigEndian_ ? i : bytes - 1 - i);
            value = value << 8 | Byte(from);
        }
        return value;
    }
    std::uint32_t U16(std::size_t at) const { return Number(at, 2); }
    std::uint32_t U32(std::size_t at) const { return Number(at, 4); }

private:
    std::string_view body_;
    bool bigEndian_;
};

std::string At(std::size_t offset) { return " at byte " + std::to_string(offset); }

// Locates the frames of a version-1001 body: each is preceded by 1001 and
// its size. A bad prefix stops the walk; the frames before it are kept.
void WalkPrefixedFrames(const BodyBytes& bytes, SpriteChunk& chunk)
{
    std::size_t at = kSpriteHeaderSize;
    while (at < bytes.Size()) {
        const std::string place = "frame " + std::to_string(chunk.Frames.size()) + "'s prefix" + At(at);
        if (bytes.Size() - at < 8) {
            chunk.Notes.push_back("Damaged sprite chunk: " + place + " is cut off.");
            return;
        }
        const std::uint32_t marker = bytes.U32(at), size = bytes.U32(at + 4);
        if (marker != 1001) {
            chunk.Notes.push_back("Damaged sprite chunk: " + place + " starts with " + std::to_string(marker) +
                                  ", not 1001.");
            return;
        }
        if (size > bytes.Size() - at - 8) {
            chunk.Notes.push_back("Damaged sprite chunk: " + place + " gives the size " + std::to_string(size) +
                                  ", past the end of the body.");
            return;
        }
        chunk.Frames.push_back({at + 8, at + 8 + size});
        at += 8 + static_cast<std::size_t>(size);
    }
    if (chunk.CountField != chunk.Frames.size())
        chunk.Notes.push_back("The header gives " + std::to_string(chunk.CountField) + " frames; the body holds " +
                              std::to_string(chunk.Frames.size()) + ".");
}

bool ReadOffsetTable(const BodyBytes& bytes, SpriteChunk& chunk, std::string& reason)
{
    if (chunk.CountField > (bytes.Size() - kSpriteHeaderSize) / 4) {
        reason = "Damaged sprite chunk: the offset table of " + std::to_string(chunk.CountField) +
                 " frames does not fit in the body of " + std::to_string(bytes.Size()) + " bytes.";
        return false;
    }
    for (std::uint32_t i = 0; i < chunk.CountField; ++i)
        chunk.Frames.push_back({bytes.U32(kSpriteHeaderSize + 4 * static_cast<std::size_t>(i)), bytes.Size()});
    return true;
}

// The 256 colours a frame's indices are drawn in, opaque; indices past the
// palette's colours are magenta.
struct DrawingPalette {
    std::array<std::uint32_t, 256> Colours{};
    std::size_t Count = 256; // indices at or past this are not in the palette
};

DrawingPalette PaletteFor(SpriteFrame& frame, std::uint16_t frameID, std::uint16_t chunkID, const PaletteLookup& palettes)
{
    const std::vector<PaletteColour>* colours = nullptr;
    frame.PaletteID = chunkID;
    if (palettes && frameID != 0 && frameID != kFillerPaletteID && frameID != chunkID) {
        colours = palettes(frameID);
        if (colours)
            frame.PaletteID = frameID;
    }
    if (!colours && palettes)
        colours = palettes(chunkID);
    DrawingPalette palette;
    if (!colours) {
        frame.PaletteMissing = true;
        frame.PaletteNote = "palette " + std::to_string(frame.PaletteID) + " not found";
        for (unsigned i = 0; i < 256; ++i)
            palette.Colours[i] = Argb(255, i, i, i);
        return palette;
    }
    palette.Count = colours->size();
    palette.Colours.fill(kMagenta);
    for (std::size_t i = 0; i < colours->size() && i < 256; ++i)
        palette.Colours[i] = Argb(255, (*colours)[i].Red, (*colours)[i].Green, (*colours)[i].Blue);
    return palette;
}

// The shown alpha of a stored 0-31 value (a larger one counts as 31).
unsigned ShownAlpha(unsigned stored) { return (std::min(stored, 31u) * 255 + 15) / 31; }

// The shown alpha of every stored value, for the decoding loops.
struct AlphaTable {
    std::array<std::uint32_t, 256> Shifted{}; // ShownAlpha(stored) << 24
    AlphaTable()
    {
        for (unsigned stored = 0; stored < 256; ++stored)
            Shifted[stored] = ShownAlpha(stored) << 24;
    }
};

const AlphaTable kAlphaTable;

// Writes a frame's pixels into its planes; every write is checked by the
// caller against the width and height. Held and passed by value, so the
// compiler keeps the pointers in registers rather than reloading them after
// each byte stored.
struct FramePlanes {
    std::uint32_t* colour;
    std::uint8_t* written;
    std::uint8_t* index;
    std::uint8_t* z;     // nullptr without a z channel
    std::uint8_t* alpha; // nullptr without an alpha channel
    const std::uint32_t* colours;

    void Put(std::size_t at, unsigned pixelIndex, unsigned pixelZ, unsigned pixelAlpha) const
    {
        written[at] = 1;
        index[at] = static_cast<std::uint8_t>(pixelIndex);
        std::uint32_t shown = colours[pixelIndex];
        if (alpha) {
            shown = (shown & 0x00FFFFFF) | kAlphaTable.Shifted[pixelAlpha];
            alpha[at] = static_cast<std::uint8_t>(pixelAlpha);
        }
        colour[at] = shown;
        if (z)
            z[at] = static_cast<std::uint8_t>(pixelZ);
    }
};

// Makes the frame's planes, all pixels empty.
FramePlanes EmptyPlanes(SpriteFrame& frame, const DrawingPalette& palette)
{
    const std::size_t pixels = static_cast<std::size_t>(frame.Width) * static_cast<std::size_t>(frame.Height);
    frame.Colour.Width = frame.Width;
    frame.Colour.Height = frame.Height;
    frame.Colour.Pixels.assign(pixels, 0);
    frame.Written.assign(pixels, 0);
    frame.Index.assign(pixels, 0);
    if (frame.HasZ())
        frame.Z.assign(pixels, 255);
    if (frame.HasAlpha())
        frame.Alpha.assign(pixels, 0);
    return {frame.Colour.Pixels.data(), frame.Written.data(), frame.Index.data(),
            frame.HasZ() ? frame.Z.data() : nullptr, frame.HasAlpha() ? frame.Alpha.data() : nullptr,
            palette.Colours.data()};
}

// Pixels whose index is past a short palette are opaque magenta, whatever
// their alpha; the frame says so.
void MarkPastPalette(SpriteFrame& frame, const DrawingPalette& palette)
{
    if (palette.Count >= 256)
        return;
    for (std::size_t i = 0; i < frame.Written.size(); ++i) {
        if (frame.Written[i] && frame.Index[i] >= palette.Count) {
            frame.Colour.Pixels[i] = kMagenta;
            frame.IndexPastPalette = true;
        }
    }
    if (frame.IndexPastPalette)
        frame.PaletteNote = "palette " + std::to_string(frame.PaletteID) + " has " + std::to_string(palette.Count) +
                            " colours; indices past them are shown in magenta";
}

void Refuse(SpriteFrame& frame, FrameStatus status, std::string reason)
{
    SpriteFrame header;
    header.Width = frame.Width;
    header.Height = frame.Height;
    header.X = frame.X;
    header.Y = frame.Y;
    frame = std::move(header);
    frame.Status = status;
    frame.Reason = std::move(reason);
}

// A frame's pixels fit in one picture's limit, and in what the frames of its
// chunk decoded before it left of that limit.
bool FitsInMemory(SpriteFrame& frame, std::uint64_t bytesLeft)
{
    const std::uint64_t bytes = static_cast<std::uint64_t>(frame.Width) * static_cast<std::uint64_t>(frame.Height) * 4;
    if (bytes <= bytesLeft)
        return true;
    Refuse(frame, FrameStatus::fsUnusable,
           bytes > kMaxPictureBytes ? "Unusable frame: " + std::to_string(frame.Width) + " x " +
                                          std::to_string(frame.Height) + " pixels is too large to show."
                                    : "Unusable frame: the chunk's frames together are too large to show.");
    return false;
}

std::string Damaged(std::string what) { return "Damaged frame: " + std::move(what) + "."; }

// Why count empty rows found at byte at cannot be skipped from row; empty
// when they can. Both sprite formats check their row commands alike.
std::string EmptyRowsProblem(std::uint32_t count, int row, int height, std::size_t at)
{
    if (count > static_cast<std::uint32_t>(height - row))
        return Damaged(std::to_string(count) + " empty rows" + At(at) + " pass the last row (from row " +
                       std::to_string(row) + " of " + std::to_string(height) + ")");
    return {};
}

// Why a row of count bytes (its 2-byte command included) found at byte at
// cannot start at row, with left bytes of data after the command; empty when
// it can. data names what the row would run past.
std::string RowProblem(std::uint32_t count, int row, int height, std::size_t at, std::size_t left, const char* data)
{
    if (row >= height)
        return Damaged("a row" + At(at) + " comes when all " + std::to_string(height) + " rows are filled");
    if (count < 2 || count % 2)
        return Damaged("the row" + At(at) + " has the length " + std::to_string(count) +
                       (count < 2 ? ", below 2" : ", which is odd"));
    if (count - 2 > left)
        return Damaged("the row" + At(at) + " of " + std::to_string(count) + " bytes runs past " + data);
    return {};
}

// The row commands of an SPR# frame from p to end (single bytes: command,
// count). Returns the reason it is damaged, empty when it decoded.
std::string DecodeSprCommands(const BodyBytes& bytes, std::size_t p, std::size_t end, const FramePlanes planes,
                              int width, int height)
{
    int row = 0;
    const auto w = static_cast<std::size_t>(width);
    const unsigned char* const source = bytes.Data();
    for (;;) {
        if (p >= end || end - p < 2)
            return Damaged("the data ends" + At(p) + " before the end marker");
        const std::size_t at = p;
        const unsigned command = bytes.Byte(p), count = bytes.Byte(p + 1);
        p += 2;
        switch (command) {
        case 0x00:
        case 0x10:
            break;
        case 0x05:
            return {};
        case 0x09:
            if (std::string problem = EmptyRowsProblem(count, row, height, at); !problem.empty())
                return problem;
            row += static_cast<int>(count);
            break;
        case 0x04: {
            if (std::string problem = RowProblem(count, row, height, at, end - p, "the data"); !problem.empty())
                return problem;
            const std::size_t rowEnd = at + count;
            const std::size_t rowStart = static_cast<std::size_t>(row) * w;
            std::size_t x = 0;
            while (p < rowEnd) {
                const std::size_t pixelAt = p;
                if (rowEnd - p < 2)
                    return Damaged("the pixel command" + At(p) + " runs past its row's length");
                const unsigned pixelCommand = bytes.Byte(p), n = bytes.Byte(p + 1);
                p += 2;
                if (pixelCommand < 1 || pixelCommand > 3)
                    return Damaged("unknown pixel command " + std::to_string(pixelCommand) + At(pixelAt));
                if (n > w - x)
                    return Damaged("the pixel command" + At(pixelAt) + " in row " + std::to_string(row) +
                                   " passes the width of " + std::to_string(width) + " pixels");
                const std::size_t data = pixelCommand == 1 ? 0 : pixelCommand == 2 ? 2 : n + n % 2;
                if (data > rowEnd - p)
                    return Damaged("the pixel data" + At(pixelAt) + " runs past its row's length");
                if (pixelCommand == 2)
                    for (unsigned i = 0; i < n; ++i)
                        planes.Put(rowStart + x + i, source[p], 0, 31);
                else if (pixelCommand == 3)
                    for (unsigned i = 0; i < n; ++i)
                        planes.Put(rowStart + x + i, source[p + i], 0, 31);
                x += n;
                p += data;
            }
            ++row;
            break;
        }
        default:
            return Damaged("unknown row command " + std::to_string(command) + At(at));
        }
    }
}

// The row commands of an SPR2 frame (little-endian words: command in the
// top 3 bits, count in the low 13).
std::string DecodeSpr2Commands(const BodyBytes& bytes, std::size_t p, std::size_t end, const FramePlanes planes,
                               const SpriteFrame& frame)
{
    const int width = frame.Width, height = frame.Height;
    const auto w = static_cast<std::size_t>(width);
    const unsigned char* const source = bytes.Data();
    int row = 0;
    for (;;) {
        if (p >= end || end - p < 2)
            return Damaged("the data ends" + At(p) + " before the end marker");
        const std::size_t at = p;
        const std::uint32_t word = bytes.U16(p);
        const std::uint32_t command = word >> 13, count = word & 0x1FFF;
        p += 2;
        switch (command) {
        case 5:
            return {};
        case 4:
            if (std::string problem = EmptyRowsProblem(count, row, height, at); !problem.empty())
                return problem;
            row += static_cast<int>(count);
            break;
        case 0: {
            if (std::string problem = RowProblem(count, row, height, at, end - p, "the frame's data"); !problem.empty())
                return problem;
            const std::size_t rowEnd = at + count;
            const std::size_t rowStart = static_cast<std::size_t>(row) * w;
            std::size_t x = 0;
            while (p < rowEnd) {
                const std::size_t pixelAt = p;
                if (rowEnd - p < 2)
                    return Damaged("the pixel command" + At(p) + " runs past its row's length");
                const std::uint32_t pixelWord = bytes.U16(p);
                const std::uint32_t pixelCommand = pixelWord >> 13, n = pixelWord & 0x1FFF;
                p += 2;
                std::size_t data = 0;
                switch (pixelCommand) {
                case 1:
                    if (!frame.HasZ())
                        return Damaged("pixel command 1" + At(pixelAt) + " needs a z channel, which the frame lacks");
                    data = 2 * std::size_t{n};
                    break;
                case 2:
                    if (!frame.HasAlpha())
                        return Damaged("pixel command 2" + At(pixelAt) + " needs an alpha channel, which the frame lacks");
                    data = 3 * std::size_t{n} + n % 2;
                    break;
                case 3:
                    break;
                case 6:
                    data = n + n % 2;
                    break;
                default:
                    return Damaged("unknown pixel command " + std::to_string(pixelCommand) + At(pixelAt));
                }
                if (n > w - x)
                    return Damaged("the pixel command" + At(pixelAt) + " in row " + std::to_string(row) +
                                   " passes the width of " + std::to_string(width) + " pixels");
                if (data > rowEnd - p)
                    return Damaged("the pixel data" + At(pixelAt) + " runs past its row's length");
                const std::size_t target = rowStart + x;
                const unsigned char* from = source + p;
                if (pixelCommand == 1)
                    for (std::size_t i = 0; i < n; ++i, from += 2)
                        planes.Put(target + i, from[1], from[0], 31);
                else if (pixelCommand == 2)
                    for (std::size_t i = 0; i < n; ++i, from += 3)
                        planes.Put(target + i, from[1], from[0], from[2]);
                else if (pixelCommand == 6)
                    for (std::size_t i = 0; i < n; ++i)
                        planes.Put(target + i, from[i], 0, 31);
                x += n;
                p += data;
            }
            ++row;
            break;
        }
        default:
            return Damaged("unknown row command " + std::to_string(command) + At(at));
        }
    }
}

SpriteFrame DecodeSprFrame(const SpriteChunk& chunk, const BodyBytes& bytes, const SpriteFrameSpan& span,
                           const PaletteLookup& palettes, std::uint64_t bytesLeft)
{
    SpriteFrame frame;
    constexpr std::size_t kHeader = 8;
    if (span.Offset >= span.End || span.End - span.Offset < kHeader) {
        frame.Reason = span.Offset >= bytes.Size()
                           ? Damaged("its offset " + std::to_string(span.Offset) + " lies past the body of " +
                                     std::to_string(bytes.Size()) + " bytes")
                           : Damaged("its header" + At(span.Offset) + " is cut off");
        return frame;
    }
    const std::uint32_t reserved = bytes.U32(span.Offset);
    frame.Height = static_cast<int>(bytes.U16(span.Offset + 4));
    frame.Width = static_cast<int>(bytes.U16(span.Offset + 6));
    if (reserved != 0 || frame.Width == 0 || frame.Height == 0) {
        Refuse(frame, FrameStatus::fsUnusable,
               reserved != 0 ? "Unusable frame: its reserved field is " + std::to_string(reserved) + ", not 0."
                             : "Unusable frame: its width or height is 0.");
        return frame;
    }
    if (!FitsInMemory(frame, bytesLeft))
        return frame;
    const DrawingPalette palette = PaletteFor(frame, chunk.PaletteID, chunk.PaletteID, palettes);
    std::string reason = DecodeSprCommands(bytes, span.Offset + kHeader, span.End, EmptyPlanes(frame, palette),
                                           frame.Width, frame.Height);
    if (!reason.empty()) {
        Refuse(frame, FrameStatus::fsDamaged, std::move(reason));
        return frame;
    }
    MarkPastPalette(frame, palette);
    frame.Status = FrameStatus::fsDrawn;
    return frame;
}

SpriteFrame DecodeSpr2Frame(const SpriteChunk& chunk, const BodyBytes& bytes, const SpriteFrameSpan& span,
                            const PaletteLookup& palettes, std::uint64_t bytesLeft)
{
    SpriteFrame frame;
    constexpr std::size_t kHeader = 16;
    if (span.Offset >= span.End || span.End - span.Offset < kHeader) {
        frame.Reason = span.Offset >= bytes.Size()
                           ? Damaged("its offset " + std::to_string(span.Offset) + " lies past the body of " +
                                     std::to_string(bytes.Size()) + " bytes")
                           : Damaged("its header" + At(span.Offset) + " is cut off");
        return frame;
    }
    const std::size_t o = span.Offset;
    frame.Width = static_cast<int>(bytes.U16(o));
    frame.Height = static_cast<int>(bytes.U16(o + 2));
    const std::uint32_t flags = bytes.U32(o + 4);
    const auto paletteID = static_cast<std::uint16_t>(bytes.U16(o + 8));
    const std::uint32_t transparent = bytes.U16(o + 10);
    frame.Y = static_cast<std::int16_t>(bytes.U16(o + 12));
    frame.X = static_cast<std::int16_t>(bytes.U16(o + 14));
    if (frame.Width == 0 || frame.Height == 0) {
        Refuse(frame, FrameStatus::fsUnusable, "Unusable frame: its width or height is 0.");
        return frame;
    }
    if (flags != 1 && flags != 3 && flags != 7) {
        Refuse(frame, FrameStatus::fsDamaged, Damaged("its flags are " + std::to_string(flags) + ", not 1, 3 or 7"));
        return frame;
    }
    if (transparent > 255) {
        Refuse(frame, FrameStatus::fsDamaged,
               Damaged("its transparent colour index " + std::to_string(transparent) + " is past 255"));
        return frame;
    }
    if (!FitsInMemory(frame, bytesLeft))
        return frame;
    frame.Flags = flags;
    frame.TransparentIndex = static_cast<std::uint16_t>(transparent);
    const DrawingPalette palette = PaletteFor(frame, paletteID, chunk.PaletteID, palettes);
    std::string reason = DecodeSpr2Commands(bytes, o + kHeader, span.End, EmptyPlanes(frame, palette), frame);
    if (!reason.empty()) {
        Refuse(frame, FrameStatus::fsDamaged, std::move(reason));
        return frame;
    }
    MarkPastPalette(frame, palette);
    frame.Status = FrameStatus::fsDrawn;
    return frame;
}

Picture GreyPicture(const SpriteFrame& frame, const std::vector<std::uint8_t>& plane, bool alpha)
{
    Picture picture;
    if (frame.Status != FrameStatus::fsDrawn || plane.empty())
        return picture;
    picture.Width = frame.Width;
    picture.Height = frame.Height;
    picture.Pixels.resize(plane.size());
    for (std::size_t i = 0; i < plane.size(); ++i) {
        const unsigned level = alpha ? ShownAlpha(plane[i]) : plane[i];
        picture.Pixels[i] = Argb(255, level, level, level);
    }
    return picture;
}

SpriteFrame DecodeFrame(const SpriteChunk& chunk, std::string_view body, std::size_t index,
                        const PaletteLookup& palettes, std::uint64_t bytesLeft)
{
    if (index >= chunk.Frames.size()) {
        SpriteFrame frame;
        frame.Reason = "No frame " + std::to_string(index) + ": the chunk has " + std::to_string(chunk.Frames.size()) + ".";
        return frame;
    }
    SpriteFrameSpan span = chunk.Frames[index];
    span.End = std::min(span.End, body.size());
    const BodyBytes bytes(body, chunk.BigEndian);
    return chunk.Spr2 ? DecodeSpr2Frame(chunk, bytes, span, palettes, bytesLeft)
                      : DecodeSprFrame(chunk, bytes, span, palettes, bytesLeft);
}

} // namespace

bool IsSpriteChunkType(std::string_view type) { return type == "SPR#" || type == "SPR2"; }

bool ReadSpriteChunk(std::string_view type, std::string_view body, SpriteChunk& chunk, std::string& reason)
{
    chunk = SpriteChunk{};
    reason.clear();
    if (!IsSpriteChunkType(type)) {
        reason = "Not a sprite chunk: " + std::string(type) + ".";
        return false;
    }
    if (body.size() < kSpriteHeaderSize) {
        reason = "Damaged sprite chunk: the body of " + std::to_string(body.size()) +
                 " bytes is shorter than its 12-byte header.";
        return false;
    }
    chunk.Spr2 = type == "SPR2";
    // A little-endian SPR# version (below 65536) never starts with two zero bytes.
    chunk.BigEndian = !chunk.Spr2 && body[0] == '\0' && body[1] == '\0';
    const BodyBytes bytes(body, chunk.BigEndian);
    chunk.Version = bytes.U32(0);
    const bool prefixed = chunk.Version == 1001;
    const bool tabled = chunk.Spr2 ? chunk.Version == 1000 : chunk.Version >= 502 && chunk.Version <= 505;
    if (!prefixed && !tabled) {
        reason = "Unsupported sprite chunk: version " + std::to_string(chunk.Version) + " is not known.";
        chunk = SpriteChunk{};
        return false;
    }
    // SPR2 version 1001 has the palette before the count.
    const bool paletteFirst = chunk.Spr2 && prefixed;
    chunk.CountField = bytes.U32(paletteFirst ? 8 : 4);
    chunk.PaletteID = static_cast<std::uint16_t>(bytes.U32(paletteFirst ? 4 : 8));
    if (prefixed) {
        WalkPrefixedFrames(bytes, chunk);
        return true;
    }
    if (!ReadOffsetTable(bytes, chunk, reason)) {
        chunk = SpriteChunk{};
        return false;
    }
    return true;
}

SpriteFrame DecodeSpriteFrame(const SpriteChunk& chunk, std::string_view body, std::size_t index,
                              const PaletteLookup& palettes)
{
    return DecodeFrame(chunk, body, index, palettes, kMaxPictureBytes);
}

std::vector<SpriteFrame> DecodeSpriteFrames(const SpriteChunk& chunk, std::string_view body,
                                            const PaletteLookup& palettes)
{
    std::vector<SpriteFrame> frames;
    frames.reserve(chunk.Frames.size());
    // The frames of one chunk together stay within the limit of one picture.
    std::uint64_t bytesLeft = kMaxPictureBytes;
    for (std::size_t i = 0; i < chunk.Frames.size(); ++i) {
        frames.push_back(DecodeFrame(chunk, body, i, palettes, bytesLeft));
        bytesLeft -= frames.back().Colour.Pixels.size() * std::uint64_t{4};
    }
    return frames;
}

Picture ZPicture(const SpriteFrame& frame) { return GreyPicture(frame, frame.Z, false); }

Picture AlphaPicture(const SpriteFrame& frame) { return GreyPicture(frame, frame.Alpha, true); }

} // namespace kelvo::iff
