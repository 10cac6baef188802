// A failed save leaves the target as it was, no temporary file, and the object reading the file it had open.
#include "tests/native/archive/archive_test_support.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvo::test {
namespace {

using EntryFields = std::tuple<int, int, std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::string>;

class SaveFailureTest : public ArchiveTest {
protected:
    // Three entries after a gap (a save moves every offset), the last over the copy buffer; two added; the middle marked.
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
    // The save fails and all is as before; a file size limit acts as a full disk (SIGXFSZ ignored).
    void ExpectSaveFails(const std::string& target, const std::string& reason, rlim_t fileLimit = 0)
    {
        SCOPED_TRACE(target + " " + std::to_string(fileLimit));
        const std::set<std::string> contents = dir.Contents();
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const rlimit limit = {fileLimit > 0 ? fileLimit : saved.rlim_cur, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        EXPECT_FALSE(archive.Save(target));
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(archive.LastError().substr(0, reason.size()), reason);
        EXPECT_EQ(ReadBytes(dir / "in.far"), original);
        EXPECT_EQ(dir.Contents(), contents);
        EXPECT_EQ(Fields(), before);
        EXPECT_EQ(std::tie(archive.FileName, archive.Signature, archive.Version, archive.ManifestOffset, archive.EntryCount),
                  std::make_tuple(dir / "in.far", std::string("OLD!SIG!"), 5u, 25u + kBig, 5));
        for (int i = 0; i < 3; ++i) // the stored entries still come from the open archive
            EXPECT_TRUE(archive.ExtractToTemp(i) && ReadBytes(archive.TempFileName()) == stored[i]) << i;
    }
    static constexpr std::uint32_t kBig = platform::kCopyBufferSize + 1000;
    const std::string stored[3] = {"AAA", "BBB", Pattern(kBig, 3)};
    const std::string added[2] = {"first added", Pattern(5000, 4)};
    const std::uint64_t length = 16 + 3 + kBig + 11 + 5000 + 4 + (16 + 5) + (16 + 7) + (16 + (dir / "new1.txt").size()) +
                                 (16 + (dir / "new2.txt").size()); // of the saved archive
    std::string original;
    std::vector<EntryFields> before;
};

TEST_F(SaveFailureTest, EachFailureLeavesEverythingAsItWasAndTheNextSaveWorks)
{
    // An added file deleted, or a named pipe in its place (refused at once, not waited on).
    const std::string unreadable = "The added file " + (dir / "new1.txt") + " cannot be read";
    std::filesystem::remove(dir / "new1.txt");
    ExpectSaveFails(dir / "in.far", unreadable);
    ExpectSaveFails(dir / "other.far", unreadable);
    ASSERT_EQ(::mkfifo((dir / "new1.txt").c_str(), 0600), 0);
    ExpectSaveFails(dir / "in.far", unreadable);
    std::filesystem::remove(dir / "new1.txt");
    WriteBytes(dir / "new1.txt", added[0]);
    // No folder, a file for a folder; a folder at the target (the rename fails after the open
    // archive was let go: it is taken again).
    ExpectSaveFails(dir / "missing/out.far", "No new file can be created in the target's folder. No such file or directory.");
    WriteBytes(dir / "plain", "file, not folder");
    ExpectSaveFails((dir / "plain") + "\\out.far", "No new file can be created in the target's folder. Not a directory.");
    std::filesystem::create_directories(dir / "taken.far/inside");
    ExpectSaveFails(dir / "taken.far", "The new archive could not take the place of the old file");
    EXPECT_FALSE(platform::File::Open(dir / "in.far", platform::File::Mode::Read).IsOpen());
    // A full disk, in the data and in the manifest.
    for (rlim_t limit : {rlim_t{100000}, rlim_t{16 + 3 + kBig + 11 + 5000 + 10}}) {
        ExpectSaveFails(dir / "in.far", "The new archive could not be written. File too large.", limit);
        ExpectSaveFails(dir / "other.far", "The new archive could not be written.", limit);
    }
    // Past 2 GB (one byte more than a signed 32-bit length allows): refused before anything is written.
    for (std::uint32_t size : {static_cast<std::uint32_t>(0x80000000ull - (length - kBig)), 0xFFFFFFFFu}) {
        const std::uint32_t kept = archive.Entries[2].RawSize;
        archive.Entries[2].RawSize = size;
        before = Fields();
        EXPECT_FALSE(archive.Save(dir / "in.far"));
        EXPECT_EQ(archive.LastError().substr(0, 42), "The archive would be larger than 2 GB (2,1");
        EXPECT_EQ(Fields(), before);
        archive.Entries[2].RawSize = kept;
        before = Fields();
    }
    EXPECT_EQ(ReadBytes(dir / "in.far"), original);
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    archive.Close();
    EXPECT_EQ(ReadBytes(dir / "in.far"),
              BuildRaw("FAR!byAZ", 1, stored[0] + stored[2] + added[0] + added[1], 4,
                       {{3, 3, 16, "a.txt"}, {kBig, kBig, 19, "big.bin"}, {11, 11, 19 + kBig, dir / "new1.txt"},
                        {5000, 5000, 30 + kBig, dir / "new2.txt"}}));
}

// A save killed (the file size limit) at every write boundary and within each write leaves the old archive whole.
TEST_F(SaveFailureTest, SaveKilledAtAnyWriteLeavesTheOldArchiveWhole)
{
    archive.Close(); // the child opens its own
    for (std::uint64_t limit : std::vector<std::uint64_t>{1, 10, 16, 17, 19, 19 + kBig / 2, 19 + kBig, 30 + kBig,
                                                          30 + kBig + 2500, 30 + kBig + 5000, 34 + kBig + 5000, length - 1}) {
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
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ && ReadBytes(dir / "in.far") == original) << limit;
    }
    // What a crash leaves is only the unfinished new file, under a short name of its own.
    for (const std::string& name : dir.Contents())
        EXPECT_TRUE(name == "in.far" || name == "new1.txt" || name == "new2.txt" ||
                    (name.rfind("~kv", 0) == 0 && name.size() == 19 && name.substr(15) == ".tmp"))
            << name;
    // So a target whose own name is as long as the system allows still saves, also over a leftover.
    const std::string target = dir / (std::string(251, 'n') + ".far");
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    ASSERT_TRUE(archive.Save(target));
    ASSERT_TRUE(archive.Save(target));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"AAA", "BBB", stored[2]}));
}

} // namespace
} // namespace kelvo::test
