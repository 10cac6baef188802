#include "components/shell/drop_rules.h"

#include "platform/codepage.h"

#include <iterator>
#include <utility>

namespace kelvo::drop {

namespace {

// The dropped-files header: names offset, point x, point y, non-client flag, wide flag.
constexpr std::size_t kDroppedFilesHeader = 20;
constexpr std::size_t kWideFlagAt = 16;

std::uint32_t ReadUint32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The zero-terminated names at the start of bytes, up to the first empty
// name or the last terminator inside bytes. Wide names are little-endian
// UTF-16 (a last odd byte belongs to no character).
std::vector<std::string> ReadNames(std::span<const std::uint8_t> bytes, bool wide)
{
    std::vector<std::string> names;
    std::string name;
    std::u16string wideName;
    const std::size_t unit = wide ? 2 : 1;
    for (std::size_t at = 0; at + unit <= bytes.size(); at += unit) {
        const char16_t c = wide ? static_cast<char16_t>(bytes[at] | bytes[at + 1] << 8) : bytes[at];
        if (c != 0) {
            wide ? wideName.push_back(c) : name.push_back(static_cast<char>(c));
            continue;
        }
        if (wide)
            name = platform::WideToAnsi(wideName);
        if (name.empty())
            break;
        names.push_back(std::move(name));
        name.clear();
        wideName.clear();
    }
    return names;
}

} // namespace

TShiftState ShiftStateFromKeys(std::uint32_t keyState)
{
    TShiftState shift;
    const std::pair<std::uint32_t, TShiftStateItem> keys[] = {
        {kKeyShift, ssShift},        {kKeyControl, ssCtrl},        {kKeyAlt, ssAlt},
        {kKeyLeftButton, ssLeft},    {kKeyRightButton, ssRight},   {kKeyMiddleButton, ssMiddle},
    };
    for (const auto& [flag, item] : keys) {
        if (keyState & flag)
            shift.Include(item);
    }
    return shift;
}

std::uint32_t AllowedEffects(TDragTypes dragTypes, std::uint32_t offered)
{
    if (!dragTypes.Contains(dtCopy))
        offered &= ~kEffectCopy;
    if (!dragTypes.Contains(dtMove))
        offered &= ~kEffectMove;
    if (!dragTypes.Contains(dtLink))
        offered &= ~kEffectLink;
    return offered;
}

bool InScrollMargin(const ScrollZone& zone, int x, int y)
{
    if (zone.directions.Contains(sdHorizontal) && (x < zone.margin || x > zone.width - zone.margin))
        return true;
    return zone.directions.Contains(sdVertical) && (y < zone.margin || y > zone.height - zone.margin);
}

std::uint32_t BuiltInDropEffect(TShiftState shift, int x, int y, std::uint32_t allowed, const ScrollZone& zone)
{
    const bool shiftDown = shift.Contains(ssShift);
    const bool ctrlDown = shift.Contains(ssCtrl);
    std::uint32_t effect = kEffectNone;
    if (shiftDown && ctrlDown && (allowed & kEffectLink))
        effect = kEffectLink;
    else if (shiftDown && !ctrlDown && (allowed & kEffectMove))
        effect = kEffectMove;
    else {
        for (std::uint32_t candidate : {kEffectCopy, kEffectMove, kEffectLink}) {
            if (allowed & candidate) {
                effect = candidate;
                break;
            }
        }
    }
    if (InScrollMargin(zone, x, y))
        effect |= kEffectScroll;
    return effect;
}

ScrollStep ScrollStepAt(int x, int y, int margin, int width, int height)
{
    ScrollStep step;
    if (y < margin)
        step.vertical = -1;
    else if (height - margin < y)
        step.vertical = 1;
    if (x < margin)
        step.horizontal = -1;
    else if (width - margin < x)
        step.horizontal = 1;
    return step;
}

std::size_t AppendDroppedFiles(std::span<const std::uint8_t> block, std::vector<std::string>& files)
{
    if (block.size() < kDroppedFilesHeader)
        return 0;
    const std::uint32_t offset = ReadUint32(block, 0);
    if (offset > block.size())
        return 0;
    std::vector<std::string> names = ReadNames(block.subspan(offset), ReadUint32(block, kWideFlagAt) != 0);
    files.insert(files.end(), std::make_move_iterator(names.begin()), std::make_move_iterator(names.end()));
    return names.size();
}

std::vector<std::string> ReadNameMap(std::span<const std::uint8_t> block, bool wide, std::size_t fileCount)
{
    std::vector<std::string> names = ReadNames(block, wide);
    if (names.size() != fileCount)
        names.clear();
    return names;
}

} // namespace kelvo::drop
