// kelvo-far in-process: messages, exit codes, listings, create's walk, verify, and Windows-1252 names as UTF-8.
#include "cli/far_cli.h"

#include "cli/far_names.h"
#include "tests/far_writer.h"
#include "tests/native/cli/test_support.h"

#include <sys/stat.h>

namespace kelvo::cli {
namespace {

using namespace std::string_literals;
using namespace kelvo::test;
namespace fs = std::filesystem;

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

// Every refusal of every command: one line (or usage), exit code 1 (2 for usage), and nothing changed.
TEST(Errors, ExitWithOneLineAndChangeNothing)
{
    ScratchFolder scratch;
    for (const char* name : {"a.txt", "b.txt", "l/loop/a.txt", "odd/..\\secret"})
        WriteFile(name, name);
    ASSERT_EQ(Far({"create", "x.far", "a.txt", "b.txt"}).code, 0);
    const std::string before = ReadBytes("x.far");
    const std::string cut = CraftArchive("data", {{4, 4, 16, "name.txt"}});
    WriteFile("cut.far", cut.substr(0, cut.size() - 3));
    // Sparse, so no disk is used; the second fits a size field but not a 2 GiB archive.
    for (const auto& [name, size] : {std::pair{"big.bin", 0x100000000ull}, {"huge.bin", 0xC0000000ull}}) {
        WriteFile(name, "");
        fs::resize_file(name, size);
    }
    std::string deep = "deep", parts64 = "deep64";
    for (int i = 0; i < 9; ++i)
        deep += "/" + std::string(220, static_cast<char>('a' + i));
    for (int i = 0; i < 64; ++i)
        parts64 += "/d";
    WriteFile(deep + "/" + std::string(100, 'f'), "x"); // 2094 bytes in all
    WriteFile(parts64 + "/f", "too deep");
    std::replace(deep.begin(), deep.end(), '/', '\\');
    fs::create_directory_symlink("..", "l/loop/back"); // the walk ends at the name limit or the system's
    WriteFile("disk.img", std::string(64, '\0')); // reads as an archive of no entries
    // Damaged: a count that reads as negative over 5 KB of data, bytes after the manifest, shared data.
    std::string negative = CraftArchive(std::string(5000, 'd'), {{5000, 5000, 16, "big"}});
    negative.replace(5016, 4, "\xFF\xFF\xFF\xFF");
    WriteFile("negative.far", negative);
    WriteFile("trailing.far", CraftArchive("abc", {{3, 3, 16, "abc"}}) + "tail");
    WriteFile("shared.far", CraftArchive("abcd", {{4, 4, 16, "one"}, {4, 4, 16, "two"}}));
    const std::string backslash = "kelvo-far: name holds a backslash, which an entry name takes as a separator: odd/..\\secret\n";
    const std::string refused = "kelvo-far: name extraction would refuse: ";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "kelvo-far: no command given\nusage: kelvo-far list"},
        {{"lsit", "x.far"}, "kelvo-far: unknown command: lsit\nusage:"}, {{"list"}, "kelvo-far: wrong number of arguments: list\nusage:"},
        {{"list", "--force", "trailing.far"}, "kelvo-far: unknown option for list: --force\nusage:"},
        {{"list", "nothere.far"}, "kelvo-far: no such archive: nothere.far\n"},
        {{"list", "negative.far"}, "kelvo-far: negative entry count (-1), the archive is damaged: negative.far\n"},
        {{"verify", "cut.far"}, "kelvo-far: cannot open or read archive: cut.far\n"},
        {{"extract", "x.far", ""}, "kelvo-far: the target folder name is empty\nusage:"},
        {{"extract", "x.far", "out", "a.txt", "A.TXT"}, "kelvo-far: no such entry in x.far: A.TXT\n"},
        {{"create", "out.far", "a.txt", "nothere.txt"}, "kelvo-far: no such file or folder: nothere.txt\n"},
        {{"create", "out.far", "big.bin"}, "kelvo-far: file of 4 GiB or more: big.bin\n"},
        {{"create", "out.far", "huge.bin"}, "kelvo-far: cannot write archive: out.far: The archive would be larger"},
        {{"create", "out.far", "deep"}, "kelvo-far: name longer than 2047 bytes: " + deep + "\\" + std::string(100, 'f') + "\n"},
        {{"create", "--follow-links", "out.far", "l/loop"}, refused + "l\\loop\\back\\loop"},
        {{"create", "out.far", "odd"}, backslash}, {{"create", "out.far", "odd/..\\secret"}, backslash},
        {{"create", "out.far", "../x"}, refused + "..\\x\n"}, {{"create", "out.far", "deep64"}, refused + "deep64\\d\\d"},
        {{"create", "out.far", fs::absolute("a.txt").string()}, refused + "\\"},
        {{"create", "--version", "2", "out.far", "a.txt"}, "kelvo-far: --version takes 1a, 1b or 3\nusage:"},
        {{"create", "--version", "3", "out.far"}, "kelvo-far: wrong number of arguments: create\nusage:"},
        {{"convert", "x.far", "out.far", "1a", "1b"}, "kelvo-far: wrong number of arguments: convert\nusage:"},
        {{"add", "x.far", "a.txt", "nothere"}, "kelvo-far: no such file or folder: nothere\n"},
        {{"add", "y.far", "a.txt"}, "kelvo-far: no such archive: y.far\n"},
        {{"add", "disk.img", "a.txt"}, "kelvo-far: not a FAR archive (signature FAR!byAZ, version 1 or 3): disk.img\n"},
        {{"add", "negative.far", "a.txt"},
         "kelvo-far: verify finds 1 problem (negative entry count (-1)); --force rewrites it anyway: negative.far\n"},
        {{"add", "shared.far", "a.txt"}, "kelvo-far: verify finds 1 problem (entry 1 (two): data overlaps entry 0 "
                                         "(one)); --force rewrites it anyway: shared.far\n"},
        {{"delete", "trailing.far", "abc"},
         "kelvo-far: verify finds 1 problem (4 bytes after the manifest); --force rewrites it anyway: trailing.far\n"},
        {{"rename", "x.far", "a.txt"}, "kelvo-far: wrong number of arguments: rename\nusage:"},
        {{"rename", "x.far", "A.TXT", "b.txt"}, "kelvo-far: no such entry in x.far: A.TXT\n"},
        {{"rename", "x.far", "a.txt", "..\\up.txt"}, "kelvo-far: cannot rename to that name (The name ..\\up.txt is not"},
        {{"rename", "x.far", "a.txt", "\xE2\x82\xAC\xE4\xB8\x80"}, "kelvo-far: name not valid UTF-8 or without a"},
        {{"rename", "x.far", "a.txt", "B.TXT"}, "kelvo-far: an entry of that name exists in x.far: B.TXT\n"},
        {{"replace", "x.far", "a.txt", "nothere.txt"}, "kelvo-far: not a file: nothere.txt\n"},
        {{"replace", "x.far", "c.txt", "a.txt"}, "kelvo-far: no such entry in x.far: c.txt\n"},
        {{"replace", "x.far", "a.txt", "big.bin"}, "kelvo-far: cannot replace a.txt (The file big.bin is larger than 2 GB"},
        {{"replace", "disk.img", "a.txt", "a.txt"}, "kelvo-far: not a FAR archive"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.empty() ? "" : args[0] + " " + args.back());
        const Output r = Far(args);
        const bool usage = message.find("usage:") != std::string::npos;
        EXPECT_EQ(r.code, usage ? 2 : 1) << r.err;
        EXPECT_EQ(r.err.rfind(message, 0), 0u) << r.err;
        EXPECT_TRUE(usage || std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ReadBytes("x.far"), before);
    EXPECT_EQ(ReadBytes("negative.far"), negative);
    std::set<std::string> left;
    for (const auto& item : fs::directory_iterator("."))
        left.insert(item.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"a.txt", "b.txt", "x.far", "cut.far", "big.bin", "huge.bin", "deep", "deep64", "l", "odd",
                                           "disk.img", "negative.far", "trailing.far", "shared.far"}));
    EXPECT_EQ(ReadBytes("disk.img"), std::string(64, '\0'));
    // Forced, a damaged archive is rewritten from what can be read of it.
    EXPECT_EQ(Far({"delete", "--force", "trailing.far", "abc"}).code, 0);
    EXPECT_EQ(ReadBytes("trailing.far"), CraftArchive("", {}));
}

TEST(List, PrintsHeaderLinesThenOneTabbedLinePerEntry)
{
    ScratchFolder scratch;
    // Foreign signature and version as read; a name up to its first zero byte, in UTF-8; differing sizes both.
    WriteFile("odd.far", BuildRaw("ABCD\0FGH"s, 7, "abcdefgh", 3,
                                  {{3, 9, 16, "Dir\\a.txt"}, {0, 0, 19, "x\0hidden"s}, {5, 5, 19, "\xE9t\xE9.bmp"}}));
    const Output r = Far({"list", "odd.far"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out + r.err, "FAR Header: ABCD\nVersion: 7\nDirectory offset: 24\nNumber of Entries: 3\n"
                             "0\t3\t9\t16\tDir\\a.txt\n1\t0\t0\t19\tx\n2\t5\t5\t19\t\xC3\xA9t\xC3\xA9.bmp\n");
}

TEST(Create, WalksFoldersDepthFirstFilesFirstInByteOrderSkippingFarFilesLinksAndPipes)
{
    ScratchFolder scratch;
    for (const char* name : {"b.txt", "A.txt", "z", "a.far", "Z.FAR", "sub/x.Far", "sub/zz.txt", "sub/c.txt",
                             "sub/deeper/d.txt", "Sub/e.txt"})
        WriteFile(name, name);
    ASSERT_EQ(Far({"create", "out.far", "."}).code, 0);
    EXPECT_EQ(EntryNames("out.far"), (std::vector<std::string>{"A.txt", "b.txt", "z", "Sub\\e.txt", "sub\\c.txt",
                                                               "sub\\zz.txt", "sub\\deeper\\d.txt"}));
    // Paths name their entries as given, in that order; a FAR file named explicitly is added; a name met again is skipped.
    Output r = Far({"create", "two.far", "./sub/", "a.far", "sub/deeper/d.txt"});
    EXPECT_EQ(std::tie(r.code, r.err), std::make_tuple(0, "kelvo-far: skipped, already added: sub\\deeper\\d.txt\n"s));
    EXPECT_EQ(EntryNames("two.far"), (std::vector<std::string>{"sub\\c.txt", "sub\\zz.txt", "sub\\deeper\\d.txt", "a.far"}));
    // Links met on the way are skipped, or followed when asked; a pipe is skipped.
    WriteFile("dir/a.txt", "a");
    fs::create_symlink("../b.txt", "dir/link");
    fs::create_directory_symlink("..", "dir/up");
    r = Far({"create", "x.far", "dir"});
    EXPECT_EQ(std::tie(r.code, r.err), std::make_tuple(0, "kelvo-far: skipped, link: dir\\link\nkelvo-far: skipped, link: dir\\up\n"s));
    EXPECT_EQ(EntryNames("x.far"), (std::vector<std::string>{"dir\\a.txt"}));
    EXPECT_EQ(Far({"create", "--follow-links", "y.far", "dir"}).code, 1); // dir\up leads back to dir, deeper than extraction takes
    ASSERT_EQ(Far({"create", "--follow-links", "y.far", "dir/link"}).code, 0);
    EXPECT_EQ(EntryNames("y.far"), (std::vector<std::string>{"dir\\link"}));
    fs::create_directory("pipes");
    ASSERT_EQ(::mkfifo("pipes/pipe", 0600), 0);
    r = Far({"add", "x.far", "pipes"});
    EXPECT_EQ(std::tie(r.code, r.err), std::make_tuple(0, "kelvo-far: skipped, not a regular file: pipes\\pipe\n"s));
}

TEST(Commands, ChangeTheArchiveInPlaceAndExtractWhatTheyCan)
{
    ScratchFolder scratch;
    for (const char* name : {"a.txt", "b.txt", "dir/c.txt", "new.bin"})
        WriteFile(name, name);
    ASSERT_EQ(Far({"create", "x.far", "a.txt", "b.txt"}).code, 0);
    ASSERT_EQ(Far({"add", "x.far", "dir", "a.txt"}).code, 0);
    ASSERT_EQ(Far({"delete", "x.far", "a.txt"}).code, 0); // both entries of the name
    const Output r = Far({"rename", "x.far", "b.txt", "UIGraphics\\\xC3\x84.txt"});
    EXPECT_EQ(std::tie(r.code, r.out, r.err), std::make_tuple(0, ""s, ""s));
    ASSERT_EQ(Far({"replace", "x.far", "dir\\c.txt", "new.bin"}).code, 0);
    EXPECT_EQ(ReadBytes("x.far"), CraftArchive("b.txtnew.bin", {{5, 5, 16, "UIGraphics\\\xC4.txt"}, {7, 7, 21, "dir\\c.txt"}}));
    // Saved through one of two names, the file is split: that is said, and the other name keeps the archive.
    const std::string before = ReadBytes("x.far");
    fs::create_hard_link("x.far", "y.far");
    EXPECT_EQ(Far({"delete", "x.far", "dir\\c.txt"}).err, "kelvo-far: warning: The file x.far had other names (hard links); they still lead to the "
                         "archive as it was.\n");
    EXPECT_EQ(ReadBytes("y.far"), before);
    WriteFile("e.far", CraftArchive("hello!ab", {{5, 5, 16, "Dir\\one.txt"}, {1, 1, 21, "two.txt"}, {0, 0, 22, "Dir\\Sub\\empty"},
                                                 {1, 1, 22, "..\\evil.txt"}, {1, 1, 23, "last.txt"}}));
    EXPECT_EQ(Far({"extract", "e.far", "out/some", "two.txt", "Dir\\one.txt"}).out, "2 files extracted.\n");
    EXPECT_EQ(ReadBytes("out/some/Dir/one.txt") + ReadBytes("out/some/two.txt"), "hello!");
    EXPECT_FALSE(fs::exists("out/some/Dir/Sub"));
    const Output e = Far({"extract", "e.far", "out/all"});
    EXPECT_EQ(std::tie(e.code, e.out, e.err), std::make_tuple(1, "4 files extracted.\n"s, "kelvo-far: cannot extract ..\\evil.txt: The "
                                                           "name ..\\evil.txt is not extracted: name would leave the chosen folder.\n"s));
    EXPECT_EQ(fs::file_size("out/all/Dir/Sub/empty") + ReadBytes("out/all/last.txt").size(), 1u);
}

TEST(Output, ControlCharactersAreEscapedAndUnwritableOutputFails)
{
    ScratchFolder scratch;
    WriteFile("x.far", CraftArchive("ab", {{1, 1, 16, "a\x1B[2J\tb\n"}, {1, 1, 17, "c\x81\x7F"}}));
    Output r = Far({"list", "x.far"});
    EXPECT_EQ(r.out.substr(r.out.find("0\t1")), "0\t1\t1\t16\ta\\x1B[2J\\tb\\n\n1\t1\t1\t17\tc\\x81\\x7F\n");
    EXPECT_EQ(Far({"verify", "x.far"}).out, "entry 0 (a\\x1B[2J\\tb\\n): name holds a character Windows forbids in file names\n");
    fs::create_directories("out/c\xC2\x81\x7F"); // a folder where the second file goes
    r = Far({"extract", "x.far", "out", "c\xC2\x81\x7F"});
    EXPECT_EQ(r.err.rfind("kelvo-far: cannot extract c\\x81\\x7F: The file out\\c\\x81\\x7F cannot be replaced.", 0), 0u);
    EXPECT_EQ(r.err.find('\x7F'), std::string::npos);
    // A stream that takes nothing, as a full disk does.
    struct Full : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    } full;
    std::ostream out(&full);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"list", "x.far"}, {"--help"}}) {
        std::ostringstream err;
        out.clear();
        EXPECT_EQ(RunKelvoFar(args, out, err), 1) << args[0];
        EXPECT_EQ(err.str(), "kelvo-far: the output could not be written\n");
    }
}

TEST(Verify, ReportsEveryProblemOnALineAndOKOtherwise)
{
    ScratchFolder scratch;
    // Data at 16..35: runs within a (which reaches furthest), an empty run, one starting where a ends, unsafe names,
    // data beyond the end or out of reach, an empty run outside (nothing lies outside), a second start at next's.
    const std::string overlaps = CraftArchive(std::string(20, 'd'), {{10, 10, 16, "a"}, {2, 2, 18, "inside"}, {4, 4, 20, "across"},
        {0, 0, 20, "empty"}, {2, 2, 26, "next"}, {2, 2, 28, "..\\up"}, {0, 0, 16, "C:\\abs"}, {5, 5, 1000, "far"},
        {0, 0, 0x80000000u, "late"}, {0, 0, 5000, "nothing"}, {1, 1, 26, "dup"}});
    const std::string size = std::to_string(overlaps.size());
    const std::string foreign = BuildRaw("FAR!byAX", 2, "0123456789", 7,
                                         {{4, 4, 8, "head"}, {4, 2, 22, "Pack"}, {1, 1, 26, "tail"}, {0, 0, 16, "pack"},
                                          {0, 0, 16, "Pack"}, {0, 0, 16, "dir"}, {0, 0, 16, "DIR\\x"}}) + "trailing";
    // Names as verify shows them; the second of two case twins (Windows-1252 letters) is found.
    std::vector<ManifestRecord> names;
    for (const std::string& name : {"z\0b"s, std::string(128, '\xE9'), "\x8A"s, "\x9A"s, "\x9F"s, "\xFF"s})
        names.push_back({0, 0, 16, name});
    // 1,563 names of 64 folders each make 100,032 folders; one fewer makes 100,000 exactly.
    std::vector<ManifestRecord> bomb;
    for (int i = 0; i < 1563; ++i) {
        std::string name = "e" + std::to_string(i);
        for (int level = 1; level < 64; ++level)
            name += "\\a";
        bomb.push_back({0, 0, 16, name + "\\f"});
    }
    const std::vector<ManifestRecord> fewer(bomb.begin(), bomb.end() - 1);
    // A stream that stops short of the size its header and the manifest give.
    std::string shortStream = VersionedArchive("3", {{"d", Pattern(20), true}});
    for (std::size_t at : {std::size_t{16 + 1}, std::size_t{16 + 17}, shortStream.size() - 1 - 24})
        shortStream[at] = 21;
    const std::pair<std::string, std::string> cases[] = {
        {overlaps, "entry 1 (inside): data overlaps entry 0 (a)\n"
                   "entry 2 (across): data overlaps entry 0 (a)\n"
                   "entry 5 (..\\up): name would leave the chosen folder\n"
                   "entry 6 (C:\\abs): name would leave the chosen folder\n"
                   "entry 7 (far): data outside the file (offset 1000, size 5, file size " + size + ")\n"
                   "entry 8 (late): data outside the file (offset 2147483648, size 0, file size " + size + ")\n"
                   "entry 10 (dup): data overlaps entry 4 (next)\n"},
        {foreign, "signature FAR!byAX is not FAR!byAZ\nversion 2 is not 1 or 3\n8 bytes after the manifest\n"
                  "entry 0 (head): data overlaps the header\n"
                  "entry 1 (Pack): compressed (sizes 4 and 2), which the first game cannot read\n"
                  "entry 1 (Pack): The compressed entry Pack is damaged: its 2 stored bytes are too few for the "
                  "18-byte header.\n"
                  "entry 2 (tail): data overlaps the manifest\n"
                  "entry 3 (pack): name differs only in letter case from entry 1 (Pack)\n"
                  "entry 4 (Pack): same name as entry 1 (Pack)\n"
                  "entry 5 (dir): name is also a folder of entry 6 (DIR\\x)\n"},
        // A manifest inside the header, whose count (the version field) reads as negative.
        {"FAR!byAZ"s + "\xFF\xFF\xFF\xFF"s + "\x08\0\0\0"s,
         "version 4294967295 is not 1 or 3\nnegative entry count (-1)\nmanifest offset 8 lies inside the 16-byte header\n"},
        {CraftArchive("", names), "entry 0 (z): name holds a zero byte (extracted under the part before it)\n"
                                  "entry 1 (" + SystemName(std::string(128, '\xE9')) + "): name part longer than 255 bytes\n"
                                  "entry 3 (\xC5\xA1): name differs only in letter case from entry 2 (\xC5\xA0)\n"
                                  "entry 5 (\xC3\xBF): name differs only in letter case from entry 4 (\xC5\xB8)\n"},
        {CraftArchive("", bomb), "the names make more than 100000 folders, more than an extraction makes\n"},
        {CraftArchive("", fewer), "OK\n"},
        {shortStream, "entry 0 (d): The compressed entry d is damaged: its RefPack stream is damaged"}, // and why
    };
    for (const auto& [bytes, out] : cases) {
        SCOPED_TRACE(out.substr(0, 40));
        WriteFile("v.far", bytes);
        const Output r = Far({"verify", "v.far"});
        EXPECT_EQ(r.code, out == "OK\n" ? 0 : 1);
        EXPECT_EQ(out.back() == '\n' ? r.out + r.err : (r.out + r.err).substr(0, out.size()), out);
    }
}

TEST(Versions, CreateAndConvertGiveEachVersionListedWithItsColumns)
{
    ScratchFolder scratch;
    WriteFile("in/a.txt", std::string(3000, 'k'));
    WriteFile("in/b.bin", Pattern(100));
    ASSERT_EQ(Far({"create", "--version", "3", "v3.far", "in"}).code, 0);
    ASSERT_EQ(Far({"convert", "v3.far", "v1b.far", "--version", "1b"}).code, 0);
    ASSERT_EQ(Far({"convert", "v3.far", "v1a.far", "--version", "1a"}).code, 0);
    for (const auto& [file, head, lines] :
         {std::tuple{"v3.far", "Version: 3\n", "0\t3000\t"}, {"v1b.far", "Version: 1\nDirectory offset: ", "0\t3000\t3000\t16\tin\\a.txt\n"},
          {"v1a.far", "Version: 1\n", "0\t3000\t3000\t16\tin\\a.txt\n1\t100\t100\t3016\tin\\b.bin\n"}}) {
        SCOPED_TRACE(file);
        const Output list = Far({"list", file});
        EXPECT_EQ(list.out.find(head), 21u);
        EXPECT_EQ(list.out.find("Format: 1b (16-bit name lengths)\n") != std::string::npos, file == "v1b.far"s);
        EXPECT_NE(list.out.find(lines), std::string::npos) << list.out;
        EXPECT_EQ(Far({"verify", file}).out, "OK\n");
    }
    // Version 3 lists the type and file IDs and the compressed mark.
    const std::string v3 = Far({"list", "v3.far"}).out;
    EXPECT_TRUE(v3.find("\tC\tin\\a.txt\n") != std::string::npos && v3.find("\t-\tin\\b.bin\n") != std::string::npos) << v3;
}


TEST(Names, EveryByteBecomesOneCharacterAndComesBack)
{
    std::string all;
    std::set<std::string> forms;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(EntryName(SystemName(byte)), byte) << b;
        forms.insert(SystemName(byte));
        all += byte;
    }
    EXPECT_EQ(forms.size(), 256u);
    EXPECT_EQ(EntryName(SystemName(all)), all);
    // The euro sign, an unassigned byte (its C1 control), the last of the block, a Latin-1 letter.
    EXPECT_EQ(SystemName("\x80\x81\x9f\xe9"), "\xe2\x82\xac\xc2\x81\xc5\xb8\xc3\xa9");
    // Not in the code page, malformed, overlong, a surrogate, beyond the first plane.
    for (const char* text : {"\xe6\x97\xa5", "\xe9", "Caf\xc3", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                             "\xf0\x9f\x98\x80", "\xc3\xa9\xff", "\xc2\xa9\x80"})
        EXPECT_FALSE(EntryName(text)) << text;
}

TEST(Names, ListAndExtractWriteUtf8AndCreateFromTheTreeGivesTheSameArchive)
{
    ScratchFolder scratch;
    // Every byte but the separators and what Windows refuses or drops at the end, in names of the top folder
    // (files come first, in byte order, as create walks them), then a folder's file.
    std::vector<EntrySpec> entries;
    for (int b = 0x20; b < 256; ++b)
        if (std::string_view("/\\:<>\"|?*. ").find(static_cast<char>(b)) == std::string_view::npos)
            entries.push_back({"x" + std::string(1, static_cast<char>(b)), std::to_string(b)});
    entries.push_back({"\xc9t\xe9\\Caf\xe9.txt", "caf\xe9"});
    const std::string archive = BuildArchive(entries);
    WriteFile("a.far", archive);
    const std::string list = Far({"list", "a.far"}).out;
    EXPECT_TRUE(list.find("\t\xc3\x89t\xc3\xa9\\Caf\xc3\xa9.txt\n") != std::string::npos && list.find("\tx\xe2\x82\xac\n") != std::string::npos);
    ASSERT_EQ(Far({"extract", "a.far", "t"}).code, 0);
    EXPECT_EQ(ReadBytes("t/\xc3\x89t\xc3\xa9/Caf\xc3\xa9.txt") + ReadBytes("t/x\xc2\x81"), "caf\xe9" "129");
    fs::current_path("t");
    const Output create = Far({"create", "../b.far", "."});
    fs::current_path("..");
    ASSERT_EQ(create.code, 0) << create.err;
    EXPECT_EQ(ReadBytes("b.far"), archive);
    // Names on the command line are UTF-8 too.
    ASSERT_EQ(Far({"extract", "a.far", "one", "\xc3\x89t\xc3\xa9\\Caf\xc3\xa9.txt"}).code, 0);
    EXPECT_EQ(ReadBytes("one/\xc3\x89t\xc3\xa9/Caf\xc3\xa9.txt"), "caf\xe9");
    ASSERT_EQ(Far({"delete", "b.far", "x\xe2\x82\xac"}).code, 0);
    EXPECT_EQ(Far({"list", "b.far"}).out.find("x\xe2\x82\xac"), std::string::npos);
    // A name without a Windows-1252 form is refused and nothing is written.
    WriteFile("cjk/ok.txt", "ok");
    WriteFile("cjk/\xe6\x97\xa5.txt", "sun");
    WriteFile("latin1/\xe9.txt", "e");
    const std::string refused = "kelvo-far: name not valid UTF-8 or without a Windows-1252 form: ";
    for (const auto& [args, name] : {std::pair<std::vector<std::string>, std::string>{{"create", "new.far", "cjk"}, "cjk\\\xe6\x97\xa5.txt"},
                                     {{"create", "new.far", "latin1/\xe9.txt"}, "latin1\\\xe9.txt"},
                                     {{"add", "a.far", "cjk/ok.txt", "latin1"}, "latin1\\\xe9.txt"},
                                     {{"extract", "a.far", "out", "\xe6\x97\xa5.txt"}, "\xe6\x97\xa5.txt"},
                                     {{"delete", "a.far", "\xe9"}, "\xe9"}}) {
        const Output r = Far(args);
        EXPECT_EQ(std::tie(r.code, r.err), std::make_tuple(1, refused + name + "\n"));
    }
    EXPECT_FALSE(fs::exists("new.far") || fs::exists("out"));
    EXPECT_EQ(ReadBytes("a.far"), archive);
}

} // namespace
} // namespace kelvo::cli
