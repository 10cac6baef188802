// The real programs: make-sample's sample verified, extracted and made again by kelvo-far; permissions; parallel runs.
#include "tools/sample/sample_archive.h"

#include "tests/native/cli/test_support.h"

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvo {
namespace {

namespace fs = std::filesystem;
using namespace kelvo::test;

// Runs a program with arguments in folder; the superuser runs kelvo-far as nobody.
Output RunIn(const fs::path& folder, const std::string& program, const std::vector<std::string>& args)
{
    const auto quote = [](const std::string& text) { return " '" + text + "'"; };
    const std::string asUser = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    std::string command = "cd" + quote(folder.string()) + " && " + (program == KELVO_FAR_PROGRAM ? asUser : "") + quote(program);
    for (const std::string& arg : args)
        command += quote(arg);
    const fs::path out = fs::temp_directory_path() / ("kelvo-cli-" + std::to_string(platform::ProcessId()) + ".out");
    const fs::path err = fs::path(out).replace_extension(".err");
    const int status = std::system((command + " >" + quote(out.string()) + " 2>" + quote(err.string())).c_str());
    Output output{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
    fs::remove(out);
    fs::remove(err);
    return output;
}

TEST(Programs, SampleVerifiesAndRoundTripsThroughExtractAndCreate)
{
    ScratchFolder scratch;
    const fs::path dir = scratch.path();
    fs::permissions(dir, fs::perms::all);
    ASSERT_EQ(RunIn(dir, MAKE_SAMPLE_PROGRAM, {"sample.far", "tree"}).code, 0);
    const std::string sample = ReadBytes(dir / "sample.far");
    ASSERT_EQ(sample, sample::FarImage(sample::SampleFiles()));
    EXPECT_EQ(RunIn(dir, KELVO_FAR_PROGRAM, {"verify", "sample.far"}).out, "OK\n");
    fs::create_directories(dir / "out");
    fs::permissions(dir / "out", fs::perms::all);
    const Output extract = RunIn(dir, KELVO_FAR_PROGRAM, {"extract", "sample.far", "out/tree"});
    ASSERT_EQ(extract.code, 0) << extract.err;
    EXPECT_EQ(extract.out, std::to_string(sample::SampleFiles().size()) + " files extracted.\n");
    // Made again from make-sample's tree and from the extracted files: the same archive, byte for byte.
    for (const char* tree : {"tree", "out/tree"}) {
        const Output create = RunIn(dir / tree, KELVO_FAR_PROGRAM, {"create", "../again.far", "."});
        ASSERT_EQ(create.code, 0) << create.err;
        EXPECT_EQ(ReadBytes(dir / tree / "../again.far"), sample) << tree;
    }
    const Output missing = RunIn(dir, KELVO_FAR_PROGRAM, {"list", "none.far"});
    EXPECT_EQ(std::tie(missing.code, missing.err), std::make_tuple(1, std::string("kelvo-far: no such archive: none.far\n")));
    EXPECT_EQ(RunIn(dir, MAKE_SAMPLE_PROGRAM, {"no/such/folder/x.far"}).code, 1);
}

// File permissions hold for the program (the superuser runs it as nobody).
TEST(Programs, AReadOnlyArchiveListsButIsNotChanged)
{
    ScratchFolder scratch;
    const fs::path dir = scratch.path();
    const std::string archive = BuildArchive({{"Objects\\Chair.iff", "chair"}});
    WriteFile(dir / "ro.far", archive);
    WriteFile(dir / "b.txt", "b");
    fs::permissions(dir, fs::perms::all);
    fs::permissions(dir / "ro.far", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Output list = RunIn(dir, KELVO_FAR_PROGRAM, {"list", "ro.far"});
    EXPECT_NE(list.out.find("\tObjects\\Chair.iff\n"), std::string::npos) << list.err;
    EXPECT_EQ(RunIn(dir, KELVO_FAR_PROGRAM, {"add", "ro.far", "b.txt"}).err, "kelvo-far: archive is read-only: ro.far\n");
    EXPECT_EQ(ReadBytes(dir / "ro.far"), archive);
}

// 32 kelvo-far add runs at once, each tried again while another holds the archive (exit code 1): none is lost.
TEST(Programs, ParallelAddsLoseNoUpdate)
{
    ScratchFolder scratch;
    WriteFile("a.far", BuildArchive({}));
    std::multiset<std::string> names, stored;
    for (int i = 0; i < 32; ++i)
        WriteFile(*names.insert("f" + std::to_string(i)), "file");
    const std::string script = "for f in f*; do (for n in $(seq 10000); do '" KELVO_FAR_PROGRAM "' add a.far $f 2>/dev/null; "
                               "r=$?; [ $r = 1 ] || exit $r; done; exit 4) & p=\"$p $!\"; done; for c in $p; do wait $c || exit 1; done";
    EXPECT_EQ(std::system(script.c_str()), 0);
    TFarArchive archive;
    ASSERT_TRUE(archive.Open("a.far"));
    for (const TFarEntry& entry : archive.Entries)
        stored.insert(std::string(entry.Text()));
    EXPECT_EQ(stored, names);
}

} // namespace
} // namespace kelvo
