#include "components/shell/drop_source.h"

#include "platform/codepage.h"
#include "ui/com_ref.h"
#include "ui/handles.h"
#include "ui/window.h"

#include <shlobj.h>

#include <cstddef>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <span>
#include <utility>

namespace kelvo {

namespace {

// The blocks are built in the platform's layouts.
static_assert(sizeof(FILEGROUPDESCRIPTORA) == drag::kFileGroupDescriptorSize);
static_assert(offsetof(FILEGROUPDESCRIPTORA, fgd[0].cFileName) == 76);
static_assert(sizeof(DROPFILES) == 20);
static_assert(FD_LINKUI == drag::kLinkUiFlag);
static_assert(DRAGDROP_S_DROP == drag::kResultDrop && DRAGDROP_S_CANCEL == drag::kResultCancel &&
              E_OUTOFMEMORY == drag::kResultOutOfMemory);

constexpr char kTextScrapName[] = "Text Scrap File.txt";

// Whether a request asks for format: its content, in global memory.
bool Matches(const FORMATETC& request, UINT format)
{
    return request.cfFormat == format && request.dwAspect == DVASPECT_CONTENT && (request.tymed & TYMED_HGLOBAL);
}

// The block in fresh shared, zero-filled global memory that the receiver of
// medium owns.
HRESULT ToMedium(const drag::Bytes& block, STGMEDIUM& medium)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, block.size());
    void* bytes = memory ? GlobalLock(memory) : nullptr;
    if (!bytes) {
        if (memory)
            GlobalFree(memory);
        return E_OUTOFMEMORY;
    }
    std::memcpy(bytes, block.data(), block.size());
    GlobalUnlock(memory);
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = memory;
    return S_OK;
}

// An item-ID list the shell handed out, freed through its allocator.
struct ShellFree {
    void operator()(ITEMIDLIST* list) const { ShellMalloc()->Free(list); }
};
using ShellList = std::unique_ptr<ITEMIDLIST, ShellFree>;

std::span<const std::uint8_t> BytesOf(const ShellList& list)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(list.get());
    return {bytes, drag::ItemIdListSize(bytes)};
}

// Parses an ANSI name, relative to folder, into a list of the shell's.
HRESULT Parse(IShellFolder* folder, const std::string& name, ShellList& list)
{
    std::u16string wide = platform::AnsiToWide(name);
    ITEMIDLIST* parsed = nullptr;
    const HRESULT result = folder->ParseDisplayName(nullptr, nullptr, reinterpret_cast<wchar_t*>(wide.data()),
                                                    nullptr, &parsed, nullptr);
    list.reset(parsed);
    return SUCCEEDED(result) && !parsed ? E_FAIL : result;
}

} // namespace

// ---- TEnumFormatEtc ----------------------------------------------------------

TEnumFormatEtc::TEnumFormatEtc(std::vector<Entry> entries, std::size_t index)
    : entries_(std::move(entries)), index_(index)
{
}

IEnumFORMATETC* TEnumFormatEtc::Create(std::vector<Entry> entries, std::size_t index)
{
    auto* enumerator = new TEnumFormatEtc(std::move(entries), index);
    enumerator->AddRef();
    return enumerator;
}

HRESULT TEnumFormatEtc::Next(ULONG count, FORMATETC* formats, ULONG* fetched)
{
    if (fetched)
        *fetched = 0;
    if (!formats && count > 0)
        return E_POINTER;
    ULONG copied = 0;
    for (; copied < count && index_ < entries_.size(); ++copied, ++index_) {
        const Entry& entry = entries_[index_];
        FORMATETC format = entry.format;
        if (!entry.device.empty()) {
            format.ptd = static_cast<DVTARGETDEVICE*>(CoTaskMemAlloc(entry.device.size()));
            if (!format.ptd) {
                // Nothing is handed out: give back the devices copied so far.
                for (ULONG i = 0; i < copied; ++i)
                    CoTaskMemFree(formats[i].ptd);
                index_ -= copied;
                return E_OUTOFMEMORY;
            }
            std::memcpy(format.ptd, entry.device.data(), entry.device.size());
        }
        formats[copied] = format;
    }
    if (fetched)
        *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

HRESULT TEnumFormatEtc::Skip(ULONG count)
{
    if (count <= entries_.size() - index_) {
        index_ += count;
        return S_OK;
    }
    index_ = entries_.size();
    return S_FALSE;
}

HRESULT TEnumFormatEtc::Reset()
{
    index_ = 0;
    return S_OK;
}

HRESULT TEnumFormatEtc::Clone(IEnumFORMATETC** clone)
{
    if (!clone)
        return E_POINTER;
    *clone = Create(entries_, index_);
    return S_OK;
}

// ---- TDropSource -------------------------------------------------------------

TDropSource::TDropSource()
{
    AddRef(); // the owner's reference
}

void TDropSource::Detach()
{
    OnFeedback = nullptr;
    OnDrop = nullptr;
}

void TDropSource::SetImages(HIMAGELIST images)
{
    if (images == images_)
        return;
    images_ = images;
    imageIndex_ = 0;
    showImage_ = images != nullptr;
}

void TDropSource::SetImageIndex(int index)
{
    const int count = images_ ? ImageList_GetImageCount(images_) : 0;
    if (index < 0 || count == 0) {
        imageIndex_ = 0;
        showImage_ = false;
    } else if (index < count) {
        imageIndex_ = index;
    }
}

void TDropSource::SetShowImage(bool show) { showImage_ = show && images_; }

void TDropSource::AddFormatEtc(CLIPFORMAT format, const DVTARGETDEVICE* device, DWORD aspect, LONG index,
                               DWORD tymed)
{
    if (formats_.size() >= kMaxFormats)
        return;
    TEnumFormatEtc::Entry entry{{format, nullptr, aspect, index, tymed}, {}};
    if (device) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(device);
        entry.device.assign(bytes, bytes + device->tdSize);
    }
    formats_.push_back(std::move(entry));
}

TDragResult TDropSource::Execute()
{
    const DWORD allowed = drag::EffectsOf(Dragtypes);
    // Only what the target reports during this drag decides its drop.
    lastEffect_ = DROPEFFECT_NONE;
    const bool imageDrag =
        showImage_ && images_ && ImageList_BeginDrag(images_, imageIndex_, ImageHotSpotX, ImageHotSpotY);
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result =
        DoDragDrop(static_cast<IDataObject*>(this), static_cast<IDropSource*>(this), allowed, &effect);
    if (imageDrag)
        ImageList_EndDrag();
    return drag::DragResultOf(result, effect, allowed);
}

bool TDropSource::CutToClipboard() { return CutOrCopyToClipboard(DROPEFFECT_MOVE); }

bool TDropSource::CopyToClipboard() { return CutOrCopyToClipboard(DROPEFFECT_COPY); }

bool TDropSource::CutOrCopyToClipboard(DWORD effect)
{
    const CLIPFORMAT format = ClipboardFormat();
    if (!format)
        return false;
    // The clipboard is emptied first, so no other program's formats stay
    // beside this data; emptying makes the opening window the owner, which
    // the platform needs before it takes any data.
    const ui::OwnedWindow owner(
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    if (!owner || !OpenClipboard(owner.Get()))
        return false;
    EmptyClipboard();
    lastEffect_ = effect;
    FORMATETC preferred{static_cast<CLIPFORMAT>(CF_PREFERREDDROPEFFECT), nullptr, DVASPECT_CONTENT, -1,
                        TYMED_HGLOBAL};
    const bool done = PutOnClipboard(format) &&
                      (QueryGetData(&preferred) != S_OK || PutOnClipboard(CF_PREFERREDDROPEFFECT));
    CloseClipboard();
    return done;
}

bool TDropSource::PutOnClipboard(CLIPFORMAT format)
{
    FORMATETC request{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (GetData(&request, &medium) != S_OK)
        return false;
    if (!SetClipboardData(format, medium.hGlobal)) {
        ReleaseStgMedium(&medium);
        return false;
    }
    return true; // the clipboard owns the block now
}

HRESULT TDropSource::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    *medium = {};
    try {
        return DoGetData(*format, *medium);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TDropSource::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT TDropSource::QueryGetData(FORMATETC* format)
{
    if (!format)
        return E_INVALIDARG;
    for (const auto& [offered, device] : formats_) {
        if (offered.cfFormat == format->cfFormat && offered.dwAspect == format->dwAspect &&
            (offered.tymed & format->tymed))
            return S_OK;
    }
    return E_FAIL;
}

HRESULT TDropSource::GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical)
{
    if (canonical) {
        if (format)
            *canonical = *format;
        canonical->ptd = nullptr;
    }
    return DATA_S_SAMEFORMATETC;
}

HRESULT TDropSource::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

HRESULT TDropSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats)
{
    if (!formats)
        return E_INVALIDARG;
    *formats = nullptr;
    if (direction == DATADIR_SET)
        return E_NOTIMPL;
    if (direction != DATADIR_GET)
        return E_INVALIDARG;
    *formats = TEnumFormatEtc::Create(formats_);
    return S_OK;
}

HRESULT TDropSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }

HRESULT TDropSource::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }

HRESULT TDropSource::EnumDAdvise(IEnumSTATDATA** advise)
{
    if (advise)
        *advise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT TDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed)
        return DRAGDROP_S_CANCEL;
    if (keyState & (MK_LBUTTON | MK_RBUTTON))
        return S_OK;
    const std::optional<TDragType> type = drag::DropTypeOf(lastEffect_);
    bool drop = type && Dragtypes.Contains(*type);
    try {
        if (drop && OnDrop)
            OnDrop(*this, *type, drop);
    } catch (const std::exception& error) {
        drop = false;
        ui::ShowException(error);
    }
    return drop ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
}

HRESULT TDropSource::GiveFeedback(DWORD effect)
{
    lastEffect_ = effect;
    bool useDefaultCursors = true;
    try {
        if (OnFeedback)
            OnFeedback(*this, effect, useDefaultCursors);
    } catch (const std::exception& error) {
        useDefaultCursors = true;
        ui::ShowException(error);
    }
    return useDefaultCursors ? DRAGDROP_S_USEDEFAULTCURSORS : S_OK;
}

// ---- TDropTextSource ---------------------------------------------------------

TDropTextSource::TDropTextSource() { AddFormatEtc(CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL); }

HRESULT TDropTextSource::DoGetData(const FORMATETC& format, STGMEDIUM& medium)
{
    if (Matches(format, CF_TEXT) || Matches(format, CF_FILECONTENTS)) {
        const std::string terminated = Text + '\0';
        return ToMedium(drag::Bytes(terminated.begin(), terminated.end()), medium);
    }
    if (Matches(format, CF_FILEGROUPDESCRIPTOR))
        return ToMedium(drag::FileGroupDescriptorBlock(kTextScrapName, FD_LINKUI), medium);
    return DV_E_FORMATETC;
}

CLIPFORMAT TDropTextSource::ClipboardFormat() const { return Text.empty() ? 0 : CF_TEXT; }

// ---- TDropFileSource ---------------------------------------------------------

TDropFileSource::TDropFileSource()
{
    for (UINT format : {static_cast<UINT>(CF_HDROP), CF_IDLIST, CF_PREFERREDDROPEFFECT, CF_FILENAMEMAP,
                        CF_FILENAMEMAPW})
        AddFormatEtc(static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL);
}

HRESULT TDropFileSource::DoGetData(const FORMATETC& format, STGMEDIUM& medium)
{
    if (Files.empty())
        return E_UNEXPECTED;
    const bool mapped = MappedNames.size() == Files.size();
    drag::Bytes block;
    if (Matches(format, CF_HDROP)) {
        block = drag::DroppedFilesBlock(Files);
    } else if (Matches(format, CF_IDLIST)) {
        if (const HRESULT result = IdListArray(block); FAILED(result))
            return result;
    } else if (Matches(format, CF_PREFERREDDROPEFFECT)) {
        block = drag::EffectBlock(LastEffect());
    } else if (mapped && Matches(format, CF_FILENAMEMAP)) {
        block = drag::NameMapBlock(MappedNames);
    } else if (mapped && Matches(format, CF_FILENAMEMAPW)) {
        block = drag::WideNameMapBlock(MappedNames);
    } else {
        return DV_E_FORMATETC;
    }
    return ToMedium(block, medium);
}

CLIPFORMAT TDropFileSource::ClipboardFormat() const { return Files.empty() ? 0 : CF_HDROP; }

// The folder's absolute list, then each file's list relative to it, every
// list parsed by the shell. Files from several folders have no such array;
// a folder the shell cannot parse or bind gives none either (out of memory,
// as the platform's callers expect of a block that cannot be made), and a
// file it cannot parse its parse's failure.
HRESULT TDropFileSource::IdListArray(drag::Bytes& block) const
{
    const std::optional<drag::FolderItems> split = drag::SplitIntoFolder(Files);
    if (!split)
        return DV_E_FORMATETC;
    if (!ShellMalloc())
        return E_UNEXPECTED;
    if (split->folder.size() >= MAX_PATH)
        return E_OUTOFMEMORY;
    ui::ComRef<IShellFolder> desktop;
    ShellList folderList;
    ui::ComRef<IShellFolder> folder;
    if (FAILED(SHGetDesktopFolder(desktop.Out())) || FAILED(Parse(desktop.Get(), split->folder, folderList)) ||
        FAILED(desktop->BindToObject(folderList.get(), nullptr, IID_IShellFolder,
                                     reinterpret_cast<void**>(folder.Out()))))
        return E_OUTOFMEMORY;
    std::vector<ShellList> items(split->names.size());
    std::vector<std::span<const std::uint8_t>> itemBytes;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (const HRESULT result = Parse(folder.Get(), split->names[i], items[i]); FAILED(result))
            return result;
        itemBytes.push_back(BytesOf(items[i]));
    }
    block = drag::IdListArrayBlock(BytesOf(folderList), itemBytes);
    return S_OK;
}

} // namespace kelvo
