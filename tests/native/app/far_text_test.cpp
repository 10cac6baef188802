#include "app/far_text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kelvo {
namespace {

TFarEntry Named(std::string name)
{
    TFarEntry entry;
    entry.NameLength = static_cast<std::uint32_t>(name.size());
    entry.Name = std::move(name);
    return entry;
}

TEST(FarText, HeaderLinesShowSignedValuesAsRead)
{
    TFarArchive archive;
    archive.Signature = "FAR!byAZ";
    archive.Version = 0xFFFFFFFFu;
    archive.ManifestOffset = 0x80000000u;
    archive.EntryCount = 120;
    EXPECT_EQ(HeaderLines(archive), (std::vector<std::string>{"FAR Header: FAR!byAZ", "Version: -1",
                                                              "Directory offset: -2147483648",
                                                              "Number of Entries: 120"}));
}

TEST(FarText, ListTextCutsAtLastBackslashOrColonUnlessPathsShown)
{
    EXPECT_EQ(ListText(Named("Objects\\Chair.iff"), false), "Chair.iff");
    EXPECT_EQ(ListText(Named("Objects\\Chair.iff"), true), "Objects\\Chair.iff");
    EXPECT_EQ(ListText(Named("C:\\Mods\\a:b.txt"), false), "b.txt");
    EXPECT_EQ(ListText(Named("Folder\\"), false), "");
    // A name is text up to its first zero byte.
    EXPECT_EQ(ListText(Named(std::string("A\\b\0c", 5)), false), "b");
    EXPECT_EQ(LoadingText(Named("Objects\\Chair.iff")), "Loading Objects\\Chair.iff");
}

TEST(FarText, StatusTextsAndProgress)
{
    EXPECT_EQ(LoadedText(0), "0 files loaded.");
    EXPECT_EQ(LoadedText(1), "1 files loaded.");
    EXPECT_EQ(LoadedText(500000), "500000 files loaded.");
    EXPECT_EQ(ProgressPercent(0, 4), 0);
    EXPECT_EQ(ProgressPercent(3, 4), 75);
    EXPECT_EQ(ProgressPercent(2, 3), 66);
    EXPECT_EQ(ProgressPercent(499999, 500000), 99);
    EXPECT_EQ(ProgressPercent(0, 0), 0);
}

TEST(FarText, MessagePanelIsFourFifthsOfTheOuterWidthRoundedDown)
{
    EXPECT_EQ(MessagePanelWidth(1000), 800);
    EXPECT_EQ(MessagePanelWidth(999), 799);
    EXPECT_EQ(MessagePanelWidth(783), 626);
}

TEST(FarText, ProgressPaceLetsOnePaintThroughPerInterval)
{
    using namespace std::chrono;
    ProgressPace pace(milliseconds(33));
    const ProgressPace::Clock::time_point start{};
    EXPECT_TRUE(pace.Due(start));
    EXPECT_FALSE(pace.Due(start + milliseconds(10)));
    EXPECT_FALSE(pace.Due(start + milliseconds(32)));
    EXPECT_TRUE(pace.Due(start + milliseconds(33)));
    EXPECT_FALSE(pace.Due(start + milliseconds(40)));
    EXPECT_TRUE(pace.Due(start + milliseconds(100)));
}

TEST(FarText, EntryDetailLinesInOrderWithSignedNumbers)
{
    TFarEntry entry = Named("Objects\\Chair.iff");
    entry.RawSize = 1024;
    entry.CompressedSize = 1024;
    entry.FileOffset = 16;
    EXPECT_EQ(EntryDetailLines(entry),
              (std::vector<std::string>{"Entry #: 0", "Filename: Chair.iff", "Full Name: Objects\\Chair.iff",
                                        "Raw Size: 1024", "Compressed Size: 1024", "File Offset: 16",
                                        "State: Original Entry"}));

    TFarEntry added = Named(std::string("C:\\Mods\\a:b.txt\0junk", 20));
    added.Index = 7;
    added.State = esNew;
    added.RawSize = 0xFFFFFFFFu;
    added.FileOffset = 0x80000000u;
    const auto lines = EntryDetailLines(added);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Entry #: 7");
    EXPECT_EQ(lines[1], "Filename: b.txt");
    EXPECT_EQ(lines[2], "Full Name: C:\\Mods\\a:b.txt");
    EXPECT_EQ(lines[3], "Raw Size: -1");
    EXPECT_EQ(lines[5], "File Offset: -2147483648");
    EXPECT_EQ(lines[6], "State: New Entry");
}

TEST(FarText, StateTexts)
{
    const std::pair<std::int32_t, const char*> cases[] = {
        {esOriginal, "Original Entry"}, {esNew, "New Entry"}, {esChanged, "Changed Entry"},
        {esDeleted, "Marked for Deletion"}, {4, "Original Entry"}, {-1, "Original Entry"},
    };
    for (const auto& [state, text] : cases)
        EXPECT_EQ(StateText(state), text) << state;
}

TEST(FarText, PreviewKindFromTheExtensionAfterTheLastSeparator)
{
    const struct {
        const char* name;
        const char* extension;
        PreviewKind kind;
    } cases[] = {
        {"Textures\\house.BMP", ".BMP", PreviewKind::Bitmap},
        {"house.bmp", ".BMP", PreviewKind::Bitmap},
        {"a.b.Bmp", ".BMP", PreviewKind::Bitmap},
        {"Objects\\Chair.iff", ".IFF", PreviewKind::Iff},
        {"Pics.BMP\\a.txt", ".TXT", PreviewKind::Data},
        {"Pics.BMP\\readme", "", PreviewKind::Data},
        {"C:house.bmp", ".BMP", PreviewKind::Bitmap},
        {"Pics.bmp:stream", "", PreviewKind::Data},
        {"house.bmp.txt", ".TXT", PreviewKind::Data},
        {"house.bmpx", ".BMPX", PreviewKind::Data},
        {"house.", ".", PreviewKind::Data},
        {"", "", PreviewKind::Data},
        {"caf\xE9.bmp", ".BMP", PreviewKind::Bitmap},
        {"x.\xE9", ".\xE9", PreviewKind::Data}, // only a-z change case
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UpperExtension(c.name), c.extension) << c.name;
        EXPECT_EQ(PreviewKindOf(c.name), c.kind) << c.name;
    }
}

// The start of a .bmp file: file header, an info header of the given size
// with the bit count and compression, and three colour masks.
std::string BitmapStart(std::uint32_t headerSize, std::uint32_t bitCount, std::uint32_t compression = 0,
                        std::uint32_t red = 0, std::uint32_t green = 0, std::uint32_t blue = 0)
{
    std::string bytes = "BM";
    bytes.resize(14, '\0');
    auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    };
    put(headerSize, 4);
    if (headerSize == 12) {
        put(64, 2), put(32, 2), put(1, 2), put(bitCount, 2);
        return bytes;
    }
    put(64, 4), put(32, 4), put(1, 2), put(bitCount, 2), put(compression, 4);
    bytes.resize(14 + 40, '\0');
    put(red, 4), put(green, 4), put(blue, 4);
    return bytes;
}

TEST(FarText, BitmapPixelDepthFromTheFileHeader)
{
    const struct {
        const char* what;
        std::string bytes;
        int depth;
        const char* line;
    } cases[] = {
        {"1 bit", BitmapStart(40, 1), 1, "1/2"},
        {"4 bits", BitmapStart(40, 4), 4, "4/16"},
        {"RLE4", BitmapStart(40, 4, 2), 4, "4/16"},
        {"8 bits", BitmapStart(40, 8), 8, "8/256"},
        {"RLE8", BitmapStart(40, 8, 1), 8, "8/256"},
        {"16 bits plain", BitmapStart(40, 16), 15, "15/64,000"},
        {"16 bits 5-5-5 masks", BitmapStart(40, 16, 3, 0x7C00, 0x03E0, 0x001F), 15, "15/64,000"},
        {"16 bits 5-6-5 masks", BitmapStart(40, 16, 3, 0xF800, 0x07E0, 0x001F), 16, "16/64,000"},
        {"16 bits 5-6-5 in a V5 header", BitmapStart(124, 16, 3, 0xF800, 0x07E0, 0x001F), 16, "16/64,000"},
        {"16 bits 5-5-5 in a V4 header", BitmapStart(108, 16, 3, 0x7C00, 0x03E0, 0x001F), 15, "15/64,000"},
        {"16 bits 4-4-4 masks", BitmapStart(40, 16, 3, 0x0F00, 0x00F0, 0x000F), 0, "8/256"},
        {"16 bits masks cut off", BitmapStart(40, 16, 3, 0xF800, 0x07E0, 0x001F).substr(0, 60), 0, "8/256"},
        {"24 bits", BitmapStart(40, 24), 24, "24/16.7 Million"},
        {"32 bits", BitmapStart(124, 32, 3, 0xFF0000, 0xFF00, 0xFF), 32, "32/16.7 Million"},
        {"core 8 bits", BitmapStart(12, 8), 8, "8/256"},
        {"core 24 bits", BitmapStart(12, 24), 24, "24/16.7 Million"},
        {"core 16 bits", BitmapStart(12, 16), 0, "8/256"},
        {"2 bits", BitmapStart(40, 2), 0, "8/256"},
        {"JPEG inside", BitmapStart(40, 0, 4), 0, "8/256"},
        {"header size 0", BitmapStart(0, 24), 0, "8/256"},
        {"header size 13", BitmapStart(13, 24), 0, "8/256"},
        {"header size huge", BitmapStart(0xFFFFFFFFu, 24), 24, "24/16.7 Million"},
        {"truncated in the bit count", BitmapStart(40, 24).substr(0, 29), 0, "8/256"},
        {"file header only", std::string("BM\0\0\0\0\0\0\0\0\0\0\0\0", 14), 0, "8/256"},
        {"empty", "", 0, "8/256"},
        {"text", "Not a bitmap at all, only words.", 0, "8/256"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BitmapPixelDepth(c.bytes), c.depth) << c.what;
        EXPECT_EQ(PixelDepthLine(BitmapPixelDepth(c.bytes)), std::string("Pixel Depth/Colors: ") + c.line) << c.what;
    }
    EXPECT_EQ(BitmapSizeLine(320, 200), "Bitmap Size: 320x200");
    EXPECT_EQ(PixelDepthLine(7), "Pixel Depth/Colors: 8/256");
}

} // namespace
} // namespace kelvo
