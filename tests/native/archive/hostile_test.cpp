// Hostile archives and folders: planted links and files, shared data, targets keeping their identity.
#include "tests/native/archive/archive_test_support.h"

#include <cerrno>
#include <cstring>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
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
    mode_t Mode(const std::string& path) { struct stat info {}; return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0; }
    std::set<std::string> Plus(std::set<std::string> names) { names.insert({"in.far", "out", "outside", "outside/v.txt"}); return names; }
};

TEST_F(HostileTest, ExtractionReplacesLinksAndKeepsFilesItCannotReplace)
{
    // "cut" claims more bytes than the file holds; "dir" names a folder.
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "abcfhgr", 6, {{1, 1, 19, "f"}, {1, 1, 20, "h"}, {1, 1, 21, "d\\g"},
                                                               {3, 3, 16, "dir"}, {9000, 9000, 100, "cut"}, {1, 1, 22, "ro"}})));
    fs::create_symlink("../outside/v.txt", dir.path() / "out" / "f");
    fs::create_hard_link(dir.path() / "outside" / "v.txt", dir.path() / "out" / "h");
    fs::create_directory_symlink("../outside", dir.path() / "out" / "d"); // a folder link on the way is followed
    WriteBytes(dir / "out/cut", "the user's file");
    fs::create_directories(dir.path() / "out" / "dir" / "inner");
    WriteBytes(dir / "out/ro", "kept");
    ASSERT_EQ(::chmod((dir / "out/ro").c_str(), 0444), 0);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(archive.ExtractEntry(archive.Entries[i], dir / "out"), i < 3) << i << archive.LastError();
    EXPECT_EQ(archive.LastError(), "The file " + (dir / "out") + "\\ro cannot be replaced. " + std::strerror(EACCES) + ".");
    EXPECT_EQ(ReadBytes(dir / "outside/v.txt"), "victim");
    EXPECT_FALSE(fs::is_symlink(dir.path() / "out" / "f"));
    EXPECT_EQ(ReadBytes(dir / "out/f") + ReadBytes(dir / "out/h") + ReadBytes(dir / "outside/g"), "fhg");
    EXPECT_EQ(ReadBytes(dir / "out/cut") + ReadBytes(dir / "out/ro"), "the user's filekept");
    EXPECT_EQ(dir.Contents(), Plus({"out/f", "out/h", "out/d", "outside/g", "out/cut", "out/dir", "out/dir/inner", "out/ro"}));
}

// Shared runs, a reach into the next, the header, the manifest; "good" and the empty entry stand alone.
TEST_F(HostileTest, OverlappingDataFailsThoseEntriesOnly)
{
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, std::string(64, 'x') + "good", 7,
                                   {{32, 32, 16, "s1"}, {8, 8, 16, "s2"}, {20, 20, 40, "reach"}, {4, 4, 80, "good"},
                                    {0, 0, 16, "empty"}, {8, 8, 0, "header"}, {8, 8, 84, "manifest"}})));
    for (const TFarEntry& entry : archive.Entries)
        EXPECT_TRUE(archive.ExtractEntry(entry, dir / "out") || archive.LastError() == "The data of entry " + entry.Name +
                    " overlaps another entry's data, the header or the list of entries.") << archive.LastError();
    EXPECT_EQ(dir.Contents(), Plus({"out/good", "out/empty"}));
    EXPECT_EQ(ReadBytes(dir / "out/good"), "good");
}

TEST_F(HostileTest, PreviewAndTemporaryNamesAreNeverFollowedOrReused)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "entry bytes"}})));
    fs::create_symlink(dir.path() / "outside" / "v.txt", archive.TempFileName());
    ASSERT_TRUE(archive.ExtractToTemp(0));
    EXPECT_FALSE(fs::is_symlink(archive.TempFileName()));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "entry bytes");
    archive.DeleteTempFile();
    // Replacement files get a fresh name each time; the exclusive create never opens one that exists.
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string name;
        ASSERT_TRUE(platform::CreateReplacement(dir / "out/target", name).IsOpen());
        EXPECT_TRUE(names.insert(name).second) << name;
    }
    fs::create_symlink(dir.path() / "outside" / "v.txt", dir.path() / "out" / "planted");
    for (auto mode : {platform::File::Mode::CreateNew, platform::File::Mode::CreateNewLocked, platform::File::Mode::CreateLocked})
        EXPECT_FALSE(platform::File::Open(dir / "out/planted", mode).IsOpen());
    EXPECT_EQ(ReadBytes(dir / "outside/v.txt"), "victim");
}

TEST_F(HostileTest, SaveKeepsTheTargetsModeAndLinksAndRefusesReadOnlyAndHeldTargets)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "A"}})));
    ASSERT_EQ(::chmod((dir / "in.far").c_str(), 0600), 0);
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(Mode(dir / "in.far"), 0600u);
    // Through a link the link stays and the file it leads to changes, keeping its mode; a link that leads
    // to no file yet (through any number of links) makes the file it names.
    WriteBytes(dir / "outside/real.far", BuildArchive({{"old", "o"}}));
    ASSERT_EQ(::chmod((dir / "outside/real.far").c_str(), 0640), 0);
    fs::create_symlink("../outside/real.far", dir.path() / "out" / "link.far");
    fs::create_symlink("../outside/new.far", dir.path() / "out" / "dangling.far");
    fs::create_symlink("dangling.far", dir.path() / "out" / "chain.far");
    for (const char* name : {"out/link.far", "out/dangling.far", "out/chain.far"}) {
        fs::remove(dir.path() / "outside" / "new.far");
        ASSERT_TRUE(archive.Save(dir / name)) << name << archive.LastError();
        EXPECT_TRUE(fs::is_symlink(dir.path() / name)) << name;
    }
    EXPECT_EQ(ReadBytes(dir / "outside/real.far") + ReadBytes(dir / "outside/new.far"), BuildArchive({{"a", "A"}}) + BuildArchive({{"a", "A"}}));
    EXPECT_EQ(Mode(dir / "outside/real.far"), 0640u);
    // A read-only file, or one that another program holds, is not replaced.
    const std::string theirs = BuildArchive({{"theirs", "t"}});
    WriteBytes(dir / "out/ro.far", theirs);
    WriteBytes(dir / "out/held.far", theirs);
    ASSERT_EQ(::chmod((dir / "out/ro.far").c_str(), 0444), 0);
    TFarArchive other;
    ASSERT_TRUE(other.Open(dir / "out/held.far"));
    for (const auto& [name, why] : {std::pair{"out/ro.far", " is read-only."}, {"out/held.far", " is in use by another program."}}) {
        EXPECT_FALSE(archive.Save(dir / name));
        EXPECT_EQ(archive.LastError(), "The file " + (dir / name) + why);
        EXPECT_EQ(ReadBytes(dir / name), theirs);
    }
    EXPECT_EQ(dir.Contents(), Plus({"out/link.far", "out/dangling.far", "out/chain.far", "out/ro.far", "out/held.far",
                                    "outside/real.far", "outside/new.far"}));
}

// Makes chmod and unlink fail in this process, so a save stops with its new file as it was made.
void ForbidChmodAndUnlink()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fchmod, 4, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fchmodat, 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_unlink, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_unlinkat, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
    };
    sock_fprog program = {static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        _exit(2);
}

// The new file of a save over a private archive is private from the moment it exists.
TEST_F(HostileTest, ReplacementOfAPrivateArchiveIsPrivateFromTheStart)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "secret"}})));
    ASSERT_EQ(::chmod((dir / "in.far").c_str(), 0640), 0);
    archive.Close();
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::umask(0);
        TFarArchive saver;
        saver.Open(dir / "in.far");
        ForbidChmodAndUnlink();
        _exit(saver.Save(dir / "in.far") ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string left = *dir.Contents().rbegin(); // "~kv..." sorts last
    EXPECT_EQ(dir.Contents(), Plus({left}));
    EXPECT_EQ(Mode(dir / left), 0600u);
    EXPECT_EQ(Mode(dir / "in.far"), 0640u);
}

// In a sticky world-writable folder a link is followed only when the saver or the folder's owner owns it.
TEST_F(HostileTest, LinksOfOtherUsersInASharedFolderAreNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving folders and links to another user needs the superuser";
    const uid_t me = 0, other = 65534;
    const std::tuple<mode_t, uid_t, uid_t, bool> cases[] = { // folder mode and owner, link owner, followed
        {01777, me, other, false}, {01777, me, me, true}, {01777, other, other, true},
        {00777, me, other, true}, // not sticky: the kernel follows it too
        {01755, me, other, true}}; // sticky, but only its owner may write to it
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "A"}})));
    const std::string old = BuildArchive({{"old", "o"}});
    int n = 0;
    for (const auto& [folderMode, folderOwner, linkOwner, followed] : cases) {
        const std::string folder = "shared" + std::to_string(++n), link = dir / (folder + "/t.far");
        SCOPED_TRACE(folder);
        const std::string victim = dir / ("outside/" + folder + ".far");
        WriteBytes(victim, old);
        fs::create_directory(dir.path() / folder);
        fs::create_symlink(victim, link);
        ASSERT_EQ(::lchown(link.c_str(), linkOwner, linkOwner) | ::chown((dir / folder).c_str(), folderOwner, folderOwner) |
                      ::chmod((dir / folder).c_str(), folderMode), 0);
        EXPECT_EQ(archive.Save(link), followed);
        EXPECT_EQ(ReadBytes(victim), followed ? BuildArchive({{"a", "A"}}) : old);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_TRUE(followed || archive.LastError() == "The file " + link + " is a link that another user may have planted "
                                                              "in a shared folder; it is not followed.") << archive.LastError();
    }
}

TEST_F(HostileTest, TheArchiveIsNoOutputUnderAnyOfItsNames)
{
    // Reached through a link, or another name by a hard link, in the folder written to.
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
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"out", "out/link.far", "out/hard.far", "outside", "outside/v.txt",
                                                     "outside/real.far"}));
}

TEST_F(HostileTest, AFolderCheckedOnceIsNotFollowedOnceSwappedForALink)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"d\\a", "a"}, {"d\\b", "b"}, {"d\\e\\c", "c"}})));
    ASSERT_TRUE(archive.ExtractEntry(archive.Entries[0], dir / "out"));
    fs::rename(dir.path() / "out" / "d", dir.path() / "out" / "moved");
    fs::create_directory_symlink("../outside", dir.path() / "out" / "d");
    for (const std::size_t position : {1u, 2u}) { // the folder itself, and a new folder below it
        EXPECT_FALSE(archive.ExtractEntry(archive.Entries[position], dir / "out"));
        EXPECT_EQ(archive.LastError(), "The folder " + (dir / "out") + "\\d\\ was replaced during the extraction.");
    }
    EXPECT_EQ(dir.Contents(), Plus({"out/d", "out/moved", "out/moved/a"}));
}

TEST_F(HostileTest, WithinARunNoEntryReplacesTheFileOfAnother)
{
    // Two entries of one name, two added files of one file name, and an added file named like an entry.
    fs::create_directories(dir.path() / "one");
    fs::create_directory(dir.path() / "two");
    WriteBytes(dir / "one/x.txt", "added one");
    WriteBytes(dir / "two/x.txt", "added two");
    WriteBytes(dir / "two/top", "added top");
    ASSERT_TRUE(OpenBytes(BuildArchive({{"dup", "first"}, {"dup", "second"}, {"top", "entry top"}})));
    for (const char* added : {"one/x.txt", "two/x.txt", "two/top"})
        archive.AddFile(dir / added);
    std::vector<std::string> failed;
    {
        TExtractionRun run(archive);
        for (const TFarEntry& entry : archive.Entries)
            if (!archive.ExtractEntry(entry, dir / "out"))
                failed.push_back(archive.LastError());
    }
    const std::string same = " was written for another entry of this extraction (the entries' names lead to the same file).";
    EXPECT_EQ(failed, (std::vector<std::string>{"The file " + (dir / "out") + "\\dup" + same, "The file " + (dir / "out") + "\\x.txt" + same,
                                                "The file " + (dir / "out") + "\\top" + same}));
    EXPECT_EQ(ReadBytes(dir / "out/dup") + ReadBytes(dir / "out/x.txt") + ReadBytes(dir / "out/top"), "firstadded oneentry top");
    // Outside a run (or in the next one) an entry replaces its earlier output.
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[1], dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/dup"), "second");
    TExtractionRun next(archive);
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[0], dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/dup"), "first");
}

TEST_F(HostileTest, NamedPipesAreNeitherAddedNorWaitedFor)
{
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    archive.AddFile(dir / "pipe");
    EXPECT_TRUE(archive.Entries.empty() && !platform::File::Open(dir / "pipe", platform::File::Mode::Read).IsOpen());
    EXPECT_TRUE(!platform::IsRegularFile(dir / "pipe") && platform::FileExists(dir / "pipe"));
}

} // namespace
} // namespace kelvo::test
