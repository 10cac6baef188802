#include "cli/far_cli.h"

#include "tests/native/cli/test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kelvo::cli {
namespace {

using namespace std::string_literals;
using test::CraftArchive;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;
namespace fs = std::filesystem;

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result Far(std::vector<std::string> args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunKelvoFar(args, out, err);
    return {code, out.str(), err.str()};
}

std::vector<std::string> EntryNames(const std::string& archivePath)
{
    TFarArchive archive;
    EXPECT_TRUE(archive.Open(archivePath));
    std::vector<std::string> names;
    for (const TFarEntry& entry : archive.Entries)
        names.push_back(entry.Name);
    return names;
}

TEST(EntryNames, PathsBecomeBackslashNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a/b.txt", "a\\b.txt"},  {"./a/b.txt", "a\\b.txt"}, {".\\a", "a"},    {"././a", "a"},
        {".//a", "a"},            {"dir/", "dir"},           {"dir//", "dir"},  {".", ""},
        {"./", ""},               {"../x", "..\\x"},         {"/abs/x", "\\abs\\x"}, {"/", "\\"},
        {"C:\\", "C:\\"},         {"a.b/./c", "a.b\\.\\c"},  {".hidden", ".hidden"},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(EntryNameForPath(path), name) << path;
}

TEST(EntryNames, FarFilesAreKnownByTheirEnding)
{
    for (const char* name : {"x.far", "X.FAR", "x.Far", ".far", "a.b.fAr"})
        EXPECT_TRUE(IsFarFileName(name)) << name;
    for (const char* name : {"far", "xfar", "x.far.txt", "x.fa", "x.fbr", ""})
        EXPECT_FALSE(IsFarFileName(name)) << name;
}

TEST(Usage, WrongCommandLinesExitWithTwoAndTheUsage)
{
    const std::vector<std::vector<std::string>> wrong = {
        {"list"},           {"list", "a", "b"},     {"extract", "a"}, {"create", "a"},
        {"add", "a"},       {"delete", "a"},        {"verify"},       {"verify", "a", "b"},
    };
    for (const auto& args : wrong) {
        Result r = Far(args);
        EXPECT_EQ(r.code, 2) << args[0];
        EXPECT_EQ(r.err.rfind("kelvo-far: wrong number of arguments: " + args[0] + "\nusage: kelvo-far list", 0), 0u)
            << r.err;
        EXPECT_EQ(r.out, "");
    }
    Result none = Far({});
    EXPECT_EQ(none.code, 2);
    EXPECT_EQ(none.err.rfind("kelvo-far: no command given\nusage:", 0), 0u);
    Result unknown = Far({"lsit", "x.far"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(unknown.err.rfind("kelvo-far: unknown command: lsit\n", 0), 0u);
    Result help = Far({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("kelvo-far verify ARCHIVE"), std::string::npos);
}

TEST(List, PrintsHeaderLinesThenOneTabbedLinePerEntry)
{
    ScratchFolder scratch;
    // Foreign signature and version are shown as read; a name is shown up to
    // its first zero byte; sizes that differ are both shown.
    WriteFile("odd.far", CraftArchive("abcdefgh", {{3, 9, 16, "Dir\\a.txt"}, {0, 0, 19, "x\0hidden"s},
                                                   {5, 5, 19, "\xE9t\xE9.bmp"}},
                                      "ABCD\0FGH"s, 7));
    Result r = Far({"list", "odd.far"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "FAR Header: ABCD\n"
                     "Version: 7\n"
                     "Directory offset: 24\n"
                     "Number of Entries: 3\n"
                     "0\t3\t9\t16\tDir\\a.txt\n"
                     "1\t0\t0\t19\tx\n"
                     "2\t5\t5\t19\t\xE9t\xE9.bmp\n");
    EXPECT_EQ(r.err, "");
}

TEST(List, ShowsANegativeCountAsReadWithNoEntries)
{
    ScratchFolder scratch;
    std::string bytes = CraftArchive("", {});
    bytes.replace(16, 4, "\xFB\xFF\xFF\xFF"s);
    WriteFile("neg.far", bytes);
    Result r = Far({"list", "neg.far"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "FAR Header: FAR!byAZ\nVersion: 1\nDirectory offset: 16\nNumber of Entries: -5\n");
}

TEST(List, MissingOrBrokenArchivesFailWithOneLine)
{
    ScratchFolder scratch;
    Result missing = Far({"list", "nothere.far"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "kelvo-far: no such archive: nothere.far\n");
    EXPECT_EQ(missing.out, "");

    std::string bytes = CraftArchive("data", {{4, 4, 16, "name.txt"}});
    WriteFile("cut.far", bytes.substr(0, bytes.size() - 3)); // manifest cut inside the name
    Result cut = Far({"list", "cut.far"});
    EXPECT_EQ(cut.code, 1);
    EXPECT_EQ(cut.err, "kelvo-far: cannot open or read archive: cut.far\n");
    EXPECT_EQ(cut.out, "");
}

// A tree whose walk order tells files-before-folders and byte order apart.
void MakeWalkTree()
{
    WriteFile("b.txt", "bb");
    WriteFile("A.txt", "a");
    WriteFile("z", "zzz");
    WriteFile("a.far", "skipped");
    WriteFile("Z.FAR", "skipped");
    WriteFile("sub/x.Far", "skipped");
    WriteFile("sub/zz.txt", "zz");
    WriteFile("sub/c.txt", "c");
    WriteFile("sub/deeper/d.txt", "d");
    WriteFile("Sub/e.txt", "e");
    fs::create_directories("sub/empty");
}

TEST(Create, WalksFoldersDepthFirstFilesFirstInByteOrderSkippingFarFiles)
{
    ScratchFolder scratch;
    MakeWalkTree();
    Result r = Far({"create", "out.far", "."});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(EntryNames("out.far"),
              (std::vector<std::string>{"A.txt", "b.txt", "z", "Sub\\e.txt", "sub\\c.txt", "sub\\zz.txt",
                                        "sub\\deeper\\d.txt"}));

    // Paths name their entries as given, in the order given.
    r = Far({"create", "two.far", "./sub/", "A.txt", "sub/deeper/d.txt"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(EntryNames("two.far"), (std::vector<std::string>{"sub\\c.txt", "sub\\zz.txt", "sub\\deeper\\d.txt",
                                                               "A.txt", "sub\\deeper\\d.txt"}));
    // An explicitly named FAR file is added like any other file.
    r = Far({"create", "three.far", "a.far"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(EntryNames("three.far"), std::vector<std::string>{"a.far"});
}

TEST(Create, ReplacesAnExistingArchive)
{
    ScratchFolder scratch;
    WriteFile("one.txt", "1");
    WriteFile("out.far", "not an archive at all");
    ASSERT_EQ(Far({"create", "out.far", "one.txt"}).code, 0);
    EXPECT_EQ(EntryNames("out.far"), std::vector<std::string>{"one.txt"});
}

TEST(Create, APathThatCannotBeAddedFailsAndWritesNothing)
{
    ScratchFolder scratch;
    WriteFile("one.txt", "1");
    Result missing = Far({"create", "out.far", "one.txt", "nothere.txt"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "kelvo-far: no such file or folder: nothere.txt\n");
    EXPECT_FALSE(fs::exists("out.far"));

    // Sizes are 32-bit: a file of 4 GiB cannot be an entry. (Sparse: no disk used.)
    {
        std::ofstream("big.bin");
    }
    fs::resize_file("big.bin", 0x100000000ull);
    Result big = Far({"create", "out.far", "big.bin"});
    EXPECT_EQ(big.code, 1);
    EXPECT_EQ(big.err, "kelvo-far: file of 4 GiB or more: big.bin\n");
    EXPECT_FALSE(fs::exists("out.far"));

    // A file that fits its size field but not a 2 GiB archive fails at the save.
    fs::resize_file("big.bin", 0xC0000000ull);
    Result tooLarge = Far({"create", "out.far", "big.bin"});
    EXPECT_EQ(tooLarge.code, 1);
    EXPECT_EQ(tooLarge.err, "kelvo-far: cannot write archive: out.far\n");
    EXPECT_FALSE(fs::exists("out.far"));
}

TEST(Create, NamesOverTheLimitFailWhetherGivenOrFoundByTheWalk)
{
    ScratchFolder scratch;
    std::string folder = "deep";
    for (int i = 0; i < 9; ++i)
        folder += "/" + std::string(220, static_cast<char>('a' + i));
    const std::string file = folder + "/" + std::string(100, 'f'); // 2094 bytes in all
    WriteFile(file, "x");
    std::string name = file;
    std::replace(name.begin(), name.end(), '/', '\\');

    Result given = Far({"create", "out.far", file});
    EXPECT_EQ(given.code, 1);
    EXPECT_EQ(given.err, "kelvo-far: name longer than 2047 bytes: " + name + "\n");
    Result walked = Far({"create", "out.far", "deep"});
    EXPECT_EQ(walked.code, 1);
    EXPECT_EQ(walked.err, "kelvo-far: name longer than 2047 bytes: " + name + "\n");
    EXPECT_FALSE(fs::exists("out.far"));
}

TEST(Create, AFolderLinkedToItsParentEndsInAnError)
{
    ScratchFolder scratch;
    WriteFile("loop/a.txt", "a");
    fs::create_directory_symlink("..", "loop/back");
    Result r = Far({"create", "out.far", "loop"});
    // The walk ends where the name grows too long or the system stops
    // following the links, whichever comes first.
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind("kelvo-far: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(": loop\\back\\loop\\back\\loop"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("out.far"));
}

TEST(AddAndDelete, ChangeTheArchiveInPlace)
{
    ScratchFolder scratch;
    WriteFile("a.txt", "aaa");
    WriteFile("b.txt", "bb");
    WriteFile("dir/c.txt", "c");
    ASSERT_EQ(Far({"create", "x.far", "a.txt", "b.txt"}).code, 0);
    ASSERT_EQ(Far({"add", "x.far", "dir", "a.txt"}).code, 0);
    EXPECT_EQ(EntryNames("x.far"), (std::vector<std::string>{"a.txt", "b.txt", "dir\\c.txt", "a.txt"}));

    // Every entry of a name goes.
    Result r = Far({"delete", "x.far", "a.txt"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(EntryNames("x.far"), (std::vector<std::string>{"b.txt", "dir\\c.txt"}));
    r = Far({"list", "x.far"});
    EXPECT_EQ(r.out, "FAR Header: FAR!byAZ\nVersion: 1\nDirectory offset: 19\nNumber of Entries: 2\n"
                     "0\t2\t2\t16\tb.txt\n1\t1\t1\t18\tdir\\c.txt\n");

    ASSERT_EQ(Far({"delete", "x.far", "b.txt", "dir\\c.txt"}).code, 0);
    EXPECT_EQ(ReadFile("x.far"), CraftArchive("", {}));
}

TEST(AddAndDelete, FailuresLeaveTheArchiveAsItWas)
{
    ScratchFolder scratch;
    WriteFile("a.txt", "aaa");
    ASSERT_EQ(Far({"create", "x.far", "a.txt"}).code, 0);
    const std::string before = ReadFile("x.far");

    Result add = Far({"add", "x.far", "a.txt", "nothere"});
    EXPECT_EQ(add.code, 1);
    EXPECT_EQ(add.err, "kelvo-far: no such file or folder: nothere\n");
    Result del = Far({"delete", "x.far", "a.txt", "A.TXT"});
    EXPECT_EQ(del.code, 1);
    EXPECT_EQ(del.err, "kelvo-far: no such entry in x.far: A.TXT\n");
    EXPECT_EQ(ReadFile("x.far"), before);

    Result noArchive = Far({"add", "y.far", "a.txt"});
    EXPECT_EQ(noArchive.code, 1);
    EXPECT_EQ(noArchive.err, "kelvo-far: no such archive: y.far\n");
    EXPECT_FALSE(fs::exists("y.far"));
    // Nothing but the archive itself is left in the folder: no temporary files.
    int files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator("."))
        ++files;
    EXPECT_EQ(files, 2);
}

TEST(Extract, WritesEveryEntryOrTheNamedOnesBelowTheFolder)
{
    ScratchFolder scratch;
    WriteFile("x.far", CraftArchive("hello!", {{5, 5, 16, "Dir\\one.txt"}, {1, 1, 21, "two.txt"},
                                               {0, 0, 22, "Dir\\Sub\\empty"}}));
    Result all = Far({"extract", "x.far", "out/all"});
    ASSERT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(all.out, "3 files extracted.\n");
    EXPECT_EQ(ReadFile("out/all/Dir/one.txt"), "hello");
    EXPECT_EQ(ReadFile("out/all/two.txt"), "!");
    EXPECT_TRUE(fs::is_regular_file("out/all/Dir/Sub/empty"));
    EXPECT_EQ(fs::file_size("out/all/Dir/Sub/empty"), 0u);

    Result some = Far({"extract", "x.far", "out/some", "two.txt"});
    ASSERT_EQ(some.code, 0) << some.err;
    EXPECT_EQ(some.out, "1 files extracted.\n");
    EXPECT_TRUE(fs::exists("out/some/two.txt"));
    EXPECT_FALSE(fs::exists("out/some/Dir"));

    // Names are matched exactly; one unknown name means nothing is written.
    Result unknown = Far({"extract", "x.far", "out/none", "two.txt", "dir\\one.txt"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_EQ(unknown.err, "kelvo-far: no such entry in x.far: dir\\one.txt\n");
    EXPECT_EQ(unknown.out, "");
    EXPECT_FALSE(fs::exists("out/none"));

    Result empty = Far({"extract", "x.far", ""});
    EXPECT_EQ(empty.code, 2);
}

TEST(Extract, StopsAtTheFirstEntryThatCannotBeWritten)
{
    ScratchFolder scratch;
    fs::create_directory("inner");
    fs::current_path("inner");
    WriteFile("x.far", CraftArchive("abc", {{1, 1, 16, "a.txt"}, {1, 1, 17, "..\\evil.txt"}, {1, 1, 18, "c.txt"}}));
    Result r = Far({"extract", "x.far", "out"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "kelvo-far: cannot extract ..\\evil.txt into: out\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile("out/a.txt"), "a");
    EXPECT_FALSE(fs::exists("evil.txt"));
    EXPECT_FALSE(fs::exists("out/c.txt"));

    // Data beyond the end of the file fails that entry too.
    WriteFile("y.far", CraftArchive("ab", {{1, 1, 16, "a.txt"}, {100, 100, 17, "b.txt"}}));
    r = Far({"extract", "y.far", "out2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "kelvo-far: cannot extract b.txt into: out2\n");
    EXPECT_FALSE(fs::exists("out2/b.txt"));
}

TEST(Verify, PassesAWrittenArchive)
{
    ScratchFolder scratch;
    WriteFile("a.txt", "aaa");
    WriteFile("e.txt", "");
    ASSERT_EQ(Far({"create", "x.far", "a.txt", "e.txt", "a.txt"}).code, 0);
    Result r = Far({"verify", "x.far"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "OK\n");
}

TEST(Verify, ReportsDataOutsideTheFileUnsafeNamesAndOverlaps)
{
    ScratchFolder scratch;
    const std::string data(20, 'd'); // bytes 16 to 35
    const std::string archive = CraftArchive(
        data, {
                  {10, 10, 16, "a"},           // 16..25
                  {2, 2, 18, "inside"},        // within a
                  {4, 4, 20, "across"},        // within a as well: a still reaches furthest
                  {0, 0, 20, "empty"},         // empty runs overlap nothing
                  {2, 2, 26, "next"},          // starts where a ends
                  {2, 2, 28, "..\\up"},        // unsafe
                  {0, 0, 16, "C:\\abs"},       // unsafe
                  {5, 5, 1000, "far"},         // beyond the end
                  {0, 0, 0x80000000u, "late"}, // cannot be reached
                  {0, 0, 5000, "nothing"},     // empty, so nothing lies outside
                  {1, 1, 26, "dup"},           // same start as next
              });
    WriteFile("bad.far", archive);
    const std::string size = std::to_string(archive.size());
    Result r = Far({"verify", "bad.far"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "entry 1 (inside): data overlaps entry 0 (a)\n"
                     "entry 2 (across): data overlaps entry 0 (a)\n"
                     "entry 5 (..\\up): unsafe name\n"
                     "entry 6 (C:\\abs): unsafe name\n"
                     "entry 7 (far): data outside the file (offset 1000, size 5, file size " +
                         size + ")\n"
                                "entry 8 (late): data outside the file (offset 2147483648, size 0, file size " +
                         size + ")\n"
                                "entry 10 (dup): data overlaps entry 4 (next)\n");
    EXPECT_EQ(r.err, "");
}

} // namespace
} // namespace kelvo::cli
