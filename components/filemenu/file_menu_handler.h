// TFileMenuHandler: the document workflow of a single-document window. It runs
// New, Open, Save and Save As, asks whether to save changes before a document
// is replaced or the window closes, reports files that do not exist, and opens
// the document named on the command line when the window is first shown. It
// never reads or writes a document itself: the owner's OnNew, OnOpen and
// OnSave do the work and report success; the handler keeps the document's
// name and state and decides when to ask, what to call and what follows.
#pragma once

#include "components/filemenu/ini_file.h"
#include "common/file_dialog.h"
#include "common/form_events.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvo {

// A document operation on the named file; true when it succeeded. A callback
// that fails reports the failure itself.
using TIOFunction = std::function<bool(const std::string& Filename)>;
// Told the document's name each time it changes.
using TSetCaption = std::function<void(const std::string& FileName)>;

enum class TSaveAnswer { saYes, saNo, saCancel };

// What the handler needs of the system besides its two dialogs.
class TFileMenuServices {
public:
    virtual ~TFileMenuServices() = default;

    // The save-changes question: a modal box with Yes, No and Cancel and the
    // exclamation icon, titled Caption.
    virtual TSaveAnswer AskSaveChanges(const std::string& Text, const std::string& Caption) = 0;
    // The not-found message: a modal box with only OK, the error icon and no
    // title of its own.
    virtual void ShowNotFound(const std::string& Text) = 0;
    // True only for an existing file that is not a folder.
    virtual bool FileExists(const std::string& Name) = 0;
    // The number of command-line arguments after the program's own path.
    virtual int ParamCount() = 0;
    // Command-line argument Index as the user typed it; 0 is the program's
    // own full path. Empty when there is no such argument.
    virtual std::string ParamStr(int Index) = 0;
};

// One item of the recent-files list as the menu shows it.
struct TRecentItem {
    std::string Caption;
    char Shortcut = 0;   // Alt plus this key (a digit or a capital letter); 0: none
    int ImageIndex = -1;
};

// The menu that shows the recent-files list at its end, after a separator
// of its own. Nothing else may follow that separator.
class TRecentMenu {
public:
    virtual ~TRecentMenu() = default;

    // Replaces the recent items by Items. The separator shows exactly when
    // Items is not empty.
    virtual void ShowItems(const std::vector<TRecentItem>& Items) = 0;
    // Removes the recent items and the separator.
    virtual void RemoveItems() = 0;

    // Run with the list position of a clicked item; set by the handler the
    // menu is given to.
    std::function<void(int Position)> OnItemClick;
};

// The menu items of a recent-files list: numbered 1 to 9, then A to Z, with
// Alt plus the number as shortcut when AddShortcut is set, else bare names.
std::vector<TRecentItem> RecentItems(const std::vector<std::string>& List, bool AddShortcut, int ImageIndex);

// Pattern with Text in place of every "%s" and "%" in place of "%%". Text is
// copied as it is, so a file name can never act as a format.
std::string FormatWithName(const std::string& Pattern, const std::string& Text);

// The folder part of a path, with its trailing separator; empty when the
// path has none.
std::string ExtractFilePath(const std::string& Path);

class TFileMenuHandler : public ui::TObject {
public:
    static constexpr int kMaxListLimit = 35; // 9 digits and 26 letters number the recent items
    static constexpr const char* kRecentSection = "RecentFiles";

    // Hooks Owner's close-query and show events, chaining the handlers it had.
    // Owner and Services must outlive the handler (the owner form owns it).
    TFileMenuHandler(ui::TFormEvents& Owner, TFileMenuServices& Services);
    // Writes the recent-files list back to its INI file when it was loaded.
    ~TFileMenuHandler() override;
    TFileMenuHandler(const TFileMenuHandler&) = delete;
    TFileMenuHandler& operator=(const TFileMenuHandler&) = delete;

    // Settings, with their defaults.
    std::string IniFileName = "Options.ini"; // recent-files list, in the program's folder; empty: none
    TFileDialog* SaveDialog = nullptr;       // dialog of Save As
    TFileDialog* OpenDialog = nullptr;       // dialog of Open
    // Most recent files kept, 0 to kMaxListLimit; a value outside is taken as the nearer bound.
    int MaxList() const { return FMaxList; }
    void SetMaxItems(int Value);
    std::string DefaultFileName;             // the name New gives a new document
    std::string NotFoundString = "File %s not found.";
    std::string FileChangedString = "File %s has changed. Save Changes?";
    std::string FileChangedCaption = "Save changes";
    TIOFunction OnOpen;
    TIOFunction OnSave;
    TIOFunction OnNew;
    TSetCaption OnNewFormCaption;
    bool AddShortcut = true;
    int NewItemImageIndex = -1;
    // The menu that shows the recent files; none: the list is kept, not shown.
    // It must outlive the handler or be unset before it goes.
    TRecentMenu* FileMenu() const { return FFileMenu; }
    void SetFileMenu(TRecentMenu* Menu);
    // The recent files are shown in FileMenu; off, the list is still kept and saved.
    bool EnableMenuList() const { return FEnableMenuList; }
    void SetEnableMenuList(bool Value);
    bool MoveToTop = true;                   // an opened recent file moves to the top
    int ParamCountLook = 1;                  // argument that may name a document at start; 0: none
    bool LoadNewOnStart = true;              // run New at start when nothing was opened

    // The document has changes that are not saved. The owner sets it after
    // every change; the handler clears it after a successful New, Open or save.
    bool Modified = false;

    const std::string& FileName() const { return FFileName; }
    // Made by New and never saved under a name of its own: Save asks for one.
    bool NewFile() const { return FNewFile; }
    bool SaveAsActive() const { return FSaveAsActive; }
    // A save dialog opened by a save other than an explicit Save As was
    // cancelled; the next New, Open or Exit clears it and stops.
    bool SaveCancelled() const { return FSaveCancelled; }
    // The program's folder with a trailing separator; set when the owner is first shown.
    const std::string& ExeFolder() const { return FExeFolder; }

    void New();
    void Open();
    void Save();
    void SaveAs();
    void SaveAsProc();
    // Asks the save question before the window closes. CanClose is false when
    // the user cancelled, or when the changes were to be saved and were not.
    void Exit(bool& CanClose);
    // False when the operation that asks must stop: the user cancelled, or
    // answered Yes and the save failed.
    bool SaveQuery();
    void NotFoundDialog(const std::string& Name);

    // Installed as the owner's close-query and show handlers.
    void FMHCloseQuery(ui::TObject& Sender, bool& CanClose);
    void FMHShow(ui::TObject& Sender);

    // The recent files, the most recent first, each as the handler received it.
    const std::vector<std::string>& RecentList() const { return FRecentList; }
    // Reads the list from the INI file in the program's folder, dropping
    // files that no longer exist, and shows it.
    void LoadRecentList();
    // Puts the current FileName at the top of the list, or moves it there.
    void InsertFilename();
    // Trims the list to MaxList and rebuilds the menu's recent items.
    void UpdateList();
    // Opens the recent file at Position of the list, after the save question.
    void FileItemClick(int Position);

private:
    enum class TSaveResult { srSaved, srFailed, srCancelled };
    struct CloseQueryHook;
    struct ShowHook;

    TSaveResult SaveDocument();
    TSaveResult SaveUnderNewName();
    void DocumentOpened(const std::string& Name);
    void NotifyCaption();

    void SaveRecentList();
    // The first entry of the list with that name in any letter case; -1: none.
    int IndexOfRecent(const std::string& Name) const;
    void MoveRecentToTop(int Index);

    ui::TFormEvents& FOwner;
    TFileMenuServices& FServices;
    ui::TCloseQueryEvent FOldCloseQuery;
    ui::TNotifyEvent FOldShow;

    int FMaxList = 4;
    bool FEnableMenuList = true;
    std::string FFileName;
    bool FNewFile = false;
    bool FSaveAsActive = false;
    bool FSaveCancelled = false;
    std::string FExeFolder;
    std::vector<std::string> FRecentList;
    std::unique_ptr<TIniFile> FIniFile; // from the first load on; gone after a failed load or save
    TRecentMenu* FFileMenu = nullptr;
};

} // namespace kelvo
