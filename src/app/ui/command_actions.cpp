#include "app/ui/command_actions.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>

namespace quarrow::ui {
namespace {

// A TAB separates the label from the shortcut text the menus show; the key itself is the
// action's shortcut.
QAction* MakeAction(QObject& owner, const char* name, const char* text, const QKeySequence& key = {}) {
    auto* action = new QAction(QCoreApplication::translate(kCommandTextContext, text), &owner);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

void Call(const std::function<void()>& handler) {
    if (handler) {
        handler();
    }
}

}  // namespace

CommandActions::CommandActions(CommandHandlers handlers, QObject* parent)
    : QObject(parent),
      createTags(MakeAction(*this, "createTags", QT_TRANSLATE_NOOP("CommandMenu", "新規（又は再）作成(&N)\tCtrl+N"),
                            QKeySequence(Qt::CTRL | Qt::Key_N))),
      open(MakeAction(*this, "open", QT_TRANSLATE_NOOP("CommandMenu", "開く(&O)...\tCtrl+O"),
                      QKeySequence(Qt::CTRL | Qt::Key_O))),
      saveAs(MakeAction(*this, "saveAs", QT_TRANSLATE_NOOP("CommandMenu", "名前を付けて保存(&A)..."))),
      exit(MakeAction(*this, "exit", QT_TRANSLATE_NOOP("CommandMenu", "アプリケーションの終了(&X)"))),
      settings(MakeAction(*this, "settings", QT_TRANSLATE_NOOP("CommandMenu", "設定(&S)"))),
      find(MakeAction(*this, "find", QT_TRANSLATE_NOOP("CommandMenu", "検索(&F)\tCtrl+F"),
                      QKeySequence(Qt::CTRL | Qt::Key_F))),
      refresh(MakeAction(*this, "refresh", QT_TRANSLATE_NOOP("CommandMenu", "最新の情報に更新(&R)\tF5"),
                         QKeySequence(Qt::Key_F5))),
      langIcons(MakeAction(*this, "langIcons", QT_TRANSLATE_NOOP("CommandMenu", "言語別アイコン"))),
      nestScope(MakeAction(*this, "nestScope", QT_TRANSLATE_NOOP("CommandMenu", "スコープで入れ子表示"))),
      about(MakeAction(*this, "about", QT_TRANSLATE_NOOP("CommandMenu", "Quarrow のバージョン情報(&A)..."))),
      m_handlers(std::move(handlers)) {
    const std::pair<QAction*, std::function<void()>*> plain[] = {
        {createTags, &m_handlers.createTags}, {open, &m_handlers.open},         {saveAs, &m_handlers.saveAs},
        {exit, &m_handlers.exit},             {settings, &m_handlers.settings}, {find, &m_handlers.find},
        {refresh, &m_handlers.refresh},       {about, &m_handlers.about},
    };
    for (const auto& [action, handler] : plain) {
        connect(action, &QAction::triggered, this, [handler] { Call(*handler); });
    }
    // A checkable action turns its own mark over when chosen; the mark then shows what the
    // option became, which is the handler's to say.
    for (const auto& [action, handler] :
         {std::pair{langIcons, &m_handlers.toggleLangIcons}, std::pair{nestScope, &m_handlers.toggleNestScope}}) {
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, handler] {
            Call(*handler);
            ShowCheckStates();
        });
    }
    ShowCheckStates();
}

CommandActions::~CommandActions() = default;

void CommandActions::ShowCheckStates() {
    langIcons->setChecked(m_handlers.langIconsOn && m_handlers.langIconsOn());
    nestScope->setChecked(m_handlers.nestScopeOn && m_handlers.nestScopeOn());
}

std::vector<std::string> CommandActions::RecentFileTexts() const {
    return m_handlers.recentFiles ? m_handlers.recentFiles() : std::vector<std::string>{};
}

void CommandActions::OpenRecent(int index) const {
    if (m_handlers.openRecent) {
        m_handlers.openRecent(index);
    }
}

std::vector<QAction*> CommandActions::WithShortcuts() const {
    std::vector<QAction*> keyed;
    for (QAction* action : findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
        if (!action->shortcut().isEmpty()) {
            keyed.push_back(action);
        }
    }
    return keyed;
}

}  // namespace quarrow::ui
