// Starts the real kelvo.exe as a separate process, finds its window, reads
// what it shows through window messages, clicks its entries, answers its
// message box and closes it. Screenshots of the previews are written to the
// current folder as kelvo-*.bmp.
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

void SetGameInstallPath(bool present)
{
    const char key[] = "Software\\Maxis\\The Sims", value[] = "C:\\Games\\The Sims";
    if (present)
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "InstallPath", REG_SZ, value, sizeof value), ERROR_SUCCESS);
    else
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
}

class EditorTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kelvo::platform::TempFolder() + "kelvo-e2e-" + std::to_string(GetCurrentProcessId());
        kelvo::platform::MakeDirectory(folder_);
        archive_ = folder_ + "\\sample.far";
        WriteBytes(archive_, kelvo::sample::FarImage(kelvo::sample::SampleFiles()));
        // Every test starts with no recent files: the list is kept beside the program.
        ini_ = WindowsPath(g_editor);
        ini_ = ini_.substr(0, ini_.find_last_of('\\') + 1) + "Kelvo.ini";
        kelvo::platform::RemoveFile(ini_);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        kelvo::platform::RemoveFile(ini_);
    }
    std::string folder_;
    std::string archive_;
    std::string ini_;
};

// Lists the sample, then clicks a bitmap and a text entry and keeps what the screen shows.
TEST_F(EditorTest, ListsTheArchiveGivenOnTheCommandLineAndPreviewsTheClickedEntries)
{
    SetGameInstallPath(true);
    Editor editor("\"" + archive_ + "\"");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), "Kelvo");

    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    HWND details = GetDlgItem(window, kelvo::cmd::DetailsListBox);
    HWND image = GetDlgItem(window, kelvo::cmd::ImageViewer);
    HWND hex = GetDlgItem(window, kelvo::cmd::HexViewer);
    const auto files = kelvo::sample::SampleFiles();
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));
    const auto names = ListLines(entries);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(names[i], files[i].name.substr(files[i].name.find_last_of('\\') + 1));
    const auto header = ListLines(details);
    ASSERT_EQ(header.size(), 4u);
    EXPECT_EQ(header[0], "FAR Header: FAR!byAZ");
    EXPECT_EQ(header[1], "Version: 1");
    EXPECT_EQ(header[3], "Number of Entries: " + std::to_string(files.size()));

    auto position = [&](const std::string& name) {
        const auto found = std::find_if(files.begin(), files.end(), [&](const auto& file) { return file.name == name; });
        return static_cast<int>(found - files.begin());
    };
    ClickLine(entries, position("Textures\\house_rle8.bmp"));
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() == 9 && IsWindowVisible(image); }));
    const auto lines = ListLines(details);
    EXPECT_EQ(lines[1], "Filename: house_rle8.bmp");
    EXPECT_EQ(lines[7], "Bitmap Size: 45x40");
    EXPECT_EQ(lines[8], "Pixel Depth/Colors: 8/256");
    EXPECT_FALSE(IsWindowVisible(hex));
    RECT area{};
    GetWindowRect(image, &area);
    area.right = area.left + 45;
    area.bottom = area.top + 40;
    const Screenshot bitmap(window);
    EXPECT_TRUE(bitmap.Save("kelvo-bitmap-preview.bmp"));
    EXPECT_GT(bitmap.Colours(window, area), 3u) << "the bitmap is not on the screen";
    // The clicked line and the focus moving off the first one keep their texts.
    EXPECT_GT(bitmap.Colours(window, LineRect(entries, position("Textures\\house_rle8.bmp"))), 1u);
    EXPECT_GT(bitmap.Colours(window, LineRect(entries, 0)), 1u);

    ClickLine(entries, position("Text\\Catalog.txt"));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(hex) && !IsWindowVisible(image); }));
    EXPECT_EQ(ListLines(details)[2], "Full Name: Text\\Catalog.txt");
    WaitFor([&] { return GetUpdateRect(hex, nullptr, FALSE) == FALSE; });
    GetWindowRect(hex, &area);
    const Screenshot dump(window);
    EXPECT_TRUE(dump.Save("kelvo-hex-preview.bmp"));
    // Offsets in black, digits in blue and navy, characters, on the window colour.
    EXPECT_GE(dump.Colours(window, area), 4u) << "the hex dump is not on the screen";

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());
}

// Clicks the sample's IFF object, then moves through its chunk list by keys
// and keeps a picture of each chunk's view.
TEST_F(EditorTest, PreviewsTheChunksOfAnIffObject)
{
    SetGameInstallPath(true);
    Editor editor("\"" + archive_ + "\"");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    HWND chunks = GetDlgItem(window, kelvo::cmd::IffChunkList);
    const auto files = kelvo::sample::SampleFiles();
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));
    const auto lamp = std::find_if(files.begin(), files.end(), [](const auto& file) { return file.name == "UserObjects\\Lamp.iff"; });
    ASSERT_NE(lamp, files.end());
    ClickLine(entries, static_cast<int>(lamp - files.begin()));
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
        const WPARAM key = i == 0 ? VK_HOME : VK_DOWN;
        PostMessageW(chunks, WM_KEYDOWN, key, 1);
        PostMessageW(chunks, WM_KEYUP, key, 0xC0000001);
        HWND view = GetDlgItem(window, steps[i].view);
        ASSERT_TRUE(WaitFor([&] {
            return SendMessageW(chunks, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == static_cast<LRESULT>(i) &&
                   IsWindowVisible(view);
        }));
        WaitFor([&] { return GetUpdateRect(view, nullptr, FALSE) == FALSE && GetUpdateRect(chunks, nullptr, FALSE) == FALSE; });
        RECT area{};
        GetWindowRect(view, &area);
        const Screenshot shot(window);
        EXPECT_TRUE(shot.Save(steps[i].shot));
        EXPECT_GE(shot.Colours(window, area), steps[i].leastColours) << "the chunk is not on the screen";
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());
}

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

void Press(WORD key) { Keys({{key, true}, {key, false}}); }

// The caret of the window's thread: its window and place.
GUITHREADINFO CaretOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

// In the hex preview: a selection with Shift and the arrows, a row marker set
// with Shift+Ctrl+3 and reached again with Ctrl+3.
TEST_F(EditorTest, SelectsAndMarksRowsInTheHexPreview)
{
    SetGameInstallPath(true);
    Editor editor("\"" + archive_ + "\"");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    HWND hex = GetDlgItem(window, kelvo::cmd::HexViewer);
    const auto files = kelvo::sample::SampleFiles();
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));
    const auto text = std::find_if(files.begin(), files.end(), [](const auto& f) { return f.name == "Text\\Catalog.txt"; });
    ClickLine(entries, static_cast<int>(text - files.begin()));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(hex); }));

    // A click on the offset column gives the view the focus and leaves the
    // caret on the first byte.
    SetForegroundWindow(window);
    PostMessageA(hex, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageA(hex, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    ASSERT_TRUE(WaitFor([&] { return CaretOf(window).hwndCaret == hex; }));
    const RECT first = CaretOf(window).rcCaret;

    Keys({{VK_SHIFT, true}});
    for (int i = 0; i < 7; ++i)
        Press(VK_RIGHT);
    Press(VK_DOWN);
    Keys({{VK_SHIFT, false}});
    ASSERT_TRUE(WaitFor([&] { return CaretOf(window).rcCaret.top > first.top; }));
    const RECT marked = CaretOf(window).rcCaret;
    Keys({{VK_CONTROL, true}, {VK_SHIFT, true}, {'3', true}, {'3', false}, {VK_SHIFT, false}, {VK_CONTROL, false}});

    // The selection shows in inverse colours (navy and blue backgrounds),
    // the marker as "3" on maroon in the marker column.
    RECT area{};
    GetWindowRect(hex, &area);
    auto count = [&](const Screenshot& shot, std::uint32_t colour) {
        RECT outer{};
        GetWindowRect(window, &outer);
        int n = 0;
        for (int y = area.top - outer.top; y < area.bottom - outer.top; ++y)
            for (int x = area.left - outer.left; x < area.right - outer.left; ++x)
                n += (shot.pixels[static_cast<std::size_t>(y) * shot.width + x] & 0xFFFFFF) == colour;
        return n;
    };
    const std::uint32_t maroon = 0x800000, blue = 0x0000FF;
    ASSERT_TRUE(WaitFor([&] { return count(Screenshot(window), maroon) > 20; }));
    const Screenshot shot(window);
    EXPECT_TRUE(shot.Save("kelvo-hex-selection.bmp"));
    EXPECT_GT(count(shot, blue), 100) << "no selection on the screen";

    // Away to the last byte, then back to the marked row's first digit.
    Keys({{VK_CONTROL, true}, {VK_END, true}, {VK_END, false}, {VK_CONTROL, false}});
    ASSERT_TRUE(WaitFor([&] { return CaretOf(window).rcCaret.top != marked.top; }));
    Keys({{VK_CONTROL, true}, {'3', true}, {'3', false}, {VK_CONTROL, false}});
    EXPECT_TRUE(WaitFor([&] {
        const RECT caret = CaretOf(window).rcCaret;
        return caret.top == marked.top && caret.left == first.left;
    }));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());
}

TEST_F(EditorTest, ReportsAMissingGameInstallationAndStartsEmpty)
{
    SetGameInstallPath(false);
    Editor editor("");
    ASSERT_TRUE(editor.Started());
    HWND box = editor.WaitForWindow("#32770");
    ASSERT_NE(box, nullptr);
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "The Sims Installation was not detected. Game Directory not found.");
    EXPECT_EQ(TextOf(box), "Kelvo");
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(ListLines(GetDlgItem(window, kelvo::cmd::FileListBox)).empty());
    EXPECT_TRUE(ListLines(GetDlgItem(window, kelvo::cmd::DetailsListBox)).empty());
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());
    SetGameInstallPath(true);
}

// The common file dialog the editor opened: its file name typed, then OK.
void AnswerFileDialog(HWND dialog, const std::string& name)
{
    SendMessageA(GetDlgItem(dialog, 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

// Adds a file through the real Open dialog, marks an entry with the Delete
// key, drops two files from another program, extracts everything through the
// real folder dialog and saves through the real Save dialog; then checks the
// files on disk byte for byte.
TEST_F(EditorTest, AddsDropsMarksExtractsAndSavesThroughTheRealDialogs)
{
    SetGameInstallPath(true);
    const auto files = kelvo::sample::SampleFiles();
    const std::string input = folder_ + "\\input";
    kelvo::platform::MakeDirectory(input);
    const std::string added = input + "\\added.txt", dropped1 = input + "\\dropped1.dat",
                      dropped2 = input + "\\dropped2.dat";
    WriteBytes(added, "added through the Open dialog\r\n");
    WriteBytes(dropped1, Pattern(3000, 1));
    WriteBytes(dropped2, Pattern(70000, 2));

    Editor editor("\"" + archive_ + "\"");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));

    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileEntryAddFile, 0);
    HWND open = editor.WaitForWindow("#32770");
    ASSERT_NE(open, nullptr);
    AnswerFileDialog(open, added);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size() + 1; }));
    EXPECT_EQ(ListLines(entries).back(), "added.txt");

    // Two files dragged from another program and dropped on the entry list.
    RECT list{};
    GetWindowRect(entries, &list);
    const std::string drop = "\"" + WindowsPath(g_dropFiles) + "\" " + std::to_string((list.left + list.right) / 2) +
                             " " + std::to_string((list.top + list.bottom) / 2) + " \"" + dropped1 + "\" \"" +
                             dropped2 + "\"";
    Editor dropper(drop, false);
    ASSERT_TRUE(dropper.Started());
    EXPECT_TRUE(dropper.WaitForExit());
    EXPECT_EQ(dropper.ExitCode(), 0u);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size() + 3; }));
    const auto lines = ListLines(entries);
    EXPECT_EQ(lines[files.size() + 1], "dropped1.dat");
    EXPECT_EQ(lines[files.size() + 2], "dropped2.dat");
    Screenshot(window).Save("kelvo-after-drop.bmp");

    // The second entry marked with the Delete key.
    ClickLine(entries, 1);
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(entries, LB_GETCURSEL, 0, 0) == 1; }));
    PostMessageA(entries, WM_KEYDOWN, VK_DELETE, 0);
    HWND details = GetDlgItem(window, kelvo::cmd::DetailsListBox);
    ASSERT_TRUE(WaitFor([&] {
        const auto shown = ListLines(details);
        return shown.size() > 6 && shown[6] == "State: Marked for Deletion";
    }));

    // Extract Directory into the folder the dialog starts in: the archive's own.
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileEntryExportDir, 0);
    HWND browse = editor.WaitForWindow("#32770");
    ASSERT_NE(browse, nullptr);
    WaitFor([&] { return FindWindowExA(browse, nullptr, "SysTreeView32", nullptr) != nullptr; });
    Sleep(500); // let the tree fill before the picture is taken
    Screenshot(browse).Save("kelvo-folder-dialog.bmp");
    EXPECT_EQ(TextOf(browse), "Choose Folder");
    PostMessageA(browse, WM_COMMAND, IDOK, 0);
    const std::string out = folder_ + "\\";
    ASSERT_TRUE(WaitFor([&] { return FileContents(out + "dropped2.dat") != "missing"; }));
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(FileContents(out + files[i].name), i == 1 ? "missing" : files[i].data) << files[i].name;
    EXPECT_EQ(FileContents(out + "added.txt"), FileContents(added));
    EXPECT_EQ(FileContents(out + "dropped1.dat"), FileContents(dropped1));
    EXPECT_EQ(FileContents(out + "dropped2.dat"), FileContents(dropped2));

    // Save As through the real dialog writes the unmarked entries, then the added ones.
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileSaveAs, 0);
    HWND save = editor.WaitForWindow("#32770");
    ASSERT_NE(save, nullptr);
    const std::string saved = folder_ + "\\saved.far";
    AnswerFileDialog(save, saved);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size() + 2; }));
    // Nothing is left to save: the window closes without a question, and
    // lets go of the archive it holds.
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());
    kelvo::TFarArchive archive;
    ASSERT_TRUE(archive.Open(saved));
    ASSERT_EQ(archive.Entries.size(), files.size() + 2);
    auto expected = files;
    expected.erase(expected.begin() + 1);
    for (const std::string& name : {added, dropped1, dropped2})
        expected.push_back({name, FileContents(name)});
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lstrcmpiA(std::string(archive.Entries[i].Text()).c_str(), expected[i].name.c_str()), 0)
            << archive.Entries[i].Text();
        EXPECT_TRUE(archive.ExtractToTemp(static_cast<int>(i)));
        EXPECT_EQ(FileContents(archive.TempFileName()), expected[i].data) << expected[i].name;
    }
    archive.DeleteTempFile();
    archive.Close();
}

// Presses a key as the keyboard does, with Ctrl held when asked; the input
// goes to the window in the foreground.
void PressKey(WORD key, bool control = false)
{
    std::vector<INPUT> keys;
    auto add = [&](WORD code, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = flags;
        keys.push_back(input);
    };
    if (control)
        add(VK_CONTROL, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (control)
        add(VK_CONTROL, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// The window that has the keyboard focus in another program's thread.
HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// A text entry edited with the keyboard: Ctrl+E, two hex digits over its
// first byte, Ctrl+S. On disk that byte changed and nothing else.
TEST_F(EditorTest, EditsAnEntryWithTheKeyboardAndSavesItWithCtrlS)
{
    SetGameInstallPath(true);
    auto files = kelvo::sample::SampleFiles();
    Editor editor("\"" + archive_ + "\"");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    HWND details = GetDlgItem(window, kelvo::cmd::DetailsListBox);
    HWND hex = GetDlgItem(window, kelvo::cmd::HexViewer);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));
    constexpr int kText = 5;
    ASSERT_EQ(files[kText].name, "Text\\Neighborhood.txt");

    SetForegroundWindow(window);
    ClickLine(entries, kText);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(hex) && ListLines(details).size() == 7; }));
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }));
    PressKey('E', true);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == hex; }));
    PressKey('4');
    PressKey('1');
    PressKey('S', true);
    // The saved archive is opened again: the header lines come back.
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() == 4; }));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());

    files[kText].data[0] = 'A';
    EXPECT_EQ(ReadBytes(archive_), kelvo::sample::FarImage(files));
}

// A modder's round: the filter box, three entries taken with Shift+Down and
// extracted, one renamed in the Rename Entry dialog, another's bytes replaced
// from a file through the Open dialog, and Save. On disk the archive holds
// exactly the new name and the new bytes, everything else as it was.
TEST_F(EditorTest, FiltersSelectsExtractsRenamesReplacesAndSaves)
{
    SetGameInstallPath(true);
    auto files = kelvo::sample::SampleFiles();
    const std::string replacement = folder_ + "\\replacement.bmp";
    WriteBytes(replacement, Pattern(5000, 3));
    Editor editor("\"" + archive_ + "\"");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    HWND details = GetDlgItem(window, kelvo::cmd::DetailsListBox);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));

    SetForegroundWindow(window);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }));
    PressKey('F', true);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == GetDlgItem(window, kelvo::cmd::FilterBox); }));
    for (WORD key : {'B', 'M', 'P'})
        PressKey(key);
    // Seven bitmaps and the text file in the folder named like one.
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == 8; }));
    EXPECT_EQ(ListLines(entries)[1], "gradient4.bmp");
    Screenshot(window).Save("kelvo-filtered.bmp");

    ClickLine(entries, 1);
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() > 2 && ListLines(details)[2] == "Full Name: Textures\\gradient4.bmp"; }));
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == entries; }));
    Keys({{VK_SHIFT, true}, {VK_DOWN, true}, {VK_DOWN, false}, {VK_DOWN, true}, {VK_DOWN, false}, {VK_SHIFT, false}});
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(entries, LB_GETSELCOUNT, 0, 0) == 3; }));

    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileEntryExportFile, 0);
    HWND browse = editor.WaitForWindow("#32770");
    ASSERT_NE(browse, nullptr);
    WaitFor([&] { return FindWindowExA(browse, nullptr, "SysTreeView32", nullptr) != nullptr; });
    PostMessageA(browse, WM_COMMAND, IDOK, 0);
    const std::string out = folder_ + "\\";
    ASSERT_TRUE(WaitFor([&] { return FileContents(out + files[9].name) != "missing"; }));
    for (std::size_t i : {7u, 8u, 9u})
        EXPECT_EQ(FileContents(out + files[i].name), files[i].data) << files[i].name;
    EXPECT_EQ(FileContents(out + files[6].name), "missing");

    // The focused entry, the third, renamed.
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

    // The first bitmap's bytes replaced from a file.
    ClickLine(entries, 0);
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() > 2 && ListLines(details)[2] == "Full Name: Textures\\checker1.bmp"; }));
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileEntryReplace, 0);
    HWND open = editor.WaitForWindow("#32770");
    ASSERT_NE(open, nullptr);
    AnswerFileDialog(open, replacement);
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() > 6 && ListLines(details)[6] == "State: Changed Entry"; }));

    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileSave, 0);
    ASSERT_TRUE(WaitFor([&] { return ListLines(details).size() == 4; }));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());

    files[9].name = "Textures\\House RLE.bmp";
    files[6].data = Pattern(5000, 3);
    EXPECT_EQ(ReadBytes(archive_), kelvo::sample::FarImage(files));
}

// Opens two archives in two runs of the program; a third run has them at
// the end of its File menu, the last opened first. Then the about box.
TEST_F(EditorTest, RemembersOpenedArchivesAcrossRunsAndShowsTheAboutBox)
{
    SetGameInstallPath(true);
    const std::string second = folder_ + "\\second.far";
    WriteBytes(second, kelvo::sample::FarImage({{"only.txt", "one"}}));
    for (const std::string& archive : {archive_, second}) {
        Editor editor("\"" + archive + "\"");
        ASSERT_TRUE(editor.Started());
        HWND window = editor.WaitForWindow("TFarDlg");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitFor([&] { return !ListLines(GetDlgItem(window, kelvo::cmd::FileListBox)).empty(); }));
        PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(editor.WaitForExit());
    }

    Editor editor("");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    // (Wine lets no other process read the menu: its items are chosen instead.)
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileRecentFirst, 0);
    EXPECT_TRUE(WaitFor([&] { return ListLines(entries) == std::vector<std::string>{"only.txt"}; }));
    PostMessageA(window, WM_COMMAND, kelvo::cmd::FileRecentFirst + 1, 0);
    EXPECT_TRUE(WaitFor([&] { return ListLines(entries).size() == kelvo::sample::SampleFiles().size(); }));

    PostMessageA(window, WM_COMMAND, kelvo::cmd::HelpAbout, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        about = FindProcessWindow(editor.Id(), "#32770");
        return about && TextOf(about) == "About Kelvo";
    }));
    Sleep(300); // let it paint before the picture is taken
    Screenshot(about).Save("kelvo-about-box.bmp");
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());
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
