// The document workflow through scripted dialogs and services that log every call
// in order, the recent-files list and its INI file. The real dialogs and menu are tested under Windows.
#include "components/filemenu/file_menu_handler.h"
#include "components/filemenu/ini_file.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

namespace kelvo {
namespace {

using Names = std::vector<std::string>;

std::string Asked(const std::string& Name) { return "Ask(File " + Name + " has changed. Save Changes?|Save changes);"; }

// A file dialog that answers with a name, or "" for Cancel.
struct ScriptedDialog : TFileDialog {
    ScriptedDialog(std::string& L, std::string T) : Calls(L), Tag(std::move(T)) {}
    std::string& Calls;
    std::string Tag, Name, Answer;
    std::string GetFileName() const override { return Name; }
    void SetFileName(const std::string& N) override { Calls += Tag + ".Set(" + (Name = N) + ");"; }
    bool Execute() override { return Calls += Tag + ".Execute;", Name = Answer.empty() ? Name : Answer, Answer != ""; }
};

// A handler on a form with scripted dialogs and services; its callbacks log and report Ok.
struct Rig : TFileMenuServices {
    std::string Calls;
    ui::TFormEvents Form;
    TSaveAnswer Answer = TSaveAnswer::saNo; // to every save question
    std::set<std::string> Files{"C:\\a.far", "C:\\b.far", "C:\\c.far", "C:\\d.far", "C:\\e.far", "archives\\b.far"};
    Names Arguments{"C:\\Games\\Kelvo\\kelvo.exe"}; // argument 0 first
    ScriptedDialog OpenDlg{Calls, "Open"}, SaveDlg{Calls, "Save"};
    TFileMenuHandler Handler{Form, *this};
    bool Ok = true;
    Rig()
    {
        Handler.OpenDialog = &OpenDlg;
        Handler.SaveDialog = &SaveDlg;
        Handler.DefaultFileName = "Untitled.far";
        const auto Logging = [this](std::string What) {
            return [this, What](const std::string& N) { Calls += What + "(" + N + ");"; return Ok; };
        };
        Handler.OnNew = Logging("OnNew");
        Handler.OnOpen = Logging("OnOpen");
        Handler.OnSave = Logging("OnSave");
        Handler.OnNewFormCaption = Logging("Caption");
    }
    TSaveAnswer AskSaveChanges(const std::string& Text, const std::string& Caption) override
    {
        return Calls += "Ask(" + Text + "|" + Caption + ");", Answer;
    }
    void ShowNotFound(const std::string& Text) override { Calls += "NotFound(" + Text + ");"; }
    bool FileExists(const std::string& Name) override { return Files.count(Name) != 0; }
    int ParamCount() override { return static_cast<int>(Arguments.size()) - 1; }
    std::string ParamStr(int Index) override
    {
        Calls += "ParamStr(" + std::to_string(Index) + ");";
        return Index >= 0 && Index <= ParamCount() ? Arguments[Index] : std::string();
    }
    // A document opened as Name (made by New when Name is empty) with changes; the log cleared.
    void MakeDocument(const std::string& Name)
    {
        OpenDlg.Answer = Name;
        Name.empty() ? Handler.New() : Handler.Open();
        Handler.Modified = true;
        Calls.clear();
    }
};

TEST(FileMenuHandler, OperationsAskCallAndKeepTheDocumentsState)
{
    const std::string P = "C:\\100%s %d %%.far"; // shown as typed, never taken as a format
    const std::string Saving = "Save.Set(Untitled.far);Save.Execute;";
    const struct {
        // From: "" a new document, "-" a fresh handler, else the opened name (modified unless fresh); Acts: New, Open,
        // Save, sAve as, Exit, W: the form shown; Dialog: what the dialogs answer, "" Cancel (W: the argument).
        const char *What, *From, *Acts, *Dialog;
        bool Ok;            // what OnNew, OnOpen and OnSave report
        std::string State;  // the name, " new", " modified", " cancelled" (a save dialog), " stays" (Exit refused)
        std::string Calls = "?"; // the log when not "?"
        TSaveAnswer Answer = TSaveAnswer::saNo;
        int Look = 1;       // ParamCountLook
    } Rows[] = {
        {"New", "C:\\a.far", "N", "", true, "Untitled.far new", Asked("C:\\a.far") + "OnNew(C:\\a.far);Caption(Untitled.far);"},
        {"New fails", "C:\\a.far", "N", "", false, "C:\\a.far modified"},
        {"Open", "", "O", "C:\\b.far", true, "C:\\b.far"},
        {"Open cancelled", "C:\\a.far", "O", "", true, "C:\\a.far modified"},
        {"Open of a missing file", "C:\\a.far", "O", "C:\\gone.far", true, "C:\\a.far modified",
         Asked("C:\\a.far") + "Open.Execute;NotFound(File C:\\gone.far not found.);"},
        {"Open fails", "C:\\a.far", "O", "C:\\b.far", false, "C:\\a.far modified"},
        {"Save", "C:\\a.far", "S", "", true, "C:\\a.far", "OnSave(C:\\a.far);"},
        {"Save fails", "C:\\a.far", "S", "", false, "C:\\a.far modified"},
        {"Save of a new document", "", "S", "C:\\c.far", true, "C:\\c.far"},
        {"Save of a new document cancelled", "", "S", "", true, "Untitled.far new modified cancelled"},
        {"Save of a new document fails", "", "S", "C:\\c.far", false, "Untitled.far new modified"},
        {"cancelled Save stops the next New once", "", "SNN", "", true, "Untitled.far new",
         Saving + Asked("Untitled.far") + Asked("Untitled.far") + "OnNew(Untitled.far);Caption(Untitled.far);"},
        {"Save As", "C:\\a.far", "A", "C:\\c.far", true, "C:\\c.far"},
        {"Save As cancelled", "C:\\a.far", "A", "", true, "C:\\a.far modified"},
        {"Save As fails", "C:\\a.far", "A", "C:\\c.far", false, "C:\\a.far modified"},
        {"Exit, Cancel", P.c_str(), "E", "", true, P + " modified stays", Asked(P), TSaveAnswer::saCancel},
        {"Exit, No", P.c_str(), "E", "", true, P + " modified", Asked(P)},
        {"Exit, Yes", P.c_str(), "E", "", true, P, Asked(P) + "OnSave(" + P + ");", TSaveAnswer::saYes},
        {"Yes, save cancelled: no New", "", "N", "", true, "Untitled.far new modified", Asked("Untitled.far") + Saving,
         TSaveAnswer::saYes},
        {"Yes, save fails: no Open", "", "O", "C:\\c.far", false, "Untitled.far new modified",
         Asked("Untitled.far") + Saving + "OnSave(C:\\c.far);", TSaveAnswer::saYes},
        {"Yes, save fails: no Exit", "C:\\a.far", "E", "", false, "C:\\a.far modified stays",
         Asked("C:\\a.far") + "OnSave(C:\\a.far);", TSaveAnswer::saYes},
        {"start, no argument", "-", "W", "", true, "Untitled.far new"},
        {"start, relative name", "-", "W", "archives\\b.far", true, "archives\\b.far"},
        {"start, missing file", "-", "W", "C:\\gone.far", true, "Untitled.far new"},
        {"start, argument not looked at", "-", "W", "C:\\b.far", true, "Untitled.far new", "?", TSaveAnswer::saNo, 0},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.What);
        Rig T;
        T.Files.insert(P);
        if (std::string(R.From) != "-")
            T.MakeDocument(R.From);
        T.Ok = R.Ok;
        T.Answer = R.Answer;
        T.Handler.ParamCountLook = R.Look;
        T.OpenDlg.Answer = T.SaveDlg.Answer = R.Dialog;
        if (*R.Dialog)
            T.Arguments.push_back(R.Dialog);
        bool CanClose = true;
        for (const char* Act = R.Acts; *Act; ++Act)
            *Act == 'N' ? T.Handler.New() : *Act == 'O' ? T.Handler.Open() : *Act == 'S' ? T.Handler.Save()
            : *Act == 'A' ? T.Handler.SaveAs() : *Act == 'E' ? T.Handler.Exit(CanClose) : T.Form.OnShow(T.Form);
        EXPECT_EQ(T.Handler.FileName() + (T.Handler.NewFile() ? " new" : "") + (T.Handler.Modified ? " modified" : "") +
                      (T.Handler.SaveCancelled() ? " cancelled" : "") + (CanClose ? "" : " stays"),
                  R.State);
        EXPECT_TRUE(R.Calls == "?" ? T.Calls.find("NotFound") == std::string::npos : T.Calls == R.Calls) << T.Calls;
    }
}

TEST(FileMenuHandler, HooksChainAfterTheHandlersTheFormHad)
{
    Rig T;
    ui::TFormEvents Owner;
    ui::TObject Sender;
    Owner.OnCloseQuery = [&](ui::TObject& From, bool& CanClose) {
        T.Calls += std::string("OldCloseQuery(") + (&From == &Sender ? "sender," : "") + (CanClose ? "true);" : "false);");
        CanClose = false;
    };
    Owner.OnShow = [&](ui::TObject& From) { T.Calls += &From == &Sender ? "OldShow(sender);" : "OldShow;"; };
    {
        TFileMenuHandler Hooked(Owner, T);
        Hooked.OnNew = T.Handler.OnNew;
        Owner.OnShow(Sender);
        EXPECT_EQ(Hooked.ExeFolder(), "C:\\Games\\Kelvo\\");
        Hooked.Modified = true; // the old close-query handler sees the question's verdict (No, then Cancel)
        for (auto Answer : {TSaveAnswer::saNo, TSaveAnswer::saCancel}) {
            bool CanClose = true;
            T.Answer = Answer;
            Owner.OnCloseQuery(Sender, CanClose);
            EXPECT_FALSE(CanClose); // and may change it
        }
        EXPECT_EQ(T.Calls, "ParamStr(0);OldShow(sender);ParamStr(1);OnNew();" + Asked("") +
                               "OldCloseQuery(sender,true);" + Asked("") + "OldCloseQuery(sender,false);");
    }
    T.Calls.clear(); // a destroyed handler gives the form its old handlers back
    Owner.OnShow(Owner);
    EXPECT_EQ(T.Calls, "OldShow;");
}

// A handler with a menu that counts its items, whose program lives in a folder of its own with the INI file.
struct RecentRig : Rig, TRecentMenu {
    const std::filesystem::path Folder = std::filesystem::temp_directory_path() / "kelvo_recent_test";
    const std::string Ini = (Folder / "Kelvo.ini").string();
    std::size_t Shown = 0;
    // Shown once with the INI file's text (none when empty) and MaxList.
    explicit RecentRig(const std::string& Text = {}, int MaxList = 4)
    {
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        if (!Text.empty())
            test::WriteBytes(Ini, Text);
        Arguments[0] = (Folder / "kelvo.exe").string();
        Handler.IniFileName = "Kelvo.ini";
        Handler.LoadNewOnStart = false;
        Handler.SetFileMenu(this);
        Handler.SetMaxItems(MaxList);
        Form.OnShow(Form);
        Calls.clear();
    }
    ~RecentRig() override { std::filesystem::remove_all(Folder); }
    void ShowItems(const std::vector<TRecentItem>& Items) override { Shown = Items.size(); }
    void RemoveItems() override { Shown = 0; }
    // Ends the handler's life as the window's end does, so the list is written.
    std::string Saved()
    {
        Handler.~TFileMenuHandler();
        new (&Handler) TFileMenuHandler(Form, *this);
        return std::filesystem::is_directory(Ini) ? "a folder" : test::ReadBytes(Ini);
    }
};

constexpr char kThree[] = "[RecentFiles]\nFile0=C:\\a.far\nFile1=C:\\b.far\nFile2=C:\\c.far\n";

TEST(RecentList, LoadsExistingFilesSavesThemAtTheEndPutsOpenedAndSavedOnTopAndKeepsTheLimit)
{
    for (auto [Text, List, MaxList] : {
             std::tuple{"File0=C:\\a.far\nFile1=C:\\gone.far\nFile2=C:\\b.far\n", Names{"C:\\a.far", "C:\\b.far"}, 4},
             {"File0=C:\\a.far\nFile1=C:\\gone.far\nFile2=C:\\b.far\nFile3=C:\\c.far\nFile4=C:\\d.far\nFile5=C:\\e.far\n",
              {"C:\\a.far", "C:\\b.far", "C:\\c.far", "C:\\d.far"}, 4},
             {"First=C:\\a.far\nFile1=C:\\b.far\nFile7=C:\\c.far\n", {"C:\\b.far"}, 4}, // keys not named by position
             {"File0=C:\\a.far\n", {}, 0},
         }) {
        SCOPED_TRACE(Text);
        RecentRig T(std::string("[Other]\nKeep=1\n\n[RecentFiles]\n") + Text, MaxList);
        EXPECT_EQ(T.Handler.RecentList(), List);
        std::string Expected = "[Other]\r\nKeep=1\r\n\r\n";
        for (std::size_t i = 0; i < List.size(); ++i)
            Expected += (i ? "File" : "[RecentFiles]\r\nFile") + std::to_string(i) + "=" + List[i] + "\r\n";
        EXPECT_EQ(T.Saved(), Expected);
    }
    // A missing INI file is made at the end; one that cannot be read is never overwritten.
    for (const bool Readable : {true, false}) {
        RecentRig T;
        if (!Readable)
            std::filesystem::create_directories(T.Ini);
        T.OpenDlg.Answer = "C:\\a.far";
        T.Handler.Open();
        EXPECT_EQ(T.Saved(), Readable ? "[RecentFiles]\r\nFile0=C:\\a.far\r\n" : "a folder");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(T.Folder), {}), 1) << "no temporary file left";
    }
    RecentRig T(kThree); // opened and saved files go to the top, and the list keeps its limit
    T.Files.insert("c:\\C.FAR");
    T.Handler.SetEnableMenuList(false); // without the menu the list is still kept
    T.OpenDlg.Answer = "c:\\C.FAR";
    T.Handler.Open();
    EXPECT_EQ(T.Handler.RecentList(), (Names{"C:\\c.far", "C:\\a.far", "C:\\b.far"})) << "the entry keeps its text";
    EXPECT_EQ(T.Shown, 0u);
    for (const char* Name : {"C:\\d.far", "C:\\e.far"}) {
        T.SaveDlg.Answer = Name;
        T.Handler.SaveAs();
    }
    EXPECT_EQ(T.Handler.RecentList(), (Names{"C:\\e.far", "C:\\d.far", "C:\\c.far", "C:\\a.far"}));
    T.Handler.SetMaxItems(2); // a lower MaxList trims at once
    EXPECT_EQ(T.Saved(), "[RecentFiles]\r\nFile0=C:\\e.far\r\nFile1=C:\\d.far\r\n");
    // Menu items are numbered 1 to 9, then A to Z, with the number as shortcut, or bare names.
    const auto With = RecentItems(Names(35, "f"), true, 7), Without = RecentItems(Names(35, "f"), false, -1);
    for (auto [Index, Number] : {std::pair{0, '1'}, {8, '9'}, {9, 'A'}, {34, 'Z'}})
        EXPECT_EQ(With[Index].Caption + With[Index].Shortcut + std::to_string(With[Index].ImageIndex) + "|" +
                      Without[Index].Caption + std::to_string(Without[Index].Shortcut),
                  std::string("&") + Number + " f" + Number + "7|f0");
}

TEST(RecentList, ClickingAnItem)
{
    const std::string Opened = "OnOpen(C:\\c.far);Caption(C:\\c.far);";
    for (auto [What, MoveToTop, Ok, List, Calls] : {
             std::tuple{"opens and moves to the top", true, true, Names{"C:\\c.far", "C:\\a.far", "C:\\b.far"}, Opened},
             {"MoveToTop off keeps the order", false, true, Names{"C:\\a.far", "C:\\b.far", "C:\\c.far"}, Opened},
             {"OnOpen fails", true, false, Names{"C:\\a.far", "C:\\b.far", "C:\\c.far"}, "OnOpen(C:\\c.far);"},
             {"file gone", true, true, Names{"C:\\a.far", "C:\\b.far"}, "NotFound(File C:\\c.far not found.);"},
         }) {
        SCOPED_TRACE(What);
        RecentRig T(kThree);
        T.Handler.MoveToTop = MoveToTop;
        T.Ok = Ok;
        if (Calls[0] == 'N')
            T.Files.erase("C:\\c.far");
        T.OnItemClick(2);
        EXPECT_EQ(std::tuple(T.Calls, T.Handler.RecentList(), T.Shown, T.Handler.FileName()),
                  std::tuple(Calls, List, List.size(), Calls == Opened ? "C:\\c.far" : ""));
    }
    // Yes, Save As of the new document pushes the clicked file out of the list of 2: it is still opened.
    RecentRig T("[RecentFiles]\nFile0=C:\\a.far\nFile1=C:\\b.far\n", 2);
    T.MakeDocument("");
    T.Answer = TSaveAnswer::saYes;
    T.SaveDlg.Answer = "C:\\c.far";
    T.Handler.FileItemClick(1);
    EXPECT_EQ(T.Calls, Asked("Untitled.far") + "Save.Set(Untitled.far);Save.Execute;OnSave(C:\\c.far);"
                                                "Caption(C:\\c.far);OnOpen(C:\\b.far);Caption(C:\\b.far);");
    EXPECT_EQ(T.Handler.RecentList(), (Names{"C:\\b.far", "C:\\c.far"}));
}

TEST(IniFile, ReadsKeysAndValuesAsTheSystemDoesAndWritesOnlyWhatItIsTold)
{
    TIniFile Ini("unused.ini");
    Ini.SetText("; comment\n[Other]\nFile0=x\r\n[ recentfiles ]\r\n  File1 = \"C:\\b c.far\" \n"
                "; a comment is no key\n\nFile0='C:\\a.far'\nbare line\n[RecentFiles]\nFile9=second section\n");
    EXPECT_EQ(Ini.ReadSection("RecentFiles"), (Names{"File1", "File0", "bare line"}));
    EXPECT_EQ(Ini.ReadSection("Missing"), Names{});
    for (auto [Section, Key, Value] :
         {std::tuple{"RECENTFILES", "file1", "C:\\b c.far"}, {"RecentFiles", "File0", "C:\\a.far"},
          {"RecentFiles", "bare line", ""}, {"RecentFiles", "File2", "-"}, {"Missing", "File0", "-"}})
        EXPECT_EQ(Ini.ReadString(Section, Key, "-"), Value) << Key;
    Ini.SetText("[RecentFiles]\nFile0=old\n\n[Options]\nA=1\n[RecentFiles]\nFile7=old too\n"); // writing keeps the rest
    Ini.EraseSection("RecentFiles");
    EXPECT_EQ(Ini.Text(), "[Options]\r\nA=1\r\n");
    for (auto [Section, Key, Value] :
         {std::tuple{"RecentFiles", "File0", "C:\\a.far"}, {"Options", "B", "2"}, {"Options", "a", "3"}})
        Ini.WriteString(Section, Key, Value);
    EXPECT_EQ(Ini.Text(), "[Options]\r\na=3\r\nB=2\r\n\r\n[RecentFiles]\r\nFile0=C:\\a.far\r\n");
    Ini.SetText("[S]\nK=1\n\n[T]\n");
    Ini.WriteString("S", "L", "2"); // before the blank line that parts the sections
    EXPECT_EQ(Ini.Text(), "[S]\r\nK=1\r\nL=2\r\n\r\n[T]\r\n");
}

} // namespace
} // namespace kelvo
