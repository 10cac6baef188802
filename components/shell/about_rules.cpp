#include "components/shell/about_rules.h"

#include <algorithm>
#include <cstdio>

namespace kelvo::about {

namespace {

// The address with every byte that could end, split or break an argument
// written as %XX.
std::string EncodeForArgument(std::string_view url)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || byte == '"') {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        } else {
            encoded += c;
        }
    }
    // Backslashes before the closing quote would escape it: doubled, they
    // stand for themselves.
    const std::size_t kept = encoded.find_last_not_of('\\') + 1;
    encoded.append(encoded.size() - kept, '\\');
    return encoded;
}

} // namespace

std::string OsInfoText(const OsVersion& version)
{
    const char* name = "Windows";
    std::uint32_t build = 0;
    if (version.platformId == 1) {
        name = "Windows 95";
        build = version.build & 0xFFFF;
    } else if (version.platformId == 2) {
        name = "Windows NT";
        build = version.build;
    }
    const auto asInt = [](std::uint32_t value) { return static_cast<int>(static_cast<std::int32_t>(value)); };
    char text[160];
    if (version.platformId != 1 && version.platformId != 2)
        std::snprintf(text, sizeof text, "%s %d.%d", name, asInt(version.major), asInt(version.minor));
    else if (!version.servicePack.empty())
        std::snprintf(text, sizeof text, "%s %d.%d (Build %d: %s)", name, asInt(version.major), asInt(version.minor),
                      asInt(build), version.servicePack.c_str());
    else
        std::snprintf(text, sizeof text, "%s %d.%d (Build %d)", name, asInt(version.major), asInt(version.minor),
                      asInt(build));
    return text;
}

std::string FormatKilobytes(std::uint64_t bytes, std::string_view thousandsSeparator)
{
    const std::string digits = std::to_string(bytes / 1024);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += thousandsSeparator;
        text += digits[i];
    }
    return text + " KB";
}

std::optional<std::string> BrowserCommandLine(std::string_view commandTemplate, std::string_view url)
{
    std::size_t cut = commandTemplate.find("\"%1\"");
    if (cut == std::string_view::npos)
        cut = commandTemplate.find("%1");
    const std::string_view prefix = commandTemplate.substr(0, cut);

    const std::size_t program = prefix.find_first_not_of(" \t");
    if (program == std::string_view::npos)
        return std::nullopt; // the address itself would be the program
    if (prefix[program] == '"' && prefix.find('"', program + 1) == std::string_view::npos)
        return std::nullopt; // the address would be part of the program's name
    if (url.starts_with('-') || url.starts_with('/'))
        return std::nullopt;

    std::string line(prefix);
    const std::string argument = EncodeForArgument(url);
    if (std::count(prefix.begin(), prefix.end(), '"') % 2 != 0)
        line += argument + '"'; // the placeholder stood inside a quoted argument
    else
        line += " \"" + argument + '"';
    return line;
}

} // namespace kelvo::about
