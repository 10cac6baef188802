// The document workflow driven through scripted dialogs and services that
// record every call in one log, so each test can check what was asked, shown
// and called, and in which order.
#include "components/filemenu/file_menu_handler.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <set>

namespace kelvo {
namespace {

using Log = std::vector<std::string>;

class ScriptedDialog : public TFileDialog {
public:
    ScriptedDialog(Log& Calls, std::string Name) : FCalls(Calls), FName(std::move(Name)) {}

    // One answer per Execute: a chosen name, or nullopt for Cancel.
    std::deque<std::optional<std::string>> Answers;

    std::string GetFileName() const override { return FFileName; }
    void SetFileName(const std::string& FileName) override
    {
        FCalls.push_back(FName + ".SetFileName(" + FileName + ")");
        FFileName = FileName;
    }
    bool Execute() override
    {
        FCalls.push_back(FName + ".Execute");
        if (Answers.empty()) {
            ADD_FAILURE() << FName << " shown without a scripted answer";
            return false;
        }
        const std::optional<std::string> Answer = Answers.front();
        Answers.pop_front();
        if (!Answer)
            return false;
        FFileName = *Answer;
        return true;
    }

private:
    Log& FCalls;
    std::string FName;
    std::string FFileName;
};

class ScriptedServices : public TFileMenuServices {
public:
    explicit ScriptedServices(Log& Calls) : FCalls(Calls) {}

    std::deque<TSaveAnswer> Answers;
    std::set<std::string> Files;
    std::vector<std::string> Arguments{"C:\\Games\\Kelvo\\kelvo.exe"}; // argument 0 first

    TSaveAnswer AskSaveChanges(const std::string& Text, const std::string& Caption) override
    {
        FCalls.push_back("Ask(" + Text + "|" + Caption + ")");
        if (Answers.empty()) {
            ADD_FAILURE() << "question asked without a scripted answer";
            return TSaveAnswer::saCancel;
        }
        const TSaveAnswer Answer = Answers.front();
        Answers.pop_front();
        return Answer;
    }
    void ShowNotFound(const std::string& Text) override { FCalls.push_back("NotFound(" + Text + ")"); }
    bool FileExists(const std::string& Name) override { return Files.count(Name) != 0; }
    int ParamCount() override { return static_cast<int>(Arguments.size()) - 1; }
    std::string ParamStr(int Index) override
    {
        FCalls.push_back("ParamStr(" + std::to_string(Index) + ")");
        return Index >= 0 && Index < static_cast<int>(Arguments.size()) ? Arguments[Index] : std::string();
    }

private:
    Log& FCalls;
};

class FileMenuHandlerTest : public testing::Test {
protected:
    FileMenuHandlerTest()
    {
        Handler.OpenDialog = &OpenDlg;
        Handler.SaveDialog = &SaveDlg;
        Handler.OnNew = [this](const std::string& Name) { return Record("OnNew", Name, NewResult); };
        Handler.OnOpen = [this](const std::string& Name) { return Record("OnOpen", Name, OpenResult); };
        Handler.OnSave = [this](const std::string& Name) { return Record("OnSave", Name, SaveResult); };
        Handler.OnNewFormCaption = [this](const std::string& Name) { Calls.push_back("Caption(" + Name + ")"); };
    }

    bool Record(const std::string& What, const std::string& Name, bool Result)
    {
        Calls.push_back(What + "(" + Name + ")");
        return Result;
    }

    // A document opened through the Open command, then the log cleared.
    void OpenDocument(const std::string& Name)
    {
        Services.Files.insert(Name);
        OpenDlg.Answers.push_back(Name);
        Handler.Open();
        ASSERT_EQ(Handler.FileName(), Name);
        Calls.clear();
    }

    // A document made by New, then the log cleared.
    void NewDocument()
    {
        Handler.New();
        ASSERT_TRUE(Handler.NewFile());
        Calls.clear();
    }

    void ExpectState(const std::string& FileName, bool NewFile, bool Modified)
    {
        EXPECT_EQ(Handler.FileName(), FileName);
        EXPECT_EQ(Handler.NewFile(), NewFile);
        EXPECT_EQ(Handler.Modified, Modified);
    }

    Log Calls;
    ui::TFormEvents Form;
    ScriptedServices Services{Calls};
    ScriptedDialog OpenDlg{Calls, "OpenDialog"};
    ScriptedDialog SaveDlg{Calls, "SaveDialog"};
    TFileMenuHandler Handler{Form, Services};
    bool NewResult = true;
    bool OpenResult = true;
    bool SaveResult = true;
};

// --- Creation -------------------------------------------------------------

TEST_F(FileMenuHandlerTest, StartsWithDefaultsAndAnEmptyDocument)
{
    TFileMenuHandler Fresh(Form, Services);
    EXPECT_EQ(Fresh.IniFileName, "Options.ini");
    EXPECT_EQ(Fresh.SaveDialog, nullptr);
    EXPECT_EQ(Fresh.OpenDialog, nullptr);
    EXPECT_EQ(Fresh.MaxList(), 4);
    EXPECT_EQ(Fresh.DefaultFileName, "");
    EXPECT_EQ(Fresh.NotFoundString, "File %s not found.");
    EXPECT_EQ(Fresh.FileChangedString, "File %s has changed. Save Changes?");
    EXPECT_EQ(Fresh.FileChangedCaption, "Save changes");
    EXPECT_FALSE(Fresh.OnOpen || Fresh.OnSave || Fresh.OnNew || Fresh.OnNewFormCaption);
    EXPECT_TRUE(Fresh.AddShortcut);
    EXPECT_EQ(Fresh.NewItemImageIndex, -1);
    EXPECT_TRUE(Fresh.EnableMenuList());
    EXPECT_TRUE(Fresh.MoveToTop);
    EXPECT_EQ(Fresh.ParamCountLook, 1);
    EXPECT_TRUE(Fresh.LoadNewOnStart);

    EXPECT_EQ(Fresh.FileName(), "");
    EXPECT_FALSE(Fresh.NewFile());
    EXPECT_FALSE(Fresh.Modified);
    EXPECT_FALSE(Fresh.SaveAsActive());
    EXPECT_FALSE(Fresh.SaveCancelled());
    EXPECT_EQ(Fresh.ExeFolder(), "");
    EXPECT_TRUE(Calls.empty());
}

TEST_F(FileMenuHandlerTest, MaxListIsCappedAtThirtyFive)
{
    Handler.SetMaxItems(50);
    EXPECT_EQ(Handler.MaxList(), 35);
    Handler.SetMaxItems(12);
    EXPECT_EQ(Handler.MaxList(), 12);
    Handler.SetEnableMenuList(false);
    EXPECT_FALSE(Handler.EnableMenuList());
}

// --- New ------------------------------------------------------------------

TEST_F(FileMenuHandlerTest, NewPassesTheReplacedNameAndTakesTheDefaultName)
{
    OpenDocument("C:\\a.far");
    Handler.DefaultFileName = "Untitled.far";
    Handler.New();
    EXPECT_EQ(Calls, (Log{"OnNew(C:\\a.far)", "Caption(Untitled.far)"}));
    ExpectState("Untitled.far", true, false);
}

TEST_F(FileMenuHandlerTest, NewThatFailsOrHasNoCallbackChangesNothing)
{
    OpenDocument("C:\\a.far");
    Handler.Modified = true;
    Services.Answers = {TSaveAnswer::saNo, TSaveAnswer::saNo};
    NewResult = false;
    Handler.New();
    EXPECT_EQ(Calls, (Log{"Ask(File C:\\a.far has changed. Save Changes?|Save changes)", "OnNew(C:\\a.far)"}));
    ExpectState("C:\\a.far", false, true);

    Calls.clear();
    Handler.OnNew = nullptr;
    Handler.New();
    EXPECT_EQ(Calls, (Log{"Ask(File C:\\a.far has changed. Save Changes?|Save changes)"}));
    ExpectState("C:\\a.far", false, true);
}

// --- Open -----------------------------------------------------------------

TEST_F(FileMenuHandlerTest, OpenRunsTheDialogUnpresetAndTakesTheName)
{
    NewDocument();
    Services.Files.insert("D:\\x\\b.far");
    OpenDlg.Answers.push_back("D:\\x\\b.far");
    Handler.Open();
    EXPECT_EQ(Calls, (Log{"OpenDialog.Execute", "OnOpen(D:\\x\\b.far)", "Caption(D:\\x\\b.far)"}));
    ExpectState("D:\\x\\b.far", false, false);
}

TEST_F(FileMenuHandlerTest, OpenStopsOnCancelMissingFileFailureOrNoCallback)
{
    OpenDocument("C:\\a.far");
    Handler.Modified = true;
    Services.Answers.assign(4, TSaveAnswer::saNo);

    OpenDlg.Answers.push_back(std::nullopt);
    Handler.Open();
    EXPECT_EQ(Calls.back(), "OpenDialog.Execute");

    Calls.clear();
    OpenDlg.Answers.push_back("C:\\gone.far");
    Handler.Open();
    EXPECT_EQ(Calls.back(), "NotFound(File C:\\gone.far not found.)");

    Calls.clear();
    Services.Files.insert("C:\\b.far");
    OpenDlg.Answers.push_back("C:\\b.far");
    OpenResult = false;
    Handler.Open();
    EXPECT_EQ(Calls.back(), "OnOpen(C:\\b.far)");

    // Without OnOpen the dialog and the not-found message still come.
    Calls.clear();
    Handler.OnOpen = nullptr;
    OpenDlg.Answers.push_back("C:\\gone.far");
    Handler.Open();
    EXPECT_EQ(Calls.back(), "NotFound(File C:\\gone.far not found.)");
    OpenDlg.Answers.push_back("C:\\b.far");
    Calls.clear();
    Services.Answers.push_back(TSaveAnswer::saNo);
    Handler.Open();
    EXPECT_EQ(Calls.back(), "OpenDialog.Execute");

    ExpectState("C:\\a.far", false, true);
}

TEST_F(FileMenuHandlerTest, OpenWithoutDialogDoesNothing)
{
    Handler.OpenDialog = nullptr;
    Handler.Open();
    EXPECT_TRUE(Calls.empty());
    ExpectState("", false, false);
}

// --- Save and Save As -----------------------------------------------------

TEST_F(FileMenuHandlerTest, SaveOfANamedDocumentCallsOnSaveOnly)
{
    OpenDocument("C:\\a.far");
    Handler.Modified = true;
    SaveResult = false;
    Handler.Save();
    EXPECT_EQ(Calls, (Log{"OnSave(C:\\a.far)"}));
    ExpectState("C:\\a.far", false, true);

    Calls.clear();
    SaveResult = true;
    Handler.Save();
    EXPECT_EQ(Calls, (Log{"OnSave(C:\\a.far)"})); // no dialog, no caption
    ExpectState("C:\\a.far", false, false);
}

TEST_F(FileMenuHandlerTest, SaveOfANewDocumentAsksForANamePresetWithTheCurrentOne)
{
    Handler.DefaultFileName = "Untitled.far";
    NewDocument();
    Handler.Modified = true;
    SaveDlg.Answers.push_back("C:\\saved.far");
    Handler.Save();
    EXPECT_EQ(Calls, (Log{"SaveDialog.SetFileName(Untitled.far)", "SaveDialog.Execute", "OnSave(C:\\saved.far)",
                          "Caption(C:\\saved.far)"}));
    ExpectState("C:\\saved.far", false, false);
    EXPECT_FALSE(Handler.SaveCancelled());
}

TEST_F(FileMenuHandlerTest, SaveAsIsActiveOnlyWhileItRuns)
{
    OpenDocument("C:\\a.far");
    Handler.Modified = true;
    bool ActiveDuringSave = false;
    Handler.OnSave = [&](const std::string&) { ActiveDuringSave = Handler.SaveAsActive(); return true; };
    SaveDlg.Answers.push_back("C:\\b.far");
    Handler.SaveAs();
    EXPECT_TRUE(ActiveDuringSave);
    EXPECT_FALSE(Handler.SaveAsActive());
    ExpectState("C:\\b.far", false, false);

    // Cleared also when the callback throws.
    Handler.OnSave = [](const std::string&) -> bool { throw std::runtime_error("disk gone"); };
    SaveDlg.Answers.push_back("C:\\c.far");
    EXPECT_THROW(Handler.SaveAs(), std::runtime_error);
    EXPECT_FALSE(Handler.SaveAsActive());
}

TEST_F(FileMenuHandlerTest, SaveAsThatIsCancelledOrFailsChangesNothing)
{
    OpenDocument("C:\\a.far");
    Handler.Modified = true;
    SaveDlg.Answers.push_back(std::nullopt);
    Handler.SaveAs();
    EXPECT_FALSE(Handler.SaveCancelled()); // an explicit Save As leaves no flag behind

    SaveDlg.Answers.push_back("C:\\b.far");
    SaveResult = false;
    Handler.SaveAs();
    ExpectState("C:\\a.far", false, true);
    EXPECT_EQ(Calls.back(), "OnSave(C:\\b.far)");

    // Without OnSave no dialog is shown at all.
    Calls.clear();
    Handler.OnSave = nullptr;
    Handler.SaveAs();
    Handler.Save();
    EXPECT_TRUE(Calls.empty());
    ExpectState("C:\\a.far", false, true);
}

// --- The save question ----------------------------------------------------

TEST_F(FileMenuHandlerTest, QuestionIsAskedOnlyForAModifiedDocument)
{
    OpenDocument("C:\\a.far");
    EXPECT_TRUE(Handler.SaveQuery());
    EXPECT_TRUE(Calls.empty());
}

TEST_F(FileMenuHandlerTest, QuestionAnswers)
{
    OpenDocument("C:\\My Files\\a.far");
    Handler.Modified = true;
    const std::string Asked = "Ask(File C:\\My Files\\a.far has changed. Save Changes?|Save changes)";

    Services.Answers = {TSaveAnswer::saCancel};
    EXPECT_FALSE(Handler.SaveQuery());
    EXPECT_EQ(Calls, (Log{Asked}));
    EXPECT_TRUE(Handler.Modified);

    Calls.clear();
    Services.Answers = {TSaveAnswer::saNo};
    EXPECT_TRUE(Handler.SaveQuery());
    EXPECT_EQ(Calls, (Log{Asked}));
    EXPECT_TRUE(Handler.Modified);

    Calls.clear();
    Services.Answers = {TSaveAnswer::saYes};
    EXPECT_TRUE(Handler.SaveQuery());
    EXPECT_EQ(Calls, (Log{Asked, "OnSave(C:\\My Files\\a.far)"}));
    EXPECT_FALSE(Handler.Modified);
}

TEST_F(FileMenuHandlerTest, QuestionForAnUnnamedDocumentKeepsBothBlanks)
{
    NewDocument();
    Handler.Modified = true;
    Services.Answers = {TSaveAnswer::saCancel};
    Handler.SaveQuery();
    EXPECT_EQ(Calls, (Log{"Ask(File  has changed. Save Changes?|Save changes)"}));
}

TEST_F(FileMenuHandlerTest, FileNamesAreNeverTakenAsFormats)
{
    const std::string Name = "C:\\100%s %d %n %x %%.far";
    OpenDocument(Name);
    Handler.Modified = true;
    Services.Answers = {TSaveAnswer::saCancel};
    Handler.SaveQuery();
    EXPECT_EQ(Calls, (Log{"Ask(File " + Name + " has changed. Save Changes?|Save changes)"}));

    Calls.clear();
    Handler.NotFoundDialog(Name);
    EXPECT_EQ(Calls, (Log{"NotFound(File " + Name + " not found.)"}));

    EXPECT_EQ(FormatWithName("100%% of %s, %d%", "x"), "100% of x, %d%");
    EXPECT_EQ(FormatWithName("%s and %s", "y"), "y and y");
    EXPECT_EQ(FormatWithName("", "y"), "");
}

// --- SaveCancelled --------------------------------------------------------

TEST_F(FileMenuHandlerTest, CancelledSaveDialogStopsTheOperationThatAsked)
{
    NewDocument();
    Handler.Modified = true;
    Services.Answers = {TSaveAnswer::saYes};
    SaveDlg.Answers.push_back(std::nullopt);
    Handler.Open();
    EXPECT_EQ(Calls, (Log{"Ask(File  has changed. Save Changes?|Save changes)", "SaveDialog.SetFileName()",
                          "SaveDialog.Execute"}));
    EXPECT_FALSE(Handler.SaveCancelled()); // consumed by that Open
    EXPECT_TRUE(Handler.Modified);

    // The next Open asks again and shows its dialog normally.
    Calls.clear();
    Services.Answers = {TSaveAnswer::saNo};
    OpenDlg.Answers.push_back(std::nullopt);
    Handler.Open();
    EXPECT_EQ(Calls, (Log{"Ask(File  has changed. Save Changes?|Save changes)", "OpenDialog.Execute"}));

    // New and Exit stop the same way.
    Calls.clear();
    Services.Answers = {TSaveAnswer::saYes, TSaveAnswer::saYes};
    SaveDlg.Answers = {std::nullopt, std::nullopt};
    Handler.New();
    EXPECT_EQ(Calls.back(), "SaveDialog.Execute");
    bool CanClose = true;
    Handler.Exit(CanClose);
    EXPECT_FALSE(CanClose);
    EXPECT_FALSE(Handler.SaveCancelled());
    ExpectState("", true, true);
}

TEST_F(FileMenuHandlerTest, CancelledSaveCommandStopsTheNextOperationOnce)
{
    NewDocument();
    SaveDlg.Answers.push_back(std::nullopt);
    Handler.Save();
    EXPECT_TRUE(Handler.SaveCancelled());

    Handler.New(); // nothing modified: no question, but the flag stops it
    EXPECT_FALSE(Handler.SaveCancelled());
    EXPECT_EQ(Calls, (Log{"SaveDialog.SetFileName()", "SaveDialog.Execute"}));

    Handler.New();
    EXPECT_EQ(Calls.back(), "Caption()");

    // Exit consumes it too: one refusal, then the window may close.
    SaveDlg.Answers.push_back(std::nullopt);
    Handler.Save();
    bool CanClose = true;
    Handler.Exit(CanClose);
    EXPECT_FALSE(CanClose);
    Handler.Exit(CanClose);
    EXPECT_TRUE(CanClose);
}

// --- Exit -----------------------------------------------------------------

TEST_F(FileMenuHandlerTest, ExitFollowsTheAnswer)
{
    OpenDocument("C:\\a.far");
    bool CanClose = false;
    Handler.Exit(CanClose);
    EXPECT_TRUE(CanClose);
    EXPECT_TRUE(Calls.empty());

    Handler.Modified = true;
    Services.Answers = {TSaveAnswer::saCancel, TSaveAnswer::saNo, TSaveAnswer::saNo, TSaveAnswer::saYes};
    Handler.Exit(CanClose);
    EXPECT_FALSE(CanClose);
    Handler.Exit(CanClose);
    EXPECT_TRUE(CanClose);
    EXPECT_TRUE(Handler.Modified);
    Handler.Exit(CanClose); // asked again after No
    EXPECT_TRUE(CanClose);
    EXPECT_EQ(Calls.size(), 3u);
    Handler.Exit(CanClose);
    EXPECT_TRUE(CanClose);
    EXPECT_FALSE(Handler.Modified);
    EXPECT_EQ(Calls.back(), "OnSave(C:\\a.far)");
}

// --- A save after the answer Yes that does not happen -----------------------

TEST_F(FileMenuHandlerTest, FailedSaveAfterYesKeepsTheChanges)
{
    OpenDocument("C:\\a.far");
    Handler.Modified = true;
    SaveResult = false;
    Services.Answers.assign(3, TSaveAnswer::saYes);

    Handler.New();
    EXPECT_EQ(Calls.back(), "OnSave(C:\\a.far)"); // OnNew never called
    Handler.Open();
    EXPECT_EQ(Calls.back(), "OnSave(C:\\a.far)"); // no open dialog
    bool CanClose = true;
    Handler.Exit(CanClose);
    EXPECT_FALSE(CanClose);
    ExpectState("C:\\a.far", false, true);
    EXPECT_FALSE(Handler.SaveCancelled());
}

TEST_F(FileMenuHandlerTest, FailedSaveOfANewDocumentAfterYesKeepsTheChanges)
{
    NewDocument();
    Handler.Modified = true;
    SaveResult = false;
    Services.Answers = {TSaveAnswer::saYes};
    SaveDlg.Answers.push_back("C:\\b.far");
    bool CanClose = true;
    Handler.Exit(CanClose);
    EXPECT_FALSE(CanClose);
    EXPECT_EQ(Calls.back(), "OnSave(C:\\b.far)");
    ExpectState("", true, true);
}

TEST_F(FileMenuHandlerTest, YesWithoutASaveCallbackKeepsTheChanges)
{
    OpenDocument("C:\\a.far");
    Handler.Modified = true;
    Handler.OnSave = nullptr;
    Services.Answers = {TSaveAnswer::saYes};
    Handler.New();
    EXPECT_EQ(Calls.size(), 1u); // the question, nothing after it
    ExpectState("C:\\a.far", false, true);
}

// --- Start-up -------------------------------------------------------------

TEST_F(FileMenuHandlerTest, StartWithoutArgumentRunsNew)
{
    Form.OnShow(Form);
    EXPECT_EQ(Calls, (Log{"ParamStr(0)", "ParamStr(1)", "OnNew()", "Caption()"}));
    EXPECT_EQ(Handler.ExeFolder(), "C:\\Games\\Kelvo\\");
    ExpectState("", true, false);
}

TEST_F(FileMenuHandlerTest, StartOpensTheArgumentAsTyped)
{
    Services.Arguments.push_back("archives\\Objects.far");
    Services.Files.insert("archives\\Objects.far");
    Form.OnShow(Form);
    EXPECT_EQ(Calls, (Log{"ParamStr(0)", "ParamStr(1)", "OnOpen(archives\\Objects.far)",
                          "Caption(archives\\Objects.far)"}));
    ExpectState("archives\\Objects.far", false, false);
}

TEST_F(FileMenuHandlerTest, StartWithAMissingOrUnopenableArgumentRunsNewSilently)
{
    Services.Arguments.push_back("C:\\nowhere.far");
    Form.OnShow(Form);
    EXPECT_EQ(Calls, (Log{"ParamStr(0)", "ParamStr(1)", "OnNew()", "Caption()"}));

    Calls.clear();
    Services.Files.insert("C:\\nowhere.far");
    OpenResult = false;
    Form.OnShow(Form); // the folder is known by now
    EXPECT_EQ(Calls, (Log{"ParamStr(1)", "OnOpen(C:\\nowhere.far)", "OnNew()", "Caption()"}));
    ExpectState("", true, false);
}

TEST_F(FileMenuHandlerTest, StartHonoursParamCountLookAndLoadNewOnStart)
{
    Services.Arguments = {"kelvo.exe", "C:\\one.far", "C:\\two.far"};
    Services.Files = {"C:\\one.far", "C:\\two.far"};
    Handler.ParamCountLook = 0;
    Handler.LoadNewOnStart = false;
    Form.OnShow(Form);
    EXPECT_EQ(Calls, (Log{"ParamStr(0)"})); // the arguments are never looked at
    EXPECT_EQ(Handler.ExeFolder(), "");     // a bare program name has no folder

    Calls.clear();
    Handler.ParamCountLook = 2;
    Form.OnShow(Form);
    EXPECT_EQ(Calls, (Log{"ParamStr(0)", "ParamStr(2)", "OnOpen(C:\\two.far)", "Caption(C:\\two.far)"}));
}

TEST_F(FileMenuHandlerTest, UnassignedCallbacksDoNothing)
{
    ui::TFormEvents BareForm;
    TFileMenuHandler Bare(BareForm, Services);
    Bare.OpenDialog = &OpenDlg;
    Bare.SaveDialog = &SaveDlg;
    Services.Arguments.push_back("C:\\a.far");
    Services.Files.insert("C:\\a.far");
    BareForm.OnShow(BareForm);
    Bare.New();
    Bare.Save();
    Bare.SaveAs();
    OpenDlg.Answers.push_back("C:\\a.far");
    Bare.Open();
    EXPECT_EQ(Calls, (Log{"ParamStr(0)", "ParamStr(1)", "OpenDialog.Execute"}));
    EXPECT_EQ(Bare.FileName(), "");
    EXPECT_FALSE(Bare.NewFile());
}

// --- Hooks into the owner form ----------------------------------------------

TEST(FileMenuHandlerHooks, ChainAfterTheHandlersTheFormHad)
{
    Log Calls;
    ScriptedServices Services(Calls);
    ui::TFormEvents Form;
    ui::TObject* SeenSender = nullptr;
    Form.OnCloseQuery = [&](ui::TObject& Sender, bool& CanClose) {
        SeenSender = &Sender;
        Calls.push_back(std::string("OldCloseQuery(") + (CanClose ? "true" : "false") + ")");
        CanClose = false;
    };
    Form.OnShow = [&](ui::TObject& Sender) {
        SeenSender = &Sender;
        Calls.push_back("OldShow");
    };
    TFileMenuHandler Handler(Form, Services);
    Handler.OnNew = [&](const std::string&) {
        Calls.push_back("OnNew");
        return true;
    };

    ui::TObject Sender;
    Form.OnShow(Sender);
    EXPECT_EQ(Calls, (Log{"ParamStr(0)", "OldShow", "ParamStr(1)", "OnNew"}));
    EXPECT_EQ(SeenSender, &Sender);

    // The old close-query handler sees the verdict of the question and may change it.
    Calls.clear();
    Handler.Modified = true;
    Services.Answers = {TSaveAnswer::saNo, TSaveAnswer::saCancel};
    bool CanClose = true;
    Form.OnCloseQuery(Form, CanClose);
    EXPECT_FALSE(CanClose);
    CanClose = true;
    Form.OnCloseQuery(Form, CanClose);
    EXPECT_EQ(Calls, (Log{"Ask(File  has changed. Save Changes?|Save changes)", "OldCloseQuery(true)",
                          "Ask(File  has changed. Save Changes?|Save changes)", "OldCloseQuery(false)"}));
}

TEST(FileMenuHandlerHooks, DestroyedHandlerLeavesTheFormSafe)
{
    Log Calls;
    ScriptedServices Services(Calls);
    ui::TFormEvents Form;
    int OldShows = 0;
    Form.OnShow = [&](ui::TObject&) { ++OldShows; };
    {
        TFileMenuHandler Handler(Form, Services);
        EXPECT_TRUE(Form.OnCloseQuery);
    }
    Form.OnShow(Form);
    EXPECT_EQ(OldShows, 1);
    EXPECT_FALSE(Form.OnCloseQuery);
    EXPECT_TRUE(Calls.empty());

    // A slot taken over by someone else after the handler was created stays theirs.
    int Replacements = 0;
    {
        TFileMenuHandler Handler(Form, Services);
        Form.OnShow = [&](ui::TObject&) { ++Replacements; };
    }
    Form.OnShow(Form);
    EXPECT_EQ(Replacements, 1);
    EXPECT_EQ(OldShows, 1);
}

TEST(FileMenuHandlerPaths, ExtractFilePathKeepsTheSeparator)
{
    EXPECT_EQ(ExtractFilePath("C:\\Games\\Kelvo\\kelvo.exe"), "C:\\Games\\Kelvo\\");
    EXPECT_EQ(ExtractFilePath("C:kelvo.exe"), "C:");
    EXPECT_EQ(ExtractFilePath("kelvo.exe"), "");
    EXPECT_EQ(ExtractFilePath(""), "");
}

} // namespace
} // namespace kelvo
