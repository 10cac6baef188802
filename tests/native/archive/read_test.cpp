// Opening archives: header and manifest fields, the reader's limits, and
// every way a file can be cut short or point outside itself.
#include "tests/native/archive/archive_test_support.h"

#include <climits>

namespace kelvo::test {
namespace {

class ReadTest : public ::testing::Test {
protected:
    // Writes the bytes to a file and opens it with a fresh archive object.
    bool OpenBytes(const std::string& bytes)
    {
        WriteBytes(dir / "in.far", bytes);
        archive.Close();
        return archive.Open(dir / "in.far");
    }

    TempDir dir;
    TFarArchive archive;
};

TEST_F(ReadTest, FreshObjectIsEmpty)
{
    EXPECT_FALSE(archive.Handle.IsOpen());
    EXPECT_EQ(archive.FileName, "");
    EXPECT_EQ(archive.Signature, "");
    EXPECT_EQ(archive.Version, 0u);
    EXPECT_EQ(archive.ManifestOffset, 0u);
    EXPECT_EQ(archive.EntryCount, 0);
    EXPECT_TRUE(archive.Entries.empty());
}

TEST_F(ReadTest, ReadsHeaderAndEveryManifestField)
{
    std::vector<ManifestRecord> records = {
        {3, 99, 16, "Objects\\Chair.iff"},
        {0, 0, 19, ""},
        {2, 2, 0x7FFFFFF0, "a"},
    };
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "xyz", 3, records)));
    EXPECT_EQ(archive.FileName, dir / "in.far");
    EXPECT_TRUE(archive.Handle.IsOpen());
    EXPECT_EQ(archive.Signature, "FAR!byAZ");
    EXPECT_EQ(archive.Version, 1u);
    EXPECT_EQ(archive.ManifestOffset, 19u);
    EXPECT_EQ(archive.EntryCount, 3);
    ASSERT_EQ(archive.Entries.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const TFarEntry& e = archive.Entries[static_cast<std::size_t>(i)];
        EXPECT_EQ(e.State, esOriginal);
        EXPECT_EQ(e.BaseState, esOriginal);
        EXPECT_EQ(e.Index, i);
        EXPECT_EQ(e.RawSize, records[static_cast<std::size_t>(i)].rawSize);
        EXPECT_EQ(e.CompressedSize, records[static_cast<std::size_t>(i)].compressedSize);
        EXPECT_EQ(e.FileOffset, records[static_cast<std::size_t>(i)].offset);
        EXPECT_EQ(e.NameLength, records[static_cast<std::size_t>(i)].name.size());
        EXPECT_EQ(e.Name, records[static_cast<std::size_t>(i)].name);
    }
}

TEST_F(ReadTest, SignatureAndVersionAreNotChecked)
{
    ASSERT_TRUE(OpenBytes(BuildRaw("NOTAFAR!", 7, "", 0, {})));
    EXPECT_EQ(archive.Signature, "NOTAFAR!");
    EXPECT_EQ(archive.Version, 7u);

    // A zero byte ends the signature text early.
    ASSERT_TRUE(OpenBytes(BuildRaw(std::string("FA\0R!byA", 8), 0xFFFFFFFF, "", 0, {})));
    EXPECT_EQ(archive.Signature, "FA");
    EXPECT_EQ(archive.Version, 0xFFFFFFFFu);
}

TEST_F(ReadTest, CountsOfZeroAndBelowGiveNoEntriesAndShowAsRead)
{
    for (std::uint32_t count : {0u, 0xFFFFFFFFu, 0x80000000u}) {
        ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "", count, {}))) << count;
        EXPECT_TRUE(archive.Entries.empty());
        EXPECT_EQ(archive.EntryCount, static_cast<std::int32_t>(count));
    }
    EXPECT_EQ(archive.EntryCount, INT_MIN);
}

TEST_F(ReadTest, EntryCountLimitIsFiveHundredThousand)
{
    std::vector<ManifestRecord> records(TFarArchive::kMaxEntries, ManifestRecord{});
    records.back().name = "last";
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "", 500000, records)));
    ASSERT_EQ(archive.Entries.size(), 500000u);
    EXPECT_EQ(archive.Entries.back().Name, "last");
    EXPECT_EQ(archive.Entries.back().Index, 499999);

    records.emplace_back();
    EXPECT_FALSE(OpenBytes(BuildRaw("FAR!byAZ", 1, "", 500001, records)));
    EXPECT_TRUE(archive.Entries.empty()); // rejected before any record is read
}

TEST_F(ReadTest, NameLengthLimitIs2047)
{
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "", 1, {{0, 0, 16, std::string(2047, 'n')}})));
    EXPECT_EQ(archive.Entries.at(0).Name.size(), 2047u);
    EXPECT_EQ(archive.Entries.at(0).NameLength, 2047u);

    EXPECT_FALSE(OpenBytes(BuildRaw("FAR!byAZ", 1, "", 1, {{0, 0, 16, std::string(2048, 'n')}})));
}

TEST_F(ReadTest, NameWithZeroByteKeepsAllItsBytes)
{
    const std::string name("dir\\a\0b.txt", 11);
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "", 1, {{0, 0, 16, name}})));
    const TFarEntry& e = archive.Entries.at(0);
    EXPECT_EQ(e.Name, name);
    EXPECT_EQ(e.NameLength, 11u);
    EXPECT_EQ(e.Text(), "dir\\a");
}

TEST_F(ReadTest, EveryCutInsideHeaderOrManifestFails)
{
    const std::string whole = BuildArchive({{"first.bmp", "abcdef"}, {"Objects\\second.iff", "gh"}});
    ASSERT_TRUE(OpenBytes(whole));
    for (std::size_t length = 0; length < whole.size(); ++length) {
        // Cuts inside the data area leave the manifest offset past the end.
        EXPECT_FALSE(OpenBytes(whole.substr(0, length))) << "cut at " << length;
    }
}

TEST_F(ReadTest, ManifestEntriesReadBeforeAFailureStay)
{
    archive.FileName = "earlier.far";
    std::string bytes = BuildArchive({{"one", "1"}, {"two", "2"}});
    WriteBytes(dir / "cut.far", bytes.substr(0, bytes.size() - 1));
    EXPECT_FALSE(archive.Open(dir / "cut.far"));
    ASSERT_EQ(archive.Entries.size(), 1u);
    EXPECT_EQ(archive.Entries[0].Name, "one");
    EXPECT_EQ(archive.FileName, "earlier.far");
    archive.Close();
    EXPECT_FALSE(archive.Handle.IsOpen());
    EXPECT_TRUE(archive.Entries.empty());
}

TEST_F(ReadTest, ManifestOffsetOutsideTheFileFails)
{
    std::string bytes = BuildArchive({{"a", "abc"}});
    const std::uint32_t fileSize = static_cast<std::uint32_t>(bytes.size());
    for (std::uint32_t offset : {fileSize, fileSize + 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        std::string changed = bytes;
        std::string field;
        PutLE32(field, offset);
        changed.replace(12, 4, field);
        EXPECT_FALSE(OpenBytes(changed)) << offset;
    }
}

TEST_F(ReadTest, ManifestMayLieAnywhere)
{
    // Manifest inside the header: the count is the version field.
    std::string bytes = "FAR!byAZ";
    PutLE32(bytes, 0); // version, read again as the count
    PutLE32(bytes, 8);
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(archive.EntryCount, 0);
    EXPECT_EQ(archive.Version, 0u);
}

TEST_F(ReadTest, DataOffsetsAndSizesAreNotValidated)
{
    std::vector<ManifestRecord> records = {
        {5, 5, 0xFFFFFFFF, "far away"},
        {10000, 1, 16, "too long"},
        {2, 2, 0x80000000, "unreachable"},
        {3, 3, 16, "fine"},
    };
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "abc", 4, records)));
    ASSERT_EQ(archive.Entries.size(), 4u);
    EXPECT_FALSE(archive.ExtractToTemp(0));
    EXPECT_FALSE(archive.ExtractToTemp(1));
    EXPECT_FALSE(archive.ExtractToTemp(2));
    ASSERT_TRUE(archive.ExtractToTemp(3));
    EXPECT_EQ(ReadBytes(archive.TempFileName()), "abc");
    archive.DeleteTempFile();
}

TEST_F(ReadTest, MissingFileOrFolderDoesNotOpen)
{
    EXPECT_FALSE(archive.Open(dir / "missing.far"));
    EXPECT_FALSE(archive.Handle.IsOpen());
    std::filesystem::create_directory(dir.path() / "folder.far");
    EXPECT_FALSE(archive.Open(dir / "folder.far"));
    EXPECT_FALSE(archive.Handle.IsOpen());
}

TEST_F(ReadTest, OpenArchiveIsSharedWithNobody)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "abc"}})));
    EXPECT_FALSE(platform::File::Open(dir / "in.far", platform::File::Mode::Read).IsOpen());
    EXPECT_FALSE(platform::File::Open(dir / "in.far", platform::File::Mode::ReadWriteLocked).IsOpen());
    EXPECT_FALSE(platform::File::Open(dir / "in.far", platform::File::Mode::CreateLocked).IsOpen());
    EXPECT_EQ(ReadBytes(dir.path() / "in.far"), BuildArchive({{"a", "abc"}}));

    TFarArchive second;
    EXPECT_FALSE(second.Open(dir / "in.far"));
    archive.Close();
    EXPECT_TRUE(second.Open(dir / "in.far"));
}

TEST_F(ReadTest, BackslashesAreFolderSeparators)
{
    std::filesystem::create_directory(dir.path() / "sub");
    WriteBytes(dir.path() / "sub" / "x.far", BuildArchive({{"a", "abc"}}));
    ASSERT_TRUE(archive.Open(dir.path().string() + "\\sub\\x.far"));
    EXPECT_EQ(archive.Entries.size(), 1u);
}

} // namespace
} // namespace kelvo::test
