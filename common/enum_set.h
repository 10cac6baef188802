// A set of the values of a small enumeration (at most eight values), one
// bit per value: bit n stands for the value n. The shell components' option
// sets, drag types and shift states are such sets.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace kelvo {

template <typename Enum>
class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<Enum> values)
    {
        for (Enum value : values)
            Include(value);
    }

    constexpr bool Contains(Enum value) const { return (bits_ & Bit(value)) != 0; }
    constexpr void Include(Enum value) { bits_ = static_cast<std::uint8_t>(bits_ | Bit(value)); }
    constexpr void Exclude(Enum value) { bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(value)); }
    constexpr bool IsEmpty() const { return bits_ == 0; }
    constexpr std::uint8_t Bits() const { return bits_; }
    constexpr bool operator==(const EnumSet&) const = default;

private:
    static constexpr std::uint8_t Bit(Enum value)
    {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(value));
    }
    std::uint8_t bits_ = 0;
};

} // namespace kelvo
