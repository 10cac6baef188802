#include "cli/far_names.h"

#include "platform/codepage.h"

namespace kelvo::cli {

std::string PrintableName(std::string_view systemName)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(systemName.size());
    for (std::size_t i = 0; i < systemName.size(); ++i) {
        const auto c = static_cast<unsigned char>(systemName[i]);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
#ifndef _WIN32
        } else if (c == 0xC2 && i + 1 < systemName.size() && static_cast<unsigned char>(systemName[i + 1]) <= 0x9F) {
            // U+0080 to U+009F in UTF-8; a lead byte is followed by 0x80 or more.
            const auto control = static_cast<unsigned char>(systemName[++i]);
            out += "\\x";
            out += kDigits[control >> 4];
            out += kDigits[control & 15];
#endif
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

#ifdef _WIN32

std::string SystemName(std::string_view entryName) { return std::string(entryName); }

std::optional<std::string> EntryName(std::string_view systemName) { return std::string(systemName); }

#else

namespace {

// The next character of UTF-8 text at pos, moving pos past it; nothing for
// a malformed, overlong or surrogate sequence.
std::optional<char32_t> NextCharacter(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int more;
    char32_t c;
    if (lead >= 0xC2 && lead <= 0xDF)
        more = 1, c = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        more = 2, c = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        more = 3, c = lead & 0x07;
    else
        return std::nullopt;
    for (int i = 0; i < more; ++i) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80)
            return std::nullopt;
        c = c << 6 | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    return c;
}

} // namespace

// The system's ANSI conversion is Windows-1252's table here.
std::string SystemName(std::string_view entryName)
{
    std::string result;
    result.reserve(entryName.size());
    for (char16_t c : platform::AnsiToWide(entryName)) {
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else if (c < 0x800) {
            result += static_cast<char>(0xC0 | c >> 6);
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            result += static_cast<char>(0xE0 | c >> 12);
            result += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return result;
}

std::optional<std::string> EntryName(std::string_view systemName)
{
    std::u16string wide;
    wide.reserve(systemName.size());
    for (std::size_t pos = 0; pos < systemName.size();) {
        const std::optional<char32_t> c = NextCharacter(systemName, pos);
        if (!c || *c > 0xFFFF) // the code page has nothing beyond the first plane
            return std::nullopt;
        wide += static_cast<char16_t>(*c);
    }
    // A character the code page lacks comes back as another.
    std::string name = platform::WideToAnsi(wide);
    if (platform::AnsiToWide(name) != wide)
        return std::nullopt;
    return name;
}

#endif

} // namespace kelvo::cli
