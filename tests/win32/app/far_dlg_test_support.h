// What the main window's tests share: a script answering the window's and
// the handler's questions, a fixture with a folder of its own, and list lines.
#pragma once

#include "app/far_dlg.h"
#include "tests/test_support.h"
#include "ui/list_box.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace kelvo {

using test::ReadBytes;
using test::WriteBytes;

inline std::vector<std::string> Lines(const ui::ListBox& list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list.Text(i));
    return lines;
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
};

// A folder of the test's own, emptied and removed afterwards, and the game's
// install path in the registry, so no message box comes up at start.
class FarDlgFixture : public testing::Test {
protected:
    void SetUp() override
    {
        folder = platform::TempFolder() + "kelvo-dlg-" + std::to_string(platform::ProcessId()) + "\\";
        platform::MakeDirectory(folder);
        const char installPath[] = "C:\\Games\\Sims";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Maxis\\The Sims", "InstallPath", REG_SZ, installPath,
                        sizeof installPath);
    }
    void TearDown() override
    {
        dlg.reset();
        for (const auto& item : platform::ListDirectory(folder))
            platform::RemoveFile(folder + item.name);
        RemoveDirectoryA(folder.c_str());
    }

    Script script;
    std::unique_ptr<TFarDlg> dlg;
    std::string folder;
};

} // namespace kelvo
