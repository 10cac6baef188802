// Opening archives: header and manifest fields, the reader's limits, and
// files cut short or pointing outside themselves.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using ReadTest = ArchiveTest;

TEST_F(ReadTest, ReadsEveryFieldWithoutCheckingSignatureOrVersion)
{
    const std::vector<ManifestRecord> records = {
        {3, 99, 16, "Objects\\Chair.iff"}, {0, 0, 19, std::string("a\0b.txt", 7)}, {2, 2, 0x7FFFFFF0, ""}};
    // A zero byte ends the signature text.
    ASSERT_TRUE(OpenBytes(BuildRaw(std::string("NO\0AFAR!", 8), 0xFFFFFFFF, "xyz", 3, records)));
    EXPECT_EQ(archive.FileName, dir / "in.far");
    EXPECT_EQ(archive.Signature, "NO");
    EXPECT_EQ(archive.Version, 0xFFFFFFFFu);
    EXPECT_EQ(archive.ManifestOffset, 19u);
    EXPECT_EQ(archive.EntryCount, 3);
    ASSERT_EQ(archive.Entries.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const TFarEntry& e = archive.Entries[i];
        EXPECT_EQ(std::tie(e.State, e.BaseState, e.Index), std::make_tuple(esOriginal, esOriginal, int(i)));
        EXPECT_EQ(std::tie(e.RawSize, e.CompressedSize, e.FileOffset, e.Name),
                  std::tie(records[i].rawSize, records[i].compressedSize, records[i].offset, records[i].name));
        EXPECT_EQ(e.NameLength, records[i].name.size());
    }
    EXPECT_EQ(archive.Entries[1].Text(), "a");
}

TEST_F(ReadTest, EntryAndNameLimits)
{
    struct Case {
        std::uint32_t count;
        std::size_t nameLength;
        bool opens;
    };
    for (const Case& c : {Case{500000, 1, true}, Case{500001, 1, false}, Case{1, 2047, true}, Case{1, 2048, false},
                          Case{0x80000000u, 0, true}}) {
        std::vector<ManifestRecord> records(c.count < 0x80000000u ? c.count : 0, ManifestRecord{});
        if (!records.empty())
            records.back().name.assign(c.nameLength, 'n');
        EXPECT_EQ(OpenBytes(BuildRaw("FAR!byAZ", 1, "", c.count, records)), c.opens) << c.count;
        if (c.opens) {
            ASSERT_EQ(archive.Entries.size(), records.size());
            EXPECT_EQ(archive.EntryCount, static_cast<std::int32_t>(c.count)); // shown as read, even negative
            if (!records.empty()) {
                EXPECT_EQ(archive.Entries.back().Name, records.back().name);
            }
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

TEST_F(ReadTest, CutsAndManifestOffsetsOutsideTheFileFail)
{
    const std::string whole = BuildArchive({{"first.bmp", "abcdef"}, {"Objects\\second.iff", "gh"}});
    ASSERT_TRUE(OpenBytes(whole));
    // Cuts inside the data area leave the manifest offset past the end.
    for (std::size_t length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(OpenBytes(whole.substr(0, length))) << "cut at " << length;

    const auto size = static_cast<std::uint32_t>(whole.size());
    for (std::uint32_t offset : {size, size + 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        std::string changed = whole.substr(0, 12);
        PutLE(changed, offset, 4);
        EXPECT_FALSE(OpenBytes(changed + whole.substr(16))) << offset;
    }
    archive.Close();
    EXPECT_FALSE(archive.Open(dir / "missing.far"));

    // Each failure says why, in words the window can show.
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
    }
    archive.Close();
    EXPECT_FALSE(archive.Open(dir / "missing.far"));
    EXPECT_EQ(archive.LastError(), "The file does not exist.");
    ASSERT_TRUE(OpenBytes(whole));
    EXPECT_EQ(archive.LastError(), "");
}

} // namespace
} // namespace kelvo::test
