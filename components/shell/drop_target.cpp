#include "components/shell/drop_target.h"

#include "ui/window.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <span>

namespace kelvo {

namespace {

constexpr UINT kScrollInterval = 100;
constexpr int kBlankCursorSize = 32;

// The bytes of a global memory block, locked while this lives.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    ~LockedGlobal()
    {
        if (data_)
            GlobalUnlock(block_);
    }
    std::span<const std::uint8_t> Bytes() const
    {
        if (!data_)
            return {};
        return {static_cast<const std::uint8_t*>(data_), GlobalSize(block_)};
    }

private:
    HGLOBAL block_;
    void* data_;
};

// A storage medium handed out by a data object, released when it goes.
class StorageMedium {
public:
    StorageMedium() = default;
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    ~StorageMedium() { Reset(); }

    // Fetches format from data; false when the data object refuses.
    bool Fetch(IDataObject* data, FORMATETC format)
    {
        Reset();
        return data && SUCCEEDED(data->GetData(&format, &medium_));
    }
    // The medium's memory block, when it is one.
    HGLOBAL Global() const { return medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr; }
    void Reset()
    {
        ReleaseStgMedium(&medium_);
        medium_ = {};
    }

private:
    STGMEDIUM medium_{};
};

// The clipboard, open while this lives.
class OpenClipboardScope {
public:
    OpenClipboardScope() : open_(OpenClipboard(nullptr) != 0) {}
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    ~OpenClipboardScope()
    {
        if (open_)
            CloseClipboard();
    }
    bool IsOpen() const { return open_; }

private:
    bool open_;
};

bool Offers(IDataObject* data, FORMATETC format) { return data && data->QueryGetData(&format) == S_OK; }

// ANSI text up to its terminating zero, or to the end of the block.
std::string TextOf(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return {};
    const auto* text = reinterpret_cast<const char*>(bytes.data());
    return std::string(text, strnlen(text, bytes.size()));
}

// One 32 x 32 image in the window colour, masked by that same colour: fully transparent.
ui::OwnedImageList MakeBlankCursor()
{
    ui::OwnedImageList list(ImageList_Create(kBlankCursorSize, kBlankCursorSize, ILC_COLOR24 | ILC_MASK, 1, 0));
    const COLORREF background = GetSysColor(COLOR_WINDOW);
    const ui::WindowDc screen(nullptr);
    const ui::OwnedBitmap bitmap(CreateCompatibleBitmap(screen.Get(), kBlankCursorSize, kBlankCursorSize));
    {
        const ui::OwnedMemoryDc dc(CreateCompatibleDC(screen.Get()));
        const ui::SelectObjectScope select(dc.Get(), bitmap.Get());
        const ui::OwnedBrush brush(CreateSolidBrush(background));
        const RECT all{0, 0, kBlankCursorSize, kBlankCursorSize};
        FillRect(dc.Get(), &all, brush.Get());
    }
    ImageList_AddMasked(list.Get(), bitmap.Get(), background);
    return list;
}

// The height of the control's font, in pixels.
int FontHeight(HWND control)
{
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (!font)
        font = GetStockObject(SYSTEM_FONT);
    LOGFONTA logical{};
    GetObjectA(font, sizeof logical, &logical);
    return std::abs(static_cast<int>(logical.lfHeight));
}

} // namespace

POINT ClientPtToWindowPt(HWND window, POINT point)
{
    ClientToScreen(window, &point);
    RECT outer{};
    GetWindowRect(window, &outer);
    return {point.x - outer.left, point.y - outer.top};
}

bool GetFilesFromHGlobal(HGLOBAL block, std::vector<std::string>& files)
{
    const LockedGlobal locked(block);
    drop::AppendDroppedFiles(locked.Bytes(), files);
    return !files.empty();
}

// ---- TDropTarget -------------------------------------------------------------

TDropTarget::TDropTarget() : scrollTimer_([this] { ScrollStep(); }), blankCursor_(MakeBlankCursor())
{
    scrollTimer_.SetInterval(kScrollInterval);
    AddRef(); // the owner's reference
}

// The platform's references are gone by now, and with them the registration.
TDropTarget::~TDropTarget() = default;

void TDropTarget::Detach()
{
    OnEnter = nullptr;
    OnDragOver = nullptr;
    OnLeave = nullptr;
    OnDrop = nullptr;
    OnGetDropEffect = nullptr;
    scrollTimer_.SetEnabled(false);
    try {
        Unregister();
    } catch (const ShellError&) {
        // The platform keeps its reference; this component stays until it lets go.
    }
}

void TDropTarget::SetShowImage(bool value)
{
    if (value == showImage_)
        return;
    showImage_ = value;
    if (dragImage_)
        ImageList_DragShowNolock(value);
}

void TDropTarget::Register(HWND control, const std::string& controlName)
{
    if (control == control_)
        return;
    if (control_)
        Unregister();
    if (!control)
        return;
    if (FAILED(RegisterDragDrop(control, this)))
        throw ShellError("Failed to Register " + controlName);
    control_ = control;
    controlName_ = controlName;
}

void TDropTarget::Unregister()
{
    if (!control_)
        return;
    if (IsWindow(control_) && FAILED(RevokeDragDrop(control_)))
        throw ShellError("Failed to Unregister " + controlName_);
    control_ = nullptr;
}

DWORD TDropTarget::PasteFromClipboard()
{
    if (!IsClipboardFormatAvailable(CF_PREFERREDDROPEFFECT))
        return 0;
    const OpenClipboardScope clipboard;
    if (!clipboard.IsOpen())
        return 0;
    const LockedGlobal block(GetClipboardData(CF_PREFERREDDROPEFFECT));
    DWORD effect = 0;
    if (block.Bytes().size() >= sizeof effect)
        std::memcpy(&effect, block.Bytes().data(), sizeof effect);
    return effect;
}

template <typename Call>
void TDropTarget::Guarded(DWORD* effect, Call call)
{
    try {
        call();
    } catch (const std::exception& error) {
        if (effect)
            *effect = DROPEFFECT_NONE;
        ui::ShowException(error);
    }
}

HRESULT TDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL screen, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    Guarded(effect, [&] {
        ClearData();
        dataObject_ = ui::ComRef<IDataObject>::Share(data);
        const POINT point = ToClient(screen);
        lastPoint_ = point;
        dragImage_ = nullptr;
        if (showImage_)
            EnterDragImage();
        if (!HasValidFormats()) {
            dataObject_.Reset();
            *effect = DROPEFFECT_NONE;
            return;
        }
        SetUpScrolling();
        if (GetDataOnEnter)
            DoGetData();
        const TShiftState shift = drop::ShiftStateFromKeys(keyState);
        *effect = GetValidDropEffect(shift, point, *effect);
        DoEnter(shift, point, *effect);
    });
    return S_OK;
}

HRESULT TDropTarget::DragOver(DWORD keyState, POINTL screen, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    Guarded(effect, [&] {
        const POINT point = ToClient(screen);
        bool scrolling = false;
        if (!dataObject_) {
            *effect = DROPEFFECT_NONE;
        } else {
            const TShiftState shift = drop::ShiftStateFromKeys(keyState);
            *effect = GetValidDropEffect(shift, point, *effect);
            DoDragOver(shift, point, *effect);
            scrolling = !scrollZone_.directions.IsEmpty() && (*effect & DROPEFFECT_SCROLL);
            scrollTimer_.SetEnabled(scrolling);
        }
        const bool moved = point.x != lastPoint_.x || point.y != lastPoint_.y;
        lastPoint_ = point;
        // While scrolling, each scroll step puts the image at the new point.
        if (dragImage_ && moved && !scrolling) {
            const POINT at = ClientPtToWindowPt(control_, point);
            ImageList_DragMove(at.x, at.y);
        }
    });
    return S_OK;
}

HRESULT TDropTarget::DragLeave()
{
    Guarded(nullptr, [&] {
        ClearData();
        scrollTimer_.SetEnabled(false);
        dataObject_.Reset();
        LeaveDragImage();
        DoLeave();
    });
    return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject*, DWORD keyState, POINTL screen, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    Guarded(effect, [&] {
        scrollTimer_.SetEnabled(false);
        LeaveDragImage();
        if (!dataObject_) {
            *effect = DROPEFFECT_NONE;
            return;
        }
        const TShiftState shift = drop::ShiftStateFromKeys(keyState);
        const POINT point = ToClient(screen);
        *effect = GetValidDropEffect(shift, point, *effect);
        if (!GetDataOnEnter && !DoGetData())
            *effect = DROPEFFECT_NONE;
        else
            DoDrop(shift, point, *effect);
    });
    // The data lives only while OnDrop runs.
    ClearData();
    dataObject_.Reset();
    return S_OK;
}

void TDropTarget::DoEnter(TShiftState shift, POINT point, DWORD& effect)
{
    if (OnEnter)
        OnEnter(*this, shift, point, effect);
}

void TDropTarget::DoDragOver(TShiftState shift, POINT point, DWORD& effect)
{
    if (OnDragOver)
        OnDragOver(*this, shift, point, effect);
}

void TDropTarget::DoDrop(TShiftState shift, POINT point, DWORD& effect)
{
    if (OnDrop)
        OnDrop(*this, shift, point, effect);
}

void TDropTarget::DoLeave()
{
    if (OnLeave)
        OnLeave(*this);
}

DWORD TDropTarget::GetValidDropEffect(TShiftState shift, POINT point, DWORD offered)
{
    DWORD effect = drop::AllowedEffects(Dragtypes, offered);
    if (OnGetDropEffect) {
        OnGetDropEffect(*this, shift, point, effect);
        return effect;
    }
    RECT client{};
    GetClientRect(control_, &client);
    scrollZone_.width = client.right;
    scrollZone_.height = client.bottom;
    return drop::BuiltInDropEffect(shift, point.x, point.y, effect, scrollZone_);
}

POINT TDropTarget::ToClient(POINTL screen) const
{
    POINT point{screen.x, screen.y};
    ScreenToClient(control_, &point);
    return point;
}

void TDropTarget::SetUpScrolling()
{
    scrollZone_.directions = {};
    scrollZone_.margin = FontHeight(control_);
    const LONG_PTR style = GetWindowLongPtrA(control_, GWL_STYLE);
    if (style & WS_HSCROLL)
        scrollZone_.directions.Include(sdHorizontal);
    if (style & WS_VSCROLL)
        scrollZone_.directions.Include(sdVertical);
}

void TDropTarget::ScrollStep()
{
    RECT client{};
    GetClientRect(control_, &client);
    const drop::ScrollStep step =
        drop::ScrollStepAt(lastPoint_.x, lastPoint_.y, scrollZone_.margin, client.right, client.bottom);
    // The image is hidden while the control scrolls beneath it.
    if (dragImage_)
        ImageList_DragLeave(control_);
    if (step.vertical != 0)
        SendMessageA(control_, WM_VSCROLL, step.vertical < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    if (step.horizontal != 0)
        SendMessageA(control_, WM_HSCROLL, step.horizontal < 0 ? SB_LINELEFT : SB_LINERIGHT, 0);
    if (dragImage_) {
        const POINT at = ClientPtToWindowPt(control_, lastPoint_);
        ImageList_DragEnter(control_, at.x, at.y);
    }
}

// The image of a drag begun with the image-list functions, over the control.
// Drags from other programs have none.
void TDropTarget::EnterDragImage()
{
    POINT position{}, hotSpot{};
    dragImage_ = ImageList_GetDragImage(&position, &hotSpot);
    if (!dragImage_)
        return;
    ImageList_SetDragCursorImage(blankCursor_.Get(), 0, hotSpot.x, hotSpot.y);
    const POINT at = ClientPtToWindowPt(control_, lastPoint_);
    ImageList_DragEnter(control_, at.x, at.y);
}

void TDropTarget::LeaveDragImage()
{
    if (dragImage_)
        ImageList_DragLeave(control_);
    dragImage_ = nullptr;
}

// ---- TDropFileTarget ---------------------------------------------------------

TDropFileTarget::TDropFileTarget()
    : fileNameMapFormatEtc_{static_cast<CLIPFORMAT>(CF_FILENAMEMAP), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
      fileNameMapWFormatEtc_{static_cast<CLIPFORMAT>(CF_FILENAMEMAPW), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}
{
}

bool TDropFileTarget::HasValidFormats() { return Offers(DataObject(), HDropFormatEtc); }

void TDropFileTarget::ClearData()
{
    Files.clear();
    MappedNames.clear();
}

bool TDropFileTarget::DoGetData()
{
    ClearData();
    StorageMedium medium;
    if (!medium.Fetch(DataObject(), HDropFormatEtc))
        return false;
    const bool result = medium.Global() && GetFilesFromHGlobal(medium.Global(), Files);
    bool wide = false;
    if (!medium.Fetch(DataObject(), fileNameMapFormatEtc_)) {
        wide = true;
        if (!medium.Fetch(DataObject(), fileNameMapWFormatEtc_))
            return result;
    }
    if (medium.Global())
        MappedNames = drop::ReadNameMap(LockedGlobal(medium.Global()).Bytes(), wide, Files.size());
    return result;
}

DWORD TDropFileTarget::PasteFromClipboard()
{
    if (!IsClipboardFormatAvailable(CF_HDROP))
        return 0;
    Files.clear();
    {
        const OpenClipboardScope clipboard;
        if (!clipboard.IsOpen() || !GetFilesFromHGlobal(GetClipboardData(CF_HDROP), Files))
            return 0;
    }
    const DWORD effect = TDropTarget::PasteFromClipboard();
    return effect != 0 ? effect : DROPEFFECT_COPY;
}

// ---- TDropTextTarget ---------------------------------------------------------

bool TDropTextTarget::HasValidFormats() { return Offers(DataObject(), TextFormatEtc); }

void TDropTextTarget::ClearData() { Text.clear(); }

bool TDropTextTarget::DoGetData()
{
    if (!Text.empty())
        return true;
    StorageMedium medium;
    if (!medium.Fetch(DataObject(), TextFormatEtc) || !medium.Global())
        return false;
    Text = TextOf(LockedGlobal(medium.Global()).Bytes());
    return true;
}

DWORD TDropTextTarget::PasteFromClipboard()
{
    if (!IsClipboardFormatAvailable(CF_TEXT))
        return 0;
    const OpenClipboardScope clipboard;
    HGLOBAL text = clipboard.IsOpen() ? GetClipboardData(CF_TEXT) : nullptr;
    if (!text)
        return 0;
    Text = TextOf(LockedGlobal(text).Bytes());
    return DROPEFFECT_COPY;
}

} // namespace kelvo
