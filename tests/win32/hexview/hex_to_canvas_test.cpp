// Printing a hex view's bytes onto a memory context: where the text lands,
// what Draw returns, and the link to the editor, which may go first.
#include "components/hexview/hex_to_canvas.h"
#include "tests/test_support.h"
#include "ui/form.h"

#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

namespace kelvo {
namespace {

constexpr int kWidth = 640, kHeight = 480;

class TestParent : public ui::Window {
public:
    TestParent()
    {
        CreateOwnWindow("KelvoPrintTestParent", WS_OVERLAPPEDWINDOW, 0, "Print", 20, 20, 400, 300, nullptr, nullptr);
    }
};

// A white page in memory.
class Page {
public:
    Page()
    {
        surface_.canvas().SetBrushColor(RGB(255, 255, 255));
        surface_.canvas().FillRect(RECT{0, 0, kWidth, kHeight});
    }
    HDC Dc() { return surface_.canvas().Handle(); }
    // The smallest rectangle holding every pixel that is not white.
    RECT Ink()
    {
        RECT box{kWidth, kHeight, -1, -1};
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (GetPixel(Dc(), x, y) != RGB(255, 255, 255))
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x),
                           std::max<LONG>(box.bottom, y)};
        return box;
    }

private:
    ui::BitmapCanvas surface_{nullptr, kWidth, kHeight};
};

class HexToCanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        editor->Create(parent.Handle(), 1);
        editor->SetFont("Courier New", -16);
        std::istringstream bytes(test::Pattern(1000));
        ASSERT_TRUE(editor->LoadFromStream(bytes));
        printer.SetHexEditor(editor.get());
        printer.GetLayout();
    }

    TestParent parent;
    std::unique_ptr<THexEditor> editor = std::make_unique<THexEditor>();
    THexToCanvas printer;
    Page page;
};

TEST_F(HexToCanvasTest, TakesTheEditorsLayoutAndRefusesBadGroups)
{
    editor->SetBytesPerLine(8);
    editor->SetBytesPerColumn(4);
    editor->SetOffsetDisplay(odOctal);
    editor->SetOffsetSeparator('|');
    editor->SetSwapNibbles(true);
    printer.MemFieldSeparator = ';';
    printer.GetLayout();
    EXPECT_EQ(printer.BytesPerLine, 8);
    EXPECT_EQ(printer.BytesPerColumn(), 4);
    EXPECT_EQ(printer.OffsetDisplay, odOctal);
    EXPECT_EQ(printer.OffsetSeparator, '|');
    EXPECT_TRUE(printer.SwapNibbles);
    EXPECT_EQ(printer.MemFieldSeparator, ' ');
    LOGFONTA font{};
    ASSERT_TRUE(GetObjectA(printer.Font(), sizeof font, &font));
    EXPECT_STREQ(font.lfFaceName, "Courier New");
    EXPECT_EQ(font.lfHeight, -16);

    // A BytesPerColumn below 1 is refused; a BytesPerLine below 1 draws nothing.
    EXPECT_EQ(test::ErrorOf<HexError>([&] { printer.SetBytesPerColumn(0); }), "Invalid BytesPerColumn argument");
    EXPECT_EQ(printer.BytesPerColumn(), 4);
    printer.BytesPerLine = 0;
    printer.DrawArea = {0, 0, kHeight, kWidth};
    EXPECT_EQ(printer.Draw(page.Dc(), 0, 10, "Head", ""), -1);
    EXPECT_EQ(page.Ink().right, -1);
}

TEST_F(HexToCanvasTest, DrawsAPageInsideTheAreaInAFontFittedToItsWidth)
{
    // Which lines make a page is the print layout's (tested natively); here
    // the text reaches the device context in the editor's font.
    printer.DrawArea = {40, 30, 440, 610}; // top, left, bottom, right
    const HGDIOBJ ownFont = GetCurrentObject(page.Dc(), OBJ_FONT);
    const std::int32_t next = printer.Draw(page.Dc(), 0, 999, "Header", "Footer");
    EXPECT_EQ(GetCurrentObject(page.Dc(), OBJ_FONT), ownFont);
    EXPECT_EQ(printer.DrawArea.Bottom, 440);
    // Whole lines of 16 bytes, some but not all of the 1000 bytes.
    EXPECT_GT(next, 0);
    EXPECT_LT(next, 1000);
    EXPECT_EQ(next % 16, 0);
    const RECT ink = page.Ink();
    EXPECT_GE(ink.left, 30);
    EXPECT_GE(ink.top, 40);
    EXPECT_LT(ink.bottom, 440);
    // The lines reach well into the area's last quarter, not past it.
    EXPECT_LE(ink.right, 610);
    EXPECT_GT(ink.right, 30 + 3 * 580 / 4);
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
    EXPECT_EQ(printer.Draw(page.Dc(), 0, 10, "", ""), 2147483647);
}

} // namespace
} // namespace kelvo
