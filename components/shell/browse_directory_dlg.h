// TmoxBrowseDirectoryDlg: picks a folder with the shell's folder-browsing
// dialog (SHBrowseForFolder) and returns its path. Around the shell dialog it
// adds a root folder by name, options as a set, a preselected folder (path,
// network path or item identifier list), a caption, a status line that can
// follow the selection and is shortened to fit, centring on the screen, the
// OK button's state, and events for creation, selection changes and rejected
// typed names.
//
// While Execute runs, DialogWindow() is the open dialog and the setters act
// on it at once (so OnCreate and OnSelChanged handlers can move the
// selection or change the status line).
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "components/shell/browse_rules.h"
#include "ui/com_ref.h"
#include "common/form_events.h"

namespace kelvo {

// True when name is an existing directory. A drive root such as "C:\" is
// decided from the logical drive mask, without touching the disk; the
// system's "insert a disk" boxes are kept away while looking.
bool DirExists(const std::string& name);

namespace browse {

// Memory from the shell's allocator, given back to it when the owner goes.
// The allocator's reference is held by the owner of the memory's owner, so
// it outlives the memory.
struct ShellFree {
    IMalloc* allocator = nullptr;
    void operator()(void* memory) const
    {
        if (allocator)
            allocator->Free(memory);
    }
};
using ItemIdList = std::unique_ptr<ITEMIDLIST, ShellFree>;

} // namespace browse

class TmoxBrowseDirectoryDlg;

// The folder selected in the dialog: its file-system path (empty when it has
// none) and its item identifier list, owned by the dialog.
using TBDSelChangedEvent =
    std::function<void(ui::TObject& sender, const std::string& newSel, LPCITEMIDLIST newSelPIDL)>;
// A typed name that is not a folder: leaving cancel false keeps the dialog
// open for another entry, setting it closes the dialog.
using TBDValidateFailedEvent = std::function<void(ui::TObject& sender, const std::string& path, bool& cancel)>;

class TmoxBrowseDirectoryDlg : public ui::TObject {
public:
    // parent: the window that owns the dialog; may be null.
    explicit TmoxBrowseDirectoryDlg(HWND parent = nullptr);
    TmoxBrowseDirectoryDlg(const TmoxBrowseDirectoryDlg&) = delete;
    TmoxBrowseDirectoryDlg& operator=(const TmoxBrowseDirectoryDlg&) = delete;
    ~TmoxBrowseDirectoryDlg() override = default;

    // Runs the dialog. True when an item was chosen (Selection is then its
    // path); false when the user cancelled (Selection becomes empty) or the
    // dialog cannot run.
    virtual bool Execute();

    // The open dialog's window text while Execute runs, else the stored caption.
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    HWND Parent() const { return parent_; }
    void SetParent(HWND parent) { parent_ = parent; }
    bool ShowSelectionInStatus() const { return showSelectionInStatus_; }
    void SetShowSelectionInStatus(bool show) { showSelectionInStatus_ = show; }
    bool FitStatusText() const { return fitStatusText_; }
    void SetFitStatusText(bool fit);
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    TRootID Root() const { return root_; }
    void SetRoot(TRootID root) { root_ = root; }
    TBrowseFlags Options() const { return options_; }
    void SetOptions(TBrowseFlags options) { options_ = options; }
    // The folder to preselect; after Execute, the chosen path. An existing
    // folder set without a trailing backslash is stored with one.
    const std::string& Selection() const { return selection_; }
    void SetSelection(const std::string& selection);
    bool Center() const { return center_; }
    void SetCenter(bool center) { center_ = center; }
    const std::string& StatusText() const { return statusText_; }
    void SetStatusText(const std::string& text);
    bool EnableOKButton() const { return enableOKButton_; }
    void SetEnableOKButton(bool enable);
    // The system image-list index of the chosen item; -1 before any choice.
    int ImageIndex() const { return imageIndex_; }
    std::string Version() const { return "TmoxBrowseDirectoryDlg v2.59"; }

    // The shell form of the selection, owned here.
    LPCITEMIDLIST SelectionPIDL() const { return selectionPidl_.get(); }
    // Takes over item (memory of the shell allocator), freeing the previous one.
    void SetSelectionPIDL(LPITEMIDLIST item);

    // The selection's parsing name from the shell, else the name the last
    // Execute returned, else Selection.
    std::string GetDisplayName() const;
    std::string DisplayName() const { return GetDisplayName(); }
    // The status line as shown: shortened to the open dialog's status control.
    std::string FittedStatusText() const;
    // Moves the open dialog's selection to Selection, or to the selection item.
    void SendSelectionMessage();

    // The open dialog; null when Execute is not running.
    HWND DialogWindow() const { return dialog_; }

    // The shell calls this during Execute; data is the dialog object.
    static int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data);

    TBDSelChangedEvent OnSelChanged;
    ui::TNotifyEvent OnCreate;
    TBDValidateFailedEvent OnValidateFailed;

protected:
    virtual void DoInitialized(HWND window);
    virtual void DoSelChanged(HWND window, LPCITEMIDLIST item);
    virtual void DoValidateFailed(const std::string& path, bool& cancel);

private:
    browse::ItemIdList OwnItem(LPITEMIDLIST item) const { return {item, {allocator_.Get()}}; }
    void SendStatusText() const;

    ui::ComRef<IMalloc> allocator_;
    HWND dialog_ = nullptr;
    std::string caption_;
    HWND parent_;
    bool showSelectionInStatus_ = false;
    bool fitStatusText_ = true;
    std::string title_;
    TRootID root_ = idDesktop;
    TBrowseFlags options_;
    std::string selection_;
    bool center_ = true;
    std::string statusText_;
    bool enableOKButton_ = true;
    int imageIndex_ = -1;
    browse::ItemIdList selectionPidl_{nullptr, {}};
    std::string displayName_;
};

} // namespace kelvo
