// The main window's preview of IFF resource entries, driven as the user
// drives it: a selection in the entry list, keys in the chunk list.
#include "app/commands.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tools/sample/bitmaps.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sample_archive.h"
#include "ui/canvas.h"

namespace kelvo {
namespace {

using namespace std::string_literals;

class FarDlgIffTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        const std::string good = sample::IffImage({{"OBJD", 1, 0, "first", "abc"}, {"BMP_", 2, 0, "no picture", "BM?"}});
        files = {
            {"Objects\\Chair.iff", sample::SampleFiles()[1].data}, // an older IFF kind
            {"Objects\\Damaged.IFF", good + sample::IffChunkImage({"BHAV", 3, 0, "", "xy"}, 60)},
            {"Objects\\Lamp.iff", sample::LampObjectIff()},
            {"Text\\notes.txt", "plain text"},
        };
        archive = folder + "test.far";
        WriteBytes(archive, sample::FarImage(files));
        script.arguments.push_back(archive);
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->Show(SW_SHOWNOACTIVATE);
    }
    ui::ListView& Chunks() { return dlg->IffPreview().ChunkList(); }
    std::vector<std::string> Row(ui::ListView& list, int row)
    {
        std::vector<std::string> cells;
        for (int column = 0; column < list.ColumnCount(); ++column)
            cells.push_back(list.Text(row, column));
        return cells;
    }
    // Moves the chunk list's selection to a row by keys: Home, then Down.
    void SelectChunk(int row)
    {
        HWND list = Chunks().Handle();
        for (int i = -1; i < row; ++i) {
            const WPARAM key = i < 0 ? VK_HOME : VK_DOWN;
            SendMessageA(list, WM_KEYDOWN, key, 1);
            SendMessageA(list, WM_KEYUP, key, 0xC0000001);
        }
    }
    // The visible chunk view or viewer: "strings", "palette", "image", "hex", "text", "".
    std::string View()
    {
        std::string shown;
        for (auto [window, name] : {std::pair{dlg->IffPreview().StringList().Handle(), "strings"},
                                    std::pair{dlg->IffPreview().PaletteGrid().Handle(), "palette"},
                                    std::pair{dlg->ImageViewer().Handle(), "image"},
                                    std::pair{dlg->HexViewer().Handle(), "hex"},
                                    std::pair{dlg->TextViewer().Handle(), "text"}})
            if (IsWindowVisible(window))
                shown += name;
        return shown;
    }
    RECT Place(HWND window)
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, dlg->Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    bool Enabled(int command)
    {
        return SendMessageA(dlg->ToolBar1().Handle(), TB_ISBUTTONENABLED, static_cast<WPARAM>(command), 0) != 0;
    }

    std::string archive;
    std::vector<sample::SampleFile> files;
};

TEST_F(FarDlgIffTest, SelectingAnIffEntryListsItsChunksAndEachChunkShowsInItsView)
{
    Select(3);
    const bool stretchEnabled = Enabled(cmd::ViewStretch), textEnabled = Enabled(cmd::ViewText);
    Select(2);
    // The details lines stay as they were; the buttons keep their states.
    EXPECT_EQ(Lines(dlg->DetailsListBox()).size(), 7u);
    EXPECT_EQ(Lines(dlg->DetailsListBox())[2], "Full Name: Objects\\Lamp.iff");
    EXPECT_EQ(std::make_pair(Enabled(cmd::ViewStretch), Enabled(cmd::ViewText)), std::make_pair(stretchEnabled, textEnabled));
    ASSERT_TRUE(IsWindowVisible(Chunks().Handle()));
    EXPECT_EQ(View(), "");
    ASSERT_EQ(Chunks().Count(), 7);
    EXPECT_EQ(Row(Chunks(), 0), (std::vector<std::string>{"STR#", "128", "Lamp strings", "127", "16"}));
    EXPECT_EQ(Row(Chunks(), 1), (std::vector<std::string>{"BMP_", "100", "Lamp thumbnail",
                                                             std::to_string(sample::HouseBmpRle8().size()), "0"}));
    EXPECT_EQ(Row(Chunks(), 3), (std::vector<std::string>{"BHAV", "4096", "Turn On - main", "16", "0"}));
    const RECT list = Place(Chunks().Handle());

    SelectChunk(0);
    EXPECT_EQ(Chunks().ItemIndex(), 0);
    ui::ListView& strings = dlg->IffPreview().StringList();
    EXPECT_EQ(View(), "strings");
    ASSERT_EQ(strings.Count(), 4);
    EXPECT_EQ(Row(strings, 1), (std::vector<std::string>{"1", "Tall and bright, it lights a room at night.", "catalog description"}));
    EXPECT_EQ(Place(strings.Handle()).top, list.bottom);

    SelectChunk(1);
    EXPECT_EQ(View(), "image");
    EXPECT_EQ(std::make_pair(dlg->ImageViewer().Width(), dlg->ImageViewer().Height()), std::make_pair(45, 40));
    EXPECT_EQ(Place(dlg->ImageViewer().Handle()).top, list.bottom);

    SelectChunk(2);
    EXPECT_EQ(View(), "palette");
    TPaletteGrid& grid = dlg->IffPreview().PaletteGrid();
    ASSERT_EQ(grid.Colours().size(), 64u);
    RECT client{};
    GetClientRect(grid.Handle(), &client);
    ui::WindowDc screen(grid.Handle());
    ui::BitmapCanvas canvas(screen.Get(), client.right, client.bottom);
    SendMessageA(grid.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.canvas().Handle()), PRF_CLIENT);
    for (int index : {0, 17, 63}) {
        const RECT swatch = grid.SwatchRect(index, client.right, client.bottom);
        const auto& colour = grid.Colours()[static_cast<std::size_t>(index)];
        EXPECT_EQ(GetPixel(canvas.canvas().Handle(), (swatch.left + swatch.right) / 2, (swatch.top + swatch.bottom) / 2),
                  RGB(colour.Red, colour.Green, colour.Blue)) << index;
    }

    SelectChunk(3);
    EXPECT_EQ(View(), "hex");
    EXPECT_EQ(dlg->HexViewer().GetAsText().size(), 16u);
    EXPECT_EQ(Place(dlg->HexViewer().Handle()).top, list.bottom);

    // Another kind of entry gets the whole area back.
    Select(3);
    EXPECT_FALSE(IsWindowVisible(Chunks().Handle()));
    EXPECT_EQ(View(), "hex");
    EXPECT_EQ(Place(dlg->HexViewer().Handle()).top, list.top);
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "plain text");
    EXPECT_TRUE(script.errors.empty());
}

TEST_F(FarDlgIffTest, DamagedAndUnrecognisedFilesShowWhyBelowWhatWasRead)
{
    Select(1);
    ASSERT_EQ(Chunks().Count(), 3);
    EXPECT_EQ(Row(Chunks(), 0), (std::vector<std::string>{"OBJD", "1", "first", "3", "0"}));
    EXPECT_EQ(Row(Chunks(), 2), (std::vector<std::string>{"", "", "Damaged IFF file: chunk 3 at offset 222 gives the size 60, less than its 76-byte header.", "", ""}));
    // A bitmap chunk the image view cannot decode is shown as bytes; the
    // reason row shows nothing.
    SelectChunk(1);
    EXPECT_EQ(View(), "hex");
    EXPECT_EQ(dlg->HexViewer().GetAsText(), "BM?");
    SelectChunk(2);
    EXPECT_EQ(View(), "");

    Select(0);
    ASSERT_EQ(Chunks().Count(), 1);
    EXPECT_EQ(Chunks().Text(0, 2), "Not an IFF 2.5 file: the signature differs.");
    EXPECT_EQ(View(), "");
    EXPECT_TRUE(script.errors.empty());
}

} // namespace
} // namespace kelvo
