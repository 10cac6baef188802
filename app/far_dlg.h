// TFarDlg: the editor's one window. Entry list on the left, details list and
// preview on the right, tool bar, menus and a status bar with a gauge. The
// document workflow (New, Open, Save, Save As, Exit and the save question)
// is the file menu handler's; this window does the work it asks for.
#pragma once

#include "archive/far_archive.h"
#include "components/filemenu/file_menu_handler.h"
#include "components/statusbar/moxstatusbar.h"
#include "ui/action.h"
#include "ui/common_dialogs.h"
#include "ui/form.h"
#include "ui/list_box.h"
#include "ui/splitter.h"
#include "ui/tool_bar.h"

#include <memory>
#include <string>

namespace kelvo {

// What the window asks of the user outside the file menu handler's own
// questions: its plain message box. Tests answer it from a script.
class TFarDlgServices {
public:
    virtual ~TFarDlgServices() = default;
    // A plain message box with an OK button, titled with the application title.
    virtual void ShowMessage(const std::string& text) = 0;
};

class TFarDlg : public ui::Form {
public:
    static constexpr int kWidth = 783;
    static constexpr int kHeight = 540;
    static constexpr int kToolBarHeight = 29;
    static constexpr int kStatusBarHeight = 19;
    static constexpr int kListWidth = 185;
    static constexpr int kSplitterSize = 3;
    static constexpr int kDetailsHeight = 124;
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
    void FillList();
    void FileExitExecute();

    // What tests and the other commands reach.
    TFarArchive& Archive() { return *Archive_; }
    TFileMenuHandler& FMH() { return *FMH_; }
    ui::ListBox& FileListBox() { return FileListBox_; }
    ui::ListBox& DetailsListBox() { return DetailsListBox_; }
    TmoxStatusBar& StatusBar() { return *StatusBar_; }
    ui::ToolBar& ToolBar1() { return ToolBar1_; }
    ui::ActionList& Actions() { return Actions_; }
    ui::TOpenDialog& FAROpenDialog() { return FAROpenDialog_; }
    ui::TSaveDialog& FARSaveDialog() { return FARSaveDialog_; }
    ui::TOpenDialog& FileAddDialog() { return FileAddDialog_; }
    bool TextMode() const { return TextMode_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormClosing() override;
    void FormResize() override;
    void FormDestroy() override;

private:
    void FormCreate();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateControls();
    void Layout();
    void ActionChanged(const ui::Action& action);
    void SetStatusText(int panel, const std::string& text);
    void SetGaugePosition(int position);

    TFarDlgServices& services_;
    std::unique_ptr<TFarArchive> Archive_;
    std::string ImportFolder;
    bool TextMode_ = false;

    ui::ActionList Actions_;
    ui::ToolBar ToolBar1_;
    std::unique_ptr<TmoxStatusBar> StatusBar_;
    ui::ListBox FileListBox_;
    ui::Splitter Splitter1_;
    ui::ListBox DetailsListBox_;
    ui::Splitter Splitter2_;
    ui::OwnedMenu PopupMenu_;
    ui::TOpenDialog FileAddDialog_;
    ui::TOpenDialog FAROpenDialog_;
    ui::TSaveDialog FARSaveDialog_;
    std::unique_ptr<TFileMenuHandler> FMH_;

    bool listViewPaths_ = false; // the entry list shows full names
    int listWidth_ = kListWidth;
    int detailsHeight_ = kDetailsHeight;
};

} // namespace kelvo
