// Archives of versions 1a, 1b and 3: telling them apart, reading compressed
// entries, refusing damaged ones, and saving in each version.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using VersionsTest = ArchiveTest;

// A manifest that reads as 1b and as 1a: the first 1b name starts with two zero bytes, so the second 1a
// record starts two bytes later, its name length the first four bytes of the second 1b name.
std::string Ambiguous()
{
    std::string out = BuildRaw("FAR!byAZ", 1, Pattern(0x60000 - 16), 2, {});
    for (std::uint32_t field : {0x60000u - 16, 0x60000u - 16, 16u})
        PutLE(out, field, 4);
    out += std::string("\x05\0\0\0abc", 7);
    for (std::uint32_t field : {0u, 0u, 0x60000u})
        PutLE(out, field, 4);
    return out + std::string("\x05\0\x01\0\0\0x", 7);
}

TEST_F(VersionsTest, ReadsEachVersionAndItsCompressedEntries)
{
    const std::string literal = Pattern(300, 1);
    const std::vector<VersionedEntry> v3 = {{"Objects\\a.iff", literal, true, 7, 0xFFFFFFFF}, {"empty", ""},
                                            {"b.txt", "xyz", true, 1, 2}, {"c.bmp", literal, false, 1, 3}},
                                      v1b = {{"x\\y", literal}, {"", "z"}}, v1a = {{"p", literal, true}};
    const std::string head = "46415221627941 5A 01000000 18000000 486921 0102030405 02000000 03000000 03000000 10000000",
                      name = "6469725C622E62696E";
    const std::vector<VersionedEntry> worked = {{"a.txt", "Hi!"}, {"dir\\b.bin", "\x01\x02\x03\x04\x05"}};
    const struct Case {
        const char* what;
        std::string bytes;
        TFarFormat format;
        std::vector<VersionedEntry> entries;
    } cases[] = {
        {"1a worked example", Hex(head + "05000000 612E747874 05000000 05000000 13000000 09000000" + name), ff1a, worked},
        {"1b worked example", Hex(head + "0500 612E747874 05000000 05000000 13000000 0900" + name), ff1b, worked},
        // A compressed entry whose stream copies 28 bytes from 4 back.
        {"3 worked example",
         Hex("46415221627941 5A 03000000 2E000000 486921 01 20000000 12000000 12000000 10FB 000020 E041424344 980003 FC"
             "02000000 03000000 030000 00 10000000 00 00 0700 0B000000 01010000 7261772E626E64"
             "20000000 1B0000 80 13000000 01 00 0800 0C000000 02020000 616263642E617072"),
         ff3, {{"raw.bnd", "Hi!", false, 11, 0x101}, {"abcd.apr", "ABCDABCDABCDABCDABCDABCDABCDABCD", true, 12, 0x202}}},
        {"3 by the test's writer", VersionedArchive("3", v3), ff3, v3},
        {"1b by the test's writer", VersionedArchive("1b", v1b), ff1b, v1b},
        {"1a holding a compressed entry", VersionedArchive("1a", v1a), ff1a, v1a},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(OpenBytes(c.bytes)) << archive.LastError();
        EXPECT_EQ(std::tie(archive.Format, archive.Version), std::make_tuple(c.format, c.format == ff3 ? 3u : 1u));
        EXPECT_TRUE(archive.OpenNotes().empty());
        ASSERT_EQ(archive.Entries.size(), c.entries.size());
        const std::vector<std::string> contents = PreviewAll(archive);
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            const TFarEntry& e = archive.Entries[i];
            const VersionedEntry& x = c.entries[i];
            EXPECT_EQ(std::tie(e.Name, e.Compressed, e.TypeId, e.FileId, contents[i]), std::tie(x.name, x.compressed, x.typeId, x.fileId, x.data));
            EXPECT_EQ(e.RawSize, x.data.size());
        }
    }
    // Both readings fit: 1a, noted.
    ASSERT_TRUE(OpenBytes(Ambiguous()));
    EXPECT_EQ(archive.Format, ff1a);
    EXPECT_EQ(archive.Entries[1].Text(), "x");
    EXPECT_EQ(archive.OpenNotes(), std::vector<std::string>{"the list of entries reads as 1a and as 1b; it is taken as 1a"});
}

TEST_F(VersionsTest, RefusesManifestsThatDoNotRead)
{
    std::string pastTheEnd = VersionedArchive("3", {{"a", Pattern(40), true}});
    pastTheEnd[pastTheEnd.size() - 1 - 24 + 6] = '\x50'; // stored size 0x50003C
    std::string unknownType = VersionedArchive("3", {{"a", "abc"}});
    unknownType[unknownType.size() - 1 - 24 + 7] = '\x40';
    const std::string version3 = VersionedArchive("3", {{"a", "abc"}});
    const std::string oneB = VersionedArchive("1b", {{"a.txt", "Hi!"}});
    const std::pair<std::string, std::string> cases[] = {
        {pastTheEnd, "The data of entry 0 (offset 16, "},
        {unknownType, "Entry 0 has the unknown type byte 0x40."},
        {version3.substr(0, version3.size() - 1), "The list of entries ends early: the file is damaged or incomplete."},
        {version3 + "xy", ""}, // read: bytes after a manifest belong to no entry
        // Neither 1a nor 1b: the reason the first game's reading gives.
        {oneB.substr(0, oneB.size() - 1), "Entry 0 has a name of 778108933 bytes; names are at most 2047 bytes long."},
    };
    for (const auto& [bytes, reason] : cases) {
        EXPECT_EQ(OpenBytes(bytes), reason.empty()) << reason;
        EXPECT_EQ(archive.LastError().substr(0, reason.size()), reason);
    }
}

TEST_F(VersionsTest, DamagedCompressedEntriesOpenAndSayWhy)
{
    const std::string good = VersionedArchive("3", {{"d", Pattern(20), true}, {"ok", "fine"}});
    const std::tuple<std::size_t, char, const char*> cases[] = { // where (from offset 16), the byte, the reason
        {0, '\x02', "stream type 2 is neither 1 nor 3"}, {0, '\x03', nullptr}, // type 3 reads too
        {14, '\xFA', "its data is not a RefPack stream"}, {1, '\x15', "its header gives the raw size 21, the list of entries 20"},
        {17, '\x15', "the RefPack stream's size differs from the raw size"},
        {9, '\x07', "its header's lengths differ from the stored size"},
        {18, '\xE0', "its RefPack stream is damaged"}, // 4 literals, then the rest as codes
    };
    for (const auto& [at, value, reason] : cases) {
        SCOPED_TRACE(at);
        std::string bytes = good;
        bytes[16 + at] = value;
        ASSERT_TRUE(OpenBytes(bytes));
        EXPECT_TRUE(archive.ExtractToTemp(1));
        EXPECT_EQ(archive.ExtractToTemp(0), reason == nullptr);
        if (!reason)
            continue;
        EXPECT_EQ(archive.LastError().rfind("The compressed entry d is damaged: " + std::string(reason), 0), 0u)
            << archive.LastError();
        // A damaged entry is kept as it is stored, in any version.
        const std::size_t stored = archive.Entries[0].CompressedSize;
        for (TFarFormat format : {ff1a, ff3}) {
            ASSERT_TRUE(archive.Save(dir / "out.far", format)) << archive.LastError();
            EXPECT_EQ(ReadBytes(dir / "out.far").substr(16, stored), bytes.substr(16, stored));
            EXPECT_EQ(archive.Entries[0].CompressedSize, stored);
        }
    }
}

// Saves in format, reopens and gives the entries' contents.
std::vector<std::string> SaveAndReopen(TFarArchive& archive, const std::string& target, TFarFormat format)
{
    EXPECT_TRUE(archive.Save(target, format)) << archive.LastError();
    archive.Close();
    EXPECT_TRUE(archive.Open(target)) << archive.LastError();
    EXPECT_EQ(archive.Format, format);
    return PreviewAll(archive);
}

TEST_F(VersionsTest, SavesInTheVersionOpenedAndConverts)
{
    const std::string text(3000, 'k'), noise = Pattern(500, 3);
    ASSERT_TRUE(OpenBytes(VersionedArchive("3", {{"lit.apr", text, true, 12, 0x202}, {"noise.bin", noise, false, 9, 0x303},
                                                 {"gone", "x"}, {"edit.txt", "old", false, 5, 0x505}})));
    const std::uint32_t literalStored = archive.Entries[0].CompressedSize;
    WriteBytes(dir / "added.txt", text);
    archive.AddFile(dir / "added.txt");
    WriteBytes(dir / "edit.data", text + "!");
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[3], dir / "edit.data"));
    archive.SetDeleted(archive.Entries[2], true);
    const std::vector<std::string> contents = {text, noise, text + "!", text};
    // Version 3 again: the compressed entry as stored, IDs kept, changed and added entries compressed now, noise as is.
    EXPECT_EQ(SaveAndReopen(archive, dir / "v3.far", ff3), contents);
    const std::tuple<bool, std::uint32_t, std::uint32_t> ids[] = {{true, 12, 0x202}, {false, 9, 0x303}, {true, 5, 0x505}, {true, 0, 0}};
    for (std::size_t i = 0; i < std::size(ids); ++i)
        EXPECT_EQ(std::tie(archive.Entries[i].Compressed, archive.Entries[i].TypeId, archive.Entries[i].FileId), ids[i]) << i;
    EXPECT_EQ(archive.Entries[0].CompressedSize, literalStored);
    EXPECT_LT(archive.Entries[3].CompressedSize, 200u);
    // To 1b and 1a: everything stored as is, the IDs gone; each stays in its version.
    for (TFarFormat format : {ff1b, ff1a}) {
        EXPECT_EQ(SaveAndReopen(archive, dir / "v1.far", format), contents);
        for (const TFarEntry& e : archive.Entries)
            EXPECT_EQ(std::tie(e.Compressed, e.CompressedSize, e.TypeId), std::make_tuple(false, e.RawSize, 0u));
        EXPECT_TRUE(archive.Save(dir / "again.far"));
        archive.Close();
        ASSERT_TRUE(archive.Open(dir / "again.far"));
        EXPECT_EQ(archive.Format, format);
    }
}

} // namespace
} // namespace kelvo::test
