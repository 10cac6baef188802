// The real open and save dialogs and message boxes of the document workflow,
// answered from a second thread the way a user would: find the dialog of
// this process, read what it shows, type a name or press a button.
#include "components/filemenu/file_menu_services_win32.h"
#include "ui/common_dialogs.h"
#include "ui/handles.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvo {
namespace {

constexpr DWORD kDialogWaitMs = 20000;
constexpr int kFileNameControl = 0x47C; // the file-name combo box of the common file dialogs
constexpr int kFileTypeControl = 0x470; // the file-type combo box
constexpr int kMessageIconControl = 0x440;

struct HandleTraits {
    static void Free(HANDLE h) { CloseHandle(h); }
};
using OwnedHandle = ui::Owned<HANDLE, HandleTraits>;

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

struct DialogSearch {
    HWND Except;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchOwnDialog(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<DialogSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && window != search.Except && IsWindowVisible(window) &&
        ClassOf(window) == "#32770") {
        search.Found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog window of this process other than Except, or null.
HWND FindOwnDialog(HWND Except)
{
    DialogSearch search{Except};
    EnumWindows(MatchOwnDialog, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

bool WaitFor(const std::function<bool()>& condition)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > kDialogWaitMs)
            return false;
        Sleep(30);
    }
    return true;
}

// Answers the dialogs the main thread opens, one step per dialog, in order.
// A step reads the dialog and presses something; it reports what it found
// wrong through Fail. A dialog a step did not close is cancelled, so the
// main thread never waits forever.
class DialogAnswerer {
public:
    using Step = std::function<void(HWND dialog, DialogAnswerer& self)>;

    explicit DialogAnswerer(std::vector<Step> steps)
        : thread_([this, steps = std::move(steps)] { Run(steps); })
    {
    }
    ~DialogAnswerer() { Join(); }

    void Fail(const std::string& what)
    {
        std::lock_guard lock(mutex_);
        failures_.push_back(what);
    }
    // Waits for the answering thread; returns what went wrong.
    std::vector<std::string> Join()
    {
        if (thread_.joinable())
            thread_.join();
        return failures_;
    }

private:
    void Run(const std::vector<Step>& steps)
    {
        HWND previous = nullptr;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = FindOwnDialog(previous)) != nullptr; })) {
                Fail("dialog " + std::to_string(i + 1) + " never appeared");
                return;
            }
            steps[i](dialog, *this);
            if (!WaitFor([&] { return !IsWindow(dialog); })) {
                Fail("dialog " + std::to_string(i + 1) + " stayed open");
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                WaitFor([&] { return !IsWindow(dialog); });
                return;
            }
            previous = dialog;
        }
    }

    std::mutex mutex_;
    std::vector<std::string> failures_;
    std::thread thread_;
};

void Press(HWND dialog, int button)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

BOOL CALLBACK MatchEdit(HWND child, LPARAM param)
{
    if (ClassOf(child) != "Edit")
        return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

// The edit control somewhere inside window, or null.
HWND FindEdit(HWND window)
{
    HWND found = nullptr;
    EnumChildWindows(window, MatchEdit, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Types name into the file dialog's name field and presses OK.
void TypeNameAndOk(HWND dialog, DialogAnswerer& self, const std::string& name)
{
    HWND field = nullptr;
    if (!WaitFor([&] { return (field = GetDlgItem(dialog, kFileNameControl)) != nullptr; })) {
        self.Fail("no file-name control");
        Press(dialog, IDCANCEL);
        return;
    }
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (TextOf(field) != name) {
        HWND edit = FindEdit(field);
        if (edit)
            SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    Press(dialog, IDOK);
}

std::string FirstFileType(HWND dialog)
{
    HWND types = GetDlgItem(dialog, kFileTypeControl);
    if (!types || SendMessageA(types, CB_GETCOUNT, 0, 0) < 1)
        return {};
    char text[256] = {};
    SendMessageA(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

bool SameName(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// A scratch folder for the dialogs to start in.
class FileDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        char longTemp[MAX_PATH] = {};
        GetLongPathNameA(temp, longTemp, MAX_PATH);
        folder_ = std::string(longTemp) + "kelvo-filemenu-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        ASSERT_NE(GetFileAttributesA(folder_.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    void TearDown() override { RemoveDirectoryA(folder_.c_str()); }

    std::string folder_;
};

// --- The file dialogs -------------------------------------------------------

TEST(CommonDialogs, FilterBecomesZeroSeparatedPairs)
{
    using namespace std::string_literals;
    EXPECT_EQ(ui::NativeFilter("FAR files (*.far)|*.FAR"), "FAR files (*.far)\0*.FAR\0\0"s);
    EXPECT_EQ(ui::NativeFilter("A|*.a|B|*.b"), "A\0*.a\0B\0*.b\0\0"s);
    EXPECT_EQ(ui::NativeFilter(""), "");
}

TEST_F(FileDialogTest, OpenDialogReturnsTheTypedName)
{
    ui::TOpenDialog dialog;
    dialog.Filter = "FAR files (*.far)|*.FAR";
    dialog.InitialDir = folder_;
    dialog.Title = "Pick an archive";
    DialogAnswerer answerer({[](HWND window, DialogAnswerer& self) {
        if (TextOf(window) != "Pick an archive")
            self.Fail("title " + TextOf(window));
        if (FirstFileType(window) != "FAR files (*.far)")
            self.Fail("file type " + FirstFileType(window));
        TypeNameAndOk(window, self, "typed.far"); // need not exist
    }});
    const bool chosen = dialog.Execute();
    EXPECT_EQ(answerer.Join(), std::vector<std::string>{});
    EXPECT_TRUE(chosen);
    EXPECT_PRED2(SameName, dialog.GetFileName(), folder_ + "\\typed.far");
}

TEST_F(FileDialogTest, CancelledDialogKeepsTheName)
{
    ui::TOpenDialog dialog;
    dialog.InitialDir = folder_;
    dialog.SetFileName("kept.far");
    DialogAnswerer answerer({[](HWND window, DialogAnswerer&) { Press(window, IDCANCEL); }});
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(answerer.Join(), std::vector<std::string>{});
    EXPECT_EQ(dialog.GetFileName(), "kept.far");
}

TEST_F(FileDialogTest, SaveDialogShowsThePresetNameAndAddsTheDefaultExtension)
{
    ui::TSaveDialog dialog;
    dialog.Filter = "FAR files (*.far)|*.FAR";
    dialog.DefaultExt = "FAR";
    dialog.InitialDir = folder_;
    dialog.SetFileName("preset.far");
    DialogAnswerer answerer({[](HWND window, DialogAnswerer& self) {
        HWND field = GetDlgItem(window, kFileNameControl);
        if (!field || TextOf(field) != "preset.far")
            self.Fail("preset name " + (field ? TextOf(field) : std::string("missing")));
        TypeNameAndOk(window, self, "result");
    }});
    const bool chosen = dialog.Execute();
    EXPECT_EQ(answerer.Join(), std::vector<std::string>{});
    EXPECT_TRUE(chosen);
    EXPECT_PRED2(SameName, dialog.GetFileName(), folder_ + "\\result.FAR");
}

// --- The message boxes --------------------------------------------------------

// The message of a box is the static control with text that is not its icon.
BOOL CALLBACK CollectMessageText(HWND child, LPARAM param)
{
    if (ClassOf(child) == "Static" && GetDlgCtrlID(child) != kMessageIconControl && !TextOf(child).empty())
        *reinterpret_cast<std::string*>(param) = TextOf(child);
    return TRUE;
}

// A message box step: checks text, title and icon, then presses button.
DialogAnswerer::Step AnswerBox(std::string text, std::string title, LPCSTR icon, int button)
{
    return [=](HWND box, DialogAnswerer& self) {
        std::string shown;
        EnumChildWindows(box, CollectMessageText, reinterpret_cast<LPARAM>(&shown));
        if (shown != text)
            self.Fail("text " + shown);
        if (TextOf(box) != title)
            self.Fail("title " + TextOf(box));
        const auto shownIcon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, kMessageIconControl, STM_GETICON, 0, 0));
        if (shownIcon != LoadIconA(nullptr, icon))
            self.Fail("another icon");
        Press(box, button);
    };
}

// A document opened from the program file itself (it exists), with changes.
class SaveQuestionTest : public testing::Test {
protected:
    SaveQuestionTest()
    {
        handler.OnOpen = [](const std::string&) { return true; };
        handler.OnSave = [this](const std::string& name) {
            saved.push_back(name);
            return true;
        };
        handler.OpenDialog = &openDialog;
    }

    void OpenModifiedDocument()
    {
        openDialog.SetFileName(services.ParamStr(0));
        openDialog.Execute();
        handler.Open();
        handler.Modified = true;
    }

    // Hands out the preset name without showing anything.
    struct PresetDialog : TFileDialog {
        std::string name;
        std::string GetFileName() const override { return name; }
        void SetFileName(const std::string& n) override { name = n; }
        bool Execute() override { return true; }
    } openDialog;

    ui::TFormEvents form;
    TWin32FileMenuServices services;
    TFileMenuHandler handler{form, services};
    std::vector<std::string> saved;
};

TEST_F(SaveQuestionTest, BoxAnswersGiveTheVerdict)
{
    OpenModifiedDocument();
    const std::string text = "File " + services.ParamStr(0) + " has changed. Save Changes?";
    DialogAnswerer answerer({AnswerBox(text, "Save changes", IDI_EXCLAMATION, IDNO),
                             AnswerBox(text, "Save changes", IDI_EXCLAMATION, IDCANCEL),
                             AnswerBox(text, "Save changes", IDI_EXCLAMATION, IDYES)});
    bool afterNo = false;
    handler.Exit(afterNo);
    const bool modifiedAfterNo = handler.Modified;
    bool afterCancel = true;
    handler.Exit(afterCancel);
    bool afterYes = false;
    handler.Exit(afterYes);
    EXPECT_EQ(answerer.Join(), std::vector<std::string>{});
    EXPECT_TRUE(afterNo);
    EXPECT_TRUE(modifiedAfterNo);
    EXPECT_FALSE(afterCancel);
    EXPECT_TRUE(afterYes);
    EXPECT_FALSE(handler.Modified);
    EXPECT_EQ(saved, std::vector<std::string>{services.ParamStr(0)});
}

TEST_F(FileDialogTest, OpenOfAMissingFileShowsTheNotFoundBox)
{
    ui::TFormEvents form;
    TWin32FileMenuServices services;
    TFileMenuHandler handler(form, services);
    ui::TOpenDialog dialog;
    dialog.Filter = "FAR files (*.far)|*.FAR";
    dialog.InitialDir = folder_;
    handler.OpenDialog = &dialog;
    bool opened = false;
    handler.OnOpen = [&](const std::string&) { return opened = true; };

    // The name holds format directives that must come out as typed.
    const std::string name = "100%s %d.far";
    DialogAnswerer answerer({[&](HWND window, DialogAnswerer& self) { TypeNameAndOk(window, self, name); },
                             AnswerBox("File " + dialog.InitialDir + "\\" + name + " not found.", "Error",
                                       IDI_ERROR, IDOK)});
    handler.Open();
    EXPECT_EQ(answerer.Join(), std::vector<std::string>{});
    EXPECT_FALSE(opened);
    EXPECT_EQ(handler.FileName(), "");
}

TEST(NotFoundBox, HasOnlyAnOkButton)
{
    TWin32FileMenuServices services;
    DialogAnswerer answerer({[](HWND box, DialogAnswerer& self) {
        if (GetDlgItem(box, IDCANCEL) || GetDlgItem(box, IDYES) || GetDlgItem(box, IDNO))
            self.Fail("more buttons than OK");
        if (!GetDlgItem(box, IDOK))
            self.Fail("no OK button");
        Press(box, IDOK);
    }});
    services.ShowNotFound("File C:\\nope.far not found.");
    EXPECT_EQ(answerer.Join(), std::vector<std::string>{});
}

// --- Files and the command line -------------------------------------------------

TEST_F(FileDialogTest, FileExistsOnlyForFiles)
{
    TWin32FileMenuServices services;
    EXPECT_TRUE(services.FileExists(services.ParamStr(0)));
    EXPECT_FALSE(services.FileExists(folder_));
    EXPECT_FALSE(services.FileExists(folder_ + "\\missing.far"));
    EXPECT_FALSE(services.FileExists(""));
}

TEST(CommandLine, ProgramPathAndOutOfRangeArguments)
{
    TWin32FileMenuServices services;
    const std::string program = services.ParamStr(0);
    ASSERT_GT(program.size(), 3u);
    EXPECT_EQ(program.substr(1, 2), ":\\");
    EXPECT_PRED2(SameName, program.substr(program.size() - 25), "\\filemenu_win32_tests.exe");
    EXPECT_EQ(services.ParamStr(-1), "");
    EXPECT_EQ(services.ParamStr(services.ParamCount() + 1), "");

    // The show hook takes the program's folder from it.
    ui::TFormEvents form;
    TFileMenuHandler handler(form, services);
    handler.ParamCountLook = 0;
    form.OnShow(form);
    EXPECT_EQ(handler.ExeFolder(), program.substr(0, program.size() - 24));
}

// Runs this program again with arguments; the copy checks how they were split.
TEST(CommandLine, ArgumentsAreSplitLikeTheRuntime)
{
    char child[8] = {};
    if (GetEnvironmentVariableA("KELVO_FILEMENU_CHILD", child, sizeof child)) {
        TWin32FileMenuServices services;
        EXPECT_EQ(services.ParamCount(), 3);
        EXPECT_EQ(services.ParamStr(1), "two words");
        EXPECT_EQ(services.ParamStr(2), "rel\\name.far");
        EXPECT_EQ(services.ParamStr(3), "say \"hi\"");
        EXPECT_EQ(services.ParamStr(4), "");
        return;
    }
    TWin32FileMenuServices services;
    std::string commandLine = "\"" + services.ParamStr(0) + "\" \"two words\" rel\\name.far \"say \\\"hi\\\"\"";
    SetEnvironmentVariableA("KELVO_FILEMENU_CHILD", "1");
    SetEnvironmentVariableA("GTEST_FILTER", "CommandLine.ArgumentsAreSplitLikeTheRuntime");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &info);
    SetEnvironmentVariableA("KELVO_FILEMENU_CHILD", nullptr);
    SetEnvironmentVariableA("GTEST_FILTER", nullptr);
    ASSERT_TRUE(started);
    OwnedHandle process(info.hProcess), thread(info.hThread);
    if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        FAIL() << "the child did not finish";
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
} // namespace kelvo
