#include "cli/far_cli.h"

#include "tests/native/cli/test_support.h"

#include <sstream>
#include <sys/stat.h>

namespace kelvo::cli {
namespace {

using namespace std::string_literals;
using namespace kelvo::test;
namespace fs = std::filesystem;

Output Far(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
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
    for (const auto& [path, name] : {std::pair{"./a/b.txt", "a\\b.txt"}, {".//a", "a"}, {"dir//", "dir"}, {".", ""},
                                     {"../x", "..\\x"}, {"/", "\\"}, {"C:\\", "C:\\"}, {"a.b/./c", "a.b\\.\\c"}})
        EXPECT_EQ(EntryNameForPath(path), name) << path;
}

TEST(Errors, ExitWithOneLineAndChangeNothing)
{
    ScratchFolder scratch;
    WriteFile("a.txt", "aaa");
    ASSERT_EQ(Far({"create", "x.far", "a.txt"}).code, 0);
    const std::string before = ReadBytes("x.far");
    const std::string cut = CraftArchive("data", {{4, 4, 16, "name.txt"}});
    WriteFile("cut.far", cut.substr(0, cut.size() - 3));
    // Sparse, so no disk is used; the second fits a size field but not a 2 GiB archive.
    for (const auto& [name, size] : {std::pair{"big.bin", 0x100000000ull}, {"huge.bin", 0xC0000000ull}}) {
        WriteFile(name, "");
        fs::resize_file(name, size);
    }
    std::string deep = "deep";
    for (int i = 0; i < 9; ++i)
        deep += "/" + std::string(220, static_cast<char>('a' + i));
    WriteFile(deep + "/" + std::string(100, 'f'), "x"); // 2094 bytes in all
    std::replace(deep.begin(), deep.end(), '/', '\\');
    WriteFile("l/loop/a.txt", "a");
    WriteFile("disk.img", std::string(64, '\0')); // reads as an archive of no entries
    fs::create_directory_symlink("..", "l/loop/back"); // the walk ends at the name limit or the system's

    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "kelvo-far: no command given\nusage: kelvo-far list"},
        {{"lsit", "x.far"}, "kelvo-far: unknown command: lsit\nusage:"},
        {{"list"}, "kelvo-far: wrong number of arguments: list\nusage:"},
        {{"extract", "x.far", ""}, "kelvo-far: the target folder name is empty\nusage:"},
        {{"list", "nothere.far"}, "kelvo-far: no such archive: nothere.far\n"},
        {{"verify", "cut.far"}, "kelvo-far: cannot open or read archive: cut.far\n"},
        {{"create", "out.far", "a.txt", "nothere.txt"}, "kelvo-far: no such file or folder: nothere.txt\n"},
        {{"create", "out.far", "big.bin"}, "kelvo-far: file of 4 GiB or more: big.bin\n"},
        {{"create", "out.far", "huge.bin"}, "kelvo-far: cannot write archive: out.far: The archive would be larger"},
        {{"add", "disk.img", "a.txt"}, "kelvo-far: not a FAR archive (signature FAR!byAZ, version 1): disk.img\n"},
        {{"delete", "disk.img", "x"}, "kelvo-far: not a FAR archive (signature FAR!byAZ, version 1): disk.img\n"},
        {{"create", "out.far", "deep"}, "kelvo-far: name longer than 2047 bytes: " + deep + "\\" + std::string(100, 'f') + "\n"},
        {{"create", "out.far", "l/loop"}, "kelvo-far: "},
        {{"add", "x.far", "a.txt", "nothere"}, "kelvo-far: no such file or folder: nothere\n"},
        {{"add", "y.far", "a.txt"}, "kelvo-far: no such archive: y.far\n"},
        {{"delete", "x.far", "a.txt", "A.TXT"}, "kelvo-far: no such entry in x.far: A.TXT\n"},
        {{"extract", "x.far", "out", "a.txt", "A.TXT"}, "kelvo-far: no such entry in x.far: A.TXT\n"},
        {{"rename", "x.far", "a.txt"}, "kelvo-far: wrong number of arguments: rename\nusage:"},
        {{"rename", "x.far", "A.TXT", "b.txt"}, "kelvo-far: no such entry in x.far: A.TXT\n"},
        {{"rename", "x.far", "a.txt", "..\\up.txt"}, "kelvo-far: cannot rename to that name (The name ..\\up.txt would"},
        {{"rename", "x.far", "a.txt", "dir\\a. "}, "kelvo-far: cannot rename to that name (A part of the name"},
        {{"rename", "x.far", "a.txt", "\xE2\x82\xAC\xE4\xB8\x80"}, "kelvo-far: name not valid UTF-8 or without a"},
        {{"rename", "nothere.far", "a.txt", "b.txt"}, "kelvo-far: no such archive: nothere.far\n"},
        {{"replace", "x.far", "a.txt", "nothere.txt"}, "kelvo-far: not a file: nothere.txt\n"},
        {{"replace", "x.far", "a.txt", "deep"}, "kelvo-far: not a file: deep\n"},
        {{"replace", "x.far", "b.txt", "a.txt"}, "kelvo-far: no such entry in x.far: b.txt\n"},
        {{"replace", "x.far", "a.txt", "big.bin"}, "kelvo-far: cannot replace a.txt (The file big.bin is larger than 2 GB"},
        {{"replace", "disk.img", "a.txt", "a.txt"}, "kelvo-far: not a FAR archive"},
    };
    for (const auto& [args, message] : cases) {
        const Output r = Far(args);
        const bool usage = message.find("usage:") != std::string::npos;
        EXPECT_EQ(r.code, usage ? 2 : 1) << r.err;
        EXPECT_EQ(r.err.rfind(message, 0), 0u) << r.err;
        EXPECT_TRUE(usage || std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ReadBytes("x.far"), before);
    std::set<std::string> left;
    for (const auto& item : fs::directory_iterator("."))
        left.insert(item.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"a.txt", "x.far", "cut.far", "big.bin", "huge.bin", "deep", "l", "disk.img"}));
    EXPECT_EQ(ReadBytes("disk.img"), std::string(64, '\0'));
}

TEST(List, PrintsHeaderLinesThenOneTabbedLinePerEntry)
{
    ScratchFolder scratch;
    // Foreign signature and version are shown as read; a name up to its
    // first zero byte, in UTF-8; differing sizes both.
    WriteFile("odd.far", BuildRaw("ABCD\0FGH"s, 7, "abcdefgh", 3,
                                  {{3, 9, 16, "Dir\\a.txt"}, {0, 0, 19, "x\0hidden"s}, {5, 5, 19, "\xE9t\xE9.bmp"}}));
    const Output r = Far({"list", "odd.far"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "FAR Header: ABCD\nVersion: 7\nDirectory offset: 24\nNumber of Entries: 3\n"
                     "0\t3\t9\t16\tDir\\a.txt\n1\t0\t0\t19\tx\n2\t5\t5\t19\t\xC3\xA9t\xC3\xA9.bmp\n");
    EXPECT_EQ(r.err, "");
}

TEST(Create, WalksFoldersDepthFirstFilesFirstInByteOrderSkippingFarFiles)
{
    ScratchFolder scratch;
    for (const char* name : {"b.txt", "A.txt", "z", "a.far", "Z.FAR", "sub/x.Far", "sub/zz.txt", "sub/c.txt",
                             "sub/deeper/d.txt", "Sub/e.txt"})
        WriteFile(name, name);
    fs::create_directories("sub/empty");
    ASSERT_EQ(Far({"create", "out.far", "."}).code, 0);
    EXPECT_EQ(EntryNames("out.far"), (std::vector<std::string>{"A.txt", "b.txt", "z", "Sub\\e.txt", "sub\\c.txt",
                                                               "sub\\zz.txt", "sub\\deeper\\d.txt"}));
    // Paths name their entries as given, in the order given; a FAR file named
    // explicitly is added like any other file; a name met again is skipped.
    const Output r = Far({"create", "two.far", "./sub/", "a.far", "sub/deeper/d.txt"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "kelvo-far: skipped, already added: sub\\deeper\\d.txt\n");
    EXPECT_EQ(EntryNames("two.far"), (std::vector<std::string>{"sub\\c.txt", "sub\\zz.txt", "sub\\deeper\\d.txt", "a.far"}));
}

TEST(AddAndDelete, ChangeTheArchiveInPlace)
{
    ScratchFolder scratch;
    for (const char* name : {"a.txt", "b.txt", "dir/c.txt"})
        WriteFile(name, name);
    ASSERT_EQ(Far({"create", "x.far", "a.txt", "b.txt"}).code, 0);
    ASSERT_EQ(Far({"add", "x.far", "dir", "a.txt"}).code, 0);
    ASSERT_EQ(Far({"delete", "x.far", "a.txt"}).code, 0); // both entries of the name
    EXPECT_EQ(ReadBytes("x.far"), CraftArchive("b.txtdir/c.txt", {{5, 5, 16, "b.txt"}, {9, 9, 21, "dir\\c.txt"}}));
}

TEST(RenameAndReplace, ChangeOneEntryInPlace)
{
    ScratchFolder scratch;
    for (const char* name : {"a.txt", "b.txt", "new.bin"})
        WriteFile(name, name);
    ASSERT_EQ(Far({"create", "x.far", "a.txt", "b.txt"}).code, 0);
    const std::string before = ReadBytes("x.far");
    const Output taken = Far({"rename", "x.far", "a.txt", "B.TXT"});
    EXPECT_EQ(taken.code, 1);
    EXPECT_EQ(taken.err, "kelvo-far: an entry of that name exists in x.far: B.TXT\n");
    EXPECT_EQ(ReadBytes("x.far"), before);
    const Output r = Far({"rename", "x.far", "a.txt", "UIGraphics\\\xC3\x84.txt"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    ASSERT_EQ(Far({"replace", "x.far", "b.txt", "new.bin"}).code, 0);
    EXPECT_EQ(ReadBytes("x.far"), CraftArchive("a.txtnew.bin", {{5, 5, 16, "UIGraphics\\\xC4.txt"}, {7, 7, 21, "b.txt"}}));
}

TEST(Extract, WritesEveryEntryItCanAndReportsEachFailure)
{
    ScratchFolder scratch;
    WriteFile("x.far", CraftArchive("hello!ab", {{5, 5, 16, "Dir\\one.txt"}, {1, 1, 21, "two.txt"}, {0, 0, 22, "Dir\\Sub\\empty"},
                                                 {1, 1, 22, "..\\evil.txt"}, {1, 1, 23, "last.txt"}}));
    Output r = Far({"extract", "x.far", "out/some", "two.txt", "Dir\\one.txt"});
    EXPECT_EQ(r.out, "2 files extracted.\n");
    EXPECT_EQ(ReadBytes("out/some/Dir/one.txt"), "hello");
    EXPECT_EQ(ReadBytes("out/some/two.txt"), "!");
    EXPECT_FALSE(fs::exists("out/some/Dir/Sub"));

    r = Far({"extract", "x.far", "out/all"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "4 files extracted.\n");
    EXPECT_EQ(r.err, "kelvo-far: cannot extract ..\\evil.txt: The name ..\\evil.txt would leave the chosen folder or "
                     "name a device.\n");
    EXPECT_EQ(fs::file_size("out/all/Dir/Sub/empty"), 0u);
    EXPECT_FALSE(fs::exists("out/evil.txt"));
    EXPECT_EQ(ReadBytes("out/all/last.txt"), "b");

    // 300 entries over one run write nothing; the entry of its own is written.
    std::vector<ManifestRecord> shared(300, {4, 4, 16, "copy"});
    for (std::size_t i = 0; i < shared.size(); ++i)
        shared[i].name += std::to_string(i);
    shared.push_back({2, 2, 20, "own"});
    WriteFile("bomb.far", CraftArchive("runxok", shared));
    r = Far({"extract", "bomb.far", "bomb"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "1 files extracted.\n");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 300);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "kelvo-far: cannot extract copy0: The data of entry copy0 overlaps "
                                                  "another entry's data, the header or the list of entries.");
    EXPECT_EQ(std::distance(fs::directory_iterator("bomb"), fs::directory_iterator()), 1);
}

TEST(ChangedEntries, ArchivesSavedWithThemReadBackLikeAnyOther)
{
    ScratchFolder scratch;
    WriteFile("x.far", CraftArchive("oneTWO3", {{3, 3, 16, "Dir\\one.txt"}, {3, 3, 19, "two.txt"}, {1, 1, 22, "3"}}));
    WriteFile("two.new", "a longer two");
    {
        // As the editor saves an entry edited in place.
        TFarArchive archive;
        ASSERT_TRUE(archive.Open("x.far"));
        ASSERT_TRUE(archive.ChangeEntry(archive.Entries[1], "two.new"));
        ASSERT_TRUE(archive.Save("x.far"));
    }
    const Output list = Far({"list", "x.far"});
    EXPECT_EQ(list.out, "FAR Header: FAR!byAZ\nVersion: 1\nDirectory offset: 32\nNumber of Entries: 3\n"
                        "0\t3\t3\t16\tDir\\one.txt\n1\t12\t12\t19\ttwo.txt\n2\t1\t1\t31\t3\n");
    EXPECT_EQ(Far({"verify", "x.far"}).code, 0);
    ASSERT_EQ(Far({"extract", "x.far", "out"}).code, 0);
    EXPECT_EQ(ReadBytes("out/two.txt"), "a longer two");
    EXPECT_EQ(ReadBytes("out/Dir/one.txt"), "one");
    EXPECT_EQ(ReadBytes("out/3"), "3");
}

TEST(Verify, ReportsDataOutsideTheFileUnsafeNamesAndOverlaps)
{
    ScratchFolder scratch;
    const std::string archive = CraftArchive(std::string(20, 'd'), // bytes 16 to 35
                                             {
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
    const Output r = Far({"verify", "bad.far"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "entry 1 (inside): data overlaps entry 0 (a)\n"
                     "entry 2 (across): data overlaps entry 0 (a)\n"
                     "entry 5 (..\\up): unsafe name\n"
                     "entry 6 (C:\\abs): unsafe name\n"
                     "entry 7 (far): data outside the file (offset 1000, size 5, file size " + size + ")\n"
                     "entry 8 (late): data outside the file (offset 2147483648, size 0, file size " + size + ")\n"
                     "entry 10 (dup): data overlaps entry 4 (next)\n");
    EXPECT_EQ(r.err, "");
}

TEST(Verify, ReportsForeignHeadersClashingNamesAndBytesOutOfPlace)
{
    ScratchFolder scratch;
    const std::string longPart(256, 'p');
    std::string bytes = BuildRaw("FAR!byAX", 2, "0123456789", 12,
                                 {{4, 4, 8, "head"},           // over the header
                                  {4, 2, 22, "Pack"},          // compressed size differs
                                  {1, 1, 26, "tail"},          // over the manifest
                                  {0, 0, 16, "pack"},          // letter case only
                                  {0, 0, 16, "Pack"},          // exact duplicate
                                  {0, 0, 16, "dir"},           // also a folder
                                  {0, 0, 16, "DIR\\x"},        // that folder, in other letters
                                  {0, 0, 16, "lpt1.txt"},      // a device
                                  {0, 0, 16, "a\\b."},         // trailing dot
                                  {0, 0, 16, "ends\\"},        // a folder's name
                                  {0, 0, 16, "."},             // no file
                                  {0, 0, 16, longPart}}) +
                        "trailing";
    WriteFile("odd.far", bytes);
    const Output r = Far({"verify", "odd.far"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "signature FAR!byAX is not FAR!byAZ\n"
                     "version 2 is not 1\n"
                     "8 bytes after the manifest\n"
                     "entry 0 (head): data overlaps the header\n"
                     "entry 1 (Pack): compressed size 2 differs from raw size 4\n"
                     "entry 2 (tail): data overlaps the manifest\n"
                     "entry 3 (pack): name differs only in letter case from entry 1 (Pack)\n"
                     "entry 4 (Pack): same name as entry 1 (Pack)\n"
                     "entry 5 (dir): name is also a folder of entry 6 (DIR\\x)\n"
                     "entry 7 (lpt1.txt): Windows device name\n"
                     "entry 8 (a\\b.): name part ends in a dot or space (Windows drops it)\n"
                     "entry 9 (ends\\): name ends in a backslash\n"
                     "entry 10 (.): name of no file\n"
                     "entry 11 (" + longPart + "): name part longer than 255 bytes\n");

    // A manifest inside the header, whose count (the version field) is above
    // 2^31 - 1 and so reads as negative.
    WriteFile("neg.far", "FAR!byAZ"s + "\xFF\xFF\xFF\xFF"s + "\x08\0\0\0"s);
    EXPECT_EQ(Far({"verify", "neg.far"}).out, "version 4294967295 is not 1\nnegative entry count (-1)\n"
                                             "manifest offset 8 lies inside the 16-byte header\n");
}

TEST(Safety, CreateRespectsALockAndAddSkipsWhatIsNoRegularFile)
{
    ScratchFolder scratch;
    WriteFile("a.txt", "aaa");
    ASSERT_EQ(Far({"create", "x.far", "a.txt"}).code, 0);
    const std::string before = ReadBytes("x.far");
    {
        TFarArchive holder; // another program with the archive open
        ASSERT_TRUE(holder.Open("x.far"));
        const Output r = Far({"create", "x.far", "a.txt"});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "kelvo-far: cannot write archive: x.far: The file x.far is in use by another program.\n");
        EXPECT_EQ(ReadBytes("x.far"), before);
    }
    fs::create_directories("dir");
    WriteFile("dir/b.txt", "b");
    ASSERT_EQ(::mkfifo("dir/pipe", 0600), 0);
    const Output r = Far({"add", "x.far", "dir"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "kelvo-far: skipped, not a regular file: dir\\pipe\n");
    EXPECT_EQ(EntryNames("x.far"), (std::vector<std::string>{"a.txt", "dir\\b.txt"}));
}

} // namespace
} // namespace kelvo::cli
