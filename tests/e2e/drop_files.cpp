// drop-files X Y FILE...: drops the files on the window at the screen point
// (X, Y) through a real OLE drag from this process, as a file manager would:
// a data object offering the dropped-files block (ANSI names as given) and a
// drop source that moves the pointer to the point and drops once the window
// there has answered with an effect; it cancels after a time limit. Exits
// with 0 when the drop was taken as a copy, 1 when not, 2 on a usage error.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool IsFileList(const FORMATETC* format)
{
    return format && format->cfFormat == CF_HDROP && format->dwAspect == DVASPECT_CONTENT && (format->tymed & TYMED_HGLOBAL);
}

// The data object and drop source of one drag, on main's stack: it counts
// references but never deletes itself.
class FileDrag : public IDataObject, public IDropSource {
public:
    FileDrag(POINT target, char** files, int count) : target_(target), start_(GetTickCount())
    {
        DROPFILES header{};
        header.pFiles = sizeof header;
        block_.assign(reinterpret_cast<const char*>(&header), sizeof header);
        for (int i = 0; i < count; ++i)
            block_.append(files[i]).push_back('\0');
        block_.push_back('\0');
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = IsEqualIID(iid, IID_IDropSource) ? static_cast<void*>(static_cast<IDropSource*>(this))
                  : IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject) ? static_cast<IDataObject*>(this) : nullptr;
        return *object ? AddRef(), S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!IsFileList(format))
            return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block_.size());
        void* bytes = memory ? GlobalLock(memory) : nullptr;
        if (!bytes)
            return GlobalFree(memory), E_OUTOFMEMORY;
        std::memcpy(bytes, block_.data(), block_.size());
        GlobalUnlock(memory);
        *medium = {};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory; // the receiver frees it
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override { return IsFileList(format) ? S_OK : DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override
    {
        FORMATETC fileList{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        *formats = nullptr;
        return direction == DATADIR_GET ? SHCreateStdEnumFmtEtc(1, &fileList, formats) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD) override
    {
        if (escapePressed || GetTickCount() - start_ > 20000)
            return DRAGDROP_S_CANCEL;
        if (!AtTarget()) {
            SetCursorPos(target_.x, target_.y);
            answered_ = false;
            return S_OK;
        }
        return answered_ ? DRAGDROP_S_DROP : S_OK;
    }
    // The window under the point has seen the drag and taken it as a copy.
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override
    {
        answered_ = answered_ || (AtTarget() && (effect & DROPEFFECT_COPY));
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

private:
    bool AtTarget() const
    {
        POINT pointer{};
        GetCursorPos(&pointer);
        return pointer.x == target_.x && pointer.y == target_.y;
    }
    std::string block_;
    POINT target_;
    DWORD start_;
    LONG refs_ = 1;
    bool answered_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return std::fprintf(stderr, "Usage: drop-files X Y FILE...\n"), 2;
    const POINT target{std::atoi(argv[1]), std::atoi(argv[2])};
    FileDrag drag(target, argv + 3, argc - 3);
    DWORD effect = DROPEFFECT_NONE;
    if (FAILED(OleInitialize(nullptr)))
        return std::fprintf(stderr, "drop-files: OLE cannot be initialized\n"), 1;
    SetCursorPos(target.x, target.y);
    const HRESULT result = DoDragDrop(&drag, &drag, DROPEFFECT_COPY, &effect);
    OleUninitialize();
    const bool copied = result == DRAGDROP_S_DROP && effect == DROPEFFECT_COPY;
    std::printf("drop-files: %s at %ld,%ld (result 0x%08lX, effect %lu)\n", copied ? "dropped" : "not dropped", target.x, target.y,
                static_cast<unsigned long>(result), static_cast<unsigned long>(effect));
    return copied ? 0 : 1;
}
