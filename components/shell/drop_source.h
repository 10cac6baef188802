// The OLE drag sources: they offer data to other programs by drag and drop
// or through the clipboard. TDropSource is the platform's data object and
// drop source over a list of offered formats: it runs the drag loop, asks
// its events before the drop and reports how the drag ended. The concrete
// kinds decide what they offer: TDropTextSource a string, TDropFileSource a
// list of files in the shell's formats.
//
// Use: hold one in an OwnedComponent<...> (the platform may keep its own
// references for a while), set its properties and events, then Execute a
// drag on the thread that started the shell components (TShellStartup,
// shell_init.h, must exist before the source is made), or cut or copy to
// the clipboard.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/shell/shell_init.h"
#include "components/shell/source_blocks.h"

namespace kelvo {

class TDropSource;

// Sender, the drop type the target chose, and whether to go on with the
// drop, which the handler may clear.
using TDropEvent = std::function<void(TDropSource& Sender, TDragType DragType, bool& ContinueDrop)>;
// Sender, the effect the target reports, and whether the platform shows its
// default cursors, which the handler may clear (it then sets its own).
using TFeedbackEvent = std::function<void(TDropSource& Sender, DWORD Effect, bool& UseDefaultCursors)>;

// Enumerates a copy of a source's formats, so that one a target still holds
// after its source is gone reads formats of its own.
class TEnumFormatEtc : public TInterfacedComponent<IEnumFORMATETC> {
public:
    // A format and its target device's bytes (none for no device).
    struct Entry {
        FORMATETC format; // its target device pointer is not used
        std::vector<std::uint8_t> device;
    };

    // A new enumerator over entries from index on, with one reference for the caller.
    static IEnumFORMATETC* Create(std::vector<Entry> entries, std::size_t index = 0);

    // Copies up to count formats from the current one on (each target device
    // in memory of its own that the caller frees); S_OK when all count came.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* formats, ULONG* fetched) override;
    // S_OK when count formats remained to pass; otherwise moves to the end, S_FALSE.
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** clone) override;

private:
    TEnumFormatEtc(std::vector<Entry> entries, std::size_t index);
    ~TEnumFormatEtc() override = default;

    std::vector<Entry> entries_;
    std::size_t index_;
};

class TDropSource : public TInterfacedComponent<IDataObject, IDropSource> {
public:
    static constexpr std::size_t kMaxFormats = 20;

    // --- Properties (defaults as the constructor sets them) ---------------
    TDragTypes Dragtypes{dtCopy}; // the effects offered to the target
    int ImageHotSpotX = 16;       // hot spot of the drag image
    int ImageHotSpotY = 16;

    // The image list of the drag image (not owned; clear it with
    // SetImages(nullptr) before destroying the list). A new list resets
    // ImageIndex to 0 and shows the image when there is a list.
    HIMAGELIST Images() const { return images_; }
    void SetImages(HIMAGELIST images);
    // An index within the list is taken, a larger one ignored; a negative
    // one, or no or an empty list, gives 0 and no image.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    // Show the drag image during Execute; never without a list.
    bool ShowImage() const { return showImage_; }
    void SetShowImage(bool show);

    // --- Events -------------------------------------------------------------
    TFeedbackEvent OnFeedback; // told each effect the target reports
    TDropEvent OnDrop;         // asked before the drop is carried out

    // Runs a drag of the offered data until the drop or the cancel. An
    // exception from a handler cancels the drag and goes to the
    // application's error box.
    TDragResult Execute();
    // Put the offered data on the clipboard, replacing what it held, with
    // the move or copy effect as the preferred one where this kind offers
    // that format; false when there is nothing to put or the clipboard
    // refuses.
    bool CutToClipboard();
    bool CopyToClipboard();

    // Appends a format to the offered ones (with a copy of the target
    // device); ignored once kMaxFormats are listed.
    void AddFormatEtc(CLIPFORMAT format, const DVTARGETDEVICE* device, DWORD aspect, LONG index, DWORD tymed);

    // --- IDataObject --------------------------------------------------------
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advise) override;

    // --- IDropSource --------------------------------------------------------
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

    // Stops raising events.
    void Detach() override;

protected:
    TDropSource();
    ~TDropSource() override = default;

    // Fills medium (empty on entry) with a fresh global memory block holding
    // the data of format; the platform's result code.
    virtual HRESULT DoGetData(const FORMATETC& format, STGMEDIUM& medium) = 0;
    // The format whose data goes on the clipboard; 0 when there is nothing to put.
    virtual CLIPFORMAT ClipboardFormat() const = 0;

    // The effect the target reported last (or the clipboard's preferred one).
    DWORD LastEffect() const { return lastEffect_; }

private:
    bool CutOrCopyToClipboard(DWORD effect);
    bool PutOnClipboard(CLIPFORMAT format);

    std::vector<TEnumFormatEtc::Entry> formats_;
    DWORD lastEffect_ = 0;
    HIMAGELIST images_ = nullptr;
    int imageIndex_ = 0;
    bool showImage_ = false;
};

// Offers Text as ANSI text; asked for them, also as "FileContents" with a
// "FileGroupDescriptor" naming it "Text Scrap File.txt".
class TDropTextSource : public TDropSource {
public:
    TDropTextSource();

    std::string Text;

protected:
    ~TDropTextSource() override = default;
    HRESULT DoGetData(const FORMATETC& format, STGMEDIUM& medium) override;
    CLIPFORMAT ClipboardFormat() const override;
};

// Offers the files of Files, in this order: the dropped-files block, the
// "Shell IDList Array" (when all files lie in one folder and exist), the
// "Preferred DropEffect", and, when MappedNames is as long as Files, the
// names under which the files should appear as "FileNameMap" and
// "FileNameMapW". Files are full paths.
class TDropFileSource : public TDropSource {
public:
    TDropFileSource();

    std::vector<std::string> Files;
    std::vector<std::string> MappedNames;

protected:
    ~TDropFileSource() override = default;
    HRESULT DoGetData(const FORMATETC& format, STGMEDIUM& medium) override;
    CLIPFORMAT ClipboardFormat() const override;

private:
    HRESULT IdListArray(drag::Bytes& block) const;
};

} // namespace kelvo
