#include "components/textview/text_layout.h"

#include <gtest/gtest.h>


namespace kelvo {
namespace {

using namespace std::string_literals;

// Every byte one pixel wide except 'W' (three), tab stops every four pixels.
std::array<int, 256> Widths()
{
    std::array<int, 256> widths{};
    widths.fill(1), widths['W'] = 3;
    return widths;
}

void LayOut(TextLayout& layout, const std::string& text, int width)
{
    layout.SetMetrics(Widths(), 4), layout.SetWrapWidth(width), layout.SetText(text);
}

TEST(TextLayout, WrapsAtSpacesCutsLongWordsAndBreaksLines)
{
    using Rows = std::vector<std::string>;
    const struct { std::string text; int width; Rows rows; } cases[] = {
        {"", 10, {""}},
        {"one two three four", 10, {"one two ", "three four"}},
        {"one two three fours", 10, {"one two ", "three ", "fours"}},
        {"abcdefghijklmnop", 6, {"abcdef", "ghijkl", "mnop"}},
        {"ab    cd", 3, {"ab    ", "cd"}},   // spaces hang past the edge
        {"ab  \r\ncd", 3, {"ab  ", "cd"}},     // and a break after them ends the row
        {"a      b", 2, {"a   ", "   ", "b"}}, // a row's width of them at most
        {"a\r\nb\nc\rd", 10, {"a", "b", "c", "d"}},
        {"a\n\nb\n", 10, {"a", "", "b", ""}},
        {"WWWW", 7, {"WW", "WW"}},
        {"a\tb\tcd", 8, {"a\tb\t", "cd"}},   // a tab goes to the next stop: a at 0, b at 4, cd at 8
        {std::string("shown\0hidden", 12), 10, {"shown"}},
        {"x", 0, {"x"}},                       // a width below one is one: a byte a row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TextLayout layout;
        LayOut(layout, c.text, c.width);
        Rows shown;
        for (const TextRow& row : layout.Rows(0, layout.RowCount()))
            shown.push_back(layout.Text().substr(static_cast<std::size_t>(row.start), row.end - row.start));
        EXPECT_EQ(shown, c.rows);
    }
}

TEST(TextLayout, RowsFromAnyPlaceAgreeWithOnePassAndRowOf)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += i % 37 == 0 ? "\r\n" : i % 53 == 0 ? "\n" : i % 5 == 0 ? " " : std::string(1, static_cast<char>('a' + i % 26));
    TextLayout layout;
    LayOut(layout, text, 13);
    const std::vector<TextRow> all = layout.Rows(0, layout.RowCount());
    ASSERT_GT(layout.RowCount(), 5 * TextLayout::kRowsPerMark);
    for (std::int32_t row = 0; row < layout.RowCount(); ++row) {
        const TextRow one = layout.Row(row);
        const auto i = static_cast<std::size_t>(row);
        ASSERT_EQ(std::tuple(one.start, one.next), std::tuple(all[i].start, all[i].next)) << row;
        ASSERT_EQ(one.start, row > 0 ? all[i - 1].next : 0);
        const std::int32_t last = row + 1 < layout.RowCount() ? one.next : layout.Length() + 1;
        for (std::int32_t pos = one.start; pos < last; ++pos)
            ASSERT_EQ(layout.RowOf(pos), row) << pos;
    }
    // Asking past the end gives what there is.
    EXPECT_TRUE(layout.Rows(layout.RowCount() - 1, 10).size() == 1 && layout.Rows(layout.RowCount(), 1).empty());
}

TEST(TextLayout, PositionsAndPixels)
{
    TextLayout layout;
    LayOut(layout, "aWb\tc\nlast line here", 9);
    const TextRow first = layout.Row(0); // "aWb\tc": a 0, W 1..3, b 4, tab 5..7, c 8
    for (auto [pos, x] : {std::pair{0, 0}, {2, 4}, {4, 8}})
        EXPECT_EQ(layout.XOf(first, pos), x) << pos;
    // The left half of W, its right half, and the end of a row with a break.
    for (auto [x, pos] : {std::pair{2, 1}, {3, 2}, {99, 5}})
        EXPECT_EQ(layout.PosAt(first, x), pos) << x;
    // "last line " wraps: the caret stays before its last byte; the last row's end is the text's.
    EXPECT_EQ(std::pair(layout.PosAt(layout.Row(1), 99), layout.PosAt(layout.Row(2), 99)),
              std::pair(layout.Row(1).end - 1, layout.Length()));
    std::vector<std::tuple<std::int32_t, std::int32_t, int>> runs;
    for (const TextRun& run : layout.Runs(first, 1, 5))
        runs.emplace_back(run.start, run.end, run.x);
    EXPECT_EQ(runs, (decltype(runs){{1, 3, 1}, {4, 5, 8}}));
}

// A model over numbered lines "line 00".."line 99" (7 bytes and "\r\n"),
// rows wide enough for a whole line, five rows in view.
TextViewModel Lines()
{
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "line " + std::string(1, static_cast<char>('0' + i / 10)) + static_cast<char>('0' + i % 10) + "\r\n";
    TextViewModel model;
    model.Layout().SetMetrics(Widths(), 4), model.SetWrapWidth(20), model.SetVisibleRows(5), model.SetText(text);
    return model;
}

TEST(TextViewModel, KeysMoveTheCaretAndShiftSelects)
{
    TextViewModel model = Lines();
    model.Move(TextMove::RowEnd, false), model.Move(TextMove::Right, false); // over the whole "\r\n"
    EXPECT_EQ(model.Caret(), 9);
    model.Move(TextMove::Left, true);
    EXPECT_EQ(std::pair(model.Caret(), model.SelectedText()), std::pair(7, std::string("\r\n")));
    model.Move(TextMove::Right, false); // drops the selection at its end
    EXPECT_EQ(std::pair(model.Caret(), model.SelectedText()), std::pair(9, std::string()));

    model.MoveTo(3, false), model.Move(TextMove::Down, true), model.Move(TextMove::Down, true); // keeps the column
    EXPECT_EQ(std::pair(model.Caret(), model.SelectedText()), std::pair(2 * 9 + 3, "e 00\r\nline 01\r\nlin"s));
    model.Move(TextMove::RowStart, true);
    EXPECT_EQ(model.SelectedText(), "e 00\r\nline 01\r\n");

    model.Move(TextMove::PageDown, false);
    EXPECT_EQ(std::pair(model.Caret(), model.TopRow()), std::pair(7 * 9, 5));
    model.Move(TextMove::TextEnd, false); // the caret is kept in view; an empty row after the last break
    EXPECT_EQ(std::pair(model.Caret(), model.TopRow()), std::pair(900, 101 - 5));
    model.Move(TextMove::PageUp, false);
    EXPECT_EQ(model.Caret(), 95 * 9);
    model.Move(TextMove::TextStart, true);
    EXPECT_EQ(std::pair(model.TopRow(), model.SelectedText().size()), std::pair(0, std::size_t{95 * 9}));
    model.SelectAll();
    EXPECT_EQ(model.SelectedText(), model.Layout().Text());
    model.MoveTo(8, false); // inside a "\r\n": before it
    EXPECT_EQ(model.Caret(), 7);
}

TEST(TextViewModel, PointsScrollingAndRewrapping)
{
    TextViewModel model = Lines();
    model.ScrollTo(10);
    // A point above the view is on the row above.
    EXPECT_EQ(std::pair(model.PosAtPoint(2, 1), model.PosAtPoint(2, -1)), std::pair(11 * 9 + 2, 9 * 9 + 2));
    model.ScrollTo(-3);
    EXPECT_EQ(std::pair(model.PosAtPoint(0, -20), model.PosAtPoint(0, 500)), std::pair(0, 900));
    model.ScrollTo(1000);
    EXPECT_EQ(model.TopRow(), model.MaxTopRow());

    // Narrower rows: "line " and "00" on two rows; the byte at the top stays at the top.
    model.ScrollTo(40), model.SetWrapWidth(5);
    EXPECT_EQ(std::pair(model.Layout().RowCount(), model.TopRow()), std::pair(201, 80));
    model.SetVisibleRows(300);
    EXPECT_EQ(model.TopRow(), 0);
}

} // namespace
} // namespace kelvo
