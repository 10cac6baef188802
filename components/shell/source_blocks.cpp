#include "components/shell/source_blocks.h"

#include "platform/codepage.h"
#include "platform/path.h"

#include <algorithm>
#include <cstring>

namespace kelvo::drag {

namespace {

constexpr std::size_t kDroppedFilesHeader = 20;
// In the file descriptor after the count: the flags at 0, the name at 72.
constexpr std::size_t kDescriptorAt = 4;
constexpr std::size_t kNameInDescriptor = 72;
constexpr std::size_t kNameField = 260;

void PutUint32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void AppendUint32(Bytes& bytes, std::uint32_t value)
{
    bytes.resize(bytes.size() + 4);
    PutUint32(bytes, bytes.size() - 4, value);
}

void AppendNames(Bytes& bytes, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
    }
    bytes.push_back(0);
}

bool SameFolder(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

std::uint32_t EffectsOf(TDragTypes dragTypes)
{
    return drop::AllowedEffects(dragTypes, drop::kEffectCopy | drop::kEffectMove | drop::kEffectLink);
}

std::optional<TDragType> DropTypeOf(std::uint32_t effect)
{
    if (effect & drop::kEffectCopy)
        return dtCopy;
    if (effect & drop::kEffectMove)
        return dtMove;
    if (effect & drop::kEffectLink)
        return dtLink;
    return std::nullopt;
}

TDragResult DragResultOf(std::int32_t result, std::uint32_t effect, std::uint32_t allowed)
{
    switch (result) {
    case kResultOutOfMemory:
        return drOutMemory;
    case kResultCancel:
        return drCancel;
    case kResultDrop: {
        const std::optional<TDragType> type = DropTypeOf(effect & allowed);
        if (!type)
            return drCancel;
        return *type == dtCopy ? drDropCopy : *type == dtMove ? drDropMove : drDropLink;
    }
    default:
        return drUnknown;
    }
}

Bytes DroppedFilesBlock(const std::vector<std::string>& files)
{
    Bytes block(kDroppedFilesHeader, 0);
    PutUint32(block, 0, kDroppedFilesHeader);
    AppendNames(block, files);
    return block;
}

Bytes NameMapBlock(const std::vector<std::string>& names)
{
    Bytes block;
    AppendNames(block, names);
    return block;
}

Bytes WideNameMapBlock(const std::vector<std::string>& names)
{
    Bytes block;
    const auto append = [&](char16_t c) {
        block.push_back(static_cast<std::uint8_t>(c & 0xFF));
        block.push_back(static_cast<std::uint8_t>(c >> 8));
    };
    for (const std::string& name : names) {
        for (char16_t c : platform::AnsiToWide(name))
            append(c);
        append(0);
    }
    append(0);
    return block;
}

Bytes FileGroupDescriptorBlock(std::string_view fileName, std::uint32_t flags)
{
    Bytes block(kFileGroupDescriptorSize, 0);
    PutUint32(block, 0, 1);
    PutUint32(block, kDescriptorAt, flags);
    const std::size_t length = std::min(fileName.size(), kNameField - 1);
    std::memcpy(block.data() + kDescriptorAt + kNameInDescriptor, fileName.data(), length);
    return block;
}

Bytes EffectBlock(std::uint32_t effect)
{
    Bytes block;
    AppendUint32(block, effect);
    return block;
}

std::size_t ItemIdListSize(const std::uint8_t* list)
{
    std::size_t size = 0;
    for (std::size_t item; (item = list[size] | list[size + 1] << 8) != 0;)
        size += item;
    return size + 2;
}

Bytes IdListArrayBlock(std::span<const std::uint8_t> folder, const std::vector<std::span<const std::uint8_t>>& items)
{
    Bytes block;
    AppendUint32(block, static_cast<std::uint32_t>(items.size()));
    std::size_t offset = (items.size() + 2) * 4;
    AppendUint32(block, static_cast<std::uint32_t>(offset));
    offset += folder.size();
    for (const auto& item : items) {
        AppendUint32(block, static_cast<std::uint32_t>(offset));
        offset += item.size();
    }
    block.insert(block.end(), folder.begin(), folder.end());
    for (const auto& item : items)
        block.insert(block.end(), item.begin(), item.end());
    return block;
}

std::optional<FolderItems> SplitIntoFolder(const std::vector<std::string>& files)
{
    FolderItems split;
    for (const std::string& file : files) {
        const std::size_t folderLength = platform::FolderPart(file).size();
        if (folderLength < 2)
            return std::nullopt;
        const std::size_t slash = folderLength - 1;
        // A drive's root keeps its backslash: "C:" alone names the drive's current folder.
        const std::string_view folder(file.data(), slash == 2 && file[1] == ':' ? slash + 1 : slash);
        if (split.names.empty())
            split.folder = folder;
        else if (!SameFolder(split.folder, folder))
            return std::nullopt;
        split.names.push_back(file.substr(slash + 1));
    }
    return split;
}

} // namespace kelvo::drag
