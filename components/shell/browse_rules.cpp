#include "components/shell/browse_rules.h"

#include "platform/path.h"

#include <iterator>

namespace kelvo::browse {

namespace {

// One step of FitPath: a directory part (ending in a backslash) with its
// first directory replaced by "...\" (a "...\" already there goes with it).
std::string CutFirstDirectory(std::string_view directory)
{
    if (directory == "\\")
        return {};
    const bool leadingBackslash = directory.starts_with('\\');
    if (leadingBackslash)
        directory.remove_prefix(1);
    // Only an ellipsis left by an earlier cut goes here, not a directory
    // whose own name begins with a dot.
    if (directory.starts_with("...\\"))
        directory.remove_prefix(4);
    std::string result;
    const std::size_t slash = directory.find('\\');
    if (slash != std::string_view::npos) {
        result = "...\\";
        result += directory.substr(slash + 1);
    }
    if (leadingBackslash)
        result.insert(0, 1, '\\');
    return result;
}

} // namespace

unsigned BrowseInfoFlags(TBrowseFlags options, std::string_view statusText, bool showSelectionInStatus)
{
    struct FlagBits {
        TBrowseFlag flag;
        unsigned bits;
    };
    static constexpr FlagBits kFlagBits[] = {
        {bfDirectoriesOnly, kBifReturnOnlyFsDirs},
        {bfDomainOnly, kBifDontGoBelowDomain},
        {bfAncestors, kBifReturnFsAncestors},
        {bfComputers, kBifBrowseForComputer},
        {bfPrinters, kBifBrowseForPrinter},
        {bfIncludeFiles, kBifBrowseIncludeFiles},
        {bfEditBox, kBifEditBox | kBifValidate},
    };
    unsigned flags = 0;
    for (const FlagBits& each : kFlagBits) {
        if (options.Contains(each.flag))
            flags |= each.bits;
    }
    if (!statusText.empty() || showSelectionInStatus)
        flags |= kBifStatusText;
    return flags;
}

int RootFolderCsidl(TRootID root, bool ntPlatform)
{
    struct RootNumbers {
        int nt, other;
    };
    // Indexed by TRootID.
    static constexpr RootNumbers kRoots[] = {
        {0, 0},   {1, 1},   {2, 2},   {3, 3},   {4, 4},   {5, 5},   {6, 6},   {7, 7},   {8, 8},
        {9, 9},   {10, 10}, {11, 11}, {16, 16}, {17, 17}, {18, 18}, {19, 19}, {20, 20}, {21, 21},
        {22, 11}, {23, 2},  {24, 7},  {25, 16}, {26, 26}, {27, 27}, {0xFEFE, 0xFEFE},
    };
    static_assert(std::size(kRoots) == idDesktopExpanded + 1);
    if (root >= std::size(kRoots))
        return kRoots[idDesktop].nt;
    return ntPlatform ? kRoots[root].nt : kRoots[root].other;
}

bool IsNetworkPath(std::string_view path) { return path.starts_with("\\\\"); }

std::string SelectionMessagePath(std::string_view selection)
{
    std::string path(selection);
    if ((path.size() == 2 || path.size() == 3) && path[1] == ':') {
        if (path.size() == 2)
            path += '\\';
    } else if (path.size() > 1 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

bool IsDriveRoot(std::string_view name) { return name.size() == 3 && name[1] == ':' && name[2] == '\\'; }

bool DriveInMask(std::string_view driveRoot, std::uint32_t driveMask)
{
    if (driveRoot.empty())
        return false;
    char letter = driveRoot[0];
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z')
        return false;
    return (driveMask >> (letter - 'A') & 1u) != 0;
}

std::string DirectorySearchName(std::string_view name)
{
    if (name.find_first_of("*?") != std::string_view::npos)
        return {};
    if (name.ends_with('\\'))
        name.remove_suffix(1);
    return std::string(name);
}

Origin CenteredOrigin(int screenWidth, int screenHeight, int windowWidth, int windowHeight)
{
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

std::string FitPlainText(std::string_view text, int width, const TextMeasure& measure)
{
    std::string result(text);
    std::size_t kept = text.size();
    while (kept > 0 && measure(result) > width) {
        --kept;
        result.assign(text.substr(0, kept));
        result += "...";
    }
    return result;
}

std::string FitPath(std::string_view path, int width, const TextMeasure& measure)
{
    const std::size_t fileStart = platform::FolderPart(path).size();
    std::string drive;
    std::string directory(path.substr(0, fileStart));
    const std::string_view file = path.substr(fileStart);
    if (directory.size() >= 2 && directory[1] == ':') {
        drive = directory.substr(0, 2);
        directory.erase(0, 2);
    }
    const auto joined = [&] { return drive + directory + std::string(file); };
    while ((!drive.empty() || !directory.empty()) && measure(joined()) > width) {
        // Only the drive's root or an ellipsis is left: the drive goes with it,
        // so no drive-relative form such as "C:Windows" is ever shown.
        if (directory == "\\...\\" || directory == "\\") {
            drive.clear();
            directory = "...\\";
        } else if (!directory.empty()) {
            directory = CutFirstDirectory(directory);
        } else {
            drive.clear();
        }
    }
    return joined();
}

} // namespace kelvo::browse
