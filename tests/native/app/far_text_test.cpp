#include "app/entry_filter.h"
#include "app/far_text.h"
#include "tests/far_writer.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kelvo {
namespace {

TFarEntry Named(std::string name) { return {.NameLength = static_cast<std::uint32_t>(name.size()), .Name = std::move(name), .Change = {}}; }

TEST(FarText, HeaderAndEntryDetailLinesShowSignedValuesAndStateTexts)
{
    TFarArchive archive;
    archive.Signature = "FAR!byAZ";
    archive.Version = 0xFFFFFFFFu;
    archive.ManifestOffset = 0x80000000u;
    archive.EntryCount = 120;
    archive.Format = ff1b;
    EXPECT_EQ(HeaderLines(archive), (std::vector<std::string>{"FAR Header: FAR!byAZ", "Version: -1", "Directory offset: -2147483648",
                                                              "Number of Entries: 120", "Format: 1b (16-bit name lengths)"}));
    TFarEntry entry{.Index = 7, .RawSize = 0xFFFFFFFFu, .CompressedSize = 1024, .FileOffset = 0x80000000u, .NameLength = 20,
                    .Name = std::string("C:\\Mods\\a:b.txt\0junk", 20), .Change = {}, .TypeId = 12, .FileId = 0xA0000202, .Compressed = true};
    const std::vector<std::string> lines = {"Entry #: 7", "Filename: b.txt", "Full Name: C:\\Mods\\a:b.txt", "Raw Size: -1",
                                            "Compressed Size: 1024", "File Offset: -2147483648", "State: Original Entry"};
    EXPECT_EQ(EntryDetailLines(entry, ff1b), lines);
    std::vector<std::string> v3 = lines;
    v3.insert(v3.end(), {"Type ID: 12", "File ID: 0xA0000202", "Compressed: Yes"});
    EXPECT_EQ(EntryDetailLines(entry, ff3), v3);
    entry.State = esChanged; // new bytes are stored compressed only when saved
    EXPECT_EQ(EntryDetailLines(entry, ff3).back(), "Compressed: No");
    for (auto [state, text] : {std::pair<std::int32_t, const char*>{esNew, "New Entry"}, {esChanged, "Changed Entry"},
                               {esDeleted, "Marked for Deletion"}, {4, "Original Entry"}})
        EXPECT_EQ(StateText(state), text) << state;
}

TEST(FarText, ListTextProgressFailureListsStartingFolderAndPaintPace)
{
    EXPECT_EQ(ListText(Named("Objects\\Chair.iff"), true), "Objects\\Chair.iff");
    EXPECT_EQ(ListText(Named(std::string("C:\\a:b.txt\0c\\d", 14)), false), "b.txt"); // up to the zero byte
    for (auto [done, total, percent] : {std::tuple{3, 4, 75}, {2, 3, 66}, {499999, 500000, 99}, {0, 0, 0}})
        EXPECT_EQ(ProgressPercent(done, total), percent) << done << "/" << total;
    EXPECT_EQ(ExtractFailuresText({{"a\\b.txt", "Why."}}), "This entry could not be extracted:\n\na\\b.txt: Why.");
    std::vector<TExtractFailure> many;
    for (int i = 0; i < 12; ++i)
        many.push_back({"e" + std::to_string(i), "R."});
    EXPECT_EQ(ExtractFailuresText(many), "12 entries could not be extracted:\n\ne0: R.\ne1: R.\ne2: R.\ne3: R.\ne4: R.\ne5: R.\ne6: R.\ne7: R.\ne8: R.\ne9: R.\n... and 2 more.");
    for (auto [name, folder] : {std::pair{"C:\\Games\\Sims\\Objects.far", "C:\\Games\\Sims"}, {"C:\\Objects.far", "C:\\"},
                                {"C:Objects.far", "C:"}, {"\\\\server\\share\\a.far", "\\\\server\\share"}, {"Objects.far", ""}})
        EXPECT_EQ(ArchiveFolder(name), folder) << name;
    ProgressPace pace(std::chrono::milliseconds(33)); // one paint through per interval
    for (auto [at, due] : {std::pair{0, true}, {10, false}, {32, false}, {33, true}, {40, false}, {100, true}})
        EXPECT_EQ(pace.Due(ProgressPace::Clock::time_point{} + std::chrono::milliseconds(at)), due) << at;
}

TEST(FarText, PreviewKindFromTheExtensionAfterTheLastSeparator)
{
    const std::tuple<const char*, const char*, PreviewKind> cases[] = {
        {"a.b.Bmp", ".BMP", PreviewKind::Bitmap},          {"C:house.bmp", ".BMP", PreviewKind::Bitmap},
        {"Objects\\Chair.iff", ".IFF", PreviewKind::Iff},  {"UI\\ok.tga", ".TGA", PreviewKind::Tga},
        {"Pics.BMP\\a.txt", ".TXT", PreviewKind::Data},    {"Pics.bmp:stream", "", PreviewKind::Data},
        {"house.bmpx", ".BMPX", PreviewKind::Data},        {"x.\xE9", ".\xE9", PreviewKind::Data}, // only a-z change case
    };
    for (const auto& [name, extension, kind] : cases) {
        EXPECT_EQ(UpperExtension(name), extension) << name;
        EXPECT_EQ(PreviewKindOf(name), kind) << name;
    }
}

// A .bmp file's start: file header, info header of the size with width, height, planes, bit count, compression, masks.
std::string BitmapStart(std::uint32_t headerSize, std::uint32_t bitCount, std::uint32_t compression = 0, std::uint32_t red = 0,
                        std::uint32_t green = 0, std::uint32_t blue = 0)
{
    std::string bytes(14, '\0');
    const int field = headerSize == 12 ? 2 : 4; // a core header has 16-bit sizes and ends after the bit count
    for (auto [value, size] : {std::pair{headerSize, 4}, {1u, field}, {1u, field}, {1u, 2}, {bitCount, 2}, {compression, 4}})
        test::PutLE(bytes, value, size);
    bytes.resize(headerSize == 12 ? 26 : 54, '\0');
    for (std::uint32_t mask : {red, green, blue})
        test::PutLE(bytes, mask, headerSize == 12 ? 0 : 4);
    return bytes;
}

TEST(FarText, BitmapPixelFormatFromTheFileHeader)
{
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"1 bit", BitmapStart(40, 1), "1/2"}, {"4 bits", BitmapStart(40, 4), "4/16"}, {"RLE8", BitmapStart(40, 8, 1), "8/256"},
        {"16 bits plain", BitmapStart(40, 16), "15/64,000"}, {"2 bits", BitmapStart(40, 2), "8/256"},
        {"5-6-5 masks", BitmapStart(40, 16, 3, 0xF800, 0x07E0, 0x001F), "16/64,000"},
        {"5-5-5 masks in a V5 header", BitmapStart(124, 16, 3, 0x7C00, 0x03E0, 0x001F), "15/64,000"},
        {"4-4-4 masks", BitmapStart(40, 16, 3, 0x0F00, 0x00F0, 0x000F), "8/256"},
        {"masks cut off", BitmapStart(40, 16, 3, 0xF800, 0x07E0, 0x001F).substr(0, 60), "8/256"},
        {"24 bits", BitmapStart(40, 24), "24/16.7 Million"}, {"32 bits", BitmapStart(108, 32, 3), "32/16.7 Million"},
        {"core 24 bits", BitmapStart(12, 24), "24/16.7 Million"}, {"header size 13", BitmapStart(13, 24), "8/256"},
        {"cut in the bit count", BitmapStart(40, 24).substr(0, 29), "8/256"},
    };
    for (const auto& [what, bytes, line] : cases)
        EXPECT_EQ(PixelDepthLine(BitmapPixelDepth(bytes)), std::string("Pixel Depth/Colors: ") + line) << what;
    EXPECT_EQ(BitmapPixelDepth(""), 0);
}

TEST(EntryFilterTest, NamesContainingTheTextInAnyCaseWithWildcards)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"", "anything", true}, {"CHAIR", "objects\\chair.iff", true}, {"chairs", "Objects\\Chair.iff", false},
        {"\xC4rger", "\xE4RGER.txt", true},              // Ä and ä
        {"\x8A\x8C\x8E\x9F", "x\x9A\x9C\x9E\xFF", true}, // Š Œ Ž Ÿ and their small letters
        {"\xD7", "\xF7", false},                         // the multiplication and division signs
        {"aab", "aaab", true},                           // a partial match before the real one
        {"*.bmp", "UI\\Back.bmp.bak", true},             // the text may be anywhere in the name
        {"ui*back", "Back\\UI.bmp", false}, {"b?ck", "Back.bmp", true}, {"b?ck", "Bck.bmp", false}, {"*", "", true},
        {"a*b*c", "aXbXbXc", true}, {"a*b*c", "aXcXb", false},
    };
    for (const auto& [text, name, matches] : cases)
        EXPECT_EQ(EntryFilter(text).Matches(name), matches) << text << " in " << name;
    const std::vector<TFarEntry> entries{Named("a.bmp"), Named("b.txt"), Named("c.BMP"), Named("d.bmp.txt"),
                                         Named(std::string("e\0.bmp", 6))}; // names end at a zero
    EXPECT_EQ(FilterEntries(entries, ".bmp"), (std::vector<std::int32_t>{0, 2, 3}));
    EXPECT_EQ(FilterEntries(entries, ""), (std::vector<std::int32_t>{0, 1, 2, 3, 4}));
}

TEST(FarText, EntryDragFilesLieInADragFolderOfTheTemporaryFolder)
{
    for (auto [path, drag] : {std::pair{"c:\\users\\ME\\temp\\KELVO-DRAG-A0B1C2D3E4F5\\a", true}, {"C:\\Users\\me\\Temp\\kelvo-drag-3f9a0c12be47", false},
                              {"C:\\Users\\me\\Temp\\kelvo-edit-5d2e8a1b9c30\\1.dat", false}, {"D:\\Mods\\kelvo-drag-3f9a0c12be47\\Chair.iff", false}})
        EXPECT_EQ(IsEntryDragFile(path, "C:\\Users\\me\\Temp\\"), drag) << path;
}

} // namespace
} // namespace kelvo
