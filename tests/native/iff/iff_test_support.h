// Helpers of the IFF readers' tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvo::test {

// "0A 1b": the bytes 0x0A 0x1B; spaces are skipped.
inline std::string Hex(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] != ' ')
            out += static_cast<char>(std::stoi(std::string(text.substr(i++, 2)), nullptr, 16));
    return out;
}

// Bytes in a heap block of exactly their size (a std::string has a terminator past its end).
struct Exact {
    explicit Exact(const std::string& from) : bytes(from.begin(), from.end()) {}
    std::string_view View() const { return {bytes.data(), bytes.size()}; }
    std::vector<char> bytes;
};

} // namespace kelvo::test
