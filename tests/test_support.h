// Helpers for every test program, native or Windows: whole files as bytes,
// data that shows misplaced bytes, and the message of an expected exception.
#pragma once

#include "platform/file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelvo::test {

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A file's bytes read through the file layer (the ANSI functions on
// Windows, so names may hold Latin-1 letters); "missing" when there is none.
inline std::string FileContents(const std::string& path)
{
    platform::File file = platform::File::Open(path, platform::File::Mode::Read);
    if (!file.IsOpen())
        return "missing";
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(file.Size(), 0)), '\0');
    return file.ReadExact(bytes.data(), bytes.size()) ? bytes : "unreadable";
}

// Distinct data of a given length, so misplaced bytes show.
inline std::string Pattern(std::size_t length, unsigned seed = 0)
{
    std::string bytes(length, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes)
        c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
    return bytes;
}

// The message of the Error the call throws; "no error" when it returns.
template <class Error, class Call>
std::string ErrorOf(Call call)
{
    try {
        call();
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

} // namespace kelvo::test
