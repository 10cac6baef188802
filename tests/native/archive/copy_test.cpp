// Adding files, extracting entries into folders and previewing them through
// the temporary file.
#include "tests/native/archive/archive_test_support.h"

#include <unistd.h>

namespace kelvo::test {
namespace {

class CopyTest : public ::testing::Test {
protected:
    void OpenArchive(const std::vector<EntrySpec>& entries)
    {
        WriteBytes(dir / "in.far", BuildArchive(entries));
        ASSERT_TRUE(archive.Open(dir / "in.far"));
    }

    TempDir dir;
    TFarArchive archive;
};

TEST_F(CopyTest, AddFileRecordsNameAndSizeOnly)
{
    OpenArchive({{"0", "a"}, {"1", "b"}, {"2", "c"}, {"3", "d"}, {"4", "e"}});
    WriteBytes(dir / "new.bmp", "0123456789");
    archive.AddFile(dir / "new.bmp");
    ASSERT_EQ(archive.Entries.size(), 6u);
    const TFarEntry& e = archive.Entries[5];
    EXPECT_EQ(e.Index, 6);
    EXPECT_EQ(e.State, esNew);
    EXPECT_EQ(e.BaseState, esNew);
    EXPECT_EQ(e.RawSize, 10u);
    EXPECT_EQ(e.CompressedSize, 10u);
    EXPECT_EQ(e.FileOffset, 0u);
    EXPECT_EQ(e.Name, dir / "new.bmp");
    EXPECT_EQ(e.NameLength, e.Name.size());
    EXPECT_EQ(archive.EntryCount, 6);

    // The same file again is another entry.
    archive.AddFile(dir / "new.bmp");
    EXPECT_EQ(archive.Entries.size(), 7u);
    EXPECT_EQ(archive.Entries[6].Index, 7);
    EXPECT_EQ(archive.EntryCount, 7);
}

TEST_F(CopyTest, AddFileOfWhatCannotBeReadAddsNothing)
{
    std::filesystem::create_directory(dir.path() / "folder");
    archive.AddFile(dir / "missing.txt");
    archive.AddFile(dir / "folder");
    archive.AddFile("");
    EXPECT_TRUE(archive.Entries.empty());
    EXPECT_EQ(archive.EntryCount, 0);

    // The open archive itself is held without sharing.
    OpenArchive({{"a", "b"}});
    archive.AddFile(dir / "in.far");
    EXPECT_EQ(archive.Entries.size(), 1u);
}

TEST_F(CopyTest, AddFileNameLimitIs2047)
{
    WriteBytes(dir / "f", "x");
    // Pad the path with "./" steps (and one doubled slash) up to the lengths wanted.
    auto pathOfLength = [&](std::size_t length) {
        std::string path = dir.path().string() + "/";
        std::size_t missing = length - path.size() - 1;
        if (missing % 2 != 0)
            path += "/";
        for (std::size_t i = 0; i < missing / 2; ++i)
            path += "./";
        return path + "f";
    };
    const std::string ok = pathOfLength(2047);
    const std::string tooLong = pathOfLength(2048);
    ASSERT_EQ(ok.size(), 2047u);
    ASSERT_EQ(tooLong.size(), 2048u);
    archive.AddFile(tooLong);
    EXPECT_TRUE(archive.Entries.empty());
    archive.AddFile(ok);
    ASSERT_EQ(archive.Entries.size(), 1u);
    EXPECT_EQ(archive.Entries[0].Name, ok);
}

TEST_F(CopyTest, AddFileOfFourGigabytesOrMoreAddsNothing)
{
    const std::string path = dir / "huge.bin";
    WriteBytes(path, "");
    std::filesystem::resize_file(path, 0x100000000ull); // sparse
    archive.AddFile(path);
    EXPECT_TRUE(archive.Entries.empty());
    EXPECT_EQ(archive.EntryCount, 0);

    std::filesystem::resize_file(path, 0xFFFFFFFFull);
    archive.AddFile(path);
    ASSERT_EQ(archive.Entries.size(), 1u);
    EXPECT_EQ(archive.Entries[0].RawSize, 0xFFFFFFFFu);
    // Such an entry cannot be saved: offsets are signed 32-bit.
    EXPECT_FALSE(archive.Save(dir / "out.far"));
    EXPECT_EQ(dir.Contents(), std::set<std::string>{"huge.bin"});
}

TEST_F(CopyTest, ExtractWritesBelowTheFolderCreatingFolders)
{
    OpenArchive({{"Objects\\Chair.iff", "chair"}, {"a\\b\\c\\deep.txt", "deep"}, {"top.bmp", "top"}});
    const std::string out = dir / "Out";
    for (const TFarEntry& e : archive.Entries)
        EXPECT_TRUE(archive.ExtractEntry(e, out)) << e.Name;
    EXPECT_EQ(ReadBytes(dir.path() / "Out" / "Objects" / "Chair.iff"), "chair");
    EXPECT_EQ(ReadBytes(dir.path() / "Out" / "a" / "b" / "c" / "deep.txt"), "deep");
    EXPECT_EQ(ReadBytes(dir.path() / "Out" / "top.bmp"), "top");

    // A folder ending in a separator, and an existing target that is replaced.
    WriteBytes(dir.path() / "Out" / "top.bmp", "something longer than top");
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[2], out + "\\"));
    EXPECT_EQ(ReadBytes(dir.path() / "Out" / "top.bmp"), "top");
}

TEST_F(CopyTest, CreatePathMakesEveryFolderBeforeTheLastSeparator)
{
    const std::string base = dir.path().string();
    TFarArchive::CreatePath(base + "\\one\\two\\three\\file.txt");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "one" / "two" / "three"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "one" / "two" / "three" / "file.txt"));

    // Slashes separate too; a separator in the last position is not looked at.
    TFarArchive::CreatePath(base + "/x/y/");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "x"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x" / "y"));

    // Existing folders and a file in the way are passed over silently.
    WriteBytes(dir.path() / "blocker", "");
    TFarArchive::CreatePath(base + "\\one\\blocker\\z\\f");
    TFarArchive::CreatePath(base + "\\blocker\\z\\f");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "one" / "blocker" / "z"));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "blocker"));
    TFarArchive::CreatePath("nofolder");
    TFarArchive::CreatePath("");
}

TEST_F(CopyTest, EntryMarkedForDeletionExtractsNothing)
{
    OpenArchive({{"gone.txt", "x"}});
    archive.Entries[0].State = esDeleted;
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[0], dir / "Out"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Out"));
}

TEST_F(CopyTest, EntriesWithDataOnDiskExtractFromTheirFile)
{
    std::filesystem::create_directory(dir.path() / "src");
    WriteBytes(dir.path() / "src" / "new.txt", "new data, longer");
    WriteBytes(dir.path() / "src" / "changed.txt", "changed");
    archive.AddFile(dir / "src/new.txt");
    archive.AddFile(dir.path().string() + "\\src\\changed.txt");
    archive.Entries[1].State = esChanged;
    // The file grew after it was added: only RawSize bytes count.
    WriteBytes(dir.path() / "src" / "new.txt", "new data, longer and longer");

    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[0], dir / "Out"));
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[1], dir / "Out"));
    EXPECT_EQ(ReadBytes(dir.path() / "Out" / "new.txt"), "new data, longer");
    EXPECT_EQ(ReadBytes(dir.path() / "Out" / "changed.txt"), "changed");
    EXPECT_TRUE(archive.ExtractToTemp(0));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "new data, longer");
    EXPECT_TRUE(archive.ExtractToTemp(1));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "changed");

    // A marked added entry writes nothing, as any marked entry.
    archive.Entries[0].State = esDeleted;
    std::filesystem::remove(dir.path() / "Out" / "new.txt");
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[0], dir / "Out"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Out" / "new.txt"));
    // ... but still previews from its file.
    EXPECT_TRUE(archive.ExtractToTemp(0));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "new data, longer");
    archive.DeleteTempFile();
}

TEST_F(CopyTest, ExtractingAnAddedFileOntoItselfLeavesItIntact)
{
    WriteBytes(dir / "self.txt", "precious");
    archive.AddFile(dir / "self.txt");
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[0], dir.path().string()));
    EXPECT_EQ(ReadBytes(dir.path() / "self.txt"), "precious");
}

TEST_F(CopyTest, ExtractingOntoTheOpenArchiveFails)
{
    const std::string bytes = BuildArchive({{"in.far", "overwrite me"}});
    WriteBytes(dir / "in.far", bytes);
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[0], dir.path().string()));
    archive.Close();
    EXPECT_EQ(ReadBytes(dir.path() / "in.far"), bytes);
}

TEST_F(CopyTest, UnsafeNamesAreRefusedAndWriteNothing)
{
    const std::vector<std::string> unsafe = {
        "",          "\\abs.txt",      "/abs.txt",     "C:\\x.txt",   "C:x.txt",     "a:stream",
        "..",        "..\\up.txt",     "a\\..\\..\\up.txt", "a/../../up.txt", "a\\..",  "...\\up.txt",
        ".. \\up.txt", std::string("\0a.txt", 6),
    };
    std::vector<EntrySpec> entries;
    for (const std::string& name : unsafe)
        entries.push_back({name, "bad"});
    OpenArchive(entries);
    std::filesystem::create_directories(dir.path() / "Out" / "deep");
    const std::string out = dir / "Out/deep";
    const auto before = dir.Contents();
    for (const TFarEntry& e : archive.Entries) {
        EXPECT_FALSE(TFarArchive::IsSafeEntryName(e.Text())) << e.Name;
        EXPECT_FALSE(archive.ExtractEntry(e, out)) << e.Name;
    }
    EXPECT_EQ(dir.Contents(), before);

    for (const char* name : {"a.txt", "a\\b\\c.txt", "..a", "a..", "a\\.\\b", "x\\.hidden", "a..b\\c"})
        EXPECT_TRUE(TFarArchive::IsSafeEntryName(name)) << name;
}

TEST_F(CopyTest, FailedExtractionRemovesItsOutput)
{
    WriteBytes(dir / "in.far", BuildRaw("FAR!byAZ", 1, "abc", 2, {{3, 3, 16, "good.txt"}, {5000, 5000, 16, "short.txt"}}));
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[1], dir / "Out"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Out" / "short.txt"));

    // An added file that is gone, shrunk or now a folder.
    WriteBytes(dir / "gone.txt", "12345");
    WriteBytes(dir / "shrunk.txt", "12345");
    WriteBytes(dir / "folder.txt", "12345");
    archive.AddFile(dir / "gone.txt");
    archive.AddFile(dir / "shrunk.txt");
    archive.AddFile(dir / "folder.txt");
    std::filesystem::remove(dir.path() / "gone.txt");
    WriteBytes(dir / "shrunk.txt", "1234");
    std::filesystem::remove(dir.path() / "folder.txt");
    std::filesystem::create_directory(dir.path() / "folder.txt");
    for (std::size_t i = 2; i < 5; ++i) {
        EXPECT_FALSE(archive.ExtractEntry(archive.Entries[i], dir / "Out")) << i;
        EXPECT_FALSE(archive.ExtractToTemp(static_cast<int>(i))) << i;
        EXPECT_FALSE(std::filesystem::exists(archive.TempFileName())) << i;
    }
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "Out", "shrunk.txt", "folder.txt"}));

    // A target that cannot be created: a file where the folder should be.
    WriteBytes(dir / "file", "");
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[0], dir / "file"));
}

TEST_F(CopyTest, PreviewGoesToThisProcesssTempFile)
{
    EXPECT_EQ(archive.TempFileName(),
              platform::TempFolder() + "kelvo-" + std::to_string(::getpid()) + ".tmp");
    WriteBytes(dir / "in.far", BuildRaw("FAR!byAZ", 1, "rawbytes", 2, {{8, 2, 16, "a"}, {0, 0, 24, "empty"}}));
    ASSERT_TRUE(archive.Open(dir / "in.far"));

    // The raw size counts, not the compressed size.
    ASSERT_TRUE(archive.ExtractToTemp(0));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "rawbytes");
    // Each use creates the file anew.
    ASSERT_TRUE(archive.ExtractToTemp(1));
    EXPECT_TRUE(std::filesystem::exists(archive.TempFileName()));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "");

    EXPECT_FALSE(archive.ExtractToTemp(2));
    EXPECT_FALSE(archive.ExtractToTemp(-1));
    archive.DeleteTempFile();
    EXPECT_FALSE(std::filesystem::exists(archive.TempFileName()));
    archive.DeleteTempFile();
}

TEST_F(CopyTest, ClosedArchiveCannotGiveStoredData)
{
    OpenArchive({{"a", "abc"}});
    TFarEntry entry = archive.Entries[0];
    archive.Close();
    EXPECT_TRUE(archive.Entries.empty());
    EXPECT_EQ(archive.EntryCount, 1); // header values stay
    EXPECT_EQ(archive.FileName, dir / "in.far");
    EXPECT_FALSE(archive.ExtractEntry(entry, dir / "Out"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Out" / "a"));
}

} // namespace
} // namespace kelvo::test
