#include "tests/native/cli/test_support.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sprite_writer.h"

namespace kelvo::cli {
namespace {

using namespace std::string_literals;
using namespace kelvo::test;

// Every chunks and strings run: its exit code, output and error; what was read before damage is kept.
TEST(IffCommands, ChunksAndStringsListOneLinePerChunkOrStringAndFailWithOneLine)
{
    ScratchFolder scratch;
    WriteBytes("sample.far", sample::FarImage(sample::SampleFiles()));
    std::string sprites;
    for (const sample::IffChunkData& chunk : sample::LampSpriteChunks())
        sprites += chunk.type + "\t" + std::to_string(chunk.id) + "\t0\t" + std::to_string(chunk.body.size()) + "\t" +
                   chunk.label + "\n";
    const std::string languages = sample::IffImage({
        {"CTSS", 2000, 0, "Tab\there", "\xFD\xFF\x02\0\x01Line one\r\nline two\0back\\slash\0\x03" "Caf\xE9\0\0"s},
        {"STR#", 7, 0, "", "\xFF\xFF\x01\0only\0"s}});
    const std::string good = sample::IffImage({{"STR#", 1, 0, "s", "\0\0\x01\0\x02hi"s}, {"BHAV", 2, 0, "b", "xy"}});
    const std::string badStrings = sample::IffImage({{"STR#", 9, 0, "", "\xFF\xFF\x05\0"s}, {"STR#", 1, 0, "", "\0\0\x01\0\x01x"s}});
    WriteBytes("a.far", sample::FarImage({{"text.txt", "plain text, not an IFF"}, {"languages.iff", languages},
                                          {"damaged.iff", good + sample::IffChunkImage({"OBJD", 3, 0, "", "abc"}, 500)},
                                          {"strings.iff", badStrings}}));
    const std::string damaged = "kelvo-far: damaged.iff: Damaged IFF file: chunk 3 at offset 225 gives the size 500, past the end of the file.\n";
    const struct {
        std::vector<std::string> args;
        Output expected;
    } cases[] = {
        {{"chunks", "sample.far", "UserObjects\\Lamp.iff"},
         {0, "STR#\t128\t16\t127\tLamp strings\nBMP_\t100\t0\t" + std::to_string(sample::HouseBmpRle8().size()) +
                 "\tLamp thumbnail\nPALT\t1\t0\t208\tLamp palette\nBHAV\t4096\t0\t16\tTurn On - main\n" + sprites, ""}},
        {{"strings", "sample.far", "UserObjects\\Lamp.iff"},
         {0, "STR#\t128\t0\t\tFloor Lamp\tcatalog name\n"
             "STR#\t128\t1\t\tTall and bright, it lights a room at night.\tcatalog description\n"
             "STR#\t128\t2\t\tTurn On\tpie menu\nSTR#\t128\t3\t\tTurn Off\tpie menu\n", ""}},
        // Languages printed; each string kept on one line.
        {{"chunks", "a.far", "languages.iff"}, {0, "CTSS\t2000\t0\t42\tTab\\there\nSTR#\t7\t0\t9\t\n", ""}},
        {{"strings", "a.far", "languages.iff"}, {0, "CTSS\t2000\t0\t1\tLine one\\r\\nline two\tback\\\\slash\n"
                                                    "CTSS\t2000\t1\t3\tCaf\xE9\t\nSTR#\t7\t0\t\tonly\t\n", ""}},
        {{"chunks", "a.far", "missing.iff"}, {1, "", "kelvo-far: no such entry in a.far: missing.iff\n"}},
        {{"strings", "none.far", "x.iff"}, {1, "", "kelvo-far: no such archive: none.far\n"}},
        {{"chunks", "a.far", "text.txt"}, {1, "", "kelvo-far: text.txt: Not an IFF 2.5 file: the file is shorter than the IFF signature.\n"}},
        {{"chunks", "a.far", "damaged.iff"}, {1, "STR#\t1\t0\t7\ts\nBHAV\t2\t0\t2\tb\n", damaged}},
        {{"strings", "a.far", "damaged.iff"}, {1, "STR#\t1\t0\t\thi\t\n", damaged}},
        {{"strings", "a.far", "strings.iff"},
         {1, "STR#\t1\t0\t\tx\t\n", "kelvo-far: strings.iff: STR# chunk 9 does not hold a readable string table\n"}},
        {{"chunks", "a.far"}, {2, "", ""}},
        {{"strings", "a.far", "x", "y"}, {2, "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        Output output = Far(c.args);
        if (c.expected.code == 2)
            output.err.clear(); // the usage text
        EXPECT_EQ(std::tie(output.code, output.out, output.err), std::tie(c.expected.code, c.expected.out, c.expected.err));
    }
}

TEST(IffCommands, SpriteWritesEveryFrameAsABitmapWithAlpha)
{
    ScratchFolder scratch;
    // SPR2 5 has two frames; the SPR# of the same ID is passed over. The pixels are checked with the sprite reader.
    sample::SpriteFrameData first{.width = 2, .height = 2, .index = {1, -1, 3, 2}, .z = {0, 0, 5, 9}, .alpha = {31, 0, 16, 31}, .flags = 7, .palette = 1};
    const auto dot = [](int index, std::uint16_t palette = 0) {
        return sample::SpriteFrameData{.width = 1, .height = 1, .index = {index}, .palette = palette};
    };
    const std::string damaged = sample::SprFrame(dot(1)).substr(0, 8) + "\x00\x00\x07\x01\x05\x00"s;
    const std::string iff = sample::IffImage({
        {"PALT", 1, 0, "", sample::PaletteBody({0x000000, 0xFF0000, 0x00FF00, 0x0000FF})},
        {"SPR#", 5, 0, "", sample::SprBody(505, 1, {sample::SprFrame(dot(1))})},
        {"SPR2", 5, 0, "", sample::Spr2Body(1000, 1, {sample::Spr2Frame(first), sample::Spr2Frame(dot(2, 1))})},
        {"SPR#", 7, 0, "", sample::SprBody(505, 1, {sample::SprFrame(dot(3)), damaged})},
    });
    WriteBytes("a.far", sample::FarImage({{"Objects\\s.iff", iff}, {"text.txt", "plain"}}));
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out, errStart;
        std::vector<std::string> files;
    } cases[] = {
        {{"Objects\\s.iff", "5", "out"}, 0, "2 frames written.\n", "",
         {"out/5_0.bmp", "out/5_1.bmp"}},
        {{"Objects\\s.iff", "7", "out/"}, 1, "1 frames written.\n", "kelvo-far: Objects\\s.iff: SPR# chunk 7 frame 1: ",
         {"out/7_0.bmp"}},
        {{"Objects\\s.iff", "9", "out"}, 1, "", "kelvo-far: Objects\\s.iff: no SPR2 or SPR# chunk 9\n", {}},
        {{"text.txt", "5", "out"}, 1, "", "kelvo-far: text.txt: Not an IFF 2.5 file", {}},
        {{"Objects\\s.iff", "5x", "out"}, 2, "", "kelvo-far: chunk ID not a number from 0 to 65535: 5x\n", {}},
        {{"Objects\\s.iff", "65536", "out"}, 2, "", "kelvo-far: chunk ID not a number from 0 to 65535: 65536\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        std::filesystem::remove_all("out");
        std::vector<std::string> args{"sprite", "a.far"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Output output = Far(args);
        EXPECT_EQ(std::tie(output.code, output.out), std::tie(c.code, c.out)) << output.err;
        EXPECT_EQ(output.err.substr(0, c.errStart.size()), c.errStart);
        EXPECT_EQ(output.err.empty(), c.errStart.empty()) << output.err;
        for (const std::string& name : c.files)
            EXPECT_EQ(ReadBytes(name).substr(0, 2), "BM") << name;
    }
    EXPECT_EQ(Far({"sprite", "a.far", "Objects\\s.iff", "5"}).code, 2);
}

} // namespace
} // namespace kelvo::cli
