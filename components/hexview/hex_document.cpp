#include "components/hexview/hex_document.h"
#include "platform/path.h"

#include <algorithm>
#include <istream>
#include <limits>
#include <ostream>

namespace kelvo {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();

std::int32_t Clamp32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp(value, kInt32Min, kInt32Max));
}

// Digits of a non-negative value in a base, at least one.
int DigitCount(std::uint32_t value, std::uint32_t base)
{
    int digits = 1;
    while (value >= base) {
        value /= base;
        ++digits;
    }
    return digits;
}

std::string PadLeft(std::string text, std::int32_t width, char fill)
{
    if (static_cast<std::int32_t>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), fill);
    return text;
}

std::string UpperHex(std::uint32_t value)
{
    std::string text;
    do {
        text.insert(text.begin(), kHexDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

} // namespace

HexColor InverseColor(HexColor color)
{
    const HexColor red = 255 - (color & 0xFF);
    const HexColor green = 255 - ((color >> 8) & 0xFF);
    const HexColor blue = 255 - ((color >> 16) & 0xFF);
    return red | (green << 8) | (blue << 16);
}

// The working copy has a name other programs cannot guess, made as a new
// file (never through a link planted at it), so nobody else can hold or
// redirect it. When no file can be made the name is empty: opening the
// working copy fails later and the document stays empty.
std::string NewWorkingCopyName() { return platform::MakeUniqueFile(platform::TempFolder(), "", ".QZTF"); }

HexDocument::HexDocument() : workingCopyName_(NewWorkingCopyName()), cache_(kCacheSize)
{
    Markers.fill(-1);
}

HexDocument::~HexDocument()
{
    stream_.Close();
    if (platform::FileExists(workingCopyName_))
        platform::RemoveFile(workingCopyName_);
}

// --- The data ---------------------------------------------------------------

void HexDocument::FreeFile()
{
    if (!stream_.IsOpen())
        return;
    stream_.Close();
    // Reopening for creation empties the working copy and keeps its name.
    platform::File::Open(workingCopyName_, platform::File::Mode::CreateLocked);
    cacheBase_ = -1;
    cachedSize_ = -1;
}

bool HexDocument::TestStream()
{
    if (stream_.IsOpen())
        return true;
    stream_ = platform::File::Open(workingCopyName_, platform::File::Mode::CreateLocked);
    changes_.clear();
    cacheBase_ = -1;
    cachedSize_ = -1;
    return stream_.IsOpen();
}

bool HexDocument::LoadFile(const std::string& name, bool& readOnly)
{
    readOnly = true;
    {
        platform::File test = platform::File::Open(name, platform::File::Mode::ReadShared);
        if (!test.IsOpen())
            return false;
    }
    // Writable unless a holder keeps others from writing; like the read test
    // it shares the file, so a program that merely has it open does not
    // make it read-only.
    readOnly = !platform::File::Open(name, platform::File::Mode::ReadWriteShared).IsOpen();

    FreeFile();
    platform::File source = platform::File::Open(name, platform::File::Mode::Read);
    stream_ = platform::File::Open(workingCopyName_, platform::File::Mode::CreateLocked);
    const std::int64_t size = source.Size();
    const bool copied = source.IsOpen() && stream_.IsOpen() && size >= 0 &&
                        stream_.CopyFrom(source, 0, static_cast<std::uint64_t>(size)) &&
                        stream_.Seek(0);
    if (!copied)
        FreeFile();
    changes_.clear();
    CalcSizes();
    return copied;
}

bool HexDocument::LoadStream(std::istream& stream)
{
    FreeFile();
    std::vector<char> buffer;
    stream.clear();
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    stream.seekg(0, std::ios::beg);
    if (end >= 0 && stream) {
        buffer.resize(static_cast<std::size_t>(end));
        stream.read(buffer.data(), end);
        buffer.resize(static_cast<std::size_t>(stream.gcount()));
    } else {
        // A stream that cannot be positioned is read from where it stands.
        stream.clear();
        char chunk[65536];
        while (stream.read(chunk, sizeof chunk) || stream.gcount() > 0)
            buffer.insert(buffer.end(), chunk, chunk + stream.gcount());
    }
    stream_ = platform::File::Open(workingCopyName_, platform::File::Mode::CreateLocked);
    const bool written =
        stream_.IsOpen() && stream_.Write(buffer.data(), buffer.size()) && stream_.Seek(0);
    if (!written)
        FreeFile();
    changes_.clear();
    CalcSizes();
    return written;
}

bool HexDocument::SaveStream(std::ostream& stream)
{
    const std::int32_t size = GetDataSize();
    std::vector<char> buffer(static_cast<std::size_t>(size));
    if (GetMemAtPos(buffer.data(), 0, size) != size)
        return false;
    stream.write(buffer.data(), size);
    return !stream.fail();
}

bool HexDocument::SaveFile(const std::string& name)
{
    // Copied from the open working copy: it is never closed, so a failure
    // cannot lose it or leave the view reading a file that is gone.
    const std::int64_t size = stream_.IsOpen() ? stream_.Size() : 0;
    if (size < 0 || size > kInt32Max)
        return false;
    std::string output;
    bool copied;
    {
        platform::File to = platform::CreateReplacement(name, output);
        copied = to.IsOpen() && (size == 0 || to.CopyFrom(stream_, 0, static_cast<std::uint64_t>(size))) &&
                 to.Flush() && to.Close();
    }
    if (!copied || !platform::ReplaceWith(output, name)) {
        platform::RemoveFile(output);
        return false;
    }
    changes_.clear();
    return true;
}

bool HexDocument::MoveWorkingCopy(const std::string& name)
{
    stream_.Close();
    if (!platform::ReplaceWith(workingCopyName_, name)) {
        stream_ = platform::File::Open(workingCopyName_, platform::File::Mode::ReadWriteLocked);
        return false;
    }
    // The document goes on under a fresh name of its own: the old one now
    // names the caller's file.
    workingCopyName_ = NewWorkingCopyName();
    changes_.clear();
    CalcSizes();
    return true;
}

std::string HexDocument::BackupName(const std::string& name, const std::string& extension)
{
    return name.substr(0, name.size() - platform::Extension(name).size()) + extension;
}

bool HexDocument::CopyFileOver(const std::string& source, const std::string& target)
{
    platform::File from = platform::File::Open(source, platform::File::Mode::Read);
    if (!from.IsOpen())
        return false;
    const std::int64_t size = from.Size();
    // The copy is written beside the target and replaces it only when
    // complete: a failed copy leaves the old file as it was.
    std::string output;
    bool copied;
    {
        platform::File to = platform::CreateReplacement(target, output);
        copied = to.IsOpen() && size >= 0 && to.CopyFrom(from, 0, static_cast<std::uint64_t>(size)) && to.Flush() &&
                 to.Close();
    }
    if (copied && platform::ReplaceWith(output, target))
        return true;
    platform::RemoveFile(output);
    return false;
}

std::int32_t HexDocument::GetDataSize()
{
    if (cachedSize_ != -1 && cacheBase_ != -1)
        return cachedSize_;
    const std::int64_t size = stream_.IsOpen() ? stream_.Size() : 0;
    cachedSize_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(size, 0, kInt32Max));
    return cachedSize_;
}

std::string HexDocument::AsText()
{
    std::string text(static_cast<std::size_t>(GetDataSize()), '\0');
    text.resize(static_cast<std::size_t>(
        std::max(0, GetMemAtPos(text.data(), 0, static_cast<std::int32_t>(text.size())))));
    return text;
}

std::string HexDocument::AsHex(bool swapNibbles)
{
    const std::string data = AsText();
    std::string hex(2 * data.size() + 1, '\0');
    ConvertBinToHex(data.data(), hex.data(), static_cast<std::ptrdiff_t>(data.size()), swapNibbles);
    hex.pop_back();
    return hex;
}

int HexDocument::GetByteAtPos(std::int32_t pos)
{
    std::uint8_t value = 0;
    return GetMemAtPos(&value, pos, 1) == 1 ? value : -1;
}

void HexDocument::SetByteAtPos(std::int32_t pos, std::uint8_t value) { SetMemAtPos(&value, pos, 1); }

std::int32_t HexDocument::GetMemAtPos(void* buffer, std::int32_t pos, std::int32_t count)
{
    if (count <= 0 || !stream_.Seek(pos))
        return 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::int32_t done = 0;
    while (done < count) {
        const std::int64_t n = stream_.Read(bytes + done, static_cast<std::size_t>(count - done));
        if (n <= 0)
            break;
        done += static_cast<std::int32_t>(n);
    }
    return done;
}

void HexDocument::SetMemAtPos(const void* buffer, std::int32_t pos, std::int32_t count)
{
    if (count > 0 && stream_.Seek(pos))
        stream_.Write(buffer, static_cast<std::size_t>(count));
}

std::uint8_t HexDocument::GetMemory(std::int32_t pos)
{
    if (pos < 0 || pos >= GetDataSize())
        throw HexError("Invalid GetMemory index");
    return static_cast<std::uint8_t>(GetByteAtPos(pos));
}

void HexDocument::SetMemory(std::int32_t pos, std::uint8_t value)
{
    if (pos < 0 || pos >= GetDataSize())
        throw HexError("Invalid SetMemory index");
    SetByteAtPos(pos, value);
    InvalidateCache();
}

std::vector<std::uint8_t> HexDocument::BufferFromFile(std::int32_t pos, std::int32_t& count)
{
    const std::int32_t size = GetDataSize();
    if (pos < 0 || pos >= size)
        throw HexError("Invalid BufferFromFile argument");
    count = std::clamp(count, 0, size - pos);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
    count = GetMemAtPos(buffer.data(), pos, count);
    buffer.resize(static_cast<std::size_t>(count));
    return buffer;
}

// --- The read cache -----------------------------------------------------------

bool HexDocument::CacheCovers(std::int32_t pos) const
{
    return cacheBase_ != -1 && pos >= cacheBase_ &&
           std::int64_t{pos} + bytesPerLine_ <= std::int64_t{cacheBase_} + kCacheSize;
}

void HexDocument::CheckInternalBuffer(std::int32_t pos)
{
    if (CacheCovers(pos))
        return;
    cachedSize_ = -1;
    cacheBase_ = std::max<std::int32_t>(0, Clamp32(std::int64_t{pos} - kCacheSize / 2));
    const std::int32_t read = GetMemAtPos(cache_.data(), cacheBase_, kCacheSize);
    std::fill(cache_.begin() + read, cache_.end(), std::uint8_t{0});
}

std::uint8_t HexDocument::CachedByte(std::int32_t pos) const
{
    if (cacheBase_ == -1 || pos < cacheBase_ || std::int64_t{pos} - cacheBase_ >= kCacheSize)
        return 0;
    return cache_[static_cast<std::size_t>(pos - cacheBase_)];
}

void HexDocument::SetInternalBufferByte(std::int32_t pos, std::uint8_t value)
{
    if (CacheCovers(pos))
        cache_[static_cast<std::size_t>(pos - cacheBase_)] = value;
}

// --- Change flags -------------------------------------------------------------

bool HexDocument::HasChanged(std::int32_t pos, bool insertMode) const
{
    if (insertMode || pos < 0 || static_cast<std::size_t>(pos) >= changes_.size())
        return false;
    return changes_[static_cast<std::size_t>(pos)];
}

void HexDocument::CutChanges(std::int32_t pos)
{
    if (pos >= 0 && changes_.size() > static_cast<std::size_t>(pos))
        changes_.resize(static_cast<std::size_t>(pos));
}

void HexDocument::SetChanged(std::int32_t pos, bool value, bool insertMode)
{
    if (insertMode)
        changes_.clear();
    if (pos < 0)
        return;
    const auto index = static_cast<std::size_t>(pos);
    if (index >= changes_.size()) {
        if (!value)
            return;
        changes_.resize(index + 1);
    }
    changes_[index] = value;
}

// --- Layout -------------------------------------------------------------------

void HexDocument::SetBytesPerLine(std::int32_t n)
{
    if (n < 1 || n > 256)
        throw HexError("Invalid BytesPerLine argument");
    if (n == bytesPerLine_)
        return;
    lineOffsets_.clear();
    variableLineLength_ = false;
    bytesPerLine_ = n;
    CalcSizes();
}

void HexDocument::SetNibblesPerColumn(std::int32_t nibbles)
{
    // Columns are counted by dividing by this value: below 2 is refused.
    if (nibbles < 2)
        throw HexError("Invalid BytesPerColumn argument");
    nibblesPerColumn_ = nibbles;
}

void HexDocument::SetVariableLineLength(bool on)
{
    if (on == variableLineLength_)
        return;
    variableLineLength_ = on;
    CalcSizes();
}

std::int64_t HexDocument::LineStart(std::int64_t row) const
{
    // Lines past the list's end are full lines after its last entry.
    if (row < 0)
        return row * bytesPerLine_;
    if (lineOffsets_.empty())
        return row * bytesPerLine_;
    const auto last = static_cast<std::int64_t>(lineOffsets_.size()) - 1;
    if (row <= last)
        return lineOffsets_[static_cast<std::size_t>(row)];
    return lineOffsets_.back() + (row - last) * bytesPerLine_;
}

void HexDocument::FillLineOffsets(std::size_t entries)
{
    if (lineOffsets_.empty())
        lineOffsets_.push_back(0);
    while (lineOffsets_.size() < entries)
        lineOffsets_.push_back(lineOffsets_.back() + bytesPerLine_);
}

std::int32_t HexDocument::GetLineOffset(std::int32_t row)
{
    if (!variableLineLength_)
        return Clamp32(std::int64_t{row} * bytesPerLine_);
    return Clamp32(LineStart(row));
}

std::int32_t HexDocument::GetLineLength(std::int32_t row)
{
    if (!variableLineLength_)
        return bytesPerLine_;
    return Clamp32(LineStart(std::int64_t{row} + 1) - LineStart(row));
}

void HexDocument::SetLineLength(std::int32_t row, std::int32_t length)
{
    // Only the rows shown and the one after them can be set: the offsets are
    // kept for every row up to the one set, so a row far past the data would
    // cost memory in proportion to its number.
    if (length < 1 || length > bytesPerLine_ || row < 0 || row > rowCount_)
        throw HexError("Invalid Line Length argument");
    FillLineOffsets(static_cast<std::size_t>(row) + 2);
    const auto index = static_cast<std::size_t>(row);
    const std::int64_t d = (lineOffsets_[index + 1] - lineOffsets_[index]) - length;
    if (d == 0)
        return;
    for (std::size_t i = lineOffsets_.size() - 1; i > index; --i)
        lineOffsets_[i] -= d;
    if (variableLineLength_)
        CalcSizes();
}

void HexDocument::SetLineLengths(const std::vector<std::int32_t>& lengths)
{
    for (const std::int32_t length : lengths)
        if (length < 1 || length > bytesPerLine_)
            throw HexError("Invalid Line Length argument");
    lineOffsets_.clear();
    std::int64_t start = 0;
    for (const std::int32_t length : lengths) {
        lineOffsets_.push_back(start);
        start += length;
    }
    CalcSizes();
}

std::int32_t HexDocument::VariableRowCount()
{
    const std::int64_t size = GetDataSize();
    std::int64_t row = size / bytesPerLine_;
    std::int64_t offset = 0;
    while (size > offset) {
        offset = LineStart(row);
        ++row;
    }
    return Clamp32(std::max<std::int64_t>(0, row - 1));
}

void HexDocument::CalcSizes()
{
    cachedSize_ = -1;
    const std::int32_t size = GetDataSize();
    if (changes_.size() > static_cast<std::size_t>(size))
        changes_.resize(static_cast<std::size_t>(size));
    if (size >= 1) {
        rowCount_ = variableLineLength_
                        ? VariableRowCount()
                        : Clamp32((std::int64_t{size} + bytesPerLine_ - 1) / bytesPerLine_);
    } else {
        rowCount_ = 1;
        if (lineOffsets_.empty())
            SetLineLength(0, bytesPerLine_);
    }
    cacheBase_ = -1;
}

std::int32_t HexDocument::GetPosAtCursor(std::int32_t col, std::int32_t row, bool& inCharField)
{
    const std::int32_t n = bytesPerLine_;
    inCharField = col > 2 * n + 2;
    const std::int64_t start = GetLineOffset(row);
    const std::int64_t pos =
        inCharField ? start + (std::int64_t{col} - (2 * n + 3)) : start + (std::int64_t{col} - 2) / 2;
    return Clamp32(std::max<std::int64_t>(0, pos));
}

HexDocument::Cell HexDocument::GetCursorAtPos(std::int32_t pos, bool inCharField)
{
    if (pos < 0)
        return {2, 0};
    const std::int32_t n = bytesPerLine_;
    const std::int32_t row = GetRow(pos);
    const std::int64_t x = variableLineLength_ ? std::int64_t{pos} - GetLineOffset(row) : pos % n;
    return {Clamp32(inCharField ? 2 * n + 3 + x : 2 * x + 2), row};
}

std::int32_t HexDocument::GetOtherFieldCol(std::int32_t col, bool& inCharField) const
{
    const std::int32_t n = bytesPerLine_;
    inCharField = col > 2 * n + 2;
    if (inCharField)
        return Clamp32(2 * (std::int64_t{col} - (2 * n + 3)) + 2);
    return Clamp32(2 * n + 3 + (std::int64_t{col} - 2) / 2);
}

std::int32_t HexDocument::GetRow(std::int32_t pos)
{
    if (!variableLineLength_)
        return pos / bytesPerLine_;
    // Line starts rise with the row: the last row starting at or before pos.
    std::int32_t low = 0;
    std::int32_t high = rowCount_ - 1;
    while (low < high) {
        const std::int32_t middle = low + (high - low + 1) / 2;
        if (LineStart(middle) <= pos)
            low = middle;
        else
            high = middle - 1;
    }
    return std::max(0, low);
}

bool HexDocument::OutOfBounds(std::int32_t col, std::int32_t row)
{
    if (!variableLineLength_)
        return false;
    const std::int64_t n = bytesPerLine_;
    const std::int64_t length = GetLineLength(row);
    if (col > 2 * n + 2)
        return col > length + 2 * n + 2;
    return col > 2 * length + 1;
}

std::int32_t HexDocument::OffsetWidth(TOffsetDisplayStyle style)
{
    const auto last = static_cast<std::uint32_t>(std::max(0, GetLineOffset(rowCount_ - 1)));
    switch (style) {
    case odHex: return DigitCount(last, 16) + 3;
    case odDec: return DigitCount(last, 10) + 1;
    case odOctal: return DigitCount(last, 8) + 4;
    case odNone: break;
    }
    return 0;
}

std::int32_t HexDocument::ColumnWidth(std::int32_t col, std::int32_t charWidth,
                                      std::int32_t offsetWidth, bool showMarkerColumn) const
{
    const std::int32_t n = bytesPerLine_;
    if (col < 0 || col > 3 * n + 2)
        return 0;
    if (col == 0)
        return offsetWidth * charWidth;
    if (col == 1)
        return showMarkerColumn ? charWidth : 0;
    if (col <= 2 * n + 1 && col % nibblesPerColumn_ == 1)
        return 2 * charWidth;
    return charWidth;
}

// --- What a cell shows ----------------------------------------------------------

HexCellLook HexDocument::CellLook(std::int32_t col, std::int32_t row, const Appearance& look,
                                  std::int32_t offsetWidth)
{
    const HexColors& colors = look.colors;
    const std::int32_t n = bytesPerLine_;
    HexCellLook cell;
    cell.text = " ";
    cell.textColor = look.fontColor;
    cell.background = colors.Background;

    if (row == 0 && GetDataSize() < 1) {
        cell.text = "   ";
        if (col == 0) {
            switch (look.offsetDisplay) {
            case odHex: cell.text = std::string("0x0") + look.offsetSeparator; break;
            case odDec: cell.text = std::string("0") + look.offsetSeparator; break;
            case odOctal: cell.text = std::string("o 0") + look.offsetSeparator; break;
            case odNone: break;
            }
        }
        cell.textColor = colors.Offset;
        return cell;
    }

    const std::int32_t start = GetLineOffset(row);
    if (col == 0) {
        const auto value = static_cast<std::uint32_t>(std::max(0, start));
        switch (look.offsetDisplay) {
        case odHex:
            cell.text = "0x" + PadLeft(UpperHex(value), offsetWidth - 3, '0') + look.offsetSeparator;
            break;
        case odDec:
            cell.text = PadLeft(std::to_string(value), offsetWidth - 1, ' ') + look.offsetSeparator;
            break;
        case odOctal:
            cell.text = "o " + PadLeft(IntToOctal(static_cast<std::int32_t>(value)), offsetWidth - 3, '0') +
                        look.offsetSeparator;
            break;
        case odNone: break;
        }
        cell.textColor = colors.Offset;
        return cell;
    }

    if (col == 1) {
        const auto marker = std::find(Markers.begin(), Markers.end(), row);
        if (marker != Markers.end()) {
            cell.text = std::string(1, static_cast<char>('0' + (marker - Markers.begin())));
            cell.textColor = colors.PositionText;
            cell.background = colors.PositionBackground;
            cell.markerFont = true;
        }
        return cell;
    }

    if (col < 0 || col == 2 * n + 2 || col > 3 * n + 2)
        return cell;

    CheckInternalBuffer(start);
    bool inCharField = false;
    const std::int32_t pos = GetPosAtCursor(col, row, inCharField);
    if (pos >= GetDataSize() || (variableLineLength_ && OutOfBounds(col, row)))
        return cell;

    const std::uint8_t value = CachedByte(pos);
    if (inCharField) {
        cell.text = std::string(1, static_cast<char>(TranslateToAnsiChar(
                                       look.translation, value, look.maskWhiteSpaces,
                                       static_cast<std::uint8_t>(look.maskChar))));
    } else {
        const bool highNibble = ((col - 2) % 2 == 1) == look.swapNibbles;
        cell.text = std::string(1, kHexDigits[highNibble ? value >> 4 : value & 0xF]);
    }

    const bool changed = HasChanged(pos, look.insertMode);
    const bool firstGroup = ((col - 2) / nibblesPerColumn_) % 2 == 0;
    if (changed) {
        cell.textColor = colors.ChangedText;
        cell.background = colors.ChangedBackground;
    } else if (!inCharField) {
        cell.textColor = firstGroup ? colors.OddColumn : colors.EvenColumn;
    }
    if (IsSelected(pos)) {
        std::swap(cell.textColor, cell.background);
        if (!changed && !inCharField)
            cell.textColor = firstGroup ? colors.OddInverse() : colors.EvenInverse();
    }
    return cell;
}

} // namespace kelvo
