// Helpers of the IFF reader's tests: bytes written out as hex, and bytes
// held so that AddressSanitizer sees any read past their end.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

namespace kelvo::test {

// "0A 1b": the bytes 0x0A 0x1B; spaces and line breaks are skipped.
inline std::string Hex(const char* text)
{
    std::string out;
    for (const char* p = text; *p;) {
        if (*p == ' ' || *p == '\n') {
            ++p;
            continue;
        }
        out += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
        p += 2;
    }
    return out;
}

// Bytes in a heap block of exactly their size (a std::string has a
// terminator past its end).
class Exact {
public:
    explicit Exact(const std::string& bytes) : bytes_(new char[bytes.size()]), size_(bytes.size())
    {
        std::copy(bytes.begin(), bytes.end(), bytes_.get());
    }
    std::string_view View() const { return {bytes_.get(), size_}; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
};

} // namespace kelvo::test
