// Which entry names are extracted as themselves, and which names an entry
// may take. One rule serves extraction, renaming, adding and verification:
// a name Windows would refuse, or change on its way to a file, is not
// extracted, on any system.
#include "archive/far_archive.h"

#include <algorithm>
#include <cctype>

namespace kelvo {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// ".." or a part Windows might take for it once it drops trailing dots and
// spaces ("...", ".. ").
bool IsParentPart(std::string_view part)
{
    return std::count(part.begin(), part.end(), '.') >= 2 && part.find_first_not_of(". ") == std::string_view::npos;
}

// A name Windows opens as a device rather than a file, whatever folder it
// is in: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9 (also with the
// superscript digits 1-3 of the ANSI code page), in any letter case, with or
// without an extension, with trailing dots or spaces.
bool IsDevicePart(std::string_view part)
{
    std::string_view base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    std::string upper(base);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (upper == device)
            return true;
    }
    if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0))
        return false;
    const unsigned char digit = static_cast<unsigned char>(upper[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// A character no Windows file name holds: the controls and <>:"|?*.
bool IsForbidden(char c) { return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>\"|?*").find(c) != std::string_view::npos; }

} // namespace

std::string TFarArchive::NameProblem(std::string_view name)
{
    if (name.find('\0') != std::string_view::npos)
        return "name holds a zero byte";
    if (name.empty() || name == ".")
        return "name of no file";
    if (IsSeparator(name.front()) || name.find(':') != std::string_view::npos)
        return "name would leave the chosen folder";
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = name.find_first_of("\\/", start);
        parts.push_back(name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    if (std::any_of(parts.begin(), parts.end(), IsParentPart))
        return "name would leave the chosen folder";
    if (std::any_of(parts.begin(), parts.end(), IsDevicePart))
        return "Windows device name";
    if (FolderDepth(name) > kMaxFolderDepth)
        return "name deeper than " + std::to_string(kMaxFolderDepth) + " folders";
    if (std::any_of(parts.begin(), parts.end(), [](std::string_view part) { return part.size() > kMaxNamePart; }))
        return "name part longer than " + std::to_string(kMaxNamePart) + " bytes";
    if (parts.back().empty())
        return "name ends in a backslash";
    for (std::string_view part : parts) {
        if (part.empty())
            return "name has an empty part";
        if (part == ".")
            return "name has a \".\" part (Windows drops it)";
        if (part.back() == '.' || part.back() == ' ')
            return "name part ends in a dot or space (Windows drops it)";
        if (std::any_of(part.begin(), part.end(), IsForbidden))
            return "name holds a character Windows forbids in file names";
    }
    return {};
}

bool TFarArchive::IsSafeEntryName(std::string_view name) { return NameProblem(name).empty(); }

std::string TFarArchive::ExtractRefusal(std::string_view name)
{
    const std::string problem = NameProblem(name);
    return problem.empty() ? problem : "The name " + std::string(name) + " is not extracted: " + problem + ".";
}

std::string TFarArchive::RenameRefusal(std::string_view name)
{
    if (name.empty())
        return "An entry's name cannot be empty.";
    if (name.size() > kMaxNameLength)
        return "The name is longer than " + std::to_string(kMaxNameLength) + " bytes.";
    return ExtractRefusal(name);
}

std::size_t TFarArchive::FolderDepth(std::string_view name)
{
    std::size_t depth = 0;
    for (std::size_t i = 0; i < name.size(); ++i)
        depth += IsSeparator(name[i]) && i > 0 && !IsSeparator(name[i - 1]);
    return depth;
}

} // namespace kelvo
