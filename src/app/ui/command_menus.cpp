#include "app/ui/command_menus.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QString>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/startup_rules.h"
#include "app/ui/command_actions.h"

namespace quarrow::ui {
namespace {

QString MenuText(const char* text) { return QCoreApplication::translate(kCommandTextContext, text); }

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

// Replaces the recent-file entries of `menu` each time it opens. The place-holder stays in the
// menu (hidden while there are entries) and marks where they go.
void TrackRecentFiles(QMenu& menu, CommandActions& commands) {
    auto* placeHolder = menu.addAction(MenuText(QT_TRANSLATE_NOOP("CommandMenu", "最近使ったﾌｧｲﾙ")));
    placeHolder->setObjectName(QStringLiteral("recentFiles"));
    placeHolder->setEnabled(false);
    auto shown = std::make_shared<std::vector<QAction*>>();
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&menu, &commands, placeHolder, shown] {
        for (QAction* action : *shown) {
            menu.removeAction(action);
            action->deleteLater();
        }
        shown->clear();
        const std::vector<std::string> files = commands.RecentFileTexts();
        const int count = std::min<int>(static_cast<int>(files.size()), kRecentFileMenuEntries);
        for (int i = 0; i < count; ++i) {
            QString text = QString::fromUtf8(files[static_cast<std::size_t>(i)]);
            text.replace(QLatin1Char('&'), QStringLiteral("&&"));
            auto* action = new QAction(RecentPrefix(i + 1) + text, &menu);
            action->setObjectName(QStringLiteral("recent%1").arg(i + 1));
            QObject::connect(action, &QAction::triggered, &menu, [&commands, i] { commands.OpenRecent(i); });
            menu.insertAction(placeHolder, action);
            shown->push_back(action);
        }
        placeHolder->setVisible(count == 0);
    });
}

template <typename Container>
void Fill(Container& top, CommandActions& commands) {
    QMenu* file = top.addMenu(MenuText(QT_TRANSLATE_NOOP("CommandMenu", "ファイル(&F)")));
    file->addAction(commands.createTags);
    file->addAction(commands.open);
    file->addAction(commands.saveAs);
    file->addSeparator();
    TrackRecentFiles(*file, commands);
    file->addSeparator();
    file->addAction(commands.exit);

    top.addAction(commands.settings);

    QMenu* view = top.addMenu(MenuText(QT_TRANSLATE_NOOP("CommandMenu", "表示(&V)")));
    view->addAction(commands.find);
    view->addAction(commands.refresh);
    view->addSeparator();
    view->addAction(commands.langIcons);
    view->addAction(commands.nestScope);
    // The options may change elsewhere (the profile, the other menu) between two clicks.
    QObject::connect(view, &QMenu::aboutToShow, &commands, [&commands] { commands.ShowCheckStates(); });
    commands.ShowCheckStates();

    QMenu* help = top.addMenu(MenuText(QT_TRANSLATE_NOOP("CommandMenu", "ヘルプ(&H)")));
    help->addAction(commands.about);
}

}  // namespace

void FillMenuBar(QMenuBar& bar, CommandActions& commands) { Fill(bar, commands); }

void FillMenu(QMenu& menu, CommandActions& commands) { Fill(menu, commands); }

}  // namespace quarrow::ui
