// Editing an entry's bytes in place: Edit Entry opens the selected entry in
// the hex view for editing; the edit ends before anything else is shown,
// saved, replaced or written out, and bytes that differ from the entry's
// become its new data. The hex view's working copy is handed over by moving
// it into this run's folder, so ending the edit of a large entry copies
// nothing. Revert Entry gives a changed entry its archive bytes back.
#include "app/commands.h"
#include "app/far_dlg.h"
#include "app/far_text.h"
#include "ui/cursor.h"

namespace kelvo {

void TFarDlg::UpdateEntryActions()
{
    const TFarEntry* entry = SelectedEntry();
    const bool present = entry && entry->State != esDeleted;
    Actions_.Find(cmd::FileEntryEdit)->SetEnabled(present);
    Actions_.Find(cmd::FileEntryRename)->SetEnabled(present);
    Actions_.Find(cmd::FileEntryReplace)->SetEnabled(present);
    Actions_.Find(cmd::FileEntryRevert)->SetEnabled(present && entry->Change);
}

void TFarDlg::FileEntryEditExecute()
{
    const int position = SelectedPosition();
    const TFarEntry* entry = SelectedEntry();
    if (!entry || entry->State == esDeleted || !EndEntryEdit())
        return;
    DetailsListBox_.Clear();
    for (const std::string& line : EntryDetailLines(*entry, Archive_->Format))
        DetailsListBox_.Add(line);
    HideViewers();
    // Bitmaps and IFF resources are edited as bytes too.
    ToolBar1_.SetEnabled(cmd::ViewStretch, false);
    {
        ui::WaitCursor wait;
        const std::optional<std::string> source = PreviewSource(*entry, position);
        if (!source || !HexViewer_.LoadFromFile(*source))
            return;
    }
    editViewEmptied_ = false;
    editPosition_ = position;
    HexViewer_.ReadOnlyView = false;
    HexViewer_.SetAllowInsertMode(true);
    ShowWindow(HexViewer_.Handle(), SW_SHOW);
    SetFocus(HexViewer_.Handle());
    SetStatusText(0, EditingText(*entry));
}

bool TFarDlg::EndEntryEdit()
{
    if (editPosition_ < 0)
        return true;
    TFarEntry& entry = Archive_->Entries.at(static_cast<std::size_t>(editPosition_));
    if (HexViewer_.Modified()) {
        const std::string dataFile = NewEditDataFile();
        if (dataFile.empty() || !HexViewer_.TakeWorkingCopy(dataFile)) {
            services_.ShowError(EditNotKeptText(entry), "Kelvo");
            return false;
        }
        editViewEmptied_ = true;
        // Edits that came back to the entry's bytes change nothing.
        if (Archive_->HasSameData(entry, dataFile) == TDataMatch::Same) {
            platform::RemoveFile(dataFile);
            SetStatusText(0, "Ready");
        } else if (Archive_->ChangeEntry(entry, dataFile)) {
            SetModified();
            SetStatusText(0, EditChangedText(entry));
        } else {
            // The bytes go back into the view, to be kept another way.
            HexViewer_.LoadFromFile(dataFile);
            HexViewer_.SetModified(true);
            platform::RemoveFile(dataFile);
            editViewEmptied_ = false;
            services_.ShowError(EditNotKeptText(entry), "Kelvo");
            return false;
        }
    } else {
        SetStatusText(0, "Ready");
    }
    DropEntryEdit();
    return true;
}

void TFarDlg::DropEntryEdit()
{
    editPosition_ = -1;
    HexViewer_.ReadOnlyView = true;
    HexViewer_.SetAllowInsertMode(false);
}

bool TFarDlg::EndsEntryEdit(int id)
{
    switch (id) {
    case cmd::FileNew:
    case cmd::FileOpen:
    case cmd::FileSave:
    case cmd::FileSaveAs:
    case cmd::FileExit:
    case cmd::FileEntryExportFile:
    case cmd::FileEntryExportDir:
    case cmd::FileEntryRename:
    case cmd::FileEntryReplace:
        return true;
    default:
        // The recent archives open another document.
        return id >= cmd::FileRecentFirst && id <= cmd::FileRecentFirst + TFileMenuHandler::kMaxListLimit;
    }
}

void TFarDlg::RunAfterEntryEdit(const std::function<void()>& command)
{
    if (!EndEntryEdit())
        return;
    command();
    if (editViewEmptied_ && Handle() && IsWindowVisible(HexViewer_.Handle()))
        ShowEntry();
}

void TFarDlg::FileEntryRevertExecute()
{
    TFarEntry* entry = SelectedEntry();
    if (!entry || !entry->Change || entry->State == esDeleted || !EndEntryEdit())
        return;
    Archive_->RevertEntry(*entry);
    // A renamed entry's line shows its old name again.
    InvalidateRect(FileListBox_.Handle(), nullptr, TRUE);
    SetModified();
    ShowEntry();
}

void TFarDlg::EditUndoExecute()
{
    if (editPosition_ >= 0)
        HexViewer_.Undo();
}

std::string TFarDlg::NewEditDataFile()
{
    // A new folder of an unpredictable name, made by this run: nobody else
    // can have put anything there.
    if (editFolder_.empty())
        editFolder_ = platform::MakeTempFolder("kelvo-edit-");
    if (editFolder_.empty())
        return {};
    return editFolder_ + "\\" + std::to_string(++editFiles_) + ".dat";
}

void TFarDlg::RemoveEditFolder()
{
    if (editFolder_.empty())
        return;
    for (const platform::DirectoryItem& item : platform::ListDirectory(editFolder_ + "\\"))
        if (!item.isDirectory)
            platform::RemoveFile(editFolder_ + "\\" + item.name);
    platform::RemoveFolder(editFolder_);
    editFolder_.clear();
}

} // namespace kelvo
