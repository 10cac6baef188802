// The preview area under the details list: the details and the preview of
// the selected entry, the viewers it uses (the image view, the picture view,
// the hex view, the text view and the IFF preview) and their places, and the
// view commands (stretch, text or hex).
#include "app/commands.h"
#include "app/far_dlg.h"
#include "app/far_text.h"
#include "ui/cursor.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace kelvo {

namespace {

// The first bytes of a file, as many as the pixel format needs.
std::string BitmapFileStart(const std::string& fileName)
{
    std::string bytes(kBitmapFormatBytes, '\0');
    platform::File file = platform::File::Open(fileName, platform::File::Mode::Read);
    const std::int64_t read = file.IsOpen() ? file.Read(bytes.data(), bytes.size()) : 0;
    bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(read, 0)));
    return bytes;
}

} // namespace

void TFarDlg::CreateViewers()
{
    ImageViewer_.Create(Handle(), cmd::ImageViewer);
    PictureViewer_.Create(Handle(), cmd::PictureViewer);
    TextViewer_.Create(Handle(), cmd::TextViewer);
    ApplyFont(TextViewer_.Handle());

    HexViewer_.Create(Handle(), cmd::HexViewer);
    HexViewer_.ReadOnlyView = true;
    HexViewer_.SetBytesPerLine(16);
    HexViewer_.SetBytesPerColumn(2);
    HexViewer_.SetOffsetDisplay(odHex);
    HexViewer_.SetOffsetSeparator(':');
    HexViewer_.SetTranslation(ttAnsi);
    HexViewer_.BackupExtension = ".bak";
    HexViewer_.SetFocusFrame(true);
    HexViewer_.SetFont("MS Sans Serif", -11);
    TColors& colors = HexViewer_.Colors();
    colors.SetBackground(kHexWindowColor);
    colors.SetPositionBackground(0x000080); // maroon
    colors.SetPositionText(0xFFFFFF);       // white
    colors.SetChangedBackground(11075583);  // light yellow
    colors.SetChangedText(0x000080);        // maroon
    colors.SetCursorFrame(0x800000);        // navy
    colors.SetOffset(0x000000);             // black
    colors.SetOddColumn(0xFF0000);          // blue
    colors.SetEvenColumn(0x800000);         // navy
    IffPreview_.Create(Handle(), Font(), cmd::IffChunkList, cmd::IffStringList, cmd::IffPalette, cmd::SpritePreview);
    IffPreview_.SpritePreview().OnError = [this](const std::string& text) { services_.ShowError(text, "Kelvo"); };
}

void TFarDlg::ShowEntry()
{
    // An edit ends before anything else is shown; bytes that cannot be kept
    // keep their entry selected and on screen.
    if (!EndEntryEdit()) {
        FileListBox_.SetItemIndex(LineOf(editPosition_));
        return;
    }
    UpdateEntryActions();
    const int position = SelectedPosition();
    if (position < 0 || static_cast<std::size_t>(position) >= Archive_->Entries.size())
        return;
    editViewEmptied_ = false;
    const TFarEntry& entry = Archive_->Entries[static_cast<std::size_t>(position)];
    DetailsListBox_.Clear();
    for (const std::string& line : EntryDetailLines(entry, Archive_->Format))
        DetailsListBox_.Add(line);
    HideViewers();

    const PreviewKind kind = PreviewKindOf(entry.Text());
    if (kind != PreviewKind::Iff) {
        const bool bitmap = kind == PreviewKind::Bitmap || kind == PreviewKind::Tga;
        ToolBar1_.SetEnabled(kStretchImageButton, bitmap);
        ToolBar1_.SetEnabled(kViewAsHexButton, !bitmap);
        ToolBar1_.SetEnabled(kViewAsTextButton, !bitmap);
    }
    // The normal cursor comes back however the preview ends, also by an error.
    ui::WaitCursor wait;
    const std::optional<std::string> source = PreviewSource(entry, position);
    if (!source)
        return;
    switch (kind) {
    case PreviewKind::Bitmap:
        ShowBitmap(*source);
        break;
    case PreviewKind::Tga:
        ShowTga(*source);
        break;
    case PreviewKind::Iff:
        ShowIffPreview(*source);
        break;
    case PreviewKind::Data:
        ShowData(*source);
        break;
    }
}

std::optional<std::string> TFarDlg::PreviewSource(const TFarEntry& entry, int position)
{
    // Added and changed entries, also when marked for deletion, are read
    // where they are: the preview file is not written for them.
    if (entry.DataOnDisk()) {
        std::string name = entry.DataFileName();
        return name.empty() ? std::nullopt : std::optional<std::string>(std::move(name));
    }
    if (!Archive_->ExtractToTemp(position)) {
        // A compressed entry that does not check out says why under its details.
        if (entry.StoredCompressed())
            DetailsListBox_.Add(Archive_->LastError());
        return std::nullopt;
    }
    return Archive_->TempFileName();
}

bool TFarDlg::LoadPicture(const std::function<void()>& load)
{
    // The viewers say why a picture cannot be shown by an exception; it goes
    // to the error box here, so the window goes on as after any other failure.
    try {
        load();
        return true;
    } catch (const std::runtime_error& error) {
        services_.ShowError(error.what(), "Kelvo");
        return false;
    }
}

void TFarDlg::ShowBitmap(const std::string& fileName)
{
    if (!LoadPicture([&] { ImageViewer_.LoadFromFile(fileName); }))
        return;
    DetailsListBox_.Add(BitmapSizeLine(ImageViewer_.Width(), ImageViewer_.Height()));
    DetailsListBox_.Add(PixelDepthLine(BitmapPixelDepth(BitmapFileStart(fileName))));
    ImageViewer_.SetStretch(ToolBar1_.Checked(kStretchImageButton));
    ShowWindow(ImageViewer_.Handle(), SW_SHOW);
}

void TFarDlg::ShowTga(const std::string& fileName)
{
    if (!LoadPicture([&] { PictureViewer_.LoadTgaFile(fileName); }))
        return;
    const iff::Picture& picture = PictureViewer_.Picture();
    DetailsListBox_.Add(BitmapSizeLine(picture.Width, picture.Height));
    PictureViewer_.SetStretch(ToolBar1_.Checked(kStretchImageButton));
    ShowWindow(PictureViewer_.Handle(), SW_SHOW);
}

void TFarDlg::ShowData(const std::string& fileName)
{
    if (!HexViewer_.LoadFromFile(fileName))
        return;
    // The text view gets its copy of the data only when it is shown.
    if (TextMode_) {
        TextViewer_.SetText(HexViewer_.GetAsText());
        ShowWindow(TextViewer_.Handle(), SW_SHOW);
    } else {
        TextViewer_.Clear();
        ShowWindow(HexViewer_.Handle(), SW_SHOW);
    }
}

void TFarDlg::ShowIffPreview(const std::string& fileName)
{
    IffPreview_.Show(fileName, ToolBar1_.Checked(kStretchImageButton));
    PlaceViewers();
}

void TFarDlg::HideViewers()
{
    for (HWND viewer : {ImageViewer_.Handle(), PictureViewer_.Handle(), TextViewer_.Handle(), HexViewer_.Handle()})
        ShowWindow(viewer, SW_HIDE);
    IffPreview_.Hide();
    PlaceViewers();
}

void TFarDlg::PlaceViewers()
{
    const RECT& area = previewArea_;
    const int width = std::max(0, static_cast<int>(area.right - area.left));
    int viewTop = area.top;
    if (IffPreview_.Visible()) {
        const int listHeight = IffPreview_.ChunkListHeight(std::max(0, static_cast<int>(area.bottom - area.top)));
        MoveWindow(IffPreview_.ChunkList().Handle(), area.left, area.top, width, listHeight, TRUE);
        viewTop += listHeight;
    }
    const int viewHeight = std::max(0, static_cast<int>(area.bottom - viewTop));
    for (HWND viewer : {ImageViewer_.Handle(), PictureViewer_.Handle(), TextViewer_.Handle(), HexViewer_.Handle(),
                        IffPreview_.StringList().Handle(), IffPreview_.PaletteGrid().Handle(),
                        IffPreview_.SpritePreview().Handle()})
        MoveWindow(viewer, area.left, viewTop, width, viewHeight, TRUE);
}

void TFarDlg::ViewStretchExecute() { ShowEntry(); }

// Either view button flips the mode; afterwards the button naming the mode
// in force is down and the other up.
void TFarDlg::FlipTextMode()
{
    TextMode_ = !TextMode_;
    ToolBar1_.SetChecked(kViewAsTextButton, TextMode_);
    ToolBar1_.SetChecked(kViewAsHexButton, !TextMode_);
    ShowEntry();
}

void TFarDlg::ViewTextExecute() { FlipTextMode(); }

void TFarDlg::ViewHexExecute() { FlipTextMode(); }

} // namespace kelvo
