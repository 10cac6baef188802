// Helpers of the IFF readers' tests.
#pragma once

#include "tests/far_writer.h"

#include <string_view>

namespace kelvo::test {

// Bytes in a heap block of exactly their size (a std::string has a terminator past its end).
struct Exact {
    explicit Exact(const std::string& from) : bytes(from.begin(), from.end()) {}
    std::string_view View() const { return {bytes.data(), bytes.size()}; }
    std::vector<char> bytes;
};

} // namespace kelvo::test
