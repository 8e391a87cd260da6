#pragma once
// The program's menus: the menu bar and the tree's pop-up menu show the same entries, in the same
// order, made of the same command actions. The recent files are filled in each time the file
// menu opens, and the options' check marks are read again each time theirs opens.

class QMenu;
class QMenuBar;

namespace quarrow::ui {

class CommandActions;

// "ファイル(&F)", "設定(&S)", "表示(&V)" and "ヘルプ(&H)", in a menu bar or in a pop-up menu.
// While there are no recent files a greyed place-holder stands where they go.
void FillMenuBar(QMenuBar& bar, CommandActions& commands);
void FillMenu(QMenu& menu, CommandActions& commands);

}  // namespace quarrow::ui
