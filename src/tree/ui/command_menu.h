#pragma once
// The one table of the program's commands as the user sees them: the main menu bar and the tree's
// pop-up menu show the same entries with the same texts. Actions carry their command number and
// hand it to a router when chosen; the recent-file entries are filled in each time a menu opens.

#include <functional>
#include <span>
#include <string>
#include <vector>

class QMenu;
class QMenuBar;
class QWidget;

namespace quarrow::ui {

// One entry of the table. A Popup opens a submenu that runs to its EndPopup; a Check is an item
// with a check mark that shows the state of an option.
struct MenuEntry {
    enum class Kind { Item, Separator, Popup, EndPopup, Check };
    Kind kind;
    int id;            // command number of an Item
    const char* text;  // UTF-8, translated in the context "CommandMenu"; a TAB separates the label from the shortcut text
};

// The entries of the menu bar, and of the pop-up menu's "Popup" submenu, in order.
std::span<const MenuEntry> MainMenuEntries();

// What the menus need of their owner.
struct MenuHooks {
    std::function<void(int id)> route;                       // a chosen command
    std::function<std::vector<std::string>()> recentFiles;   // display texts, in menu order
    std::function<bool(int id)> isChecked;                   // the state of a Check entry
};

// Fills a menu bar, or a pop-up menu, with the table's entries. Every action has the object name
// "cmd<id>" and its id as data. The place of the recent files (57616) is greyed while there are
// none and replaced by the entries themselves when there are. A Check entry's mark is read from
// the hooks each time its menu opens.
void FillMenuBar(QMenuBar& bar, const MenuHooks& hooks);
void FillMenu(QMenu& menu, const MenuHooks& hooks);

}  // namespace quarrow::ui
