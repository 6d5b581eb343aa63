// The command table of the application: every menu entry and shortcut comes from one list, so
// menus, keys and tests agree on what each command is.
#pragma once

#include <string>
#include <vector>

namespace zep::shell {

class TMainForm;
class TNetForm;

/// Whose command it is: the main window's, or the active network window's (disabled without
/// one).
enum class TCommandScope { Main, Net };

struct TCommandDef {
    const char* name;    ///< stable name for tests and the action's object name
    const char* menu;    ///< top-level menu caption
    const char* caption; ///< the entry's caption with its accelerator
    const char* keys;    ///< shortcut in Qt's portable text ("" for none)
    TCommandScope scope;
    void (TMainForm::*main)() = nullptr;
    void (TNetForm::*net)() = nullptr;
    const char* group = nullptr;   ///< entries with the same group are exclusive (mouse modes)
    const char* submenu = nullptr; ///< the caption of a submenu of `menu` holding the entry
    void (TNetForm::*netArg)(int) = nullptr; ///< a network window command taking `arg`
    int arg = 0;
    /// When the entry is usable beyond having a network window (nullptr: always).
    bool (*enabled)(const TNetForm&) = nullptr;
    /// A check mark's state (nullptr: the entry has none, unless it is in a group).
    bool (*checked)(const TNetForm&) = nullptr;
};

/// Every command in menu order.
const std::vector<TCommandDef>& CommandTable();
/// The entry of that name; nullptr when none.
const TCommandDef* FindCommand(const std::string& name);

} // namespace zep::shell
