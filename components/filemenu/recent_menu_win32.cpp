#include "components/filemenu/recent_menu_win32.h"

#include "ui/action.h"

namespace kelvo {

void TWin32RecentMenu::RemoveItems()
{
    // By command number, from the last item back to the separator, so the
    // rest of the menu is never touched whatever its length.
    for (int Id = FFirstCommand + kCommandCount - 1; Id >= FFirstCommand; --Id)
        DeleteMenu(FMenu, static_cast<UINT>(Id), MF_BYCOMMAND);
    FAccelerators.Reset();
}

void TWin32RecentMenu::ShowItems(const std::vector<TRecentItem>& Items)
{
    RemoveItems();
    // A menu cannot hide an item: the separator is there exactly when items follow it.
    if (Items.empty())
        return;
    MENUITEMINFOA Separator{};
    Separator.cbSize = sizeof Separator;
    Separator.fMask = MIIM_FTYPE | MIIM_ID;
    Separator.fType = MFT_SEPARATOR;
    Separator.wID = static_cast<UINT>(FFirstCommand + kCommandCount - 1);
    InsertMenuItemA(FMenu, static_cast<UINT>(GetMenuItemCount(FMenu)), TRUE, &Separator);

    std::vector<ACCEL> Table;
    for (std::size_t i = 0; i < Items.size() && i + 1 < static_cast<std::size_t>(kCommandCount); ++i) {
        const TRecentItem& Item = Items[i];
        const WORD Id = static_cast<WORD>(FFirstCommand + static_cast<int>(i));
        std::string Text = Item.Caption;
        if (Item.Shortcut) {
            const ui::ShortCut Shortcut{static_cast<WORD>(Item.Shortcut), FALT};
            Text += "\t" + ui::ShortCutText(Shortcut);
            Table.push_back({static_cast<BYTE>(FVIRTKEY | FALT), Shortcut.key, Id});
        }
        AppendMenuA(FMenu, MF_STRING, Id, Text.c_str());
    }
    if (!Table.empty())
        FAccelerators.Reset(CreateAcceleratorTableA(Table.data(), static_cast<int>(Table.size())));
}

bool TWin32RecentMenu::HandleCommand(int Id)
{
    const int Position = Id - FFirstCommand;
    if (Position < 0 || Position >= kCommandCount - 1)
        return false;
    // A copy: the click rebuilds the menu, and may replace this callback.
    if (const auto Click = OnItemClick)
        Click(Position);
    return true;
}

bool TWin32RecentMenu::TranslateAccelerator(HWND Window, MSG& Message) const
{
    return FAccelerators && ::TranslateAcceleratorA(Window, FAccelerators.Get(), &Message);
}

} // namespace kelvo
