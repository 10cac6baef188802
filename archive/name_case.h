// Letter case in Windows-1252, the code page of entry names: what compares
// names and filters them in any letter case.
#pragma once

#include <array>

namespace kelvo {

// The 256 bytes with every capital letter of Windows-1252 turned into its
// small letter (A-Z, the accented capitals, Š, Œ, Ž and Ÿ); other bytes as
// they are.
inline constexpr std::array<unsigned char, 256> kFoldCaseTable = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) // the multiplication sign
            table[c] = static_cast<unsigned char>(c + 32);
    table[0x8A] = 0x9A; // Š
    table[0x8C] = 0x9C; // Œ
    table[0x8E] = 0x9E; // Ž
    table[0x9F] = 0xFF; // Ÿ
    return table;
}();

inline unsigned char FoldCase(char c) { return kFoldCaseTable[static_cast<unsigned char>(c)]; }

} // namespace kelvo
