// What the main window's tests share: a script answering the window's and
// the handler's questions, a fixture with a folder of its own, and list lines.
#pragma once

#include "app/commands.h"
#include "app/far_dlg.h"
#include "components/shell/shell_init.h"
#include "tests/test_support.h"
#include "tests/win32/folder_dialog_answers.h"
#include "tools/sample/sample_archive.h"
#include "ui/list_box.h"
#include "ui/list_view.h"
#include "ui/window.h"

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kelvo {

// OLE and the shell's formats, started once before any window of the test program.
inline const TShellStartup g_shellStartup;

using test::ReadBytes;
using test::WriteBytes;

// The names in the temporary folder that start with a prefix.
inline std::vector<std::string> TempItems(const std::string& prefix)
{
    std::vector<std::string> names;
    for (const platform::DirectoryItem& item : platform::ListDirectory(platform::TempFolder()))
        if (item.name.rfind(prefix, 0) == 0)
            names.push_back(item.name);
    return names;
}

inline std::vector<std::string> Lines(const ui::ListBox& list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list.Text(i));
    return lines;
}

// A list view row's cells.
inline std::vector<std::string> Row(ui::ListView& list, int row)
{
    std::vector<std::string> cells;
    for (int column = 0; column < list.ColumnCount(); ++column)
        cells.push_back(list.Text(row, column));
    return cells;
}

// Answers the questions from a script (Cancel once it has run out) and
// records what was asked and shown.
class Script : public TFileMenuServices, public TFarDlgServices {
public:
    std::deque<TSaveAnswer> answers;
    std::vector<std::string> questions, messages;
    std::vector<std::string> arguments{"kelvo.exe"};

    TSaveAnswer AskSaveChanges(const std::string& text, const std::string&) override
    {
        questions.push_back(text);
        if (answers.empty())
            return TSaveAnswer::saCancel;
        const TSaveAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowNotFound(const std::string& text) override { messages.push_back(text); }
    bool FileExists(const std::string& name) override { return platform::FileExists(name); }
    int ParamCount() override { return static_cast<int>(arguments.size()) - 1; }
    std::string ParamStr(int index) override
    {
        return index < static_cast<int>(arguments.size()) ? arguments[static_cast<std::size_t>(index)] : "";
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowError(const std::string& text, const std::string& caption) override
    {
        errors.push_back(caption + ": " + text);
    }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        if (yesNo.empty())
            return false;
        const bool answer = yesNo.front();
        yesNo.pop_front();
        return answer;
    }
    std::optional<std::string> AskEntryName(const std::string& name, bool& refused) override
    {
        asked.push_back(name);
        refused = false;
        if (names.empty())
            return std::nullopt;
        std::optional<std::string> answer = names.front();
        names.pop_front();
        return answer;
    }
    std::vector<std::string> errors; // caption: text
    std::deque<bool> yesNo;          // the answers to Yes/No questions; No once they have run out
    std::deque<std::optional<std::string>> names; // the names typed in Rename Entry; cancelled once they have run out
    std::vector<std::string> asked;  // the names Rename Entry showed
};

// A file dialog choosing the scripted names in turn, and the scripted file
// types (counted from 1) while there are any; an empty name cancels.
class ScriptedDialog : public TFileDialog {
public:
    std::deque<std::string> names;
    std::deque<int> types;
    std::string name;
    std::vector<int> shownTypes; // the type the dialog started with, each run
    std::string GetFileName() const override { return name; }
    void SetFileName(const std::string& value) override { name = value; }
    bool Execute() override
    {
        shownTypes.push_back(FilterIndex);
        if (names.empty())
            return false;
        name = names.front();
        names.pop_front();
        if (!name.empty() && !types.empty()) {
            FilterIndex = types.front();
            types.pop_front();
        }
        return !name.empty();
    }
};

// A folder of the test's own, emptied and removed afterwards, and the game's
// install path in the registry, so no message box comes up at start; the
// window on an archive of its own, its dialogs answered from scripts.
class FarDlgFixture : public testing::Test {
protected:
    void SetUp() override
    {
        // A new name for every test: Wine's shell keeps what it listed of a
        // folder, and a folder dialog would not find the subfolders of one
        // removed and made again under the same name.
        static int tests = 0;
        folder = platform::TempFolder() + "kelvo-dlg-" + std::to_string(platform::ProcessId()) + "-" +
                 std::to_string(++tests) + "\\";
        platform::MakeDirectory(folder);
        // Every failure reaches the user through the services' error box:
        // an exception that reaches the message loop fails the test.
        ui::SetExceptionHandler([this](const std::exception& error) { escaped.push_back(error.what()); });
        // The program seems to run from the test's folder: its recent-files
        // list (Kelvo.ini beside the program) is the test's own.
        script.arguments[0] = folder + "kelvo.exe";
        const char installPath[] = "C:\\Games\\Sims";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Maxis\\The Sims", "InstallPath", REG_SZ, installPath,
                        sizeof installPath);
    }
    void TearDown() override
    {
        CloseWindow();
        ui::SetExceptionHandler(nullptr);
        EXPECT_EQ(escaped, std::vector<std::string>{});
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    // Closes the window (which lets go of the archive it holds) and its
    // folder dialog's answers.
    void CloseWindow()
    {
        browse.reset();
        dlg.reset();
    }

    // Writes the files (the sample's unless given) as sample.far in the
    // test's folder and starts the window with it on the command line.
    void OpenSample(std::vector<sample::SampleFile> archiveFiles = sample::SampleFiles(), int show = SW_SHOWNOACTIVATE)
    {
        files = std::move(archiveFiles);
        samplePath = folder + "sample.far";
        WriteBytes(samplePath, sample::FarImage(files));
        script.arguments.push_back(samplePath);
        Start(show);
    }
    // Creates the window with the scripted dialogs and shows it, which runs
    // the handler's start-up.
    void Start(int show = SW_SHOWNOACTIVATE)
    {
        dlg = std::make_unique<TFarDlg>(script, script);
        dlg->FMH().OpenDialog = &openDialog;
        dlg->FMH().SaveDialog = &saveDialog;
        dlg->UseFileAddDialog(addDialog);
        dlg->UseFileReplaceDialog(replaceDialog);
        dlg->IffPreview().SpritePreview().UseFrameSaveDialog(frameDialog);
        dlg->Show(show);
        browse = std::make_unique<test::FolderDialogAnswers>(dlg->BrowseDirectoryDlg());
    }
    // Writes a file below the test's folder, making its folders.
    std::string MakeFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = folder + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteBytes(path, bytes);
        return path;
    }

    // Selects an entry by line, as a click does.
    void Select(int position)
    {
        dlg->FileListBox().SetItemIndex(position);
        SendMessageA(dlg->Handle(), WM_COMMAND, MAKEWPARAM(cmd::FileListBox, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(dlg->FileListBox().Handle()));
    }
    // Selects an entry of the files by name.
    void Select(const std::string& name)
    {
        for (std::size_t i = 0; i < files.size(); ++i)
            if (files[i].name == name)
                return Select(static_cast<int>(i));
        ADD_FAILURE() << name;
    }
    // Moves the IFF chunk list's selection to a row by keys: Home, then Down.
    void SelectChunk(int row)
    {
        HWND list = dlg->IffPreview().ChunkList().Handle();
        for (int i = -1; i < row; ++i) {
            const WPARAM key = i < 0 ? VK_HOME : VK_DOWN;
            SendMessageA(list, WM_KEYDOWN, key, 1);
            SendMessageA(list, WM_KEYUP, key, 0xC0000001);
        }
    }
    std::string DetailLine(int line) { return Lines(dlg->DetailsListBox()).at(static_cast<std::size_t>(line)); }
    // The visible viewers of the preview area, by name; "" for none.
    std::string Shown()
    {
        std::string shown;
        TIffPreview& iff = dlg->IffPreview();
        for (auto [window, name] : {std::pair{dlg->ImageViewer().Handle(), "image"},
                                    std::pair{dlg->PictureViewer().Handle(), "picture"},
                                    std::pair{dlg->TextViewer().Handle(), "text"},
                                    std::pair{dlg->HexViewer().Handle(), "hex"},
                                    std::pair{iff.StringList().Handle(), "strings"},
                                    std::pair{iff.PaletteGrid().Handle(), "palette"},
                                    std::pair{iff.SpritePreview().Handle(), "sprite"}})
            if (IsWindowVisible(window))
                shown += name;
        return shown;
    }
    // Whether a tool bar button is enabled.
    bool Enabled(int command)
    {
        return SendMessageA(dlg->ToolBar1().Handle(), TB_ISBUTTONENABLED, static_cast<WPARAM>(command), 0) != 0;
    }
    // A child window's place in the window's client area.
    RECT Place(HWND window)
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, dlg->Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    // Presses and releases the mouse button over a tool bar button.
    void Click(int command)
    {
        HWND bar = dlg->ToolBar1().Handle();
        RECT rect{};
        SendMessageA(bar, TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&rect));
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(bar, WM_LBUTTONUP, 0, at);
    }
    // Runs a menu command.
    void Command(int command) { SendMessageA(dlg->Handle(), WM_COMMAND, command, 0); }
    std::string Status(int panel) { return dlg->StatusBar().Panels().Items(panel).Text(); }

    Script script;
    ScriptedDialog openDialog, saveDialog, addDialog, replaceDialog, frameDialog;
    std::vector<sample::SampleFile> files; // the archive's, as OpenSample wrote them
    std::string samplePath;
    std::unique_ptr<TFarDlg> dlg;
    std::unique_ptr<test::FolderDialogAnswers> browse; // answers the window's folder dialog, when set
    std::string folder;
    std::vector<std::string> escaped; // what exceptions reached the message loop
};

} // namespace kelvo
