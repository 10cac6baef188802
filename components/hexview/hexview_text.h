// The hex view's character codes and text conversions: the five codes the
// data may be in, the fixed tables between them and ANSI, the buffer and
// single-character translations, the re-encoding of a byte range, and the
// hex-text and octal conversions. Window-free; the OEM code page comes from
// the platform layer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvo {

// The code the hex view's data is in; shown and typed as ANSI.
enum TTranslationType : std::uint8_t {
    ttAnsi,   // the ANSI code page itself
    ttDos8,   // the OEM (DOS) code page, all 256 values
    ttASCII,  // 7-bit ASCII in the OEM code page
    ttMac,    // Macintosh Roman
    ttEBCDIC, // letters, digits and common punctuation of EBCDIC
};

// Macintosh Roman 0x80..0xFF to ANSI: index = Macintosh byte - 0x80.
extern const std::array<std::uint8_t, 128> ctMacToISO;
// ANSI 0x80..0xFF to Macintosh Roman: index = ANSI byte - 0x80; the inverse of ctMacToISO.
extern const std::array<std::uint8_t, 128> ctISOToMac;
// EBCDIC to ANSI, 0 where EBCDIC has no character.
extern const std::array<std::uint8_t, 256> ctEBCDICToISO;
// ANSI to EBCDIC, 0 where EBCDIC has no character.
extern const std::array<std::uint8_t, 256> ctISOToEBCDIC;

// Convert count bytes from ANSI into the code of type, or from the code of
// type into ANSI. Source and destination may be the same buffer (or overlap).
// A count below 1 converts nothing. ttASCII is handled as ttDos8 here.
void TranslateBufferFromAnsi(TTranslationType type, const void* source, void* destination,
                             std::ptrdiff_t count);
void TranslateBufferToAnsi(TTranslationType type, const void* source, void* destination,
                           std::ptrdiff_t count);

// The ANSI character shown for a data byte: maskChar for bytes that have no
// character in the code, and for control characters when maskWhiteSpaces.
std::uint8_t TranslateToAnsiChar(TTranslationType type, std::uint8_t value, bool maskWhiteSpaces,
                                 std::uint8_t maskChar);
// The data byte for a typed ANSI character; 0 when the code does not accept it.
std::uint8_t TranslateFromAnsiChar(TTranslationType type, std::uint8_t character);

// Whether a conversion of the bytes start..end (inclusive) from one code to
// another would change anything: false for an empty or reversed range, a
// range outside 0..dataSize-1, or equal codes.
bool ConvertRangeApplies(std::int64_t start, std::int64_t end, TTranslationType from,
                         TTranslationType to, std::int64_t dataSize);
// Re-encodes count bytes in place from one code to the other, through ANSI.
void ConvertBuffer(void* buffer, std::ptrdiff_t count, TTranslationType from, TTranslationType to);

// Writes two upper-case hex digits per source byte (high nibble first, low
// nibble first when swapNibbles) and a terminating zero at destination[2 *
// count]; destination must hold 2 * max(count, 0) + 1 characters. Returns destination.
char* ConvertBinToHex(const void* source, char* destination, std::ptrdiff_t count,
                      bool swapNibbles);
// Reads hex digits from count source characters, skipping every other
// character, and stores a byte per pair of digits (nibbles exchanged when
// swapNibbles); a last unpaired digit is dropped. destination must hold
// count / 2 bytes; it may be the source itself. resultCount receives the
// number of bytes stored. Returns destination.
void* ConvertHexToBin(const char* source, void* destination, std::ptrdiff_t count,
                      bool swapNibbles, std::ptrdiff_t& resultCount);

// Octal text with a leading "0": 0 gives "00", 8 gives "010". Negative
// values are taken as their 32-bit unsigned pattern.
std::string IntToOctal(std::int32_t value);

} // namespace kelvo
