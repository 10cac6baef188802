// The entry list's filter: which entries a text typed into the filter box
// lets through. A name matches when it contains the text in any letter case
// (Windows-1252 letters too); a '*' in the text stands for any run of
// characters and a '?' for any one character. Window-free, so it is tested
// natively and measured on half a million entries.
#pragma once

#include "archive/far_archive.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

class EntryFilter {
public:
    explicit EntryFilter(std::string_view text);

    // True for the empty text, which lets every entry through.
    bool Empty() const { return empty_; }
    // Not safe to call from two threads at once: it folds the name into a
    // buffer of the filter's own.
    bool Matches(std::string_view name) const;

private:
    // The pattern's parts between its '*'s, in small letters, empty ones
    // left out; each is found after the one before it.
    std::vector<std::string> parts_;
    bool empty_ = true;
    mutable std::string folded_; // the name being matched, in small letters
};

// The positions of the entries whose names (up to their first zero byte)
// the text lets through, in archive order.
std::vector<std::int32_t> FilterEntries(const std::vector<TFarEntry>& entries, std::string_view text);

// "N of M entries": how many entries a filter shows of how many there are.
std::string FilteredText(std::size_t shown, std::size_t count);

} // namespace kelvo
