// Times the editor's open of large archives: the main window is created in
// this process, then FMHOpen reads the manifest, shows the header and fills
// the entry list with progress in the status bar. Not a test: it prints figures.
// Usage: kelvo-editor-bench [ENTRIES...]   (default: 50000 500000)
#include "app/far_dlg.h"
#include "tools/sample/sample_archive.h"

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

class Silent : public kelvo::TFileMenuServices, public kelvo::TFarDlgServices {
public:
    kelvo::TSaveAnswer AskSaveChanges(const std::string&, const std::string&) override { return kelvo::TSaveAnswer::saNo; }
    void ShowNotFound(const std::string&) override {}
    bool FileExists(const std::string& name) override { return kelvo::platform::FileExists(name); }
    int ParamCount() override { return 0; }
    std::string ParamStr(int) override { return {}; }
    void ShowMessage(const std::string&) override {}
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

double MegaBytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {50000, 500000};

    Silent services;
    kelvo::TFarDlg window(services, services);
    window.Show(SW_SHOWNOACTIVATE);
    std::printf("%10s %12s %14s %14s\n", "entries", "open+list s", "working set MB", "peak MB");
    for (int entries : sizes) {
        const std::string path = kelvo::platform::TempFolder() + "kelvo-editor-bench.far";
        {
            const std::string bytes = MakeArchive(entries);
            std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        window.FMHNew("");
        const auto start = std::chrono::steady_clock::now();
        const bool opened = window.FMHOpen(path);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        PROCESS_MEMORY_COUNTERS memory{};
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        std::printf("%10d %12.3f %14.1f %14.1f%s\n", entries, seconds, MegaBytes(memory.WorkingSetSize),
                    MegaBytes(memory.PeakWorkingSetSize), opened ? "" : "  (open failed)");
        window.FMHNew("");
        kelvo::platform::RemoveFile(path);
    }
    return 0;
}
