// TFarDlg: the editor's one window. Entry list on the left, details list and
// preview on the right, tool bar, menus and a status bar with a gauge. The
// document workflow (New, Open, Save, Save As, Exit and the save question)
// is the file menu handler's; this window does the work it asks for.
//
// The preview area under the details list holds three viewers, at most one
// of them visible: the image view for bitmaps, the hex view and the text view
// for other entries (by the text/hex mode). IFF resources show their chunk
// list with a view of the selected chunk below it (TIffPreview); Targa
// images show in a picture view on a checkerboard.
#pragma once

#include "app/commands.h"
#include "app/entry_drag.h"
#include "app/far_text.h"
#include "app/iff_preview.h"
#include "archive/far_archive.h"
#include "components/filemenu/file_menu_handler.h"
#include "components/filemenu/recent_menu_win32.h"
#include "components/hexview/hexeditor.h"
#include "components/shell/about_box.h"
#include "components/shell/browse_directory_dlg.h"
#include "components/shell/drop_source.h"
#include "components/shell/drop_target.h"
#include "components/statusbar/moxstatusbar.h"
#include "components/textview/textview.h"
#include "ui/action.h"
#include "ui/common_dialogs.h"
#include "ui/form.h"
#include "ui/image_view.h"
#include "ui/list_box.h"
#include "ui/splitter.h"
#include "ui/tool_bar.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvo {

// What the window asks of the user outside the file menu handler's own
// questions: its message boxes. Tests answer them from a script.
class TFarDlgServices {
public:
    virtual ~TFarDlgServices() = default;
    // A plain message box with an OK button, titled with the application title.
    virtual void ShowMessage(const std::string& text) = 0;
    // A message box with an OK button and the stop icon.
    virtual void ShowError(const std::string& text, const std::string& caption) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // The Rename Entry dialog: the entry's name selected in an edit box; the
    // name typed, or nothing when cancelled. A name with a character that has
    // no Windows-1252 form comes back with refused set.
    virtual std::optional<std::string> AskEntryName(const std::string& name, bool& refused) = 0;
};

class TFarDlg : public ui::Form {
public:
    // Sizes in pixels at 96 DPI, scaled by the window's DPI when used.
    static constexpr int kWidth = 783;
    static constexpr int kHeight = 540;
    static constexpr int kToolBarHeight = 29;
    static constexpr int kStatusBarHeight = 19;
    static constexpr int kListWidth = 185;
    static constexpr int kSplitterSize = 3;
    static constexpr int kDetailsHeight = 124;
    static constexpr int kFilterHeight = 21;
    static constexpr int kItemHeight = 13;
    static constexpr const char* kClassName = "TFarDlg";

    // The message boxes, file checks and command line of the file menu
    // handler and of this window: the system's, or a test's script.
    TFarDlg(TFileMenuServices& fileMenuServices, TFarDlgServices& services);
    ~TFarDlg() override;

    // The file menu handler's callbacks.
    bool FMHNew(const std::string& Filename);
    bool FMHOpen(const std::string& Filename);
    bool FMHSave(const std::string& Filename);

    void ShowHeader();
    // Shows the archive afresh: its header, its entries, no preview.
    void ShowArchive();
    // Sets the save dialog's type to the archive's format.
    void SyncSaveType();
    void FillList();
    void FileExitExecute();
    // Shows the details and the preview of the entry selected in the entry
    // list; nothing when none is selected. Why a bitmap or a Targa image
    // cannot be decoded goes to the error box after the details are shown.
    void ShowEntry();

    // The entry commands.
    void FileEntryAddFileExecute();
    void FileEntryAddDirExecute();
    void FileEntryDeleteFileExecute();
    void FileEntryExportFileExecute();
    void FileEntryExportDirExecute();
    // Renaming an entry, replacing its bytes with a file's, adding a folder
    // under names relative to its parent (far_dlg_entries.cpp).
    void FileEntryRenameExecute();
    void FileEntryReplaceExecute();
    void FileEntryAddTreeExecute();
    // Editing an entry's bytes in the hex view (far_dlg_edit.cpp).
    void FileEntryEditExecute();
    void FileEntryRevertExecute();
    void EditUndoExecute();
    // The position of the entry being edited; -1 when none is.
    int EditPosition() const { return editPosition_; }

    // What tests and the other commands reach.
    TFarArchive& Archive() { return *Archive_; }
    TFileMenuHandler& FMH() { return *FMH_; }
    ui::ListBox& FileListBox() { return FileListBox_; }
    HWND FilterBox() const { return FilterBox_.Handle(); }
    // The position in Archive().Entries of the entry on a line of the entry list; -1 for none.
    int EntryAt(int line) const;
    ui::ListBox& DetailsListBox() { return DetailsListBox_; }
    TmoxStatusBar& StatusBar() { return *StatusBar_; }
    ui::ToolBar& ToolBar1() { return ToolBar1_; }
    ui::ActionList& Actions() { return Actions_; }
    ui::TOpenDialog& FAROpenDialog() { return FAROpenDialog_; }
    ui::TSaveDialog& FARSaveDialog() { return FARSaveDialog_; }
    ui::TOpenDialog& FileAddDialog() { return FileAddDialog_; }
    // The dialog Add File runs: FileAddDialog, or a test's stand-in.
    void UseFileAddDialog(TFileDialog& dialog) { fileAddDialog_ = &dialog; }
    // The dialog Replace Entry runs: FileReplaceDialog, or a test's stand-in.
    void UseFileReplaceDialog(TFileDialog& dialog) { fileReplaceDialog_ = &dialog; }
    TmoxBrowseDirectoryDlg& BrowseDirectoryDlg() { return BrowseDirectoryDlg_; }
    TDropFileTarget& DropFileTarget() { return *DropFileTarget_; }
    ui::ImageView& ImageViewer() { return ImageViewer_; }
    TPictureView& PictureViewer() { return PictureViewer_; }
    TTextView& TextViewer() { return TextViewer_; }
    THexEditor& HexViewer() { return HexViewer_; }
    TIffPreview& IffPreview() { return IffPreview_; }
    bool TextMode() const { return TextMode_; }

    TAboutDialog& AboutDlg() { return AboutDlg_; }
    // The form's shortcuts and the recent files' Alt shortcuts.
    bool TranslateAccelerator(MSG& message) const override;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormClosing() override;
    void FormResize() override;
    void FormDpiChanged(int oldDpi, int newDpi) override;
    void FormDestroy() override;

private:
    // The preview buttons by the command each sends: the two view buttons run
    // the action named after the other mode.
    static constexpr int kStretchImageButton = cmd::ViewStretch;
    static constexpr int kViewAsTextButton = cmd::ViewHex;
    static constexpr int kViewAsHexButton = cmd::ViewText;

    void FormCreate();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateControls();
    void CreateViewers();
    void Layout();
    void ActionChanged(const ui::Action& action);
    // Runs a command of the menus, tool bar or accelerators.
    void RunCommand(int id);
    void SetStatusText(int panel, const std::string& text);
    void SetGaugePosition(int position);

    void FileListBoxClick();
    void FileListBoxKeyDown(WORD key);
    // Offers the selected entries to other programs by a drag: they are
    // extracted into a folder of this drag's own, kept until the window is
    // destroyed or the drag's data released, whichever comes later.
    void FileListBoxBeginDrag();
    // Shows the entries whose names hold the filter box's text, keeping the
    // focused one selected when it stays in the list.
    void FilterChanged();
    // The line of the entry list showing the entry at a position; -1 when
    // the filter hides it.
    int LineOf(int position) const;
    // The positions of the selected entries, in archive order.
    std::vector<int> SelectedPositions() const;
    // The entry list's status text: the number loaded, or how many the filter shows.
    std::string ListStatusText() const;
    // Adds a folder's files under their paths below the folder's parent;
    // the files that cannot be added go to failures.
    void AddTree(const std::string& folder, std::vector<TExtractFailure>& failures);
    // Lists the files that could not be added in the error box, if any.
    void ReportAddFailures(const std::vector<TExtractFailure>& failures);
    void DropFileTargetDrop();
    // The folder chosen for Add Directory, or empty when the dialog was cancelled.
    std::string BrowseImportFolder();
    // Asks for a folder and adds it by add (AddDirectory or AddTree), then
    // refills the list and reports the files that could not be added.
    void AddImportFolder(void (TFarDlg::*add)(const std::string&, std::vector<TExtractFailure>&));
    // Adds a folder's files, depth first; those that cannot be added go to failures.
    void AddDirectory(const std::string& Folder, std::vector<TExtractFailure>& failures);
    void AddFolderFiles(std::string Folder, std::vector<std::string>& Subfolders, std::vector<TExtractFailure>& failures);
    // Asks for the folder to extract into, starting at the archive's own;
    // empty when the dialog was cancelled.
    std::string BrowseExportFolder(const char* title);
    // The entry with the focus in the entry list, or null.
    TFarEntry* SelectedEntry();
    // Its position in Archive().Entries, or -1.
    int SelectedPosition() const;
    // Notes a change for the save question.
    void SetModified();
    void ViewStretchExecute();
    void ViewTextExecute();
    void ViewHexExecute();
    void ViewPathExecute();
    void FlipTextMode();
    // Hides every viewer and the IFF preview; the viewers fill the preview area again.
    void HideViewers();
    // Places the windows of the preview area, this window's one place for
    // them: the viewers fill the area, or, while the IFF preview lists
    // chunks, the part under its chunk list, where its chunk views sit too.
    void PlaceViewers();
    // The disk file holding the data of the entry at a position: its own
    // file when its data is on disk, else the preview file it is extracted
    // to; nothing when the extraction fails.
    std::optional<std::string> PreviewSource(const TFarEntry& entry, int position);
    // Runs a viewer's load; false, after the error box says why, when it fails.
    bool LoadPicture(const std::function<void()>& load);
    void ShowBitmap(const std::string& fileName);
    void ShowTga(const std::string& fileName);
    void ShowData(const std::string& fileName);
    // IFF resources: the hook gets the file holding the entry's data and
    // shows its chunks.
    void ShowIffPreview(const std::string& fileName);

    // Edit Entry and Revert Entry enabled by the selected entry.
    void UpdateEntryActions();
    // Ends an edit in progress: when the hex view's bytes differ from the
    // entry's, its working copy becomes the entry's new data. False, after
    // a message, when the bytes cannot be kept; the edit goes on then.
    bool EndEntryEdit();
    // Forgets an edit without keeping anything, for a document replaced
    // after the edit was ended (or never had one).
    void DropEntryEdit();
    // True for the commands that end an edit before they run: those that
    // save, replace or close the document, or write entries out.
    static bool EndsEntryEdit(int id);
    // Ends an edit, runs the command, and shows the entry again when the
    // command left the hex view on screen without the bytes it handed over.
    void RunAfterEntryEdit(const std::function<void()>& command);
    // A new file name in this run's folder for an entry's new bytes; empty
    // when the folder cannot be made.
    std::string NewEditDataFile();
    // Removes this run's folder of new bytes with whatever it still holds.
    void RemoveEditFolder();

    TFarDlgServices& services_;
    std::unique_ptr<TFarArchive> Archive_;
    std::string ImportFolder;
    bool TextMode_ = false;

    ui::ActionList Actions_;
    ui::ToolBar ToolBar1_;
    std::unique_ptr<TmoxStatusBar> StatusBar_;
    class FilterEdit : public ui::Window {
    public:
        void Create(HWND parent, int id);
        std::string Text() const;
        std::function<void()> OnChange;

    protected:
        LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    };
    FilterEdit FilterBox_;
    std::string filterText_;
    std::vector<std::int32_t> lines_; // the entries' positions, line by line
    ui::ListBox FileListBox_;
    ui::Splitter Splitter1_;
    ui::ListBox DetailsListBox_;
    ui::Splitter Splitter2_;
    ui::ImageView ImageViewer_;
    TTextView TextViewer_;
    THexEditor HexViewer_;
    TPictureView PictureViewer_;
    TIffPreview IffPreview_{ImageViewer_, HexViewer_, BrowseDirectoryDlg_};
    ui::OwnedMenu PopupMenu_;
    ui::TOpenDialog FileAddDialog_;
    TFileDialog* fileAddDialog_ = &FileAddDialog_;
    ui::TOpenDialog FileReplaceDialog_;
    TFileDialog* fileReplaceDialog_ = &FileReplaceDialog_;
    TmoxBrowseDirectoryDlg BrowseDirectoryDlg_;
    OwnedComponent<TDropFileTarget> DropFileTarget_;
    ui::TOpenDialog FAROpenDialog_;
    ui::TSaveDialog FARSaveDialog_;
    TAboutDialog AboutDlg_;
    HMENU fileMenu_ = nullptr;
    // Declared before the handler: the handler's menu must outlive it.
    std::unique_ptr<TWin32RecentMenu> RecentMenu_;
    std::unique_ptr<TFileMenuHandler> FMH_;

    std::vector<std::shared_ptr<TDragFolder>> dragFolders_; // the folders of this window's drags
    int editPosition_ = -1;      // the entry whose bytes the hex view edits
    bool editViewEmptied_ = false; // an ended edit took the hex view's bytes
    std::string editFolder_;     // this run's folder of new entry bytes, once made
    int editFiles_ = 0;          // data files named in it so far
    bool listViewPaths_ = false; // the entry list shows full names
    int listWidth_ = kListWidth;
    int detailsHeight_ = kDetailsHeight;
    RECT previewArea_{}; // under the details list and the second splitter
};

} // namespace kelvo
