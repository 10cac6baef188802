// Archives that can be read but not written, and the names Open keeps for
// its entries.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using platform::File;

class ReadOnlyTest : public ArchiveTest {
protected:
    const std::string bytes = BuildArchive({{"Objects\\Chair.iff", "chair"}, {"a.txt", "text"}});
};

TEST_F(ReadOnlyTest, AnArchiveAnotherProgramReadsOpensForReadingAndRefusesSaveOverIt)
{
    WriteBytes(dir / "in.far", bytes);
    File reader = File::Open(dir / "in.far", File::Mode::Read);
    ASSERT_TRUE(reader.IsOpen());
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_TRUE(archive.ReadOnly());
    ASSERT_EQ(archive.Entries.size(), 2u);
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"chair", "text"}));
    ASSERT_TRUE(archive.ExtractEntry(archive.Entries[0], dir / "out"));
    EXPECT_EQ(ReadBytes(dir.path() / "out/Objects/Chair.iff"), "chair");

    // Under any spelling of its name, before a byte is written.
    archive.SetDeleted(archive.Entries[1], true);
    for (const std::string& target : {dir / "in.far", dir / "out/../in.far"}) {
        EXPECT_FALSE(archive.Save(target));
        EXPECT_EQ(archive.LastError(), "The file " + target + " is read-only.");
    }
    EXPECT_EQ(ReadBytes(dir.path() / "in.far"), bytes);
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "out", "out/Objects", "out/Objects/Chair.iff"}));

    // Save As a new file works, and that one is held for writing.
    ASSERT_TRUE(archive.Save(dir / "copy.far"));
    EXPECT_FALSE(archive.ReadOnly());
    EXPECT_EQ(ReadBytes(dir.path() / "copy.far"), BuildArchive({{"Objects\\Chair.iff", "chair"}}));
    archive.Close();
    reader.Close();
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_FALSE(archive.ReadOnly());
}

TEST_F(ReadOnlyTest, ReadOnlyOpensStillDenyWritesToOthers)
{
    WriteBytes(dir / "in.far", bytes);
    ASSERT_TRUE(archive.Open(dir / "in.far", true));
    EXPECT_TRUE(archive.ReadOnly());
    EXPECT_FALSE(File::Open(dir / "in.far", File::Mode::ReadWriteLocked).IsOpen());
    EXPECT_TRUE(File::Open(dir / "in.far", File::Mode::Read).IsOpen());
    archive.Close();
    EXPECT_FALSE(archive.ReadOnly());
    EXPECT_TRUE(File::Open(dir / "in.far", File::Mode::ReadWriteLocked).IsOpen());

    // A file without write permission, whoever opens it.
    std::filesystem::permissions(dir.path() / "in.far", std::filesystem::perms::owner_read);
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_TRUE(archive.ReadOnly());
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    archive.Close();
    std::filesystem::permissions(dir.path() / "in.far", std::filesystem::perms::owner_all);

    // A locked file: no way in at all.
    File locked = File::Open(dir / "in.far", File::Mode::ReadWriteLocked);
    EXPECT_FALSE(archive.Open(dir / "in.far"));
    EXPECT_EQ(archive.LastError().rfind("The file cannot be opened for reading.", 0), 0u);
}

TEST_F(ReadOnlyTest, NamesReadShareOneBlockAndStayValidThroughSaveAndFailedOpens)
{
    const std::string zero("Zero\0tail", 9);
    ASSERT_TRUE(OpenBytes(BuildArchive({{zero, "z"}, {"", ""}, {"Caf\xe9", "c"}})));
    EXPECT_EQ(archive.Entries[0].Name, zero);
    EXPECT_EQ(archive.Entries[0].Text(), "Zero");
    EXPECT_TRUE(archive.Entries[1].Name.empty());
    EXPECT_EQ(archive.Entries[2].Name.data(), archive.Entries[0].Name.data() + 9); // back to back

    // A copied entry with a name of its own leaves the original alone.
    TFarEntry renamed = archive.Entries[2];
    renamed.Name = std::string("Other");
    EXPECT_EQ(archive.Entries[2].Name, "Caf\xe9");
    archive.Entries[2] = renamed;
    archive.Entries[2].NameLength = 5;
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    archive.Close();
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_EQ(archive.Entries[2].Name, "Other");
    archive.Close();

    // Entries read before a failure keep their names.
    const std::string whole = BuildArchive({{"first.bmp", "ab"}, {"second.iff", "cd"}});
    EXPECT_FALSE(OpenBytes(whole.substr(0, whole.size() - 1)));
    ASSERT_EQ(archive.Entries.size(), 1u);
    EXPECT_EQ(archive.Entries[0].Name, "first.bmp");
}

} // namespace
} // namespace kelvo::test
