// The window-free rules of the about box: the operating-system line, the
// physical-memory figure, and the command line that starts the default
// browser on the web address. The Win32 box (about_box.h) asks the system
// and the registry; these rules decide what it shows and runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo::about {

// The title shown when the about dialog has no product name of its own.
inline constexpr char kApplicationTitle[] = "Kelvo";

// The system's version record (the fields of OSVERSIONINFO the box shows).
struct OsVersion {
    std::uint32_t platformId = 0; // 1: Windows 95 family, 2: NT family
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::string servicePack;
};

// The operating-system line: "Windows NT 4.0 (Build 1381: Service Pack 6)",
// or "Windows NT 4.0 (Build 1381)" without a service pack. The 95 family is
// "Windows 95" with the low 16 bits of the build; an unknown platform shows
// only "Windows" and the version.
std::string OsInfoText(const OsVersion& version);

// Physical memory in whole kilobytes with a thousands separator between
// groups of three digits and " KB" after: 65,011,712 bytes give "63,488 KB".
std::string FormatKilobytes(std::uint64_t bytes, std::string_view thousandsSeparator);

// The line that starts the browser on url, from the command template of the
// registry's open verb for web pages. The template is cut before its first
// "%1" placeholder (the quoted "\"%1\"" first); the address joins an
// argument the cut left open, otherwise it follows as one quoted argument of
// its own. The address is percent-encoded where it could end or split an
// argument (blanks, controls, quotes), so it never adds arguments. Nothing
// (no launch) when the template names no program before the placeholder,
// leaves the program's own quotes open, or the address would read as an
// option ("-" or "/" first).
std::optional<std::string> BrowserCommandLine(std::string_view commandTemplate, std::string_view url);

} // namespace kelvo::about
