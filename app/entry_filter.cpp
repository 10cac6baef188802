#include "app/entry_filter.h"

#include "archive/name_case.h"

namespace kelvo {

EntryFilter::EntryFilter(std::string_view text)
{
    pattern_.reserve(text.size());
    for (char c : text)
        pattern_ += static_cast<char>(FoldCase(c));
    wildcards_ = pattern_.find_first_of("*?") != std::string::npos;
}

bool EntryFilter::Matches(std::string_view name) const
{
    if (pattern_.empty())
        return true;
    if (wildcards_)
        return MatchesWildcards(name);
    if (name.size() < pattern_.size())
        return false;
    // The first character is looked for quickly; the rest compared from there.
    const unsigned char first = static_cast<unsigned char>(pattern_[0]);
    const std::size_t last = name.size() - pattern_.size();
    for (std::size_t start = 0; start <= last; ++start) {
        if (FoldCase(name[start]) != first)
            continue;
        std::size_t i = 1;
        while (i < pattern_.size() && FoldCase(name[start + i]) == static_cast<unsigned char>(pattern_[i]))
            ++i;
        if (i == pattern_.size())
            return true;
    }
    return false;
}

// The pattern may match anywhere in the name: as if it began and ended with
// a '*'. After a mismatch the last '*' takes one more character, so the
// match takes at most name length times pattern length steps.
bool EntryFilter::MatchesWildcards(std::string_view name) const
{
    std::size_t p = 0, n = 0;
    std::size_t starP = 0, starN = 0; // after the last '*' (the leading one at first)
    while (n < name.size()) {
        if (p < pattern_.size() && pattern_[p] == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pattern_.size() &&
                   (pattern_[p] == '?' || static_cast<unsigned char>(pattern_[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (p == pattern_.size()) {
            return true; // the rest of the name is taken by the trailing '*'
        } else {
            p = starP;
            n = ++starN;
        }
    }
    while (p < pattern_.size() && pattern_[p] == '*')
        ++p;
    return p == pattern_.size();
}

std::vector<std::int32_t> FilterEntries(const std::vector<TFarEntry>& entries, std::string_view text)
{
    const EntryFilter filter(text);
    std::vector<std::int32_t> shown;
    shown.reserve(filter.Empty() ? entries.size() : 0);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (filter.Matches(entries[i].Text()))
            shown.push_back(static_cast<std::int32_t>(i));
    return shown;
}

std::string FilteredText(std::size_t shown, std::size_t count)
{
    return std::to_string(shown) + " of " + std::to_string(count) + " entries";
}

} // namespace kelvo
