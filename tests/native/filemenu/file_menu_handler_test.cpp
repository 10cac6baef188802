// The document workflow driven through scripted dialogs and services that
// record every call in one log, so each test can check what was asked, shown
// and called, and in which order.
#include "components/filemenu/file_menu_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <set>

namespace kelvo {
namespace {

using Log = std::vector<std::string>;
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
    std::set<std::string> Files{"C:\\a.far", "C:\\b.far"};
    std::vector<std::string> Arguments{"C:\\Games\\Kelvo\\kelvo.exe"}; // argument 0 first

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
            OpenDlg.Answers.push_back(Name);
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
    std::string Asked(const std::string& Name) const
    {
        return "Ask(File " + Name + " has changed. Save Changes?|Save changes)";
    }
    // Runs New, Open or Exit (by the operation's first letter); CanClose is Exit's verdict.
    void Perform(char Operation, bool& CanClose)
    {
        Operation == 'N' ? Handler.New() : Operation == 'O' ? Handler.Open() : Handler.Exit(CanClose);
    }
};

class FileMenu : public testing::Test, public Rig {};

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
        switch (R.Action) {
        case Act::New: T.Handler.New(); break;
        case Act::Open: T.OpenDlg.Answers = {R.Dialog}; T.Handler.Open(); break;
        case Act::Save: T.SaveDlg.Answers = {R.Dialog}; T.Handler.Save(); break;
        case Act::SaveAs: T.SaveDlg.Answers = {R.Dialog}; T.Handler.SaveAs(); break;
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

TEST_F(FileMenu, SaveQuestionAnswers)
{
    const std::string Name = "C:\\100%s %d %%.far"; // shown as typed, never taken as a format
    Services.Files.insert(Name);
    MakeDocument(Name);
    const struct {
        TSaveAnswer Answer;
        bool CanClose, Modified;
        Log Calls;
    } Cases[] = {
        {TSaveAnswer::saCancel, false, true, {Asked(Name)}},
        {TSaveAnswer::saNo, true, true, {Asked(Name)}},
        {TSaveAnswer::saYes, true, false, {Asked(Name), "OnSave(" + Name + ")"}},
    };
    for (const auto& C : Cases) {
        Calls.clear();
        Handler.Modified = true;
        Services.Answers = {C.Answer};
        bool CanClose = !C.CanClose;
        Handler.Exit(CanClose);
        EXPECT_EQ(CanClose, C.CanClose);
        EXPECT_EQ(Handler.Modified, C.Modified);
        EXPECT_EQ(Calls, C.Calls);
    }
    Calls.clear();
    EXPECT_TRUE(Handler.SaveQuery()); // nothing to save: no question
    Handler.NotFoundDialog(Name);
    EXPECT_EQ(Calls, (Log{"NotFound(File " + Name + " not found.)"}));
}

TEST_F(FileMenu, CancelledSaveDialogStopsTheNextNewOpenOrExitOnce)
{
    // Yes to the question about an unnamed document, then Cancel in the save dialog.
    MakeDocument("");
    for (const char* Operation : {"New", "Open", "Exit"}) {
        SCOPED_TRACE(Operation);
        Calls.clear();
        Services.Answers = {TSaveAnswer::saYes};
        SaveDlg.Answers = {std::nullopt};
        bool CanClose = true;
        Perform(Operation[0], CanClose);
        EXPECT_EQ(Calls, (Log{Asked("Untitled.far"), "Save.Set(Untitled.far)", "Save.Execute"}));
        EXPECT_FALSE(Handler.SaveCancelled());
        EXPECT_FALSE(CanClose && Operation[0] == 'E');
        ExpectState("Untitled.far", true, true);
    }

    // A cancelled Save command stops the next operation even without a question.
    Handler.Modified = false;
    SaveDlg.Answers = {std::nullopt};
    Handler.Save();
    EXPECT_TRUE(Handler.SaveCancelled());
    Calls.clear();
    Handler.New();
    Handler.New();
    EXPECT_EQ(Calls, (Log{"OnNew(Untitled.far)", "Caption(Untitled.far)"}));

    // An explicit Save As that is cancelled leaves nothing behind.
    SaveDlg.Answers = {std::nullopt};
    Handler.SaveAs();
    EXPECT_FALSE(Handler.SaveCancelled());
}

TEST(FileMenuHandler, FailedSaveAfterYesStopsTheOperationThatAsked)
{
    for (const std::string From : {"C:\\a.far", ""}) {
        Rig T;
        T.MakeDocument(From);
        T.Ok = false;
        const std::string Name = From.empty() ? "Untitled.far" : From;
        const Log Expected = From.empty()
            ? Log{T.Asked(Name), "Save.Set(Untitled.far)", "Save.Execute", "OnSave(C:\\c.far)"}
            : Log{T.Asked(Name), "OnSave(C:\\a.far)"};
        bool CanClose = true;
        for (char Operation : {'N', 'O', 'E'}) {
            T.Calls.clear();
            T.Services.Answers = {TSaveAnswer::saYes};
            T.SaveDlg.Answers = {"C:\\c.far"};
            T.Perform(Operation, CanClose);
            EXPECT_EQ(T.Calls, Expected) << "operation " << Operation; // no OnNew, no open dialog
        }
        EXPECT_FALSE(CanClose);
        T.ExpectState(Name, From.empty(), true);
        EXPECT_FALSE(T.Handler.SaveCancelled());
    }
}

TEST_F(FileMenu, HooksChainAfterTheHandlersTheFormHad)
{
    ui::TFormEvents Owner;
    ui::TObject* SeenSender = nullptr;
    Owner.OnCloseQuery = [&](ui::TObject& Sender, bool& CanClose) {
        SeenSender = &Sender;
        Calls.push_back(std::string("OldCloseQuery(") + (CanClose ? "true)" : "false)"));
        CanClose = false;
    };
    Owner.OnShow = [&](ui::TObject& Sender) {
        SeenSender = &Sender;
        Calls.push_back("OldShow");
    };
    {
        TFileMenuHandler Hooked(Owner, Services);
        Hooked.OnNew = Handler.OnNew;
        ui::TObject Sender;
        Owner.OnShow(Sender);
        EXPECT_EQ(SeenSender, &Sender);
        EXPECT_EQ(Hooked.ExeFolder(), "C:\\Games\\Kelvo\\");

        // The old close-query handler sees the verdict of the question and may change it.
        Hooked.Modified = true;
        Services.Answers = {TSaveAnswer::saNo, TSaveAnswer::saCancel};
        bool CanClose = true;
        Owner.OnCloseQuery(Sender, CanClose);
        EXPECT_FALSE(CanClose);
        CanClose = true;
        Owner.OnCloseQuery(Sender, CanClose);
        EXPECT_EQ(Calls, (Log{"ParamStr(0)", "OldShow", "ParamStr(1)", "OnNew()", Asked(""), "OldCloseQuery(true)",
                              Asked(""), "OldCloseQuery(false)"}));
    }
    // A destroyed handler gives the form its old handlers back.
    Calls.clear();
    Owner.OnShow(Owner);
    EXPECT_EQ(Calls, Log{"OldShow"});
}

} // namespace
} // namespace kelvo
