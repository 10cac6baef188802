// drop-files X Y FILE...: drops the files on whatever window lies at the
// screen point (X, Y), through a real OLE drag from this process, as the
// shell's file manager would: a data object offering the file list (the
// platform's dropped-files block, ANSI names as given) and a drop source
// that moves the pointer to the point itself and drops there, without a
// mouse. Exits with 0 when the drop was taken with the copy effect, 1 when
// it was not, 2 on a usage error.
//
// The drag loop watches the pointer and asks the drop source on every
// message and timer tick whether to go on; the source answers "go on"
// until the pointer is at the point and the window there has answered with
// an effect (the target's DragEnter and DragOver have run), then "drop".
// When no window there takes the drop within a time limit it cancels.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kGiveUpAfter = 20000; // milliseconds

// The platform's dropped-files block: the 20-byte header (names at offset
// 20, ANSI), then every name with its terminator, then an empty name.
std::string DroppedFilesBlock(const std::vector<std::string>& files)
{
    DROPFILES header{};
    header.pFiles = sizeof header;
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::string& file : files)
        block.append(file).push_back('\0');
    block.push_back('\0');
    return block;
}

bool IsFileList(const FORMATETC& format)
{
    return format.cfFormat == CF_HDROP && format.dwAspect == DVASPECT_CONTENT && (format.tymed & TYMED_HGLOBAL);
}

// The COM objects live on main's stack for the whole program, beyond the
// end of OLE: their counts are kept, but they never delete themselves.
template <class Interface>
class StackObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface)) ? this : nullptr;
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

private:
    LONG refs_ = 1;
};

class FileData : public StackObject<IDataObject> {
public:
    explicit FileData(std::string block) : block_(std::move(block)) {}

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!format || !medium)
            return E_INVALIDARG;
        if (!IsFileList(*format))
            return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, block_.size());
        void* bytes = memory ? GlobalLock(memory) : nullptr;
        if (!bytes) {
            GlobalFree(memory);
            return E_OUTOFMEMORY;
        }
        std::memcpy(bytes, block_.data(), block_.size());
        GlobalUnlock(memory);
        *medium = {};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory; // the receiver frees it
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        return format && IsFileList(*format) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out)
            out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override
    {
        if (!formats)
            return E_INVALIDARG;
        *formats = nullptr;
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        FORMATETC fileList{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return SHCreateStdEnumFmtEtc(1, &fileList, formats);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advise) override
    {
        if (advise)
            *advise = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    std::string block_;
};

class PointerSource : public StackObject<IDropSource> {
public:
    explicit PointerSource(POINT target) : target_(target), start_(GetTickCount()) {}

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD) override
    {
        if (escapePressed || GetTickCount() - start_ > kGiveUpAfter)
            return DRAGDROP_S_CANCEL;
        POINT pointer{};
        GetCursorPos(&pointer);
        if (pointer.x != target_.x || pointer.y != target_.y) {
            SetCursorPos(target_.x, target_.y);
            answered_ = false;
            return S_OK;
        }
        return answered_ ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override
    {
        POINT pointer{};
        GetCursorPos(&pointer);
        // The target under the point has seen the drag and taken it.
        if (pointer.x == target_.x && pointer.y == target_.y && (effect & DROPEFFECT_COPY))
            answered_ = true;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

private:
    POINT target_;
    DWORD start_;
    bool answered_ = false;
};

// Initializes OLE on this thread for the lifetime of this object.
class OleSession {
public:
    OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession()
    {
        if (ok_)
            OleUninitialize();
    }
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "Usage: drop-files X Y FILE...\n");
        return 2;
    }
    const POINT target{std::atoi(argv[1]), std::atoi(argv[2])};
    FileData data(DroppedFilesBlock(std::vector<std::string>(argv + 3, argv + argc)));
    PointerSource source(target);
    DWORD effect = DROPEFFECT_NONE;
    HRESULT result = E_FAIL;
    {
        OleSession ole;
        if (!ole.Ok()) {
            std::fprintf(stderr, "drop-files: OLE cannot be initialized\n");
            return 1;
        }
        SetCursorPos(target.x, target.y);
        result = DoDragDrop(&data, &source, DROPEFFECT_COPY, &effect);
    }
    const bool copied = result == DRAGDROP_S_DROP && effect == DROPEFFECT_COPY;
    std::printf("drop-files: %s at %ld,%ld (result 0x%08lX, effect %lu)\n", copied ? "dropped" : "not dropped",
                static_cast<long>(target.x), static_cast<long>(target.y), static_cast<unsigned long>(result),
                static_cast<unsigned long>(effect));
    return copied ? 0 : 1;
}
