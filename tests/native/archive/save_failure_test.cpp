// A save that fails leaves the target as it was, no temporary file behind, and
// the object still describing (and reading) the file it had open.
#include "tests/native/archive/archive_test_support.h"

#include <csignal>
#include <sys/resource.h>
#include <tuple>

namespace kelvo::test {
namespace {

using EntryFields = std::tuple<int, int, std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::string>;

class SaveFailureTest : public ArchiveTest {
protected:
    // A three-entry archive with a gap before its data (so a save moves every
    // offset) and a last entry larger than the copy buffer; two added files;
    // the middle entry marked.
    void SetUp() override
    {
        original = BuildRaw("OLD!SIG!", 5, "gap" + stored[0] + stored[1] + stored[2], 3,
                            {{3, 3, 19, "a.txt"}, {3, 3, 22, "b.txt"}, {kBig, 7, 25, "big.bin"}});
        ASSERT_TRUE(OpenBytes(original));
        WriteBytes(dir / "new1.txt", added[0]);
        WriteBytes(dir / "new2.txt", added[1]);
        archive.AddFile(dir / "new1.txt");
        archive.AddFile(dir / "new2.txt");
        archive.Entries[1].State = esDeleted;
        before = Fields();
    }

    std::vector<EntryFields> Fields() const
    {
        std::vector<EntryFields> result;
        for (const TFarEntry& e : archive.Entries)
            result.emplace_back(e.State, e.BaseState, e.Index, e.RawSize, e.CompressedSize, e.FileOffset, e.Name);
        return result;
    }

    // The save fails and everything is as before it. A file size limit, when
    // given, acts as a full disk: writes past it fail (SIGXFSZ is ignored).
    void ExpectSaveFails(const std::string& target, rlim_t fileLimit = 0)
    {
        const std::set<std::string> contents = dir.Contents();
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const rlimit limit = {fileLimit > 0 ? fileLimit : saved.rlim_cur, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        EXPECT_FALSE(archive.Save(target)) << target;
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(ReadBytes(dir / "in.far"), original);
        EXPECT_EQ(dir.Contents(), contents);
        EXPECT_EQ(Fields(), before);
        EXPECT_EQ(std::tie(archive.FileName, archive.Signature, archive.Version, archive.ManifestOffset, archive.EntryCount),
                  std::make_tuple(dir / "in.far", std::string("OLD!SIG!"), 5u, 25u + kBig, 5));
        // The stored entries still come from the open archive.
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(archive.ExtractToTemp(i)) << i;
            EXPECT_EQ(ReadBytes(archive.TempFileName()), stored[i]) << i;
        }
        archive.DeleteTempFile();
    }

    // Saving over the open archive now succeeds and gives the expected bytes.
    void ExpectSaveWorks()
    {
        ASSERT_TRUE(archive.Save(dir / "in.far"));
        archive.Close();
        EXPECT_EQ(ReadBytes(dir / "in.far"),
                  BuildRaw("FAR!byAZ", 1, stored[0] + stored[2] + added[0] + added[1], 4,
                           {{3, 3, 16, "a.txt"}, {kBig, 7, 19, "big.bin"}, {11, 11, 19 + kBig, dir / "new1.txt"},
                            {5000, 5000, 30 + kBig, dir / "new2.txt"}}));
    }

    static constexpr std::uint32_t kBig = platform::kCopyBufferSize + 1000;
    const std::string stored[3] = {"AAA", "BBB", Pattern(kBig, 3)};
    const std::string added[2] = {"first added", Pattern(5000, 4)};
    std::string original;
    std::vector<EntryFields> before;
};

TEST_F(SaveFailureTest, AddedFileDeletedOrShrunk)
{
    std::filesystem::remove(dir / "new1.txt");
    ExpectSaveFails(dir / "in.far");
    ExpectSaveFails(dir / "other.far");
    WriteBytes(dir / "new1.txt", added[0]);
    WriteBytes(dir / "new2.txt", added[1].substr(0, 4999));
    ExpectSaveFails(dir / "in.far");
    WriteBytes(dir / "new2.txt", added[1]);
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, TargetFolderMissingOrTargetNotReplaceable)
{
    ExpectSaveFails(dir / "missing/out.far");
    WriteBytes(dir / "plain", "file, not folder");
    ExpectSaveFails((dir / "plain") + "\\out.far");
    // The new file is complete, but the rename onto a folder fails after the
    // open archive has been let go: it is taken again.
    std::filesystem::create_directories(dir / "taken.far/inside");
    ExpectSaveFails(dir / "taken.far");
    EXPECT_FALSE(platform::File::Open(dir / "in.far", platform::File::Mode::Read).IsOpen());
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, FullDisk)
{
    for (rlim_t limit : {rlim_t{100000}, rlim_t{16 + 3 + kBig + 11 + 5000 + 10}}) { // in the data; in the manifest
        ExpectSaveFails(dir / "in.far", limit);
        ExpectSaveFails(dir / "other.far", limit);
    }
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, ArchiveThatWouldPassTwoGigabytesIsNotStarted)
{
    // One byte more than a signed 32-bit file length allows, with the marked
    // entry left out: header, data, count and records.
    const std::uint64_t rest = 16 + 3 + 11 + 5000 + 4 + (16 + 5) + (16 + 7) + (16 + (dir / "new1.txt").size()) +
                               (16 + (dir / "new2.txt").size());
    // Refused before anything is written: a file where the temporary file
    // would go stays.
    const std::string temp = (dir / "in.far") + ".kelvo-" + std::to_string(platform::ProcessId()) + ".tmp";
    WriteBytes(temp, "untouched");
    for (std::uint32_t size : {static_cast<std::uint32_t>(0x80000000ull - rest), 0xFFFFFFFFu}) {
        archive.Entries[2].RawSize = size;
        before = Fields();
        EXPECT_FALSE(archive.Save(dir / "in.far"));
        EXPECT_EQ(Fields(), before);
        EXPECT_EQ(ReadBytes(dir / "in.far"), original);
        EXPECT_EQ(ReadBytes(temp), "untouched");
    }
}

} // namespace
} // namespace kelvo::test
