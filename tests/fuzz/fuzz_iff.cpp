// libFuzzer target for the IFF reader: chunks lie back to back inside the file, and every body decodes or is refused without reading
// outside it.
#include "components/iff/iff_reader.h"
#include "tests/fuzz/fuzz_check.h"

using kelvo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvo::iff;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemorySource source(bytes);
    const IffListing listing = ReadChunks(source);
    Check(listing.Status == IffStatus::isComplete || !listing.Reason.empty(), "early stop without a reason");
    Check(listing.Status != IffStatus::isNotRecognised || listing.Chunks.empty(), "chunks of an unrecognised file");
    std::uint64_t next = kFileHeaderSize;
    for (const IffChunk& chunk : listing.Chunks) {
        Check(chunk.Offset == next && chunk.BodyOffset == next + kChunkHeaderSize, "chunk not where the last ended");
        Check(chunk.Type.size() == 4 && chunk.Label.size() <= 64, "header fields");
        next = chunk.BodyOffset + chunk.BodySize;
        Check(next <= size, "chunk past the end");
        std::string body;
        Check(ReadBody(source, chunk, body) && body == bytes.substr(chunk.BodyOffset, chunk.BodySize), "body");
        StringTable table;
        if (DecodeStrings(body, table))
            for (const IffString& string : table.Strings)
                Check(string.Text.size() + string.Comment.size() <= body.size(), "string longer than its chunk");
        std::vector<PaletteColour> colours;
        Check(!DecodePalette(body, colours) || (!colours.empty() && colours.size() <= 256), "palette size");
    }
    Check(listing.Status != IffStatus::isComplete || size < kFileHeaderSize || next == size, "complete listing short of the end");
    return 0;
}
