#include "components/filemenu/file_menu_handler.h"

#include "platform/path.h"

#include <utility>

namespace kelvo {

std::string FormatWithName(const std::string& Pattern, const std::string& Text)
{
    std::string Result;
    Result.reserve(Pattern.size() + Text.size());
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        if (Pattern[i] == '%' && i + 1 < Pattern.size()) {
            if (Pattern[i + 1] == 's') {
                Result += Text;
                ++i;
                continue;
            }
            if (Pattern[i + 1] == '%') {
                Result += '%';
                ++i;
                continue;
            }
        }
        Result += Pattern[i];
    }
    return Result;
}

std::string ExtractFilePath(const std::string& Path)
{
    return std::string(platform::FolderPart(Path));
}

// The handlers installed in the owner's event slots. Their type lets the
// destructor recognise its own hooks.
struct TFileMenuHandler::CloseQueryHook {
    TFileMenuHandler* Handler;
    void operator()(ui::TObject& Sender, bool& CanClose) const { Handler->FMHCloseQuery(Sender, CanClose); }
};

struct TFileMenuHandler::ShowHook {
    TFileMenuHandler* Handler;
    void operator()(ui::TObject& Sender) const { Handler->FMHShow(Sender); }
};

TFileMenuHandler::TFileMenuHandler(ui::TFormEvents& Owner, TFileMenuServices& Services)
    : FOwner(Owner), FServices(Services), FOldCloseQuery(std::move(Owner.OnCloseQuery)),
      FOldShow(std::move(Owner.OnShow))
{
    Owner.OnCloseQuery = CloseQueryHook{this};
    Owner.OnShow = ShowHook{this};
}

TFileMenuHandler::~TFileMenuHandler()
{
    SaveRecentList();
    if (FFileMenu)
        FFileMenu->OnItemClick = nullptr;
    // Give the owner back the handlers it had, so that an owner that outlives
    // this handler never calls into a destroyed object. Slots that someone
    // else has taken over since are left alone.
    if (auto* Hook = FOwner.OnCloseQuery.target<CloseQueryHook>(); Hook && Hook->Handler == this)
        FOwner.OnCloseQuery = std::move(FOldCloseQuery);
    if (auto* Hook = FOwner.OnShow.target<ShowHook>(); Hook && Hook->Handler == this)
        FOwner.OnShow = std::move(FOldShow);
}

void TFileMenuHandler::NotifyCaption()
{
    if (OnNewFormCaption)
        OnNewFormCaption(FFileName);
}

void TFileMenuHandler::DocumentOpened(const std::string& Name)
{
    FFileName = Name;
    Modified = false;
    InsertFilename();
    UpdateList();
    FNewFile = false;
    NotifyCaption();
}

bool TFileMenuHandler::SaveQuery()
{
    if (!Modified)
        return true;
    switch (FServices.AskSaveChanges(FormatWithName(FileChangedString, FFileName), FileChangedCaption)) {
    case TSaveAnswer::saCancel:
        return false;
    case TSaveAnswer::saNo:
        return true;
    case TSaveAnswer::saYes:
        break;
    }
    // The changes were to be kept: when the save fails the asking operation
    // must not go on and discard them. A cancelled save dialog stops it
    // through SaveCancelled instead.
    return SaveDocument() != TSaveResult::srFailed;
}

void TFileMenuHandler::New()
{
    if (!SaveQuery())
        return;
    if (FSaveCancelled) {
        FSaveCancelled = false;
        return;
    }
    if (!OnNew || !OnNew(FFileName))
        return;
    FFileName = DefaultFileName;
    FNewFile = true;
    Modified = false;
    NotifyCaption();
}

void TFileMenuHandler::Open()
{
    if (!SaveQuery())
        return;
    if (FSaveCancelled) {
        FSaveCancelled = false;
        return;
    }
    if (!OpenDialog || !OpenDialog->Execute())
        return;
    const std::string Name = OpenDialog->GetFileName();
    if (!FServices.FileExists(Name)) {
        NotFoundDialog(Name);
        return;
    }
    if (!OnOpen || !OnOpen(Name))
        return;
    DocumentOpened(Name);
}

void TFileMenuHandler::Save()
{
    SaveDocument();
}

TFileMenuHandler::TSaveResult TFileMenuHandler::SaveDocument()
{
    if (FNewFile)
        return SaveUnderNewName();
    if (!OnSave || !OnSave(FFileName))
        return TSaveResult::srFailed;
    Modified = false;
    FNewFile = false;
    return TSaveResult::srSaved;
}

void TFileMenuHandler::SaveAs()
{
    // Cleared again even when a callback throws.
    struct ActiveScope {
        bool& Flag;
        explicit ActiveScope(bool& F) : Flag(F) { Flag = true; }
        ~ActiveScope() { Flag = false; }
    } Active(FSaveAsActive);
    SaveUnderNewName();
}

void TFileMenuHandler::SaveAsProc()
{
    SaveUnderNewName();
}

TFileMenuHandler::TSaveResult TFileMenuHandler::SaveUnderNewName()
{
    if (!OnSave || !SaveDialog)
        return TSaveResult::srFailed;
    SaveDialog->SetFileName(FFileName);
    if (!SaveDialog->Execute()) {
        if (!FSaveAsActive)
            FSaveCancelled = true;
        return TSaveResult::srCancelled;
    }
    const std::string Name = SaveDialog->GetFileName();
    if (!OnSave(Name))
        return TSaveResult::srFailed;
    Modified = false;
    FFileName = Name;
    FNewFile = false;
    NotifyCaption();
    InsertFilename();
    UpdateList();
    return TSaveResult::srSaved;
}

void TFileMenuHandler::Exit(bool& CanClose)
{
    const bool Answer = SaveQuery();
    CanClose = Answer && !FSaveCancelled;
    FSaveCancelled = false;
}

void TFileMenuHandler::NotFoundDialog(const std::string& Name)
{
    FServices.ShowNotFound(FormatWithName(NotFoundString, Name));
}

void TFileMenuHandler::FMHCloseQuery(ui::TObject& Sender, bool& CanClose)
{
    Exit(CanClose);
    if (FOldCloseQuery)
        FOldCloseQuery(Sender, CanClose);
}

void TFileMenuHandler::FMHShow(ui::TObject& Sender)
{
    if (FExeFolder.empty())
        FExeFolder = ExtractFilePath(FServices.ParamStr(0));
    if (FOldShow)
        FOldShow(Sender);
    if (!IniFileName.empty())
        LoadRecentList();
    if (ParamCountLook != 0) {
        const std::string Argument = FServices.ParamStr(ParamCountLook);
        if (FServices.FileExists(Argument) && OnOpen && OnOpen(Argument)) {
            DocumentOpened(Argument);
            return;
        }
    }
    if (LoadNewOnStart)
        New();
}

} // namespace kelvo
