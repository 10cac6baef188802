// A save that fails leaves the target as it was, no temporary file behind, and
// the object still describing (and reading) the file it had open.
#include "tests/native/archive/archive_test_support.h"

#include <csignal>
#include <sys/resource.h>

namespace kelvo::test {
namespace {

// Limits the size of files this process may write, as a full disk would;
// writes past the limit fail instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

struct EntrySnapshot {
    TEntryState state, baseState;
    std::int32_t index;
    std::uint32_t rawSize, compressedSize, fileOffset, nameLength;
    std::string name;
    bool operator==(const EntrySnapshot&) const = default;
};

std::vector<EntrySnapshot> Snapshot(const TFarArchive& archive)
{
    std::vector<EntrySnapshot> result;
    for (const TFarEntry& e : archive.Entries)
        result.push_back({e.State, e.BaseState, e.Index, e.RawSize, e.CompressedSize, e.FileOffset, e.NameLength, e.Name});
    return result;
}

class SaveFailureTest : public ::testing::Test {
protected:
    // Opens a three-entry archive with a gap before its data (so a save
    // would move every offset), adds two files, marks the middle entry.
    void SetUp() override
    {
        original = BuildRaw("OLD!SIG!", 5, "gap" + stored[0] + stored[1] + stored[2], 3,
                            {{3, 3, 19, "a.txt"}, {3, 3, 22, "b.txt"}, {200000, 7, 25, "big.bin"}});
        WriteBytes(dir / "in.far", original);
        ASSERT_TRUE(archive.Open(dir / "in.far"));
        WriteBytes(dir / "new1.txt", added[0]);
        WriteBytes(dir / "new2.txt", added[1]);
        archive.AddFile(dir / "new1.txt");
        archive.AddFile(dir / "new2.txt");
        archive.Entries[1].State = esDeleted;
        before = Snapshot(archive);
        contents = dir.Contents();
    }

    // Everything as before the failed save.
    void ExpectUnchanged()
    {
        EXPECT_EQ(ReadBytes(dir.path() / "in.far"), original);
        EXPECT_EQ(dir.Contents(), contents);
        EXPECT_EQ(Snapshot(archive), before);
        EXPECT_EQ(archive.FileName, dir / "in.far");
        EXPECT_EQ(archive.Signature, "OLD!SIG!");
        EXPECT_EQ(archive.Version, 5u);
        EXPECT_EQ(archive.ManifestOffset, 19u + 200006);
        EXPECT_EQ(archive.EntryCount, 5);
        EXPECT_TRUE(archive.Handle.IsOpen());
        // The stored entries still come from the open archive.
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(archive.ExtractToTemp(i)) << i;
            EXPECT_EQ(ReadBytes(archive.TempFileName()), stored[i]) << i;
        }
        archive.DeleteTempFile();
    }

    // Saving now succeeds and gives the expected archive.
    void ExpectSaveWorks()
    {
        ASSERT_TRUE(archive.Save(dir / "in.far"));
        archive.Close();
        const std::string new1 = dir / "new1.txt";
        const std::string new2 = dir / "new2.txt";
        EXPECT_EQ(ReadBytes(dir.path() / "in.far"),
                  BuildRaw("FAR!byAZ", 1, stored[0] + stored[2] + added[0] + added[1], 4,
                           {{3, 3, 16, "a.txt"}, {200000, 7, 19, "big.bin"}, {11, 11, 200019, new1},
                            {5000, 5000, 200030, new2}}));
    }

    TempDir dir;
    TFarArchive archive;
    const std::string stored[3] = {"AAA", "BBB", Pattern(200000, 3)};
    const std::string added[2] = {"first added", Pattern(5000, 4)};
    std::string original;
    std::vector<EntrySnapshot> before;
    std::set<std::string> contents;
};

TEST_F(SaveFailureTest, AddedFileDeleted)
{
    std::filesystem::remove(dir.path() / "new1.txt");
    contents = dir.Contents();
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    ExpectUnchanged();
    EXPECT_FALSE(archive.Save(dir / "other.far"));
    ExpectUnchanged();
}

TEST_F(SaveFailureTest, AddedFileReplacedByFolder)
{
    std::filesystem::remove(dir.path() / "new2.txt");
    std::filesystem::create_directory(dir.path() / "new2.txt");
    contents = dir.Contents();
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    ExpectUnchanged();
}

TEST_F(SaveFailureTest, AddedFileShrunk)
{
    WriteBytes(dir / "new2.txt", added[1].substr(0, 4999));
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    EXPECT_FALSE(archive.Save(dir / "other.far"));
    ExpectUnchanged();
    WriteBytes(dir / "new2.txt", added[1]);
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, StoredDataOutsideTheArchive)
{
    archive.Entries[2].FileOffset = static_cast<std::uint32_t>(original.size()) - 10;
    before = Snapshot(archive);
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    EXPECT_EQ(Snapshot(archive), before);
    EXPECT_EQ(ReadBytes(dir.path() / "in.far"), original);
    EXPECT_EQ(dir.Contents(), contents);
    archive.Entries[2].FileOffset = 25;
    before = Snapshot(archive);
    ExpectUnchanged();
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, TargetFolderMissingOrAFile)
{
    EXPECT_FALSE(archive.Save(dir / "missing/out.far"));
    WriteBytes(dir / "plain", "file, not folder");
    contents = dir.Contents();
    EXPECT_FALSE(archive.Save(dir.path().string() + "\\plain\\out.far"));
    ExpectUnchanged();
    EXPECT_EQ(ReadBytes(dir.path() / "plain"), "file, not folder");
}

TEST_F(SaveFailureTest, TargetThatCannotBeReplacedReopensTheArchive)
{
    // The new file is complete, but the rename onto a folder fails after the
    // open archive has been let go.
    std::filesystem::create_directories(dir.path() / "taken.far" / "inside");
    contents = dir.Contents();
    EXPECT_FALSE(archive.Save(dir / "taken.far"));
    ExpectUnchanged();
    EXPECT_FALSE(platform::File::Open(dir / "in.far", platform::File::Mode::Read).IsOpen());
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, FullDisk)
{
    {
        FileSizeLimit limit(100000);
        EXPECT_FALSE(archive.Save(dir / "in.far"));
        EXPECT_FALSE(archive.Save(dir / "other.far"));
    }
    ExpectUnchanged();
    {
        // Full just at the manifest.
        FileSizeLimit limit(16 + 3 + 200000 + 11 + 5000 + 10);
        EXPECT_FALSE(archive.Save(dir / "in.far"));
    }
    ExpectUnchanged();
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, ArchiveThatWouldPassTwoGigabytes)
{
    // One stored byte more than a signed 32-bit file length allows: with the
    // marked entry left out the file would be 16 + data + manifest bytes.
    const std::uint64_t fixed = 16 + 3 + 11 + 5000 + 4 + (16 + 5) + (16 + 7) +
                                (16 + std::string(dir / "new1.txt").size()) + (16 + std::string(dir / "new2.txt").size());
    archive.Entries[2].RawSize = static_cast<std::uint32_t>(0x80000000ull - fixed);
    before = Snapshot(archive);
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    EXPECT_FALSE(archive.Save(dir / "other.far"));
    EXPECT_EQ(Snapshot(archive), before);
    EXPECT_EQ(dir.Contents(), contents);
    EXPECT_EQ(ReadBytes(dir.path() / "in.far"), original);

    archive.Entries[2].RawSize = 0xFFFFFFFF;
    EXPECT_FALSE(archive.Save(dir / "other.far"));
    EXPECT_EQ(dir.Contents(), contents);
}

TEST(SaveLimitTest, MoreEntriesThanAReaderTakesAreNotSaved)
{
    TempDir dir;
    std::vector<ManifestRecord> records(TFarArchive::kMaxEntries, ManifestRecord{0, 0, 16, "e"});
    const std::string bytes = BuildRaw("FAR!byAZ", 1, "", TFarArchive::kMaxEntries, records);
    WriteBytes(dir / "full.far", bytes);
    TFarArchive archive;
    ASSERT_TRUE(archive.Open(dir / "full.far"));
    WriteBytes(dir / "one.txt", "1");
    archive.AddFile(dir / "one.txt");
    EXPECT_FALSE(archive.Save(dir / "full.far"));
    EXPECT_EQ(archive.Entries.size(), 500001u);
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"full.far", "one.txt"}));

    archive.Entries[0].State = esDeleted;
    ASSERT_TRUE(archive.Save(dir / "full.far"));
    archive.Close();
    ASSERT_TRUE(archive.Open(dir / "full.far"));
    EXPECT_EQ(archive.Entries.size(), 500000u);
    EXPECT_EQ(archive.Entries.back().Name, dir / "one.txt");
}

} // namespace
} // namespace kelvo::test
