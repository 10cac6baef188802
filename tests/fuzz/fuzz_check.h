#pragma once
// The fuzz targets' one way to fail: a line naming the broken rule on
// standard error, then abort, which libFuzzer reports with the input that
// broke it.
#include <cstdio>
#include <cstdlib>

namespace kelvo::fuzz {

[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

inline void Check(bool condition, const char* what)
{
    if (!condition)
        Fail(what);
}

} // namespace kelvo::fuzz
