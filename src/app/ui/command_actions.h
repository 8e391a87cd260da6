#pragma once
// The program's commands as actions. Each action has its text, its shortcut and, for a tree
// option, its check mark, and runs its handler directly when chosen. The menu bar, the tree's
// pop-up menu and the window's keys all show and trigger these same actions.

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QAction;

namespace quarrow::ui {

// What each command does, and what the menus need to show the commands' state. A handler left
// empty makes its command do nothing.
struct CommandHandlers {
    std::function<void()> createTags;       // create or re-create a tags file (Ctrl+N)
    std::function<void()> open;             // open a tags file (Ctrl+O)
    std::function<void()> saveAs;           // save the shown tags file under a new name
    std::function<void()> exit;             // end the program
    std::function<void()> settings;         // the settings dialog
    std::function<void()> find;             // show and focus the filter field (Ctrl+F)
    std::function<void()> refresh;          // re-run ctags for the shown file in the background (F5)
    std::function<void()> toggleLangIcons;  // kind icons by language, on or off
    std::function<void()> toggleNestScope;  // members nested under their scope, on or off
    std::function<void()> about;            // the About box
    std::function<bool()> langIconsOn;      // the state of the two options, for their check marks
    std::function<bool()> nestScopeOn;
    std::function<std::vector<std::string>()> recentFiles;  // display texts, in menu order
    std::function<void(int index)> openRecent;              // the recent file at `index` (from 0)
};

class CommandActions final : public QObject {
    Q_OBJECT
public:
    // The actions are children of this object; `parent` usually is the window that owns them.
    explicit CommandActions(CommandHandlers handlers, QObject* parent = nullptr);
    ~CommandActions() override;
    Q_DISABLE_COPY_MOVE(CommandActions)

    // Sets the two options' check marks from the handlers (the options may change elsewhere).
    void ShowCheckStates();
    // The recent files' menu texts, and the open of one of them.
    std::vector<std::string> RecentFileTexts() const;
    void OpenRecent(int index) const;
    // Every action that has a shortcut: the window takes these, so that the keys work also
    // without the menu bar.
    std::vector<QAction*> WithShortcuts() const;

    QAction* const createTags;
    QAction* const open;
    QAction* const saveAs;
    QAction* const exit;
    QAction* const settings;
    QAction* const find;
    QAction* const refresh;
    QAction* const langIcons;
    QAction* const nestScope;
    QAction* const about;

private:
    CommandHandlers m_handlers;
};

// The translation context of the commands' and menus' texts.
inline constexpr const char* kCommandTextContext = "CommandMenu";

}  // namespace quarrow::ui
