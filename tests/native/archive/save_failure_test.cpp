// A save that fails leaves the target as it was, no temporary file behind, and
// the object still describing (and reading) the file it had open.
#include "tests/native/archive/archive_test_support.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
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
                            {{3, 3, 19, "a.txt"}, {3, 3, 22, "b.txt"}, {kBig, kBig, 25, "big.bin"}});
        ASSERT_TRUE(OpenBytes(original));
        WriteBytes(dir / "new1.txt", added[0]);
        WriteBytes(dir / "new2.txt", added[1]);
        archive.AddFile(dir / "new1.txt");
        archive.AddFile(dir / "new2.txt");
        archive.SetDeleted(archive.Entries[1], true);
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
    void ExpectSaveFails(const std::string& target, const std::string& reason, rlim_t fileLimit = 0)
    {
        const std::set<std::string> contents = dir.Contents();
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const rlimit limit = {fileLimit > 0 ? fileLimit : saved.rlim_cur, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        EXPECT_FALSE(archive.Save(target)) << target;
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(archive.LastError().substr(0, reason.size()), reason) << target;
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
                           {{3, 3, 16, "a.txt"}, {kBig, kBig, 19, "big.bin"}, {11, 11, 19 + kBig, dir / "new1.txt"},
                            {5000, 5000, 30 + kBig, dir / "new2.txt"}}));
    }

    static constexpr std::uint32_t kBig = platform::kCopyBufferSize + 1000;
    const std::string stored[3] = {"AAA", "BBB", Pattern(kBig, 3)};
    const std::string added[2] = {"first added", Pattern(5000, 4)};
    std::string original;
    std::vector<EntryFields> before;
};

TEST_F(SaveFailureTest, AddedFileDeletedOrNotARegularFile)
{
    const std::string unreadable = "The added file " + (dir / "new1.txt") + " cannot be read";
    std::filesystem::remove(dir / "new1.txt");
    ExpectSaveFails(dir / "in.far", unreadable);
    ExpectSaveFails(dir / "other.far", unreadable);
    // A named pipe in its place is refused at once, not waited on.
    ASSERT_EQ(::mkfifo((dir / "new1.txt").c_str(), 0600), 0);
    ExpectSaveFails(dir / "in.far", unreadable);
    std::filesystem::remove(dir / "new1.txt");
    WriteBytes(dir / "new1.txt", added[0]);
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, TargetFolderMissingOrTargetNotReplaceable)
{
    const std::string noFile = "No new file can be created in the target's folder. No such file or directory.";
    ExpectSaveFails(dir / "missing/out.far", noFile);
    WriteBytes(dir / "plain", "file, not folder");
    ExpectSaveFails((dir / "plain") + "\\out.far", "No new file can be created in the target's folder. Not a directory.");
    // The new file is complete, but the rename onto a folder fails after the
    // open archive has been let go: it is taken again.
    std::filesystem::create_directories(dir / "taken.far/inside");
    ExpectSaveFails(dir / "taken.far", "The new archive could not take the place of the old file");
    EXPECT_FALSE(platform::File::Open(dir / "in.far", platform::File::Mode::Read).IsOpen());
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, FullDisk)
{
    for (rlim_t limit : {rlim_t{100000}, rlim_t{16 + 3 + kBig + 11 + 5000 + 10}}) { // in the data; in the manifest
        ExpectSaveFails(dir / "in.far", "The new archive could not be written. File too large.", limit);
        ExpectSaveFails(dir / "other.far", "The new archive could not be written.", limit);
    }
    ExpectSaveWorks();
}

TEST_F(SaveFailureTest, ArchiveThatWouldPassTwoGigabytesIsNotStarted)
{
    // One byte more than a signed 32-bit file length allows, with the marked
    // entry left out: header, data, count and records.
    const std::uint64_t rest = 16 + 3 + 11 + 5000 + 4 + (16 + 5) + (16 + 7) + (16 + (dir / "new1.txt").size()) +
                               (16 + (dir / "new2.txt").size());
    // Refused before anything is written.
    const std::set<std::string> contents = dir.Contents();
    for (std::uint32_t size : {static_cast<std::uint32_t>(0x80000000ull - rest), 0xFFFFFFFFu}) {
        archive.Entries[2].RawSize = size;
        before = Fields();
        EXPECT_FALSE(archive.Save(dir / "in.far"));
        EXPECT_EQ(archive.LastError().substr(0, 42), "The archive would be larger than 2 GB (2,1");
        EXPECT_EQ(Fields(), before);
        EXPECT_EQ(ReadBytes(dir / "in.far"), original);
        EXPECT_EQ(dir.Contents(), contents);
    }
}

// A save killed at any point of its writing (a crash, a power loss as the
// program sees it) leaves the old archive whole: the process is ended by the
// file size limit at every write boundary and in the middle of each write.
TEST_F(SaveFailureTest, SaveKilledAtAnyWriteLeavesTheOldArchiveWhole)
{
    archive.Close(); // the child opens its own
    const std::uint64_t length = 16 + 3 + kBig + 11 + 5000 + 4 + (16 + 5) + (16 + 7) + (16 + (dir / "new1.txt").size()) +
                                 (16 + (dir / "new2.txt").size());
    for (std::uint64_t limit : {std::uint64_t{1}, std::uint64_t{10}, std::uint64_t{16}, std::uint64_t{17},
                                std::uint64_t{19}, std::uint64_t{19 + kBig / 2}, std::uint64_t{19 + kBig},
                                std::uint64_t{30 + kBig}, std::uint64_t{30 + kBig + 2500}, std::uint64_t{30 + kBig + 5000},
                                std::uint64_t{34 + kBig + 5000}, length - 1}) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            TFarArchive saver;
            saver.Open(dir / "in.far");
            saver.AddFile(dir / "new1.txt");
            saver.AddFile(dir / "new2.txt");
            saver.SetDeleted(saver.Entries[1], true);
            const rlimit limitTo = {static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
            setrlimit(RLIMIT_FSIZE, &limitTo);
            std::signal(SIGXFSZ, SIG_DFL);
            saver.Save(dir / "in.far");
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << limit;
        EXPECT_EQ(ReadBytes(dir / "in.far"), original) << limit;
    }
    // What a crash leaves is only the unfinished new file, under a name of its own.
    for (const std::string& name : dir.Contents())
        EXPECT_TRUE(name == "in.far" || name == "new1.txt" || name == "new2.txt" ||
                    (name.rfind("~kv", 0) == 0 && name.size() == 19 && name.substr(15) == ".tmp"))
            << name;
}

// The new file's name is short and unique in the folder: a target whose own
// name is as long as the system allows still saves, also over a leftover.
TEST_F(SaveFailureTest, TargetWithTheLongestNameSaves)
{
    const std::string target = dir / (std::string(251, 'n') + ".far");
    ASSERT_TRUE(archive.Save(target));
    archive.Close();
    ASSERT_TRUE(archive.Open(target));
    WriteBytes(dir / "new1.txt", "changed");
    archive.AddFile(dir / "new1.txt");
    ASSERT_TRUE(archive.Save(target));
    EXPECT_EQ(archive.Entries.size(), 5u);
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "new1.txt", "new2.txt", std::string(251, 'n') + ".far"}));
}

} // namespace
} // namespace kelvo::test
