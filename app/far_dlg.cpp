// The window itself: its controls, menus, tool bar and actions, its start
// and end, the layout of its panes and the routing of its messages and
// commands.
#include "app/far_dlg.h"

#include "app/commands.h"
#include "app/entry_filter.h"
#include "app/far_text.h"
#include "app/resource.h"
#include "common/dpi_scale.h"
#include "ui/cursor.h"
#include "ui/registry.h"

#include <algorithm>
#include <cstddef>

namespace kelvo {

namespace {

constexpr const char* kGameKey = "Software\\Maxis\\The Sims";
constexpr const char* kNoGameMessage = "The Sims Installation was not detected. Game Directory not found.";
constexpr const char* kFarFilter = "FAR files (*.far)|*.FAR";
constexpr const char* kDeleteHint = "Delete File|Mark a file for deletion from the FAR archive";
constexpr int kMinSplitSize = 30; // the least either side of a splitter keeps, at 96 DPI

// The tool bar's glyphs drawn for one of the glyph sizes.
ui::OwnedImageList LoadToolbarImages(int glyphSize)
{
    return ui::OwnedImageList(ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ToolbarBitmapId(glyphSize)),
                                                   glyphSize, 0, kToolbarMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

} // namespace

TFarDlg::TFarDlg(TFileMenuServices& fileMenuServices, TFarDlgServices& services) : services_(services)
{
    Create(kClassName, "Kelvo", kWidth, kHeight);
    listWidth_ = Scale(kListWidth);
    detailsHeight_ = Scale(kDetailsHeight);
    AboutDlg_.SetParent(Handle());
    AboutDlg_.Company = " ";
    AboutDlg_.Version = "Version 1.0";
    AboutDlg_.Copyright = "Copyright (C) 2026 the Kelvo developers";
    AboutDlg_.URL = "https://kelvo.example.org/";
    AboutDlg_.EMail = "kelvo@example.org";
    BrowseDirectoryDlg_.SetParent(Handle());
    BrowseDirectoryDlg_.SetTitle("title");
    BrowseDirectoryDlg_.SetStatusText("statustext");
    BrowseDirectoryDlg_.SetCaption("caption");
    BrowseDirectoryDlg_.SetShowSelectionInStatus(false);
    DropFileTarget_->Dragtypes = TDragTypes{dtCopy};
    DropFileTarget_->GetDataOnEnter = false;
    DropFileTarget_->SetShowImage(true);
    DropFileTarget_->OnDrop = [this](TDropTarget&, TShiftState, POINT, DWORD&) { DropFileTargetDrop(); };
    SetFont("MS Sans Serif", -11);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateControls();
    FMH_ = std::make_unique<TFileMenuHandler>(*this, fileMenuServices);
    FMH_->IniFileName = "Kelvo.ini";
    FMH_->SaveDialog = &FARSaveDialog_;
    FMH_->OpenDialog = &FAROpenDialog_;
    FMH_->OnNew = [this](const std::string& name) { return FMHNew(name); };
    FMH_->OnOpen = [this](const std::string& name) { return FMHOpen(name); };
    FMH_->OnSave = [this](const std::string& name) { return FMHSave(name); };
    // The recent archives follow Exit at the end of the File menu.
    RecentMenu_ = std::make_unique<TWin32RecentMenu>(fileMenu_, cmd::FileRecentFirst);
    FMH_->SetFileMenu(RecentMenu_.get());
    FormCreate();
    Layout();
}

TFarDlg::~TFarDlg() { DestroyHandle(); }

void TFarDlg::CreateActions()
{
    auto add = [this](int id, const char* caption, const char* hint, ui::ShortCut shortcut = {}) -> ui::Action& {
        return Actions_.Add(id, caption, hint, shortcut);
    };
    add(cmd::FileNew, "&New", "New|Create a new FAR file", {'N', FCONTROL}).OnExecute = [this] { FMH_->New(); };
    add(cmd::FileOpen, "&Open...", "Open|Open an existing FAR file", {'O', FCONTROL}).OnExecute = [this] { FMH_->Open(); };
    add(cmd::FileSave, "&Save", "Save|Save the current FAR file", {'S', FCONTROL}).OnExecute = [this] { FMH_->Save(); };
    add(cmd::FileSaveAs, "Save &As...", "").OnExecute = [this] { FMH_->SaveAs(); };
    add(cmd::FileEntryAddFile, "Add &File", "Add File|Add a single file to the FAR archive").OnExecute = [this] {
        FileEntryAddFileExecute();
    };
    add(cmd::FileEntryAddDir, "Add &Directory", "Add Directory|Add a directory to the FAR archive").OnExecute = [this] {
        FileEntryAddDirExecute();
    };
    add(cmd::FileEntryExportFile, "Extract &File", "Extract|Extract the files marked in the FAR archive").OnExecute =
        [this] { FileEntryExportFileExecute(); };
    add(cmd::FileEntryExportDir, "Extract &Directory", "Extract All|Extract all the files from the FAR archive")
        .OnExecute = [this] { FileEntryExportDirExecute(); };
    add(cmd::FileExit, "E&xit", "").OnExecute = [this] { FileExitExecute(); };
    add(cmd::HelpAbout, "&About Kelvo...", "").OnExecute = [this] { AboutDlg_.Execute(); };
    add(cmd::ViewStretch, "&Stretch Image", "Stretch Image|Stretch the preview image to fit the display area")
        .OnExecute = [this] { ViewStretchExecute(); };
    add(cmd::ViewText, "As &Text", "View as Text|View the current entry in text mode").OnExecute = [this] {
        ViewTextExecute();
    };
    add(cmd::ViewHex, "As &Hex", "View as Hex|View the current entry in hex mode").OnExecute = [this] {
        ViewHexExecute();
    };
    add(cmd::ViewPath, "&View Paths", "").OnExecute = [this] { ViewPathExecute(); };
    add(cmd::FileEntryEdit, "&Edit Entry", "Edit Entry|Edit the bytes of the selected entry in the hex view",
        {'E', FCONTROL})
        .OnExecute = [this] { FileEntryEditExecute(); };
    add(cmd::FileEntryRevert, "&Revert Entry", "Revert Entry|Give the selected entry its bytes from the FAR archive back")
        .OnExecute = [this] { FileEntryRevertExecute(); };
    add(cmd::EditUndo, "&Undo", "", {'Z', FCONTROL}).OnExecute = [this] { EditUndoExecute(); };
    add(cmd::FileEntryRename, "Re&name Entry...", "Rename Entry|Give the selected entry a new name", {VK_F2, 0})
        .OnExecute = [this] { FileEntryRenameExecute(); };
    add(cmd::FileEntryReplace, "Re&place Entry...", "Replace Entry|Give the selected entry the bytes of a file",
        {'R', FCONTROL})
        .OnExecute = [this] { FileEntryReplaceExecute(); };
    add(cmd::FileEntryAddTree, "Add Directory as &Tree...",
        "Add Directory as Tree|Add a directory to the FAR archive under names below its parent")
        .OnExecute = [this] { FileEntryAddTreeExecute(); };
    add(cmd::ViewFilter, "&Filter", "Filter|Show only the entries whose names hold a text", {'F', FCONTROL}).OnExecute =
        [this] {
            SetFocus(FilterBox_.Handle());
            SendMessageA(FilterBox_.Handle(), EM_SETSEL, 0, -1);
        };
    Actions_.OnChange = [this](const ui::Action& action) { ActionChanged(action); };
    SetAccelerators(Actions_.BuildAccelerators());
}

void TFarDlg::CreateMenus()
{
    auto action = [this](int id) -> const ui::Action& { return *Actions_.Find(id); };
    HMENU file = fileMenu_ = CreatePopupMenu();
    ui::AppendAction(file, action(cmd::FileNew));
    ui::AppendAction(file, action(cmd::FileOpen));
    ui::AppendAction(file, action(cmd::FileSave));
    ui::AppendAction(file, action(cmd::FileSaveAs));
    ui::AppendSeparator(file);
    HMENU entries = CreatePopupMenu();
    ui::AppendAction(entries, action(cmd::FileEntryAddFile));
    ui::AppendAction(entries, action(cmd::FileEntryAddDir));
    ui::AppendAction(entries, action(cmd::FileEntryAddTree));
    ui::AppendCommand(entries, cmd::FileEntryDeleteFile, "&Delete File");
    ui::AppendSeparator(entries);
    ui::AppendAction(entries, action(cmd::FileEntryEdit));
    ui::AppendAction(entries, action(cmd::FileEntryRename));
    ui::AppendAction(entries, action(cmd::FileEntryReplace));
    ui::AppendAction(entries, action(cmd::FileEntryRevert));
    ui::AppendSubmenu(file, "&Entries", entries);
    HMENU extract = CreatePopupMenu();
    ui::AppendAction(extract, action(cmd::FileEntryExportFile));
    ui::AppendAction(extract, action(cmd::FileEntryExportDir));
    ui::AppendSubmenu(file, "Ex&tract", extract);
    ui::AppendSeparator(file);
    ui::AppendAction(file, action(cmd::FileExit));
    HMENU view = CreatePopupMenu();
    ui::AppendAction(view, action(cmd::ViewPath));
    ui::AppendAction(view, action(cmd::ViewFilter));
    HMENU help = CreatePopupMenu();
    ui::AppendAction(help, action(cmd::HelpAbout));

    ui::OwnedMenu bar(CreateMenu());
    ui::AppendSubmenu(bar.Get(), "&File", file);
    ui::AppendSubmenu(bar.Get(), "&View", view);
    ui::AppendSubmenu(bar.Get(), "&Help", help);
    SetMenu(std::move(bar));

    PopupMenu_.Reset(CreatePopupMenu());
    ui::AppendAction(PopupMenu_.Get(), action(cmd::FileEntryAddFile));
    ui::AppendAction(PopupMenu_.Get(), action(cmd::FileEntryAddDir));
    ui::AppendAction(PopupMenu_.Get(), action(cmd::FileEntryAddTree));
    ui::AppendSeparator(PopupMenu_.Get());
    ui::AppendAction(PopupMenu_.Get(), action(cmd::FileEntryEdit));
    ui::AppendAction(PopupMenu_.Get(), action(cmd::FileEntryRename));
    ui::AppendAction(PopupMenu_.Get(), action(cmd::FileEntryReplace));
    ui::AppendAction(PopupMenu_.Get(), action(cmd::FileEntryRevert));
}

void TFarDlg::CreateToolBar()
{
    ToolBar1_.Create(Handle(), cmd::ToolBar1, LoadToolbarImages);
    auto hint = [this](int id) { return Actions_.Find(id)->Hint; };
    ToolBar1_.AddSeparator();
    ToolBar1_.AddButton(cmd::FileNew, kGlyphNew, BTNS_BUTTON, hint(cmd::FileNew));
    ToolBar1_.AddButton(cmd::FileOpen, kGlyphOpen, BTNS_BUTTON, hint(cmd::FileOpen));
    ToolBar1_.AddButton(cmd::FileSave, kGlyphSave, BTNS_BUTTON, hint(cmd::FileSave));
    ToolBar1_.AddSeparator();
    ToolBar1_.AddButton(cmd::FileEntryAddFile, kGlyphAddFile, BTNS_BUTTON, hint(cmd::FileEntryAddFile));
    ToolBar1_.AddButton(cmd::FileEntryAddDir, kGlyphAddDirectory, BTNS_BUTTON, hint(cmd::FileEntryAddDir));
    ToolBar1_.AddButton(cmd::FileEntryDeleteFile, kGlyphDeleteFile, BTNS_BUTTON, kDeleteHint);
    ToolBar1_.AddSeparator();
    ToolBar1_.AddButton(cmd::FileEntryExportFile, kGlyphExtract, BTNS_BUTTON, hint(cmd::FileEntryExportFile));
    ToolBar1_.AddButton(cmd::FileEntryExportDir, kGlyphExtractAll, BTNS_BUTTON, hint(cmd::FileEntryExportDir));
    ToolBar1_.AddSeparator();
    ToolBar1_.AddButton(kStretchImageButton, kGlyphStretchImage, BTNS_CHECK, hint(cmd::ViewStretch));
    // The two view buttons run the action of the other mode; they toggle as a group.
    ToolBar1_.AddButton(kViewAsTextButton, kGlyphViewText, BTNS_CHECKGROUP, "View as Text|View the current entry in text mode");
    ToolBar1_.AddButton(kViewAsHexButton, kGlyphViewHex, BTNS_CHECKGROUP, "View as Hex|View the current entry in hex mode");
    ToolBar1_.SetChecked(kViewAsHexButton, true);
}

void TFarDlg::CreateControls()
{
    StatusBar_ = std::make_unique<TmoxStatusBar>();
    StatusBar_->Create(Handle(), cmd::StatusBar);
    TmoxStatusPanel& message = StatusBar_->Panels().Add();
    message.SetWidth(Scale(300));
    TmoxStatusPanel& gauge = StatusBar_->Panels().Add();
    gauge.SetWidth(Scale(50));
    gauge.SetPanelType(sptGauge);
    gauge.SetAlignment(taCenter);

    FilterBox_.Create(Handle(), cmd::FilterBox);
    ApplyFont(FilterBox_.Handle());
    FilterBox_.OnChange = [this] { FilterChanged(); };
    FileListBox_.CreateVirtual(Handle(), cmd::FileListBox, kItemHeight, true);
    ApplyFont(FileListBox_.Handle());
    FileListBox_.OnClick = [this] { FileListBoxClick(); };
    FileListBox_.OnKeyDown = [this](WORD key) { FileListBoxKeyDown(key); };
    FileListBox_.OnBeginDrag = [this](int) { RunAfterEntryEdit([this] { FileListBoxBeginDrag(); }); };
    FileListBox_.ItemText = [this](int line) {
        const int position = EntryAt(line);
        return position >= 0 ? ListText(Archive_->Entries[static_cast<std::size_t>(position)], listViewPaths_)
                             : std::string();
    };
    Splitter1_.Create(Handle(), ui::Splitter::Direction::Horizontal);
    Splitter1_.OnMoved = [this](int position) {
        RECT client{};
        GetClientRect(Handle(), &client);
        const int least = Scale(kMinSplitSize);
        listWidth_ = std::clamp(position, least, std::max(least, static_cast<int>(client.right) - Scale(kSplitterSize) - least));
        Layout();
    };
    DetailsListBox_.Create(Handle(), cmd::DetailsListBox, kItemHeight);
    ApplyFont(DetailsListBox_.Handle());
    Splitter2_.Create(Handle(), ui::Splitter::Direction::Vertical);
    Splitter2_.OnMoved = [this](int position) {
        detailsHeight_ = std::max(Scale(kDetailsHeight), position - Scale(kToolBarHeight));
        Layout();
    };
    CreateViewers();

    FileAddDialog_.Filter = "Any file (*.*)|*.*";
    FileReplaceDialog_.Filter = "Any file (*.*)|*.*";
    FAROpenDialog_.Filter = kFarFilter;
    FARSaveDialog_.Filter = kSaveTypes;
    FARSaveDialog_.DefaultExt = "FAR";
    for (ui::TCommonFileDialog* dialog : {static_cast<ui::TCommonFileDialog*>(&FileAddDialog_),
                                          static_cast<ui::TCommonFileDialog*>(&FileReplaceDialog_),
                                          static_cast<ui::TCommonFileDialog*>(&FAROpenDialog_),
                                          static_cast<ui::TCommonFileDialog*>(&FARSaveDialog_)})
        dialog->Owner = Handle();
}

void TFarDlg::FormCreate()
{
    HideViewers();
    SetStatusText(1, " ");
    Archive_ = std::make_unique<TFarArchive>();
    if (ui::RegistryKeyExists(HKEY_LOCAL_MACHINE, kGameKey)) {
        if (auto path = ui::ReadRegistryString(HKEY_LOCAL_MACHINE, kGameKey, "InstallPath")) {
            FAROpenDialog_.InitialDir = *path;
            FARSaveDialog_.InitialDir = *path;
        }
    } else {
        services_.ShowMessage(kNoGameMessage);
    }
    TextMode_ = false;
    UpdateEntryActions();
    DropFileTarget_->Register(FileListBox_.Handle(), "FileListBox");
}

void TFarDlg::Layout()
{
    if (!Handle())
        return;
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = client.right;
    const int height = client.bottom;
    const int toolBarHeight = Scale(kToolBarHeight), splitterSize = Scale(kSplitterSize);
    ToolBar1_.Layout(toolBarHeight);
    // The status bar places itself at the bottom, as high as its font needs;
    // the panes end where it begins.
    int statusTop = height - Scale(kStatusBarHeight);
    if (StatusBar_) {
        StatusBar_->ParentResized();
        RECT bar{};
        if (GetWindowRect(StatusBar_->Handle(), &bar)) {
            MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&bar), 2);
            statusTop = bar.top;
        }
    }
    const int top = toolBarHeight;
    const int bottom = std::max(top, statusTop);
    const int right = listWidth_ + splitterSize;
    // The filter box sits above the entry list.
    const int listTop = std::min(bottom, top + Scale(kFilterHeight));
    MoveWindow(FilterBox_.Handle(), 0, top, listWidth_, listTop - top, TRUE);
    MoveWindow(FileListBox_.Handle(), 0, listTop, listWidth_, bottom - listTop, TRUE);
    MoveWindow(Splitter1_.Handle(), listWidth_, top, splitterSize, bottom - top, TRUE);
    const int panelWidth = std::max(0, width - right);
    MoveWindow(DetailsListBox_.Handle(), right, top, panelWidth, detailsHeight_, TRUE);
    MoveWindow(Splitter2_.Handle(), right, top + detailsHeight_, panelWidth, splitterSize, TRUE);
    // The preview area is everything under the second splitter.
    const int previewTop = std::min(bottom, top + detailsHeight_ + splitterSize);
    previewArea_ = RECT{right, previewTop, right + panelWidth, bottom};
    PlaceViewers();
}

void TFarDlg::FormResize()
{
    RECT outer{};
    GetWindowRect(Handle(), &outer);
    if (StatusBar_ && StatusBar_->Panels().Count() > 0)
        StatusBar_->Panels().Items(0).SetWidth(MessagePanelWidth(outer.right - outer.left));
    Layout();
}

void TFarDlg::FormDpiChanged(int oldDpi, int newDpi)
{
    // The splitters stay where they were, in proportion; the status bar
    // scales its own panels, and the resize that follows lays all out.
    listWidth_ = dpi::Rescale(listWidth_, oldDpi, newDpi);
    detailsHeight_ = dpi::Rescale(detailsHeight_, oldDpi, newDpi);
}

void TFarDlg::SetStatusText(int panel, const std::string& text) { StatusBar_->Panels().Items(panel).SetText(text); }

void TFarDlg::SetGaugePosition(int position) { StatusBar_->Panels().Items(1).GaugeAttrs().SetPosition(position); }
void TFarDlg::FileExitExecute()
{
    bool canClose = false;
    FMH_->Exit(canClose);
    // The archive is closed only once the window's close is accepted
    // (FormClosing), so a close cancelled at the second question keeps it.
    if (canClose)
        Close();
}

void TFarDlg::FormClosing() { Archive_->Close(); }

void TFarDlg::FormDestroy()
{
    DropEntryEdit();
    Archive_->DeleteTempFile();
    Archive_->Close();
    RemoveEditFolder();
    dragFolders_.clear();
    DropFileTarget_->Unregister();
}

void TFarDlg::SetModified() { FMH_->Modified = true; }

TFarEntry* TFarDlg::SelectedEntry()
{
    const int position = SelectedPosition();
    return position < 0 ? nullptr : &Archive_->Entries[static_cast<std::size_t>(position)];
}

bool TFarDlg::TranslateAccelerator(MSG& message) const
{
    return Form::TranslateAccelerator(message) || (RecentMenu_ && RecentMenu_->TranslateAccelerator(Handle(), message));
}

void TFarDlg::ActionChanged(const ui::Action& action)
{
    if (Menu())
        ui::UpdateMenuItem(Menu(), action);
    if (PopupMenu_)
        ui::UpdateMenuItem(PopupMenu_.Get(), action);
}

void TFarDlg::RunCommand(int id)
{
    if (RecentMenu_->HandleCommand(id))
        return;
    // The delete command has no action: the button and the menu item run it directly.
    if (id == cmd::FileEntryDeleteFile)
        FileEntryDeleteFileExecute();
    else
        Actions_.Execute(id);
}

LRESULT TFarDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) <= 1 && (lParam == 0 || reinterpret_cast<HWND>(lParam) == ToolBar1_.Handle())) {
            const int id = LOWORD(wParam);
            if (EndsEntryEdit(id))
                RunAfterEntryEdit([this, id] { RunCommand(id); });
            else
                RunCommand(id);
            return 0;
        }
        break;
    case WM_CLOSE:
        // The save question needs an edit's bytes kept first.
        RunAfterEntryEdit([&] { Form::HandleMessage(message, wParam, lParam); });
        return 0;
    case WM_NOTIFY:
        if (ToolBar1_.HandleToolTip(*reinterpret_cast<const NMHDR*>(lParam)))
            return 0;
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == FileListBox_.Handle()) {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (at.x == -1 && at.y == -1) {
                at = {0, 0};
                ClientToScreen(FileListBox_.Handle(), &at);
            }
            TrackPopupMenu(PopupMenu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
            return 0;
        }
        break;
    default:
        break;
    }
    return Form::HandleMessage(message, wParam, lParam);
}

} // namespace kelvo
