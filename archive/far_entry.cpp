#include "archive/far_archive.h"

#include <cstring>
#include <ostream>
#include <utility>

namespace kelvo {

TEntryName::TEntryName(const TEntryName& other)
{
    if (other.owned_) {
        Assign(other);
    } else {
        data_ = other.data_;
        size_ = other.size_;
    }
}

TEntryName::TEntryName(TEntryName&& other) noexcept : data_(other.data_), size_(other.size_), owned_(other.owned_)
{
    other.data_ = "";
    other.size_ = 0;
    other.owned_ = false;
}

TEntryName& TEntryName::operator=(const TEntryName& other)
{
    if (this != &other)
        *this = TEntryName(other);
    return *this;
}

TEntryName& TEntryName::operator=(TEntryName&& other) noexcept
{
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, "");
        size_ = other.size_;
        owned_ = other.owned_;
        other.size_ = 0;
        other.owned_ = false;
    }
    return *this;
}

TEntryName TEntryName::View(const char* data, std::uint32_t size)
{
    TEntryName name;
    name.data_ = size == 0 ? "" : data;
    name.size_ = size;
    return name;
}

void TEntryName::Assign(std::string_view text)
{
    if (text.empty())
        return;
    char* copy = new char[text.size()];
    std::memcpy(copy, text.data(), text.size());
    data_ = copy;
    size_ = static_cast<std::uint32_t>(text.size());
    owned_ = true;
}

void TEntryName::Release()
{
    if (owned_)
        delete[] data_;
    data_ = "";
    size_ = 0;
    owned_ = false;
}

std::ostream& operator<<(std::ostream& out, const TEntryName& name) { return out << std::string_view(name); }

std::string_view TFarEntry::Text() const
{
    std::string_view name(Name);
    return name.substr(0, name.find('\0'));
}

bool TFarEntry::DataOnDisk() const
{
    TEntryState source = State == esDeleted ? BaseState : State;
    return source == esNew || source == esChanged;
}

std::string TFarEntry::DataFileName() const
{
    // A changed entry is read from its own file, never from its name; a
    // renamed added entry from the file it was added as.
    if (ChangedData())
        return Change->DataFile;
    const TEntryState source = State == esDeleted ? BaseState : State;
    if (source != esNew)
        return {};
    return Renamed() ? Change->OldName : std::string(Text());
}

bool TFarEntry::Added() const
{
    const TEntryState source = Change ? Change->BaseState : State == esDeleted ? BaseState : State;
    return source == esNew;
}

} // namespace kelvo
