// What the main window's tests share: scripted answers to the window's
// questions and dialogs, and a fixture with a folder of its own.
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
using Strings = std::vector<std::string>;

// The names in the temporary folder that start with a prefix.
inline Strings TempItems(const std::string& prefix)
{
    Strings names;
    for (const platform::DirectoryItem& item : platform::ListDirectory(platform::TempFolder()))
        if (item.name.rfind(prefix, 0) == 0)
            names.push_back(item.name);
    return names;
}

inline Strings Lines(const ui::ListBox& list)
{
    Strings lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list.Text(i));
    return lines;
}

template <class T> T Next(std::deque<T>& answers, T otherwise)
{
    if (answers.empty())
        return otherwise;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

// Answers the questions from scripts (Cancel, No or a cancelled name once
// they have run out) and records what was asked and shown.
class Script : public TFileMenuServices, public TFarDlgServices {
public:
    std::deque<TSaveAnswer> answers;
    std::deque<bool> yesNo;
    std::deque<std::optional<std::string>> names; // typed in Rename Entry
    Strings questions, messages, errors, asked;   // errors as "caption: text"; asked: the names Rename showed
    Strings arguments{"kelvo.exe"};
    TSaveAnswer AskSaveChanges(const std::string& text, const std::string&) override
    {
        questions.push_back(text);
        return Next(answers, TSaveAnswer::saCancel);
    }
    void ShowNotFound(const std::string& text) override { ShowMessage(text); }
    bool FileExists(const std::string& name) override { return platform::FileExists(name); }
    int ParamCount() override { return static_cast<int>(arguments.size()) - 1; }
    std::string ParamStr(int index) override
    {
        return index < static_cast<int>(arguments.size()) ? arguments[static_cast<std::size_t>(index)] : "";
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowError(const std::string& text, const std::string& caption) override { errors.push_back(caption + ": " + text); }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return Next(yesNo, false);
    }
    std::optional<std::string> AskEntryName(const std::string& name, bool& refused) override
    {
        asked.push_back(name);
        refused = false;
        return Next(names, std::optional<std::string>());
    }
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
        name = Next(names, std::string());
        if (!name.empty())
            FilterIndex = Next(types, FilterIndex);
        return !name.empty();
    }
};

// The window on an archive of its own in a folder of the test's own, its
// dialogs answered from scripts, the game's install path in the registry.
class FarDlgFixture : public testing::Test {
protected:
    void SetUp() override
    {
        // A new name for every test: Wine's shell keeps what it listed of a folder.
        static int tests = 0;
        folder = platform::TempFolder() + "kelvo-dlg-" + std::to_string(platform::ProcessId()) + "-" +
                 std::to_string(++tests) + "\\";
        platform::MakeDirectory(folder);
        // Every failure must reach the user through the error box, none the message loop.
        ui::SetExceptionHandler([this](const std::exception& error) { escaped.push_back(error.what()); });
        script.arguments[0] = folder + "kelvo.exe"; // Kelvo.ini, the recent files, lies in the test's folder
        const char installPath[] = "C:\\Games\\Sims";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Maxis\\The Sims", "InstallPath", REG_SZ, installPath,
                        sizeof installPath);
    }
    void TearDown() override
    {
        CloseWindow();
        ui::SetExceptionHandler(nullptr);
        EXPECT_EQ(escaped, Strings{});
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    void CloseWindow() // which lets go of the archive
    {
        browse.reset();
        dlg.reset();
    }
    // Writes the files as sample.far and starts the window with it on the command line.
    void OpenSample(std::vector<sample::SampleFile> archiveFiles = sample::SampleFiles(), int show = SW_SHOWNOACTIVATE)
    {
        files = std::move(archiveFiles);
        samplePath = folder + "sample.far";
        WriteBytes(samplePath, sample::FarImage(files));
        script.arguments.push_back(samplePath);
        Start(show);
    }
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
    std::string MakeFile(const std::string& name, const std::string& bytes) // below the test's folder
    {
        const std::string path = folder + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteBytes(path, bytes);
        return path;
    }
    // Selects an entry by line, as a click does, or by name.
    void Select(int position)
    {
        dlg->FileListBox().SetItemIndex(position);
        SendMessageA(dlg->Handle(), WM_COMMAND, MAKEWPARAM(cmd::FileListBox, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(dlg->FileListBox().Handle()));
    }
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
        for (int i = -1; i < row; ++i)
            Key(dlg->IffPreview().ChunkList().Handle(), i < 0 ? VK_HOME : VK_DOWN);
    }
    static void Key(HWND window, WPARAM key)
    {
        SendMessageA(window, WM_KEYDOWN, key, 1);
        SendMessageA(window, WM_KEYUP, key, 0xC0000001);
    }
    std::string DetailLine(int line) { return Lines(dlg->DetailsListBox()).at(static_cast<std::size_t>(line)); }
    // The visible viewers of the preview area, by name; "" for none.
    std::string Shown()
    {
        std::string shown;
        TIffPreview& iff = dlg->IffPreview();
        for (auto [window, name] : {std::pair{dlg->ImageViewer().Handle(), "image"}, {dlg->PictureViewer().Handle(), "picture"},
                                    {dlg->TextViewer().Handle(), "text"}, {dlg->HexViewer().Handle(), "hex"},
                                    {iff.StringList().Handle(), "strings"}, {iff.PaletteGrid().Handle(), "palette"},
                                    {iff.SpritePreview().Handle(), "sprite"}})
            if (IsWindowVisible(window))
                shown += name;
        return shown;
    }
    bool Enabled(int command)
    {
        return SendMessageA(dlg->ToolBar1().Handle(), TB_ISBUTTONENABLED, static_cast<WPARAM>(command), 0) != 0;
    }
    void Click(int command) // the mouse pressed and released over a tool bar button
    {
        HWND bar = dlg->ToolBar1().Handle();
        RECT rect{};
        SendMessageA(bar, TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&rect));
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(bar, WM_LBUTTONUP, 0, at);
    }
    void Command(int command) { SendMessageA(dlg->Handle(), WM_COMMAND, command, 0); }
    std::string Status(int panel) { return dlg->StatusBar().Panels().Items(panel).Text(); }
    std::string EntryBytes(int position) // of the window's archive
    {
        EXPECT_TRUE(dlg->Archive().ExtractToTemp(position));
        return test::FileContents(dlg->Archive().TempFileName());
    }
    Strings EntryNames()
    {
        Strings names;
        for (const TFarEntry& entry : dlg->Archive().Entries)
            names.emplace_back(entry.Text());
        return names;
    }
    void SaveAs(const std::string& name = "saved.far") // under a new name in the test's folder
    {
        saveDialog.names = {folder + name};
        Command(cmd::FileSaveAs);
    }
    Script script;
    ScriptedDialog openDialog, saveDialog, addDialog, replaceDialog, frameDialog;
    std::vector<sample::SampleFile> files; // the archive's, as OpenSample wrote them
    std::string samplePath;
    std::unique_ptr<TFarDlg> dlg;
    std::unique_ptr<test::FolderDialogAnswers> browse; // answers the window's folder dialog
    std::string folder;
    Strings escaped; // what exceptions reached the message loop
};

} // namespace kelvo
