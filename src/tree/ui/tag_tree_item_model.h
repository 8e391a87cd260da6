#pragma once
// The tag tree as a read-only Qt item model: one column, rows straight from the compact TagTree
// (no object per node), labels decoded when the view asks for them, icons from the image list.
// An index's internal id is the node's id in the tree.

#include <QAbstractItemModel>

#include "tags/code_page.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"

namespace quarrow {
class CTagEntry;
class TagStore;
}  // namespace quarrow

namespace quarrow::ui {

class TreeImageList;

class TagTreeItemModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    // Role giving a node's image index (an int) besides the icon of DecorationRole.
    static constexpr int kImageIndexRole = Qt::UserRole + 1;

    explicit TagTreeItemModel(const TreeImageList& images, QObject* parent = nullptr);

    // Clears the tree and builds it again from `store`, whose bytes the labels view: the store
    // must not change until the next Rebuild or Reset.
    void Rebuild(const TagStore& store, CodePage cp, TreeOptions options = {});
    // Empties the tree.
    void Reset();

    const TagTree& Tree() const noexcept { return m_tree; }
    // The node of `index`; TagTree::kRoot for the invalid index.
    TagTree::Id IdOf(const QModelIndex& index) const noexcept;
    QModelIndex IndexOf(TagTree::Id id) const;
    const CTagEntry* TagOf(const QModelIndex& index) const noexcept;
    QString LabelOf(const QModelIndex& index) const;
    int ImageOf(const QModelIndex& index) const noexcept;
    // Gives the node a new image (also its selected image) and tells the views.
    void SetImage(const QModelIndex& index, int image);
    CodePage GetCodePage() const noexcept { return m_codePage; }

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const TreeImageList& m_images;
    TagTree m_tree;
    CodePage m_codePage = CodePage::Utf8;
};

}  // namespace quarrow::ui
