// Adding files, extracting entries into folders and previewing them through
// the temporary file.
#include "tests/native/archive/archive_test_support.h"

#include <unistd.h>

namespace kelvo::test {
namespace {

using CopyTest = ArchiveTest;
namespace fs = std::filesystem;

TEST_F(CopyTest, AddFileTakesReadableFilesWithinTheLimits)
{
    fs::create_directory(dir.path() / "folder");
    WriteBytes(dir / "f", "0123456789");
    const auto ofLength = [&](std::size_t length) { // doubled slashes pad the path
        return dir.path().string() + std::string(length - dir.path().string().size() - 1, '/') + "f";
    };
    for (const std::string& name : {dir / "missing.txt", dir / "folder", std::string(), ofLength(2048)})
        archive.AddFile(name);
    EXPECT_TRUE(archive.Entries.empty());
    archive.AddFile(ofLength(2047));
    ASSERT_EQ(archive.Entries.size(), 1u);
    const TFarEntry& e = archive.Entries[0];
    EXPECT_EQ(std::tie(e.State, e.BaseState, e.Index, e.FileOffset, e.RawSize, e.CompressedSize, e.NameLength, e.Name),
              std::make_tuple(esNew, esNew, 1, 0u, 10u, 10u, 2047u, TEntryName(ofLength(2047))));
    EXPECT_EQ(archive.EntryCount, 1);
    // Sizes are 32-bit fields; offsets signed 32-bit, so a file that fits its
    // size field may still be too large to save. (Sparse: no disk used.)
    fs::resize_file(dir.path() / "f", 0x100000000ull);
    archive.AddFile(dir / "f");
    EXPECT_EQ(archive.Entries.size(), 1u);
    fs::resize_file(dir.path() / "f", 0xFFFFFFFFull);
    archive.AddFile(dir / "f");
    ASSERT_EQ(archive.Entries.size(), 2u);
    EXPECT_EQ(archive.Entries[1].RawSize, 0xFFFFFFFFu);
    EXPECT_FALSE(archive.Save(dir / "out.far"));
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"f", "folder"}));
}

TEST_F(CopyTest, ExtractCreatesFoldersAndNamesAddedEntriesByTheirLastPart)
{
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "chairdeep", 4,
                                   {{5, 5, 16, "Objects\\Chair.iff"}, {4, 4, 21, "a\\b\\c\\deep.txt"},
                                    {0, 0, 16, "gone.txt"}, {5000, 5000, 141, "short.txt"}})));
    fs::create_directory(dir.path() / "src");
    WriteBytes(dir / "src/new.txt", "new data");
    archive.AddFile(dir / "src/new.txt");
    archive.AddFile((dir / "src") + "\\new.txt");
    WriteBytes(dir / "changed.dat", "changed data");
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[5], dir / "changed.dat")); // an added entry's new bytes
    archive.SetDeleted(archive.Entries[2], true); // marked: nothing written
    fs::create_directories(dir.path() / "Out" / "Objects");
    WriteBytes(dir / "Out/Objects/Chair.iff", "an older and longer file"); // replaced
    for (std::size_t i : {0, 1, 2, 4})
        EXPECT_TRUE(archive.ExtractEntry(archive.Entries[i], dir / "Out")) << i;
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[5], (dir / "Out") + "\\sub\\"));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[3], dir / "Out")); // data past the end: no output left
    EXPECT_EQ(archive.LastError(), "The data of entry short.txt runs past the end of its file.");
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "changed.dat", "src", "src/new.txt", "Out", "Out/Objects",
                                                     "Out/Objects/Chair.iff", "Out/a", "Out/a/b", "Out/a/b/c",
                                                     "Out/a/b/c/deep.txt", "Out/new.txt", "Out/sub", "Out/sub/new.txt"}));
    EXPECT_EQ(ReadBytes(dir / "Out/Objects/Chair.iff") + ReadBytes(dir / "Out/sub/new.txt"), "chairchanged data");
    // A folder removed after an entry was written into it is made again for the next entry.
    for (int i = 0; i < 2; ++i) {
        fs::remove_all(dir.path() / "Out" / "a");
        EXPECT_TRUE(archive.ExtractEntry(archive.Entries[1], dir / "Out"));
    }
    EXPECT_EQ(ReadBytes(dir / "Out/a/b/c/deep.txt"), "deep");
    // An output naming an added entry's own file is replaced by a copy of itself.
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[4], dir / "src"));
    EXPECT_EQ(ReadBytes(dir / "src/new.txt"), "new data");
}

TEST_F(CopyTest, PreviewGoesToAnUnpredictableTempFileWithTheRawSize)
{
    const std::string& name = archive.TempFileName();
    EXPECT_EQ(name.substr(0, platform::TempFolder().size() + 6), platform::TempFolder() + "kelvo-");
    EXPECT_EQ(name.size(), platform::TempFolder().size() + 22);
    EXPECT_EQ(name.find(std::to_string(::getpid())), std::string::npos);
    EXPECT_NE(name, TFarArchive().TempFileName());
    ASSERT_TRUE(OpenBytes(
        BuildRaw("FAR!byAZ", 1, "rawbytes", 3, {{8, 8, 16, "a"}, {0, 0, 24, "empty"}, {5, 5, 0x80000000u, "unreachable"}})));
    // A failed preview leaves no earlier preview's bytes behind.
    ASSERT_TRUE(archive.ExtractToTemp(0));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "rawbytes");
    EXPECT_FALSE(archive.ExtractToTemp(2));
    EXPECT_FALSE(fs::exists(archive.TempFileName()));
    EXPECT_FALSE(archive.ExtractToTemp(3));
    EXPECT_FALSE(archive.ExtractToTemp(-1));
    ASSERT_TRUE(archive.ExtractToTemp(1));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "");
    EXPECT_TRUE(fs::exists(archive.TempFileName()));
    // The preview file goes with the archive object.
    archive.Close();
    std::string left;
    {
        TFarArchive other;
        ASSERT_TRUE(other.Open(dir / "in.far"));
        ASSERT_TRUE(other.ExtractToTemp(0));
        left = other.TempFileName();
    }
    EXPECT_FALSE(fs::exists(left));
}

} // namespace
} // namespace kelvo::test
