// The recent-files half of TFileMenuHandler: the list and its limits, its INI
// file in the program's folder, the menu items and the click on one of them.
#include "components/filemenu/file_menu_handler.h"

#include <algorithm>

namespace kelvo {
namespace {

// Letters of the ANSI code page (Windows-1252) in one case, so that names
// that differ only in case compare equal as they do on the system.
unsigned char FoldCase(unsigned char C)
{
    if ((C >= 'a' && C <= 'z') || (C >= 0xE0 && C <= 0xFE && C != 0xF7))
        return static_cast<unsigned char>(C - 0x20);
    switch (C) {
    case 0x9A: case 0x9C: case 0x9E: return static_cast<unsigned char>(C - 0x10); // š œ ž
    case 0xFF: return 0x9F;                                                        // ÿ
    default: return C;
    }
}

bool SameFileName(const std::string& A, const std::string& B)
{
    return std::equal(A.begin(), A.end(), B.begin(), B.end(), [](char X, char Y) {
        return FoldCase(static_cast<unsigned char>(X)) == FoldCase(static_cast<unsigned char>(Y));
    });
}

std::string KeyOf(std::size_t Position) { return "File" + std::to_string(Position); }

} // namespace

std::vector<TRecentItem> RecentItems(const std::vector<std::string>& List, bool AddShortcut, int ImageIndex)
{
    std::vector<TRecentItem> Items;
    Items.reserve(List.size());
    for (std::size_t i = 0; i < List.size(); ++i) {
        const char Number = static_cast<char>(i < 9 ? '1' + i : 'A' + (i - 9));
        TRecentItem& Item = Items.emplace_back();
        Item.Caption = AddShortcut ? std::string("&") + Number + " " + List[i] : List[i];
        Item.Shortcut = AddShortcut ? Number : 0;
        Item.ImageIndex = ImageIndex;
    }
    return Items;
}

void TFileMenuHandler::SetFileMenu(TRecentMenu* Menu)
{
    if (FFileMenu)
        FFileMenu->OnItemClick = nullptr;
    FFileMenu = Menu;
    if (FFileMenu)
        FFileMenu->OnItemClick = [this](int Position) { FileItemClick(Position); };
}

void TFileMenuHandler::SetMaxItems(int Value)
{
    FMaxList = std::clamp(Value, 0, kMaxListLimit);
    UpdateList();
}

void TFileMenuHandler::SetEnableMenuList(bool Value)
{
    FEnableMenuList = Value;
    UpdateList();
    if (!Value && FFileMenu)
        FFileMenu->RemoveItems();
}

int TFileMenuHandler::IndexOfRecent(const std::string& Name) const
{
    const auto Found = std::find_if(FRecentList.begin(), FRecentList.end(),
                                    [&](const std::string& Entry) { return SameFileName(Entry, Name); });
    return Found == FRecentList.end() ? -1 : static_cast<int>(Found - FRecentList.begin());
}

void TFileMenuHandler::MoveRecentToTop(int Index)
{
    std::rotate(FRecentList.begin(), FRecentList.begin() + Index, FRecentList.begin() + Index + 1);
}

void TFileMenuHandler::LoadRecentList()
{
    if (IniFileName.empty())
        return;
    if (!FIniFile)
        FIniFile = std::make_unique<TIniFile>(FExeFolder + IniFileName);
    FRecentList.clear();
    if (FIniFile->Load()) {
        // As many entries as the section has keys, each read from the key
        // named after its position; missing keys give empty entries.
        FRecentList.resize(FIniFile->ReadSection(kRecentSection).size());
        for (std::size_t i = 0; i < FRecentList.size(); ++i)
            FRecentList[i] = FIniFile->ReadString(kRecentSection, KeyOf(i), "");
        std::erase_if(FRecentList, [this](const std::string& Entry) { return !FServices.FileExists(Entry); });
    } else {
        // A file that cannot be read is never overwritten at the end.
        FIniFile.reset();
    }
    UpdateList();
}

void TFileMenuHandler::SaveRecentList()
{
    if (!FIniFile)
        return;
    // Read again, so sections that others changed meanwhile are kept.
    if (FIniFile->Load()) {
        FIniFile->EraseSection(kRecentSection);
        for (std::size_t i = 0; i < FRecentList.size(); ++i)
            FIniFile->WriteString(kRecentSection, KeyOf(i), FRecentList[i]);
        FIniFile->UpdateFile();
    }
    FIniFile.reset();
}

void TFileMenuHandler::InsertFilename()
{
    if (const int Index = IndexOfRecent(FFileName); Index >= 0)
        MoveRecentToTop(Index);
    else
        FRecentList.insert(FRecentList.begin(), FFileName);
}

void TFileMenuHandler::UpdateList()
{
    // Trimmed even without a menu, so no more than MaxList entries are ever kept or saved.
    if (FRecentList.size() > static_cast<std::size_t>(FMaxList))
        FRecentList.resize(static_cast<std::size_t>(FMaxList));
    if (FFileMenu && FEnableMenuList)
        FFileMenu->ShowItems(RecentItems(FRecentList, AddShortcut, NewItemImageIndex));
}

void TFileMenuHandler::FileItemClick(int Position)
{
    // The name is taken now: the save question may run a Save As that
    // reorders the list, and the entry is looked up again by its name after it.
    if (Position < 0 || static_cast<std::size_t>(Position) >= FRecentList.size())
        return;
    const std::string Name = FRecentList[static_cast<std::size_t>(Position)];
    if (!SaveQuery())
        return;
    if (FSaveCancelled) {
        FSaveCancelled = false;
        return;
    }
    const int Index = IndexOfRecent(Name);
    if (!FServices.FileExists(Name)) {
        NotFoundDialog(Name);
        if (Index >= 0)
            FRecentList.erase(FRecentList.begin() + Index);
        UpdateList();
        return;
    }
    if (!OnOpen || !OnOpen(Name))
        return;
    FFileName = Name;
    Modified = false;
    if (MoveToTop) {
        if (Index >= 0)
            MoveRecentToTop(Index);
        else // trimmed off by the save in between: it comes back on top
            FRecentList.insert(FRecentList.begin(), Name);
    }
    UpdateList();
    FNewFile = false;
    NotifyCaption();
}

} // namespace kelvo
