// The entry list's commands over one entry or several: the filter box and
// the mapping of the list's lines to entries, extended selection with
// extraction, marking and drags of every selected entry, files dropped on
// the list, Add File, Add Directory, Rename Entry, Replace Entry and Add
// Directory as Tree.
//
// The list shows the entries the filter lets through, in archive order;
// commands take the entries' positions in the archive from its lines and
// keep positions, never pointers, across dialogs, during which a drop may
// add entries.
#include "app/commands.h"
#include "app/entry_filter.h"
#include "app/far_dlg.h"
#include "app/far_text.h"
#include "archive/name_case.h"
#include "platform/path.h"
#include "ui/cursor.h"

#include <algorithm>
#include <set>

namespace kelvo {

void TFarDlg::FilterEdit::Create(HWND parent, int id)
{
    CreateControl("EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, "", 0, 0, 0, 0,
                  parent, id);
    SendMessageW(Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Filter"));
}

std::string TFarDlg::FilterEdit::Text() const
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(Handle())) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(Handle(), text.data(), static_cast<int>(text.size()))));
    return text;
}

LRESULT TFarDlg::FilterEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        // Esc clears the filter.
        if (wParam == VK_ESCAPE) {
            SetWindowTextA(Handle(), "");
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == VK_ESCAPE)
            return 0; // no beep
        break;
    case ui::kReflectBase + WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE && OnChange)
            OnChange();
        return 0;
    default:
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

int TFarDlg::EntryAt(int line) const
{
    if (line < 0 || static_cast<std::size_t>(line) >= lines_.size())
        return -1;
    const std::int32_t position = lines_[static_cast<std::size_t>(line)];
    return static_cast<std::size_t>(position) < Archive_->Entries.size() ? position : -1;
}

int TFarDlg::LineOf(int position) const
{
    const auto found = std::lower_bound(lines_.begin(), lines_.end(), position);
    return found != lines_.end() && *found == position ? static_cast<int>(found - lines_.begin()) : -1;
}

int TFarDlg::SelectedPosition() const { return EntryAt(FileListBox_.ItemIndex()); }

std::vector<int> TFarDlg::SelectedPositions() const
{
    std::vector<int> positions;
    for (int line : FileListBox_.SelectedIndexes())
        if (const int position = EntryAt(line); position >= 0)
            positions.push_back(position);
    return positions;
}

std::string TFarDlg::ListStatusText() const
{
    const std::size_t count = Archive_->Entries.size();
    return filterText_.empty() ? LoadedText(count) : FilteredText(lines_.size(), count);
}

void TFarDlg::FilterChanged()
{
    std::string text = FilterBox_.Text();
    if (text == filterText_)
        return;
    const int focused = SelectedPosition();
    filterText_ = std::move(text);
    lines_ = FilterEntries(Archive_->Entries, filterText_);
    FileListBox_.SetCount(static_cast<int>(lines_.size()));
    FileListBox_.SetItemIndex(LineOf(focused));
    UpdateEntryActions();
    SetStatusText(0, ListStatusText());
}

void TFarDlg::FileListBoxClick() { ShowEntry(); }

void TFarDlg::FileListBoxKeyDown(WORD key)
{
    if (key == VK_DELETE) {
        FileEntryDeleteFileExecute();
    } else if (key == 'A' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
        FileListBox_.SelectAll();
        ShowEntry();
    }
}

void TFarDlg::FileEntryDeleteFileExecute()
{
    const std::vector<int> positions = SelectedPositions();
    if (positions.empty() || !EndEntryEdit())
        return;
    for (int position : positions) {
        TFarEntry& entry = Archive_->Entries[static_cast<std::size_t>(position)];
        Archive_->SetDeleted(entry, entry.State != esDeleted);
    }
    SetModified();
    ShowEntry();
}

void TFarDlg::FileEntryExportFileExecute()
{
    std::vector<int> positions;
    for (int position : SelectedPositions())
        if (Archive_->Entries[static_cast<std::size_t>(position)].State != esDeleted)
            positions.push_back(position);
    if (positions.empty())
        return;
    const std::string folder = BrowseExportFolder(positions.size() == 1 ? "Select folder for exporting file to"
                                                                        : "Select folder for exporting files to");
    if (folder.empty())
        return;
    std::vector<TExtractFailure> failures;
    std::size_t written = 0;
    {
        ui::WaitCursor wait;
        for (int position : positions) {
            // The entries may have moved in memory while the dialog ran.
            const TFarEntry& entry = Archive_->Entries.at(static_cast<std::size_t>(position));
            SetStatusText(0, ExtractingText(entry));
            if (Archive_->ExtractEntry(entry, folder))
                ++written;
            else
                failures.push_back({std::string(entry.Text()), Archive_->LastError()});
        }
    }
    if (failures.empty())
        SetStatusText(0, written == 1 ? "1 file extracted." : ExtractedText(written));
    else if (positions.size() > 1)
        SetStatusText(0, ExtractedWithFailuresText(written, failures.size()));
    if (!failures.empty())
        services_.ShowError(ExtractFailuresText(failures), "Kelvo");
}

void TFarDlg::FileListBoxBeginDrag()
{
    // Each entry goes under the part of its name after the last separator;
    // of several with one such name, the first.
    std::vector<int> positions;
    std::set<std::string> names;
    for (int position : SelectedPositions()) {
        const TFarEntry& entry = Archive_->Entries[static_cast<std::size_t>(position)];
        const std::string name(platform::NamePart(entry.Text()));
        if (entry.State == esDeleted || !TFarArchive::IsSafeEntryName(name))
            continue;
        std::string folded;
        for (char c : name)
            folded += static_cast<char>(FoldCase(c));
        if (names.insert(folded).second)
            positions.push_back(position);
    }
    if (positions.empty())
        return;
    // A folder of this drag's own, so the files keep the entries' names
    // whatever else the temporary folder holds. A target may copy the files
    // after the drop returns: the folder stays while the drag's data lives
    // and until this window goes.
    const std::shared_ptr<TDragFolder> folder = MakeDragFolder();
    if (!folder)
        return;
    dragFolders_.push_back(folder);
    {
        ui::WaitCursor wait;
        for (int position : positions) {
            const TFarEntry& entry = Archive_->Entries[static_cast<std::size_t>(position)];
            const std::string file = folder->Path() + "\\" + std::string(platform::NamePart(entry.Text()));
            if (!Archive_->ExtractTo(entry, file))
                return;
            folder->Files.push_back(file);
        }
    }
    OwnedComponent<TEntryDragSource> source;
    source->Folder = folder;
    source->Files = folder->Files;
    source->Dragtypes = TDragTypes{dtCopy};
    source->Execute();
}

void TFarDlg::FileEntryAddFileExecute()
{
    if (!fileAddDialog_->Execute())
        return;
    const std::string name = fileAddDialog_->GetFileName();
    if (TFarArchive::IsFarFileName(name)) {
        services_.ShowError("Sorry, adding FAR files to FAR files is not allowed!", "Error");
        return;
    }
    if (!Archive_->AddFile(name)) {
        services_.ShowError(AddFailuresText({{name, Archive_->LastError()}}), "Kelvo");
        return;
    }
    SetModified();
    FillList();
}

std::string TFarDlg::BrowseImportFolder()
{
    BrowseDirectoryDlg_.SetStatusText("");
    BrowseDirectoryDlg_.SetCaption("Choose Folder");
    BrowseDirectoryDlg_.SetTitle("Select folder for importing into FAR file");
    return BrowseDirectoryDlg_.Execute() ? BrowseDirectoryDlg_.Selection() : std::string();
}

void TFarDlg::FileEntryAddDirExecute() { AddImportFolder(&TFarDlg::AddDirectory); }

void TFarDlg::FileEntryAddTreeExecute() { AddImportFolder(&TFarDlg::AddTree); }

void TFarDlg::AddImportFolder(void (TFarDlg::*add)(const std::string&, std::vector<TExtractFailure>&))
{
    ImportFolder = BrowseImportFolder();
    if (ImportFolder.empty())
        return;
    std::vector<TExtractFailure> failures;
    if (platform::DirectoryExists(ImportFolder)) {
        ui::WaitCursor wait;
        (this->*add)(ImportFolder, failures);
    }
    FillList();
    ReportAddFailures(failures);
}

// Depth first: all files of a folder before anything below it, the
// subfolders in the order the listing gave them.
void TFarDlg::AddDirectory(const std::string& Folder, std::vector<TExtractFailure>& failures)
{
    std::vector<std::string> subfolders;
    AddFolderFiles(Folder, subfolders, failures);
    for (const std::string& name : subfolders)
        AddDirectory(name, failures);
}

void TFarDlg::AddFolderFiles(std::string Folder, std::vector<std::string>& Subfolders,
                             std::vector<TExtractFailure>& failures)
{
    if (Folder.empty())
        return;
    if (Folder.back() != '\\')
        Folder += '\\';
    // The listing holds every item, hidden, system and read-only ones too.
    for (const platform::DirectoryItem& item : platform::ListDirectory(Folder)) {
        const std::string fullName = Folder + item.name;
        if (item.isDirectory) {
            Subfolders.push_back(fullName);
        } else if (!TFarArchive::IsFarFileName(fullName)) {
            if (Archive_->AddFile(fullName))
                SetModified();
            else
                failures.push_back({fullName, Archive_->LastError()});
        }
    }
}

void TFarDlg::DropFileTargetDrop()
{
    // A file that a drag of entries offers (this program's or another
    // Kelvo's) is gone when that drag's data is: its bytes are taken now. A
    // folder is added as a tree below its parent.
    std::vector<TExtractFailure> failures;
    const std::string tempFolder = platform::TempFolder();
    {
        ui::WaitCursor wait;
        for (const std::string& name : DropFileTarget_->Files) {
            if (platform::DirectoryExists(name))
                AddTree(name, failures);
            else if (IsEntryDragFile(name, tempFolder) ? Archive_->AddFileCopy(name) : Archive_->AddFile(name))
                SetModified();
            else
                failures.push_back({name, Archive_->LastError()});
        }
    }
    FillList();
    ReportAddFailures(failures);
}

void TFarDlg::ReportAddFailures(const std::vector<TExtractFailure>& failures)
{
    if (!failures.empty())
        services_.ShowError(AddFailuresText(failures), "Kelvo");
}

void TFarDlg::AddTree(const std::string& folder, std::vector<TExtractFailure>& failures)
{
    // C:\Mods\UIGraphics adds UIGraphics\Panel\Back.bmp: names start after
    // the folder's parent. The walk is Add Directory's, depth first.
    std::string root = folder;
    while (root.size() > 1 && root.back() == '\\' && root[root.size() - 2] != ':')
        root.pop_back();
    const std::size_t parentLength = platform::FolderPart(root).size();
    std::vector<std::string> pending{root};
    while (!pending.empty()) {
        std::string current = std::move(pending.back());
        pending.pop_back();
        std::vector<std::string> subfolders;
        if (current.back() != '\\')
            current += '\\';
        for (const platform::DirectoryItem& item : platform::ListDirectory(current)) {
            const std::string fullName = current + item.name;
            if (item.isDirectory) {
                subfolders.push_back(fullName);
            } else if (!TFarArchive::IsFarFileName(fullName)) {
                if (Archive_->AddFileAs(fullName, fullName.substr(parentLength)))
                    SetModified();
                else
                    failures.push_back({fullName, Archive_->LastError()});
            }
        }
        pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
    }
}

void TFarDlg::FileEntryRenameExecute()
{
    const int position = SelectedPosition();
    if (position < 0 || Archive_->Entries[static_cast<std::size_t>(position)].State == esDeleted)
        return;
    const std::string oldName(Archive_->Entries[static_cast<std::size_t>(position)].Text());
    bool refused = false;
    const std::optional<std::string> name = services_.AskEntryName(oldName, refused);
    if (!name || *name == oldName || static_cast<std::size_t>(position) >= Archive_->Entries.size())
        return;
    std::string refusal = refused ? "The name " + *name + " holds characters that Windows-1252, the code page of entry "
                                                          "names, does not have."
                                  : TFarArchive::RenameRefusal(*name);
    if (!refusal.empty()) {
        services_.ShowError(refusal, "Kelvo");
        return;
    }
    if (Archive_->FindEntry(*name, position) >= 0 && !services_.AskYesNo("An entry named " + *name + " exists. Keep both?"))
        return;
    TFarEntry& entry = Archive_->Entries[static_cast<std::size_t>(position)];
    if (!Archive_->RenameEntry(entry, *name)) {
        services_.ShowError(Archive_->LastError(), "Kelvo");
        return;
    }
    SetModified();
    InvalidateRect(FileListBox_.Handle(), nullptr, TRUE);
    ShowEntry();
}

void TFarDlg::FileEntryReplaceExecute()
{
    const int position = SelectedPosition();
    if (position < 0 || Archive_->Entries[static_cast<std::size_t>(position)].State == esDeleted)
        return;
    if (!fileReplaceDialog_->Execute() || static_cast<std::size_t>(position) >= Archive_->Entries.size())
        return;
    const std::string fileName = fileReplaceDialog_->GetFileName();
    TFarEntry& entry = Archive_->Entries[static_cast<std::size_t>(position)];
    bool replaced;
    {
        ui::WaitCursor wait;
        replaced = Archive_->ReplaceEntry(entry, fileName);
    }
    if (!replaced) {
        services_.ShowError(ReplaceFailedText(entry, fileName, Archive_->LastError()), "Kelvo");
        return;
    }
    SetModified();
    ShowEntry();
    SetStatusText(0, EditChangedText(entry));
}

} // namespace kelvo
