// Owners of Win32 handles: each frees its handle when it goes. Move-only;
// Get() hands out the raw handle without giving up ownership.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace kelvo::ui {

template <typename Handle, typename Traits>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void Reset(Handle handle = Handle{})
    {
        if (handle_ != Handle{})
            Traits::Free(handle_);
        handle_ = handle;
    }
    Handle Release() { return std::exchange(handle_, Handle{}); }

private:
    Handle handle_{};
};

struct GdiObjectTraits { static void Free(HGDIOBJ h) { DeleteObject(h); } };
struct MemoryDcTraits { static void Free(HDC h) { DeleteDC(h); } };
struct WindowTraits { static void Free(HWND h) { DestroyWindow(h); } };
struct MenuTraits { static void Free(HMENU h) { DestroyMenu(h); } };
struct IconTraits { static void Free(HICON h) { DestroyIcon(h); } };
struct ImageListTraits { static void Free(HIMAGELIST h) { ImageList_Destroy(h); } };
struct KeyTraits { static void Free(HKEY h) { RegCloseKey(h); } };
struct AcceleratorTraits { static void Free(HACCEL h) { DestroyAcceleratorTable(h); } };

template <typename T>
using OwnedGdi = Owned<T, GdiObjectTraits>;
using OwnedBitmap = OwnedGdi<HBITMAP>;
using OwnedFont = OwnedGdi<HFONT>;
using OwnedBrush = OwnedGdi<HBRUSH>;
using OwnedPen = OwnedGdi<HPEN>;
using OwnedRegion = OwnedGdi<HRGN>;
using OwnedMemoryDc = Owned<HDC, MemoryDcTraits>;
using OwnedWindow = Owned<HWND, WindowTraits>;
using OwnedMenu = Owned<HMENU, MenuTraits>;
using OwnedIcon = Owned<HICON, IconTraits>;
using OwnedImageList = Owned<HIMAGELIST, ImageListTraits>;
using OwnedKey = Owned<HKEY, KeyTraits>;
using OwnedAccelerators = Owned<HACCEL, AcceleratorTraits>;

// A window's device context from GetDC, released on scope exit.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { ReleaseDC(window_, dc_); }
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a context and puts the previous one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint and EndPaint as a pair.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { BeginPaint(window, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(window_, &paint_); }
    const PAINTSTRUCT& Paint() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

} // namespace kelvo::ui
