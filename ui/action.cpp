#include "ui/action.h"

#include <vector>

namespace kelvo::ui {

void Action::SetChecked(bool checked)
{
    if (checked_ == checked)
        return;
    checked_ = checked;
    if (list_)
        list_->Changed(*this);
}

void Action::SetEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    if (list_)
        list_->Changed(*this);
}

std::string ShortHintOf(const std::string& hint) { return hint.substr(0, hint.find('|')); }

std::string Action::ShortHint() const { return ShortHintOf(Hint); }

std::string Action::LongHint() const
{
    std::size_t bar = Hint.find('|');
    return bar == std::string::npos ? Hint : Hint.substr(bar + 1);
}

std::string ShortCutText(const ShortCut& shortcut)
{
    if (!shortcut.key)
        return {};
    std::string text;
    if (shortcut.modifiers & FCONTROL)
        text += "Ctrl+";
    if (shortcut.modifiers & FSHIFT)
        text += "Shift+";
    if (shortcut.modifiers & FALT)
        text += "Alt+";
    if ((shortcut.key >= 'A' && shortcut.key <= 'Z') || (shortcut.key >= '0' && shortcut.key <= '9'))
        text += static_cast<char>(shortcut.key);
    else if (shortcut.key == VK_DELETE)
        text += "Del";
    else if (shortcut.key >= VK_F1 && shortcut.key <= VK_F12)
        text += "F" + std::to_string(shortcut.key - VK_F1 + 1);
    return text;
}

std::string Action::MenuText() const
{
    std::string shortcut = ShortCutText(Shortcut);
    return shortcut.empty() ? Caption : Caption + "\t" + shortcut;
}

Action& ActionList::Add(int id, std::string caption, std::string hint, ShortCut shortcut)
{
    Action& action = actions_.emplace_back();
    action.Id = id;
    action.Caption = std::move(caption);
    action.Hint = std::move(hint);
    action.Shortcut = shortcut;
    action.list_ = this;
    return action;
}

Action* ActionList::Find(int id)
{
    for (Action& action : actions_)
        if (action.Id == id)
            return &action;
    return nullptr;
}

bool ActionList::Execute(int id)
{
    Action* action = Find(id);
    if (!action || !action->Enabled() || !action->OnExecute)
        return false;
    action->OnExecute();
    return true;
}

OwnedAccelerators ActionList::BuildAccelerators() const
{
    std::vector<ACCEL> table;
    for (const Action& action : actions_) {
        if (action.Shortcut.key)
            table.push_back({static_cast<BYTE>(FVIRTKEY | action.Shortcut.modifiers),
                             action.Shortcut.key, static_cast<WORD>(action.Id)});
    }
    if (table.empty())
        return {};
    return OwnedAccelerators(CreateAcceleratorTableA(table.data(), static_cast<int>(table.size())));
}

void ActionList::Changed(const Action& action)
{
    if (OnChange)
        OnChange(action);
}

void AppendAction(HMENU menu, const Action& action)
{
    AppendMenuA(menu, MF_STRING | (action.Checked() ? MF_CHECKED : 0) | (action.Enabled() ? 0 : MF_GRAYED),
                static_cast<UINT_PTR>(action.Id), action.MenuText().c_str());
}

void AppendCommand(HMENU menu, int id, const std::string& text)
{
    AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(id), text.c_str());
}

void AppendSeparator(HMENU menu) { AppendMenuA(menu, MF_SEPARATOR, 0, nullptr); }

void AppendSubmenu(HMENU menu, const std::string& text, HMENU submenu)
{
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), text.c_str());
}

void UpdateMenuItem(HMENU menu, const Action& action)
{
    CheckMenuItem(menu, static_cast<UINT>(action.Id), MF_BYCOMMAND | (action.Checked() ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu, static_cast<UINT>(action.Id), MF_BYCOMMAND | (action.Enabled() ? MF_ENABLED : MF_GRAYED));
}

} // namespace kelvo::ui
