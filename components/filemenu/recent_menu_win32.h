// TWin32RecentMenu: the recent-files list in a real menu. Its items follow a
// separator at the end of the menu and carry command numbers from a block
// that the owner window reserves; the window hands their WM_COMMAND and the
// messages of its loop to this object.
#pragma once

#include "components/filemenu/file_menu_handler.h"
#include "ui/handles.h"

#include <windows.h>

namespace kelvo {

class TWin32RecentMenu : public TRecentMenu {
public:
    // Command numbers used: FirstCommand + position for the items, and
    // FirstCommand + kMaxListLimit for the separator.
    static constexpr int kCommandCount = TFileMenuHandler::kMaxListLimit + 1;

    // Menu stays owned by its window's menu bar and must outlive this object.
    TWin32RecentMenu(HMENU Menu, int FirstCommand) : FMenu(Menu), FFirstCommand(FirstCommand) {}

    void ShowItems(const std::vector<TRecentItem>& Items) override;
    void RemoveItems() override;

    // A command of a recent item: runs OnItemClick with its position. False
    // for every other command.
    bool HandleCommand(int Id);
    // The Alt shortcuts of the items: turns a key message into the item's
    // WM_COMMAND to Window. True when it did.
    bool TranslateAccelerator(HWND Window, MSG& Message) const;

private:
    HMENU FMenu;
    int FFirstCommand;
    ui::OwnedAccelerators FAccelerators;
};

} // namespace kelvo
