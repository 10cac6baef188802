// TFileMenuHandler: the document workflow of a single-document window. It runs
// New, Open, Save and Save As, asks whether to save changes before a document
// is replaced or the window closes, reports files that do not exist, and opens
// the document named on the command line when the window is first shown. It
// never reads or writes a document itself: the owner's OnNew, OnOpen and
// OnSave do the work and report success; the handler keeps the document's
// name and state and decides when to ask, what to call and what follows.
#pragma once

#include "ui/file_dialog.h"
#include "ui/form_events.h"

#include <functional>
#include <string>

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

// Pattern with Text in place of every "%s" and "%" in place of "%%". Text is
// copied as it is, so a file name can never act as a format.
std::string FormatWithName(const std::string& Pattern, const std::string& Text);

// The folder part of a path, with its trailing separator; empty when the
// path has none.
std::string ExtractFilePath(const std::string& Path);

class TFileMenuHandler : public ui::TObject {
public:
    static constexpr int kMaxListLimit = 35; // 9 digits and 26 letters number the recent items

    // Hooks Owner's close-query and show events, chaining the handlers it had.
    // Owner and Services must outlive the handler (the owner form owns it).
    TFileMenuHandler(ui::TFormEvents& Owner, TFileMenuServices& Services);
    ~TFileMenuHandler() override;
    TFileMenuHandler(const TFileMenuHandler&) = delete;
    TFileMenuHandler& operator=(const TFileMenuHandler&) = delete;

    // Settings, with their defaults.
    std::string IniFileName = "Options.ini"; // recent-files list, in the program's folder
    TFileDialog* SaveDialog = nullptr;       // dialog of Save As
    TFileDialog* OpenDialog = nullptr;       // dialog of Open
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
    bool EnableMenuList() const { return FEnableMenuList; }
    void SetEnableMenuList(bool Value);
    bool MoveToTop = true;
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

private:
    enum class TSaveResult { srSaved, srFailed, srCancelled };
    struct CloseQueryHook;
    struct ShowHook;

    TSaveResult SaveDocument();
    TSaveResult SaveUnderNewName();
    void DocumentOpened(const std::string& Name);
    void NotifyCaption();

    // The recent-files list is not kept yet; these are the points where the
    // workflow loads it, puts the current name on top and rebuilds the menu.
    void LoadRecentList() {}
    void InsertFilename() {}
    void UpdateList() {}

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
};

} // namespace kelvo
