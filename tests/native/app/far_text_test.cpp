#include "app/far_text.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace kelvo
