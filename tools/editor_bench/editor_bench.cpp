// Times the editor's main window, created in this process. Not a test: it
// prints figures.
//  - open: FMHOpen reads the manifest, shows the header and fills the entry
//    list with progress in the status bar.
//  - preview: an entry of the given size is selected and shown in hex mode,
//    from the selection to the painted dump, and the dump is paged through;
//    then text entries of 4 and 32 MiB are shown in text mode, from the
//    selection to the painted text, with the working set they add.
//  - entries: Add Directory over a tree of small files and Extract
//    Directory of an archive of them (the same archive kelvo-bench extracts).
//  - iff: an IFF entry of the given number of chunks (10 MB in all) is
//    selected until its chunk list shows; then chunks of 1 MB (a string
//    table, a bitmap, a behaviour shown as hex) are selected until they show.
//  - edit: an entry of the given size is edited at its end; ending the edit
//    (its working copy becoming the entry's data) as another entry is
//    selected, and saves with and without that changed entry.
//  - sprite: an SPR2 chunk of 64 frames of 136 x 384 pixels (colour, z and
//    alpha) is selected in an IFF entry's chunk list until its first frame
//    is painted.
// Usage: kelvo-editor-bench [open [ENTRIES...]] [preview [MIB]] [entries [COUNT]] [iff [CHUNKS]] [edit [MIB]] [sprite]
//        (default: open 50000 500000, preview 100, entries 20000, iff 2000, edit 100, sprite)
#include "app/commands.h"
#include "app/far_dlg.h"
#include "components/shell/shell_init.h"
#include "tests/win32/folder_dialog_answers.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sprite_writer.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class Silent : public kelvo::TFileMenuServices, public kelvo::TFarDlgServices {
public:
    kelvo::TSaveAnswer AskSaveChanges(const std::string&, const std::string&) override { return kelvo::TSaveAnswer::saNo; }
    void ShowNotFound(const std::string&) override {}
    bool FileExists(const std::string& name) override { return kelvo::platform::FileExists(name); }
    int ParamCount() override { return 0; }
    std::string ParamStr(int) override { return {}; }
    void ShowMessage(const std::string&) override {}
    void ShowError(const std::string& text, const std::string&) override { std::printf("error: %s\n", text.c_str()); }
    bool AskYesNo(const std::string&) override { return false; }
    std::optional<std::string> AskEntryName(const std::string&, bool&) override { return std::nullopt; }
};

// An archive of empty entries named like a game's objects.
std::string MakeArchive(int entries)
{
    std::vector<kelvo::sample::SampleFile> files(static_cast<std::size_t>(entries));
    char name[64];
    for (int i = 0; i < entries; ++i) {
        std::snprintf(name, sizeof name, "Objects\\Folder%03d\\Object%06d.iff", i % 500, i);
        files[static_cast<std::size_t>(i)].name = name;
    }
    return kelvo::sample::FarImage(files);
}

// Printable text lines without a zero byte, so text mode shows all of it.
std::string TextBytes(std::size_t bytes)
{
    std::string text(bytes, ' ');
    for (std::size_t i = 0; i < bytes; ++i)
        text[i] = i % 64 == 63 ? '\n' : static_cast<char>(' ' + (i * 7 + i / 4096) % 95);
    return text;
}

// The sizes of the texts shown in text mode, and the targets from the
// selection to the painted text.
constexpr int kTextMebibytes[] = {4, 32};
constexpr double kTextTargetSeconds[] = {0.5, 2.0};

// The large entry first, then the texts for text mode.
std::string MakePreviewArchive(std::size_t bytes)
{
    std::vector<kelvo::sample::SampleFile> files(1);
    files[0].name = "Objects\\Large.dat";
    files[0].data = TextBytes(bytes);
    for (int mebibytes : kTextMebibytes) {
        files.push_back({"Objects\\Text" + std::to_string(mebibytes) + ".txt",
                         TextBytes(static_cast<std::size_t>(mebibytes) << 20)});
    }
    return kelvo::sample::FarImage(files);
}

double MegaBytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

struct Memory {
    double workingSet, peak;
};

Memory MemoryNow()
{
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return {MegaBytes(memory.WorkingSetSize), MegaBytes(memory.PeakWorkingSetSize)};
}

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string WriteArchive(const std::string& bytes)
{
    const std::string path = kelvo::platform::TempFolder() + "kelvo-editor-bench.far";
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void BenchOpen(kelvo::TFarDlg& window, const std::vector<int>& sizes)
{
    std::printf("%10s %12s %14s %14s\n", "entries", "open+list s", "working set MB", "peak MB");
    for (int entries : sizes) {
        const std::string path = WriteArchive(MakeArchive(entries));
        window.FMHNew("");
        const auto start = Clock::now();
        const bool opened = window.FMHOpen(path);
        const double seconds = SecondsSince(start);
        const Memory memory = MemoryNow();
        std::printf("%10d %12.3f %14.1f %14.1f%s\n", entries, seconds, memory.workingSet, memory.peak,
                    opened ? "" : "  (open failed)");
        window.FMHNew("");
        kelvo::platform::RemoveFile(path);
    }
}

// From the selection to the painted preview of an entry.
double TimedShowEntry(kelvo::TFarDlg& window, int position)
{
    const auto start = Clock::now();
    window.FileListBox().SetItemIndex(position);
    window.ShowEntry();
    UpdateWindow(window.Handle());
    UpdateWindow(window.HexViewer().Handle());
    UpdateWindow(window.TextViewer().Handle());
    return SecondsSince(start);
}

void BenchPreview(kelvo::TFarDlg& window, int mebibytes)
{
    const Memory before = MemoryNow();
    const std::string path = WriteArchive(MakePreviewArchive(static_cast<std::size_t>(mebibytes) << 20));
    window.FMHNew("");
    if (!window.FMHOpen(path)) {
        std::printf("preview: the archive could not be opened\n");
        return;
    }
    std::printf("\nPreview of a %d MiB entry (hex mode unless said)\n", mebibytes);
    for (int turn = 1; turn <= 3; ++turn)
        std::printf("  select to painted dump, turn %d: %8.3f s\n", turn, TimedShowEntry(window, 0));
    if (!IsWindowVisible(window.HexViewer().Handle()))
        std::printf("  (the hex view is not showing)\n");
    const Memory previewing = MemoryNow();

    HWND hex = window.HexViewer().Handle();
    constexpr int kPages = 500;
    auto start = Clock::now();
    for (int i = 0; i < kPages; ++i) {
        SendMessageA(hex, WM_VSCROLL, SB_PAGEDOWN, 0);
        UpdateWindow(hex);
    }
    const double pageSeconds = SecondsSince(start) / kPages;
    start = Clock::now();
    SendMessageA(hex, WM_VSCROLL, SB_BOTTOM, 0);
    UpdateWindow(hex);
    SendMessageA(hex, WM_VSCROLL, SB_TOP, 0);
    UpdateWindow(hex);
    const double jumpSeconds = SecondsSince(start) / 2;
    std::printf("  page down with repaint:         %8.3f ms a page (%d pages)\n", pageSeconds * 1000, kPages);
    std::printf("  jump to the end or start:       %8.3f ms\n", jumpSeconds * 1000);
    std::printf("  memory while previewing: working set %.1f MB (before the archive was made: %.1f MB)\n",
                previewing.workingSet, before.workingSet);

    // Text mode: the view lays out only the rows in view; its working set
    // is counted from the figure with the archive open and nothing shown in text.
    window.FileListBox().SetItemIndex(-1);
    window.Actions().Execute(kelvo::cmd::ViewText);
    const Memory idle = MemoryNow();
    HWND text = window.TextViewer().Handle();
    for (std::size_t i = 0; i < std::size(kTextMebibytes); ++i) {
        const int mebibytes = kTextMebibytes[i];
        const double seconds = TimedShowEntry(window, static_cast<int>(i) + 1);
        const Memory shown = MemoryNow();
        const double added = shown.workingSet - idle.workingSet;
        start = Clock::now();
        for (int page = 0; page < kPages; ++page) {
            SendMessageA(text, WM_VSCROLL, SB_PAGEDOWN, 0);
            UpdateWindow(text);
        }
        const double textPageSeconds = SecondsSince(start) / kPages;
        start = Clock::now();
        SendMessageA(text, WM_VSCROLL, SB_BOTTOM, 0);
        UpdateWindow(text);
        const double bottomSeconds = SecondsSince(start);
        std::printf("  text mode, a %d MiB text, select to painted text: %8.3f s   target < %.1f s  %s\n", mebibytes,
                    seconds, kTextTargetSeconds[i], seconds < kTextTargetSeconds[i] ? "met" : "MISSED");
        std::printf("    working set %.1f MB, %.1f MB above the %.1f MB before (%.2f times the text)   target <= 3  %s\n",
                    shown.workingSet, added, idle.workingSet, added / mebibytes, added / mebibytes <= 3 ? "met" : "MISSED");
        std::printf("    page down with repaint %.3f ms a page, to the end %.3f ms; %s rows\n", textPageSeconds * 1000,
                    bottomSeconds * 1000, std::to_string(window.TextViewer().Model().Layout().RowCount()).c_str());
        if (!IsWindowVisible(text))
            std::printf("    (the text view is not showing)\n");
    }
    std::printf("  peak working set of the run: %.1f MB (making the archive included)\n", MemoryNow().peak);
    window.Actions().Execute(kelvo::cmd::ViewText);

    window.FMHNew("");
    kelvo::platform::RemoveFile(path);
}

// The large entry first, then a small text: showing that costs next to nothing.
std::string MakeEditArchive(std::size_t bytes)
{
    std::vector<kelvo::sample::SampleFile> files(2);
    files[0].name = "Objects\\Large.dat";
    files[0].data = TextBytes(bytes);
    files[1].name = "ReadMe.txt";
    files[1].data = TextBytes(200);
    return kelvo::sample::FarImage(files);
}

// Edit Entry on the entry at position 0, with its last four bytes changed.
void EditLastBytes(kelvo::TFarDlg& window)
{
    window.FileListBox().SetItemIndex(0);
    window.ShowEntry();
    SendMessageA(window.Handle(), WM_COMMAND, kelvo::cmd::FileEntryEdit, 0);
    const std::int32_t size = window.HexViewer().DataSize();
    window.HexViewer().ConvertRange(size - 4, size - 1, kelvo::ttAnsi, kelvo::ttEBCDIC);
}

double TimedSave(kelvo::TFarDlg& window, const std::string& path)
{
    const auto start = Clock::now();
    const bool saved = window.FMHSave(path);
    const double seconds = SecondsSince(start);
    if (!saved)
        std::printf("  (the save failed)\n");
    return seconds;
}

void BenchEdit(kelvo::TFarDlg& window, int mebibytes)
{
    const std::string path = WriteArchive(MakeEditArchive(static_cast<std::size_t>(mebibytes) << 20));
    window.FMHNew("");
    if (!window.FMHOpen(path)) {
        std::printf("edit: the archive could not be opened\n");
        return;
    }
    std::printf("\nEditing a %d MiB entry (changed in its last bytes, so the comparison reads it all)\n", mebibytes);
    // The other entry is a small text: selecting it costs the edit's end
    // and next to nothing else.
    for (int turn = 1; turn <= 3; ++turn) {
        EditLastBytes(window);
        const double ended = TimedShowEntry(window, 1);
        const bool changed = window.Archive().Entries[0].State == kelvo::esChanged;
        std::printf("  select another entry, ending the edit, turn %d: %8.3f s   target < 1 s  %s%s\n", turn, ended,
                    ended < 1 ? "met" : "MISSED", changed ? "" : "  (the entry did not change)");
    }

    std::printf("  save (flushed to the disk), without and with the changed entry:\n");
    // Turns alternate, so both kinds of save meet the same state of the
    // machine; the medians are compared, and the fastest turns, which a
    // busy machine disturbs least.
    constexpr int kTurns = 7;
    std::vector<double> without, with;
    for (int turn = 1; turn <= kTurns; ++turn) {
        without.push_back(TimedSave(window, path));
        EditLastBytes(window);
        TimedShowEntry(window, 1);
        with.push_back(TimedSave(window, path));
        std::printf("    turn %d: %8.3f s without, %8.3f s with\n", turn, without.back(), with.back());
    }
    std::sort(without.begin(), without.end());
    std::sort(with.begin(), with.end());
    const double ratio = with[kTurns / 2] / without[kTurns / 2];
    std::printf("  medians: %.3f s without, %.3f s with: %.2f times   target <= 1.2  %s\n", without[kTurns / 2],
                with[kTurns / 2], ratio, ratio <= 1.2 ? "met" : "MISSED");
    std::printf("  fastest: %.3f s without, %.3f s with: %.2f times\n", without[0], with[0], with[0] / without[0]);
    window.FMHNew("");
    kelvo::platform::RemoveFile(path);
}

// Writes the files below a folder through the ANSI functions.
void WriteTree(const std::string& folder, const std::vector<kelvo::sample::SampleFile>& files)
{
    for (const kelvo::sample::SampleFile& file : files) {
        const std::string path = folder + "\\" + file.name;
        kelvo::TFarArchive::CreatePath(path);
        kelvo::platform::File out = kelvo::platform::File::Open(path, kelvo::platform::File::Mode::CreateLocked);
        out.Write(file.data.data(), file.data.size());
    }
}

void RemoveTree(const std::string& folder)
{
    for (const auto& item : kelvo::platform::ListDirectory(folder)) {
        const std::string path = folder + "\\" + item.name;
        if (item.isDirectory)
            RemoveTree(path);
        else
            kelvo::platform::RemoveFile(path);
    }
    RemoveDirectoryA(folder.c_str());
}

// Add Directory over a tree of small files, and Extract Directory of an
// archive of as many entries: from the folder dialog's OK to the refilled
// list or the last file written, and with the dialog.
void BenchEntries(kelvo::TFarDlg& window, int count)
{
    const std::string base = kelvo::platform::TempFolder() + "kelvo-editor-bench-entries";
    const auto files = kelvo::sample::SmallFiles(count);
    kelvo::platform::MakeDirectory(base);
    kelvo::platform::MakeDirectory(base + "\\out");
    WriteTree(base + "\\tree", files);
    std::printf("\nAdding and extracting %d small entries (200 to 8,000 bytes, %d folders)\n", count, (count + 199) / 200);

    window.FMHNew("");
    kelvo::test::FolderDialogAnswers dialogs(window.BrowseDirectoryDlg());
    dialogs.answers = {base + "\\tree", base + "\\out"};
    auto start = Clock::now();
    SendMessageA(window.Handle(), WM_COMMAND, kelvo::cmd::FileEntryAddDir, 0);
    const double add = SecondsSince(dialogs.answeredAt);
    std::printf("  Add Directory: %8.3f s from OK to the refilled list (%.3f s with the dialog) for %zu entries"
                "   target < 5 s  %s\n",
                add, SecondsSince(start), window.Archive().Entries.size(), add < 5 ? "met" : "MISSED");

    const std::string path = WriteArchive(kelvo::sample::FarImage(files));
    window.FMHNew("");
    if (!window.FMHOpen(path)) {
        std::printf("  the archive could not be opened\n");
        return;
    }
    start = Clock::now();
    SendMessageA(window.Handle(), WM_COMMAND, kelvo::cmd::FileEntryExportDir, 0);
    std::printf("  Extract Directory: %8.3f s from OK to the last file (%.3f s with the dialog): %s\n",
                SecondsSince(dialogs.answeredAt), SecondsSince(start), window.StatusBar().Panels().Items(0).Text().c_str());
    std::printf("  compare: kelvo-bench's ExtractEntry time for the same archive, natively; target <= 2 times that\n");
    window.FMHNew("");
    kelvo::platform::RemoveFile(path);
    RemoveTree(base);
}

// An uncompressed 8-bit bitmap file of about a mebibyte.
std::string LargeBitmap()
{
    constexpr int kWidth = 1024, kHeight = 1000;
    const auto le = [](std::string& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>(value >> (8 * i) & 0xFF);
    };
    const std::uint32_t pixelOffset = 14 + 40 + 256 * 4, pixelBytes = kWidth * kHeight;
    std::string out = "BM";
    for (auto [value, bytes] : {std::pair{pixelOffset + pixelBytes, 4}, {0, 4}, {pixelOffset, 4}, {40, 4},
                                {kWidth, 4}, {kHeight, 4}, {1, 2}, {8, 2}, {0, 4}, {pixelBytes, 4}, {2835, 4},
                                {2835, 4}, {256, 4}, {0, 4}})
        le(out, static_cast<std::uint32_t>(value), bytes);
    for (std::uint32_t i = 0; i < 256; ++i)
        le(out, i << 16 | (255 - i) << 8 | (i * 3 & 0xFF), 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            out += static_cast<char>((x / 8 + y / 8) & 0xFF);
    return out;
}

// An IFF object of chunks in all, 10 MB: a string table, a bitmap and a
// behaviour of 1 MB each, a palette, and small chunks for the rest.
std::string MakeIffArchive(int chunks)
{
    using kelvo::sample::IffChunkData;
    std::vector<std::pair<std::string, std::string>> strings;
    for (std::size_t bytes = 0; bytes < (1u << 20) - 64;) {
        strings.push_back({"String number " + std::to_string(strings.size()) + " of the object's table",
                           "comment " + std::to_string(strings.size())});
        bytes += strings.back().first.size() + strings.back().second.size() + 2;
    }
    std::vector<IffChunkData> list = {
        {"STR#", 128, 0, "Large strings", kelvo::sample::StringPairsBody(strings)},
        {"BMP_", 100, 0, "Large bitmap", LargeBitmap()},
        {"PALT", 1, 0, "Palette", kelvo::sample::PaletteBody(std::vector<std::uint32_t>(256, 0x808040))},
        {"BHAV", 4096, 0, "Large behaviour", TextBytes(1u << 20)},
    };
    const std::size_t rest = chunks > 4 ? static_cast<std::size_t>(chunks - 4) : 0;
    const std::size_t small = rest ? (7u << 20) / rest : 0;
    for (std::size_t i = 0; i < rest; ++i)
        list.push_back({i % 2 ? "OBJf" : "TTAB", static_cast<std::uint16_t>(i), 0, "Chunk " + std::to_string(i),
                        TextBytes(small)});
    std::vector<kelvo::sample::SampleFile> files(1);
    files[0].name = "Objects\\Large.iff";
    files[0].data = kelvo::sample::IffImage(list);
    return kelvo::sample::FarImage(files);
}

void BenchIff(kelvo::TFarDlg& window, int chunks)
{
    const std::string bytes = MakeIffArchive(chunks);
    const std::string path = WriteArchive(bytes);
    window.FMHNew("");
    if (!window.FMHOpen(path)) {
        std::printf("iff: the archive could not be opened\n");
        return;
    }
    kelvo::TIffPreview& preview = window.IffPreview();
    std::printf("\nIFF entry of %d chunks, %.1f MB\n", chunks, MegaBytes(bytes.size()));
    for (int turn = 1; turn <= 3; ++turn) {
        const auto start = Clock::now();
        window.FileListBox().SetItemIndex(0);
        window.ShowEntry();
        UpdateWindow(window.Handle());
        UpdateWindow(preview.ChunkList().Handle());
        const double seconds = SecondsSince(start);
        std::printf("  select to painted chunk list, turn %d: %8.3f s (%d rows)   target < 0.3 s  %s\n", turn, seconds,
                    preview.ChunkList().Count(), seconds < 0.3 ? "met" : "MISSED");
    }
    const struct {
        int row;
        const char* what;
        HWND view;
    } picks[] = {{0, "string table of 1 MB", preview.StringList().Handle()},
                 {1, "bitmap of 1 MB", window.ImageViewer().Handle()},
                 {2, "palette", preview.PaletteGrid().Handle()},
                 {3, "behaviour of 1 MB as hex", window.HexViewer().Handle()}};
    for (int turn = 1; turn <= 3; ++turn)
        for (const auto& pick : picks) {
            const auto start = Clock::now();
            preview.ChunkList().SetItemIndex(pick.row);
            UpdateWindow(window.Handle());
            UpdateWindow(pick.view);
            const double seconds = SecondsSince(start);
            std::printf("  select to painted %-26s turn %d: %8.3f s%s   target < 0.1 s  %s\n", pick.what, turn, seconds,
                        IsWindowVisible(pick.view) ? "" : " (not showing)", seconds < 0.1 ? "met" : "MISSED");
        }
    window.FMHNew("");
    kelvo::platform::RemoveFile(path);
}

} // namespace

// An IFF entry with a palette and an SPR2 chunk of 64 frames of the largest
// zoom's size: a lamp-like shape, opaque inside, fading at its rim, nearer
// at its middle.
std::string MakeSpriteArchive()
{
    constexpr int kWidth = 136, kHeight = 384, kFrames = 64;
    std::vector<std::string> frames;
    for (int f = 0; f < kFrames; ++f) {
        kelvo::sample::SpriteFrameData frame;
        frame.width = kWidth;
        frame.height = kHeight;
        frame.flags = 7;
        frame.palette = 1;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const double dx = (x - kWidth / 2.0) / (kWidth / 2.0), dy = (y - kHeight / 2.0) / (kHeight / 2.0);
                const double r = dx * dx + dy * dy;
                const bool inside = r < 1.0;
                frame.index.push_back(inside ? (x + y + f) % 200 + 20 : -1);
                frame.z.push_back(static_cast<std::uint8_t>(inside ? r * 200 : 255));
                frame.alpha.push_back(static_cast<std::uint8_t>(!inside ? 0 : r > 0.8 ? (1.0 - r) * 150 : 31));
            }
        frames.push_back(kelvo::sample::Spr2Frame(frame));
    }
    std::vector<std::uint32_t> palette;
    for (std::uint32_t i = 0; i < 256; ++i)
        palette.push_back(i << 16 | (255 - i) << 8 | (i * 7 & 0xFF));
    std::vector<kelvo::sample::SampleFile> files(1);
    files[0].name = "Objects\\Sprites.iff";
    files[0].data = kelvo::sample::IffImage({{"PALT", 1, 0, "Palette", kelvo::sample::PaletteBody(palette)},
                                             {"SPR2", 256, 0, "Large sprite", kelvo::sample::Spr2Body(1000, 1, frames)}});
    return kelvo::sample::FarImage(files);
}

void BenchSprite(kelvo::TFarDlg& window)
{
    const std::string bytes = MakeSpriteArchive();
    const std::string path = WriteArchive(bytes);
    window.FMHNew("");
    if (!window.FMHOpen(path)) {
        std::printf("sprite: the archive could not be opened\n");
        return;
    }
    kelvo::TIffPreview& preview = window.IffPreview();
    std::printf("\nSPR2 chunk of 64 frames of 136x384 in an IFF entry of %.1f MB\n", MegaBytes(bytes.size()));
    window.FileListBox().SetItemIndex(0);
    window.ShowEntry();
    HWND canvas = preview.SpritePreview().Canvas().Handle();
    // The processor time beside the elapsed time: on a busy machine the
    // elapsed time also counts the time other programs ran.
    const auto cpuSeconds = [] {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto value = [](FILETIME time) { return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime) / 1e7; };
        return value(kernel) + value(user);
    };
    for (int turn = 1; turn <= 5; ++turn) {
        preview.ChunkList().SetItemIndex(0);
        UpdateWindow(window.Handle());
        const double cpuStart = cpuSeconds();
        const auto start = Clock::now();
        preview.ChunkList().SetItemIndex(1);
        UpdateWindow(window.Handle());
        UpdateWindow(preview.SpritePreview().Handle());
        UpdateWindow(canvas);
        const double seconds = SecondsSince(start), cpu = cpuSeconds() - cpuStart;
        const bool shown = IsWindowVisible(canvas) && preview.SpritePreview().Canvas().Picture().Width == 136;
        std::printf("  select to painted first frame, turn %d: %8.3f s (processor %.3f s)%s   target < 0.05 s  %s\n", turn,
                    seconds, cpu, shown ? "" : " (not showing)", seconds < 0.05 ? "met" : "MISSED");
    }
    window.FMHNew("");
    kelvo::platform::RemoveFile(path);
}

int main(int argc, char** argv)
{
    std::vector<int> openSizes;
    int previewMebibytes = 0, entryCount = 0, iffChunks = 0, editMebibytes = 0;
    bool open = argc < 2, preview = argc < 2, entries = argc < 2, iff = argc < 2, edit = argc < 2, sprite = argc < 2;
    std::string section; // the last section named: numbers belong to it
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "sprite") {
            section = argument;
            sprite = true;
        } else if (argument == "open" || argument == "preview" || argument == "entries" || argument == "iff" ||
                   argument == "edit") {
            section = argument;
            (argument == "open"      ? open
             : argument == "preview" ? preview
             : argument == "iff"     ? iff
             : argument == "edit"    ? edit
                                     : entries) = true;
        } else if (section == "edit") {
            editMebibytes = std::atoi(argument.c_str());
        } else if (section == "preview") {
            previewMebibytes = std::atoi(argument.c_str());
        } else if (section == "entries") {
            entryCount = std::atoi(argument.c_str());
        } else if (section == "iff") {
            iffChunks = std::atoi(argument.c_str());
        } else {
            open = true;
            openSizes.push_back(std::atoi(argument.c_str()));
        }
    }
    if (openSizes.empty())
        openSizes = {50000, 500000};
    if (previewMebibytes <= 0)
        previewMebibytes = 100;
    if (entryCount <= 0)
        entryCount = 20000;
    if (iffChunks <= 0)
        iffChunks = 2000;
    if (editMebibytes <= 0)
        editMebibytes = 100;

    const kelvo::TShellStartup shell;
    Silent services;
    kelvo::TFarDlg window(services, services);
    window.Show(SW_SHOWNOACTIVATE);
    if (open)
        BenchOpen(window, openSizes);
    if (preview)
        BenchPreview(window, previewMebibytes);
    if (entries)
        BenchEntries(window, entryCount);
    if (iff)
        BenchIff(window, iffChunks);
    if (edit)
        BenchEdit(window, editMebibytes);
    if (sprite)
        BenchSprite(window);
    return 0;
}
