// The real programs, run as a user would: make-sample writes the sample and
// its tree, kelvo-far verifies and extracts it and builds it again from the
// files.
#include "tools/sample/sample_archive.h"

#include "tests/native/cli/test_support.h"

#include <cstdlib>
#include <map>
#include <sys/wait.h>

namespace kelvo {
namespace {

namespace fs = std::filesystem;
using namespace kelvo::test;

// Runs a program with arguments (quoted here) in folder.
Output RunIn(const fs::path& folder, const std::string& program, const std::vector<std::string>& args)
{
    const auto quote = [](const std::string& text) { return " '" + text + "'"; };
    std::string command = "cd" + quote(folder.string()) + " &&" + quote(program);
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

// Every file below root by its entry-style name (backslashes), with its bytes.
std::map<std::string, std::string> TreeFiles(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        std::string name = item.path().lexically_relative(root).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        if (item.is_regular_file())
            files[name] = ReadBytes(item.path());
    }
    return files;
}

TEST(Programs, SampleVerifiesAndRoundTripsThroughExtractAndCreate)
{
    ScratchFolder scratch;
    const fs::path dir = scratch.path();
    ASSERT_EQ(RunIn(dir, MAKE_SAMPLE_PROGRAM, {"sample.far", "tree"}).code, 0);
    const auto files = sample::SampleFiles();
    const std::string sampleBytes = ReadBytes(dir / "sample.far");
    ASSERT_EQ(sampleBytes, sample::FarImage(files));
    std::map<std::string, std::string> expectedTree;
    for (const auto& file : files)
        expectedTree[file.name] = file.data;
    EXPECT_EQ(TreeFiles(dir / "tree"), expectedTree);

    const Output verify = RunIn(dir, KELVO_FAR_PROGRAM, {"verify", "sample.far"});
    EXPECT_EQ(verify.code, 0);
    EXPECT_EQ(verify.out, "OK\n");
    const Output extract = RunIn(dir, KELVO_FAR_PROGRAM, {"extract", "sample.far", "out/tree"});
    ASSERT_EQ(extract.code, 0) << extract.err;
    EXPECT_EQ(extract.out, std::to_string(files.size()) + " files extracted.\n");
    EXPECT_EQ(TreeFiles(dir / "out/tree"), expectedTree);
    // Made again from the extracted files: the same archive, byte for byte.
    const Output create = RunIn(dir / "out/tree", KELVO_FAR_PROGRAM, {"create", "../again.far", "."});
    ASSERT_EQ(create.code, 0) << create.err;
    EXPECT_EQ(ReadBytes(dir / "out/again.far"), sampleBytes);

    const Output missing = RunIn(dir, KELVO_FAR_PROGRAM, {"list", "none.far"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "kelvo-far: no such archive: none.far\n");
    EXPECT_EQ(RunIn(dir, MAKE_SAMPLE_PROGRAM, {"no/such/folder/x.far"}).code, 1);
}

} // namespace
} // namespace kelvo
