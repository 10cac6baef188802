// Adding, extracting and previewing; entries with new bytes or names: their data, marks, reverts, data files.
#include "tests/native/archive/archive_test_support.h"

#include <unistd.h>

namespace kelvo::test {
namespace {

using ChangeTest = ArchiveTest;
namespace fs = std::filesystem;

TEST_F(ChangeTest, ChangedEntriesAreReadAndSavedFromTheirDataFileUnderTheirName)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a.txt", "aaaa"}, {"Objects\\b.iff", "bb"}, {"c", "c"}})));
    WriteBytes(dir / "b.new", "new b, longer");
    WriteBytes(dir / "empty.new", "");
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[1], dir / "b.new"));
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[2], dir / "empty.new"));
    const TFarEntry& b = archive.Entries[1];
    EXPECT_EQ(std::tie(b.State, b.BaseState, b.RawSize, b.CompressedSize, b.Name),
              std::make_tuple(esChanged, esChanged, 13u, 13u, std::string("Objects\\b.iff")));
    EXPECT_EQ(archive.HasSameData(b, dir / "b.new"), TDataMatch::Same);
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"aaaa", "new b, longer", ""}));
    ASSERT_TRUE(archive.ExtractEntry(b, dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/Objects/b.iff"), "new b, longer");
    // A failed save keeps the changes; a data file gone missing fails the save and says which entry.
    EXPECT_FALSE(archive.Save(dir / "missing/out.far"));
    EXPECT_EQ(std::tie(b.State, archive.Entries[2].State), std::make_tuple(esChanged, esChanged));
    fs::rename(dir / "b.new", dir / "b.away");
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    EXPECT_NE(archive.LastError().find("changed bytes of Objects\\b.iff"), std::string::npos) << archive.LastError();
    fs::rename(dir / "b.away", dir / "b.new");
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(ReadBytes(dir / "in.far"), BuildArchive({{"a.txt", "aaaa"}, {"Objects\\b.iff", "new b, longer"}, {"c", ""}}));
    // Reopened, they are ordinary entries; the old object's data files go with it.
    archive.Close();
    EXPECT_FALSE(fs::exists(dir / "b.new") || fs::exists(dir / "empty.new"));
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_TRUE(archive.Entries[1].State == esOriginal && !archive.Entries[1].Change);
}

TEST_F(ChangeTest, MarksRevertsAndLaterChangesKeepTheRightBytes)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "original a"}, {"b", "original b"}})));
    WriteBytes(dir / "added.txt", "added");
    archive.AddFile(dir / "added.txt");
    for (const auto& [name, bytes] : {std::pair{"1.new", "first"}, {"2.new", "second change"}, {"3.new", "added, changed"},
                                      {"4.new", "new b"}})
        WriteBytes(dir / name, bytes);
    TFarEntry& a = archive.Entries[0];
    ASSERT_TRUE(archive.ChangeEntry(a, dir / "1.new"));
    ASSERT_TRUE(archive.ChangeEntry(a, dir / "2.new")); // replaces the earlier data file
    EXPECT_FALSE(fs::exists(dir / "1.new"));
    EXPECT_EQ(a.RawSize, 13u);
    archive.SetDeleted(a, true);
    archive.SetDeleted(a, false);
    EXPECT_EQ(a.State, esChanged);
    // Reverting gives the archive's bytes, state and sizes back and removes the file.
    ASSERT_TRUE(archive.RevertEntry(a));
    EXPECT_EQ(std::tie(a.State, a.BaseState, a.RawSize, a.CompressedSize), std::make_tuple(esOriginal, esOriginal, 10u, 10u));
    EXPECT_FALSE(fs::exists(dir / "2.new") || archive.RevertEntry(a));
    EXPECT_EQ(PreviewAll(archive)[0], "original a");
    // An added entry, changed, is extracted under its file name; reverted, it is new again.
    TFarEntry& added = archive.Entries[2];
    ASSERT_TRUE(archive.ChangeEntry(added, dir / "3.new"));
    ASSERT_TRUE(archive.ExtractEntry(added, dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/added.txt"), "added, changed");
    ASSERT_TRUE(archive.RevertEntry(added));
    EXPECT_EQ(std::tie(added.State, added.BaseState, added.RawSize), std::make_tuple(esNew, esNew, 5u));
    // A file that cannot be read changes nothing and says why.
    EXPECT_FALSE(archive.ChangeEntry(archive.Entries[1], dir / "missing"));
    EXPECT_EQ(archive.LastError().rfind("The file " + (dir / "missing") + " cannot be read.", 0), 0u);
    EXPECT_EQ(archive.Entries[1].State, esOriginal);
    // A changed entry marked for deletion is left out and its file removed.
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[1], dir / "4.new"));
    archive.SetDeleted(archive.Entries[1], true);
    archive.SetDeleted(archive.Entries[2], true);
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_FALSE(fs::exists(dir / "4.new"));
    EXPECT_EQ(ReadBytes(dir / "in.far"), BuildArchive({{"a", "original a"}}));
}

TEST_F(ChangeTest, RenamedEntriesKeepTheirDataAndRevertGivesTheFirstNameBack)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a.txt", "aaaa"}, {"b.txt", "bb"}})));
    WriteBytes(dir / "added.bmp", "added bytes");
    archive.AddFile(dir / "added.bmp");
    TFarEntry &a = archive.Entries[0], &b = archive.Entries[1], &added = archive.Entries[2];
    ASSERT_TRUE(archive.RenameEntry(b, "Objects\\B.txt"));
    ASSERT_TRUE(archive.RenameEntry(b, "Objects\\Second.txt"));
    // An added file renamed to a game path is read from its file and extracted under its new name.
    ASSERT_TRUE(archive.RenameEntry(added, "UIGraphics\\Back.bmp"));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"aaaa", "bb", "added bytes"}));
    ASSERT_TRUE(archive.ExtractEntry(added, dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/UIGraphics/Back.bmp"), "added bytes");
    // Revert takes every rename back at once; a second revert has nothing to do.
    ASSERT_TRUE(archive.RevertEntry(b));
    EXPECT_TRUE(b.Name == "b.txt" && !archive.RevertEntry(b));
    ASSERT_TRUE(archive.RenameEntry(b, "Objects\\B.txt"));
    // A changed, then renamed entry reverts both.
    WriteBytes(dir / "a.new", "new a");
    ASSERT_TRUE(archive.ChangeEntry(a, dir / "a.new"));
    ASSERT_TRUE(archive.RenameEntry(a, "A2.txt"));
    EXPECT_EQ(PreviewAll(archive)[0], "new a");
    ASSERT_TRUE(archive.RevertEntry(a));
    EXPECT_EQ(std::tie(a.Name, a.State, a.RawSize), std::make_tuple(TEntryName("a.txt"), esOriginal, 4u));
    EXPECT_FALSE(fs::exists(dir / "a.new"));
    EXPECT_EQ(archive.FindEntry("objects\\b.TXT"), 1);
    EXPECT_EQ(archive.FindEntry("OBJECTS\\B.TXT", 1), -1);
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(ReadBytes(dir / "in.far"),
              BuildArchive({{"a.txt", "aaaa"}, {"Objects\\B.txt", "bb"}, {"UIGraphics\\Back.bmp", "added bytes"}}));
    // FindEntry ignores the case of Windows-1252 letters (the multiplication and division signs are none).
    ASSERT_TRUE(OpenBytes(BuildArchive({{"\xC4\x8A\x9F\xDE.txt", "x"}, {"\xD7.txt", "y"}})));
    EXPECT_EQ(archive.FindEntry("\xE4\x9A\xFF\xFE.TXT"), 0);
    EXPECT_EQ(archive.FindEntry("\xF7.txt"), -1);
    EXPECT_EQ(archive.FindEntry("\xC4\x8A\x9F\xDE.txt", 0), -1);
}

TEST_F(ChangeTest, ReplacedAndAddedCopiesAreTakenAtOnceAndGoWithTheObject)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a.txt", "aaaa"}, {"b.txt", "bb"}})));
    WriteBytes(dir / "new.bin", "replacement bytes");
    TFarEntry& b = archive.Entries[1];
    ASSERT_TRUE(archive.ReplaceEntry(b, dir / "new.bin"));
    fs::remove(dir / "new.bin"); // later changes of the disk file do not matter
    EXPECT_EQ(std::tie(b.State, b.RawSize, b.Name), std::make_tuple(esChanged, 17u, TEntryName("b.txt")));
    EXPECT_EQ(PreviewAll(archive)[1], "replacement bytes");
    const std::string copy = b.DataFileName();
    ASSERT_TRUE(archive.RevertEntry(b));
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(PreviewAll(archive)[1], "bb");
    // Missing and over-size files are refused with the reason, nothing changed.
    EXPECT_FALSE(archive.ReplaceEntry(b, dir / "missing.bin"));
    EXPECT_NE(archive.LastError().find("cannot be read"), std::string::npos) << archive.LastError();
    ASSERT_TRUE(platform::File::Open(dir / "big.bin", platform::File::Mode::CreateNew).SetSize(TFarArchive::kMaxEntrySize + 1));
    EXPECT_FALSE(archive.ReplaceEntry(b, dir / "big.bin"));
    EXPECT_NE(archive.LastError().find("more than an entry can hold"), std::string::npos) << archive.LastError();
    EXPECT_TRUE(b.State == esOriginal && b.RawSize == 2u && !b.Change);
    // A file added as a copy is saved when the file is gone; the copies' folder goes with the object.
    fs::create_directories(dir / "drag");
    WriteBytes(dir / "drag/Chair.iff", "chair bytes");
    ASSERT_TRUE(archive.AddFileCopy(dir / "drag/Chair.iff"));
    ASSERT_TRUE(archive.AddFileCopy(dir / "drag/Chair.iff"));
    fs::remove_all(dir / "drag");
    EXPECT_FALSE(archive.AddFileCopy(dir / "drag/Chair.iff"));
    ASSERT_EQ(archive.Entries.size(), 4u);
    const std::string added(archive.Entries[2].Text());
    ASSERT_GT(added.size(), 10u);
    EXPECT_TRUE(added.ends_with("\\Chair.iff") && added != archive.Entries[3].Text() && archive.Entries[2].State == esNew) << added;
    ASSERT_TRUE(archive.ExtractEntry(archive.Entries[3], dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/Chair.iff"), "chair bytes");
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"aaaa", "bb", "chair bytes", "chair bytes"}));
    const std::string folder = added.substr(0, added.rfind('\\', added.size() - 11));
    EXPECT_TRUE(platform::DirectoryExists(folder)) << folder;
    archive.Close();
    EXPECT_FALSE(platform::DirectoryExists(folder)) << folder;
}

using CopyTest = ArchiveTest;

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
    ASSERT_TRUE(archive.AddFile(ofLength(2047)));
    const TFarEntry& e = archive.Entries.at(0);
    EXPECT_EQ(std::tie(e.State, e.BaseState, e.Index, e.FileOffset, e.RawSize, e.CompressedSize, e.NameLength, e.Name,
                       archive.EntryCount),
              std::make_tuple(esNew, esNew, 1, 0u, 10u, 10u, 2047u, TEntryName(ofLength(2047)), 1));
    // Sizes are 32-bit, offsets signed 32-bit: a file fitting its size field may be too large to save (sparse).
    fs::resize_file(dir.path() / "f", 0x100000000ull);
    EXPECT_FALSE(archive.AddFile(dir / "f"));
    fs::resize_file(dir.path() / "f", 0xFFFFFFFFull);
    ASSERT_TRUE(archive.AddFile(dir / "f"));
    EXPECT_EQ(archive.Entries.at(1).RawSize, 0xFFFFFFFFu);
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
    fs::remove_all(dir.path() / "Out" / "a");
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[1], dir / "Out"));
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
    EXPECT_FALSE(archive.ExtractToTemp(2) || fs::exists(archive.TempFileName()));
    EXPECT_FALSE(archive.ExtractToTemp(3) || archive.ExtractToTemp(-1));
    ASSERT_TRUE(archive.ExtractToTemp(1));
    EXPECT_EQ(fs::file_size(archive.TempFileName()), 0u);
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
