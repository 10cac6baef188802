// The document workflow driven through scripted dialogs and services that
// record every call in one log, so each test can check what was asked, shown
// and called, and in which order. The recent-files menu itself is tested
// with a real menu under Windows; here its list and INI file.
#include "components/filemenu/file_menu_handler.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <iterator>
#include <optional>
#include <set>

namespace kelvo {
namespace {

using Log = std::vector<std::string>;
using Names = std::vector<std::string>;
using Answer = std::optional<std::string>; // a dialog's chosen name; nullopt: Cancel

// The next scripted answer; Fallback (Cancel) when the script has run out.
template <class T> T Next(std::deque<T>& Script, const std::string& What, T Fallback)
{
    if (Script.empty()) {
        ADD_FAILURE() << What << " shown without a scripted answer";
        return Fallback;
    }
    T Front = Script.front();
    Script.pop_front();
    return Front;
}

struct ScriptedDialog : TFileDialog {
    ScriptedDialog(Log& L, std::string T) : Calls(L), Tag(std::move(T)) {}
    Log& Calls;
    std::string Tag, Name;
    std::deque<Answer> Answers;

    std::string GetFileName() const override { return Name; }
    void SetFileName(const std::string& N) override
    {
        Calls.push_back(Tag + ".Set(" + N + ")");
        Name = N;
    }
    bool Execute() override
    {
        Calls.push_back(Tag + ".Execute");
        const Answer A = Next(Answers, Tag, Answer{});
        Name = A.value_or(Name);
        return A.has_value();
    }
};

struct ScriptedServices : TFileMenuServices {
    explicit ScriptedServices(Log& L) : Calls(L) {}
    Log& Calls;
    std::deque<TSaveAnswer> Answers;
    std::set<std::string> Files{"C:\\a.far", "C:\\b.far", "C:\\c.far", "C:\\d.far", "C:\\e.far"};
    Names Arguments{"C:\\Games\\Kelvo\\kelvo.exe"}; // argument 0 first

    TSaveAnswer AskSaveChanges(const std::string& Text, const std::string& Caption) override
    {
        Calls.push_back("Ask(" + Text + "|" + Caption + ")");
        return Next(Answers, "question", TSaveAnswer::saCancel);
    }
    void ShowNotFound(const std::string& Text) override { Calls.push_back("NotFound(" + Text + ")"); }
    bool FileExists(const std::string& Name) override { return Files.count(Name) != 0; }
    int ParamCount() override { return static_cast<int>(Arguments.size()) - 1; }
    std::string ParamStr(int Index) override
    {
        Calls.push_back("ParamStr(" + std::to_string(Index) + ")");
        return Index >= 0 && Index < static_cast<int>(Arguments.size()) ? Arguments[Index] : std::string();
    }
};

// A handler on a form with scripted dialogs; its callbacks log and report Ok.
struct Rig {
    Log Calls;
    ui::TFormEvents Form;
    ScriptedServices Services{Calls};
    ScriptedDialog OpenDlg{Calls, "Open"}, SaveDlg{Calls, "Save"};
    TFileMenuHandler Handler{Form, Services};
    bool Ok = true;

    Rig()
    {
        Handler.OpenDialog = &OpenDlg;
        Handler.SaveDialog = &SaveDlg;
        Handler.DefaultFileName = "Untitled.far";
        Handler.OnNew = [this](const std::string& N) { return Record("OnNew(" + N + ")"); };
        Handler.OnOpen = [this](const std::string& N) { return Record("OnOpen(" + N + ")"); };
        Handler.OnSave = [this](const std::string& N) { return Record("OnSave(" + N + ")"); };
        Handler.OnNewFormCaption = [this](const std::string& N) { Calls.push_back("Caption(" + N + ")"); };
    }
    bool Record(const std::string& Call)
    {
        Calls.push_back(Call);
        return Ok;
    }
    // A document opened as Name (or made by New when Name is empty) with
    // changes, and the log cleared.
    void MakeDocument(const std::string& Name)
    {
        if (Name.empty()) {
            Handler.New();
        } else {
            OpenDlg.Answers = {Name};
            Handler.Open();
        }
        Handler.Modified = true;
        Calls.clear();
    }
    void ExpectState(const std::string& FileName, bool NewFile, bool Modified) const
    {
        EXPECT_EQ(Handler.FileName(), FileName);
        EXPECT_EQ(Handler.NewFile(), NewFile);
        EXPECT_EQ(Handler.Modified, Modified);
    }
    static std::string Asked(const std::string& Name)
    {
        return "Ask(File " + Name + " has changed. Save Changes?|Save changes)";
    }
};

enum class Act { New, Open, Save, SaveAs, Show };

TEST(FileMenuHandler, StateAfterEachOperation)
{
    struct Row {
        const char* What;
        const char* From; // "" a new document, "-" a fresh handler, else the opened name; modified unless fresh
        Act Action;
        Answer Dialog;    // the open or save dialog's answer (Show: the command-line argument)
        bool Ok;          // what OnNew, OnOpen and OnSave report
        std::string FileName;
        bool NewFile, Modified, NotFound = false;
        int Look = 1;     // ParamCountLook
    };
    const Row Rows[] = {
        {"New", "C:\\a.far", Act::New, {}, true, "Untitled.far", true, false},
        {"New fails", "C:\\a.far", Act::New, {}, false, "C:\\a.far", false, true},
        {"Open", "", Act::Open, "C:\\b.far", true, "C:\\b.far", false, false},
        {"Open cancelled", "C:\\a.far", Act::Open, std::nullopt, true, "C:\\a.far", false, true},
        {"Open of a missing file", "C:\\a.far", Act::Open, "C:\\gone.far", true, "C:\\a.far", false, true, true},
        {"Open fails", "C:\\a.far", Act::Open, "C:\\b.far", false, "C:\\a.far", false, true},
        {"Save", "C:\\a.far", Act::Save, {}, true, "C:\\a.far", false, false},
        {"Save fails", "C:\\a.far", Act::Save, {}, false, "C:\\a.far", false, true},
        {"Save of a new document", "", Act::Save, "C:\\c.far", true, "C:\\c.far", false, false},
        {"Save of a new document cancelled", "", Act::Save, std::nullopt, true, "Untitled.far", true, true},
        {"Save of a new document fails", "", Act::Save, "C:\\c.far", false, "Untitled.far", true, true},
        {"Save As", "C:\\a.far", Act::SaveAs, "C:\\c.far", true, "C:\\c.far", false, false},
        {"Save As cancelled", "C:\\a.far", Act::SaveAs, std::nullopt, true, "C:\\a.far", false, true},
        {"Save As fails", "C:\\a.far", Act::SaveAs, "C:\\c.far", false, "C:\\a.far", false, true},
        {"start, no argument", "-", Act::Show, std::nullopt, true, "Untitled.far", true, false},
        {"start, relative name", "-", Act::Show, "archives\\b.far", true, "archives\\b.far", false, false},
        {"start, missing file", "-", Act::Show, "C:\\gone.far", true, "Untitled.far", true, false},
        {"start, argument not looked at", "-", Act::Show, "C:\\b.far", true, "Untitled.far", true, false, false, 0},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.What);
        Rig T;
        T.Services.Files.insert("archives\\b.far");
        if (std::string(R.From) != "-")
            T.MakeDocument(R.From);
        T.Ok = R.Ok;
        T.Services.Answers = {TSaveAnswer::saNo};
        T.Handler.ParamCountLook = R.Look;
        T.OpenDlg.Answers = T.SaveDlg.Answers = {R.Dialog};
        switch (R.Action) {
        case Act::New: T.Handler.New(); break;
        case Act::Open: T.Handler.Open(); break;
        case Act::Save: T.Handler.Save(); break;
        case Act::SaveAs: T.Handler.SaveAs(); break;
        case Act::Show:
            if (R.Dialog)
                T.Services.Arguments.push_back(*R.Dialog);
            T.Form.OnShow(T.Form);
            break;
        }
        T.ExpectState(R.FileName, R.NewFile, R.Modified);
        EXPECT_EQ(std::count_if(T.Calls.begin(), T.Calls.end(), [](auto& C) { return C.rfind("NotFound", 0) == 0; }),
                  R.NotFound ? 1 : 0);
    }
}

TEST(FileMenuHandler, SaveQuestionAnswers)
{
    Rig T;
    const std::string Name = "C:\\100%s %d %%.far"; // shown as typed, never taken as a format
    T.Services.Files.insert(Name);
    T.MakeDocument(Name);
    const struct {
        TSaveAnswer Answer;
        bool CanClose, Modified;
        Log Calls;
    } Cases[] = {
        {TSaveAnswer::saCancel, false, true, {Rig::Asked(Name)}},
        {TSaveAnswer::saNo, true, true, {Rig::Asked(Name)}},
        {TSaveAnswer::saYes, true, false, {Rig::Asked(Name), "OnSave(" + Name + ")"}},
    };
    for (const auto& C : Cases) {
        T.Calls.clear();
        T.Handler.Modified = true;
        T.Services.Answers = {C.Answer};
        bool CanClose = !C.CanClose;
        T.Handler.Exit(CanClose);
        EXPECT_EQ(CanClose, C.CanClose);
        EXPECT_EQ(T.Handler.Modified, C.Modified);
        EXPECT_EQ(T.Calls, C.Calls);
    }
    T.Calls.clear();
    EXPECT_TRUE(T.Handler.SaveQuery()); // nothing to save: no question
    T.Handler.NotFoundDialog(Name);
    EXPECT_EQ(T.Calls, (Log{"NotFound(File " + Name + " not found.)"}));
}

TEST(FileMenuHandler, SaveAfterYesThatIsCancelledOrFailsStopsTheOperationThatAsked)
{
    const struct {
        const char* From;
        Answer Dialog; // the save dialog's answer
        bool Ok;
        Log Tail; // after the question
    } Cases[] = {
        {"", std::nullopt, true, {"Save.Set(Untitled.far)", "Save.Execute"}},
        {"", "C:\\c.far", false, {"Save.Set(Untitled.far)", "Save.Execute", "OnSave(C:\\c.far)"}},
        {"C:\\a.far", std::nullopt, false, {"OnSave(C:\\a.far)"}},
    };
    for (const auto& C : Cases) {
        Rig T;
        T.MakeDocument(C.From);
        T.Ok = C.Ok;
        const std::string Name = *C.From ? C.From : "Untitled.far";
        Log Expected{Rig::Asked(Name)};
        Expected.insert(Expected.end(), C.Tail.begin(), C.Tail.end());
        for (char Operation : {'N', 'O', 'E'}) {
            SCOPED_TRACE(Name + " " + Operation);
            T.Calls.clear();
            T.Services.Answers = {TSaveAnswer::saYes};
            T.SaveDlg.Answers = {C.Dialog};
            bool CanClose = true;
            Operation == 'N' ? T.Handler.New() : Operation == 'O' ? T.Handler.Open() : T.Handler.Exit(CanClose);
            EXPECT_EQ(T.Calls, Expected); // no OnNew, no open dialog
            EXPECT_FALSE(CanClose && Operation == 'E');
            EXPECT_FALSE(T.Handler.SaveCancelled());
            T.ExpectState(Name, !*C.From, true);
        }
    }

    // A cancelled Save command stops the next operation once, even without a question.
    Rig T;
    T.MakeDocument("");
    T.Handler.Modified = false;
    T.SaveDlg.Answers = {std::nullopt};
    T.Handler.Save();
    EXPECT_TRUE(T.Handler.SaveCancelled());
    T.Calls.clear();
    T.Handler.New();
    T.Handler.New();
    EXPECT_EQ(T.Calls, (Log{"OnNew(Untitled.far)", "Caption(Untitled.far)"}));
    // An explicit Save As that is cancelled leaves nothing behind.
    T.SaveDlg.Answers = {std::nullopt};
    T.Handler.SaveAs();
    EXPECT_FALSE(T.Handler.SaveCancelled());
}

TEST(FileMenuHandler, HooksChainAfterTheHandlersTheFormHad)
{
    Rig T;
    ui::TFormEvents Owner;
    ui::TObject* SeenSender = nullptr;
    Owner.OnCloseQuery = [&](ui::TObject& Sender, bool& CanClose) {
        SeenSender = &Sender;
        T.Calls.push_back(std::string("OldCloseQuery(") + (CanClose ? "true)" : "false)"));
        CanClose = false;
    };
    Owner.OnShow = [&](ui::TObject& Sender) {
        SeenSender = &Sender;
        T.Calls.push_back("OldShow");
    };
    {
        TFileMenuHandler Hooked(Owner, T.Services);
        Hooked.OnNew = T.Handler.OnNew;
        ui::TObject Sender;
        Owner.OnShow(Sender);
        EXPECT_EQ(SeenSender, &Sender);
        EXPECT_EQ(Hooked.ExeFolder(), "C:\\Games\\Kelvo\\");
        // The old close-query handler sees the verdict of the question and may change it.
        Hooked.Modified = true;
        T.Services.Answers = {TSaveAnswer::saNo, TSaveAnswer::saCancel};
        for (bool CanClose : {true, true}) {
            Owner.OnCloseQuery(Sender, CanClose);
            EXPECT_FALSE(CanClose);
        }
        EXPECT_EQ(T.Calls, (Log{"ParamStr(0)", "OldShow", "ParamStr(1)", "OnNew()", Rig::Asked(""),
                                "OldCloseQuery(true)", Rig::Asked(""), "OldCloseQuery(false)"}));
    }
    // A destroyed handler gives the form its old handlers back.
    T.Calls.clear();
    Owner.OnShow(Owner);
    EXPECT_EQ(T.Calls, Log{"OldShow"});
}

// How many recent items the menu shows.
struct CountingMenu : TRecentMenu {
    std::size_t Shown = 0;
    void ShowItems(const std::vector<TRecentItem>& Items) override { Shown = Items.size(); }
    void RemoveItems() override { Shown = 0; }
};

// A handler whose program lives in a folder of its own, with the INI file
// Text there (none when Text is empty), shown once with a menu.
struct RecentRig : Rig {
    const std::filesystem::path Folder = std::filesystem::temp_directory_path() / "kelvo_recent_test";
    const std::string Ini = (Folder / "Kelvo.ini").string();
    CountingMenu Menu;

    RecentRig()
    {
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Services.Arguments = {(Folder / "kelvo.exe").string()};
        Handler.IniFileName = "Kelvo.ini";
        Handler.LoadNewOnStart = false;
        Handler.SetFileMenu(&Menu);
    }
    ~RecentRig() { std::filesystem::remove_all(Folder); }
    void Start(const std::string& Text = {})
    {
        if (!Text.empty())
            test::WriteBytes(Ini, Text);
        Form.OnShow(Form);
        Calls.clear();
    }
    // Ends the handler's life as the window's end does, so the list is written.
    std::string Saved()
    {
        Handler.~TFileMenuHandler();
        new (&Handler) TFileMenuHandler(Form, Services);
        return std::filesystem::is_directory(Ini) ? "a folder" : test::ReadBytes(Ini);
    }
};

TEST(RecentList, LoadsExistingFilesAndSavesThemAtTheEnd)
{
    const struct {
        const char* What;
        std::string Text;
        Names List;
        int MaxList = 4;
    } Cases[] = {
        {"only File0 and File2 exist", "File0=C:\\a.far\nFile1=C:\\gone.far\nFile2=C:\\b.far\n", {"C:\\a.far", "C:\\b.far"}},
        {"six keys, MaxList 4",
         "File0=C:\\a.far\nFile1=C:\\gone.far\nFile2=C:\\b.far\nFile3=C:\\c.far\nFile4=C:\\d.far\nFile5=C:\\e.far\n",
         {"C:\\a.far", "C:\\b.far", "C:\\c.far", "C:\\d.far"}},
        {"keys not named by position", "First=C:\\a.far\nFile1=C:\\b.far\nFile7=C:\\c.far\n", {"C:\\b.far"}},
        {"MaxList 0 keeps nothing", "File0=C:\\a.far\n", {}, 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        RecentRig T;
        T.Handler.SetMaxItems(C.MaxList);
        T.Start("[Other]\nKeep=1\n\n[RecentFiles]\n" + C.Text);
        EXPECT_EQ(T.Handler.RecentList(), C.List);
        std::string Expected = "[Other]\r\nKeep=1\r\n\r\n";
        for (std::size_t i = 0; i < C.List.size(); ++i)
            Expected += (i ? "" : "[RecentFiles]\r\n") + ("File" + std::to_string(i)) + "=" + C.List[i] + "\r\n";
        EXPECT_EQ(T.Saved(), Expected);
    }

    // A missing INI file is made at the end (as a missing file reads as empty);
    // one that cannot be read is never overwritten.
    for (const bool Readable : {true, false}) {
        RecentRig T;
        if (!Readable)
            std::filesystem::create_directories(T.Ini);
        T.Start();
        T.OpenDlg.Answers = {"C:\\a.far"};
        T.Handler.Open();
        EXPECT_EQ(T.Saved(), Readable ? "[RecentFiles]\r\nFile0=C:\\a.far\r\n" : "a folder");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(T.Folder), {}), 1) << "no temporary file left";
    }
}

TEST(RecentList, OpenedAndSavedFilesGoToTheTopAndTheListKeepsItsLimit)
{
    RecentRig T;
    T.Services.Files.insert("c:\\C.FAR");
    T.Start("[RecentFiles]\nFile0=C:\\a.far\nFile1=C:\\b.far\nFile2=C:\\c.far\n");
    T.Handler.SetEnableMenuList(false); // without the menu the list is still kept
    T.OpenDlg.Answers = {"c:\\C.FAR"};
    T.Handler.Open();
    EXPECT_EQ(T.Handler.FileName(), "c:\\C.FAR");
    EXPECT_EQ(T.Handler.RecentList(), (Names{"C:\\c.far", "C:\\a.far", "C:\\b.far"})) << "the entry keeps its text";
    EXPECT_EQ(T.Menu.Shown, 0u);
    for (const char* Name : {"C:\\d.far", "C:\\e.far"}) {
        T.SaveDlg.Answers = {Name};
        T.Handler.SaveAs();
    }
    EXPECT_EQ(T.Handler.RecentList(), (Names{"C:\\e.far", "C:\\d.far", "C:\\c.far", "C:\\a.far"}));
    // A lower MaxList trims at once; one above the limit is taken as the limit, one below 0 as 0.
    T.Handler.SetMaxItems(2);
    EXPECT_EQ(T.Handler.RecentList(), (Names{"C:\\e.far", "C:\\d.far"}));
    EXPECT_EQ(T.Saved(), "[RecentFiles]\r\nFile0=C:\\e.far\r\nFile1=C:\\d.far\r\n");
    for (auto [Value, Taken] : {std::pair{50, 35}, {-3, 0}}) {
        T.Handler.SetMaxItems(Value);
        EXPECT_EQ(T.Handler.MaxList(), Taken);
    }

    // Menu items are numbered 1 to 9, then A to Z, with the number as shortcut, or bare names.
    const Names List(35, "C:\\f.far");
    const auto With = RecentItems(List, true, 7), Without = RecentItems(List, false, -1);
    for (auto [Index, Number] : {std::pair{0, '1'}, {8, '9'}, {9, 'A'}, {34, 'Z'}}) {
        EXPECT_EQ(With[Index].Caption, std::string("&") + Number + " C:\\f.far");
        EXPECT_EQ(With[Index].Shortcut, Number);
        EXPECT_EQ(With[Index].ImageIndex, 7);
        EXPECT_EQ(Without[Index].Caption, "C:\\f.far");
        EXPECT_EQ(Without[Index].Shortcut, 0);
    }
}

TEST(RecentList, ClickingAnItem)
{
    const struct {
        const char* What;
        int Position;
        bool MoveToTop = true, Ok = true;
        Names List;
        Log Calls;
    } Cases[] = {
        {"opens and moves to the top", 2, true, true, {"C:\\c.far", "C:\\a.far", "C:\\b.far"},
         {"OnOpen(C:\\c.far)", "Caption(C:\\c.far)"}},
        {"MoveToTop off keeps the order", 2, false, true, {"C:\\a.far", "C:\\b.far", "C:\\c.far"},
         {"OnOpen(C:\\c.far)", "Caption(C:\\c.far)"}},
        {"OnOpen fails", 2, true, false, {"C:\\a.far", "C:\\b.far", "C:\\c.far"}, {"OnOpen(C:\\c.far)"}},
        {"file gone", 1, true, true, {"C:\\a.far", "C:\\c.far"}, {"NotFound(File C:\\b.far not found.)"}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        RecentRig T;
        T.Start("[RecentFiles]\nFile0=C:\\a.far\nFile1=C:\\b.far\nFile2=C:\\c.far\n");
        T.Handler.MoveToTop = C.MoveToTop;
        T.Ok = C.Ok;
        if (C.Calls.front().rfind("NotFound", 0) == 0)
            T.Services.Files.erase("C:\\b.far");
        T.Menu.OnItemClick(C.Position);
        EXPECT_EQ(T.Calls, C.Calls);
        EXPECT_EQ(T.Handler.RecentList(), C.List);
        EXPECT_EQ(T.Menu.Shown, C.List.size());
        EXPECT_EQ(T.Handler.FileName(), C.Ok && C.Calls.size() == 2 ? C.List[C.MoveToTop ? 0 : 2] : "");
    }

    // A new document with changes, Yes to the question, and Save As puts its
    // name on top: the clicked file is still the one opened.
    for (const int MaxList : {4, 2}) {
        SCOPED_TRACE(MaxList);
        RecentRig T;
        T.Handler.SetMaxItems(MaxList);
        T.Start("[RecentFiles]\nFile0=C:\\a.far\nFile1=C:\\b.far\n");
        T.MakeDocument("");
        T.Services.Answers = {TSaveAnswer::saYes};
        T.SaveDlg.Answers = {"C:\\c.far"};
        T.Handler.FileItemClick(1);
        EXPECT_EQ(T.Calls, (Log{Rig::Asked("Untitled.far"), "Save.Set(Untitled.far)", "Save.Execute",
                                "OnSave(C:\\c.far)", "Caption(C:\\c.far)", "OnOpen(C:\\b.far)", "Caption(C:\\b.far)"}));
        EXPECT_EQ(T.Handler.RecentList(), (MaxList == 4 ? Names{"C:\\b.far", "C:\\c.far", "C:\\a.far"}
                                                        : Names{"C:\\b.far", "C:\\c.far"}));
    }
}

} // namespace
} // namespace kelvo
