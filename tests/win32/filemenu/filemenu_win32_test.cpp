// The real open and save dialogs and message boxes of the document workflow,
// answered from a second thread the way a user would: find the dialog of
// this process, read what it shows, type a name or press a button.
#include "components/filemenu/file_menu_services_win32.h"
#include "tests/win32/window_search.h"
#include "ui/common_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

namespace kelvo {
namespace {

using namespace test;

constexpr int kFileNameControl = 0x47C; // the file-name combo box of the common file dialogs
constexpr int kMessageIconControl = 0x440;

using Failures = std::vector<std::string>;

// The message of a box: the static control with text that is not the icon.
BOOL CALLBACK MatchMessageText(HWND child, LPARAM param)
{
    if (ClassOf(child) == "Static" && GetDlgCtrlID(child) != kMessageIconControl && !TextOf(child).empty())
        *reinterpret_cast<std::string*>(param) = TextOf(child);
    return TRUE;
}

void Press(HWND dialog, int button)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

// Answers the dialogs the main thread opens, one step per dialog, in order.
// A step reads the dialog, notes what it found wrong and presses a button. A
// dialog its step left open is cancelled, so the main thread never waits forever.
class DialogAnswerer {
public:
    using Step = std::function<void(HWND dialog, Failures& failures)>;

    explicit DialogAnswerer(std::vector<Step> steps) : thread_([this, steps = std::move(steps)] { Run(steps); }) {}
    ~DialogAnswerer() { Join(); }

    // Waits for the answering thread; returns what went wrong.
    Failures Join()
    {
        if (thread_.joinable())
            thread_.join();
        return failures_;
    }

private:
    void Run(const std::vector<Step>& steps)
    {
        const DWORD self = GetCurrentProcessId();
        HWND previous = nullptr;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = FindProcessWindow(self, "#32770", previous)) != nullptr; })) {
                failures_.push_back("dialog " + std::to_string(i + 1) + " never appeared");
                return;
            }
            steps[i](dialog, failures_);
            if (!WaitFor([&] { return !IsWindow(dialog); })) {
                failures_.push_back("dialog " + std::to_string(i + 1) + " stayed open");
                Press(dialog, IDCANCEL);
                WaitFor([&] { return !IsWindow(dialog); });
            }
            previous = dialog;
        }
    }

    Failures failures_;
    std::thread thread_;
};

// Types name into a file dialog's name field and presses OK.
DialogAnswerer::Step TypeNameAndOk(std::string name)
{
    return [=](HWND dialog, Failures& failures) {
        HWND field = nullptr;
        if (!WaitFor([&] { return (field = GetDlgItem(dialog, kFileNameControl)) != nullptr; }))
            failures.push_back("no file-name control");
        else
            SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        Press(dialog, field ? IDOK : IDCANCEL);
    };
}

// A message box step: checks text, title, icon and which buttons it has, then presses button.
DialogAnswerer::Step AnswerBox(std::string text, std::string title, LPCSTR icon, std::vector<int> buttons, int button)
{
    return [=](HWND box, Failures& failures) {
        std::string shown;
        EnumChildWindows(box, MatchMessageText, reinterpret_cast<LPARAM>(&shown));
        if (shown != text)
            failures.push_back("text " + shown);
        if (TextOf(box) != title)
            failures.push_back("title " + TextOf(box));
        if (reinterpret_cast<HICON>(SendDlgItemMessageA(box, kMessageIconControl, STM_GETICON, 0, 0)) !=
            LoadIconA(nullptr, icon))
            failures.push_back("another icon");
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
            if ((GetDlgItem(box, id) != nullptr) != (std::find(buttons.begin(), buttons.end(), id) != buttons.end()))
                failures.push_back("button " + std::to_string(id) + " wrongly present or missing");
        Press(box, button);
    };
}

bool SameName(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

TEST(FileDialogs, OpenReturnsTheTypedNameAndSaveAddsTheDefaultExtension)
{
    // A folder of this run's own: no file of the names typed is there, so no overwrite question comes.
    char temp[MAX_PATH] = {}, longTemp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    GetLongPathNameA(temp, longTemp, MAX_PATH);
    const std::string folder = std::string(longTemp) + "kelvo-filemenu-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);

    ui::TOpenDialog open;
    ui::TSaveDialog save;
    const struct {
        ui::TCommonFileDialog& dialog;
        std::string typed, chosen;
    } cases[] = {{open, "typed.far", "typed.far"}, {save, "result", "result.FAR"}}; // neither file exists
    for (const auto& c : cases) {
        c.dialog.Filter = "FAR files (*.far)|*.FAR";
        c.dialog.DefaultExt = "FAR";
        c.dialog.InitialDir = folder;
        DialogAnswerer answerer({TypeNameAndOk(c.typed)});
        EXPECT_TRUE(c.dialog.Execute()) << c.typed;
        EXPECT_EQ(answerer.Join(), Failures{});
        EXPECT_PRED2(SameName, c.dialog.GetFileName(), folder + "\\" + c.chosen);
    }
    RemoveDirectoryA(folder.c_str());
}

TEST(MessageBoxes, SaveQuestionGivesTheAnswerAndNotFoundHasOnlyOk)
{
    TWin32FileMenuServices services;
    const std::string question = "File C:\\my files\\a.far has changed. Save Changes?";
    const std::vector<int> yesNoCancel{IDYES, IDNO, IDCANCEL};
    DialogAnswerer answerer({AnswerBox(question, "Save changes", IDI_EXCLAMATION, yesNoCancel, IDYES),
                             AnswerBox(question, "Save changes", IDI_EXCLAMATION, yesNoCancel, IDNO),
                             AnswerBox(question, "Save changes", IDI_EXCLAMATION, yesNoCancel, IDCANCEL),
                             AnswerBox("File C:\\nope.far not found.", "Error", IDI_ERROR, {IDOK}, IDOK)});
    EXPECT_EQ(services.AskSaveChanges(question, "Save changes"), TSaveAnswer::saYes);
    EXPECT_EQ(services.AskSaveChanges(question, "Save changes"), TSaveAnswer::saNo);
    EXPECT_EQ(services.AskSaveChanges(question, "Save changes"), TSaveAnswer::saCancel);
    services.ShowNotFound("File C:\\nope.far not found.");
    EXPECT_EQ(answerer.Join(), Failures{});
}

} // namespace
} // namespace kelvo
