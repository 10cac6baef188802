#include "components/hexview/print_layout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kelvo {

namespace {

// text padded on the left with fill to width characters.
std::string PadLeft(std::string text, std::int32_t width, char fill)
{
    if (static_cast<std::int64_t>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), fill);
    return text;
}

std::string HexDigits(std::uint32_t value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

std::string OffsetText(TOffsetDisplayStyle style, std::int32_t lineStart, std::int32_t width)
{
    switch (style) {
    case odHex: return "0x" + PadLeft(HexDigits(static_cast<std::uint32_t>(lineStart)), width - 3, '0');
    case odDec: return PadLeft(std::to_string(lineStart), width - 1, ' ');
    case odOctal: return "o " + PadLeft(IntToOctal(lineStart), width - 3, '0');
    case odNone: break;
    }
    return {};
}

void AppendByte(std::string& line, TOffsetDisplayStyle style, std::uint8_t value, bool swapNibbles)
{
    switch (style) {
    case odHex: {
        char digits[3];
        ConvertBinToHex(&value, digits, 1, swapNibbles);
        line.append(digits, 2);
        break;
    }
    case odDec: line += PadLeft(std::to_string(value), 3, ' '); break;
    case odOctal: line += PadLeft(IntToOctal(value), 4, '0'); break;
    case odNone: break;
    }
}

// Characters a byte takes in the byte field: what a missing byte is padded with.
std::size_t ByteWidth(TOffsetDisplayStyle style)
{
    switch (style) {
    case odHex: return 2;
    case odDec: return 3;
    case odOctal: return 4;
    case odNone: break;
    }
    return 0;
}

void AppendSeparator(std::string& line, char separator)
{
    if (separator != '\0')
        line += separator;
}

} // namespace

std::string BuildPrintLine(const HexPrintSettings& settings, const HexPrintChars& chars,
                           std::int32_t lineStart, std::span<const std::uint8_t> bytes,
                           std::int32_t offsetWidth)
{
    const std::int32_t perLine = settings.BytesPerLine;
    const std::int32_t perColumn = settings.BytesPerColumn;
    if (perLine < 1 || perColumn < 1)
        return {};
    bytes = bytes.first(std::min(bytes.size(), static_cast<std::size_t>(perLine)));

    std::string line = OffsetText(settings.OffsetDisplay, lineStart, offsetWidth);
    AppendSeparator(line, settings.OffsetSeparator);
    if (settings.MemFieldDisplay != odNone) {
        for (std::int32_t k = 1; k <= perLine; ++k) {
            const auto index = static_cast<std::size_t>(k - 1);
            if (index < bytes.size())
                AppendByte(line, settings.MemFieldDisplay, bytes[index], settings.SwapNibbles);
            else
                line.append(ByteWidth(settings.MemFieldDisplay), ' ');
            if (k % perColumn == 0)
                line += ' ';
        }
    }
    AppendSeparator(line, settings.MemFieldSeparator);
    if (settings.DisplayCharField) {
        for (const std::uint8_t value : bytes)
            line += static_cast<char>(TranslateToAnsiChar(chars.translation, value, chars.maskWhiteSpaces,
                                                          static_cast<std::uint8_t>(chars.maskChar)));
        line.append(static_cast<std::size_t>(perLine) - bytes.size(), ' ');
    }
    AppendSeparator(line, settings.CharFieldSeparator);
    return line;
}

PrintPageResult LayoutPrintPage(HexDocument& document, const HexPrintSettings& settings,
                                const HexPrintChars& chars, std::int32_t offsetWidth,
                                const PrintArea& area, int fontSize, std::int32_t start,
                                std::int32_t end, std::string_view header,
                                std::string_view footer, PrintSurface& surface)
{
    PrintPageResult result;
    const std::int32_t perLine = settings.BytesPerLine;
    if (perLine < 1 || settings.BytesPerColumn < 1)
        return result;
    // A negative start prints from the first byte.
    start = std::max(start, 0);
    end = std::min(end, document.GetDataSize() - 1);
    if (start > end)
        return result;

    std::vector<std::uint8_t> bytes;
    const auto buildLine = [&](std::int32_t lineStart) {
        const std::int64_t count = std::min<std::int64_t>(perLine, std::int64_t{end} - lineStart + 1);
        bytes.resize(static_cast<std::size_t>(count));
        bytes.resize(static_cast<std::size_t>(
            document.GetMemAtPos(bytes.data(), lineStart, static_cast<std::int32_t>(count))));
        return BuildPrintLine(settings, chars, lineStart, bytes, offsetWidth);
    };
    std::string line = buildLine(start);

    int size = std::clamp(fontSize, kMinPrintFontSize, kMaxPrintFontSize);
    const auto widthAt = [&](int newSize) {
        size = newSize;
        surface.SetFontSize(size);
        return std::int64_t{surface.TextExtent(line).width};
    };
    const std::int64_t areaWidth = std::int64_t{area.Right} - area.Left;
    std::int64_t width = widthAt(size);
    if (settings.StretchToFit) {
        while (width < areaWidth && size < kMaxPrintFontSize)
            width = widthAt(size + 1);
        while (width > areaWidth && size > kMinPrintFontSize)
            width = widthAt(size - 1);
    }
    if (settings.ShrinkToFit) {
        while (width > areaWidth && size > kMinPrintFontSize)
            width = widthAt(size - 1);
    }
    result.fontSize = size;

    const std::int32_t textHeight = surface.TextExtent(line).height;
    std::int64_t lineHeight = std::lround(textHeight * 1.2);
    if (lineHeight == textHeight)
        ++lineHeight;
    result.lineHeight = static_cast<int>(lineHeight);

    std::int64_t y = area.Top;
    if (!header.empty()) {
        surface.WriteText(area.Left, static_cast<std::int32_t>(y), header);
        y += lineHeight;
    }
    std::int64_t bottom = area.Bottom;
    if (!footer.empty())
        bottom -= lineHeight;

    std::int64_t pos = start;
    while (y + lineHeight <= bottom) {
        surface.WriteText(area.Left, static_cast<std::int32_t>(y), line);
        pos += perLine;
        if (pos > end) {
            pos = std::int64_t{end} + 1;
            break;
        }
        line = buildLine(static_cast<std::int32_t>(pos));
        y += lineHeight;
    }
    result.next = static_cast<std::int32_t>(pos);

    if (!footer.empty()) {
        const std::int64_t footerY = std::max<std::int64_t>(bottom, std::numeric_limits<std::int32_t>::min());
        surface.WriteText(area.Left, static_cast<std::int32_t>(footerY), footer);
    }
    return result;
}

} // namespace kelvo
