// Printing a hex view's bytes onto a memory context: the editor's layout taken
// over, the text landing inside the area, and the link to the editor, which
// may go first. Which lines make a page is the print layout's, tested natively.
#include "components/hexview/hex_to_canvas.h"
#include "tests/test_support.h"
#include "ui/form.h"

#include <memory>
#include <sstream>

namespace kelvo {
namespace {

constexpr int kWidth = 640, kHeight = 480;

class HexToCanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.CreateOwnWindow("KelvoPrintTestParent", WS_OVERLAPPEDWINDOW, 0, "Print", 20, 20, 400, 300, nullptr,
                               nullptr);
        editor->Create(parent.Handle(), 1);
        editor->SetFont("Courier New", -16);
        std::istringstream bytes(test::Pattern(1000));
        ASSERT_TRUE(editor->LoadFromStream(bytes));
        printer.SetHexEditor(editor.get());
        surface.canvas().SetBrushColor(RGB(255, 255, 255));
        surface.canvas().FillRect(RECT{0, 0, kWidth, kHeight});
    }
    // The smallest rectangle holding every pixel that is not white.
    RECT Ink()
    {
        RECT box{kWidth, kHeight, -1, -1};
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (GetPixel(surface.canvas().Handle(), x, y) != RGB(255, 255, 255))
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x),
                           std::max<LONG>(box.bottom, y)};
        return box;
    }

    struct Parent : ui::Window {
        using ui::Window::CreateOwnWindow;
    } parent;
    std::unique_ptr<THexEditor> editor = std::make_unique<THexEditor>();
    THexToCanvas printer;
    ui::BitmapCanvas surface{nullptr, kWidth, kHeight};
};

TEST_F(HexToCanvasTest, TakesTheEditorsLayoutAndDrawsInsideTheArea)
{
    editor->SetOffsetDisplay(odOctal);
    editor->SetSwapNibbles(true);
    printer.MemFieldSeparator = ';';
    printer.GetLayout();
    EXPECT_EQ(printer.OffsetDisplay, odOctal);
    EXPECT_TRUE(printer.SwapNibbles);
    EXPECT_EQ(printer.MemFieldSeparator, ' ');
    LOGFONTA font{};
    ASSERT_TRUE(GetObjectA(printer.Font(), sizeof font, &font));
    EXPECT_STREQ(font.lfFaceName, "Courier New");

    printer.DrawArea = {40, 30, 440, 610}; // top, left, bottom, right
    HDC dc = surface.canvas().Handle();
    const HGDIOBJ ownFont = GetCurrentObject(dc, OBJ_FONT);
    const std::int32_t next = printer.Draw(dc, 0, 999, "Header", "Footer");
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), ownFont);
    // Whole lines of 16 bytes, some but not all of the 1000 bytes.
    EXPECT_GT(next, 0);
    EXPECT_LT(next, 1000);
    EXPECT_EQ(next % 16, 0);
    // Inside the area, and reaching well into its last quarter: the font fits the width.
    const RECT ink = Ink();
    EXPECT_GE(ink.left, 30);
    EXPECT_GE(ink.top, 40);
    EXPECT_LT(ink.bottom, 440);
    EXPECT_LE(ink.right, 610);
    EXPECT_GT(ink.right, 30 + 3 * 580 / 4);
    printer.BytesPerLine = 0; // nothing to lay out
    EXPECT_EQ(printer.Draw(dc, 0, 999, "Header", ""), -1);
}

TEST_F(HexToCanvasTest, ForgetsAnEditorThatGoes)
{
    {
        THexToCanvas other;
        other.SetHexEditor(editor.get());
    } // a printer that goes first is no longer told
    editor.reset();
    EXPECT_EQ(printer.HexEditor(), nullptr);
    printer.DrawArea = {0, 0, kHeight, kWidth};
    EXPECT_EQ(printer.Draw(surface.canvas().Handle(), 0, 10, "", ""), 2147483647);
    EXPECT_EQ(Ink().right, -1);
}

} // namespace
} // namespace kelvo
