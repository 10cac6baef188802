// The real programs, run as a user would: make-sample writes the sample and
// its tree, kelvo-far extracts it, builds it again from the files, lists
// and verifies it.
#include "tools/sample/sample_archive.h"

#include "tests/native/cli/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sys/wait.h>

namespace kelvo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

struct Output {
    int code;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Runs a program with arguments (quoted here) in folder.
Output RunIn(const fs::path& folder, const std::string& program, const std::vector<std::string>& args)
{
    const fs::path outFile = fs::temp_directory_path() / ("kelvo-cli-out-" + std::to_string(::getpid()));
    const fs::path errFile = fs::temp_directory_path() / ("kelvo-cli-err-" + std::to_string(::getpid()));
    std::string command = "cd " + Quote(folder.string()) + " && " + Quote(program);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    command += " >" + Quote(outFile.string()) + " 2>" + Quote(errFile.string());
    const int status = std::system(command.c_str());
    Output output{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(outFile), ReadFile(errFile)};
    fs::remove(outFile);
    fs::remove(errFile);
    return output;
}

Output KelvoFar(const fs::path& folder, const std::vector<std::string>& args)
{
    return RunIn(folder, KELVO_FAR_PROGRAM, args);
}

// Every file below root by its entry-style name (backslashes), with its bytes.
std::map<std::string, std::string> TreeFiles(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (!item.is_regular_file())
            continue;
        std::string name = item.path().lexically_relative(root).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        files[name] = ReadFile(item.path());
    }
    return files;
}

TEST(Programs, SampleRoundTripsThroughExtractAndCreate)
{
    ScratchFolder scratch;
    const fs::path dir = scratch.path();
    ASSERT_EQ(RunIn(dir, MAKE_SAMPLE_PROGRAM, {"sample.far", "tree"}).code, 0);
    const auto files = sample::SampleFiles();
    const std::string sampleBytes = ReadFile(dir / "sample.far");
    ASSERT_EQ(sampleBytes, sample::FarImage(files));
    std::map<std::string, std::string> expectedTree;
    for (const auto& file : files)
        expectedTree[file.name] = file.data;
    ASSERT_EQ(TreeFiles(dir / "tree"), expectedTree);

    Output extract = KelvoFar(dir, {"extract", "sample.far", "out/tree"});
    ASSERT_EQ(extract.code, 0) << extract.err;
    EXPECT_EQ(extract.out, std::to_string(files.size()) + " files extracted.\n");
    EXPECT_EQ(TreeFiles(dir / "out/tree"), expectedTree);

    // Made again from the extracted files: the same archive, byte for byte.
    Output create = KelvoFar(dir / "out/tree", {"create", "../again.far", "."});
    ASSERT_EQ(create.code, 0) << create.err;
    EXPECT_EQ(ReadFile(dir / "out/again.far"), sampleBytes);
    create = KelvoFar(dir / "out/tree",
                      {"create", "../named.far", "ReadMe.txt", "Objects/", "./Text", "Textures", "Textures.BMP"});
    ASSERT_EQ(create.code, 0) << create.err;
    EXPECT_EQ(ReadFile(dir / "out/named.far"), sampleBytes);

    // Deleting the last entry and adding its file again restores the archive.
    fs::copy_file(dir / "sample.far", dir / "edit.far");
    ASSERT_EQ(KelvoFar(dir, {"delete", "edit.far", files.back().name}).code, 0);
    EXPECT_EQ(ReadFile(dir / "edit.far").size(), sampleBytes.size() - files.back().data.size() - 16 -
                                                     files.back().name.size());
    std::string backName = files.back().name;
    std::replace(backName.begin(), backName.end(), '\\', '/');
    Output add = KelvoFar(dir / "tree", {"add", "../edit.far", backName});
    ASSERT_EQ(add.code, 0) << add.err;
    EXPECT_EQ(ReadFile(dir / "edit.far"), sampleBytes);
}

TEST(Programs, ListShowsTheSampleLayout)
{
    ScratchFolder scratch;
    ASSERT_EQ(RunIn(scratch.path(), MAKE_SAMPLE_PROGRAM, {"sample.far"}).code, 0);
    EXPECT_FALSE(fs::exists(scratch.path() / "tree"));
    const auto files = sample::SampleFiles();
    std::string entries;
    std::uint32_t offset = 16;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string size = std::to_string(files[i].data.size());
        entries += std::to_string(i) + "\t" + size + "\t" + size + "\t" + std::to_string(offset) + "\t" +
                   files[i].name + "\n";
        offset += static_cast<std::uint32_t>(files[i].data.size());
    }
    Output list = KelvoFar(scratch.path(), {"list", "sample.far"});
    EXPECT_EQ(list.code, 0);
    EXPECT_EQ(list.out, "FAR Header: FAR!byAZ\nVersion: 1\nDirectory offset: " + std::to_string(offset) +
                            "\nNumber of Entries: " + std::to_string(files.size()) + "\n" + entries);
    EXPECT_EQ(list.err, "");
}

TEST(Programs, VerifyPassesTheSampleAndFailsABadArchive)
{
    ScratchFolder scratch;
    const fs::path dir = scratch.path();
    ASSERT_EQ(RunIn(dir, MAKE_SAMPLE_PROGRAM, {"sample.far"}).code, 0);
    Output good = KelvoFar(dir, {"verify", "sample.far"});
    EXPECT_EQ(good.code, 0);
    EXPECT_EQ(good.out, "OK\n");

    WriteFile(dir / "bad.far", test::CraftArchive("0123456789", {{6, 6, 16, "a.txt"}, {6, 6, 20, "b.txt"}}));
    Output bad = KelvoFar(dir, {"verify", "bad.far"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.out, "entry 1 (b.txt): data overlaps entry 0 (a.txt)\n");
}

TEST(Programs, FailuresExitNonZeroWithOneLine)
{
    ScratchFolder scratch;
    Output missing = KelvoFar(scratch.path(), {"list", "none.far"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "kelvo-far: no such archive: none.far\n");
    Output usage = KelvoFar(scratch.path(), {});
    EXPECT_EQ(usage.code, 2);
    EXPECT_EQ(usage.err.rfind("kelvo-far: no command given\nusage: ", 0), 0u);
    EXPECT_EQ(RunIn(scratch.path(), MAKE_SAMPLE_PROGRAM, {}).code, 2);
    EXPECT_EQ(RunIn(scratch.path(), MAKE_SAMPLE_PROGRAM, {"no/such/folder/x.far"}).code, 1);
}

} // namespace
} // namespace kelvo
