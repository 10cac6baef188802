#include "components/statusbar/moxkb.h"

#include <algorithm>
#include <vector>

namespace kelvo {

std::string MoxKbDLLName = "MoxKbMon.dll";

namespace {

using RegisterProc = UINT(WINAPI*)(HWND);
using DeregisterProc = UINT(WINAPI*)(HWND);

// A library entry point as its own type (GetProcAddress hands out a generic one).
template <typename Proc>
Proc EntryPoint(HMODULE module, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HMODULE LoadQuietly()
{
    const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(MoxKbDLLName.c_str());
    SetErrorMode(previous);
    return module;
}

struct MonitorLibrary {
    HMODULE module = nullptr;
    RegisterProc registerHook = nullptr;
    DeregisterProc deregisterHook = nullptr;
    std::vector<HWND> windows;

    ~MonitorLibrary() { UnloadMoxKbDLL(); }
} library;

} // namespace

bool MoxKbDLL_Loaded() { return library.module != nullptr; }

void InitMoxKbDLL()
{
    if (library.module)
        UnloadMoxKbDLL();
    library.module = LoadQuietly();
    if (library.module) {
        library.registerHook = EntryPoint<RegisterProc>(library.module, "RegisterKeyboardHook");
        library.deregisterHook = EntryPoint<DeregisterProc>(library.module, "DeregisterKeyboardHook");
    }
}

void UnloadMoxKbDLL()
{
    if (!library.module)
        return;
    while (!library.windows.empty() && library.deregisterHook)
        DLLDeregisterKeyboardHook(library.windows.back());
    if (FreeLibrary(library.module)) {
        library.module = nullptr;
        library.registerHook = nullptr;
        library.deregisterHook = nullptr;
    }
}

bool CanLoadMoxKbDLL()
{
    HMODULE module = LoadQuietly();
    if (module)
        FreeLibrary(module);
    return module != nullptr;
}

UINT DLLRegisterKeyboardHook(HWND window)
{
    if (!library.registerHook)
        return 0;
    library.windows.push_back(window);
    return library.registerHook(window);
}

void DLLDeregisterKeyboardHook(HWND window)
{
    if (!library.deregisterHook)
        return;
    auto found = std::find(library.windows.begin(), library.windows.end(), window);
    if (found == library.windows.end())
        return; // never registered: nothing to stop
    library.windows.erase(found);
    library.deregisterHook(window);
}

} // namespace kelvo
