#include "components/iff/iff_reader.h"

#include "tests/native/archive/archive_test_support.h"
#include "tools/sample/iff_writer.h"

#include <tuple>

namespace kelvo::iff {
namespace {

using namespace std::string_literals;
using sample::IffChunkImage;
using sample::IffImage;
using Row = std::tuple<std::string, int, int, std::string, std::uint64_t, std::uint32_t>;

std::vector<Row> Summary(const IffListing& listing)
{
    std::vector<Row> out;
    for (const IffChunk& chunk : listing.Chunks)
        out.emplace_back(chunk.Type, chunk.ID, chunk.Flags, chunk.Label, chunk.BodyOffset, chunk.BodySize);
    return out;
}

TEST(IffReader, ListsEveryChunkOfAFileAndReadsTheirBodies)
{
    test::TempDir dir;
    const std::string path = (dir.path() / "object.iff").string(), label(64, 'L'); // no terminating zero
    const std::vector<sample::IffChunkData> chunks{{"STR#", 128, 0x10, "Strings", sample::StringPairsBody({{"Lamp", "name"}, {"Bright", ""}})},
                                                   {"PALT", 65535, 0xFFFF, label, sample::PaletteBody({0xFF0000, 0x00FF80})}, {"BHAV", 4096, 7, "", ""}};
    const std::string image = IffImage(chunks);
    test::WriteBytes(path, "FAR data before" + image + "manifest after"); // as an entry's data inside a larger file
    platform::File file = platform::File::Open(path, platform::File::Mode::Read);
    FileRangeSource source(file, 15, image.size());
    const IffListing listing = ReadChunks(source);
    EXPECT_EQ(std::make_pair(listing.Status, listing.Reason), std::make_pair(IffStatus::isComplete, ""s));
    EXPECT_EQ(Summary(listing), (std::vector<Row>{{"STR#", 128, 16, "Strings", 140, 22}, {"PALT", 65535, 65535, label, 238, 22},
                                                  {"BHAV", 4096, 7, "", 336, 0}}));
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        std::string body = "stale";
        EXPECT_TRUE(ReadBody(source, listing.Chunks[i], body) && body == chunks[i].body) << i;
    }
    test::WriteBytes(path, image);
    FileRangeSource whole(path);
    EXPECT_EQ(Summary(ReadChunks(whole)), Summary(listing));
    EXPECT_FALSE(FileRangeSource((dir.path() / "missing.iff").string()).Valid());
}

TEST(IffReader, RefusesOtherFilesAndStopsAtTheFirstDamagedHeaderKeepingTheChunksBefore)
{
    const std::string v25 = IffImage({}), good = IffImage({{"OBJD", 1, 0, "first", "abc"}});
    const sample::IffChunkData next{"BHAV", 2, 0, "second", "0123456789"};
    const struct { std::string bytes; IffStatus status; std::string reason; } cases[] = {
        {"", IffStatus::isNotRecognised, "Not an IFF 2.5 file: the file is empty."},
        {v25.substr(0, 59), IffStatus::isNotRecognised, "Not an IFF 2.5 file: the file is shorter than the IFF signature."},
        {v25.substr(0, 11) + "0" + v25.substr(12), IffStatus::isNotRecognised, "Not an IFF 2.5 file: the signature names version 2.0."},
        {"FORM\0\0\0\x10OBJD"s + std::string(60, 'x'), IffStatus::isNotRecognised, "Not an IFF 2.5 file: the signature differs."},
        {v25.substr(0, 62), IffStatus::isNotRecognised, "Not an IFF 2.5 file: the file ends inside the IFF header."},
        {good + IffChunkImage(next, 75), IffStatus::isDamaged, "Damaged IFF file: chunk 2 at offset 143 gives the size 75, less than its 76-byte header."},
        {good + IffChunkImage(next, 0xFFFFFFFF), IffStatus::isDamaged, "Damaged IFF file: chunk 2 at offset 143 gives the size 4294967295, past the end of the file."},
        {good + IffChunkImage(next, 87), IffStatus::isDamaged, "Damaged IFF file: chunk 2 at offset 143 gives the size 87, past the end of the file."},
        {good + IffChunkImage(next).substr(0, 40), IffStatus::isDamaged, "Damaged IFF file: the header of chunk 2 at offset 143 is cut off at 40 bytes."},
        {good + IffChunkImage({"rsmp", 0, 0, "", ""}), IffStatus::isComplete, ""}, // a bare 76-byte chunk ends the file
    };
    for (const auto& c : cases) {
        MemorySource source(c.bytes);
        const IffListing listing = ReadChunks(source);
        EXPECT_EQ(std::make_pair(listing.Status, listing.Reason), std::make_pair(c.status, c.reason));
        EXPECT_EQ(listing.Chunks.size(), c.status == IffStatus::isNotRecognised ? 0u : c.status == IffStatus::isDamaged ? 1u : 2u) << c.reason;
    }
}

using S = std::vector<std::tuple<int, int, std::string, std::string>>; // index, language, text, comment

std::optional<S> Decode(const std::string& body, int format = 0, bool languages = false)
{
    StringTable table;
    if (!DecodeStrings(body, table)) {
        EXPECT_TRUE(table.Strings.empty());
        return std::nullopt;
    }
    EXPECT_EQ(std::make_pair(table.Format, table.HasLanguages), std::make_pair(format, languages));
    S out;
    for (const IffString& s : table.Strings)
        out.emplace_back(s.Index, s.Language, s.Text, s.Comment);
    return out;
}

TEST(IffStrings, DecodesEveryFormatAndRefusesBrokenBodies)
{
    const std::string longText(200, 'w'); // 200 = 0x48 + 1 * 128: two length bytes C8 01
    EXPECT_EQ(Decode("\0\0\x02\0\x03One\x00"s), (S{{0, -1, "One", ""}, {1, -1, "", ""}}));
    EXPECT_EQ(Decode("\xFF\xFF\x02\0First\0Caf\xE9\0trailing"s, -1), (S{{0, -1, "First", ""}, {1, -1, "Caf\xE9", ""}}));
    EXPECT_EQ(Decode("\xFE\xFF\x01\0Text\0Comment\0"s, -2), (S{{0, -1, "Text", "Comment"}}));
    EXPECT_EQ(Decode("\xFD\xFF\x02\0\x01Hello\0c1\0\x14Hallo\0\0"s, -3, true), (S{{0, 1, "Hello", "c1"}, {1, 20, "Hallo", ""}}));
    EXPECT_EQ(Decode("\xFC\xFF\x02\x01\0\x00\x02Hi\x01!"s + "\x01\0\x01\xC8\x01"s + longText + "\x00"s, -4, true),
              (S{{0, 0, "Hi", "!"}, {0, 1, longText, ""}}));
    // A code outside -4..0: format 0 with a big-endian count in the first two bytes.
    EXPECT_EQ(Decode("\x00\x02\x01" "A\x02" "BC"s), (S{{0, -1, "A", ""}, {1, -1, "BC", ""}}));
    // No code; count cut off; length past the end; no terminating zero, comment or language byte; two-byte length cut
    // off; 130 bytes announced, 2 there; unknown code, 4660 strings announced.
    for (const std::string& body : {"\xFF"s, "\xFF\xFF\x01"s, "\0\0\x01\0\x05" "abc"s, "\xFF\xFF\x02\0a\0b"s, "\xFE\xFF\x01\0text\0"s, "\xFD\xFF\x01\0"s,
                                    "\xFC\xFF\x01\x01\0\x00\x81"s, "\xFC\xFF\x01\x01\0\x00\x82\x01xy"s, "\x12\x34\x01\x02"s})
        EXPECT_EQ(Decode(body), std::nullopt) << testing::PrintToString(body);
    for (auto [type, strings] : {std::pair{"STR#", true}, {"CTSS", true}, {"TTAs", true}, {"FAMs", true}, {"CATS", true}, {"str#", false}})
        EXPECT_EQ(IsStringChunkType(type), strings) << type;
}

TEST(IffPalette, DecodesTheColoursAndRefusesBadCounts)
{
    std::vector<PaletteColour> colours;
    ASSERT_TRUE(DecodePalette(sample::PaletteBody({0x102030, 0xFFFE00}), colours) && colours.size() == 2u);
    EXPECT_EQ(std::make_tuple(colours[0].Blue, colours[1].Red, colours[1].Green, colours[1].Blue), std::make_tuple(0x30, 255, 254, 0));
    std::string body = sample::PaletteBody(std::vector<std::uint32_t>(256, 0x808080));
    EXPECT_TRUE(DecodePalette(body, colours) && colours.size() == 256u);
    EXPECT_FALSE(DecodePalette(body.substr(0, body.size() - 1), colours)); // last colour cut
    EXPECT_TRUE(colours.empty());
    body[4] = body[5] = 0; // count 0 (256 in the low byte)
    for (const std::string& bad : {body, sample::PaletteBody(std::vector<std::uint32_t>(257, 0)), std::string(15, '\0')}) // 0, 257, header cut
        EXPECT_FALSE(DecodePalette(bad, colours));
}

} // namespace
} // namespace kelvo::iff
