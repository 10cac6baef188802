#include "app/picture_view.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kelvo {
namespace {

TEST(PictureView, PicturesAreCentredWhereTheyFitAndShowTheirLeftAndBottomWhereNot)
{
    for (auto [scale, expected] : {std::pair{1, TPictureRect{10, 3, 10, 4}}, {4, {0, -6, 40, 16}}, {2, {5, 1, 20, 8}}})
        EXPECT_EQ(PlacePicture(10, 4, scale, 30, 10), expected) << scale;
}

TEST(PictureView, PixelsAreScaledAndBlendedOverTheCheckerboardAndClipped)
{
    // Opaque red, transparent, half blue, opaque green at zoom 4 from (1, 1), the last column cut.
    const iff::Picture picture{2, 2, {0xFFFF0000, 0x00123456, 0x800000FF, 0xFF00FF00}};
    std::vector<std::uint32_t> out;
    ComposePicture(picture, {1, 1, 8, 8}, 8, 12, 0xABCDEF, out);
    ASSERT_EQ(out.size(), 96u);
    const std::tuple<int, int, std::uint32_t> cases[] = {
        {0, 0, 0xABCDEF}, {1, 1, 0xFF0000}, {4, 4, 0xFF0000}, {5, 1, kCheckerLight}, {7, 4, kCheckerLight}, // the light cell shows through
        {1, 5, 0x7F7FFF}, {5, 5, 0x00FF00}, {7, 8, 0x00FF00}, {1, 9, 0xABCDEF}, {7, 11, 0xABCDEF}, // half blue; green to the edge; below
    };
    for (const auto& [x, y, colour] : cases)
        EXPECT_EQ(out[static_cast<std::size_t>(y * 8 + x)], colour) << x << "," << y;
    // The checkerboard's cells count from the picture's corner.
    const iff::Picture clear{16, 8, std::vector<std::uint32_t>(128, 0)};
    ComposePicture(clear, {2, 0, 16, 8}, 20, 8, 0, out);
    EXPECT_EQ(std::make_tuple(out[2], out[9], out[10], out[17]), std::make_tuple(kCheckerLight, kCheckerLight, kCheckerDark, kCheckerDark));
}

TEST(PictureView, KeysMoveThroughThePicturesAndSetTheZoom)
{
    TSpriteViewState state;
    state.Reset(12);
    EXPECT_EQ(state.PositionText("Frame"), "Frame 1 of 12");
    const struct { TSpriteKey key; bool changed; int current, zoom; } steps[] = {
        {TSpriteKey::skPrevious, false, 0, 1}, {TSpriteKey::skNext, true, 1, 1}, {TSpriteKey::skNext, true, 2, 1},
        {TSpriteKey::skLast, true, 11, 1},     {TSpriteKey::skNext, false, 11, 1}, {TSpriteKey::skFirst, true, 0, 1},
        {TSpriteKey::skZoom4, true, 0, 4},     {TSpriteKey::skZoom4, false, 0, 4}, {TSpriteKey::skZoom2, true, 0, 2},
    };
    for (const auto& step : steps)
        EXPECT_EQ((std::tuple{state.Key(step.key), state.Current(), state.Zoom()}), std::tuple(step.changed, step.current, step.zoom)); // in order
    state.Select(2);
    EXPECT_EQ(state.PositionText("Rotation"), "Rotation 3 of 12");
    EXPECT_FALSE(state.SetZoom(3));
    // A new set starts at its first picture and keeps the zoom; an empty one has no position.
    state.Reset(0);
    EXPECT_EQ(std::make_tuple(state.Current(), state.Zoom(), state.PositionText("Frame")), std::make_tuple(0, 2, std::string()));
    EXPECT_FALSE(state.Key(TSpriteKey::skLast));
}

} // namespace
} // namespace kelvo
