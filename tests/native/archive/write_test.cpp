// Saving: the exact bytes written, which entries are written, and what the
// object describes after a successful save.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using WriteTest = ArchiveTest;

TEST_F(WriteTest, ExactByteLayoutPackedFromSixteen)
{
    // The source places its data out of order and with gaps, under another
    // signature and version; sizes 10, 0 and 5 pack to offsets 16, 26, 26.
    const std::string ten = Pattern(10, 1), five = Pattern(5, 2), zeroName("Dir\\a\0tail", 10);
    const std::string source = BuildRaw("OTHERSIG", 9, ".." + five + "..." + ten, 3,
                                        {{10, 10, 26, "Objects\\ten.iff"}, {0, 0, 0, zeroName}, {5, 5, 18, "five\xE9"}});
    ASSERT_TRUE(OpenBytes(source));
    ASSERT_TRUE(archive.Save(dir / "out.far"));

    const std::string expected = BuildRaw("FAR!byAZ", 1, ten + five, 3,
                                          {{10, 10, 16, "Objects\\ten.iff"}, {0, 0, 26, zeroName}, {5, 5, 26, "five\xE9"}});
    EXPECT_EQ(ReadBytes(dir / "out.far"), expected);

    // The object now describes, and reads, the new file; the old one is untouched.
    EXPECT_EQ(ReadBytes(dir / "in.far"), source);
    EXPECT_EQ(std::tie(archive.FileName, archive.Signature, archive.Version, archive.ManifestOffset, archive.EntryCount),
              std::make_tuple(dir / "out.far", std::string("FAR!byAZ"), 1u, 31u, 3));
    std::filesystem::remove(dir / "in.far");
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{ten, "", five}));
}

TEST_F(WriteTest, MarkedEntriesAreLeftOutAndAddedOnesCopied)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"e0", "0"}, {"e1", "11"}, {"e2", "222"}, {"e3", "3333"}, {"e4", "44444"}})));
    for (const char* name : {"new.txt", "changed.txt", "dropped.txt"}) {
        WriteBytes(dir / name, name);
        archive.AddFile(dir / name);
    }
    ASSERT_EQ(archive.Entries.size(), 8u);
    EXPECT_EQ(archive.Entries[5].Index, 6); // position + 1
    EXPECT_EQ(archive.Entries[7].Index, 8);
    WriteBytes(dir / "changed.dat", "new bytes");
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[6], dir / "changed.dat")); // written under its own name
    for (std::size_t i : {0, 1, 2, 4, 5, 7})
        archive.SetDeleted(archive.Entries[i], true);
    // Removing a mark restores the state it replaced.
    for (std::size_t i : {0, 5}) {
        archive.SetDeleted(archive.Entries[i], false);
    }
    EXPECT_EQ(archive.Entries[0].State, esOriginal);
    EXPECT_EQ(archive.Entries[5].State, esNew);
    WriteBytes(dir / "new.txt", "new.txt and more"); // grown since it was added: stored as it is now

    // Saved over the open archive itself, leaving no other file behind.
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    const std::vector<EntrySpec> kept = {
        {"e0", "0"}, {"e3", "3333"}, {dir / "new.txt", "new.txt and more"}, {dir / "changed.txt", "new bytes"}};
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "new.txt", "changed.txt", "changed.dat", "dropped.txt"}));
    ASSERT_EQ(archive.Entries.size(), 4u);
    EXPECT_EQ(archive.Entries[3].State, esChanged);
    EXPECT_EQ(std::tie(archive.Entries[2].RawSize, archive.Entries[2].CompressedSize), std::make_tuple(16u, 16u));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"0", "3333", "new.txt and more", "new bytes"}));
    archive.Close();
    EXPECT_EQ(ReadBytes(dir / "in.far"), BuildArchive(kept));
}

} // namespace
} // namespace kelvo::test
