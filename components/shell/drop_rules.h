// The window-free rules of the drop targets: drag types and the other small
// sets, the choice of the drop effect from the allowed types and the keys
// held down, the auto-scroll margin, and the readers of the data blocks a
// drag hands over (the dropped-files block and the file name maps). The
// blocks come from other programs: the readers never read past a block's
// end, whatever its fields say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/enum_set.h"
#include "common/shift_state.h"

namespace kelvo {

enum TDragType : std::uint8_t { dtCopy, dtMove, dtLink };
using TDragTypes = EnumSet<TDragType>;

enum TScrollDirection : std::uint8_t { sdHorizontal, sdVertical };
using TScrollDirections = EnumSet<TScrollDirection>;

namespace drop {

// Drop effects, as the platform numbers them.
inline constexpr std::uint32_t kEffectNone = 0;
inline constexpr std::uint32_t kEffectCopy = 1;
inline constexpr std::uint32_t kEffectMove = 2;
inline constexpr std::uint32_t kEffectLink = 4;
inline constexpr std::uint32_t kEffectScroll = 0x80000000u;

// The key-state flags of the drag calls, as the platform numbers them.
inline constexpr std::uint32_t kKeyLeftButton = 0x01;
inline constexpr std::uint32_t kKeyRightButton = 0x02;
inline constexpr std::uint32_t kKeyShift = 0x04;
inline constexpr std::uint32_t kKeyControl = 0x08;
inline constexpr std::uint32_t kKeyMiddleButton = 0x10;
inline constexpr std::uint32_t kKeyAlt = 0x20;

TShiftState ShiftStateFromKeys(std::uint32_t keyState);

// The effects offered by the source less copy, move and link where the
// target's drag types lack them.
std::uint32_t AllowedEffects(TDragTypes dragTypes, std::uint32_t offered);

// Where the pointer scrolls the control under it: within margin pixels of
// an edge, in the directions the control has scroll bars for.
struct ScrollZone {
    TScrollDirections directions;
    int margin = 0;
    int width = 0;  // of the control's client area
    int height = 0;
};
bool InScrollMargin(const ScrollZone& zone, int x, int y);

// The built-in choice among the allowed effects: link for Shift and Ctrl,
// move for Shift alone, otherwise the first allowed of copy, move, link;
// plus the scroll flag (even on no effect) when the point (client
// coordinates) lies in the scroll margin.
std::uint32_t BuiltInDropEffect(TShiftState shift, int x, int y, std::uint32_t allowed, const ScrollZone& zone);

// One auto-scroll step at the point: -1 (up or left), 0 or +1 (down or
// right) for each axis, within margin pixels of the client area's edges.
struct ScrollStep {
    int vertical = 0;
    int horizontal = 0;
    bool operator==(const ScrollStep&) const = default;
};
ScrollStep ScrollStepAt(int x, int y, int margin, int width, int height);

// Appends the file names of a dropped-files block to files, in order: a
// 20-byte header (offset of the names, the drop point, the non-client flag,
// the wide flag), then at the offset the names, each ended by a zero
// character, the list ended by an empty name. Wide names are UTF-16 and
// come out in the ANSI code page. A name that the block ends before its
// terminator is not taken; a block too short for its header, or whose
// offset lies outside it, gives nothing. Returns the number of names taken.
std::size_t AppendDroppedFiles(std::span<const std::uint8_t> block, std::vector<std::string>& files);

// The names of a file name map (ANSI, or UTF-16 when wide), up to the first
// empty name. The map belongs to a list of fileCount files: a map of
// another length is wrong and gives no names at all.
std::vector<std::string> ReadNameMap(std::span<const std::uint8_t> block, bool wide, std::size_t fileCount);

} // namespace drop
} // namespace kelvo
