// The window-free rules of the folder browse dialog: root folders and their
// special-folder numbers, the option set and the browse-info flags it gives,
// the path form in which a preselected folder is sent to the dialog, the
// drive-root test, and the two ways the status line is shortened to fit.
// The Win32 dialog (browse_directory_dlg.h) measures text and talks to the
// shell; these rules decide what it sends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/enum_set.h"

namespace kelvo {

// The folder at the top of the dialog's tree, in stored order.
enum TRootID : std::uint8_t {
    idDesktop,
    idInternet,
    idPrograms,
    idControlPanel,
    idPrinters,
    idPersonal,
    idFavorites,
    idStartup,
    idRecent,
    idSendTo,
    idRecycleBin,
    idStartMenu,
    idDesktopDirectory,
    idDrives,
    idNetwork,
    idNetHood,
    idFonts,
    idTemplates,
    idCommonStartMenu,
    idCommonPrograms,
    idCommonStartup,
    idCommonDesktopDirectory,
    idAppData,
    idPrintHood,
    idDesktopExpanded,
};

// The dialog's options, in stored order.
enum TBrowseFlag : std::uint8_t {
    bfDirectoriesOnly,
    bfDomainOnly,
    bfAncestors,
    bfComputers,
    bfPrinters,
    bfIncludeFiles,
    bfEditBox,
};

using TBrowseFlags = EnumSet<TBrowseFlag>;

namespace browse {

// The browse-info flags (same values as the platform's BIF_*).
inline constexpr unsigned kBifReturnOnlyFsDirs = 0x0001;
inline constexpr unsigned kBifDontGoBelowDomain = 0x0002;
inline constexpr unsigned kBifStatusText = 0x0004;
inline constexpr unsigned kBifReturnFsAncestors = 0x0008;
inline constexpr unsigned kBifEditBox = 0x0010;
inline constexpr unsigned kBifValidate = 0x0020;
inline constexpr unsigned kBifBrowseForComputer = 0x1000;
inline constexpr unsigned kBifBrowseForPrinter = 0x2000;
inline constexpr unsigned kBifBrowseIncludeFiles = 0x4000;

// The flags the dialog is opened with: one per option (an edit box is
// always validated), and the status line when there is a text to show or
// the line follows the selection.
unsigned BrowseInfoFlags(TBrowseFlags options, std::string_view statusText, bool showSelectionInStatus);

// The special-folder number (CSIDL) of a root. The common folders have their
// own numbers only on the NT family; elsewhere the user's folder stands in.
// A value outside TRootID gives the desktop's.
int RootFolderCsidl(TRootID root, bool ntPlatform);

// The identifier of the status line among the dialog's controls.
inline constexpr int kStatusControlId = 14147;

// A network path: it begins with two backslashes.
bool IsNetworkPath(std::string_view path);

// The form in which a folder path is sent to the open dialog: a bare drive
// "C:" becomes "C:\", a drive root "C:\" stays, any other path loses its
// trailing backslash, and a single backslash stays as it is.
std::string SelectionMessagePath(std::string_view selection);

// Whether name is a drive root such as "C:\".
bool IsDriveRoot(std::string_view name);
// Whether the drive of a drive root is present in the bit mask of logical
// drives (bit 0 = A). False for a character that is not a drive letter.
bool DriveInMask(std::string_view driveRoot, std::uint32_t driveMask);
// The name to search for when asking whether a folder exists: name without
// its trailing backslash; empty (nothing to search) for an empty name or
// one with wildcards, which would match other entries.
std::string DirectorySearchName(std::string_view name);

// The top-left corner that centres a window of the given size on the screen;
// halves rounded toward zero.
struct Origin {
    int x = 0, y = 0;
    bool operator==(const Origin&) const = default;
};
Origin CenteredOrigin(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

// Width of a text in the status line's font; a failed measurement gives 0.
using TextMeasure = std::function<int(std::string_view text)>;

// Plain text cut at the end to fit width: the last characters give way to
// "...", down to "..." alone.
std::string FitPlainText(std::string_view text, int width, const TextMeasure& measure);
// A path shortened to fit width: leading directories give way to "...\"
// one by one, the drive stays as long as possible (and goes together with
// the root's backslash), the last part always stays.
std::string FitPath(std::string_view path, int width, const TextMeasure& measure);

} // namespace browse
} // namespace kelvo
