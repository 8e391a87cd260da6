#include "tree/ui/tag_tree_filtering.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>

#include "tree/ui/display_text.h"
#include "tree/ui/quarrow_view.h"
#include "tree/ui/staged_expansion.h"
#include "tree/ui/tag_filter_bar.h"
#include "tree/ui/tag_filter_worker.h"

namespace quarrow::ui {
namespace {

// Keeps a child widget as large as its parent. The field covers the tree's header, which the
// tree lays out above its rows (shown with the field's height while the field is shown); the
// empty-result note covers the rows' area.
class FillParent final : public QObject {
public:
    explicit FillParent(QWidget& child) : QObject(&child), m_child(child) {
        child.parentWidget()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_child.parentWidget() && event->type() == QEvent::Resize) {
            m_child.setGeometry(m_child.parentWidget()->rect());
        }
        return false;
    }

private:
    QWidget& m_child;
};

}  // namespace

TagTreeFiltering::TagTreeFiltering(CQuarrowView& view)
    : m_view(view),
      m_bar(new TagFilterBar(view.header())),
      m_emptyNote(new QLabel(view.viewport())),
      m_worker(new TagFilterWorker(this)),
      m_expansion(new StagedExpansion(view)) {
    m_bar->hide();
    new FillParent(*m_bar);
    new FillParent(*m_emptyNote);
    m_emptyNote->setObjectName(QStringLiteral("TagFilterEmptyNote"));
    m_emptyNote->setText(tr("一致する名前はありません"));
    m_emptyNote->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_emptyNote->setMargin(8);
    m_emptyNote->setEnabled(false);  // drawn in the greyed text colour
    m_emptyNote->hide();
    connect(m_bar, &TagFilterBar::TextEdited, this, &TagTreeFiltering::OnTextEdited);
    connect(m_bar, &TagFilterBar::DownPressed, this, &TagTreeFiltering::MoveIntoTree);
    connect(m_bar, &TagFilterBar::EnterPressed, this, &TagTreeFiltering::JumpToChosenMember);
    connect(m_bar, &TagFilterBar::EscapePressed, this, &TagTreeFiltering::Close);
}

TagTreeFiltering::~TagTreeFiltering() { m_worker->Cancel(); }

void TagTreeFiltering::Show() {
    if (!m_shown) {
        m_shown = true;
        QHeaderView& header = *m_view.header();
        header.setFixedHeight(m_bar->sizeHint().height());
        header.show();
        m_bar->setGeometry(header.rect());
        m_bar->show();
    }
    m_bar->Field().setFocus(Qt::ShortcutFocusReason);
    m_bar->Field().selectAll();
    // Every label is read once for its signature while the user has not typed yet, so that the
    // first key finds them made. A key typed before supersedes this.
    const TagTreeItemModel& model = m_view.Model();
    if (!m_signatures && !model.Filter() && m_bar->Text().isEmpty() && model.Tree().NodeCount() != 0) {
        m_worker->Start(model.Tree(), TagFilterText(), nullptr, [this](std::shared_ptr<const TagTreeFilter> result) {
            if (!m_signatures && !m_view.Model().Filter()) {
                m_signatures = result->Signatures();
            }
        });
    }
}

void TagTreeFiltering::Close() {
    m_worker->Cancel();
    m_expansion->Cancel();
    if (m_shown) {
        m_shown = false;
        m_bar->hide();
        m_view.header()->hide();
    }
    {
        const QSignalBlocker quiet(m_bar);
        m_bar->Field().clear();
    }
    ShowResult(QString(), nullptr);
    m_view.setFocus(Qt::OtherFocusReason);
}

void TagTreeFiltering::OnTextEdited(const QString& text) {
    const TagTreeItemModel& model = m_view.Model();
    // The tree shown is about to be replaced: the rest of its opening would only delay the new one.
    m_expansion->Cancel();
    if (text.isEmpty()) {
        m_worker->Cancel();
        ShowResult(text, nullptr);
        return;
    }
    TagFilterText filterText(CodePageBytes(text, model.GetCodePage()), model.GetCodePage());
    m_worker->Start(model.Tree(), std::move(filterText), Previous(),
                    [this, text](std::shared_ptr<const TagTreeFilter> result) { ShowResult(text, std::move(result)); });
    // The tree as the user had it is saved while the worker narrows, not after: the walk over its
    // nodes takes a few milliseconds that the first key would otherwise wait for.
    if (!m_saved) {
        SaveView();
    }
}

std::shared_ptr<const TagTreeFilter> TagTreeFiltering::Previous() const {
    const std::shared_ptr<const TagTreeFilter>& shown = m_view.Model().Filter();
    return shown ? shown : m_signatures;
}

void TagTreeFiltering::CatchUp() {
    const QString text = m_bar->Text();
    if (text == m_appliedText) {
        return;
    }
    m_worker->Cancel();
    if (text.isEmpty()) {
        ShowResult(text, nullptr);
        return;
    }
    const TagTreeItemModel& model = m_view.Model();
    auto result = std::make_shared<TagTreeFilter>();
    result->Apply(model.Tree(), TagFilterText(CodePageBytes(text, model.GetCodePage()), model.GetCodePage()),
                  Previous().get());
    ShowResult(text, std::move(result));
}

void TagTreeFiltering::ShowResult(const QString& text, std::shared_ptr<const TagTreeFilter> result) {
    if (!result || text.isEmpty()) {
        ForgetOrRestoreView();
        m_appliedText.clear();
        UpdateEmptyNote();
        return;
    }
    if (!m_saved) {
        SaveView();
    }
    m_signatures = result->Signatures();
    m_expansion->Cancel();
    m_view.Model().SetFilter(result);
    m_expansion->Start(std::move(result));
    m_view.scrollToTop();
    m_appliedText = text;
    UpdateEmptyNote();
}

void TagTreeFiltering::SaveView() {
    TagTreeItemModel& model = m_view.Model();
    const TagTree& tree = model.Tree();
    SavedView saved;
    for (TagTree::Id id = 0; id < tree.NodeCount(); ++id) {
        if (tree.Tag(id) == nullptr) {
            saved.folderImages.emplace_back(id, tree.Image(id));
        }
        if (tree.ChildCount(id) != 0 && m_view.isExpanded(model.IndexOf(id))) {
            saved.expanded.push_back(id);
        }
    }
    const QModelIndexList selected = m_view.selectionModel()->selectedIndexes();
    saved.selected = selected.isEmpty() ? TagTree::kRoot : model.IdOf(selected.first());
    saved.scroll = m_view.ScrollPosition();
    m_saved = std::move(saved);
}

void TagTreeFiltering::RestoreView() {
    m_expansion->Cancel();
    const SavedView saved = std::move(*m_saved);
    m_saved.reset();
    TagTreeItemModel& model = m_view.Model();
    model.SetFilter(nullptr);
    // A folder opened or closed under the filter gets back the image it had.
    for (const auto& [id, image] : saved.folderImages) {
        model.SetImage(id, image);
    }
    m_view.ExpandQuietly(saved.expanded);
    if (saved.selected != TagTree::kRoot) {
        const QModelIndex index = model.Reach(saved.selected);
        m_view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    m_view.SetScrollPosition(saved.scroll);
}

void TagTreeFiltering::ForgetOrRestoreView() {
    if (!m_saved) {
        return;
    }
    if (m_view.Model().Filter()) {
        RestoreView();
    } else {
        m_saved.reset();  // saved for a key whose result never came: the tree is as it was
    }
}

void TagTreeFiltering::MoveIntoTree() {
    CatchUp();
    m_view.setFocus(Qt::TabFocusReason);
    if (!m_view.currentIndex().isValid()) {
        const QModelIndex first = m_view.Model().index(0, 0);
        if (first.isValid()) {
            m_view.selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
        }
    }
}

void TagTreeFiltering::JumpToChosenMember() {
    CatchUp();
    TagTreeItemModel& model = m_view.Model();
    const std::shared_ptr<const TagTreeFilter> filter = model.Filter();
    if (!filter) {
        return;
    }
    const TagTree::Id id = filter->MemberToOpen(model.Tree());
    if (id == TagTree::kRoot) {
        return;
    }
    const QModelIndex index = model.Reach(id);
    m_view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_view.scrollTo(index);
    m_view.JumpToEditor(index);
}

void TagTreeFiltering::BeforeRebuild() {
    // The worker reads the tree that is about to be replaced; a rebuild that keeps the user's
    // place finds the tree as the user had it without the filter.
    m_worker->Cancel();
    m_expansion->Cancel();
    ForgetOrRestoreView();
}

void TagTreeFiltering::AfterRebuild(const std::string& tagsPath) {
    const bool sameFile = tagsPath == m_tagsPath;
    m_tagsPath = tagsPath;
    // The rebuild dropped the filter; what was saved names nodes of the old tree.
    m_saved.reset();
    m_signatures.reset();
    m_appliedText.clear();
    if (!m_bar->Text().isEmpty()) {
        if (sameFile) {
            CatchUp();
        } else {
            Close();  // another tags file starts without the filter
        }
    }
    UpdateEmptyNote();
}

void TagTreeFiltering::UpdateEmptyNote() {
    const std::shared_ptr<const TagTreeFilter>& filter = m_view.Model().Filter();
    const bool empty = filter && filter->Empty();
    if (empty) {
        m_emptyNote->setGeometry(m_view.viewport()->rect());
        m_emptyNote->raise();
    }
    m_emptyNote->setVisible(empty);
}

}  // namespace quarrow::ui
