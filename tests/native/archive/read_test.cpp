// Opening: the reader's limits, cut files, offsets outside the file, read-only archives; the exact bytes saved.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using ReadTest = ArchiveTest;

TEST_F(ReadTest, EntryAndNameLimits)
{
    for (const auto& [count, nameLength, opens] : {std::tuple{500000u, 1, true}, {500001u, 1, false}, {1u, 2047, true},
                                                   {1u, 2048, false}, {0x80000000u, 0, true}}) {
        SCOPED_TRACE(count);
        std::vector<ManifestRecord> records(count < 0x80000000u ? count : 0, ManifestRecord{});
        if (!records.empty())
            records.back().name.assign(nameLength, 'n');
        EXPECT_EQ(OpenBytes(BuildRaw("FAR!byAZ", 1, "", count, records)), opens);
        if (opens) {
            ASSERT_EQ(archive.Entries.size(), records.size());
            EXPECT_EQ(archive.EntryCount, static_cast<std::int32_t>(count)); // shown as read, even negative
            EXPECT_TRUE(records.empty() || archive.Entries.back().Name == records.back().name);
        }
    }
    // A reader takes no more: a save that would pass the limit is refused.
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "", 500000, std::vector<ManifestRecord>(500000))));
    WriteBytes(dir / "one.txt", "1");
    archive.AddFile(dir / "one.txt");
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    archive.SetDeleted(archive.Entries[0], true);
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    archive.Close();
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_EQ(archive.Entries.size(), 500000u);
}

TEST_F(ReadTest, CutsAndManifestOffsetsOutsideTheFileFailSayingWhy)
{
    const std::string whole = BuildArchive({{"first.bmp", "abcdef"}, {"Objects\\second.iff", "gh"}});
    for (std::size_t length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(OpenBytes(whole.substr(0, length))) << "cut at " << length;
    const auto size = static_cast<std::uint32_t>(whole.size());
    for (std::uint32_t offset : {size, size + 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        std::string changed = whole.substr(0, 12);
        PutLE(changed, offset, 4);
        EXPECT_FALSE(OpenBytes(changed + whole.substr(16))) << offset;
    }
    std::string longName = whole.substr(0, whole.size() - 22);
    PutLE(longName, 4000, 4);
    const std::pair<std::string, std::string> reasons[] = {
        {whole.substr(0, 15), "The file is too short for the 16-byte header of a FAR archive."},
        {whole.substr(0, whole.size() - 1), "The list of entries ends early: the file is damaged or incomplete."},
        {whole.substr(0, 22), "The header points to a list of entries outside the file."},
        {longName + "Objects\\second.iff", "Entry 1 has a name of 4000 bytes; names are at most 2047 bytes long."},
        {BuildRaw("FAR!byAZ", 1, "", 500001, {}), "The archive lists 500001 entries; at most 500000 can be opened."},
    };
    for (const auto& [bytes, reason] : reasons) {
        EXPECT_FALSE(OpenBytes(bytes));
        EXPECT_EQ(archive.LastError(), reason);
        // Entries read before a failure keep their names.
        EXPECT_TRUE(archive.Entries.empty() || archive.Entries[0].Name == "first.bmp");
    }
    archive.Close();
    EXPECT_FALSE(archive.Open(dir / "missing.far") || archive.LastError() != "The file does not exist.") << archive.LastError();
    ASSERT_TRUE(OpenBytes(whole));
    EXPECT_EQ(archive.LastError(), "");
}

TEST_F(ReadTest, SaveAsWritesThePackedLayoutAndTheObjectThenReadsTheNewFile)
{
    // Data out of order, a name with a zero byte, an added file grown since it was added (stored as it is now).
    const std::string ten = Pattern(10, 1), five = Pattern(5, 2), zeroName("Dir\\a\0tail", 10);
    const std::string source = BuildRaw("OTHERSIG", 9, ".." + five + "..." + ten, 3,
                                        {{10, 10, 26, "Objects\\ten.iff"}, {0, 0, 0, zeroName}, {5, 5, 18, "five\xE9"}});
    ASSERT_TRUE(OpenBytes(source));
    WriteBytes(dir / "new.txt", "new");
    archive.AddFile(dir / "new.txt");
    WriteBytes(dir / "new.txt", "new.txt and more");
    ASSERT_TRUE(archive.Save(dir / "out.far"));
    EXPECT_EQ(ReadBytes(dir / "out.far"), BuildRaw("FAR!byAZ", 1, ten + five + "new.txt and more", 4,
                                                   {{10, 10, 16, "Objects\\ten.iff"}, {0, 0, 26, zeroName},
                                                    {5, 5, 26, "five\xE9"}, {16, 16, 31, dir / "new.txt"}}));
    EXPECT_EQ(ReadBytes(dir / "in.far"), source);
    EXPECT_EQ(std::tie(archive.FileName, archive.Signature, archive.Version, archive.ManifestOffset, archive.EntryCount),
              std::make_tuple(dir / "out.far", std::string("FAR!byAZ"), 1u, 47u, 4));
    std::filesystem::remove(dir / "in.far");
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{ten, "", five, "new.txt and more"}));
}

using ReadOnlyTest = ArchiveTest;
using platform::File;

TEST_F(ReadOnlyTest, AnArchiveAnotherProgramReadsOpensForReadingAndRefusesSaveOverIt)
{
    const std::string bytes = BuildArchive({{"Objects\\Chair.iff", "chair"}, {"a.txt", "text"}});
    WriteBytes(dir / "in.far", bytes);
    File reader = File::Open(dir / "in.far", File::Mode::Read);
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_TRUE(archive.ReadOnly());
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"chair", "text"}));
    // Under any spelling of its name, before a byte is written.
    std::filesystem::create_directory(dir.path() / "out");
    archive.SetDeleted(archive.Entries[1], true);
    for (const std::string& target : {dir / "in.far", dir / "out/../in.far"}) {
        EXPECT_FALSE(archive.Save(target));
        EXPECT_EQ(archive.LastError(), "The file " + target + " is read-only.");
    }
    EXPECT_EQ(ReadBytes(dir / "in.far"), bytes);
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "out"}));
    // Save As a new file works, and that one is held for writing.
    ASSERT_TRUE(archive.Save(dir / "copy.far"));
    EXPECT_FALSE(archive.ReadOnly());
    EXPECT_EQ(ReadBytes(dir / "copy.far"), BuildArchive({{"Objects\\Chair.iff", "chair"}}));
    archive.Close();
    reader.Close();
    // Opened read-only, it still denies writes to others.
    ASSERT_TRUE(archive.Open(dir / "in.far", true));
    EXPECT_TRUE(archive.ReadOnly() && !File::Open(dir / "in.far", File::Mode::ReadWriteLocked).IsOpen());
    EXPECT_TRUE(File::Open(dir / "in.far", File::Mode::Read).IsOpen());
    archive.Close();
    EXPECT_FALSE(archive.ReadOnly());
    // A file without write permission, whoever opens it.
    std::filesystem::permissions(dir.path() / "in.far", std::filesystem::perms::owner_read);
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_TRUE(archive.ReadOnly() && !archive.Save(dir / "in.far"));
    archive.Close();
    std::filesystem::permissions(dir.path() / "in.far", std::filesystem::perms::owner_all);
    // A locked file: no way in at all.
    File locked = File::Open(dir / "in.far", File::Mode::ReadWriteLocked);
    ASSERT_TRUE(locked.IsOpen());
    EXPECT_FALSE(archive.Open(dir / "in.far"));
    EXPECT_EQ(archive.LastError().rfind("The file cannot be opened for reading.", 0), 0u);
}

TEST_F(ReadOnlyTest, NamesReadShareOneBlockAndAnEntryCopyHasItsOwn)
{
    const std::string zero("Zero\0tail", 9);
    ASSERT_TRUE(OpenBytes(BuildArchive({{zero, "z"}, {"", ""}, {"Caf\xe9", "c"}})));
    EXPECT_TRUE(archive.Entries[0].Name == zero && archive.Entries[0].Text() == "Zero" && archive.Entries[1].Name.empty());
    EXPECT_EQ(archive.Entries[2].Name.data(), archive.Entries[0].Name.data() + 9); // back to back
    TFarEntry renamed = archive.Entries[2];
    renamed.Name = std::string("Other");
    EXPECT_EQ(archive.Entries[2].Name, "Caf\xe9");
    archive.Entries[2] = renamed;
    archive.Entries[2].NameLength = 5;
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    archive.Close();
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_EQ(archive.Entries[2].Name, "Other");
}

} // namespace
} // namespace kelvo::test
