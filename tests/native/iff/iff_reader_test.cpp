#include "components/iff/iff_reader.h"

#include "tests/native/archive/archive_test_support.h"
#include "tools/sample/iff_writer.h"

#include <tuple>

namespace kelvo::iff {
namespace {

using namespace std::string_literals;
using sample::IffChunkData;
using sample::IffChunkImage;
using sample::IffImage;

const std::string kFullLabel(64, 'L'); // no terminating zero

std::vector<IffChunkData> OneOfEachKind()
{
    return {
        {"STR#", 128, 0x10, "Strings", sample::StringPairsBody({{"Lamp", "name"}, {"Bright", ""}})},
        {"BMP_", 100, 0, "", "BM" + std::string(60, '\x01')},
        {"PALT", 65535, 0xFFFF, kFullLabel, sample::PaletteBody({0xFF0000, 0x00FF80})},
        {"BHAV", 4096, 7, "Main", ""},
    };
}

std::vector<std::tuple<std::string, int, int, std::string, std::uint64_t, std::uint32_t>> Summary(const IffListing& listing)
{
    std::vector<std::tuple<std::string, int, int, std::string, std::uint64_t, std::uint32_t>> out;
    for (const IffChunk& chunk : listing.Chunks)
        out.emplace_back(chunk.Type, chunk.ID, chunk.Flags, chunk.Label, chunk.BodyOffset, chunk.BodySize);
    return out;
}

TEST(IffReader, ListsEveryChunkOfAFileAndReadsTheirBodies)
{
    test::TempDir dir;
    const std::string path = (dir.path() / "object.iff").string();
    const auto chunks = OneOfEachKind();
    const std::string image = IffImage(chunks);
    test::WriteBytes(path, image);
    FileRangeSource source(path);
    ASSERT_TRUE(source.Valid());
    const IffListing listing = ReadChunks(source);
    EXPECT_EQ(listing.Status, IffStatus::isComplete);
    EXPECT_EQ(listing.Reason, "");
    const std::uint64_t str = 64 + 76, bmp = str + chunks[0].body.size() + 76, palt = bmp + 62 + 76,
                        bhav = palt + chunks[2].body.size() + 76;
    using Row = std::tuple<std::string, int, int, std::string, std::uint64_t, std::uint32_t>;
    EXPECT_EQ(Summary(listing), (std::vector<Row>{{"STR#", 128, 16, "Strings", str, 22},
                                                  {"BMP_", 100, 0, "", bmp, 62},
                                                  {"PALT", 65535, 65535, kFullLabel, palt, 22},
                                                  {"BHAV", 4096, 7, "Main", bhav, 0}}));
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        std::string body = "stale";
        ASSERT_TRUE(ReadBody(source, listing.Chunks[i], body));
        EXPECT_EQ(body, chunks[i].body) << i;
    }
    // The same file as an entry's data inside a larger file.
    test::WriteBytes(path, "FAR data before" + image + "manifest after");
    platform::File file = platform::File::Open(path, platform::File::Mode::Read);
    FileRangeSource entry(file, 15, image.size());
    EXPECT_EQ(Summary(ReadChunks(entry)), Summary(listing));
    std::string body;
    ASSERT_TRUE(ReadBody(entry, listing.Chunks[2], body));
    EXPECT_EQ(body, chunks[2].body);
    EXPECT_FALSE(FileRangeSource((dir.path() / "missing.iff").string()).Valid());
}

TEST(IffReader, StopsAtTheFirstDamagedHeaderAndKeepsTheChunksBefore)
{
    const std::string good = IffImage({{"OBJD", 1, 0, "first", "abc"}});
    const IffChunkData next{"BHAV", 2, 0, "second", "0123456789"};
    const struct {
        std::string bytes;
        std::string reason;
    } cases[] = {
        {good + IffChunkImage(next, 75), "Damaged IFF file: chunk 2 at offset 143 gives the size 75, less than its 76-byte header."},
        {good + IffChunkImage(next, 0), "Damaged IFF file: chunk 2 at offset 143 gives the size 0, less than its 76-byte header."},
        {good + IffChunkImage(next, 87), "Damaged IFF file: chunk 2 at offset 143 gives the size 87, past the end of the file."},
        {good + IffChunkImage(next, 0xFFFFFFFF), "Damaged IFF file: chunk 2 at offset 143 gives the size 4294967295, past the end of the file."},
        {good + IffChunkImage(next).substr(0, 40), "Damaged IFF file: the header of chunk 2 at offset 143 is cut off at 40 bytes."},
    };
    for (const auto& c : cases) {
        MemorySource source(c.bytes);
        const IffListing listing = ReadChunks(source);
        EXPECT_EQ(listing.Status, IffStatus::isDamaged);
        EXPECT_EQ(listing.Reason, c.reason);
        ASSERT_EQ(listing.Chunks.size(), 1u) << c.reason;
        EXPECT_EQ(listing.Chunks[0].Label, "first");
    }
    // A chunk exactly 76 bytes long (no body) ending the file is sound.
    const std::string exact = good + IffChunkImage({"rsmp", 0, 0, "", ""});
    MemorySource source(exact);
    EXPECT_EQ(ReadChunks(source).Status, IffStatus::isComplete);
}

TEST(IffReader, RecognisesOnlyTheVersionTwoPointFiveSignature)
{
    const std::string v25 = IffImage({});
    std::string v20 = v25;
    v20[11] = '0';
    const struct {
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"", "Not an IFF 2.5 file: the file is empty."},
        {v25.substr(0, 59), "Not an IFF 2.5 file: the file is shorter than the IFF signature."},
        {v20, "Not an IFF 2.5 file: the signature names version 2.0."},
        {"FORM\0\0\0\x10OBJD"s + std::string(60, 'x'), "Not an IFF 2.5 file: the signature differs."},
        {v25.substr(0, 62), "Not an IFF 2.5 file: the file ends inside the IFF header."},
    };
    for (const auto& c : cases) {
        MemorySource source(c.bytes);
        const IffListing listing = ReadChunks(source);
        EXPECT_EQ(listing.Status, IffStatus::isNotRecognised) << c.reason;
        EXPECT_EQ(listing.Reason, c.reason);
        EXPECT_TRUE(listing.Chunks.empty());
    }
    MemorySource empty(v25);
    const IffListing listing = ReadChunks(empty);
    EXPECT_EQ(listing.Status, IffStatus::isComplete);
    EXPECT_TRUE(listing.Chunks.empty());
}

struct Decoded {
    int format;
    bool languages;
    std::vector<std::tuple<int, int, std::string, std::string>> strings;
    bool operator==(const Decoded&) const = default;
};

std::optional<Decoded> Decode(const std::string& body)
{
    StringTable table;
    if (!DecodeStrings(body, table)) {
        EXPECT_TRUE(table.Strings.empty());
        return std::nullopt;
    }
    Decoded out{table.Format, table.HasLanguages, {}};
    for (const IffString& s : table.Strings)
        out.strings.emplace_back(s.Index, s.Language, s.Text, s.Comment);
    return out;
}

TEST(IffStrings, DecodesEveryFormat)
{
    const std::string longText(200, 'w'); // 200 = 0x48 + 1 * 128: two length bytes C8 01
    const struct {
        std::string body;
        Decoded expected;
    } cases[] = {
        {"\0\0\x02\0\x03One\x00"s, {0, false, {{0, -1, "One", ""}, {1, -1, "", ""}}}},
        {"\xFF\xFF\x02\0First\0Caf\xE9\0"s, {-1, false, {{0, -1, "First", ""}, {1, -1, "Caf\xE9", ""}}}},
        {"\xFE\xFF\x01\0Text\0Comment\0"s, {-2, false, {{0, -1, "Text", "Comment"}}}},
        {"\xFD\xFF\x02\0\x01Hello\0c1\0\x14Hallo\0\0"s, {-3, true, {{0, 1, "Hello", "c1"}, {1, 20, "Hallo", ""}}}},
        {"\xFC\xFF\x02\x01\0\x00\x02Hi\x01!"s + "\x01\0\x01\xC8\x01"s + longText + "\x00"s,
         {-4, true, {{0, 0, "Hi", "!"}, {0, 1, longText, ""}}}},
        // A code outside -4..0: format 0 with a big-endian count in the first two bytes.
        {"\x00\x02\x01" "A\x02" "BC"s, {0, false, {{0, -1, "A", ""}, {1, -1, "BC", ""}}}},
        {"\x00\x01\x03" "Odd"s, {0, false, {{0, -1, "Odd", ""}}}},
        // Bytes after the last string are allowed.
        {"\xFF\xFF\x01\0a\0trailing"s, {-1, false, {{0, -1, "a", ""}}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.body), c.expected) << testing::PrintToString(c.body);

    const std::string broken[] = {
        "", "\xFF",                          // no code
        "\xFF\xFF\x01",                      // count cut off
        "\0\0\x01\0\x05" "abc"s,             // length past the end
        "\xFF\xFF\x02\0a\0b"s,               // no terminating zero
        "\xFE\xFF\x01\0text\0"s,             // comment missing
        "\xFD\xFF\x01\0"s,                   // language byte missing
        "\xFC\xFF\x01\x01\0\x00\x81"s,       // two-byte length cut off
        "\xFC\xFF\x01\x01\0\x00\x82\x01xy"s, // 130 bytes announced, 2 there
        "\x12\x34\x01\x02"s,                 // unknown code, 4660 strings announced
    };
    for (const std::string& body : broken)
        EXPECT_EQ(Decode(body), std::nullopt) << testing::PrintToString(body);
    for (const char* type : {"STR#", "CTSS", "TTAs", "FAMs", "CATS"})
        EXPECT_TRUE(IsStringChunkType(type)) << type;
    for (const char* type : {"str#", "BHAV", "TTAB", ""})
        EXPECT_FALSE(IsStringChunkType(type)) << type;
}

TEST(IffPalette, DecodesTheColoursAndRefusesBadCounts)
{
    std::vector<PaletteColour> colours;
    ASSERT_TRUE(DecodePalette(sample::PaletteBody({0x102030, 0xFFFE00}), colours));
    ASSERT_EQ(colours.size(), 2u);
    EXPECT_EQ(std::make_tuple(colours[1].Red, colours[1].Green, colours[1].Blue), std::make_tuple(255, 254, 0));
    EXPECT_EQ(colours[0].Blue, 0x30);
    std::string body = sample::PaletteBody(std::vector<std::uint32_t>(256, 0x808080));
    EXPECT_TRUE(DecodePalette(body, colours));
    EXPECT_EQ(colours.size(), 256u);
    EXPECT_FALSE(DecodePalette(body.substr(0, body.size() - 1), colours)); // last colour cut
    EXPECT_TRUE(colours.empty());
    body[4] = 0; // count 0 (256 in the low byte)
    body[5] = 0;
    EXPECT_FALSE(DecodePalette(body, colours));
    EXPECT_FALSE(DecodePalette(sample::PaletteBody(std::vector<std::uint32_t>(257, 0)), colours));
    EXPECT_FALSE(DecodePalette(std::string(15, '\0'), colours));
}

} // namespace
} // namespace kelvo::iff
