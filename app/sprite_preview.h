// The picture previews: TPictureView draws one picture at a zoom, or
// stretched, on a checkerboard that shows its transparency (Targa entries,
// and the canvas of the sprite preview). TSpritePreview shows the frames of
// an SPR# or SPR2 chunk, or the composed images of a DGRP chunk's
// rotations, with a zoom, a picture selector and, for SPR2, a plane choice;
// its pop-up menu saves frames as 32-bit bitmaps.
#pragma once

#include "app/picture_view.h"
#include "components/iff/sprites.h"
#include "components/shell/browse_directory_dlg.h"
#include "ui/common_dialogs.h"
#include "ui/handles.h"
#include "ui/window.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kelvo {

class TPictureView : public ui::PaintedWindow {
public:
    // Creates the view as a hidden child of parent.
    void Create(HWND parent, int id);
    void SetPicture(iff::Picture picture);
    // Shows a .tga file. Throws std::runtime_error with the reader's reason
    // when it cannot be read or decoded; the previous picture is dropped
    // either way.
    void LoadTgaFile(const std::string& path);
    const iff::Picture& Picture() const { return picture_; }
    // 1, 2 or 4 device pixels a picture pixel.
    void SetZoom(int zoom);
    // On: the picture is scaled to the client area; off: drawn at its zoom.
    void SetStretch(bool stretch);
    // Where the picture is in the client area.
    TPictureRect Place() const;
    // Keys that reach the view (it takes the focus when clicked).
    std::function<void(WPARAM key)> OnKey;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc, const RECT& client) const override;

    iff::Picture picture_;
    int zoom_ = 1;
    bool stretch_ = false;
};

class TSpritePreview : public ui::Window {
public:
    // The preview's own controls, by their identifiers among its children.
    enum Control : int {
        spZoom1 = 1,
        spZoom2,
        spZoom4,
        spFirst,
        spPrevious,
        spPosition, // "Frame 3 of 12"
        spNext,
        spLast,
        spChoice,   // SPR2: colour, z-buffer or alpha; DGRP: the zoom level
        spNote,     // why a frame is not drawn, palettes not found
        spCanvas,
    };
    // The pop-up menu's commands.
    enum Command : int { spSaveFrame = 100, spSaveAllFrames };

    // Save All Frames asks for its folder in browse.
    explicit TSpritePreview(TmoxBrowseDirectoryDlg& browse);

    // Creates the preview as a hidden child of parent.
    void Create(HWND parent, HFONT font, int id);
    // The frames of a sprite chunk (its header already read), decoded as they
    // are shown, with the palettes of its file by chunk ID.
    void ShowSprite(const iff::IffChunk& chunk, std::string body, iff::SpriteChunk sprite,
                    std::map<std::uint16_t, std::vector<iff::PaletteColour>> palettes);
    // A draw group's composed images, of every zoom it holds.
    void ShowDrawGroup(const iff::IffChunk& chunk, std::vector<iff::ComposedImage> images);
    // A chunk whose pictures cannot be read: only why.
    void ShowReason(const iff::IffChunk& chunk, const std::string& reason);

    TPictureView& Canvas() { return Canvas_; }
    const TSpriteViewState& State() const { return state_; }
    std::string ControlText(Control control) const;
    // The dialog Save Frame as Bitmap runs: its own, or a test's stand-in.
    void UseFrameSaveDialog(TFileDialog& dialog) { frameSaveDialog_ = &dialog; }

    // Save Frame as Bitmap and Save All Frames; their failures go to OnError.
    void SaveFrameExecute();
    void SaveAllFramesExecute();
    std::function<void(const std::string& text)> OnError;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    enum class Kind { Sprite, DrawGroup, None };
    void ReportError(const std::string& text) const;

    void Reset(const iff::IffChunk& chunk, Kind kind);
    void Key(WPARAM key);
    void Choose(int item);
    // Shows the current picture with its texts and the controls' states.
    void Update();
    void PlaceControls();
    // The decoded frame at index (decoded on first use).
    const iff::SpriteFrame& Frame(int index);
    // The images of the zoom chosen for a draw group.
    std::vector<const iff::ComposedImage*> ZoomImages() const;
    // The picture to save for the picture at index, or why there is none.
    std::optional<iff::Picture> SavedPicture(int index, std::string& reason);
    void ShowMenu(POINT at);

    TmoxBrowseDirectoryDlg& browse_;
    ui::TSaveDialog FrameSaveDialog_;
    TFileDialog* frameSaveDialog_ = &FrameSaveDialog_;
    TPictureView Canvas_;
    HFONT font_ = nullptr;
    ui::OwnedMenu menu_;

    Kind kind_ = Kind::None;
    int chunkId_ = 0;
    TSpriteViewState state_;
    std::string chunkNote_;
    // Sprites.
    std::string body_;
    iff::SpriteChunk sprite_;
    std::map<std::uint16_t, std::vector<iff::PaletteColour>> palettes_;
    std::vector<std::optional<iff::SpriteFrame>> frames_;
    // Draw groups.
    std::vector<iff::ComposedImage> images_;
    std::vector<std::uint32_t> zooms_; // the zoom levels held, largest first
    std::uint32_t zoom_ = 0;
};

} // namespace kelvo
