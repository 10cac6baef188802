// The main window's texts and small rules that need no window: header lines,
// list lines, status texts, panel width, the pace of progress repaints, an
// entry's detail lines, the preview kind of a name and the pixel format of a
// bitmap file.
#pragma once

#include "archive/far_archive.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

// The four lines the details list shows after an archive is opened, and a
// fifth that names the format of a 1b archive.
std::vector<std::string> HeaderLines(const TFarArchive& archive);
// An entry's line in the entry list: its full name, or its name part
// (platform::NamePart).
std::string ListText(const TFarEntry& entry, bool viewPaths);
// "Loading " and the entry's full name.
std::string LoadingText(const TFarEntry& entry);
// The number of entries followed by " files loaded.".
std::string LoadedText(std::size_t count);
// "Extracting " and the entry's full name.
std::string ExtractingText(const TFarEntry& entry);
// "Editing " and the full name of the entry being edited.
std::string EditingText(const TFarEntry& entry);
// "Changed " and the full name of an entry whose edit gave it new bytes.
std::string EditChangedText(const TFarEntry& entry);
// The message box text when a file's bytes cannot replace an entry's: which
// entry, which file, and why.
std::string ReplaceFailedText(const TFarEntry& entry, const std::string& fileName, const std::string& reason);
// The message box text when an edit's bytes cannot be kept.
std::string EditNotKeptText(const TFarEntry& entry);
// The number of files written followed by " files extracted.".
std::string ExtractedText(std::size_t count);
// The summary of an extraction that could not write every entry:
// "N files extracted, M could not be written.".
std::string ExtractedWithFailuresText(std::size_t written, std::size_t failed);
// One entry that could not be extracted: its name and why.
struct TExtractFailure {
    std::string name;
    std::string reason;
};
// The error box's text for files that could not be added: one line each,
// the first ten of them, and how many more there were.
std::string AddFailuresText(const std::vector<TExtractFailure>& failures);
// The error box's text for entries that could not be extracted: one line
// each, the first ten of them, and how many more there were.
std::string ExtractFailuresText(const std::vector<TExtractFailure>& failures);
// The folder an archive lies in, as the folder dialog takes it: everything
// before the name's last backslash or colon, without a trailing backslash
// except for a drive's root (C:\). Empty for a name without a folder.
std::string ArchiveFolder(const std::string& fileName);
// The start of the name of a folder in the temporary folder in which a
// drag of entries offers them: "kelvo-drag-", the process id, "-" and a number.
inline constexpr const char* kDragFolderPrefix = "kelvo-drag-";
// True when a file is one a Kelvo program offers in a drag of entries: it
// lies in such a folder of tempFolder (the user's temporary folder, ending
// in a separator), in any letter case. Its bytes are gone when that drag's
// data is.
bool IsEntryDragFile(std::string_view name, std::string_view tempFolder);
// The save dialog's types, in the order of the formats (see TFarFormat),
// and the format of the type chosen (counted from 1) and back.
inline constexpr const char* kSaveTypes = "FAR 1a (*.far)|*.FAR|FAR 1b (*.far)|*.FAR|FAR 3 (*.far)|*.FAR";
TFarFormat SaveTypeFormat(int filterIndex);
int SaveTypeIndex(TFarFormat format);
// The message box texts of an archive that could not be opened or saved:
// which file, and why.
std::string OpenFailedText(const std::string& fileName, const std::string& reason);
std::string SaveFailedText(const std::string& fileName, const std::string& reason);
// Progress in whole percent: the integer part of index / count * 100.
int ProgressPercent(std::size_t index, std::size_t count);
// Status panel 0's width for a window of the given outer width: 80 %, rounded down.
int MessagePanelWidth(int outerWidth);

// The seven lines the details list shows for a selected entry, and for an
// entry of a version 3 archive three more: "Type ID: ", "File ID: " (in hex)
// and "Compressed: " ("Yes" or "No", as the archive stores it).
std::vector<std::string> EntryDetailLines(const TFarEntry& entry, TFarFormat format);
// "New Entry", "Changed Entry", "Marked for Deletion", or "Original Entry"
// for esOriginal and any value outside the enumeration.
std::string StateText(std::int32_t state);

// How an entry is previewed, by the extension of its name.
enum class PreviewKind { Bitmap, Tga, Iff, Data };
// The extension of a name (platform::Extension) in upper case.
std::string UpperExtension(std::string_view name);
// ".BMP" previews as a bitmap, ".TGA" as a Targa image, ".IFF" as its
// chunks, anything else as data.
PreviewKind PreviewKindOf(std::string_view name);

// "Bitmap Size: " and width x height.
std::string BitmapSizeLine(int width, int height);
// The pixel format of a bitmap as its bits per pixel: 1, 4, 8, 15 (5-5-5),
// 16 (5-6-5), 24 or 32; 0 for a device-dependent or custom format.
// fileStart is the start of the .bmp file (file header and info header; 66
// bytes are enough). Any bytes are safe: what cannot be read is format 0.
int BitmapPixelDepth(std::string_view fileStart);
inline constexpr std::size_t kBitmapFormatBytes = 66;
// "Pixel Depth/Colors: " and the depth and colours texts of a pixel format;
// any depth outside the table reads as 8 bits with 256 colours.
std::string PixelDepthLine(int depth);

// Lets a long loop repaint its progress at most about 30 times a second.
class ProgressPace {
public:
    using Clock = std::chrono::steady_clock;
    explicit ProgressPace(Clock::duration interval = std::chrono::milliseconds(33)) : interval_(interval) {}
    // True when the last repaint is at least one interval ago (and then counts as one).
    bool Due(Clock::time_point now = Clock::now());

private:
    Clock::duration interval_;
    Clock::time_point last_{};
    bool started_ = false;
};

} // namespace kelvo
