// Commands with a caption, hint, shortcut and checked state, shared by the
// menu, the tool bar and the accelerator table through one command number.
#pragma once

#include "ui/handles.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace kelvo::ui {

struct ShortCut {
    WORD key = 0;       // virtual key; 0: none
    BYTE modifiers = 0; // FCONTROL, FSHIFT, FALT
};

class ActionList;

class Action {
public:
    int Id = 0;
    std::string Caption;
    std::string Hint; // "tool tip|long hint"
    ShortCut Shortcut;
    std::function<void()> OnExecute;

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // The hint's part before the bar (the tool tip) and after it.
    std::string ShortHint() const;
    std::string LongHint() const;
    // The menu text: caption, and the shortcut after a tab.
    std::string MenuText() const;

private:
    friend class ActionList;
    ActionList* list_ = nullptr;
    bool checked_ = false;
    bool enabled_ = true;
};

// The tool tip part of a "tool tip|long hint" text.
std::string ShortHintOf(const std::string& hint);
// Shortcut text as menus show it, e.g. "Ctrl+N".
std::string ShortCutText(const ShortCut& shortcut);

class ActionList {
public:
    Action& Add(int id, std::string caption, std::string hint = {}, ShortCut shortcut = {});
    Action* Find(int id);
    // Runs the action of a command number; false when there is none or it is disabled.
    bool Execute(int id);
    OwnedAccelerators BuildAccelerators() const;

    // Told when an action's checked or enabled state changes, so menus and
    // tool bars can follow.
    std::function<void(const Action&)> OnChange;

private:
    friend class Action;
    void Changed(const Action& action);
    std::deque<Action> actions_; // stable addresses
};

// Menu building: items carry their action's command number.
void AppendAction(HMENU menu, const Action& action);
void AppendCommand(HMENU menu, int id, const std::string& text);
void AppendSeparator(HMENU menu);
void AppendSubmenu(HMENU menu, const std::string& text, HMENU submenu);
// Brings the menu items of an action up to date (checked, enabled).
void UpdateMenuItem(HMENU menu, const Action& action);

} // namespace kelvo::ui
