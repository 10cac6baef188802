// Starts the real kelvo.exe as a separate process and takes it through one
// journey as a user would: clicks, keys, its real dialogs and a drop from
// another program, reading what it shows through window messages and
// checking the archive it saves byte for byte. Screenshots of what it shows
// are written to the current folder as kelvo-*.bmp.
// Usage: editor_e2e_tests PATH-TO-kelvo.exe PATH-TO-drop-files.exe [gtest options]
#include "app/commands.h"
#include "archive/far_archive.h"
#include "platform/file.h"
#include "tests/test_support.h"
#include "tests/win32/window_search.h"
#include "tools/sample/sample_archive.h"
#include "ui/handles.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace kelvo::test;

std::string g_editor;
std::string g_dropFiles;

// Wine runs this program with a Unix path to the editor: the Z: drive maps the root.
std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// A list box's lines, read from the other process. The wide form carries
// the text across processes; the lines are ANSI again here.
std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(wcslen(wide.c_str()));
        std::string text(wide.size() * 2 + 1, '\0');
        int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(),
                                    static_cast<int>(text.size()), nullptr, nullptr);
        text.resize(static_cast<std::size_t>(n));
        lines.push_back(text);
    }
    return lines;
}

// A list box line's rectangle on the screen.
RECT LineRect(HWND list, int index)
{
    const auto height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const auto top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    POINT corner{0, (index - top) * height};
    ClientToScreen(list, &corner);
    RECT client{};
    GetClientRect(list, &client);
    return {corner.x, corner.y, corner.x + client.right, corner.y + height};
}

// Clicks the list box line at an index, as the left mouse button does.
void ClickLine(HWND list, int index)
{
    RECT line = LineRect(list, index);
    POINT at{line.left + 4, (line.top + line.bottom) / 2};
    ScreenToClient(list, &at);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

// A copy of what the screen shows of a window.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB, top row first

    explicit Screenshot(HWND window)
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
        HDC screen = GetWindowDC(window);
        kelvo::ui::OwnedMemoryDc memory(CreateCompatibleDC(screen));
        kelvo::ui::OwnedBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
        {
            kelvo::ui::SelectObjectScope selected(memory.Get(), bitmap.Get());
            BitBlt(memory.Get(), 0, 0, width, height, screen, 0, 0, SRCCOPY);
        }
        ReleaseDC(window, screen);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        GetDIBits(memory.Get(), bitmap.Get(), 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    }

    // The number of different colours inside a part of the window, given in screen coordinates.
    std::size_t Colours(HWND window, const RECT& part) const
    {
        RECT outer{};
        GetWindowRect(window, &outer);
        std::vector<std::uint32_t> seen;
        for (int y = part.top - outer.top; y < part.bottom - outer.top && y < height; ++y)
            for (int x = part.left - outer.left; x < part.right - outer.left && x < width; ++x) {
                const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF;
                if (std::find(seen.begin(), seen.end(), pixel) == seen.end())
                    seen.push_back(pixel);
            }
        return seen.size();
    }

    bool Save(const std::string& name) const
    {
        BITMAPINFOHEADER header{sizeof header, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        const auto bytes = static_cast<DWORD>(pixels.size() * sizeof(std::uint32_t));
        const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header;
        BITMAPFILEHEADER file{0x4D42, offset + bytes, 0, 0, offset};
        // The fourth byte is taken as alpha by some viewers: make every pixel opaque.
        std::vector<std::uint32_t> opaque(pixels);
        for (std::uint32_t& pixel : opaque)
            pixel |= 0xFF000000u;
        std::ofstream out(name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        out.write(reinterpret_cast<const char*>(opaque.data()), bytes);
        return static_cast<bool>(out);
    }
};

class Editor {
public:
    // Starts the editor with the arguments, or (editor false) the command line as it is.
    explicit Editor(const std::string& arguments, bool editor = true)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string command = editor ? "\"" + WindowsPath(g_editor) + "\" " + arguments : arguments;
        started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &info_) != 0;
    }
    ~Editor()
    {
        if (!started_)
            return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info_.hProcess, 1);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    bool Started() const { return started_; }
    DWORD Id() const { return info_.dwProcessId; }
    HWND WaitForWindow(const char* className)
    {
        HWND window = nullptr;
        WaitFor([&] { return (window = FindProcessWindow(Id(), className)) != nullptr; });
        return window;
    }
    bool WaitForExit()
    {
        return WaitForSingleObject(info_.hProcess, kPatience) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

// Presses and releases keys through the system's input queue, as the
// keyboard does: the window with the focus gets them with the key state set.
void Keys(std::initializer_list<std::pair<WORD, bool>> strokes)
{
    std::vector<INPUT> inputs;
    for (const auto& [key, down] : strokes) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Press(WORD key, bool control = false)
{
    if (control)
        Keys({{VK_CONTROL, true}, {key, true}, {key, false}, {VK_CONTROL, false}});
    else
        Keys({{key, true}, {key, false}});
}

// The window that has the keyboard focus in another program's thread.
HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// The common file dialog the editor opened: its file name typed, then OK.
void AnswerFileDialog(HWND dialog, const std::string& name)
{
    SendMessageA(GetDlgItem(dialog, 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

// A modder's session on the sample archive: previews of a bitmap, a text and
// an IFF object's chunks; the filter, three entries taken with Shift+Down and
// extracted through the folder dialog, one renamed in the Rename Entry
// dialog, another's bytes replaced through the Open dialog; two files
// dropped from another program; a byte typed over in Edit Entry; Ctrl+S.
// On disk the archive then holds exactly those changes.
TEST(EditorJourney, PreviewsFiltersExtractsRenamesReplacesAddsDropsEditsAndSaves)
{
    const std::string folder = kelvo::platform::TempFolder() + "kelvo-e2e-" + std::to_string(GetCurrentProcessId());
    kelvo::platform::MakeDirectory(folder);
    const std::string archivePath = folder + "\\sample.far", replacement = folder + "\\replacement.bmp",
                      dropped1 = folder + "\\dropped1.dat", dropped2 = folder + "\\dropped2.dat";
    auto files = kelvo::sample::SampleFiles();
    WriteBytes(archivePath, kelvo::sample::FarImage(files));
    WriteBytes(replacement, Pattern(5000, 3));
    WriteBytes(dropped1, Pattern(3000, 1));
    WriteBytes(dropped2, Pattern(70000, 2));
    const char key[] = "Software\\Maxis\\The Sims", value[] = "C:\\Games\\The Sims";
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "InstallPath", REG_SZ, value, sizeof value), ERROR_SUCCESS);

    Editor editor("\"" + archivePath + "\"");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), "Kelvo");
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    HWND details = GetDlgItem(window, kelvo::cmd::DetailsListBox);
    HWND image = GetDlgItem(window, kelvo::cmd::ImageViewer);
    HWND hex = GetDlgItem(window, kelvo::cmd::HexViewer);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));
    EXPECT_EQ(ListLines(entries)[1], "Chair.iff");
    EXPECT_EQ(ListLines(details)[0], "FAR Header: FAR!byAZ");
    auto position = [&](const std::string& name) {
        const auto found = std::find_if(files.begin(), files.end(), [&](const auto& file) { return file.name == name; });
        return static_cast<int>(found - files.begin());
    };
    auto detailLine = [&](std::size_t index, const std::string& text) {
        return WaitFor([&] {
            const auto shown = ListLines(details);
            return shown.size() > index && shown[index] == text;
        });
    };

    // A bitmap and a text, on the screen.
    ClickLine(entries, position("Textures\\house_rle8.bmp"));
    ASSERT_TRUE(detailLine(8, "Pixel Depth/Colors: 8/256") && WaitFor([&] { return IsWindowVisible(image) != 0; }));
    RECT area{};
    GetWindowRect(image, &area);
    area.right = area.left + 45;
    area.bottom = area.top + 40;
    const Screenshot bitmap(window);
    EXPECT_TRUE(bitmap.Save("kelvo-bitmap-preview.bmp"));
    EXPECT_GT(bitmap.Colours(window, area), 3u) << "the bitmap is not on the screen";
    ClickLine(entries, position("Text\\Catalog.txt"));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(hex) && !IsWindowVisible(image); }));
    WaitFor([&] { return GetUpdateRect(hex, nullptr, FALSE) == FALSE; });
    GetWindowRect(hex, &area);
    const Screenshot dump(window);
    EXPECT_TRUE(dump.Save("kelvo-hex-preview.bmp"));
    // Offsets in black, digits in blue and navy, characters, on the window colour.
    EXPECT_GE(dump.Colours(window, area), 4u) << "the hex dump is not on the screen";

    // An IFF object's chunks, one by one with the Down key.
    HWND chunks = GetDlgItem(window, kelvo::cmd::IffChunkList);
    ClickLine(entries, position("UserObjects\\Lamp.iff"));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(chunks) && SendMessageW(chunks, LVM_GETITEMCOUNT, 0, 0) == 7; }));
    const struct {
        int view;
        const char* shot;
        std::size_t leastColours;
    } steps[] = {{kelvo::cmd::IffStringList, "kelvo-iff-strings.bmp", 2},
                 {kelvo::cmd::ImageViewer, "kelvo-iff-bitmap.bmp", 4},
                 {kelvo::cmd::IffPalette, "kelvo-iff-palette.bmp", 32},
                 {kelvo::cmd::HexViewer, "kelvo-iff-hex.bmp", 4},
                 {kelvo::cmd::SpritePreview, "kelvo-iff-sprite.bmp", 16},
                 {kelvo::cmd::SpritePreview, "kelvo-iff-sprite-shadow.bmp", 4},
                 {kelvo::cmd::SpritePreview, "kelvo-iff-drawgroup.bmp", 16}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(steps[i].shot);
        const WPARAM step = i == 0 ? VK_HOME : VK_DOWN;
        PostMessageW(chunks, WM_KEYDOWN, step, 1);
        PostMessageW(chunks, WM_KEYUP, step, 0xC0000001);
        HWND view = GetDlgItem(window, steps[i].view);
        ASSERT_TRUE(WaitFor([&] {
            return SendMessageW(chunks, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == static_cast<LRESULT>(i) &&
                   IsWindowVisible(view);
        }));
        WaitFor([&] { return GetUpdateRect(view, nullptr, FALSE) == FALSE && GetUpdateRect(chunks, nullptr, FALSE) == FALSE; });
        GetWindowRect(view, &area);
        const Screenshot shot(window);
        EXPECT_TRUE(shot.Save(steps[i].shot));
        EXPECT_GE(shot.Colours(window, area), steps[i].leastColours) << "the chunk is not on the screen";
    }

    // Two files dragged from another program and dropped on the entry list.
    RECT list{};
    GetWindowRect(entries, &list);
    Editor dropper("\"" + WindowsPath(g_dropFiles) + "\" " + std::to_string((list.left + list.right) / 2) + " " +
                       std::to_string((list.top + list.bottom) / 2) + " \"" + dropped1 + "\" \"" + dropped2 + "\"",
                   false);
    ASSERT_TRUE(dropper.Started());
    EXPECT_TRUE(dropper.WaitForExit());
    EXPECT_EQ(dropper.ExitCode(), 0u);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size() + 2; }));
    EXPECT_EQ(ListLines(entries).back(), "dropped2.dat");
    Screenshot(window).Save("kelvo-after-drop.bmp");

    // A text entry edited with the keyboard: Ctrl+E, two hex digits over its
    // first byte, Ctrl+S. The saved archive is shown afresh: its header lines.
    const int text = position("Text\\Neighborhood.txt");
    ClickLine(entries, text);
    ASSERT_TRUE(detailLine(2, "Full Name: Text\\Neighborhood.txt"));
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }));
    Press('E', true);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == hex; }));
    Press('4');
    Press('1');
    Press('S', true);
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() == 4; }));
    // The filter: seven bitmaps and the text file in the folder named like one.
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }));
    Press('F', true);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == GetDlgItem(window, kelvo::cmd::FilterBox); }));
    for (WORD letter : {'B', 'M', 'P'})
        Press(letter);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == 8; }));
    EXPECT_EQ(ListLines(entries)[1], "gradient4.bmp");
    Screenshot(window).Save("kelvo-filtered.bmp");

    // Three entries taken with Shift+Down and extracted into the folder the
    // dialog starts in: the archive's own.
    ClickLine(entries, 1);
    ASSERT_TRUE(detailLine(2, "Full Name: Textures\\gradient4.bmp"));
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == entries; }));
    Keys({{VK_SHIFT, true}, {VK_DOWN, true}, {VK_DOWN, false}, {VK_DOWN, true}, {VK_DOWN, false}, {VK_SHIFT, false}});
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(entries, LB_GETSELCOUNT, 0, 0) == 3; }));
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileEntryExportFile, 0);
    HWND browse = editor.WaitForWindow("#32770");
    ASSERT_NE(browse, nullptr);
    WaitFor([&] { return FindWindowExA(browse, nullptr, "SysTreeView32", nullptr) != nullptr; });
    Sleep(500); // let the tree fill before the picture is taken
    Screenshot(browse).Save("kelvo-folder-dialog.bmp");
    EXPECT_EQ(TextOf(browse), "Choose Folder");
    PostMessageA(browse, WM_COMMAND, IDOK, 0);
    const std::string out = folder + "\\";
    ASSERT_TRUE(WaitFor([&] { return FileContents(out + files[9].name) != "missing"; }));
    for (std::size_t i : {7u, 8u, 9u})
        EXPECT_EQ(FileContents(out + files[i].name), files[i].data) << files[i].name;
    EXPECT_EQ(FileContents(out + files[6].name), "missing");

    // The focused entry, the third, renamed in the Rename Entry dialog.
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileEntryRename, 0);
    HWND rename = editor.WaitForWindow("#32770");
    ASSERT_NE(rename, nullptr);
    EXPECT_EQ(TextOf(rename), "Rename Entry");
    HWND name = GetDlgItem(rename, 100);
    char shown[256] = "";
    SendMessageA(name, WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(std::string(shown), files[9].name);
    Screenshot(rename).Save("kelvo-rename.bmp");
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Textures\\House RLE.bmp"));
    PostMessageA(rename, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries)[3] == "House RLE.bmp"; }));

    // The first bitmap's bytes replaced from a file through the Open dialog.
    ClickLine(entries, 0);
    ASSERT_TRUE(detailLine(2, "Full Name: Textures\\checker1.bmp"));
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileEntryReplace, 0);
    HWND open = editor.WaitForWindow("#32770");
    ASSERT_NE(open, nullptr);
    AnswerFileDialog(open, replacement);
    ASSERT_TRUE(detailLine(6, "State: Changed Entry"));
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileSave, 0);
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() == 4; }));

    // Nothing is left to save: the window closes without a question, and
    // lets go of the archive it holds.
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());

    files[9].name = "Textures\\House RLE.bmp";
    files[6].data = Pattern(5000, 3);
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: editor_e2e_tests PATH-TO-kelvo.exe PATH-TO-drop-files.exe\n");
        return 2;
    }
    g_editor = argv[1];
    g_dropFiles = argv[2];
    return RUN_ALL_TESTS();
}
