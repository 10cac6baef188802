// Starts the real kelvo.exe as a separate process, finds its window, reads
// what it shows through window messages, answers its message box and closes it.
// Usage: editor_e2e_tests PATH-TO-kelvo.exe [gtest options]
#include "app/commands.h"
#include "platform/file.h"
#include "tools/sample/sample_archive.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string g_editor;

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(30);

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

// Polls until the condition holds or the time is up.
template <typename Condition>
bool WaitFor(Condition condition)
{
    const auto end = Clock::now() + kPatience;
    while (Clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

struct FindRequest {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM data)
{
    auto* request = reinterpret_cast<FindRequest*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner == request->process && std::string(name) == request->className && IsWindowVisible(window)) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindProcessWindow(DWORD process, const char* className)
{
    FindRequest request{process, className, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&request));
    return request.found;
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

class Editor {
public:
    explicit Editor(const std::string& arguments)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string command = "\"" + WindowsPath(g_editor) + "\" " + arguments;
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
        return WaitForSingleObject(info_.hProcess, static_cast<DWORD>(kPatience.count() * 1000)) == WAIT_OBJECT_0;
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

void SetGameInstallPath(bool present)
{
    const char* path = "Software\\Maxis\\The Sims";
    if (!present) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
        return;
    }
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    const char value[] = "C:\\Games\\The Sims";
    RegSetValueExA(key, "InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
    RegCloseKey(key);
}

class EditorTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kelvo::platform::TempFolder() + "kelvo-e2e-" + std::to_string(GetCurrentProcessId());
        kelvo::platform::MakeDirectory(folder_);
        archive_ = folder_ + "\\sample.far";
        const std::string bytes = kelvo::sample::FarImage(kelvo::sample::SampleFiles());
        std::ofstream(archive_, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    void TearDown() override
    {
        kelvo::platform::RemoveFile(archive_);
        RemoveDirectoryA(folder_.c_str());
    }
    std::string folder_;
    std::string archive_;
};

TEST_F(EditorTest, ListsTheArchiveGivenOnTheCommandLine)
{
    SetGameInstallPath(true);
    Editor editor("\"" + archive_ + "\"");
    ASSERT_TRUE(editor.Started());
    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    char caption[32] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "Kelvo");

    const auto files = kelvo::sample::SampleFiles();
    HWND entries = GetDlgItem(window, kelvo::cmd::FileListBox);
    HWND details = GetDlgItem(window, kelvo::cmd::DetailsListBox);
    ASSERT_TRUE(WaitFor([&] { return ListLines(entries).size() == files.size(); }));
    const auto lines = ListLines(entries);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(lines[i], files[i].name.substr(files[i].name.find_last_of('\\') + 1));
    const auto header = ListLines(details);
    ASSERT_EQ(header.size(), 4u);
    EXPECT_EQ(header[0], "FAR Header: FAR!byAZ");
    EXPECT_EQ(header[1], "Version: 1");
    EXPECT_EQ(header[3], "Number of Entries: " + std::to_string(files.size()));

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
    char title[64] = {};
    GetWindowTextA(box, title, sizeof title);
    EXPECT_STREQ(title, "Kelvo");
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    HWND window = editor.WaitForWindow("TFarDlg");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(ListLines(GetDlgItem(window, kelvo::cmd::FileListBox)).empty());
    EXPECT_TRUE(ListLines(GetDlgItem(window, kelvo::cmd::DetailsListBox)).empty());
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit());
    SetGameInstallPath(true);
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: editor_e2e_tests PATH-TO-kelvo.exe\n");
        return 2;
    }
    g_editor = argv[1];
    return RUN_ALL_TESTS();
}
