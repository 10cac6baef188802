// Saving: the exact bytes written, which entries are written, and what the
// object describes after a successful save.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

class WriteTest : public ::testing::Test {
protected:
    // Opens an archive made of the given entries.
    void OpenArchive(const std::vector<EntrySpec>& entries)
    {
        WriteBytes(dir / "in.far", BuildArchive(entries));
        ASSERT_TRUE(archive.Open(dir / "in.far"));
    }

    // Saves under a new name and returns the bytes written.
    std::string SaveAs(const std::string& name = "out.far")
    {
        EXPECT_TRUE(archive.Save(dir / name));
        return ReadBytes(dir.path() / name);
    }

    TempDir dir;
    TFarArchive archive;
};

TEST_F(WriteTest, EmptyArchiveIsTwentyBytes)
{
    std::string expected = "FAR!byAZ";
    PutLE32(expected, 1);
    PutLE32(expected, 16);
    PutLE32(expected, 0);
    EXPECT_EQ(SaveAs(), expected);
    EXPECT_EQ(archive.ManifestOffset, 16u);
    EXPECT_EQ(archive.EntryCount, 0);

    TFarArchive reread;
    ASSERT_FALSE(reread.Open(dir / "out.far")); // still held by the saving object
    archive.Close();
    ASSERT_TRUE(reread.Open(dir / "out.far"));
    EXPECT_TRUE(reread.Entries.empty());
}

TEST_F(WriteTest, ExactByteLayout)
{
    // The source places its data out of order, with gaps and a different
    // signature, version and compressed sizes; the result is packed.
    std::string data = "....second..first";
    std::vector<ManifestRecord> records = {
        {5, 3, 28, "Objects\\first.iff"},
        {6, 6, 20, "second.bmp"},
        {0, 7, 0, "empty"},
    };
    WriteBytes(dir / "in.far", BuildRaw("OTHERSIG", 9, data, 3, records));
    ASSERT_TRUE(archive.Open(dir / "in.far"));

    std::string expected = "FAR!byAZ";
    PutLE32(expected, 1);
    PutLE32(expected, 16 + 5 + 6);
    expected += "firstsecond";
    PutLE32(expected, 3);
    for (auto [raw, compressed, offset, name] :
         std::vector<ManifestRecord>{{5, 3, 16, "Objects\\first.iff"}, {6, 6, 21, "second.bmp"}, {0, 7, 27, "empty"}}) {
        PutLE32(expected, raw);
        PutLE32(expected, compressed);
        PutLE32(expected, offset);
        PutLE32(expected, static_cast<std::uint32_t>(name.size()));
        expected += name;
    }
    EXPECT_EQ(SaveAs(), expected);
}

TEST_F(WriteTest, SizesTenZeroFiveGiveOffsets16_26_26AndManifest31)
{
    OpenArchive({{"ten", Pattern(10, 1)}, {"zero", ""}, {"five", Pattern(5, 2)}});
    const std::string written = SaveAs();
    EXPECT_EQ(GetLE32(written, 12), 31u);
    ASSERT_EQ(archive.Entries.size(), 3u);
    EXPECT_EQ(archive.Entries[0].FileOffset, 16u);
    EXPECT_EQ(archive.Entries[1].FileOffset, 26u);
    EXPECT_EQ(archive.Entries[2].FileOffset, 26u);
    EXPECT_EQ(archive.ManifestOffset, 31u);
    // manifest offset + count + per entry 16 bytes and the name
    EXPECT_EQ(written.size(), 31u + 4 + (16 + 3) + (16 + 4) + (16 + 4));
    EXPECT_EQ(GetLE32(written, 31 + 4 + 8), 16u);
    EXPECT_EQ(GetLE32(written, 31 + 4 + 19 + 8), 26u);
    EXPECT_EQ(GetLE32(written, 31 + 4 + 19 + 20 + 8), 26u);
}

TEST_F(WriteTest, SuccessfulSaveDescribesTheNewFile)
{
    WriteBytes(dir / "in.far", BuildRaw("XXXXXXXX", 3, "..abc", 1, {{3, 3, 18, "a"}}));
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    ASSERT_TRUE(archive.Save(dir / "out.far"));
    EXPECT_EQ(archive.FileName, dir / "out.far");
    EXPECT_EQ(archive.Signature, "FAR!byAZ");
    EXPECT_EQ(archive.Version, 1u);
    EXPECT_EQ(archive.ManifestOffset, 19u);
    EXPECT_EQ(archive.EntryCount, 1);
    EXPECT_EQ(archive.Entries.at(0).FileOffset, 16u);
    // The handle now reads the new file: the old one is free again.
    EXPECT_TRUE(platform::File::Open(dir / "in.far", platform::File::Mode::ReadWriteLocked).IsOpen());
    EXPECT_FALSE(platform::File::Open(dir / "out.far", platform::File::Mode::Read).IsOpen());
    std::filesystem::remove(dir.path() / "in.far");
    EXPECT_EQ(PreviewAll(archive), std::vector<std::string>{"abc"});
    // Saving again from the new file gives the same bytes.
    const std::string first = ReadBytes(dir.path() / "out.far");
    EXPECT_EQ(SaveAs("again.far"), first);
}

TEST_F(WriteTest, SaveOverTheOpenArchiveReplacesIt)
{
    OpenArchive({{"a", "AAAA"}, {"b", "BB"}, {"c", "C"}});
    archive.Entries[1].State = esDeleted;
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(dir.Contents(), std::set<std::string>{"in.far"});
    EXPECT_EQ(Names(archive), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"AAAA", "C"}));
    archive.Close();
    EXPECT_EQ(ReadBytes(dir.path() / "in.far"), BuildArchive({{"a", "AAAA"}, {"c", "C"}}));
}

TEST_F(WriteTest, SaveAsLeavesTheOpenedFileAlone)
{
    OpenArchive({{"a", "AAAA"}, {"b", "BB"}});
    archive.Entries[0].State = esDeleted;
    ASSERT_TRUE(archive.Save(dir / "new.far"));
    EXPECT_EQ(ReadBytes(dir.path() / "in.far"), BuildArchive({{"a", "AAAA"}, {"b", "BB"}}));
    archive.Close();
    EXPECT_EQ(ReadBytes(dir.path() / "new.far"), BuildArchive({{"b", "BB"}}));
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "new.far"}));
}

// Which entries a save writes, for marks set on a five-entry archive.
TEST_F(WriteTest, MarkedEntriesAreLeftOut)
{
    const std::vector<EntrySpec> all = {{"e0", "0"}, {"e1", "11"}, {"e2", "222"}, {"e3", "3333"}, {"e4", "44444"}};
    struct Case {
        std::vector<int> marked;
        std::vector<int> unmarkedAgain;
    };
    const std::vector<Case> cases = {
        {{}, {}},           // nothing marked: everything, in order
        {{1, 2}, {}},       // two neighbours
        {{4}, {}},          // the last entry
        {{0, 3}, {0}},      // a mark removed again counts as never set
        {{0, 1, 2, 3, 4}, {}},
    };
    for (const Case& c : cases) {
        archive.Close();
        OpenArchive(all);
        for (int i : c.marked)
            archive.Entries[static_cast<std::size_t>(i)].State = esDeleted;
        for (int i : c.unmarkedAgain)
            archive.Entries[static_cast<std::size_t>(i)].State = archive.Entries[static_cast<std::size_t>(i)].BaseState;
        std::vector<EntrySpec> kept;
        for (int i = 0; i < 5; ++i) {
            if (archive.Entries[static_cast<std::size_t>(i)].State != esDeleted)
                kept.push_back(all[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(SaveAs(), BuildArchive(kept)) << ::testing::PrintToString(c.marked);
        EXPECT_EQ(archive.EntryCount, static_cast<std::int32_t>(kept.size()));
        ASSERT_EQ(archive.Entries.size(), kept.size());
        for (std::size_t k = 0; k < kept.size(); ++k)
            EXPECT_EQ(archive.Entries[k].Name, kept[k].name);
    }
}

TEST_F(WriteTest, NewEntriesComeFromTheirFilesAndKeepTheirState)
{
    OpenArchive({{"old", "OLD"}});
    WriteBytes(dir / "added.txt", "added data");
    WriteBytes(dir / "changed.txt", "changed");
    WriteBytes(dir / "dropped.txt", "dropped");
    archive.AddFile(dir / "added.txt");
    archive.AddFile(dir / "changed.txt");
    archive.AddFile(dir / "dropped.txt");
    archive.Entries[2].State = esChanged; // saved like a new entry
    archive.Entries[3].State = esDeleted;
    archive.Entries[3].State = archive.Entries[3].BaseState;
    EXPECT_EQ(archive.Entries[3].State, esNew);
    archive.Entries[3].State = esDeleted;

    const std::string expected =
        BuildArchive({{"old", "OLD"}, {dir / "added.txt", "added data"}, {dir / "changed.txt", "changed"}});
    EXPECT_EQ(SaveAs(), expected);
    ASSERT_EQ(archive.Entries.size(), 3u);
    EXPECT_EQ(archive.Entries[0].State, esOriginal);
    EXPECT_EQ(archive.Entries[1].State, esNew);
    EXPECT_EQ(archive.Entries[1].BaseState, esNew);
    EXPECT_EQ(archive.Entries[2].State, esChanged);
    EXPECT_EQ(archive.Entries[1].FileOffset, 19u);
}

TEST_F(WriteTest, NeverOpenedArchiveOfAddedFiles)
{
    WriteBytes(dir / "grows.bin", "12345");
    WriteBytes(dir / "other.bin", "xyz");
    archive.AddFile(dir / "grows.bin");
    archive.AddFile(dir / "other.bin");
    ASSERT_EQ(archive.EntryCount, 2);
    WriteBytes(dir / "grows.bin", "1234567890"); // only the first RawSize bytes count
    EXPECT_EQ(SaveAs(), BuildArchive({{dir / "grows.bin", "12345"}, {dir / "other.bin", "xyz"}}));
}

TEST_F(WriteTest, NamesAreWrittenBackByteExact)
{
    const std::string zeroName("dir\\a\0tail", 10);
    const std::string latin1 = "Objets\\Chaise\xE9\xFF.iff";
    const std::string longName(2047, 'L');
    OpenArchive({{zeroName, "z"}, {latin1, "l"}, {longName, ""}});
    EXPECT_EQ(SaveAs(), BuildArchive({{zeroName, "z"}, {latin1, "l"}, {longName, ""}}));
}

TEST_F(WriteTest, CompressedSizeIsWrittenBackAndRawSizeIsCopied)
{
    WriteBytes(dir / "in.far", BuildRaw("FAR!byAZ", 1, "abcdefgh", 1, {{8, 3, 16, "c"}}));
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_EQ(SaveAs(), BuildRaw("FAR!byAZ", 1, "abcdefgh", 1, {{8, 3, 16, "c"}}));
    EXPECT_EQ(PreviewAll(archive), std::vector<std::string>{"abcdefgh"});
}

TEST_F(WriteTest, LargeEntriesCopyAcrossManyBuffers)
{
    const std::string big = Pattern(3 * platform::kCopyBufferSize + 12345, 7);
    OpenArchive({{"small", "s"}, {"big", big}, {"tail", "t"}});
    WriteBytes(dir / "added.bin", big);
    archive.AddFile(dir / "added.bin");
    const std::string written = SaveAs();
    EXPECT_EQ(written, BuildArchive({{"small", "s"}, {"big", big}, {"tail", "t"}, {dir / "added.bin", big}}));
}

} // namespace
} // namespace kelvo::test
