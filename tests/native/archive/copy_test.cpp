// Adding files, extracting entries into folders and previewing them through
// the temporary file.
#include "tests/native/archive/archive_test_support.h"

#include <unistd.h>

namespace kelvo::test {
namespace {

using CopyTest = ArchiveTest;

TEST_F(CopyTest, AddFileTakesReadableFilesWithinTheLimits)
{
    std::filesystem::create_directory(dir.path() / "folder");
    WriteBytes(dir / "f", "0123456789");
    // Doubled slashes pad the path to the lengths wanted.
    const auto ofLength = [&](std::size_t length) {
        return dir.path().string() + std::string(length - dir.path().string().size() - 1, '/') + "f";
    };
    for (const std::string& name : {dir / "missing.txt", dir / "folder", std::string(), ofLength(2048)})
        archive.AddFile(name);
    EXPECT_TRUE(archive.Entries.empty());
    archive.AddFile(ofLength(2047));
    ASSERT_EQ(archive.Entries.size(), 1u);
    const TFarEntry& e = archive.Entries[0];
    EXPECT_EQ(std::tie(e.State, e.BaseState, e.Index, e.FileOffset), std::make_tuple(esNew, esNew, 1, 0u));
    EXPECT_EQ(std::tie(e.RawSize, e.CompressedSize, e.NameLength), std::make_tuple(10u, 10u, 2047u));
    EXPECT_EQ(e.Name, ofLength(2047));
    EXPECT_EQ(archive.EntryCount, 1);

    // Sizes are 32-bit fields; offsets are signed 32-bit, so a file that fits
    // its size field may still be too large to save. (Sparse: no disk used.)
    std::filesystem::resize_file(dir.path() / "f", 0x100000000ull);
    archive.AddFile(dir / "f");
    EXPECT_EQ(archive.Entries.size(), 1u);
    std::filesystem::resize_file(dir.path() / "f", 0xFFFFFFFFull);
    archive.AddFile(dir / "f");
    ASSERT_EQ(archive.Entries.size(), 2u);
    EXPECT_EQ(archive.Entries[1].RawSize, 0xFFFFFFFFu);
    EXPECT_FALSE(archive.Save(dir / "out.far"));
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"f", "folder"}));
}

TEST_F(CopyTest, ExtractCreatesFoldersAndNamesAddedEntriesByTheirLastPart)
{
    const std::string bytes = BuildRaw("FAR!byAZ", 1, "chairdeep", 4,
                                       {{5, 5, 16, "Objects\\Chair.iff"}, {4, 4, 21, "a\\b\\c\\deep.txt"},
                                        {0, 0, 16, "gone.txt"}, {5000, 5000, 141, "short.txt"}});
    ASSERT_TRUE(OpenBytes(bytes));
    std::filesystem::create_directory(dir.path() / "src");
    WriteBytes(dir.path() / "src" / "new.txt", "new data");
    archive.AddFile(dir / "src/new.txt");
    archive.AddFile((dir / "src") + "\\new.txt");
    WriteBytes(dir / "changed.dat", "changed data");
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[5], dir / "changed.dat")); // an added entry's new bytes
    archive.SetDeleted(archive.Entries[2], true); // marked: nothing written
    std::filesystem::create_directories(dir.path() / "Out" / "Objects");
    WriteBytes(dir / "Out/Objects/Chair.iff", "an older and longer file"); // replaced

    for (std::size_t i : {0, 1, 2, 4})
        EXPECT_TRUE(archive.ExtractEntry(archive.Entries[i], dir / "Out")) << i;
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[5], (dir / "Out") + "\\sub\\"));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[3], dir / "Out")); // data past the end: no output left
    EXPECT_EQ(archive.LastError(), "The data of entry short.txt runs past the end of its file.");
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "changed.dat", "src", "src/new.txt", "Out", "Out/Objects",
                                                 "Out/Objects/Chair.iff", "Out/a", "Out/a/b", "Out/a/b/c",
                                                 "Out/a/b/c/deep.txt", "Out/new.txt", "Out/sub", "Out/sub/new.txt"}));
    EXPECT_EQ(ReadBytes(dir / "Out/Objects/Chair.iff"), "chair");
    EXPECT_EQ(ReadBytes(dir / "Out/a/b/c/deep.txt"), "deep");
    EXPECT_EQ(ReadBytes(dir / "Out/sub/new.txt"), "changed data");

    // A folder removed after an entry was written into it is made again for
    // the next entry of that folder.
    std::filesystem::remove_all(dir.path() / "Out" / "a");
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[1], dir / "Out"));
    std::filesystem::remove_all(dir.path() / "Out" / "a");
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[1], dir / "Out"));
    EXPECT_EQ(ReadBytes(dir / "Out/a/b/c/deep.txt"), "deep");

    // An output naming an added entry's own file is replaced by a copy of
    // itself.
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
    ASSERT_TRUE(archive.ExtractToTemp(0));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "rawbytes");
    ASSERT_TRUE(archive.ExtractToTemp(1));
    EXPECT_TRUE(std::filesystem::exists(archive.TempFileName()));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "");
    // A failed preview leaves no earlier preview's bytes behind.
    ASSERT_TRUE(archive.ExtractToTemp(0));
    EXPECT_FALSE(archive.ExtractToTemp(2));
    EXPECT_FALSE(std::filesystem::exists(archive.TempFileName()));
    EXPECT_FALSE(archive.ExtractToTemp(3));
    EXPECT_FALSE(archive.ExtractToTemp(-1));
    // The preview file goes with the archive object.
    archive.Close();
    std::string left;
    {
        TFarArchive other;
        ASSERT_TRUE(other.Open(dir / "in.far"));
        ASSERT_TRUE(other.ExtractToTemp(0));
        left = other.TempFileName();
    }
    EXPECT_FALSE(std::filesystem::exists(left));
}

} // namespace
} // namespace kelvo::test
