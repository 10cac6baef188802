// The file and archive commands: New, Open and Save as the file menu handler
// asks for them, the header lines, the filling of the entry list, View
// Paths and Extract Directory.
#include "app/commands.h"
#include "app/entry_filter.h"
#include "app/far_dlg.h"
#include "app/far_text.h"
#include "ui/cursor.h"

#include <cstddef>

namespace kelvo {

bool TFarDlg::FMHNew(const std::string&)
{
    DropEntryEdit();
    Archive_->Close();
    DetailsListBox_.Clear();
    lines_.clear();
    FileListBox_.Clear();
    HideViewers();
    SetStatusText(0, "Ready");
    Archive_->Format = ff1a;
    SyncSaveType();
    return true;
}

void TFarDlg::SyncSaveType()
{
    // Save writes the format the archive has; Save As offers it first.
    if (FMH_->SaveDialog)
        FMH_->SaveDialog->FilterIndex = SaveTypeIndex(Archive_->Format);
}

bool TFarDlg::FMHOpen(const std::string& Filename)
{
    // The new archive is read into an object of its own and taken over only
    // when the whole manifest was read, so a failed open keeps the old one.
    auto fresh = std::make_unique<TFarArchive>();
    if (!fresh->Open(Filename)) {
        // The file this window holds open, shared with nobody, cannot be
        // opened a second time: the archive object reads it again itself,
        // and keeps what it had when that fails.
        if (Archive_->FileSize() < 0 || !platform::SameFile(Filename, Archive_->FileName)) {
            services_.ShowError(OpenFailedText(Filename, fresh->LastError()), "Kelvo");
            return false;
        }
        if (!Archive_->Reload()) {
            services_.ShowError(OpenFailedText(Filename, Archive_->LastError()), "Kelvo");
            return false;
        }
        DropEntryEdit();
        ShowArchive();
        return true;
    }
    DropEntryEdit();
    Archive_ = std::move(fresh);
    ShowArchive();
    return true;
}

void TFarDlg::ShowArchive()
{
    DetailsListBox_.Clear();
    FileListBox_.Clear();
    HideViewers();
    SetStatusText(0, "Ready");
    ShowHeader();
    FillList();
    SyncSaveType();
}

void TFarDlg::ShowHeader()
{
    DetailsListBox_.Clear();
    for (const std::string& line : HeaderLines(*Archive_))
        DetailsListBox_.Add(line);
}

void TFarDlg::FillList()
{
    SetStatusText(1, " ");
    ui::WaitCursor wait;
    listViewPaths_ = Actions_.Find(cmd::ViewPath)->Checked();
    const auto& entries = Archive_->Entries;
    const std::size_t count = entries.size();
    FileListBox_.Clear();
    // The status bar paints at once; about 30 paints a second keep the
    // progress visible without slowing the loop, and the last entry's text
    // and position are always shown. The list makes its lines when it shows
    // them, from the entries.
    ProgressPace pace;
    for (std::size_t i = 0; i < count; ++i) {
        if (pace.Due() || i + 1 == count) {
            SetGaugePosition(ProgressPercent(i, count));
            SetStatusText(0, LoadingText(entries[i]));
        }
    }
    lines_ = FilterEntries(entries, filterText_);
    FileListBox_.SetCount(static_cast<int>(lines_.size()));
    UpdateEntryActions();
    SetGaugePosition(0);
    SetStatusText(1, " ");
    SetStatusText(0, ListStatusText());
}

void TFarDlg::ViewPathExecute()
{
    ui::Action& viewPath = *Actions_.Find(cmd::ViewPath);
    viewPath.SetChecked(!viewPath.Checked());
    FillList();
}

bool TFarDlg::FMHSave(const std::string& Filename)
{
    bool saved;
    {
        ui::WaitCursor wait;
        const TFileDialog* dialog = FMH_->SaveDialog;
        saved = Archive_->Save(Filename, dialog ? SaveTypeFormat(dialog->FilterIndex) : Archive_->Format);
    }
    if (!saved) {
        SyncSaveType();
        services_.ShowError(SaveFailedText(Filename, Archive_->LastError()), "Kelvo");
        return false;
    }
    // A save through one of several names of a file leaves the others with
    // the old archive: the user is told.
    const std::string warning = Archive_->LastWarning();
    // The archive object now holds the saved file: the window keeps it and
    // reads its entries afresh from it, so they are what the file holds, with
    // no change records that would lead back into the file replaced.
    DropEntryEdit();
    if (!Archive_->Reload())
        services_.ShowError(OpenFailedText(Filename, Archive_->LastError()), "Kelvo");
    ShowArchive();
    if (!warning.empty())
        services_.ShowMessage(warning);
    return true;
}

std::string TFarDlg::BrowseExportFolder(const char* title)
{
    BrowseDirectoryDlg_.SetSelection(ArchiveFolder(Archive_->FileName));
    BrowseDirectoryDlg_.SetStatusText("");
    BrowseDirectoryDlg_.SetCaption("Choose Folder");
    BrowseDirectoryDlg_.SetTitle(title);
    return BrowseDirectoryDlg_.Execute() ? BrowseDirectoryDlg_.Selection() : std::string();
}

void TFarDlg::FileEntryExportDirExecute()
{
    const std::string folder = BrowseExportFolder("Select folder for exporting files to");
    if (folder.empty())
        return;
    SetStatusText(1, "");
    // Every entry that can be written is; those that cannot are listed at the end.
    std::vector<TExtractFailure> failures;
    std::size_t written = 0;
    {
        ui::WaitCursor wait;
        // Two entries that lead to one file (added files of one file name)
        // do not overwrite each other: the second fails.
        TExtractionRun run(*Archive_);
        const auto& entries = Archive_->Entries;
        // The status bar paints at once: the entry's name is shown about 30
        // times a second, and always for an entry that fails.
        ProgressPace pace;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            SetGaugePosition(ProgressPercent(i, entries.size()));
            if (entries[i].State == esDeleted)
                continue;
            if (pace.Due())
                SetStatusText(0, ExtractingText(entries[i]));
            if (Archive_->ExtractEntry(entries[i], folder))
                ++written;
            else
                failures.push_back({std::string(entries[i].Text()), Archive_->LastError()});
        }
    }
    SetGaugePosition(0);
    SetStatusText(0, failures.empty() ? ExtractedText(written) : ExtractedWithFailuresText(written, failures.size()));
    SetStatusText(1, " ");
    if (!failures.empty())
        services_.ShowError(ExtractFailuresText(failures), "Kelvo");
}

} // namespace kelvo
