#include "cli/far_cli.h"

#include "tests/native/cli/test_support.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sprite_writer.h"

#include <sstream>

namespace kelvo::cli {
namespace {

using namespace std::string_literals;
using namespace kelvo::test;

Output Far(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int code = RunKelvoFar(args, out, err);
    return {code, out.str(), err.str()};
}

TEST(IffCommands, ListTheChunksAndStringsOfTheSampleObject)
{
    ScratchFolder scratch;
    WriteBytes("sample.far", sample::FarImage(sample::SampleFiles()));
    const Output chunks = Far({"chunks", "sample.far", "UserObjects\\Lamp.iff"});
    EXPECT_EQ(chunks.code, 0) << chunks.err;
    EXPECT_EQ(chunks.err, "");
    std::string sprites;
    for (const sample::IffChunkData& chunk : sample::LampSpriteChunks())
        sprites += chunk.type + "\t" + std::to_string(chunk.id) + "\t0\t" + std::to_string(chunk.body.size()) + "\t" +
                   chunk.label + "\n";
    EXPECT_EQ(chunks.out, "STR#\t128\t16\t127\tLamp strings\n"
                          "BMP_\t100\t0\t" + std::to_string(sample::HouseBmpRle8().size()) + "\tLamp thumbnail\n"
                          "PALT\t1\t0\t208\tLamp palette\n"
                          "BHAV\t4096\t0\t16\tTurn On - main\n" + sprites);
    const Output strings = Far({"strings", "sample.far", "UserObjects\\Lamp.iff"});
    EXPECT_EQ(strings.code, 0) << strings.err;
    EXPECT_EQ(strings.out, "STR#\t128\t0\t\tFloor Lamp\tcatalog name\n"
                           "STR#\t128\t1\t\tTall and bright, it lights a room at night.\tcatalog description\n"
                           "STR#\t128\t2\t\tTurn On\tpie menu\n"
                           "STR#\t128\t3\t\tTurn Off\tpie menu\n");
}

TEST(IffCommands, PrintLanguagesAndKeepEachStringOnOneLine)
{
    ScratchFolder scratch;
    const std::string iff = sample::IffImage({
        {"CTSS", 2000, 0, "Tab\there", "\xFD\xFF\x02\0\x01Line one\r\nline two\0back\\slash\0\x03" "Caf\xE9\0\0"s},
        {"STR#", 7, 0, "", "\xFF\xFF\x01\0only\0"s},
    });
    WriteBytes("a.far", sample::FarImage({{"Objects\\a.iff", iff}}));
    EXPECT_EQ(Far({"chunks", "a.far", "Objects\\a.iff"}).out, "CTSS\t2000\t0\t42\tTab\\there\nSTR#\t7\t0\t9\t\n");
    const Output strings = Far({"strings", "a.far", "Objects\\a.iff"});
    EXPECT_EQ(strings.code, 0);
    EXPECT_EQ(strings.out, "CTSS\t2000\t0\t1\tLine one\\r\\nline two\tback\\\\slash\n"
                           "CTSS\t2000\t1\t3\tCaf\xE9\t\n"
                           "STR#\t7\t0\t\tonly\t\n");
}

TEST(IffCommands, FailWithOneLineAndKeepWhatWasReadBeforeDamage)
{
    ScratchFolder scratch;
    const std::string good = sample::IffImage({{"STR#", 1, 0, "s", "\0\0\x01\0\x02hi"s}, {"BHAV", 2, 0, "b", "xy"}});
    const std::string damaged = good + sample::IffChunkImage({"OBJD", 3, 0, "", "abc"}, 500);
    const std::string badStrings = sample::IffImage({{"STR#", 9, 0, "", "\xFF\xFF\x05\0"s}, {"STR#", 1, 0, "", "\0\0\x01\0\x01x"s}});
    WriteBytes("a.far", sample::FarImage({{"text.txt", "plain text, not an IFF"},
                                          {"damaged.iff", damaged},
                                          {"strings.iff", badStrings}}));
    const struct {
        std::vector<std::string> args;
        Output expected;
    } cases[] = {
        {{"chunks", "a.far", "missing.iff"}, {1, "", "kelvo-far: no such entry in a.far: missing.iff\n"}},
        {{"strings", "none.far", "x.iff"}, {1, "", "kelvo-far: no such archive: none.far\n"}},
        {{"chunks", "a.far", "text.txt"}, {1, "", "kelvo-far: text.txt: Not an IFF 2.5 file: the file is shorter than the IFF signature.\n"}},
        {{"chunks", "a.far", "damaged.iff"},
         {1, "STR#\t1\t0\t7\ts\nBHAV\t2\t0\t2\tb\n",
          "kelvo-far: damaged.iff: Damaged IFF file: chunk 3 at offset 225 gives the size 500, past the end of the file.\n"}},
        {{"strings", "a.far", "damaged.iff"},
         {1, "STR#\t1\t0\t\thi\t\n",
          "kelvo-far: damaged.iff: Damaged IFF file: chunk 3 at offset 225 gives the size 500, past the end of the file.\n"}},
        {{"strings", "a.far", "strings.iff"},
         {1, "STR#\t1\t0\t\tx\t\n", "kelvo-far: strings.iff: STR# chunk 9 does not hold a readable string table\n"}},
    };
    for (const auto& c : cases) {
        const Output output = Far(c.args);
        EXPECT_EQ(std::tie(output.code, output.out, output.err), std::tie(c.expected.code, c.expected.out, c.expected.err))
            << c.args[0] << " " << c.args[2];
    }
    EXPECT_EQ(Far({"chunks", "a.far"}).code, 2);
    EXPECT_EQ(Far({"strings", "a.far", "x", "y"}).code, 2);
}

} // namespace
} // namespace kelvo::cli
