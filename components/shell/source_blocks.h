// The window-free rules of the drag sources: the effects a drag offers, the
// drop type a finished drag asks for, the outcome of a drag, and the data
// blocks a source hands out in the shell's formats (the dropped-files block,
// the file name maps, the file-group descriptor, the ID-list array and the
// effect block), each built byte for byte in the platform's layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "components/shell/drop_rules.h"

namespace kelvo {

// How a drag ended.
enum TDragResult : std::uint8_t { drDropCopy, drDropMove, drDropLink, drCancel, drOutMemory, drUnknown };

namespace drag {

using Bytes = std::vector<std::uint8_t>;

// The results of the platform's drag loop that the outcome tells apart.
inline constexpr std::int32_t kResultDrop = 0x00040100;
inline constexpr std::int32_t kResultCancel = 0x00040101;
inline constexpr std::int32_t kResultOutOfMemory = static_cast<std::int32_t>(0x8007000Eu);

// The file descriptor flag asking the target to show its link interface.
inline constexpr std::uint32_t kLinkUiFlag = 0x8000;
inline constexpr std::size_t kFileGroupDescriptorSize = 336;

// Copy, move and link, each where the drag types hold it.
std::uint32_t EffectsOf(TDragTypes dragTypes);

// The first of copy, move and link in effect; none without any of them.
std::optional<TDragType> DropTypeOf(std::uint32_t effect);

// The outcome of a drag from the drag loop's result and the final effect:
// a drop with the first of copy, move and link that the allowed effects
// hold, cancel for a drop with none of them and for a cancel, out of memory,
// or unknown for anything else.
TDragResult DragResultOf(std::int32_t result, std::uint32_t effect, std::uint32_t allowed);

// A dropped-files block: the 20-byte header (names at offset 20, ANSI), every
// name with its terminating zero, then one more zero.
Bytes DroppedFilesBlock(const std::vector<std::string>& files);

// A file name map: every name with its terminating zero, then one more zero;
// the wide map in UTF-16, converted from the ANSI code page.
Bytes NameMapBlock(const std::vector<std::string>& names);
Bytes WideNameMapBlock(const std::vector<std::string>& names);

// A file-group descriptor for one file: the count 1, then one file
// descriptor with flags and the name (cut to 259 characters, zero-
// terminated); every other field zero.
Bytes FileGroupDescriptorBlock(std::string_view fileName, std::uint32_t flags);

// The 32-bit effect, as its own block.
Bytes EffectBlock(std::uint32_t effect);

// The size of an item-ID list starting at list: its items (each led by its
// 16-bit size) and the 16-bit zero that ends it.
std::size_t ItemIdListSize(const std::uint8_t* list);

// An ID-list array: the count of items, the offsets from the block's start
// of the folder's list and of each item's list, then those lists. Each list
// is given whole, with its terminating zero.
Bytes IdListArrayBlock(std::span<const std::uint8_t> folder, const std::vector<std::span<const std::uint8_t>>& items);

// Files split into the folder they all lie in and their names there. None
// when a file has no folder part or the files lie in several folders
// (folders are compared ignoring the case of ASCII letters). The folder
// keeps its backslash only when it is a drive's root ("C:\").
struct FolderItems {
    std::string folder;
    std::vector<std::string> names;
};
std::optional<FolderItems> SplitIntoFolder(const std::vector<std::string>& files);

} // namespace drag
} // namespace kelvo
