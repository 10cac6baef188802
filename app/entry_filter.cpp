#include "app/entry_filter.h"

#include "archive/name_case.h"

namespace kelvo {

namespace {

// The first place from `from` on where part stands in text, a '?' of part
// standing for any one character.
std::size_t FindPart(std::string_view text, const std::string& part, std::size_t from)
{
    if (part.find('?') == std::string::npos)
        return text.find(part, from);
    for (std::size_t at = from; at + part.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < part.size() && (part[i] == '?' || part[i] == text[at + i]))
            ++i;
        if (i == part.size())
            return at;
    }
    return std::string_view::npos;
}

} // namespace

EntryFilter::EntryFilter(std::string_view text) : empty_(text.empty())
{
    std::string part;
    for (char c : text) {
        if (c != '*') {
            part += static_cast<char>(FoldCase(c));
        } else if (!part.empty()) {
            parts_.push_back(std::move(part));
            part.clear();
        }
    }
    if (!part.empty())
        parts_.push_back(std::move(part));
}

// The text may stand anywhere in the name: as if it began and ended with a
// '*'. Each part is then found at its first place after the one before it,
// which finds a match whenever there is one.
bool EntryFilter::Matches(std::string_view name) const
{
    if (parts_.empty())
        return true;
    folded_.resize(name.size());
    for (std::size_t i = 0; i < name.size(); ++i)
        folded_[i] = static_cast<char>(FoldCase(name[i]));
    const std::string_view text(folded_);
    std::size_t from = 0;
    for (const std::string& part : parts_) {
        const std::size_t at = FindPart(text, part, from);
        if (at == std::string_view::npos)
            return false;
        from = at + part.size();
    }
    return true;
}

std::vector<std::int32_t> FilterEntries(const std::vector<TFarEntry>& entries, std::string_view text)
{
    const EntryFilter filter(text);
    std::vector<std::int32_t> shown;
    shown.reserve(entries.size());
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
