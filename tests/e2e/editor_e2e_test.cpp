// Starts the real kelvo.exe as a separate process and takes it through one
// journey as a user would (clicks, keys, a drop from another program),
// reading what it shows through window messages and the screen, and checking
// the archive it saves byte for byte.
// Usage: editor_e2e_tests PATH-TO-kelvo.exe PATH-TO-drop-files.exe [gtest options]
#include "app/commands.h"
#include "archive/far_archive.h"
#include "platform/file.h"
#include "tests/test_support.h"
#include "tests/win32/window_search.h"
#include "tools/sample/sample_archive.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

namespace {

using namespace kelvo::test;

std::string g_editor, g_dropFiles;

// Wine runs this program with Unix paths: the Z: drive maps the root.
std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A list box's lines, read from the other process through the wide messages
// (the lines compared are ASCII).
std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    for (LRESULT i = 0, count = SendMessageW(list, LB_GETCOUNT, 0, 0); i < count; ++i) {
        std::wstring wide(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data())); // the list may change meanwhile
        lines.emplace_back();
        for (std::size_t c = 0; wide[c]; ++c)
            lines.back() += static_cast<char>(wide[c]);
    }
    return lines;
}

// Clicks the list box line at an index with the left mouse button.
void ClickLine(HWND list, int index)
{
    const auto height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const auto y = (index - static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0))) * height + height / 2;
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, y));
    PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(4, y));
}

// The number of colours the screen shows in the top left corner of a window.
std::size_t ColoursShown(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    HDC screen = GetDC(nullptr);
    std::set<COLORREF> colours;
    for (int y = rect.top; y < std::min<int>(rect.bottom, rect.top + 40); ++y)
        for (int x = rect.left; x < std::min<int>(rect.right, rect.left + 45); ++x)
            colours.insert(GetPixel(screen, x, y));
    ReleaseDC(nullptr, screen);
    return colours.size();
}

// A program started in a process of its own, ended if it is still running.
struct Process {
    explicit Process(std::string command)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            info = {};
    }
    ~Process()
    {
        if (info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    // The exit code once the process ended; STILL_ACTIVE when it did not.
    DWORD Exit() const
    {
        DWORD code = STILL_ACTIVE;
        WaitForSingleObject(info.hProcess, kPatience);
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
    PROCESS_INFORMATION info{};
};

// A key pressed through the system's input queue, with Ctrl held when control is set.
void Press(BYTE key, bool control = false)
{
    if (control)
        keybd_event(VK_CONTROL, 0, 0, 0);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    if (control)
        keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
}

// The window that has the keyboard focus in another program's thread.
HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// A modder's session on the sample archive: a bitmap previewed, two files
// dropped from another program, a byte typed over in Edit Entry, Ctrl+S,
// the window closed; on disk the archive then holds exactly those changes.
TEST(EditorJourney, PreviewsAddsByDropEditsSavesAndTheArchiveReadsBack)
{
    const std::string folder = kelvo::platform::TempFolder() + "kelvo-e2e-" + std::to_string(GetCurrentProcessId());
    kelvo::platform::MakeDirectory(folder);
    const std::string archivePath = folder + "\\sample.far", dropped1 = folder + "\\dropped1.dat", dropped2 = folder + "\\dropped2.dat";
    auto files = kelvo::sample::SampleFiles();
    WriteBytes(archivePath, kelvo::sample::FarImage(files));
    WriteBytes(dropped1, Pattern(3000, 1));
    WriteBytes(dropped2, Pattern(70000, 2));
    const char key[] = "Software\\Maxis\\The Sims", value[] = "C:\\Games\\The Sims";
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "InstallPath", REG_SZ, value, sizeof value), ERROR_SUCCESS);

    Process editor("\"" + WindowsPath(g_editor) + "\" \"" + archivePath + "\"");
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindProcessWindow(editor.info.dwProcessId, "TFarDlg")) != nullptr; }));
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox), details = GetDlgItem(window, kelvo::cmd::DetailsListBox),
         image = GetDlgItem(window, kelvo::cmd::ImageViewer), hex = GetDlgItem(window, kelvo::cmd::HexViewer);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));
    auto position = [&](const char* name) {
        return static_cast<int>(std::find_if(files.begin(), files.end(), [&](auto& f) { return f.name == name; }) - files.begin());
    };
    auto detailLine = [&](std::size_t i, const std::string& text) {
        return WaitFor([&] { const auto shown = ListLines(details); return shown.size() > i && shown[i] == text; });
    };

    // A bitmap, on the screen.
    ClickLine(entries, position("Textures\\house_rle8.bmp"));
    ASSERT_TRUE(detailLine(8, "Pixel Depth/Colors: 8/256") && WaitFor([&] { return IsWindowVisible(image) != 0; }));
    WaitFor([&] { return GetUpdateRect(image, nullptr, FALSE) == FALSE; });
    EXPECT_GT(ColoursShown(image), 3u) << "the bitmap is not on the screen";

    // Two files dragged from another program and dropped on the entry list.
    RECT list{};
    GetWindowRect(entries, &list);
    Process dropper("\"" + WindowsPath(g_dropFiles) + "\" " + std::to_string((list.left + list.right) / 2) + " " +
                    std::to_string((list.top + list.bottom) / 2) + " \"" + dropped1 + "\" \"" + dropped2 + "\"");
    EXPECT_EQ(dropper.Exit(), 0u);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size() + 2; }));

    // A text entry edited with the keyboard: Ctrl+E, two hex digits over its
    // first byte, Ctrl+S; the saved archive is shown afresh (its header lines).
    const int text = position("Text\\Neighborhood.txt");
    ClickLine(entries, text);
    ASSERT_TRUE(detailLine(2, "Full Name: Text\\Neighborhood.txt"));
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }));
    Press('E', true);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == hex; }));
    for (BYTE key : {'4', '1'})
        Press(key);
    Press('S', true);
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() == 4; }));

    // Nothing is left to save: the window closes without a question.
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.Exit(), 0u);

    files[static_cast<std::size_t>(text)].data[0] = 'A';
    files.push_back({dropped1, Pattern(3000, 1)});
    files.push_back({dropped2, Pattern(70000, 2)});
    kelvo::TFarArchive archive;
    ASSERT_TRUE(archive.Open(archivePath));
    ASSERT_EQ(archive.Entries.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(lstrcmpiA(std::string(archive.Entries[i].Text()).c_str(), files[i].name.c_str()), 0)
            << archive.Entries[i].Text();
        EXPECT_TRUE(archive.ExtractToTemp(static_cast<int>(i)));
        EXPECT_EQ(FileContents(archive.TempFileName()), files[i].data) << files[i].name;
    }
    archive.DeleteTempFile();
    archive.Close();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc < 3)
        return std::fprintf(stderr, "usage: editor_e2e_tests PATH-TO-kelvo.exe PATH-TO-drop-files.exe\n"), 2;
    g_editor = argv[1];
    g_dropFiles = argv[2];
    return RUN_ALL_TESTS();
}
