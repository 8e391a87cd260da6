#include "tree/ui/command_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QString>

#include <array>
#include <memory>

#include "tree/ui/command_ids.h"

namespace quarrow::ui {
namespace {

using Kind = MenuEntry::Kind;

constexpr const char* kMenuContext = "CommandMenu";  // the translation context of the texts

constexpr std::array kEntries = {
    MenuEntry{Kind::Popup, 0, QT_TRANSLATE_NOOP("CommandMenu", "ファイル(&F)")},
    MenuEntry{Kind::Item, command::kFileNew, QT_TRANSLATE_NOOP("CommandMenu", "新規（又は再）作成(&N)\tCtrl+N")},
    MenuEntry{Kind::Item, command::kFileOpen, QT_TRANSLATE_NOOP("CommandMenu", "開く(&O)...\tCtrl+O")},
    MenuEntry{Kind::Item, command::kFileSaveAs, QT_TRANSLATE_NOOP("CommandMenu", "名前を付けて保存(&A)...")},
    MenuEntry{Kind::Separator, 0, ""},
    MenuEntry{Kind::Item, command::kFileMruFirst, QT_TRANSLATE_NOOP("CommandMenu", "最近使ったﾌｧｲﾙ")},
    MenuEntry{Kind::Separator, 0, ""},
    MenuEntry{Kind::Item, command::kAppExit, QT_TRANSLATE_NOOP("CommandMenu", "アプリケーションの終了(&X)")},
    MenuEntry{Kind::EndPopup, 0, ""},
    MenuEntry{Kind::Item, command::kSettings, QT_TRANSLATE_NOOP("CommandMenu", "設定(&S)")},
    MenuEntry{Kind::Popup, 0, QT_TRANSLATE_NOOP("CommandMenu", "表示(&V)")},
    MenuEntry{Kind::Item, command::kViewRefresh, QT_TRANSLATE_NOOP("CommandMenu", "最新の情報に更新(&R)\tF5")},
    MenuEntry{Kind::Separator, 0, ""},
    MenuEntry{Kind::Check, command::kViewLangIcons, QT_TRANSLATE_NOOP("CommandMenu", "言語別アイコン")},
    MenuEntry{Kind::Check, command::kViewNestScope, QT_TRANSLATE_NOOP("CommandMenu", "スコープで入れ子表示")},
    MenuEntry{Kind::EndPopup, 0, ""},
    MenuEntry{Kind::Popup, 0, QT_TRANSLATE_NOOP("CommandMenu", "ヘルプ(&H)")},
    MenuEntry{Kind::Item, command::kAppAbout, QT_TRANSLATE_NOOP("CommandMenu", "Quarrow のバージョン情報(&A)...")},
    MenuEntry{Kind::EndPopup, 0, ""},
};

QString CommandName(int id) { return QStringLiteral("cmd%1").arg(id); }

// The mnemonic prefix of recent file `number` (from 1): "&1 " .. "&9 ", "1&0 ", then plain.
QString RecentPrefix(int number) {
    if (number < 10) {
        return QStringLiteral("&%1 ").arg(number);
    }
    if (number == 10) {
        return QStringLiteral("1&0 ");
    }
    return QStringLiteral("%1 ").arg(number);
}

QAction* MakeCommand(QWidget& owner, QAction* action, int id, const MenuHooks& hooks) {
    action->setObjectName(CommandName(id));
    action->setData(id);
    QObject::connect(action, &QAction::triggered, &owner, [route = hooks.route, id] {
        if (route) {
            route(id);
        }
    });
    return action;
}

// Replaces the recent-file entries of `menu` each time it opens. The place-holder stays in the
// menu (hidden while there are entries) and marks where they go.
void TrackRecentFiles(QMenu& menu, QAction* placeHolder, const MenuHooks& hooks) {
    placeHolder->setEnabled(false);
    auto shown = std::make_shared<std::vector<QAction*>>();
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&menu, placeHolder, shown, hooks] {
        for (QAction* action : *shown) {
            menu.removeAction(action);
            action->deleteLater();
        }
        shown->clear();
        const std::vector<std::string> files = hooks.recentFiles ? hooks.recentFiles() : std::vector<std::string>{};
        const int count = std::min<int>(static_cast<int>(files.size()), command::kFileMruLast - command::kFileMruFirst + 1);
        for (int i = 0; i < count; ++i) {
            QString text = QString::fromUtf8(files[static_cast<std::size_t>(i)]);
            text.replace(QLatin1Char('&'), QStringLiteral("&&"));
            auto* action = new QAction(RecentPrefix(i + 1) + text, &menu);
            MakeCommand(menu, action, command::kFileMruFirst + i, hooks);
            action->setObjectName(QStringLiteral("recent%1").arg(i + 1));
            menu.insertAction(placeHolder, action);
            shown->push_back(action);
        }
        placeHolder->setVisible(count == 0);
    });
}

// An option's check mark, read when its menu opens: the option may change elsewhere (the
// profile, another menu) between two clicks.
void ShowCheckState(QMenu* menu, QAction* action, int id, const MenuHooks& hooks) {
    action->setCheckable(true);
    auto show = [action, isChecked = hooks.isChecked, id] { action->setChecked(isChecked && isChecked(id)); };
    show();
    if (menu) {
        QObject::connect(menu, &QMenu::aboutToShow, action, show);
    }
}

template <typename Container>
void Fill(Container& top, const MenuHooks& hooks) {
    QMenu* current = nullptr;  // the open submenu, or none at the top level
    for (const MenuEntry& entry : kEntries) {
        const QString text = QCoreApplication::translate(kMenuContext, entry.text);
        switch (entry.kind) {
        case Kind::Popup:
            current = top.addMenu(text);
            break;
        case Kind::EndPopup:
            current = nullptr;
            break;
        case Kind::Separator:
            if (current) {
                current->addSeparator();
            } else {
                top.addSeparator();
            }
            break;
        case Kind::Item:
        case Kind::Check: {
            QWidget& owner = current ? static_cast<QWidget&>(*current) : static_cast<QWidget&>(top);
            QAction* action = current ? current->addAction(text) : top.addAction(text);
            MakeCommand(owner, action, entry.id, hooks);
            if (entry.kind == Kind::Check) {
                ShowCheckState(current, action, entry.id, hooks);
            }
            if (entry.id == command::kFileMruFirst && current) {
                TrackRecentFiles(*current, action, hooks);
            }
            break;
        }
        }
    }
}

}  // namespace

std::span<const MenuEntry> MainMenuEntries() { return kEntries; }

void FillMenuBar(QMenuBar& bar, const MenuHooks& hooks) { Fill(bar, hooks); }

void FillMenu(QMenu& menu, const MenuHooks& hooks) { Fill(menu, hooks); }

}  // namespace quarrow::ui
