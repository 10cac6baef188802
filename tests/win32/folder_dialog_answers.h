// Answers the real folder dialog of a TmoxBrowseDirectoryDlg as it opens,
// as a user would: moves the selection to the next folder of a list and
// presses OK once the dialog shows that folder selected (the shell's tree
// may take a moment to get there, and under load may miss a first request to
// move, which is then repeated), or presses Cancel when the list has run out
// or gives "". Records what each dialog showed when it opened.
#pragma once

#include "components/shell/browse_directory_dlg.h"

#include <windows.h>

#include <chrono>
#include <deque>
#include <string>
#include <tuple>
#include <vector>

namespace kelvo::test {

class FolderDialogAnswers {
public:
    // Caption, prompt and starting folder of a dialog as it opened.
    using Seen = std::tuple<std::string, std::string, std::string>;

    explicit FolderDialogAnswers(TmoxBrowseDirectoryDlg& dialog) : dialog_(dialog)
    {
        dialog_.OnCreate = [this](ui::TObject&) { Opened(); };
        dialog_.OnSelChanged = [this](ui::TObject&, const std::string& path, LPCITEMIDLIST) { Selected(path); };
    }
    ~FolderDialogAnswers()
    {
        if (active_ == this)
            active_ = nullptr;
        dialog_.OnCreate = nullptr;
        dialog_.OnSelChanged = nullptr;
    }
    FolderDialogAnswers(const FolderDialogAnswers&) = delete;
    FolderDialogAnswers& operator=(const FolderDialogAnswers&) = delete;

    std::deque<std::string> answers;
    std::vector<Seen> seen;
    // When the last OK was pressed.
    std::chrono::steady_clock::time_point answeredAt;

private:
    static constexpr UINT kPatience = 30000; // milliseconds until a dialog that never gets there is cancelled
    static constexpr UINT kRepeat = 500;     // milliseconds between requests to move the selection
    enum : UINT_PTR { kGiveUpTimer = 1, kRepeatTimer = 2 };
    // The answers of the dialog that is open (one at a time, on this thread).
    static inline thread_local FolderDialogAnswers* active_ = nullptr;

    static std::string WithoutBackslash(std::string path)
    {
        if (path.size() > 3 && path.back() == '\\')
            path.pop_back();
        return path;
    }
    static void CALLBACK GiveUp(HWND window, UINT, UINT_PTR, DWORD)
    {
        KillTimer(window, kGiveUpTimer);
        KillTimer(window, kRepeatTimer);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    static void CALLBACK Repeat(HWND window, UINT, UINT_PTR, DWORD)
    {
        if (active_ && !active_->pending_.empty())
            active_->dialog_.SetSelection(active_->pending_);
        else
            KillTimer(window, kRepeatTimer);
    }

    void Opened()
    {
        seen.emplace_back(dialog_.Caption(), dialog_.Title(), dialog_.Selection());
        pending_.clear();
        if (!answers.empty()) {
            pending_ = WithoutBackslash(answers.front());
            answers.pop_front();
        }
        HWND window = dialog_.DialogWindow();
        if (pending_.empty()) {
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        active_ = this;
        SetTimer(window, kGiveUpTimer, kPatience, GiveUp);
        SetTimer(window, kRepeatTimer, kRepeat, Repeat);
        if (lstrcmpiA(WithoutBackslash(dialog_.Selection()).c_str(), pending_.c_str()) == 0)
            Selected(pending_);
        else
            dialog_.SetSelection(pending_);
    }
    void Selected(const std::string& path)
    {
        if (pending_.empty() || lstrcmpiA(WithoutBackslash(path).c_str(), pending_.c_str()) != 0)
            return;
        pending_.clear();
        KillTimer(dialog_.DialogWindow(), kRepeatTimer);
        PostMessageA(dialog_.DialogWindow(), WM_COMMAND, IDOK, 0);
        answeredAt = std::chrono::steady_clock::now();
    }

    TmoxBrowseDirectoryDlg& dialog_;
    std::string pending_;
};

} // namespace kelvo::test
