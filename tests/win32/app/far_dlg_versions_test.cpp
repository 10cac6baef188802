// Archives of versions 1a, 1b and 3 in the main window: the header lines,
// a compressed bitmap previewed, a compressed entry extracted and edited,
// the archive saved in its version and converted with Save As's type.
#include "app/far_text.h"
#include "tests/far_writer.h"
#include "tests/win32/app/far_dlg_test_support.h"
#include "tools/sample/bitmaps.h"

#include <filesystem>

namespace kelvo {
namespace {

using test::VersionedArchive;

class FarDlgVersionsTest : public FarDlgFixture {
protected:
    void SetUp() override
    {
        FarDlgFixture::SetUp();
        v3Path = folder + "v3.far";
        WriteBytes(v3Path, VersionedArchive("3", Entries(true)));
        script.arguments.push_back(v3Path);
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->FMH().SaveDialog = &saveDialog;
        dlg->FMH().OpenDialog = &openDialog;
        dlg->Show(SW_SHOWNOACTIVATE);
        browse = std::make_unique<test::FolderDialogAnswers>(dlg->BrowseDirectoryDlg());
    }
    static std::vector<test::VersionedEntry> Entries(bool compressed)
    {
        return {{"Art\\house.bmp", sample::HouseBmp8(), compressed, 1, 0x10},
                {"Text\\read.txt", std::string(2000, 'r'), compressed, 3, 0x20},
                {"raw.bin", "abc", false, 9, 0x30}};
    }
    std::vector<std::string> Details() { return Lines(dlg->DetailsListBox()); }

    std::string v3Path;
    ScriptedDialog saveDialog, openDialog;
};

TEST_F(FarDlgVersionsTest, OpensEachVersionAndPreviewsACompressedBitmap)
{
    const std::string bitmap = sample::HouseBmp8();
    auto le16 = [](const std::string& bytes, std::size_t at) {
        return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    };
    const std::string size =
        "Bitmap Size: " + std::to_string(le16(bitmap, 18)) + "x" + std::to_string(le16(bitmap, 22));
    for (const char* version : {"1a", "1b", "3"}) {
        SCOPED_TRACE(version);
        const bool v3 = version[0] == '3';
        const std::string path = folder + version + ".far";
        const std::string bytes = VersionedArchive(version, Entries(v3));
        WriteBytes(path, bytes);
        openDialog.names = {path};
        Command(cmd::FileOpen);
        EXPECT_EQ(script.errors, std::vector<std::string>{});
        EXPECT_EQ(script.questions, std::vector<std::string>{});
        std::vector<std::string> header = {"FAR Header: FAR!byAZ", v3 ? "Version: 3" : "Version: 1",
                                           "Directory offset: " + std::to_string(le16(bytes, 12)),
                                           "Number of Entries: 3"};
        if (version[1] == 'b')
            header.push_back("Format: 1b (16-bit name lengths)");
        EXPECT_EQ(Details(), header);

        Select(0);
        const std::vector<std::string> details = Details();
        ASSERT_EQ(details.size(), v3 ? 12u : 9u);
        EXPECT_EQ(details[v3 ? 10 : 7], size);
        if (v3)
            EXPECT_EQ(std::vector<std::string>(details.begin() + 7, details.begin() + 10),
                      (std::vector<std::string>{"Type ID: 1", "File ID: 0x00000010", "Compressed: Yes"}));
        EXPECT_TRUE(IsWindowVisible(dlg->ImageViewer().Handle()));
    }
}

TEST_F(FarDlgVersionsTest, ExtractsEditsSavesInItsVersionAndConvertsWithSaveAs)
{
    const std::string out = folder + "out";
    std::filesystem::create_directories(out);
    Select(1);
    browse->answers = {out};
    Click(cmd::FileEntryExportFile);
    EXPECT_EQ(script.errors, std::vector<std::string>{});
    EXPECT_EQ(test::FileContents(out + "\\Text\\read.txt"), std::string(2000, 'r'));

    // An edit of the compressed text, kept by Save, which writes version 3
    // and compresses the new bytes.
    Command(cmd::FileEntryEdit);
    dlg->HexViewer().ConvertRange(0, 3, ttAnsi, ttEBCDIC);
    const std::string edited = dlg->HexViewer().GetAsText();
    ASSERT_NE(edited, std::string(2000, 'r'));
    Command(cmd::FileSave);
    EXPECT_TRUE(script.errors.empty());
    EXPECT_EQ(Details().at(1), "Version: 3");
    Select(1);
    const std::vector<std::string> details = Details();
    EXPECT_EQ(std::vector<std::string>(details.begin() + 6, details.end()),
              (std::vector<std::string>{"State: Original Entry", "Type ID: 3", "File ID: 0x00000020", "Compressed: Yes"}));

    // Save As offers the archive's type and converts to the one chosen.
    const std::string converted = folder + "converted.far";
    saveDialog.names = {converted};
    saveDialog.types = {2};
    Command(cmd::FileSaveAs);
    EXPECT_EQ(saveDialog.shownTypes, std::vector<int>{3});
    EXPECT_EQ(dlg->FMH().FileName(), converted);
    EXPECT_EQ(Details().back(), "Format: 1b (16-bit name lengths)");
    CloseWindow();

    const std::vector<std::string> contents = {sample::HouseBmp8(), edited, "abc"};
    for (const auto& [path, format] : {std::pair{v3Path, ff3}, std::pair{converted, ff1b}}) {
        TFarArchive saved;
        ASSERT_TRUE(saved.Open(path)) << saved.LastError();
        EXPECT_EQ(saved.Format, format);
        ASSERT_EQ(saved.Entries.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            ASSERT_TRUE(saved.ExtractToTemp(static_cast<int>(i)));
            EXPECT_EQ(ReadBytes(saved.TempFileName()), contents[i]) << path << " " << i;
            EXPECT_EQ(saved.Entries[i].Compressed, format == ff3 && i < 2) << path << " " << i;
        }
        saved.DeleteTempFile();
    }
}

} // namespace
} // namespace kelvo
