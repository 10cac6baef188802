// Stand-ins and surroundings for the Win32 tests: a data object offering
// blocks of bytes and a reader of any data object, the mouse button the
// drag loop sees, a log of the messages a window is sent, a parent window
// on the screen, a scratch folder, and a message pump.
#pragma once

#include "tests/test_support.h"
#include "tests/win32/window_search.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kelvo::test {

// Runs this thread's messages until the condition holds; false when it
// still does not after kPatience.
template <class Condition>
bool PumpUntil(Condition condition)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > kPatience)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

// A block of bytes in fresh global memory, which the receiver owns.
inline HGLOBAL GlobalBlock(const std::string& bytes)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    return memory;
}

// A data object of the test's own: each offered format is a block of bytes
// handed out in global memory; fetching a format in failing fails. It
// counts its references but never deletes itself (it lives on the stack).
class FakeDataObject final : public IDataObject {
public:
    std::map<CLIPFORMAT, std::string> formats;
    std::set<CLIPFORMAT> failing;
    LONG refs = 1;

    // Puts the formats on the clipboard instead, replacing what it held.
    void PutOnClipboard(HWND owner) const
    {
        ASSERT_TRUE(OpenClipboard(owner));
        EmptyClipboard();
        for (const auto& [format, bytes] : formats)
            SetClipboardData(format, GlobalBlock(bytes));
        CloseClipboard();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject) ? this : nullptr;
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (QueryGetData(format) != S_OK)
            return DV_E_FORMATETC;
        if (failing.count(format->cfFormat))
            return E_OUTOFMEMORY;
        *medium = {};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = GlobalBlock(formats.at(format->cfFormat));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        return formats.count(format->cfFormat) && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

// A request for a format's content in global memory, or as asked.
inline FORMATETC Request(UINT format, DWORD tymed = TYMED_HGLOBAL, DWORD aspect = DVASPECT_CONTENT)
{
    return {static_cast<CLIPFORMAT>(format), nullptr, aspect, -1, tymed};
}

// What a data object answers a request: the result code and the data, or
// "medium left set" when it fails without clearing the medium.
inline std::pair<HRESULT, std::string> DataOf(IDataObject& data, FORMATETC request)
{
    STGMEDIUM medium{};
    const HRESULT result = data.GetData(&request, &medium);
    if (result != S_OK)
        return {result, medium.tymed == TYMED_NULL ? "" : "medium left set"};
    std::string block(static_cast<const char*>(GlobalLock(medium.hGlobal)), GlobalSize(medium.hGlobal));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return {result, block};
}

// The messages a window is sent, in order, as the describer words them (an
// empty description leaves a message out); each then goes on to the
// window's own procedure. Stops listening when it goes.
class MessageLog {
public:
    using Describe = std::function<std::string(UINT message, WPARAM wParam, LPARAM lParam)>;

    MessageLog(HWND window, Describe describe) : window_(window), describe_(std::move(describe))
    {
        SetWindowSubclass(window_, Listen, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;
    ~MessageLog() { RemoveWindowSubclass(window_, Listen, 1); }

    // The messages logged since the last call.
    std::vector<std::string> Take() { return std::exchange(entries_, {}); }

private:
    static LRESULT CALLBACK Listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
    {
        auto& log = *reinterpret_cast<MessageLog*>(self);
        if (std::string entry = log.describe_(message, wParam, lParam); !entry.empty())
            log.entries_.push_back(std::move(entry));
        return DefSubclassProc(window, message, wParam, lParam);
    }

    HWND window_;
    Describe describe_;
    std::vector<std::string> entries_;
};

// A visible topmost window at (100, 100), 460 x 240, for the controls under
// test; its children go with it.
class TestWindow {
public:
    TestWindow()
        : window_(CreateWindowExA(WS_EX_TOPMOST, "STATIC", "Test", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 100, 460,
                                  240, nullptr, nullptr, nullptr, nullptr))
    {
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() { DestroyWindow(window_); }

    HWND Handle() const { return window_; }
    HWND AddChild(const char* className, DWORD style, RECT bounds, int id = 0) const
    {
        return CreateWindowExA(WS_EX_CLIENTEDGE, className, "", WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
                               bounds.right - bounds.left, bounds.bottom - bounds.top, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }

private:
    HWND window_;
};

// A folder of the test's own, with an unpredictable name in the temporary
// folder (as its long name, the form the shell gives back), removed with
// everything in it when this goes.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const std::string made = platform::MakeTempFolder("kelvo-test-");
        EXPECT_FALSE(made.empty());
        char longName[MAX_PATH] = {};
        root_ = GetLongPathNameA(made.c_str(), longName, MAX_PATH) ? longName : made;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    const std::string& Root() const { return root_; }
    // Makes the folders of a path below the root and gives its full path.
    std::string Folder(const std::string& relative) const
    {
        std::filesystem::create_directories(root_ + "\\" + relative);
        return root_ + "\\" + relative;
    }
    // Writes a file below the root (its folder must exist) and gives its full path.
    std::string File(const std::string& relative, const std::string& bytes) const
    {
        const std::string path = root_ + "\\" + relative;
        WriteBytes(path, bytes);
        return path;
    }

private:
    std::string root_;
};

} // namespace kelvo::test
