#include "app/far_text.h"

#include "archive/name_case.h"
#include "platform/path.h"

#include <algorithm>
#include <cstdio>

namespace kelvo {

namespace {

std::string Signed(std::uint32_t value) { return std::to_string(static_cast<std::int32_t>(value)); }

// Little-endian unsigned integer of size bytes at offset; nothing when the
// bytes end before it.
bool ReadLE(std::string_view bytes, std::size_t offset, std::size_t size, std::uint32_t& value)
{
    if (offset > bytes.size() || bytes.size() - offset < size)
        return false;
    value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return true;
}

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12; // the OS/2 header: 16-bit sizes, no compression
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

} // namespace

std::vector<std::string> HeaderLines(const TFarArchive& archive) { return archive.HeaderLines(); }

std::string ListText(const TFarEntry& entry, bool viewPaths)
{
    return std::string(viewPaths ? entry.Text() : platform::NamePart(entry.Text()));
}

std::string LoadingText(const TFarEntry& entry) { return "Loading " + std::string(entry.Text()); }

std::string LoadedText(std::size_t count) { return std::to_string(count) + " files loaded."; }

std::string ExtractingText(const TFarEntry& entry) { return "Extracting " + std::string(entry.Text()); }

std::string EditingText(const TFarEntry& entry) { return "Editing " + std::string(entry.Text()); }

std::string EditChangedText(const TFarEntry& entry) { return "Changed " + std::string(entry.Text()); }

std::string EditNotKeptText(const TFarEntry& entry)
{
    return "The changed bytes of " + std::string(entry.Text()) +
           " cannot be kept: no file can be written in the temporary folder. The entry stays open for editing.";
}

std::string ExtractedText(std::size_t count) { return std::to_string(count) + " files extracted."; }

std::string ExtractedWithFailuresText(std::size_t written, std::size_t failed)
{
    return std::to_string(written) + " files extracted, " + std::to_string(failed) + " could not be written.";
}

namespace {

// A heading, then one line per failure, the first ten of them, and how many more there were.
std::string FailureList(std::string text, const std::vector<TExtractFailure>& failures)
{
    constexpr std::size_t kShown = 10;
    for (std::size_t i = 0; i < failures.size() && i < kShown; ++i)
        text += "\n" + failures[i].name + ": " + failures[i].reason;
    if (failures.size() > kShown)
        text += "\n... and " + std::to_string(failures.size() - kShown) + " more.";
    return text;
}

} // namespace

std::string ExtractFailuresText(const std::vector<TExtractFailure>& failures)
{
    return FailureList(failures.size() == 1 ? "This entry could not be extracted:\n"
                                            : std::to_string(failures.size()) + " entries could not be extracted:\n",
                       failures);
}

std::string AddFailuresText(const std::vector<TExtractFailure>& failures)
{
    return FailureList(failures.size() == 1 ? "This file could not be added:\n"
                                            : std::to_string(failures.size()) + " files could not be added:\n",
                       failures);
}

std::string ArchiveFolder(const std::string& fileName)
{
    std::string folder(platform::FolderPart(fileName));
    if (folder.empty())
        return {};
    if (folder.size() == 3 && folder[1] == ':')
        return folder; // a drive's root keeps its backslash
    if (folder.back() == '\\')
        folder.pop_back();
    return folder;
}


TFarFormat SaveTypeFormat(int filterIndex)
{
    return filterIndex == 2 ? ff1b : filterIndex == 3 ? ff3 : ff1a;
}

int SaveTypeIndex(TFarFormat format) { return static_cast<int>(format) + 1; }

bool IsEntryDragFile(std::string_view name, std::string_view tempFolder)
{
    const std::string prefix = std::string(tempFolder) + kDragFolderPrefix;
    if (name.size() <= prefix.size() || name.find_first_of("\\/", prefix.size()) == std::string_view::npos)
        return false;
    return std::equal(prefix.begin(), prefix.end(), name.begin(),
                      [](char a, char b) { return FoldCase(a) == FoldCase(b) || (a == '/' && b == '\\') || (a == '\\' && b == '/'); });
}

std::string ReplaceFailedText(const TFarEntry& entry, const std::string& fileName, const std::string& reason)
{
    return "The bytes of " + std::string(entry.Text()) + " cannot be replaced by " + fileName + ".\n\n" + reason;
}

std::string OpenFailedText(const std::string& fileName, const std::string& reason)
{
    return "Kelvo could not open " + fileName + ".\n\n" + reason;
}

std::string SaveFailedText(const std::string& fileName, const std::string& reason)
{
    return "Kelvo could not save " + fileName + ". The file on disk is unchanged.\n\n" + reason;
}

int ProgressPercent(std::size_t index, std::size_t count)
{
    return count == 0 ? 0 : static_cast<int>(static_cast<unsigned long long>(index) * 100 / count);
}

std::vector<std::string> EntryDetailLines(const TFarEntry& entry, TFarFormat format)
{
    std::vector<std::string> lines = {
        "Entry #: " + std::to_string(entry.Index),
        "Filename: " + std::string(platform::NamePart(entry.Text())),
        "Full Name: " + std::string(entry.Text()),
        "Raw Size: " + Signed(entry.RawSize),
        "Compressed Size: " + Signed(entry.CompressedSize),
        "File Offset: " + Signed(entry.FileOffset),
        "State: " + StateText(entry.State),
    };
    if (format == ff3) {
        char fileId[16];
        std::snprintf(fileId, sizeof fileId, "0x%08X", static_cast<unsigned>(entry.FileId));
        lines.push_back("Type ID: " + std::to_string(entry.TypeId));
        lines.push_back(std::string("File ID: ") + fileId);
        lines.push_back(std::string("Compressed: ") + (entry.StoredCompressed() ? "Yes" : "No"));
    }
    return lines;
}

std::string StateText(std::int32_t state)
{
    switch (state) {
    case esNew:
        return "New Entry";
    case esChanged:
        return "Changed Entry";
    case esDeleted:
        return "Marked for Deletion";
    default:
        return "Original Entry";
    }
}

std::string UpperExtension(std::string_view name)
{
    std::string extension(platform::Extension(name));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return extension;
}

PreviewKind PreviewKindOf(std::string_view name)
{
    const std::string extension = UpperExtension(name);
    if (extension == ".BMP")
        return PreviewKind::Bitmap;
    if (extension == ".TGA")
        return PreviewKind::Tga;
    if (extension == ".IFF")
        return PreviewKind::Iff;
    return PreviewKind::Data;
}

std::string BitmapSizeLine(int width, int height)
{
    return "Bitmap Size: " + std::to_string(width) + "x" + std::to_string(height);
}

int BitmapPixelDepth(std::string_view fileStart)
{
    const std::size_t info = kFileHeaderSize;
    std::uint32_t headerSize = 0;
    std::uint32_t bitCount = 0;
    if (!ReadLE(fileStart, info, 4, headerSize))
        return 0;
    if (headerSize == kCoreHeaderSize) {
        if (!ReadLE(fileStart, info + 10, 2, bitCount))
            return 0;
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 ? static_cast<int>(bitCount) : 0;
    }
    // Every longer header starts with the fields of BITMAPINFOHEADER.
    if (headerSize < 16 || !ReadLE(fileStart, info + 14, 2, bitCount))
        return 0;
    std::uint32_t compression = kBiRgb;
    if (headerSize >= 20 && !ReadLE(fileStart, info + 16, 4, compression))
        return 0;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
        return static_cast<int>(bitCount);
    case 16: {
        if (compression == kBiRgb)
            return 15;
        if (compression != kBiBitfields && compression != kBiAlphaBitfields)
            return 0;
        // The red, green and blue masks: inside the longer headers, right
        // after BITMAPINFOHEADER otherwise; at the same place either way.
        std::uint32_t red = 0, green = 0, blue = 0;
        if (!ReadLE(fileStart, info + 40, 4, red) || !ReadLE(fileStart, info + 44, 4, green) ||
            !ReadLE(fileStart, info + 48, 4, blue))
            return 0;
        if (red == 0xF800 && green == 0x07E0 && blue == 0x001F)
            return 16;
        if (red == 0x7C00 && green == 0x03E0 && blue == 0x001F)
            return 15;
        return 0;
    }
    default:
        return 0;
    }
}

std::string PixelDepthLine(int depth)
{
    const char* text = "8/256";
    switch (depth) {
    case 1:
        text = "1/2";
        break;
    case 4:
        text = "4/16";
        break;
    case 15:
        text = "15/64,000";
        break;
    case 16:
        text = "16/64,000";
        break;
    case 24:
        text = "24/16.7 Million";
        break;
    case 32:
        text = "32/16.7 Million";
        break;
    default:
        break;
    }
    return std::string("Pixel Depth/Colors: ") + text;
}

int MessagePanelWidth(int outerWidth) { return outerWidth * 8 / 10; }

bool ProgressPace::Due(Clock::time_point now)
{
    if (started_ && now - last_ < interval_)
        return false;
    started_ = true;
    last_ = now;
    return true;
}

} // namespace kelvo
