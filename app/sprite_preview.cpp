#include "app/sprite_preview.h"

#include "components/iff/tga_reader.h"
#include "platform/file.h"

#include <algorithm>
#include <stdexcept>

namespace kelvo {

namespace {

constexpr int kBarHeight = 24;
constexpr int kNoteHeight = 18;
constexpr int kGap = 2;
constexpr int kMaxListedFailures = 10;
// A Targa file holds at most its pixels, a colour map, run-length packets'
// headers and a footer: more than this is never needed to decode one the
// reader accepts.
constexpr std::uint64_t kMaxTgaFileBytes = iff::kMaxPictureBytes * 2;

// The plane choices of an SPR2 chunk, in the order of TSpritePlane.
constexpr const char* kPlaneNames[] = {"Colour", "Z-buffer", "Alpha"};

std::string ZoomName(std::uint32_t zoom)
{
    switch (zoom) {
    case 1: return "Zoom 1 (far)";
    case 2: return "Zoom 2 (middle)";
    default: return "Zoom 3 (near)";
    }
}

std::string Joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "  ") + part;
    return text;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    platform::File file = platform::File::Open(path, platform::File::Mode::CreateLocked);
    return file.IsOpen() && file.Write(bytes.data(), bytes.size()) && file.Close();
}

} // namespace

void TPictureView::Create(HWND parent, int id)
{
    CreateOwnWindow("KelvoPictureView", WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP, 0, nullptr, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
}

void TPictureView::SetPicture(iff::Picture picture)
{
    picture_ = std::move(picture);
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TPictureView::LoadTgaFile(const std::string& path)
{
    SetPicture({});
    platform::File file = platform::File::Open(path, platform::File::Mode::Read);
    const std::int64_t size = file.IsOpen() ? file.Size() : -1;
    std::string bytes;
    if (size >= 0) {
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size), kMaxTgaFileBytes)));
        if (!file.ReadExact(bytes.data(), bytes.size()))
            throw std::runtime_error("The TGA image cannot be read.");
    } else {
        throw std::runtime_error("The TGA image cannot be read.");
    }
    iff::Picture picture;
    std::string reason;
    if (!iff::DecodeTga(bytes, picture, reason))
        throw std::runtime_error(reason);
    SetPicture(std::move(picture));
}

void TPictureView::SetZoom(int zoom)
{
    if (zoom == zoom_)
        return;
    zoom_ = zoom;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TPictureView::SetStretch(bool stretch)
{
    if (stretch == stretch_)
        return;
    stretch_ = stretch;
    InvalidateRect(Handle(), nullptr, FALSE);
}

TPictureRect TPictureView::Place() const
{
    RECT client{};
    GetClientRect(Handle(), &client);
    if (stretch_)
        return {0, 0, client.right, client.bottom};
    return PlacePicture(picture_.Width, picture_.Height, zoom_, client.right, client.bottom);
}

LRESULT TPictureView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        SetFocus(Handle());
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (OnKey) {
            OnKey(wParam);
            return 0;
        }
        break;
    default:
        break;
    }
    return PaintedWindow::HandleMessage(message, wParam, lParam);
}

void TPictureView::Paint(HDC dc, const RECT& client) const
{
    if (client.right <= 0 || client.bottom <= 0)
        return;
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const std::uint32_t background = GetRValue(window) << 16 | GetGValue(window) << 8 | GetBValue(window);
    std::vector<std::uint32_t> pixels;
    ComposePicture(picture_, Place(), client.right, client.bottom, background, pixels);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom; // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(client.right), static_cast<DWORD>(client.bottom), 0, 0, 0,
                      static_cast<UINT>(client.bottom), pixels.data(), &info, DIB_RGB_COLORS);
}

TSpritePreview::TSpritePreview(TmoxBrowseDirectoryDlg& browse) : browse_(browse)
{
    FrameSaveDialog_.Filter = "Bitmap (*.bmp)|*.bmp";
    FrameSaveDialog_.DefaultExt = "bmp";
    FrameSaveDialog_.Title = "Save Frame as Bitmap";
}

void TSpritePreview::Create(HWND parent, HFONT font, int id)
{
    font_ = font;
    CreateOwnWindow("KelvoSpritePreview", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, nullptr, 0,
                    0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), CS_HREDRAW | CS_VREDRAW,
                    GetSysColorBrush(COLOR_BTNFACE));
    const struct {
        Control id;
        const char* className;
        const char* text;
        DWORD style;
    } controls[] = {
        {spZoom1, "BUTTON", "1x", BS_PUSHLIKE | BS_RADIOBUTTON}, {spZoom2, "BUTTON", "2x", BS_PUSHLIKE | BS_RADIOBUTTON},
        {spZoom4, "BUTTON", "4x", BS_PUSHLIKE | BS_RADIOBUTTON}, {spFirst, "BUTTON", "|<", BS_PUSHBUTTON},
        {spPrevious, "BUTTON", "<", BS_PUSHBUTTON},              {spPosition, "STATIC", "", SS_CENTER | SS_CENTERIMAGE},
        {spNext, "BUTTON", ">", BS_PUSHBUTTON},                  {spLast, "BUTTON", ">|", BS_PUSHBUTTON},
        {spChoice, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
        {spNote, "STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE},
    };
    for (const auto& control : controls) {
        HWND window = CreateWindowExA(0, control.className, control.text, WS_CHILD | WS_VISIBLE | control.style, 0, 0,
                                      0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                      GetModuleHandleA(nullptr), nullptr);
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    Canvas_.Create(Handle(), spCanvas);
    ShowWindow(Canvas_.Handle(), SW_SHOW);
    Canvas_.OnKey = [this](WPARAM key) { Key(key); };
    menu_.Reset(CreatePopupMenu());
    AppendMenuA(menu_.Get(), MF_STRING, spSaveFrame, "Save Frame as Bitmap...");
    AppendMenuA(menu_.Get(), MF_STRING, spSaveAllFrames, "Save All Frames...");
}

std::string TSpritePreview::ControlText(Control control) const
{
    char text[512] = "";
    GetDlgItemTextA(Handle(), control, text, sizeof text);
    return text;
}

void TSpritePreview::Reset(const iff::IffChunk& chunk, Kind kind)
{
    kind_ = kind;
    chunkId_ = chunk.ID;
    chunkNote_.clear();
    body_.clear();
    sprite_ = {};
    palettes_.clear();
    frames_.clear();
    images_.clear();
    zooms_.clear();
    zoom_ = 0;
    state_.Reset(0);
    SendDlgItemMessageA(Handle(), spChoice, CB_RESETCONTENT, 0, 0);
}

void TSpritePreview::ShowSprite(const iff::IffChunk& chunk, std::string body, iff::SpriteChunk sprite,
                                std::map<std::uint16_t, std::vector<iff::PaletteColour>> palettes)
{
    Reset(chunk, Kind::Sprite);
    body_ = std::move(body);
    sprite_ = std::move(sprite);
    palettes_ = std::move(palettes);
    frames_.resize(sprite_.Frames.size());
    chunkNote_ = Joined(sprite_.Notes);
    if (sprite_.Spr2)
        for (const char* name : kPlaneNames)
            SendDlgItemMessageA(Handle(), spChoice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    state_.Reset(static_cast<int>(frames_.size()));
    Update();
}

void TSpritePreview::ShowDrawGroup(const iff::IffChunk& chunk, std::vector<iff::ComposedImage> images)
{
    Reset(chunk, Kind::DrawGroup);
    images_ = std::move(images);
    for (const iff::ComposedImage& image : images_)
        if (std::find(zooms_.begin(), zooms_.end(), image.Zoom) == zooms_.end())
            zooms_.push_back(image.Zoom);
    std::sort(zooms_.rbegin(), zooms_.rend());
    for (std::uint32_t zoom : zooms_)
        SendDlgItemMessageA(Handle(), spChoice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ZoomName(zoom).c_str()));
    if (zooms_.empty())
        chunkNote_ = "The draw group holds no image.";
    // The largest zoom level whose canvas fits the view, else the smallest.
    RECT client{};
    GetClientRect(Canvas_.Handle(), &client);
    std::size_t item = 0;
    while (item + 1 < zooms_.size()) {
        int width = 0, height = 0, anchorX = 0, anchorY = 0;
        if (iff::ZoomCanvas(zooms_[item], width, height, anchorX, anchorY) && width <= client.right && height <= client.bottom)
            break;
        ++item;
    }
    Choose(static_cast<int>(item));
}

void TSpritePreview::ShowReason(const iff::IffChunk& chunk, const std::string& reason)
{
    Reset(chunk, Kind::None);
    chunkNote_ = reason;
    Update();
}

void TSpritePreview::Choose(int item)
{
    if (kind_ == Kind::Sprite && sprite_.Spr2) {
        state_.SetPlane(static_cast<TSpritePlane>(std::clamp(item, 0, 2)));
    } else if (kind_ == Kind::DrawGroup && item >= 0 && static_cast<std::size_t>(item) < zooms_.size()) {
        zoom_ = zooms_[static_cast<std::size_t>(item)];
        const int current = state_.Current();
        state_.Reset(static_cast<int>(ZoomImages().size()));
        state_.Select(current); // the same rotation at the new zoom
    }
    Update();
}

std::vector<const iff::ComposedImage*> TSpritePreview::ZoomImages() const
{
    std::vector<const iff::ComposedImage*> images;
    for (const iff::ComposedImage& image : images_)
        if (image.Zoom == zoom_)
            images.push_back(&image);
    return images;
}

const iff::SpriteFrame& TSpritePreview::Frame(int index)
{
    std::optional<iff::SpriteFrame>& frame = frames_[static_cast<std::size_t>(index)];
    if (!frame) {
        const iff::PaletteLookup palettes = [this](std::uint16_t id) -> const std::vector<iff::PaletteColour>* {
            const auto found = palettes_.find(id);
            return found == palettes_.end() ? nullptr : &found->second;
        };
        frame = iff::DecodeSpriteFrame(sprite_, body_, static_cast<std::size_t>(index), palettes);
    }
    return *frame;
}

void TSpritePreview::Update()
{
    const int current = state_.Current();
    const bool any = state_.Count() > 0;
    iff::Picture picture;
    std::vector<std::string> notes;
    if (!chunkNote_.empty())
        notes.push_back(chunkNote_);
    if (kind_ == Kind::Sprite && any) {
        const iff::SpriteFrame& frame = Frame(current);
        if (frame.Status != iff::FrameStatus::fsDrawn) {
            notes.push_back(frame.Reason);
        } else {
            switch (state_.Plane()) {
            case TSpritePlane::spColour: picture = frame.Colour; break;
            case TSpritePlane::spDepth: picture = iff::ZPicture(frame); break;
            case TSpritePlane::spAlpha: picture = iff::AlphaPicture(frame); break;
            }
            if (state_.Plane() == TSpritePlane::spDepth && !frame.HasZ())
                notes.push_back("This frame has no z-buffer.");
            if (state_.Plane() == TSpritePlane::spAlpha && !frame.HasAlpha())
                notes.push_back("This frame has no alpha channel.");
            if (!frame.PaletteNote.empty())
                notes.push_back(frame.PaletteNote);
        }
    } else if (kind_ == Kind::DrawGroup && any) {
        const iff::ComposedImage& image = *ZoomImages()[static_cast<std::size_t>(current)];
        picture = image.Image;
        notes.insert(notes.end(), image.Problems.begin(), image.Problems.end());
    }
    Canvas_.SetPicture(std::move(picture));
    Canvas_.SetZoom(state_.Zoom());

    SetDlgItemTextA(Handle(), spPosition, state_.PositionText(kind_ == Kind::DrawGroup ? "Rotation" : "Frame").c_str());
    SetDlgItemTextA(Handle(), spNote, Joined(notes).c_str());
    for (auto [control, zoom] : {std::pair{spZoom1, 1}, std::pair{spZoom2, 2}, std::pair{spZoom4, 4}})
        CheckDlgButton(Handle(), control, state_.Zoom() == zoom ? BST_CHECKED : BST_UNCHECKED);
    for (Control control : {spFirst, spPrevious})
        EnableWindow(GetDlgItem(Handle(), control), current > 0);
    for (Control control : {spNext, spLast})
        EnableWindow(GetDlgItem(Handle(), control), current + 1 < state_.Count());
    const bool choice = (kind_ == Kind::Sprite && sprite_.Spr2) || (kind_ == Kind::DrawGroup && !zooms_.empty());
    ShowWindow(GetDlgItem(Handle(), spChoice), choice ? SW_SHOW : SW_HIDE);
    if (choice) {
        const int item = kind_ == Kind::Sprite ? static_cast<int>(state_.Plane())
                                               : static_cast<int>(std::find(zooms_.begin(), zooms_.end(), zoom_) - zooms_.begin());
        SendDlgItemMessageA(Handle(), spChoice, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
}

void TSpritePreview::Key(WPARAM key)
{
    static const std::pair<WPARAM, TSpriteKey> keys[] = {
        {VK_LEFT, TSpriteKey::skPrevious}, {VK_UP, TSpriteKey::skPrevious}, {VK_RIGHT, TSpriteKey::skNext},
        {VK_DOWN, TSpriteKey::skNext},     {VK_HOME, TSpriteKey::skFirst},  {VK_END, TSpriteKey::skLast},
        {'1', TSpriteKey::skZoom1},        {'2', TSpriteKey::skZoom2},      {'4', TSpriteKey::skZoom4},
        {VK_NUMPAD1, TSpriteKey::skZoom1}, {VK_NUMPAD2, TSpriteKey::skZoom2}, {VK_NUMPAD4, TSpriteKey::skZoom4},
    };
    for (const auto& [code, action] : keys)
        if (code == key && state_.Key(action))
            Update();
}

std::optional<iff::Picture> TSpritePreview::SavedPicture(int index, std::string& reason)
{
    if (kind_ == Kind::Sprite) {
        const iff::SpriteFrame& frame = Frame(index);
        if (frame.Status == iff::FrameStatus::fsDrawn)
            return frame.Colour;
        reason = frame.Reason;
        return std::nullopt;
    }
    if (kind_ == Kind::DrawGroup)
        return ZoomImages()[static_cast<std::size_t>(index)]->Image;
    reason = chunkNote_;
    return std::nullopt;
}

void TSpritePreview::SaveFrameExecute()
{
    if (state_.Count() == 0)
        return;
    std::string reason;
    const std::optional<iff::Picture> picture = SavedPicture(state_.Current(), reason);
    if (!picture) {
        ReportError("This frame cannot be saved: " + reason);
        return;
    }
    FrameSaveDialog_.Owner = GetAncestor(Handle(), GA_ROOT);
    frameSaveDialog_->SetFileName(FrameFileName(chunkId_, state_.Current()));
    if (!frameSaveDialog_->Execute())
        return;
    const std::string name = frameSaveDialog_->GetFileName();
    if (!WriteWholeFile(name, iff::BmpFile(*picture)))
        ReportError("Kelvo could not write " + name + ".");
}

void TSpritePreview::SaveAllFramesExecute()
{
    if (state_.Count() == 0)
        return;
    browse_.SetStatusText("");
    browse_.SetCaption("Choose Folder");
    browse_.SetTitle("Select folder for saving the frames to");
    if (!browse_.Execute())
        return;
    std::string folder = browse_.Selection();
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    std::vector<std::string> failures;
    for (int index = 0; index < state_.Count(); ++index) {
        const std::string name = FrameFileName(chunkId_, index);
        std::string reason;
        const std::optional<iff::Picture> picture = SavedPicture(index, reason);
        if (!picture)
            failures.push_back(name + ": " + reason);
        else if (!WriteWholeFile(folder + name, iff::BmpFile(*picture)))
            failures.push_back(name + ": cannot be written");
    }
    if (failures.empty())
        return;
    std::string text = std::to_string(state_.Count() - static_cast<int>(failures.size())) + " of " +
                       std::to_string(state_.Count()) + " frames saved. Not saved:";
    for (std::size_t i = 0; i < failures.size() && i < kMaxListedFailures; ++i)
        text += "\n" + failures[i];
    if (failures.size() > kMaxListedFailures)
        text += "\n(" + std::to_string(failures.size() - kMaxListedFailures) + " more)";
    ReportError(text);
}

void TSpritePreview::ReportError(const std::string& text) const
{
    if (OnError)
        OnError(text);
}

void TSpritePreview::ShowMenu(POINT at)
{
    const UINT enabled = state_.Count() > 0 ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(menu_.Get(), spSaveFrame, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu_.Get(), spSaveAllFrames, MF_BYCOMMAND | enabled);
    if (at.x == -1 && at.y == -1) {
        at = {0, 0};
        ClientToScreen(Canvas_.Handle(), &at);
    }
    TrackPopupMenu(menu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

void TSpritePreview::PlaceControls()
{
    RECT client{};
    GetClientRect(Handle(), &client);
    // The sizes are written for 96 DPI.
    const int gap = Scale(kGap), barHeight = Scale(kBarHeight), noteHeight = Scale(kNoteHeight);
    const struct {
        Control id;
        int width;
    } bar[] = {{spZoom1, 28}, {spZoom2, 28}, {spZoom4, 28}, {spFirst, 26}, {spPrevious, 26},
               {spPosition, 120}, {spNext, 26}, {spLast, 26}, {spChoice, 130}};
    int x = gap;
    for (const auto& control : bar) {
        if (control.id == spFirst || control.id == spChoice)
            x += 3 * gap;
        // A drop-down list's height includes its list.
        const int height = control.id == spChoice ? Scale(120) : barHeight - 2 * gap;
        MoveWindow(GetDlgItem(Handle(), control.id), x, gap, Scale(control.width), height, TRUE);
        x += Scale(control.width) + gap;
    }
    MoveWindow(GetDlgItem(Handle(), spNote), gap, barHeight, std::max(0, static_cast<int>(client.right) - 2 * gap),
               noteHeight, TRUE);
    const int top = barHeight + noteHeight;
    MoveWindow(Canvas_.Handle(), 0, top, client.right, std::max(0, static_cast<int>(client.bottom) - top), TRUE);
}

LRESULT TSpritePreview::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case ui::kDpiChangedAfterParent:
    case WM_SIZE:
        PlaceControls();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case spZoom1: state_.Key(TSpriteKey::skZoom1); break;
        case spZoom2: state_.Key(TSpriteKey::skZoom2); break;
        case spZoom4: state_.Key(TSpriteKey::skZoom4); break;
        case spFirst: state_.Key(TSpriteKey::skFirst); break;
        case spPrevious: state_.Key(TSpriteKey::skPrevious); break;
        case spNext: state_.Key(TSpriteKey::skNext); break;
        case spLast: state_.Key(TSpriteKey::skLast); break;
        case spChoice:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                Choose(static_cast<int>(SendDlgItemMessageA(Handle(), spChoice, CB_GETCURSEL, 0, 0)));
            return 0;
        case spSaveFrame: SaveFrameExecute(); return 0;
        case spSaveAllFrames: SaveAllFramesExecute(); return 0;
        default: return Window::HandleMessage(message, wParam, lParam);
        }
        Update();
        // The keys go on working after a click on a button.
        SetFocus(Canvas_.Handle());
        return 0;
    case WM_CONTEXTMENU:
        ShowMenu(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return 0;
    default:
        return Window::HandleMessage(message, wParam, lParam);
    }
}

} // namespace kelvo
