// Hostile archives and folders: links and files planted where the archive
// object writes, data shared between entries, targets that must keep their
// identity. Each case checks that nothing outside the chosen folder or the
// target changes.
#include "tests/native/archive/archive_test_support.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::test {
namespace {

namespace fs = std::filesystem;

class HostileTest : public ArchiveTest {
protected:
    HostileTest()
    {
        fs::create_directories(dir.path() / "out");
        fs::create_directories(dir.path() / "outside");
        WriteBytes(dir / "outside/v.txt", "victim");
    }

    mode_t Mode(const std::string& path)
    {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }
};

TEST_F(HostileTest, LinksInTheOutputFolderAreReplacedNotWrittenThrough)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"f", "entry f"}, {"h", "entry h"}, {"d\\g", "entry g"}})));
    fs::create_symlink("../outside/v.txt", dir.path() / "out" / "f");
    fs::create_hard_link(dir.path() / "outside" / "v.txt", dir.path() / "out" / "h");
    // A link to a folder on the way is followed, as tar does.
    fs::create_directory_symlink("../outside", dir.path() / "out" / "d");
    for (const TFarEntry& entry : archive.Entries)
        EXPECT_TRUE(archive.ExtractEntry(entry, dir / "out")) << entry.Name << ": " << archive.LastError();
    EXPECT_EQ(ReadBytes(dir / "outside/v.txt"), "victim");
    EXPECT_FALSE(fs::is_symlink(dir.path() / "out" / "f"));
    EXPECT_EQ(ReadBytes(dir / "out/f"), "entry f");
    EXPECT_EQ(ReadBytes(dir / "out/h"), "entry h");
    EXPECT_EQ(ReadBytes(dir / "outside/g"), "entry g");
}

TEST_F(HostileTest, FailedExtractionKeepsTheFileItWouldHaveReplaced)
{
    // "cut" claims more bytes than the file holds; "dir" names a folder.
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "abc", 2, {{3, 3, 16, "dir"}, {9000, 9000, 100, "cut"}})));
    WriteBytes(dir / "out/cut", "the user's file");
    fs::create_directories(dir.path() / "out" / "dir" / "inner");
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[1], dir / "out"));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[0], dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/cut"), "the user's file");
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "out", "out/cut", "out/dir", "out/dir/inner",
                                                     "outside", "outside/v.txt"}));
}

TEST_F(HostileTest, OverlappingDataFailsThoseEntriesOnly)
{
    // Three entries share one run, one reaches into the next, one covers the
    // header, one the manifest; "good" and the empty entries stand alone.
    const std::string data = std::string(64, 'x') + "good";
    const std::uint32_t manifest = 16 + static_cast<std::uint32_t>(data.size());
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, data, 9,
                                   {{32, 32, 16, "s1"}, {32, 32, 16, "s2"}, {8, 8, 16, "s3"}, {20, 20, 40, "reach"},
                                    {4, 4, 80, "good"}, {0, 0, 16, "empty"}, {0, 0, 20, "empty2"},
                                    {8, 8, 0, "header"}, {8, 8, manifest, "manifest"}})));
    int written = 0;
    for (const TFarEntry& entry : archive.Entries) {
        if (archive.ExtractEntry(entry, dir / "out"))
            ++written;
        else
            EXPECT_EQ(archive.LastError(), "The data of entry " + entry.Name +
                                               " overlaps another entry's data, the header or the list of entries.");
    }
    EXPECT_EQ(written, 3);
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "out", "out/good", "out/empty", "out/empty2",
                                                     "outside", "outside/v.txt"}));
    EXPECT_EQ(ReadBytes(dir / "out/good"), "good");
}

TEST_F(HostileTest, PreviewAndTemporaryNamesAreNeverFollowedOrReused)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "entry bytes"}})));
    // A link planted at the preview's name is replaced, not written through.
    fs::create_symlink(dir.path() / "outside" / "v.txt", archive.TempFileName());
    ASSERT_TRUE(archive.ExtractToTemp(0));
    EXPECT_FALSE(fs::is_symlink(archive.TempFileName()));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "entry bytes");
    EXPECT_EQ(ReadBytes(dir / "outside/v.txt"), "victim");
    archive.DeleteTempFile();

    // Replacement files get a fresh name each time, and the exclusive create
    // never opens one that exists.
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string name;
        ASSERT_TRUE(platform::CreateReplacement(dir / "out/target", name).IsOpen());
        EXPECT_TRUE(names.insert(name).second) << name;
    }
    fs::create_symlink(dir.path() / "outside" / "v.txt", dir.path() / "out" / "planted");
    for (platform::File::Mode mode : {platform::File::Mode::CreateNew, platform::File::Mode::CreateNewLocked,
                                      platform::File::Mode::CreateLocked})
        EXPECT_FALSE(platform::File::Open(dir / "out/planted", mode).IsOpen());
    EXPECT_EQ(ReadBytes(dir / "outside/v.txt"), "victim");
}

TEST_F(HostileTest, SaveKeepsTheTargetsModeAndLinkAndRefusesReadOnlyAndHeldTargets)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "A"}})));
    ASSERT_EQ(::chmod((dir / "in.far").c_str(), 0600), 0);
    archive.Entries[0].State = esDeleted;
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(Mode(dir / "in.far"), 0600u);
    EXPECT_EQ(ReadBytes(dir / "in.far"), BuildArchive({}));

    // Saved through a link: the link stays, the file it leads to changes.
    WriteBytes(dir / "outside/real.far", BuildArchive({{"old", "o"}}));
    ASSERT_EQ(::chmod((dir / "outside/real.far").c_str(), 0640), 0);
    fs::create_symlink("../outside/real.far", dir.path() / "out" / "link.far");
    ASSERT_TRUE(archive.Save(dir / "out/link.far"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "out" / "link.far"));
    EXPECT_EQ(ReadBytes(dir / "outside/real.far"), BuildArchive({}));
    EXPECT_EQ(Mode(dir / "outside/real.far"), 0640u);

    // A read-only file, or one that another program holds, is not replaced.
    const std::string locked = BuildArchive({{"theirs", "t"}});
    WriteBytes(dir / "out/ro.far", locked);
    WriteBytes(dir / "out/held.far", locked);
    ASSERT_EQ(::chmod((dir / "out/ro.far").c_str(), 0444), 0);
    TFarArchive other;
    ASSERT_TRUE(other.Open(dir / "out/held.far"));
    archive.AddFile(dir / "outside/v.txt");
    EXPECT_FALSE(archive.Save(dir / "out/ro.far"));
    EXPECT_EQ(archive.LastError(), "The file " + (dir / "out/ro.far") + " is read-only.");
    EXPECT_FALSE(archive.Save(dir / "out/held.far"));
    EXPECT_EQ(archive.LastError(), "The file " + (dir / "out/held.far") + " is in use by another program.");
    EXPECT_EQ(ReadBytes(dir / "out/ro.far"), locked);
    EXPECT_EQ(ReadBytes(dir / "out/held.far"), locked);
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "out", "out/link.far", "out/ro.far", "out/held.far",
                                                     "outside", "outside/v.txt", "outside/real.far"}));
}

TEST_F(HostileTest, TheArchiveIsNoOutputUnderAnyOfItsNames)
{
    // The archive is reached through a link, or has another name by a hard
    // link, in the folder written to: each of its names stays its own.
    WriteBytes(dir / "outside/real.far", BuildArchive({{"real.far", "entry"}, {"hard.far", "entry"}}));
    fs::create_symlink("../outside/real.far", dir.path() / "out" / "link.far");
    fs::create_hard_link(dir.path() / "outside" / "real.far", dir.path() / "out" / "hard.far");
    ASSERT_TRUE(archive.Open(dir / "out/link.far"));
    const std::string before = ReadBytes(dir / "outside/real.far");
    for (const auto& [position, folder] : {std::pair{0, "outside"}, {1, "out"}}) {
        EXPECT_FALSE(archive.ExtractEntry(archive.Entries[position], dir / folder)) << folder;
        EXPECT_EQ(archive.LastError(), "The file " + (dir / folder) + "\\" + archive.Entries[position].Name +
                                           " is the archive itself.");
    }
    EXPECT_EQ(ReadBytes(dir / "outside/real.far"), before);
    EXPECT_TRUE(fs::equivalent(dir.path() / "out" / "hard.far", dir.path() / "outside" / "real.far"));
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"out", "out/link.far", "out/hard.far", "outside",
                                                     "outside/v.txt", "outside/real.far"}));
}

TEST_F(HostileTest, AFolderCheckedOnceIsNotFollowedOnceSwappedForALink)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"d\\a", "a"}, {"d\\b", "b"}, {"d\\e\\c", "c"}})));
    ASSERT_TRUE(archive.ExtractEntry(archive.Entries[0], dir / "out"));
    fs::rename(dir.path() / "out" / "d", dir.path() / "out" / "moved");
    fs::create_directory_symlink("../outside", dir.path() / "out" / "d");
    // The folder itself, and a new folder below it.
    for (const std::size_t position : {1u, 2u}) {
        EXPECT_FALSE(archive.ExtractEntry(archive.Entries[position], dir / "out"));
        EXPECT_EQ(archive.LastError(), "The folder " + (dir / "out") + "\\d\\ was replaced during the extraction.");
    }
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "out", "out/d", "out/moved", "out/moved/a", "outside",
                                                     "outside/v.txt"}));
}

TEST_F(HostileTest, WithinARunNoEntryReplacesTheFileOfAnother)
{
    // Two entries of one name, two added files of one file name, and an
    // added file named like an entry at the top.
    fs::create_directories(dir.path() / "one");
    fs::create_directories(dir.path() / "two");
    WriteBytes(dir / "one/x.txt", "added one");
    WriteBytes(dir / "two/x.txt", "added two");
    WriteBytes(dir / "two/top", "added top");
    ASSERT_TRUE(OpenBytes(BuildArchive({{"dup", "first"}, {"dup", "second"}, {"top", "entry top"}})));
    for (const char* added : {"one/x.txt", "two/x.txt", "two/top"})
        archive.AddFile(dir / added);
    std::vector<std::string> failed;
    {
        TExtractionRun run(archive);
        for (const TFarEntry& entry : archive.Entries) {
            if (!archive.ExtractEntry(entry, dir / "out"))
                failed.push_back(archive.LastError());
        }
    }
    const auto sameFile = [&](const char* name) {
        return "The file " + (dir / "out") + "\\" + name +
               " was written for another entry of this extraction (the entries' names lead to the same file).";
    };
    EXPECT_EQ(failed, (std::vector<std::string>{sameFile("dup"), sameFile("x.txt"), sameFile("top")}));
    EXPECT_EQ(ReadBytes(dir / "out/dup"), "first");
    EXPECT_EQ(ReadBytes(dir / "out/x.txt"), "added one");
    EXPECT_EQ(ReadBytes(dir / "out/top"), "entry top");
    // Outside a run (or in the next one) an entry replaces its earlier output.
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[1], dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/dup"), "second");
    TExtractionRun next(archive);
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[0], dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/dup"), "first");
}

TEST_F(HostileTest, AReadOnlyFileIsNotReplaced)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"ro", "new"}})));
    WriteBytes(dir / "out/ro", "kept");
    ASSERT_EQ(::chmod((dir / "out/ro").c_str(), 0444), 0);
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[0], dir / "out"));
    EXPECT_EQ(archive.LastError(), "The file " + (dir / "out") + "\\ro cannot be replaced. " + std::strerror(EACCES) + ".");
    EXPECT_EQ(ReadBytes(dir / "out/ro"), "kept");
}

TEST_F(HostileTest, NamedPipesAreNeitherAddedNorWaitedFor)
{
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    archive.AddFile(dir / "pipe");
    EXPECT_TRUE(archive.Entries.empty());
    EXPECT_FALSE(platform::File::Open(dir / "pipe", platform::File::Mode::Read).IsOpen());
    EXPECT_FALSE(platform::IsRegularFile(dir / "pipe"));
    EXPECT_TRUE(platform::FileExists(dir / "pipe"));
}

} // namespace
} // namespace kelvo::test
