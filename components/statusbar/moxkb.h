// The loader of the optional keyboard monitor library MoxKbMon.dll, which
// watches the lock keys for the whole desktop and reports their changes to
// registered windows by message. Without the library nothing is reported.
#pragma once

#include <windows.h>

#include <string>

namespace kelvo {

// The library's file name, looked up on the normal library search path.
extern std::string MoxKbDLLName;

// True while the library is loaded.
bool MoxKbDLL_Loaded();
// Loads the library (again), without a system error box when it is missing.
void InitMoxKbDLL();
// Deregisters every window still registered, last first, and frees the library.
void UnloadMoxKbDLL();
// Whether the library could be loaded now; leaves nothing loaded.
bool CanLoadMoxKbDLL();

// Registers a window with the library and returns the message number its
// reports will carry; 0 without the library's entry point.
UINT DLLRegisterKeyboardHook(HWND window);
// Stops the library's reports to the window; nothing for a window not registered.
void DLLDeregisterKeyboardHook(HWND window);

} // namespace kelvo
