// Answers the real folder dialog of a TmoxBrowseDirectoryDlg as it opens,
// as a user would: moves the selection to the next folder of a list and
// presses OK once the dialog shows that folder selected, or presses Cancel
// when the list has run out or gives "". The shell's tree may take a moment
// to get there and under load may miss a first request to move, which is
// then repeated. Wine's tree also finds a folder by the items it listed when
// the dialog opened, dates included, and cannot move to one whose parent
// changed since: a folder below the one shown is then reached by expanding
// the tree and clicking the items by name. Records what each dialog showed
// when it opened.
#pragma once

#include "components/shell/browse_directory_dlg.h"

#include <windows.h>
#include <commctrl.h>

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
        if (!active_ || active_->pending_.empty())
            KillTimer(window, kRepeatTimer);
        else if (!active_->ClickDownTo(window))
            active_->dialog_.SetSelection(active_->pending_);
    }
    // Expands the tree from the folder shown down to the one pending, a
    // name at a time, and clicks it; false when it is not below the folder
    // shown or a name is not in the tree.
    bool ClickDownTo(HWND window) const
    {
        const std::string prefix = shown_ + "\\";
        if (shown_.empty() || pending_.size() <= prefix.size() ||
            lstrcmpiA(pending_.substr(0, prefix.size()).c_str(), prefix.c_str()) != 0)
            return false;
        HWND tree = FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
        HTREEITEM item = TreeView_GetSelection(tree);
        std::string rest = pending_.substr(prefix.size());
        while (item && !rest.empty()) {
            const std::size_t cut = rest.find('\\');
            const std::string name = rest.substr(0, cut);
            rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
            TreeView_Expand(tree, item, TVE_EXPAND);
            HTREEITEM child = TreeView_GetChild(tree, item);
            for (; child; child = TreeView_GetNextSibling(tree, child)) {
                char text[MAX_PATH] = {};
                TVITEMA data{};
                data.mask = TVIF_TEXT;
                data.hItem = child;
                data.pszText = text;
                data.cchTextMax = MAX_PATH;
                if (TreeView_GetItem(tree, &data) && lstrcmpiA(text, name.c_str()) == 0)
                    break;
            }
            item = child;
        }
        return item && TreeView_SelectItem(tree, item);
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
        shown_ = WithoutBackslash(path);
        if (pending_.empty() || lstrcmpiA(WithoutBackslash(path).c_str(), pending_.c_str()) != 0)
            return;
        pending_.clear();
        KillTimer(dialog_.DialogWindow(), kRepeatTimer);
        PostMessageA(dialog_.DialogWindow(), WM_COMMAND, IDOK, 0);
        answeredAt = std::chrono::steady_clock::now();
    }

    TmoxBrowseDirectoryDlg& dialog_;
    std::string pending_;
    std::string shown_; // the folder the dialog shows selected
};

} // namespace kelvo::test
