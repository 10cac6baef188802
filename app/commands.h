// Command numbers of the main window: menus, tool bar buttons, accelerators
// and tests all send these as WM_COMMAND.
#pragma once

namespace kelvo::cmd {

enum : int {
    FileNew = 101,
    FileOpen,
    FileSave,
    FileSaveAs,
    FileExit,
    FileEntryAddFile,
    FileEntryAddDir,
    FileEntryDeleteFile,
    FileEntryExportFile,
    FileEntryExportDir,
    ViewStretch,
    ViewText,
    ViewHex,
    ViewPath,
    HelpAbout,
    FileEntryEdit,
    FileEntryRevert,
    EditUndo, // Ctrl+Z while an entry is edited; in no menu
    FileEntryRename,
    FileEntryReplace,
    FileEntryAddTree,
    ViewFilter, // Ctrl+F: to the filter box
};

// The recent-files items at the end of the File menu: a block of 36
// numbers from here (35 items and their separator).
enum : int { FileRecentFirst = 200 };

// Child window identifiers.
enum : int {
    ToolBar1 = 1001,
    StatusBar,
    FileListBox,
    DetailsListBox,
    TextViewer,
    ImageViewer,
    HexViewer,
    IffChunkList,
    IffStringList,
    IffPalette,
    SpritePreview,
    PictureViewer,
    FilterBox,
};

} // namespace kelvo::cmd
